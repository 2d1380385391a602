// The frame, the home page's gate, the backup manager, settings and records.
#include <gtest/gtest.h>

#include "fakes/FakeShell.h"
#include "fakes/FakeUi.h"
#include "fakes/MemoryFileSystem.h"
#include "fakes/MemoryProfile.h"
#include "profile/FormSettings.h"
#include "scan/FormRestoreAndBackup.h"
#include "shell/Frame.h"
#include "shell/FormScanner.h"
#include "shell/Layouts.h"

using namespace shell;
using Texts = std::vector<std::string>;

namespace {

class FrameTest : public ::testing::Test {
protected:
    fakes::FakePictureSet min, exit, nav[4];
    Texts actions;
    FrameActions Actions() {
        return {[this] { actions.push_back("move"); }, [this] { actions.push_back("minimise"); },
                [this] { actions.push_back("close"); },
                [this](Page p) { actions.push_back("switch " + std::to_string(int(p))); }};
    }
    Frame frame{FrameControls{&min, &exit, {&nav[0], &nav[1], &nav[2], &nav[3]}}, Actions(), Page::Settings};
    std::vector<int> Navs() { return {nav[0].shown, nav[1].shown, nav[2].shown, nav[3].shown}; }
    void SetUp() override { frame.Load(); }
};

TEST_F(FrameTest, LoadShowsTheCurrentPage) {
    EXPECT_EQ(Navs(), (std::vector<int>{0, 0, 2, 0}));
    EXPECT_EQ(min.shown, 0);
    EXPECT_EQ(exit.shown, 0);
}

TEST_F(FrameTest, OnePressActsOnce) {
    frame.ImageExit_MouseDown();
    frame.ImageExit_MouseUp();
    frame.ImageExit_Click();
    EXPECT_EQ(actions, Texts{"close"});

    actions.clear();  // moved off the picture and back before releasing: only the click acts
    frame.ImageMin_MouseDown();
    frame.ImageMin_MouseMove();
    frame.ImageMin_MouseUp();
    EXPECT_TRUE(actions.empty());
    frame.ImageMin_Click();
    EXPECT_EQ(actions, Texts{"minimise"});

    actions.clear();  // the right button: release acts, no click follows
    frame.Navigation_MouseDown(Page::Records);
    frame.Navigation_MouseUp(Page::Records);
    EXPECT_EQ(actions, Texts{"switch 3"});
}

TEST_F(FrameTest, NavigationHoverAndTheOwnImage) {
    frame.Navigation_MouseMove(Page::Scanner);
    EXPECT_EQ(Navs(), (std::vector<int>{1, 0, 2, 0}));
    frame.Navigation_MouseMove(Page::Records);
    EXPECT_EQ(Navs(), (std::vector<int>{0, 0, 2, 1}));
    frame.Navigation_MouseDown(Page::Settings);
    frame.Navigation_MouseUp(Page::Settings);
    frame.Navigation_Click(Page::Settings);
    EXPECT_TRUE(actions.empty()) << "the open page's own image does nothing";
    EXPECT_EQ(nav[2].shown, 2);
    exit.Show(1);
    frame.Form_MouseMove();
    EXPECT_EQ(Navs(), (std::vector<int>{0, 0, 2, 0}));
    EXPECT_EQ(exit.shown, 0);
    frame.ImageCaption_MouseDown(2);
    frame.ImageCaption_MouseDown(kLeftButton);
    EXPECT_EQ(actions, Texts{"move"});
}

// Ctrl+Tab, Ctrl+Shift+Tab and Ctrl+number, and a press from the keyboard,
// which acts at once even after a release that acted without its click.
TEST_F(FrameTest, KeyboardPagesAndPresses) {
    frame.NextPage(false);
    frame.NextPage(true);
    frame.Navigation_Press(Page::Scanner);
    frame.Navigation_Press(Page::Settings);  // the open page's own: nothing
    EXPECT_EQ(actions, (Texts{"switch 3", "switch 1", "switch 0"}));

    actions.clear();
    frame.ImageExit_MouseDown();
    frame.ImageExit_MouseUp();  // the right button: no click follows
    frame.ImageExit_Press();
    frame.ImageMin_Press();
    EXPECT_EQ(actions, (Texts{"close", "close", "minimise"}));

    Frame scanWindow{FrameControls{nullptr, &exit, {}}, FrameActions{{}, {}, [this] { actions.push_back("guard"); }, {}},
                     std::nullopt};
    actions.clear();
    scanWindow.NextPage(false);
    scanWindow.Navigation_Press(Page::Records);
    scanWindow.ImageMin_Press();
    scanWindow.ImageExit_Press();
    EXPECT_EQ(actions, Texts{"guard"});

    Frame records{FrameControls{&min, &exit, {&nav[0], &nav[1], &nav[2], &nav[3]}}, Actions(), Page::Records};
    actions.clear();
    records.NextPage(false);
    EXPECT_EQ(actions, Texts{"switch 0"}) << "round the four";
}

TEST(FormScannerTest, TheGateNeedsOneTickedBoxTheHiddenOneIncluded) {
    fakes::FakeCheckBox boxes[15];
    fakes::FakeLabel selectAll;
    fakes::FakeButton scanNow;
    fakes::FakeUi ui;
    int opened = 0;
    ScannerControls controls{{}, selectAll, scanNow};
    for (int i = 0; i < 15; ++i) controls.Check[i] = &boxes[i];
    FormScanner page(controls, ui, [&](const engine::CategorySet&) { ++opened; });
    page.Form_Load();
    for (auto& b : boxes) EXPECT_EQ(b.value, 1);
    for (int i = 0; i < 15; ++i)
        if (i != 5) boxes[i].value = 0;  // every visible box cleared; Check6 stays
    scanNow.Press();
    EXPECT_EQ(opened, 1);
    boxes[5].value = 0;
    scanNow.Press();
    EXPECT_EQ(opened, 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Your must select on item at least.");
    EXPECT_EQ(ui.messages[0].style, platform::MessageStyle::Exclamation);
    page.LabelSelectAll_MouseMove();
    EXPECT_TRUE(selectAll.underline);
    page.LabelSelectAll_Click();
    for (auto& b : boxes) EXPECT_EQ(b.value, 1);
    page.Form_MouseMove();
    EXPECT_FALSE(selectAll.underline);
}

// The scan window lists the categories of the ticked boxes; the hidden box
// chooses none.
TEST(FormScannerTest, HandsTheTickedCategoriesToTheScanWindow) {
    fakes::FakeCheckBox boxes[15];
    fakes::FakeLabel selectAll;
    fakes::FakeButton scanNow;
    fakes::FakeUi ui;
    std::vector<engine::CategorySet> opened;
    ScannerControls controls{{}, selectAll, scanNow};
    for (int i = 0; i < 15; ++i) controls.Check[i] = &boxes[i];
    FormScanner page(controls, ui, [&](const engine::CategorySet& ticked) { opened.push_back(ticked); });
    page.Form_Load();
    scanNow.Press();
    boxes[10].value = 0;  // "System services"
    boxes[5].value = 0;   // Check6
    scanNow.Press();
    for (auto& b : boxes) b.value = 0;
    boxes[5].value = 1;
    scanNow.Press();
    page.LabelSelectAll_Click();
    scanNow.Press();

    engine::CategorySet withoutServices = engine::AllCategories();
    withoutServices.erase(engine::Category::SystemServices);
    ASSERT_EQ(opened.size(), 4u);
    EXPECT_EQ(opened[0], engine::AllCategories());
    EXPECT_EQ(opened[1], withoutServices);
    EXPECT_EQ(opened[2], engine::CategorySet{});
    EXPECT_EQ(opened[3], engine::AllCategories());
}

// Each box chooses the category of its own caption.
TEST(FormScannerTest, EachBoxChoosesTheCategoryItShows) {
    const auto& checks = layout::LayoutOf(layout::Form::Scanner).checks;
    for (int i = 1; i <= 15; ++i) {
        const std::string name = "Check" + std::to_string(i);
        const auto box = std::find_if(checks.begin(), checks.end(), [&](const auto& c) { return c.name == name; });
        ASSERT_NE(box, checks.end()) << name;
        const std::optional<engine::Category> category = kBoxCategories[i - 1];
        EXPECT_EQ(category ? engine::CategoryCaption(*category) : "Check6", box->caption) << name;
    }
}

class BackupPageTest : public ::testing::Test {
protected:
    fakes::MemoryFileSystem files;
    fakes::FakeShell shell;
    fakes::FakeUi ui;
    fakes::FakeListView list;
    fakes::FakeButton refresh, restore, del;
    scan::FormRestoreAndBackup page{{list, refresh, restore, del}, files, shell, ui, 7};
    const std::string folder = "C:\\Program Files\\Varnholt\\RegBackups";
    Texts Files() {
        Texts names;
        for (int row = 1; row <= list.RowCount(); ++row) names.push_back(list.Text(row, 0) + " " + list.Text(row, 1));
        return names;
    }
};

TEST_F(BackupPageTest, ListsOrdinaryRegFilesAndSelectsTheFirst) {
    page.Form_Load();
    EXPECT_TRUE(Files().empty()) << "no folder: an empty list";
    files.AddFile(folder + "\\Backup (a).reg");
    files.AddFile(folder + "\\Backup (b).reg");
    files.AddFile(folder + "\\notes.txt");
    files.AddFile(folder + "\\hidden.reg", "", true);
    refresh.Press();
    EXPECT_EQ(Files(), (Texts{"1 Backup (a).reg", "2 Backup (b).reg"}));
    EXPECT_EQ(list.selected, 1);
}

TEST(BackupPageListing, OnlyNamesEndingInRegAreListed) {
    // The folder listing as the system gives it for "*.reg": a pattern also
    // matches the short form of a longer name ("B~1.REG" for "b.regx").
    struct ShortNameListing : fakes::MemoryFileSystem {
        std::vector<std::string> ListFiles(const std::string&) override {
            return {"a.reg.txt", "b.regx", "c.REG", "d.reg"};
        }
    } files;
    fakes::FakeShell shell;
    fakes::FakeUi ui;
    fakes::FakeListView list;
    fakes::FakeButton refresh, restore, del;
    scan::FormRestoreAndBackup page{{list, refresh, restore, del}, files, shell, ui, 7};
    page.Form_Load();
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Text(1, 0) + " " + list.Text(1, 1), "1 c.REG");
    EXPECT_EQ(list.Text(2, 0) + " " + list.Text(2, 1), "2 d.reg");
}

TEST_F(BackupPageTest, RestoreOpensTheFileAndFallsBackToTheRegistryEditor) {
    files.AddFile(folder + "\\b.reg");
    page.Form_Load();
    restore.Press();
    EXPECT_EQ(shell.opened, Texts{folder + "\\b.reg"});
    EXPECT_TRUE(shell.ran.empty());
    shell.openResult = 31;  // no program for .reg files
    restore.Press();
    EXPECT_EQ(shell.ran, Texts{"regedit.exe \"" + folder + "\\b.reg\""});
    EXPECT_TRUE(ui.messages.empty());
    shell.runResult = false;
    restore.Press();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "The backup could not be restored:" + folder + "\\b.reg");
    EXPECT_EQ(ui.messages[0].style, platform::MessageStyle::Exclamation);
}

TEST_F(BackupPageTest, DeleteAsksFirstAndSaysWhenItFails) {
    files.AddFile(folder + "\\a.reg");
    files.AddFile(folder + "\\b.reg");
    page.Form_Load();
    list.Select(2);
    files.AddFile(folder + "\\0.reg");  // written meanwhile: b.reg moves down a row
    ui.answers = {platform::MessageAnswer::No};
    del.Press();
    EXPECT_EQ(ui.messages.back().text, "Make sure delete:" + folder + "\\b.reg");
    EXPECT_EQ(ui.messages.back().style, platform::MessageStyle::QuestionNoFirst) << "No is the default";
    EXPECT_EQ(Files(), (Texts{"1 0.reg", "2 a.reg", "3 b.reg"})) << "the list is rebuilt after No as well";
    EXPECT_EQ(list.selected, 3) << "the declined file stays selected, by name";
    ui.answers = {platform::MessageAnswer::Yes};
    del.Press();
    EXPECT_EQ(Files(), (Texts{"1 0.reg", "2 a.reg"}));
    EXPECT_EQ(list.selected, 1) << "the deleted file's row is gone: the first is selected";
    list.Select(2);
    files.failDelete = true;
    ui.answers = {platform::MessageAnswer::Yes};
    del.Press();
    EXPECT_EQ(ui.messages.back().text, "The backup file could not be deleted:" + folder + "\\a.reg");
    EXPECT_EQ(Files(), (Texts{"1 0.reg", "2 a.reg"}));
    EXPECT_EQ(list.selected, 2);
    files.failDelete = false;
    del.Press();
    del.Press();
    ui.messages.clear();
    restore.Press();
    del.Press();
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "There is no backup file to restore.");
    EXPECT_EQ(ui.messages[1].text, "There is no file to delete.");
}

TEST(SettingsPageTest, ForgetAllAsksThenEmptiesTheIgnoreList) {
    fakes::FakeLabel label, link;
    fakes::FakeUi ui;
    int entries = 3, unreadable = 0;
    bool writes = true, readable = true;
    profile::IgnoredEntries page(label, link, ui, [&] { return profile::IgnoredEntries::Counts{entries, unreadable, readable}; }, [&] {
        if (writes) entries = 0;
        return writes;
    });
    page.Form_Load();
    EXPECT_EQ(label.caption, "Ignored entries: 3");
    page.LabelForgetAll_MouseMove();
    EXPECT_TRUE(link.underline);
    page.Form_MouseMove();
    EXPECT_FALSE(link.underline);

    ui.answers = {platform::MessageAnswer::No, platform::MessageAnswer::Yes, platform::MessageAnswer::Yes};
    writes = false;
    page.LabelForgetAll_Click();  // No
    page.LabelForgetAll_Click();  // Yes, but the file cannot be written
    EXPECT_EQ(label.caption, "Ignored entries: 3");
    writes = true;
    page.LabelForgetAll_Click();
    EXPECT_EQ(label.caption, "Ignored entries: 0");
    ASSERT_EQ(ui.messages.size(), 4u);
    EXPECT_EQ(ui.messages[0].style, platform::MessageStyle::QuestionNoFirst);
    EXPECT_EQ(ui.messages[2].text, "The ignore list could not be written.");
    page.LabelForgetAll_Click();
    EXPECT_EQ(ui.messages.size(), 4u) << "nothing to forget: no question";
    for (int n : {1, 2}) {
        unreadable = n;
        page.Form_Load();
        EXPECT_EQ(label.caption, n == 1 ? "Ignored entries: 0 (1 line not understood)" : "Ignored entries: 0 (2 lines not understood)");
    }
    // A list that is there but cannot be read is no empty one, and nothing
    // of it is forgotten.
    readable = false;
    page.Form_Load();
    EXPECT_EQ(label.caption, "Ignored entries: the list could not be read");
    page.LabelForgetAll_Click();
    EXPECT_EQ(ui.messages.size(), 4u);
}

TEST(SettingsPageTest, ShowsAndAppliesTheSetting) {
    fakes::MemoryProfile store;
    fakes::FakeCheckBox box, expandable;
    fakes::FakeButton apply;
    const std::string file = "C:\\App\\ro.ini";
    fakes::FakeUi ui;
    profile::FormSettings page(box, apply, store, "C:\\App", expandable, ui);
    struct Case {
        const char* stored;  // nullptr: missing
        int shown;
    } cases[] = {{"0", 0}, {"1", 1}, {"2", 2}, {nullptr, 1}, {"abc", 1}, {"7", 0}};
    for (const Case& c : cases) {
        store.values.clear();
        if (c.stored) store.values[{file, "Settings", "BackupBeforeFix"}] = c.stored;
        page.Form_Load();
        EXPECT_EQ(box.value, c.shown) << (c.stored ? c.stored : "missing");
    }
    box.value = 0;
    apply.Press();
    EXPECT_EQ((store.values[{file, "Settings", "BackupBeforeFix"}]), "0");
    EXPECT_TRUE(ui.messages.empty());
    // A profile that cannot be written (a read-only folder) says so, and the
    // box stays as the user set it.
    store.failWrites = true;
    box.value = 1;
    apply.Press();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "The setting could not be written:\r\n" + file);
    EXPECT_EQ(box.value, 1);
    EXPECT_EQ((store.values[{file, "Settings", "BackupBeforeFix"}]), "0");
}

TEST(SettingsPageTest, ExpandableStringsAreCheckedOnlyWhenTheProfileSaysOne) {
    fakes::MemoryProfile store;
    fakes::FakeCheckBox box, expandable;
    fakes::FakeButton apply;
    const std::string file = "C:\\App\\ro.ini";
    fakes::FakeUi ui;
    profile::FormSettings page(box, apply, store, "C:\\App", expandable, ui);
    const struct {
        const char* stored;  // nullptr: missing
        int shown;
    } cases[] = {{"1", 1}, {" 1 ", 1}, {"0", 0}, {nullptr, 0}, {"2", 0}, {"yes", 0}};
    for (const auto& c : cases) {
        store.values.clear();
        if (c.stored) store.values[{file, "Settings", "CheckExpandable"}] = c.stored;
        page.Form_Load();
        EXPECT_EQ(expandable.value, c.shown) << (c.stored ? c.stored : "missing");
    }
    for (int on : {1, 0}) {
        expandable.value = on;
        apply.Press();
        EXPECT_EQ((store.values[{file, "Settings", "CheckExpandable"}]), on ? "1" : "0");
        EXPECT_EQ((store.values[{file, "Settings", "BackupBeforeFix"}]), "1") << "the backup's box applied beside it";
    }
}

// Off unless the profile says 1: a restore point can take minutes.
TEST(SettingsPageTest, ShowsAndAppliesTheRestorePoint) {
    fakes::MemoryProfile store;
    fakes::FakeCheckBox backup, expandable, point;
    fakes::FakeButton apply;
    fakes::FakeUi ui;
    const std::string file = "C:\\App\\ro.ini";
    profile::FormSettings page(backup, apply, store, "C:\\App", expandable, ui, &point);
    for (const auto& [stored, shown] : {std::pair{"1", 1}, {"0", 0}, {"", 0}, {"2", 0}, {"yes", 0}}) {
        store.values[{file, "Settings", "RestorePoint"}] = stored;
        page.Form_Load();
        EXPECT_EQ(point.value, shown) << stored;
    }
    store.values.clear();
    page.Form_Load();
    EXPECT_EQ(point.value, 0) << "missing";
    point.value = 1;
    apply.Press();
    EXPECT_EQ((store.values[{file, "Settings", "RestorePoint"}]), "1");
    EXPECT_EQ((store.values[{file, "Settings", "BackupBeforeFix"}]), "1") << "the backup box is applied as before";
}

TEST(RecordsPageTest, ShowsTheRecordsAsStored) {
    fakes::MemoryProfile store;
    fakes::FakeLabel time, errors, fixed;
    fakes::FakeButton refresh;
    fakes::FakeUi ui;
    time.caption = "unknown";
    profile::FormRecords page(time, errors, fixed, refresh, store, ui, "C:\\App");
    page.Form_Load();
    EXPECT_EQ(time.caption, "");
    EXPECT_EQ(ui.yields, 2);
    store.values[{"C:\\App\\ro.ini", "Records", "FixedCount"}] = "5";
    store.values[{"C:\\App\\ro.ini", "Records", "LastScanTime"}] = "2026-12-10 04:05";
    refresh.Press();
    EXPECT_EQ(fixed.caption, "5");
    EXPECT_EQ(time.caption, "2026-12-10 04:05");
}

}  // namespace
