// The results list on the real common controls list view, in a shown window.
#include "platform/win32/Win32ListView.h"
#include "platform/win32/Win32Ui.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui_test_window.h"

namespace {

using platform::Colour;
using platform::Rgb;
using platform::win32::Win32ListView;

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
    }
    int Add(const std::vector<std::string>& texts) {
        int row = list->AddRow(texts[0]);
        for (size_t c = 1; c < texts.size(); ++c) list->SetText(row, static_cast<int>(c), texts[c]);
        return row;
    }
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

    static ui_test::TestWindow* window;
    std::unique_ptr<Win32ListView> list;
};

ui_test::TestWindow* UiListView::window = nullptr;

TEST_F(UiListView, RowsKeepInsertionOrderTextsAndTicks) {
    const std::vector<std::vector<std::string>> rows = {
        {"VALUE VALUE", "HKEY_LOCAL_MACHINE", "SOFTWARE\\A\\", "C:\\A\\a.dll"},
        {"VALUE NAME", "HKEY_CURRENT_USER", "Software\\B\\C:\\B\\b.exe", "C:\\B\\b.exe"},
        {"VALUE VALUE", "HKEY_CLASSES_ROOT", "", ""},
    };
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(Add(rows[i]), static_cast<int>(i) + 1);

    ASSERT_EQ(list->RowCount(), 3);
    for (int r = 1; r <= 3; ++r) {
        for (int c = 0; c < 4; ++c) EXPECT_EQ(list->Text(r, c), rows[r - 1][c]) << r << "," << c;
        EXPECT_FALSE(list->Checked(r)) << "a new row is unticked";
    }

    list->SetChecked(1, true);
    list->SetChecked(3, true);
    list->SetChecked(3, false);
    list->SetChecked(2, true);
    EXPECT_TRUE(list->Checked(1));
    EXPECT_TRUE(list->Checked(2));
    EXPECT_FALSE(list->Checked(3));

    list->SetText(2, 0, "Repaired");
    EXPECT_EQ(list->Text(2, 0), "Repaired");
    EXPECT_EQ(list->Text(2, 1), "HKEY_CURRENT_USER");

    // Positions outside the list are ignored, not passed to the control as
    // other rows.
    for (int row : {0, -1, 4}) {
        list->SetText(row, 0, "x");
        list->SetChecked(row, true);
        EXPECT_EQ(list->Text(row, 0), "");
        EXPECT_FALSE(list->Checked(row));
    }
    EXPECT_EQ(list->Text(1, 4), "");
    EXPECT_EQ(list->RowCount(), 3);
}

TEST_F(UiListView, TextsLongerThanTheControlShowsComeBackWhole) {
    // Registry data can run to thousands of characters.
    std::string data(3000, 'x');
    for (size_t i = 0; i < data.size(); i += 7) data[i] = static_cast<char>('A' + i % 26);
    int row = Add({"VALUE VALUE", "HKEY_USERS", "Software\\Long\\", data});
    EXPECT_EQ(list->Text(row, 3), data);
    for (size_t length : {510u, 511u, 512u}) {  // around the first buffer size
        std::string text(length, 'q');
        list->SetText(row, 2, text);
        EXPECT_EQ(list->Text(row, 2), text);
    }
}

TEST_F(UiListView, SelectionAndClear) {
    for (int i = 0; i < 4; ++i) Add({"VALUE VALUE", "HKEY_USERS", "k", "v"});
    EXPECT_EQ(list->Selected(), 0);
    list->Select(3);
    EXPECT_EQ(list->Selected(), 3);
    list->Select(2);  // single selection: the old one goes
    EXPECT_EQ(list->Selected(), 2);
    list->Select(0);
    EXPECT_EQ(list->Selected(), 0);

    list->Select(4);
    list->SetTextColour(4, Rgb(255, 0, 0));
    list->Clear();
    EXPECT_EQ(list->RowCount(), 0);
    EXPECT_EQ(list->Selected(), 0);
    EXPECT_EQ(list->AddRow("VALUE NAME"), 1);
    EXPECT_EQ(list->Text(1, 0), "VALUE NAME");
    EXPECT_EQ(list->Text(1, 1), "");
    EXPECT_FALSE(list->Checked(1));
    EXPECT_EQ(list->TextColour(1), list->TextColour(0)) << "no colour left over from before Clear";
}

TEST_F(UiListView, EnsureVisibleShowsTheLastRequestedRowWhenTheListIsNextDrawn) {
    auto visible = [&](int row) {
        int top = static_cast<int>(::SendMessageW(list->Handle(), LVM_GETTOPINDEX, 0, 0)) + 1;
        int page = static_cast<int>(::SendMessageW(list->Handle(), LVM_GETCOUNTPERPAGE, 0, 0));
        return row >= top && row < top + page;
    };
    // Drawing, and with it the scroll, may wait for a timer.
    auto shownSoon = [&](int row) { return ui_test::PumpUntil([&] { return visible(row); }, 2000); };
    for (int i = 0; i < 300; ++i) {
        int row = Add({"VALUE VALUE", "HKEY_USERS", "k", "v"});
        list->EnsureVisible(row);
        if (row == 120) {
            EXPECT_TRUE(shownSoon(120));
        }
    }
    list->EnsureVisible(150);
    EXPECT_TRUE(shownSoon(150)) << "the later request wins";
    EXPECT_FALSE(visible(300));

    list->EnsureVisible(300);
    list->Clear();  // a scroll still pending must not land on the new rows
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
// findings.
TEST_F(UiListView, HoldsMoreRowsThanASixteenBitCount) {
    const int total = 32768 + 100;
    ::SendMessageW(list->Handle(), WM_SETREDRAW, FALSE, 0);
    int last = 0;
    for (int i = 1; i <= total; ++i) last = list->AddRow(i == total ? "last" : "VALUE VALUE");
    ::SendMessageW(list->Handle(), WM_SETREDRAW, TRUE, 0);
    EXPECT_EQ(last, total);
    EXPECT_EQ(list->RowCount(), total);
    list->SetText(total, 3, "C:\\x.dll");
    list->SetChecked(total, true);
    list->Select(total);
    list->EnsureVisible(total);
    platform::win32::Win32UiServices().DoEvents();
    EXPECT_EQ(::SendMessageW(list->Handle(), LVM_GETTOPINDEX, 0, 0) +
                  ::SendMessageW(list->Handle(), LVM_GETCOUNTPERPAGE, 0, 0),
              total);
    EXPECT_EQ(list->Text(total, 0), "last");
    EXPECT_EQ(list->Text(total, 3), "C:\\x.dll");
    EXPECT_TRUE(list->Checked(total));
    EXPECT_FALSE(list->Checked(total - 1));
    EXPECT_EQ(list->Selected(), total);
}

// The colour must reach the screen, which needs the parent's WM_NOTIFY; the
// host window here knows nothing about custom draw.
TEST_F(UiListView, RowColourIsDrawnOnTheMainTextOnly) {
    const Colour red = Rgb(255, 0, 0), green = Rgb(0, 160, 0);
    Add({"Repaired", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Red\\", "C:\\red.dll"});
    Add({"VALUE VALUE", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Plain\\", "C:\\plain.dll"});
    Add({"Repaired", "HKEY_LOCAL_MACHINE", "SOFTWARE\\Green\\", "C:\\green.dll"});
    EXPECT_EQ(list->TextColour(1), ::GetSysColor(COLOR_WINDOWTEXT));
    list->SetTextColour(1, red);
    list->SetTextColour(3, green);
    EXPECT_EQ(list->TextColour(1), red);
    EXPECT_EQ(list->TextColour(2), ::GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(list->TextColour(3), green);
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

// The kept widths must give exactly what the control's own autosize gives,
// after every kind of change, one fit per change as the scan does it.
TEST_F(UiListView, IncrementalFittingMatchesTheControlsAutosize) {
    const std::string longData(400, 'W');  // beyond what the control shows
    std::string atLimit(259, 'm'), pastLimit = atLimit + "MMMM";
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
        {"widest main text shrinks", [&] { list->SetText(2, 0, "Repaired"); }},
        {"widest key shrinks to a tie", [&] { list->SetText(6, 2, "S\\"); list->SetText(2, 2, "S\\"); }},
        {"widest value cleared", [&] { list->SetText(5, 3, ""); list->SetText(6, 3, ""); }},
        {"text grows again", [&] { list->SetText(3, 1, "HKEY_CURRENT_CONFIG and more"); }},
        {"clear", [&] { list->Clear(); }},
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

TEST(UiListViewLifetime, ParentMayGoFirstAndTheSubclassGoesWithTheList) {
    {
        auto window = std::make_unique<ui_test::TestWindow>();
        Win32ListView list(window->Handle(), RECT{0, 0, 200, 100});
        list.AddColumn("Error Type");
        list.AddRow("VALUE VALUE");
        window.reset();  // the list object outlives its window
        EXPECT_EQ(list.Handle(), nullptr);
        EXPECT_EQ(list.RowCount(), 0);
    }
    ui_test::TestWindow window;
    int notifies = 0;
    window.OnMessage = [&](UINT message, WPARAM, LPARAM) {
        notifies += message == WM_NOTIFY;
        return false;
    };
    HWND listWindow;
    {
        Win32ListView list(window.Handle(), RECT{0, 0, 200, 100});
        listWindow = list.Handle();
        list.AddColumn("Error Type");
        list.AddRow("VALUE VALUE");
        ui_test::PumpFor(30);
    }
    EXPECT_FALSE(::IsWindow(listWindow));
    NMHDR header{listWindow, 0, static_cast<UINT>(NM_CUSTOMDRAW)};
    NMLVCUSTOMDRAW draw{};
    draw.nmcd.hdr = header;
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    notifies = 0;
    ::SendMessageW(window.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&draw));
    EXPECT_EQ(notifies, 1) << "the parent's own procedure gets its notifications back";
}

// Lists sharing a parent: each answers the drawing notifications of its own
// window, whichever goes first, and the last one gone gives the parent its
// own procedure back.
TEST(UiListViewLifetime, ListsSharingAParentEachDrawTheirOwnColoursAndLeaveInAnyOrder) {
    ui_test::TestWindow window;
    const LONG_PTR ownProcedure = ::GetWindowLongPtrW(window.Handle(), GWLP_WNDPROC);
    const auto prepaint = [&](HWND from) {
        NMLVCUSTOMDRAW draw{};
        draw.nmcd.hdr = NMHDR{from, 0, static_cast<UINT>(NM_CUSTOMDRAW)};
        draw.nmcd.dwDrawStage = CDDS_PREPAINT;
        return ::SendMessageW(window.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&draw));
    };
    for (bool firstGoesFirst : {true, false}) {
        auto first = std::make_unique<Win32ListView>(window.Handle(), RECT{0, 0, 200, 100});
        auto second = std::make_unique<Win32ListView>(window.Handle(), RECT{0, 100, 200, 200});
        for (Win32ListView* list : {first.get(), second.get()}) {
            list->AddColumn("Error Type");
            list->AddRow("VALUE VALUE");
        }
        second->SetTextColour(1, platform::Rgb(255, 0, 0));
        EXPECT_EQ(prepaint(first->Handle()), CDRF_DODEFAULT);
        EXPECT_EQ(prepaint(second->Handle()), CDRF_NOTIFYITEMDRAW);
        HWND staying = firstGoesFirst ? second->Handle() : first->Handle();
        (firstGoesFirst ? first : second).reset();
        EXPECT_EQ(prepaint(staying), firstGoesFirst ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT);
        (firstGoesFirst ? second : first).reset();
        EXPECT_EQ(::GetWindowLongPtrW(window.Handle(), GWLP_WNDPROC), ownProcedure);
    }
}

}  // namespace
