#include "platform/win32/Win32ListView.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "platform/win32/Contrast.h"
#include "platform/win32/WideText.h"

namespace platform::win32 {

namespace {

constexpr int kInitialColumnWidth = 96;
constexpr size_t kShownUnits = 259;  // of a cell's text, as the control asks for it
constexpr UINT_PTR kRedrawTimerId = 0x5648;  // on the list window, apart from the control's own timers
// Drawing the held rows takes at most about this share of a long run's time
// (one part in a hundred), and happens at least once a second.
constexpr double kRedrawCostShare = 100;
constexpr double kMaxRedrawIntervalMs = 1000;

UINT CatchUpMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"VarnholtListViewCatchUp");
    return message;
}

constexpr UINT StateImage(bool ticked) { return INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1); }

}  // namespace

Win32ListView::Win32ListView(HWND parent, const RECT& bounds, int controlId, bool tickBoxes) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    const HWND list = ::CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA,
        bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), ::GetModuleHandleW(nullptr), nullptr);
    if (!list) ThrowLastError("CreateWindowEx (list view)");
    const DWORD ex = (tickBoxes ? LVS_EX_CHECKBOXES : 0) | LVS_EX_FULLROWSELECT;
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    // The ticks are the rows' own: the control asks for them as it draws.
    ::SendMessageW(list, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    Adopt(list);
    // The list's own procedure is replaced the classic way, not with
    // SetWindowSubclass: Wine's version of that looks up a window property
    // on every message, each a round trip to its server, and a scan sends
    // the list thousands of messages.
    listProc_ = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListProc)));
    if (!listProc_) {
        const DWORD error = ::GetLastError();
        Forget();
        ::DestroyWindow(list);
        ::SetLastError(error);
        ThrowLastError("SetWindowLongPtr (list view)");
    }
    measureDc_ = ::CreateCompatibleDC(nullptr);
}

Win32ListView::~Win32ListView() {
    // Destroyed here, while the list's procedure still finds all of this
    // object (a scroll still posted goes with the window).
    if (Handle()) ::DestroyWindow(Handle());
    if (measureDc_) ::DeleteDC(measureDc_);
}

void Win32ListView::SetFont(HFONT font) {
    ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    // Measured again at the next fitting; margins may scale with the font.
    measured_ = 0;
    for (Column& column : columns_) column = Column{};
}

void Win32ListView::AddColumn(const std::string& header) {
    std::wstring wide = Wide(header);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.cx = kInitialColumnWidth;
    column.pszText = wide.data();
    column.iSubItem = ColumnCount();
    if (::SendMessageW(Handle(), LVM_INSERTCOLUMNW, static_cast<WPARAM>(ColumnCount()),
                       reinterpret_cast<LPARAM>(&column)) < 0)
        return;
    columns_.emplace_back();
    measured_ = 0;
}

void Win32ListView::SetRows(ListRows* rows) {
    rows_ = rows;
    SetRowCount(0);
}

void Win32ListView::SetRowCount(int count) {
    if (!Handle() || count == count_) return;
    if (count < count_) {
        // Starting again: nothing kept of the rows before.
        count_ = 0;
        ::SendMessageW(Handle(), LVM_SETITEMCOUNT, 0, 0);
        coloured_ = false;
        pendingVisible_ = 0;
        measured_ = 0;
        for (Column& column : columns_) column.widest = 0;
        if (count == 0) return;
    }
    if (!redrawHeld_) {
        // A shown list repaints its scroll bar and rows on every new row;
        // while the scan adds rows that costs more than all the rest. Held
        // before the row comes, or the new row alone asks for a paint.
        ::SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
        redrawHeld_ = true;
        CatchUpLater();
    }
    count_ = count;
    ::SendMessageW(Handle(), LVM_SETITEMCOUNT, static_cast<WPARAM>(count),
                   LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void Win32ListView::RowsChanged() {
    if (!Handle()) return;
    coloured_ = false;
    for (int row = 1; rows_ && row <= count_ && !coloured_; ++row) coloured_ = rows_->TextColour(row).has_value();
    measured_ = 0;  // texts may have changed: the next fitting measures again
    for (Column& column : columns_) column.widest = 0;
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

void Win32ListView::EnsureVisible(int row) {
    if (!ValidRow(row)) return;
    pendingVisible_ = row;
    CatchUpLater();
}

void Win32ListView::CatchUpLater() {
    if (!catchUpPosted_) catchUpPosted_ = ::PostMessageW(Handle(), CatchUpMessage(), 0, 0) != FALSE;
    // Without a message queue to carry it, catch up now rather than never.
    if (!catchUpPosted_) CatchUp(true);
}

// The held-over work, in the order the user must see it: the rows drawn,
// then the requested row scrolled into view (while the redraw is held the
// control does not follow its own scroll range, so the scroll waits too).
// A scan adds rows between its yields, and drawing a shown list costs as
// much as a good part of the scan's work (10 to 20 ms under Wine): rows that
// keep coming are drawn at most every kRedrawIntervalMs, and when drawing
// is dear, less often, but at least once a second; a timer draws the last
// of them when they stop coming.
void Win32ListView::CatchUp(bool redrawNow) {
    const HWND list = Handle();
    const bool redraw = redrawHeld_;
    if (redraw) {
        const double since = Milliseconds() - lastRedraw_;
        if (!redrawNow && since < redrawInterval_) {
            if (!redrawTimerSet_)
                redrawTimerSet_ =
                    ::SetTimer(list, kRedrawTimerId, static_cast<UINT>(redrawInterval_ - since) + 1, nullptr) != 0;
            if (redrawTimerSet_) return;
        }
        if (redrawTimerSet_) {
            ::KillTimer(list, kRedrawTimerId);
            redrawTimerSet_ = false;
        }
        redrawHeld_ = false;
        lastRedraw_ = Milliseconds();
        ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        // Turning redraw back on does not repaint by itself on every version.
        ::InvalidateRect(list, nullptr, TRUE);
    }
    int row = pendingVisible_;
    pendingVisible_ = 0;
    if (ValidRow(row)) ::SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row - 1), FALSE);
    // Rows came to a list the keyboard is already on (the scan window's,
    // which has the focus from the start).
    if (::GetFocus() == list) MarkFirstRowIfNone();
    if (redraw) {
        redrawCost_ = Milliseconds() - lastRedraw_;
        measuringPaint_ = true;  // the paint that follows is part of it
    }
}

// The drawing's cost decides when the list may be drawn so again.
LRESULT Win32ListView::MeasuredPaint(HWND window, WPARAM wParam, LPARAM lParam) {
    const double start = Milliseconds();
    const LRESULT result = ::CallWindowProcW(listProc_, window, WM_PAINT, wParam, lParam);
    measuringPaint_ = false;
    redrawCost_ += Milliseconds() - start;
    redrawInterval_ = std::clamp(redrawCost_ * kRedrawCostShare, kRedrawIntervalMs, kMaxRedrawIntervalMs);
    return result;
}

// The end of a scan, Stop and the repair show the list as it is, at once.
void Win32ListView::Refresh() {
    if (!Handle()) return;
    CatchUp(true);
    ::UpdateWindow(Handle());
}

int Win32ListView::Selected() const {
    const int index = static_cast<int>(::SendMessageW(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return index < 0 ? 0 : index + 1;
}

void Win32ListView::Select(int row) {
    LVITEMW item{};
    if (row == 0) {
        // Index -1 addresses every row.
        item.stateMask = LVIS_SELECTED;
        ::SendMessageW(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
        return;
    }
    if (!ValidRow(row)) return;
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(row - 1), reinterpret_cast<LPARAM>(&item));
}

int Win32ListView::ColumnWidth(int column) const {
    return static_cast<int>(::SendMessageW(Handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

// The control's own autosize asks for and measures every row of the column,
// and the scan fits the columns after every finding it adds: tens of
// thousands of rows would make the scan quadratic. Rows come only at the
// end, so only the rows added since the last fitting are measured, and the
// widest text kept; after a change of texts all are measured once again.
void Win32ListView::AutoSizeColumns() {
    if (!Handle()) return;
    if (rows_ && measured_ < count_) {
        // Measured as the control measures (GetTextExtentPoint32 in the list's
        // font), but in a memory DC kept for it, the font selected once for
        // all the new texts: LVM_GETSTRINGWIDTH gets and releases a window DC
        // each time, under Wine two round trips to its server.
        const auto font = reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0));
        // Selected only while measuring: the font's owner may delete it.
        const HGDIOBJ old = measureDc_ && font ? ::SelectObject(measureDc_, font) : nullptr;
        for (int row = measured_ + 1; row <= count_; ++row)
            for (int c = 0; c < ColumnCount(); ++c) {
                int& widest = columns_[static_cast<size_t>(c)].widest;
                widest = std::max(widest, MeasureText(rows_->Text(row, c), old != nullptr));
            }
        if (old) ::SelectObject(measureDc_, old);
    }
    measured_ = count_;
    for (int c = 0; c < ColumnCount(); ++c) {
        Column& column = columns_[static_cast<size_t>(c)];
        if (!column.padding && count_ > 0) {
            // The space the control adds around the text (margins, and in the
            // first column the tick box) differs between versions of the
            // control and with the density: learn it once per font from its
            // own autosize over rows it is told are empty. Over the real rows
            // the answer would depend on which rows it measures: Wine's
            // measures them all, Windows' only those in view in a list of
            // owner data, so that after a move to another screen (a new font)
            // with the widest text out of view the margins came out short and
            // the columns, the last above all, cut their texts.
            measuringMargins_ = true;
            ::SendMessageW(Handle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), LVSCW_AUTOSIZE);
            measuringMargins_ = false;
            column.padding = ColumnWidth(c);
        }
        if (!column.padding) {
            ::SendMessageW(Handle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), LVSCW_AUTOSIZE);
            continue;
        }
        const int wanted = column.widest + *column.padding;
        if (ColumnWidth(c) != wanted) ::SendMessageW(Handle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), wanted);
    }
    // A changed width invalidates the list; the repaint itself comes with the
    // next turn of the message loop rather than once per added row.
}

// The control asks the rows for at most the characters it shows (259), up
// to a NUL, and its autosize measures those: so do we.
int Win32ListView::MeasureText(const std::string& text, bool fontSelected) const {
    if (text.empty()) return 0;
    const std::u16string units = Utf8ToUtf16(text);
    const auto* wide = reinterpret_cast<const wchar_t*>(units.c_str());
    const int length = static_cast<int>(std::min(std::wcslen(wide), kShownUnits));
    SIZE size{};
    if (fontSelected && ::GetTextExtentPoint32W(measureDc_, wide, length, &size)) return size.cx;
    const std::wstring shown(wide, static_cast<size_t>(length));
    return static_cast<int>(::SendMessageW(Handle(), LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(shown.c_str())));
}

Colour Win32ListView::DefaultTextColour() const {
    auto colour = static_cast<COLORREF>(::SendMessageW(Handle(), LVM_GETTEXTCOLOR, 0, 0));
    return colour == CLR_DEFAULT ? ::GetSysColor(COLOR_WINDOWTEXT) : colour;
}

void Win32ListView::OnGetDispInfo(NMLVDISPINFOW& info) const {
    LVITEMW& item = info.item;
    const int row = item.iItem + 1;
    if (!rows_ || !ValidRow(row)) return;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const std::wstring text = measuringMargins_ ? std::wstring() : Wide(rows_->Text(row, item.iSubItem));
        const size_t length = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
        std::wmemcpy(item.pszText, text.data(), length);
        item.pszText[length] = L'\0';
    }
    if ((item.mask & LVIF_STATE) && item.iSubItem == 0) {
        item.state = (item.state & ~LVIS_STATEIMAGEMASK) | StateImage(rows_->Ticked(row));
        item.stateMask |= LVIS_STATEIMAGEMASK;
    }
}

LRESULT Win32ListView::OnCustomDraw(NMLVCUSTOMDRAW& draw) const {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        // Asked about every column of every row, the notifications double
        // the cost of drawing the list: only when a row has a colour. A
        // high-contrast theme has the system's colours alone.
        return coloured_ && !HighContrast() ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        // A row's colour is the colour of its main text; the other columns
        // keep the list's own colour, set explicitly because the control may
        // carry a colour over from the previous column.
        const int row = static_cast<int>(draw.nmcd.dwItemSpec) + 1;
        std::optional<Colour> colour;
        if (draw.iSubItem == 0 && rows_ && ValidRow(row)) colour = rows_->TextColour(row);
        draw.clrText = colour.value_or(DefaultTextColour());
        return CDRF_NEWFONT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

std::optional<LRESULT> Win32ListView::OnReflected(UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_NOTIFY) return std::nullopt;
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    switch (header->code) {
    case LVN_GETDISPINFOW:
        OnGetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
        return 0;
    case NM_CUSTOMDRAW:
        return OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
    default:
        return std::nullopt;
    }
}

void Win32ListView::ToggleTick(int row) {
    if (!rows_ || !ValidRow(row)) return;
    rows_->SetTicked(row, !rows_->Ticked(row));
    ::SendMessageW(Handle(), LVM_REDRAWITEMS, static_cast<WPARAM>(row - 1), row - 1);
}

// The control keeps no ticks of owner data: a press on a tick box, or the
// space bar, changes the row's own tick here, before the control sees the
// input (whatever it does with it then changes nothing).
// The row's menu, at the pointer for a right-click, below the selected row
// for the keyboard (the system gives no point then: -1, -1).
void Win32ListView::ShowContextMenu(HWND window, LPARAM at) {
    if (!rows_) return;
    POINT point{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    int row = 0;
    if (point.x == -1 && point.y == -1) {
        row = static_cast<int>(::SendMessageW(window, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)) + 1;
        RECT bounds{LVIR_LABEL, 0, 0, 0};
        if (row < 1 || !::SendMessageW(window, LVM_GETITEMRECT, row - 1, reinterpret_cast<LPARAM>(&bounds))) return;
        point = {bounds.left, bounds.bottom};
        ::ClientToScreen(window, &point);
    } else {
        LVHITTESTINFO hit{};
        hit.pt = point;
        ::ScreenToClient(window, &hit.pt);
        row = static_cast<int>(::SendMessageW(window, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit))) + 1;
        if (row < 1 || !(hit.flags & LVHT_ONITEM)) return;
        Select(row);
    }
    if (!ValidRow(row)) return;
    const std::vector<std::string> items = rows_->MenuItems(row);
    if (items.empty()) return;
    HMENU menu = ::CreatePopupMenu();
    if (!menu) return;
    for (std::size_t i = 0; i < items.size(); ++i)
        ::AppendMenuW(menu, MF_STRING, i + 1, Wide(items[i]).c_str());
    const int chosen = static_cast<int>(
        ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN, point.x, point.y, 0, window, nullptr));
    ::DestroyMenu(menu);
    if (chosen > 0 && ValidRow(row)) rows_->MenuChosen(row, chosen);
}

LRESULT Win32ListView::OnListMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == CatchUpMessage()) {
        catchUpPosted_ = false;
        CatchUp(false);
        return 0;
    }
    switch (message) {
    case WM_TIMER:
        if (wParam != kRedrawTimerId) break;
        ::KillTimer(window, kRedrawTimerId);  // it would tick again
        redrawTimerSet_ = false;
        CatchUp(true);
        return 0;
    case WM_PAINT:
        // A paint that came before our message (someone forced an update)
        // shows the right rows already.
        if (pendingVisible_ || redrawHeld_) CatchUp(true);
        if (measuringPaint_) return MeasuredPaint(window, wParam, lParam);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        LVHITTESTINFO hit{};
        hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const int index = static_cast<int>(::SendMessageW(window, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (index >= 0 && (hit.flags & LVHT_ONITEMSTATEICON)) ToggleTick(index + 1);
        break;
    }
    case WM_SETFOCUS: {
        // The keyboard arrives on a row, so that the user (and a screen
        // reader, told of the row's focus by the control) knows where it
        // is; no row is selected or ticked by it.
        const LRESULT result = ::CallWindowProcW(listProc_, window, message, wParam, lParam);
        MarkFirstRowIfNone();
        return result;
    }
    case WM_CONTEXTMENU:
        ShowContextMenu(window, lParam);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE)
            ToggleTick(static_cast<int>(::SendMessageW(window, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)) + 1);
        break;
    case WM_NCDESTROY: {
        // Gone with its parent, or destroyed by this object.
        const WNDPROC original = listProc_;
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        Forget();
        return ::CallWindowProcW(original, window, message, wParam, lParam);
    }
    default:
        break;
    }
    return ::CallWindowProcW(listProc_, window, message, wParam, lParam);
}

void Win32ListView::MarkFirstRowIfNone() {
    const HWND list = Handle();
    if (::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 0 ||
        ::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED) >= 0)
        return;
    LVITEMW item{};
    item.stateMask = LVIS_FOCUSED;
    item.state = LVIS_FOCUSED;
    ::SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
}

LRESULT CALLBACK Win32ListView::ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<Win32ListView*>(Window::Of(window));
    return self->OnListMessage(window, message, wParam, lParam);
}

}  // namespace platform::win32
