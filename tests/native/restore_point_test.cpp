// The restore point before a repair: asked for only when the setting says
// so, after the backup and before the first removal; whatever Windows
// answers, the repair goes on and the user is told which it was.
#include "ScanFixture.h"

namespace {

using platform::RestorePointAnswer;

class RestorePointTest : public ScanFixture {
protected:
    void SetSetting(const char* text) { profile.values[{files.appFolder + "\\ro.ini", "Settings", "RestorePoint"}] = text; }
    void SetFrequency(std::uint32_t minutes) {
        reg.SetValue(platform::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\SystemRestore",
                     "SystemRestorePointCreationFrequency", platform::kRegDword,
                     {static_cast<std::uint8_t>(minutes), static_cast<std::uint8_t>(minutes >> 8), 0, 0});
    }
    // A scan that lists one value, then Repair.
    void ScanAndRepair() {
        reg.SetString(kHkcu, "S", "v", "C:\\gone.exe");
        start.Press();
        ASSERT_EQ(list.RowCount(), 1);
        ui.messages.clear();
        repair.Press();
    }
};

TEST_F(RestorePointTest, EachAnswerLetsTheRepairGoOnAndSaysWhichItWas) {
    enum Before { Nothing, EveryRequest, GivenBefore, DefaultFrequency };
    const struct Case {
        const char* what;
        RestorePointAnswer answer;
        Before before;
        const char* line;
        bool ended;
    } cases[] = {
        {"made: Windows makes a point at every request", {true, 0, 42}, EveryRequest,
         "A restore point was made (number 42).", true},
        {"kept: the number this program was given last", {true, 0, 41}, GivenBefore,
         "Windows kept the restore point it made within the last 24 hours (number 41).", true},
        {"cannot tell: the default frequency", {true, 0, 43}, DefaultFrequency,
         "Windows may have kept an earlier restore point (number 43).", true},
        {"System Protection off", {false, 1058, 0}, Nothing, "No restore point was made: System Protection is off.", false},
        {"no srclient", {false, platform::kRestorePointsMissing, 0}, Nothing,
         "No restore point was made: this system has no System Restore.", false},
        {"not an administrator", {false, 5, 0}, Nothing, "No restore point was made: it needs administrator rights.", false},
        {"Wine's stub", {false, 0, 0}, Nothing, "No restore point was made: System Restore gave no answer.", false},
        {"failed", {false, 1460, 0}, Nothing, "The restore point failed: error 1460.", false},
    };
    for (const Case& c : cases) {
        reg = fakes::MemoryRegistry();
        files = fakes::MemoryFileSystem();
        profile.values.clear();
        systemRestore = fakes::FakeSystemRestore();
        ui.waits = 0;
        SetUp();
        SetSetting("1");
        if (c.before == EveryRequest) SetFrequency(0);
        if (c.before == DefaultFrequency) SetFrequency(1440);
        if (c.before == GivenBefore) profile.values[{files.appFolder + "\\ro.ini", "Records", "LastRestorePoint"}] = "41";
        systemRestore.answer = c.answer;
        std::string labelWhileBegun;
        systemRestore.whileBegun = [&] {
            labelWhileBegun = currentKey.caption;
            EXPECT_TRUE(files.FilesIn(files.appFolder + "\\RegBackups").size() == 1) << c.what << ": after the backup";
            EXPECT_TRUE(reg.ValueExists(kHkcu, "S", "v")) << c.what << ": before the first removal";
        };
        ScanAndRepair();
        EXPECT_EQ(systemRestore.begun, 1) << c.what;
        EXPECT_EQ(ui.waits, c.ended ? 2 : 1) << c.what << ": Windows is waited for beside the window";
        EXPECT_EQ(labelWhileBegun, "Creating a restore point\u2026") << c.what;
        EXPECT_FALSE(reg.ValueExists(kHkcu, "S", "v")) << c.what << ": the repair goes on";
        EXPECT_EQ(Messages().back(), "1 errors has repaired.\r\n" + std::string(c.line)) << c.what;
        EXPECT_EQ(currentKey.caption, "Creating backup files...") << c.what;
        ASSERT_EQ(systemRestore.ended.size(), c.ended ? 1u : 0u) << c.what;
        if (c.ended) {
            EXPECT_EQ(systemRestore.ended[0].sequence, c.answer.sequence) << c.what;
            EXPECT_TRUE(systemRestore.ended[0].changed) << c.what;
            EXPECT_EQ(Record("LastRestorePoint"), std::to_string(c.answer.sequence)) << c.what;
        }
    }
}

// Minutes may pass: the window stays alive, but nothing starts, changes or
// closes under the repair; a close asked for meanwhile comes after it.
TEST_F(RestorePointTest, ASlowPointKeepsTheWindowAliveButIdle) {
    SetSetting("1");
    systemRestore.whileBegun = [&] {
        for (fakes::FakeButton* button : {&start, &stop, &repair, &ret}) button->Press();
        form->QueryClose();
        list.SetChecked(1, false);
    };
    ScanAndRepair();
    EXPECT_EQ(systemRestore.begun, 1) << "entered once";
    EXPECT_FALSE(reg.ValueExists(kHkcu, "S", "v"));
    EXPECT_EQ(Row(1)[0], "Repaired") << "the tick held";
    EXPECT_EQ(closes, 1) << "closed once the repair was over";
}

TEST_F(RestorePointTest, NoPointUnlessAskedAndSomethingIsToBeRemoved) {
    for (const char* setting : {"0", "", "yes"}) {
        SetSetting(setting);
        ScanAndRepair();
        EXPECT_EQ(systemRestore.begun, 0) << setting;
        EXPECT_EQ(Messages().back(), "1 errors has repaired.") << setting;
    }
    // Every ticked value kept by the backup, or none ticked: nothing to undo.
    SetSetting("1");
    reg.SetString(kHkcu, "S\nT", "v", "C:\\gone.exe");
    start.Press();
    ASSERT_EQ(list.RowCount(), 1);
    repair.Press();
    list.SetChecked(1, false);
    repair.Press();
    EXPECT_EQ(systemRestore.begun, 0);
}

// A point begun and nothing removed after all (the values vanished since
// the scan): it is cancelled, not kept.
TEST_F(RestorePointTest, APointWithNothingRemovedIsCancelled) {
    SetSetting("1");
    systemRestore.whileBegun = [&] {
        platform::RegHandle key;
        reg.CreateKey(kHkcu, "S", &key);
        reg.DeleteValue(key, "v");
        reg.CloseKey(key);
    };
    ScanAndRepair();
    ASSERT_EQ(systemRestore.ended.size(), 1u);
    EXPECT_FALSE(systemRestore.ended[0].changed);
}

}  // namespace
