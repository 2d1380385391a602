#include "profile/FormSettings.h"

#include "profile/ModuleNormal.h"

namespace profile {

FormSettings::FormSettings(platform::CheckBox& CheckBackupBeforeFix, platform::PushButton& CommandApplySettings,
                           platform::Profile& store, std::string dataFolder, platform::CheckBox& CheckExpandable,
                           platform::UiServices& ui, platform::CheckBox* CheckRestorePoint)
    : check_(CheckBackupBeforeFix),
      expandable_(CheckExpandable),
      restorePoint_(CheckRestorePoint),
      store_(store),
      file_(dataFolder + kProfileName),
      ui_(ui) {
    CommandApplySettings.Click = [this] { CommandApplySettings_Click(); };
}

void FormSettings::Form_Load() {
    // A number the box has no state for shows it unticked.
    const int setting = ReadBackupBeforeFix(store_, file_);
    check_.SetValue(setting >= 0 && setting <= 2 ? setting : 0);
    expandable_.SetValue(ReadCheckExpandable(store_, file_) ? 1 : 0);
    if (restorePoint_) restorePoint_->SetValue(ReadRestorePoint(store_, file_) ? 1 : 0);
}

void FormSettings::CommandApplySettings_Click() {
    // The boxes stay as the user set them, so that Apply can be pressed again
    // once the folder can be written.
    bool wrote = WriteProfileValue(store_, file_, kSettings, "BackupBeforeFix", std::to_string(check_.Value())) &&
                 WriteProfileValue(store_, file_, kSettings, "CheckExpandable", expandable_.Value() == 1 ? "1" : "0");
    if (wrote && restorePoint_)
        wrote = WriteProfileValue(store_, file_, kSettings, "RestorePoint", restorePoint_->Value() == 1 ? "1" : "0");
    if (!wrote) ui_.ShowMessage("The setting could not be written:\r\n" + file_, platform::MessageStyle::Exclamation);
}

IgnoredEntries::IgnoredEntries(platform::Label& LabelIgnored, platform::Label& LabelForgetAll, platform::UiServices& ui,
                               std::function<Counts()> count, std::function<bool()> forgetAll)
    : label_(LabelIgnored), link_(LabelForgetAll), ui_(ui), count_(std::move(count)), forgetAll_(std::move(forgetAll)) {}

void IgnoredEntries::ShowCount() {
    const Counts counts = count_();
    if (!counts.readable) {
        label_.SetCaption("Ignored entries: the list could not be read");
        return;
    }
    std::string caption = "Ignored entries: " + std::to_string(counts.entries);
    // A line typed by hand that the program cannot read says so here.
    if (counts.unreadable > 0)
        caption += " (" + std::to_string(counts.unreadable) + (counts.unreadable == 1 ? " line" : " lines") +
                   " not understood)";
    label_.SetCaption(caption);
}

void IgnoredEntries::LabelForgetAll_Click() {
    if (count_().entries == 0) return;
    if (ui_.ShowMessage("Forget all ignored entries? Their values are listed again by the next scan.",
                        platform::MessageStyle::QuestionNoFirst) != platform::MessageAnswer::Yes)
        return;
    if (!forgetAll_()) ui_.ShowMessage("The ignore list could not be written.", platform::MessageStyle::Exclamation);
    ShowCount();
}

FormRecords::FormRecords(platform::Label& LabelLastScanTime, platform::Label& LabelErrorCount,
                         platform::Label& LabelFixedCount, platform::PushButton& CommandRefreshRecords,
                         platform::Profile& store, platform::UiServices& ui, std::string dataFolder)
    : lastScanTime_(LabelLastScanTime),
      errorCount_(LabelErrorCount),
      fixedCount_(LabelFixedCount),
      store_(store),
      ui_(ui),
      file_(dataFolder + kProfileName) {
    CommandRefreshRecords.Click = [this] { CommandRefreshRecords_Click(); };
}

void FormRecords::CommandRefreshRecords_Click() {
    lastScanTime_.SetCaption(ReadProfileValue(store_, file_, kRecords, "LastScanTime"));
    ui_.DoEvents();
    errorCount_.SetCaption(ReadProfileValue(store_, file_, kRecords, "ErrorCount"));
    ui_.DoEvents();
    fixedCount_.SetCaption(ReadProfileValue(store_, file_, kRecords, "FixedCount"));
}

}  // namespace profile
