// The results list on the real common controls list view, in a shown window:
// a view of rows its owner keeps.
#include "platform/win32/Win32ListView.h"
#include "platform/win32/Win32Ui.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui_test_window.h"

namespace {

using platform::Colour;
using platform::Rgb;
using platform::win32::Win32ListView;
using ui_test::ShownText;
using ui_test::ShownTick;

// The owner's rows.
struct Rows final : platform::ListRows {
    struct Row {
        std::vector<std::string> texts;
        bool ticked = false;
        std::optional<Colour> colour;
    };
    std::vector<Row> rows;
    std::string Text(int row, int column) const override {
        const auto& texts = rows.at(row - 1).texts;
        return column < static_cast<int>(texts.size()) ? texts[column] : std::string();
    }
    bool Ticked(int row) const override { return rows.at(row - 1).ticked; }
    void SetTicked(int row, bool on) override { rows.at(row - 1).ticked = on; }
    std::optional<Colour> TextColour(int row) const override { return rows.at(row - 1).colour; }
};

class UiListView : public ::testing::Test {
protected:
    // One shown window for the suite; each test gets a fresh list in it.
    static void SetUpTestSuite() { window = new ui_test::TestWindow(true, 640, 400); }
    static void TearDownTestSuite() {
        delete window;
        window = nullptr;
    }
    void SetUp() override {
        list = std::make_unique<Win32ListView>(window->Handle(), RECT{10, 10, 610, 350}, 101);
        for (const char* header : {"Error Type", "Root", "Key", "Value"}) list->AddColumn(header);
        list->SetRows(&rows);
    }
    int Add(const std::vector<std::string>& texts) {
        rows.rows.push_back({texts, false, {}});
        list->SetRowCount(static_cast<int>(rows.rows.size()));
        return list->RowCount();
    }
    void Clear() {
        rows.rows.clear();
        list->SetRowCount(0);
    }
    std::string Shown(int row, int column) const { return ShownText(list->Handle(), row, column); }
    std::vector<int> Widths() const {
        std::vector<int> widths;
        for (int c = 0; c < list->ColumnCount(); ++c) widths.push_back(list->ColumnWidth(c));
        return widths;
    }
    // What the control's own autosize makes of the same rows.
    std::vector<int> ControlAutosizeWidths() {
        for (int c = 0; c < list->ColumnCount(); ++c)
            ::SendMessageW(list->Handle(), LVM_SETCOLUMNWIDTH, c, LVSCW_AUTOSIZE);
        return Widths();
    }
    bool Visible(int row) const {
        const int top = static_cast<int>(::SendMessageW(list->Handle(), LVM_GETTOPINDEX, 0, 0)) + 1;
        const int page = static_cast<int>(::SendMessageW(list->Handle(), LVM_GETCOUNTPERPAGE, 0, 0));
        return row >= top && row < top + page;
    }

    static ui_test::TestWindow* window;
    Rows rows;
    std::unique_ptr<Win32ListView> list;
};

ui_test::TestWindow* UiListView::window = nullptr;

TEST_F(UiListView, ShowsTheRowsTextsAndTicksInTheirOrder) {
    const std::vector<std::vector<std::string>> texts = {
        {"VALUE VALUE", "HKEY_LOCAL_MACHINE", "SOFTWARE\\A\\", "C:\\A\\a.dll"},
        {"VALUE NAME", "HKEY_CURRENT_USER", "Software\\B\\C:\\B\\b.exe", "C:\\B\\b.exe"},
        {"VALUE VALUE", "HKEY_CLASSES_ROOT", "", ""},
    };
    for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(Add(texts[i]), static_cast<int>(i) + 1);
    ASSERT_EQ(::SendMessageW(list->Handle(), LVM_GETITEMCOUNT, 0, 0), 3);
    for (int r = 1; r <= 3; ++r) {
        for (int c = 0; c < 4; ++c) EXPECT_EQ(Shown(r, c), texts[r - 1][c]) << r << "," << c;
        EXPECT_FALSE(ShownTick(list->Handle(), r));
    }

    rows.rows[0].ticked = rows.rows[2].ticked = true;
    rows.rows[1].texts[0] = "Repaired";
    list->RowsChanged();
    EXPECT_TRUE(ShownTick(list->Handle(), 1));
    EXPECT_FALSE(ShownTick(list->Handle(), 2));
    EXPECT_TRUE(ShownTick(list->Handle(), 3));
    EXPECT_EQ(Shown(2, 0), "Repaired");
    EXPECT_EQ(Shown(2, 1), "HKEY_CURRENT_USER");

    // The control asks for nothing outside the rows.
    list->EnsureVisible(4);
    list->Select(4);
    EXPECT_EQ(list->Selected(), 0);
}

// A press on a row's tick box with the real mouse changes the row's own
// tick, and the list shows it; a press beside the box selects only.
TEST_F(UiListView, ATickClickedWithTheMouseChangesTheRow) {
    for (int i = 0; i < 3; ++i) Add({"VALUE VALUE", "HKEY_USERS", "k" + std::to_string(i), "v"});
    rows.rows[1].ticked = true;
    list->RowsChanged();
    ::SetForegroundWindow(window->Handle());
    ui_test::PumpFor(50);
    auto press = [&](int row, bool onBox) {
        RECT box{};
        box.left = onBox ? LVIR_ICON : LVIR_LABEL;  // the tick box lies left of the icon and label
        ::SendMessageW(list->Handle(), LVM_GETITEMRECT, row - 1, reinterpret_cast<LPARAM>(&box));
        RECT item{};
        item.left = LVIR_BOUNDS;
        ::SendMessageW(list->Handle(), LVM_GETITEMRECT, row - 1, reinterpret_cast<LPARAM>(&item));
        POINT at = onBox ? POINT{item.left + 8, (item.top + item.bottom) / 2}
                         : POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
        LVHITTESTINFO hit{};
        hit.pt = at;
        ::SendMessageW(list->Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        EXPECT_EQ(!!(hit.flags & LVHT_ONITEMSTATEICON), onBox) << "row " << row << " at " << at.x;
        ::ClientToScreen(list->Handle(), &at);
        ::SetCursorPos(at.x, at.y);
        INPUT input[2]{};
        input[0].type = input[1].type = INPUT_MOUSE;
        input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        ::SendInput(2, input, sizeof(INPUT));
        ui_test::PumpFor(100);  // apart: no double click
        ui_test::PumpUntil([] { return false; }, 500);
    };
    press(1, true);
    EXPECT_TRUE(rows.rows[0].ticked);
    EXPECT_TRUE(ShownTick(list->Handle(), 1));
    press(2, true);
    EXPECT_FALSE(rows.rows[1].ticked);
    EXPECT_FALSE(ShownTick(list->Handle(), 2));
    press(3, false);
    EXPECT_FALSE(rows.rows[2].ticked) << "a press on the text selects only";
    EXPECT_EQ(list->Selected(), 3);
    // The space bar ticks the focused row.
    INPUT keys[2]{};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_SPACE;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, keys, sizeof(INPUT));
    ui_test::PumpFor(100);
    EXPECT_TRUE(rows.rows[2].ticked);
    EXPECT_TRUE(rows.rows[0].ticked && !rows.rows[1].ticked) << "the others as they were";
}

TEST_F(UiListView, SelectionAndStartingAgain) {
    for (int i = 0; i < 4; ++i) Add({"VALUE VALUE", "HKEY_USERS", "k", "v"});
    EXPECT_EQ(list->Selected(), 0);
    list->Select(3);
    EXPECT_EQ(list->Selected(), 3);
    list->Select(2);  // single selection: the old one goes
    EXPECT_EQ(list->Selected(), 2);
    list->Select(0);
    EXPECT_EQ(list->Selected(), 0);

    list->Select(4);
    rows.rows[3].colour = Rgb(255, 0, 0);
    list->RowsChanged();
    Clear();
    EXPECT_EQ(list->RowCount(), 0);
    EXPECT_EQ(list->Selected(), 0);
    EXPECT_EQ(Add({"VALUE NAME"}), 1);
    EXPECT_EQ(Shown(1, 0), "VALUE NAME");
    EXPECT_EQ(Shown(1, 1), "");
}

TEST_F(UiListView, EnsureVisibleShowsTheLastRequestedRowWhenTheListIsNextDrawn) {
    // Drawing, and with it the scroll, may wait for a timer.
    auto shownSoon = [&](int row) { return ui_test::PumpUntil([&] { return Visible(row); }, 2000); };
    for (int i = 0; i < 300; ++i) {
        int row = Add({"VALUE VALUE", "HKEY_USERS", "k", "v"});
        list->EnsureVisible(row);
        if (row == 120) {
            EXPECT_TRUE(shownSoon(120));
        }
    }
    list->EnsureVisible(150);
    EXPECT_TRUE(shownSoon(150)) << "the later request wins";
    EXPECT_FALSE(Visible(300));

    list->EnsureVisible(300);
    Clear();  // a scroll still pending must not land on the new rows
    Add({"VALUE NAME", "HKEY_USERS", "k", "v"});
    EXPECT_TRUE(shownSoon(1));
}

// Drawing the list costs as much as a tenth of a second of the scan: rows
// that keep coming are drawn a few times a second, and the last of them
// shortly after they stop, or at once on Refresh, scrolled into view and in
// fitted columns, exactly as when the list is drawn after every row.
TEST_F(UiListView, DrawsRowsThatKeepComingAFewTimesASecondAndAllOfThemAfterAPause) {
    static int paints = 0;
    auto countPaints = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) -> LRESULT {
        paints += message == WM_PAINT;
        return ::DefSubclassProc(window, message, wParam, lParam);
    };
    ASSERT_TRUE(::SetWindowSubclass(list->Handle(), countPaints, 7, 0));
    ::UpdateWindow(window->Handle());
    ui_test::PumpFor(30);
    auto lastRowShown = [&] {
        const int top = static_cast<int>(::SendMessageW(list->Handle(), LVM_GETTOPINDEX, 0, 0));
        const int page = static_cast<int>(::SendMessageW(list->Handle(), LVM_GETCOUNTPERPAGE, 0, 0));
        RECT pending;
        return top + page == list->RowCount() && !::GetUpdateRect(list->Handle(), &pending, FALSE);
    };

    paints = 0;
    const ULONGLONG start = ::GetTickCount64();
    for (int added = 1; added <= 60; ++added) {
        const int row = Add({"VALUE VALUE", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Key" + std::string(added, 'k'),
                             "C:\\gone" + std::to_string(added) + ".dll"});
        list->EnsureVisible(row);
        list->AutoSizeColumns();
        platform::win32::PumpMessages();  // the messages handled after every row
    }
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    EXPECT_LE(paints, static_cast<int>(elapsed / Win32ListView::kRedrawIntervalMs) + 2) << elapsed << " ms";
    EXPECT_TRUE(ui_test::PumpUntil(lastRowShown, 1000)) << "the last rows are drawn when they stop coming";
    EXPECT_EQ(Widths(), ControlAutosizeWidths());

    Add({"VALUE NAME", "HKEY_USERS", "Software\\The last row of all, wider than any before it", "C:\\x.exe"});
    list->EnsureVisible(list->RowCount());
    list->AutoSizeColumns();
    const int before = paints;
    list->Refresh();
    EXPECT_GT(paints, before);
    EXPECT_TRUE(lastRowShown()) << "drawn at once";
    EXPECT_EQ(Widths(), ControlAutosizeWidths());
    ::RemoveWindowSubclass(list->Handle(), countPaints, 7);
}

// Counts and positions are not 16-bit: a scan can list more than 32,767
// findings, and every one of them shows and scrolls into view.
TEST_F(UiListView, TensOfThousandsOfRowsShowAndScroll) {
    const int total = 32768 + 100;
    for (int i = 1; i <= total; ++i) {
        rows.rows.push_back({{i == total ? "last" : "VALUE VALUE", "HKEY_USERS", "k" + std::to_string(i), "v"}, false, {}});
        list->SetRowCount(i);
    }
    EXPECT_EQ(list->RowCount(), total);
    rows.rows.back().ticked = true;
    list->RowsChanged();
    list->Select(total);
    for (int row : {10000, total, 1}) {
        list->EnsureVisible(row);
        platform::win32::Win32UiServices().DoEvents();
        EXPECT_TRUE(ui_test::PumpUntil([&] { return Visible(row); }, 2000)) << row;
    }
    EXPECT_EQ(Shown(10000, 2), "k10000");
    EXPECT_EQ(Shown(total, 0), "last");
    EXPECT_TRUE(ShownTick(list->Handle(), total));
    EXPECT_FALSE(ShownTick(list->Handle(), total - 1));
    EXPECT_EQ(list->Selected(), total);
}

// The colour must reach the screen, through the parent's notifications.
TEST_F(UiListView, RowColourIsDrawnOnTheMainTextOnly) {
    const Colour red = Rgb(255, 0, 0), green = Rgb(0, 160, 0);
    Add({"Repaired", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Red\\", "C:\\red.dll"});
    Add({"VALUE VALUE", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Plain\\", "C:\\plain.dll"});
    Add({"Repaired", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Green\\", "C:\\green.dll"});
    rows.rows[0].colour = red;
    rows.rows[2].colour = green;
    list->RowsChanged();
    list->AutoSizeColumns();

    ::RedrawWindow(list->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ui_test::PumpFor(50);

    HDC dc = ::GetDC(list->Handle());
    auto countColour = [&](int row, int column, COLORREF colour) {
        RECT r{};
        r.top = column;
        r.left = LVIR_LABEL;
        ::SendMessageW(list->Handle(), LVM_GETSUBITEMRECT, row - 1, reinterpret_cast<LPARAM>(&r));
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += ::GetPixel(dc, x, y) == colour;
        return n;
    };
    EXPECT_GT(countColour(1, 0, red), 0);
    EXPECT_EQ(countColour(1, 1, red), 0);
    EXPECT_EQ(countColour(1, 3, red), 0);
    EXPECT_EQ(countColour(2, 0, red), 0);
    EXPECT_GT(countColour(3, 0, green), 0);
    EXPECT_EQ(countColour(3, 2, green), 0);
    ::ReleaseDC(list->Handle(), dc);
}

// The widths kept must give exactly what the control's own autosize gives,
// after every kind of change, one fit per change as the scan does it.
TEST_F(UiListView, IncrementalFittingMatchesTheControlsAutosize) {
    const std::string longData(400, 'W');  // beyond what the control shows
    std::string atLimit(259, 'm'), pastLimit = atLimit + "MMMM";
    auto set = [&](int row, int column, const std::string& text) {
        rows.rows[row - 1].texts[column] = text;
        list->RowsChanged();
    };
    struct Step {
        const char* what;
        std::function<void()> apply;
    };
    const std::vector<Step> steps = {
        {"first row", [&] { Add({"VALUE VALUE", "HKEY_USERS", "S\\", "C:\\a.dll"}); }},
        {"wider row", [&] { Add({"VALUE NAME", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Classes\\CLSID\\{0A1B2C3D-0000-1111-2222-333344445555}\\InprocServer32\\", "C:\\Program Files\\Foo\\bar.dll"}); }},
        {"narrower row", [&] { Add({"VALUE VALUE", "HKEY_USERS", "S\\x", "C:\\b.ocx"}); }},
        {"empty texts", [&] { Add({"", "", "", ""}); }},
        {"long data", [&] { Add({"VALUE VALUE", "HKEY_CURRENT_USER", "Software\\Big\\", longData}); }},
        {"texts at and past the shown length", [&] { Add({"VALUE VALUE", "HKEY_USERS", atLimit, pastLimit}); }},
        {"widest main text shrinks", [&] { set(2, 0, "Repaired"); }},
        {"widest key shrinks to a tie", [&] { set(6, 2, "S\\"); set(2, 2, "S\\"); }},
        {"widest value cleared", [&] { set(5, 3, ""); set(6, 3, ""); }},
        {"text grows again", [&] { set(3, 1, "HKEY_CURRENT_CONFIG and more"); }},
        {"clear", [&] { Clear(); }},
        {"small rows after clear", [&] { Add({"KEY", "HKEY_USERS", "a", "b"}); Add({"VALUE", "HKCU", "ab", "c"}); }},
        {"font change", [&] { list->SetFont(static_cast<HFONT>(::GetStockObject(SYSTEM_FONT))); }},
        {"row after font change", [&] { Add({"VALUE VALUE", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Wide\\Key\\", "C:\\w.sys"}); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.apply();
        list->AutoSizeColumns();
        std::vector<int> fitted = Widths();
        EXPECT_EQ(fitted, ControlAutosizeWidths());
    }
}

TEST(UiListViewLifetime, ParentMayGoFirstAndTheListObjectOutlivesItsWindow) {
    auto window = std::make_unique<ui_test::TestWindow>();
    Rows rows;
    rows.rows.push_back({{"VALUE VALUE"}, false, {}});
    Win32ListView list(window->Handle(), RECT{0, 0, 200, 100});
    list.AddColumn("Error Type");
    list.SetRows(&rows);
    list.SetRowCount(1);
    window.reset();
    EXPECT_EQ(list.Handle(), nullptr);
    list.SetRowCount(2);  // nothing to tell any more
    list.RowsChanged();
    list.AutoSizeColumns();
    list.Refresh();
}

// Lists sharing a parent: the parent hands each list's notifications to that
// list's own object, whichever list goes first; after both, the parent's own
// handling gets them.
TEST(UiListViewLifetime, ReflectionReachesTheOwningListWhenListsShareAParentAndLeaveInAnyOrder) {
    ui_test::TestWindow window;
    int reachedParent = 0;
    window.onMessage = [&](UINT message, WPARAM, LPARAM) {
        reachedParent += message == WM_NOTIFY;
        return false;
    };
    const auto prepaint = [&](HWND from) {
        NMLVCUSTOMDRAW draw{};
        draw.nmcd.hdr = NMHDR{from, 0, static_cast<UINT>(NM_CUSTOMDRAW)};
        draw.nmcd.dwDrawStage = CDDS_PREPAINT;
        return ::SendMessageW(window.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&draw));
    };
    for (bool firstGoesFirst : {true, false}) {
        Rows plain, coloured;
        plain.rows.push_back({{"VALUE VALUE", "a"}, false, {}});
        coloured.rows.push_back({{"Repaired", "b"}, true, platform::Rgb(255, 0, 0)});
        auto first = std::make_unique<Win32ListView>(window.Handle(), RECT{0, 0, 200, 100});
        auto second = std::make_unique<Win32ListView>(window.Handle(), RECT{0, 100, 200, 200});
        for (auto [list, rows] : {std::pair{first.get(), &plain}, std::pair{second.get(), &coloured}}) {
            list->AddColumn("Error Type");
            list->AddColumn("Root");
            list->SetRows(rows);
            list->SetRowCount(1);
            list->RowsChanged();
        }
        EXPECT_EQ(ShownText(first->Handle(), 1, 1), "a");
        EXPECT_EQ(ShownText(second->Handle(), 1, 1), "b");
        EXPECT_EQ(prepaint(first->Handle()), CDRF_DODEFAULT);
        EXPECT_EQ(prepaint(second->Handle()), CDRF_NOTIFYITEMDRAW);
        reachedParent = 0;
        HWND staying = firstGoesFirst ? second->Handle() : first->Handle();
        HWND gone = firstGoesFirst ? first->Handle() : second->Handle();
        (firstGoesFirst ? first : second).reset();
        EXPECT_EQ(ShownText(staying, 1, 1), firstGoesFirst ? "b" : "a");
        EXPECT_EQ(prepaint(staying), firstGoesFirst ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT);
        EXPECT_EQ(reachedParent, 0) << "answered by the list that stays";
        prepaint(gone);
        EXPECT_EQ(reachedParent, 1) << "a list gone is nobody's: the parent's own handling";
        (firstGoesFirst ? second : first).reset();
        prepaint(staying);
        EXPECT_EQ(reachedParent, 2);
    }
}

}  // namespace
