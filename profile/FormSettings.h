#pragma once
// The settings page and the records page: what the profile holds.
#include <string>

#include "platform/Profile.h"
#include "platform/Ui.h"

namespace profile {

class FormSettings {
public:
    FormSettings(platform::CheckBox& CheckBackupBeforeFix, platform::PushButton& CommandApplySettings,
                 platform::Profile& store, std::string appFolder);
    void Form_Load();
    void CommandApplySettings_Click();

private:
    platform::CheckBox& check_;
    platform::Profile& store_;
    std::string file_;
};

class FormRecords {
public:
    FormRecords(platform::Label& LabelLastScanTime, platform::Label& LabelErrorCount, platform::Label& LabelFixedCount,
                platform::PushButton& CommandRefreshRecords, platform::Profile& store, platform::UiServices& ui,
                std::string appFolder);
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
