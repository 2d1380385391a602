#include "profile/FormSettings.h"

#include "profile/ModuleNormal.h"

namespace profile {

FormSettings::FormSettings(platform::CheckBox& CheckBackupBeforeFix, platform::PushButton& CommandApplySettings,
                           platform::Profile& store, std::string dataFolder, platform::CheckBox* CheckRestorePoint)
    : check_(CheckBackupBeforeFix), restorePoint_(CheckRestorePoint), store_(store), file_(dataFolder + kProfileName) {
    CommandApplySettings.Click = [this] { CommandApplySettings_Click(); };
}

void FormSettings::Form_Load() {
    // A number the box has no state for shows it unticked.
    const int setting = ReadBackupBeforeFix(store_, file_);
    check_.SetValue(setting >= 0 && setting <= 2 ? setting : 0);
    if (restorePoint_) restorePoint_->SetValue(ReadRestorePoint(store_, file_) ? 1 : 0);
}

void FormSettings::CommandApplySettings_Click() {
    WriteProfileValue(store_, file_, kSettings, "BackupBeforeFix", std::to_string(check_.Value()));
    if (restorePoint_) WriteProfileValue(store_, file_, kSettings, "RestorePoint", restorePoint_->Value() == 1 ? "1" : "0");
}

IgnoredEntries::IgnoredEntries(platform::Label& LabelIgnored, platform::Label& LabelForgetAll, platform::UiServices& ui,
                               std::function<Counts()> count, std::function<bool()> forgetAll)
    : label_(LabelIgnored), link_(LabelForgetAll), ui_(ui), count_(std::move(count)), forgetAll_(std::move(forgetAll)) {}

void IgnoredEntries::ShowCount() {
    const Counts counts = count_();
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
                        platform::MessageStyle::Question) != platform::MessageAnswer::Yes)
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
