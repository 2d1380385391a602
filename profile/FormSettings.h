#pragma once
// The settings page and the records page: what the profile holds.
#include <functional>
#include <string>

#include "platform/Profile.h"
#include "platform/Ui.h"

namespace profile {

class FormSettings {
public:
    // `CheckRestorePoint`: the box "Create a restore point before repair",
    // where the page has it.
    FormSettings(platform::CheckBox& CheckBackupBeforeFix, platform::PushButton& CommandApplySettings,
                 platform::Profile& store, std::string dataFolder, platform::CheckBox& CheckExpandable,
                 platform::UiServices& ui, platform::CheckBox* CheckRestorePoint = nullptr);
    void Form_Load();
    void CommandApplySettings_Click();

private:
    platform::CheckBox& check_;
    platform::CheckBox& expandable_;
    platform::CheckBox* restorePoint_;
    platform::Profile& store_;
    std::string file_;
    platform::UiServices& ui_;
};

// The settings page's line about the values the user keeps: how many
// entries the ignore list holds, and the link "Forget all", which asks first.
class IgnoredEntries {
public:
    // What the ignore list holds: its entries, and the lines it could not
    // read (neither an entry, nor empty, nor a comment); `readable` is false
    // when the file is there but cannot be read at all.
    struct Counts {
        int entries = 0, unreadable = 0;
        bool readable = true;
    };
    IgnoredEntries(platform::Label& LabelIgnored, platform::Label& LabelForgetAll, platform::UiServices& ui,
                   std::function<Counts()> count, std::function<bool()> forgetAll);
    void Form_Load() { ShowCount(); }
    void LabelForgetAll_Click();
    void LabelForgetAll_MouseMove() { link_.SetUnderline(true); }
    void Form_MouseMove() { link_.SetUnderline(false); }

private:
    void ShowCount();

    platform::Label& label_;
    platform::Label& link_;
    platform::UiServices& ui_;
    std::function<Counts()> count_;
    std::function<bool()> forgetAll_;
};

class FormRecords {
public:
    FormRecords(platform::Label& LabelLastScanTime, platform::Label& LabelErrorCount, platform::Label& LabelFixedCount,
                platform::PushButton& CommandRefreshRecords, platform::Profile& store, platform::UiServices& ui,
                std::string dataFolder);
    void Form_Load() { CommandRefreshRecords_Click(); }
    void CommandRefreshRecords_Click();

private:
    platform::Label& lastScanTime_;
    platform::Label& errorCount_;
    platform::Label& fixedCount_;
    platform::Profile& store_;
    platform::UiServices& ui_;
    std::string file_;
};

}  // namespace profile
