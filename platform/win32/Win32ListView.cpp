#include "platform/win32/Win32ListView.h"

#include <commctrl.h>

#include <algorithm>
#include <system_error>

#include "platform/win32/WideText.h"

namespace platform::win32 {

namespace {

constexpr int kInitialColumnWidth = 96;
constexpr UINT_PTR kRedrawTimerId = 0x5648;  // on the list window, apart from the control's own timers
// Drawing the held rows takes at most about this share of a long run's time
// (one part in a hundred), and happens at least once a second.
constexpr double kRedrawCostShare = 100;
constexpr double kMaxRedrawIntervalMs = 1000;

double Milliseconds() {
    static const double perMs = [] {
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / perMs;
}

UINT CatchUpMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"VarnholtListViewCatchUp");
    return message;
}

// The window procedures of the list and of its parent are replaced the
// classic way, not with SetWindowSubclass: Wine's version of that looks up a
// window property on every message, each a round trip to its server, and a
// scan sends the list and its parent thousands of messages.
//
// One parent may hold several lists; its original procedure is kept once,
// with the lists that hook it.
struct ParentHook {
    HWND parent;
    WNDPROC original;
    std::vector<Win32ListView*> lists;
};
std::vector<ParentHook>& ParentHooks() {
    static std::vector<ParentHook> hooks;  // the user interface has one thread
    return hooks;
}
ParentHook* HookOf(HWND parent) {
    for (ParentHook& hook : ParentHooks())
        if (hook.parent == parent) return &hook;
    return nullptr;
}
void Forget(const ParentHook* hook) { ParentHooks().erase(ParentHooks().begin() + (hook - ParentHooks().data())); }

// Puts a window's original procedure back, but only while ours is the one it
// calls: a procedure set on top of ours since calls ours, which then just
// passes on.
bool Restore(HWND window, WNDPROC ours, WNDPROC original) {
    if (::GetWindowLongPtrW(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(ours)) return false;
    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    return true;
}

[[noreturn]] void ThrowLastError(const char* what) {
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), what);
}

constexpr UINT StateImage(bool checked) { return INDEXTOSTATEIMAGEMASK(checked ? 2 : 1); }

}  // namespace

Win32ListView::Win32ListView(HWND parent, const RECT& bounds, int controlId) : parent_(parent) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    list_ = ::CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
        bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), ::GetModuleHandleW(nullptr),
        nullptr);
    if (!list_) ThrowLastError("CreateWindowEx (list view)");
    const DWORD ex = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
    ::SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    ::SetWindowLongPtrW(list_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    listProc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListProc)));
    if (!listProc_ || !HookParent()) {
        const DWORD error = ::GetLastError();
        ::DestroyWindow(list_);
        list_ = nullptr;
        ::SetLastError(error);
        ThrowLastError("SetWindowLongPtr (list view or its parent)");
    }
    measureDc_ = ::CreateCompatibleDC(nullptr);
}

Win32ListView::~Win32ListView() {
    UnhookParent();
    if (list_) ::DestroyWindow(list_);  // a scroll still posted goes with the window
    if (measureDc_) ::DeleteDC(measureDc_);
}

void Win32ListView::SetFont(HFONT font) {
    ::SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    RemeasureAll();
}

void Win32ListView::AddColumn(const std::string& header) {
    std::wstring wide = Wide(header);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.cx = kInitialColumnWidth;
    column.pszText = wide.data();
    column.iSubItem = ColumnCount();
    int index = static_cast<int>(
        ::SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(ColumnCount()),
                       reinterpret_cast<LPARAM>(&column)));
    if (index < 0) return;
    Column added;
    added.widths.assign(rows_.size(), 0);  // existing rows have no text here
    columns_.push_back(std::move(added));
}

void Win32ListView::Clear() {
    ::SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
    rows_.clear();
    coloured_ = false;
    pendingVisible_ = 0;
    for (Column& column : columns_) {
        column.widths.clear();
        column.widest = 0;
        column.widestStale = false;
    }
}

int Win32ListView::AddRow(const std::string& text) {
    if (!list_) return 0;  // its window is gone
    if (!redrawHeld_) {
        // A shown list repaints its scroll bar and rows on every insertion;
        // while the scan adds rows that costs more than all the rest. Held
        // before the insertion, or the new row alone asks for a paint.
        ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
        redrawHeld_ = true;
        CatchUpLater();
    }
    std::wstring wide = Wide(text);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = RowCount();  // at the end: rows keep their insertion order
    item.pszText = wide.data();
    int index = static_cast<int>(
        ::SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) return 0;
    rows_.emplace_back();
    for (Column& column : columns_) column.widths.push_back(0);
    if (!columns_.empty()) RecordWidth(index, 0, MeasureText(text));
    return index + 1;
}

void Win32ListView::SetText(int row, int column, const std::string& text) {
    if (!ValidRow(row) || column < 0 || column >= ColumnCount()) return;
    std::wstring wide = Wide(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    if (!::SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row - 1),
                        reinterpret_cast<LPARAM>(&item)))
        return;
    RecordWidth(row - 1, column, MeasureText(text));
}

std::string Win32ListView::Text(int row, int column) const {
    if (!ValidRow(row) || column < 0 || column >= ColumnCount()) return {};
    // The message gives no length up front: grow the buffer until the text
    // fits with room to spare.
    std::vector<wchar_t> buffer(512);
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        int length = static_cast<int>(::SendMessageW(list_, LVM_GETITEMTEXTW,
                                                     static_cast<WPARAM>(row - 1),
                                                     reinterpret_cast<LPARAM>(&item)));
        if (length < static_cast<int>(buffer.size()) - 2) return Utf8(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

int Win32ListView::RowCount() const {
    return static_cast<int>(::SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
}

void Win32ListView::EnsureVisible(int row) {
    if (!ValidRow(row)) return;
    pendingVisible_ = row;
    CatchUpLater();
}

void Win32ListView::CatchUpLater() {
    if (!catchUpPosted_) catchUpPosted_ = ::PostMessageW(list_, CatchUpMessage(), 0, 0) != FALSE;
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
    const bool redraw = redrawHeld_;
    if (redraw) {
        const double since = Milliseconds() - lastRedraw_;
        if (!redrawNow && since < redrawInterval_) {
            if (!redrawTimerSet_)
                redrawTimerSet_ =
                    ::SetTimer(list_, kRedrawTimerId, static_cast<UINT>(redrawInterval_ - since) + 1, nullptr) != 0;
            if (redrawTimerSet_) return;
        }
        if (redrawTimerSet_) {
            ::KillTimer(list_, kRedrawTimerId);
            redrawTimerSet_ = false;
        }
        redrawHeld_ = false;
        lastRedraw_ = Milliseconds();
        ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        // Turning redraw back on does not repaint by itself on every version.
        ::InvalidateRect(list_, nullptr, TRUE);
    }
    int row = pendingVisible_;
    pendingVisible_ = 0;
    if (ValidRow(row)) ::SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row - 1), FALSE);
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
    if (!list_) return;
    CatchUp(true);
    ::UpdateWindow(list_);
}

void Win32ListView::SetChecked(int row, bool on) {
    if (!ValidRow(row)) return;
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = StateImage(on);
    ::SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row - 1),
                   reinterpret_cast<LPARAM>(&item));
}

bool Win32ListView::Checked(int row) const {
    if (!ValidRow(row)) return false;
    auto state = static_cast<UINT>(::SendMessageW(list_, LVM_GETITEMSTATE,
                                                  static_cast<WPARAM>(row - 1),
                                                  LVIS_STATEIMAGEMASK));
    return state == StateImage(true);
}

void Win32ListView::SetTextColour(int row, Colour colour) {
    if (!ValidRow(row)) return;
    rows_[static_cast<size_t>(row - 1)].colour = colour;
    coloured_ = true;
    ::SendMessageW(list_, LVM_REDRAWITEMS, static_cast<WPARAM>(row - 1), row - 1);
}

Colour Win32ListView::TextColour(int row) const {
    if (!ValidRow(row)) return DefaultTextColour();
    return rows_[static_cast<size_t>(row - 1)].colour.value_or(DefaultTextColour());
}

Colour Win32ListView::DefaultTextColour() const {
    auto colour = static_cast<COLORREF>(::SendMessageW(list_, LVM_GETTEXTCOLOR, 0, 0));
    return colour == CLR_DEFAULT ? ::GetSysColor(COLOR_WINDOWTEXT) : colour;
}

int Win32ListView::Selected() const {
    int index = static_cast<int>(
        ::SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return index < 0 ? 0 : index + 1;
}

void Win32ListView::Select(int row) {
    LVITEMW item{};
    if (row == 0) {
        // Index -1 addresses every row.
        item.stateMask = LVIS_SELECTED;
        ::SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                       reinterpret_cast<LPARAM>(&item));
        return;
    }
    if (!ValidRow(row)) return;
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row - 1),
                   reinterpret_cast<LPARAM>(&item));
}

int Win32ListView::ColumnWidth(int column) const {
    return static_cast<int>(::SendMessageW(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

// The control's own autosize reads and measures every row of the column, and
// the scan fits the columns after every finding it adds: tens of thousands
// of rows would make the scan quadratic. We keep each item's measured width
// instead, so a fit costs a few messages; only a shrinking widest text makes
// us look through the kept widths again (integers, no measuring).
void Win32ListView::AutoSizeColumns() {
    const bool haveRows = !rows_.empty();
    for (int c = 0; c < ColumnCount(); ++c) {
        Column& column = columns_[static_cast<size_t>(c)];
        if (column.widestStale) {
            column.widest = column.widths.empty()
                                ? 0
                                : *std::max_element(column.widths.begin(), column.widths.end());
            column.widestStale = false;
        }
        if (!column.padding) {
            // The space the control adds around the text (margins, and in the
            // first column the check box) differs between versions of the
            // control; learn it once from its own autosize, then follow it.
            ::SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), LVSCW_AUTOSIZE);
            if (haveRows) column.padding = ColumnWidth(c) - column.widest;
            continue;
        }
        int wanted = column.widest + *column.padding;
        if (ColumnWidth(c) != wanted)
            ::SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), wanted);
    }
    // A changed width invalidates the list; the repaint itself comes with the
    // next turn of the message loop rather than once per added row.
}

// The whole text is measured, as the control's autosize measures it here.
// Should a version of the control measure only the characters it shows (259),
// a column holding a longer text comes out wider than that autosize would
// make it, never narrower: no text is cut off by the fitting.
//
// Measured as the control measures (GetTextExtentPoint32 in the list's font),
// but in a memory DC kept for it: LVM_GETSTRINGWIDTH gets and releases a
// window DC each time, under Wine two round trips to its server.
int Win32ListView::MeasureText(const std::string& text) const {
    if (text.empty()) return 0;
    const std::wstring wide = Wide(text);
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(list_, WM_GETFONT, 0, 0));
    if (measureDc_ && font) {
        // Selected only while measuring: the font's owner may delete it.
        const HGDIOBJ old = ::SelectObject(measureDc_, font);
        SIZE size{};
        const BOOL measured =
            ::GetTextExtentPoint32W(measureDc_, wide.c_str(), static_cast<int>(::wcslen(wide.c_str())), &size);
        ::SelectObject(measureDc_, old);
        if (measured) return size.cx;
    }
    return static_cast<int>(::SendMessageW(list_, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(wide.c_str())));
}

void Win32ListView::RecordWidth(int index, int c, int width) {
    Column& column = columns_[static_cast<size_t>(c)];
    int& kept = column.widths[static_cast<size_t>(index)];
    if (width >= column.widest) {
        column.widest = width;
    } else if (kept == column.widest) {
        column.widestStale = true;  // this may have been the only widest text
    }
    kept = width;
}

void Win32ListView::RemeasureAll() {
    for (int c = 0; c < ColumnCount(); ++c) {
        Column& column = columns_[static_cast<size_t>(c)];
        column.widest = 0;
        column.widestStale = false;
        column.padding.reset();  // margins may scale with the font
        for (size_t i = 0; i < rows_.size(); ++i) {
            column.widths[i] = MeasureText(Text(static_cast<int>(i) + 1, c));
            column.widest = std::max(column.widest, column.widths[i]);
        }
    }
}

LRESULT Win32ListView::OnCustomDraw(LPARAM lParam) const {
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
    switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            // Asked about every column of every row, the notifications double
            // the cost of drawing the list: only when a row has a colour.
            return coloured_ ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
        case CDDS_ITEMPREPAINT:
            return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
            // A row's colour is the colour of its main text; the other
            // columns keep the list's own colour, set explicitly because the
            // control may carry a colour over from the previous column.
            size_t index = draw->nmcd.dwItemSpec;
            if (draw->iSubItem == 0 && index < rows_.size() && rows_[index].colour)
                draw->clrText = *rows_[index].colour;
            else
                draw->clrText = DefaultTextColour();
            return CDRF_NEWFONT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}

bool Win32ListView::HookParent() {
    ParentHook* hook = HookOf(parent_);
    if (!hook) {
        const auto original = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(parent_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ParentProc)));
        if (!original) return false;
        ParentHooks().push_back({parent_, original, {}});
        hook = &ParentHooks().back();
    }
    hook->lists.push_back(this);
    return true;
}

void Win32ListView::UnhookParent() {
    ParentHook* hook = parent_ ? HookOf(parent_) : nullptr;
    if (!hook) return;
    hook->lists.erase(std::remove(hook->lists.begin(), hook->lists.end(), this), hook->lists.end());
    if (hook->lists.empty() && Restore(parent_, &ParentProc, hook->original)) Forget(hook);
    parent_ = nullptr;
}

LRESULT CALLBACK Win32ListView::ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32ListView*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == CatchUpMessage()) {
        self->catchUpPosted_ = false;
        self->CatchUp(false);
        return 0;
    }
    if (message == WM_TIMER && wParam == kRedrawTimerId) {
        ::KillTimer(window, kRedrawTimerId);  // it would tick again
        self->redrawTimerSet_ = false;
        self->CatchUp(true);
        return 0;
    }
    if (message == WM_PAINT) {
        // A paint that came before our message (someone forced an update)
        // shows the right rows already.
        if (self->pendingVisible_ || self->redrawHeld_) self->CatchUp(true);
        if (self->measuringPaint_) return self->MeasuredPaint(window, wParam, lParam);
    } else if (message == WM_NCDESTROY) {
        const WNDPROC original = self->listProc_;
        Restore(window, &ListProc, original);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->list_ = nullptr;
        return ::CallWindowProcW(original, window, message, wParam, lParam);
    }
    return ::CallWindowProcW(self->listProc_, window, message, wParam, lParam);
}

LRESULT CALLBACK Win32ListView::ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ParentHook* hook = HookOf(window);
    if (!hook) return ::DefWindowProcW(window, message, wParam, lParam);  // not ours any more: nothing to pass on to
    const WNDPROC original = hook->original;  // a handler below may add a hook and move this one
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == NM_CUSTOMDRAW)
            for (Win32ListView* list : hook->lists)
                if (header->hwndFrom == list->list_) return list->OnCustomDraw(lParam);
    } else if (message == WM_NCDESTROY) {
        // The parent goes first (say the window closed while the lists live
        // on): its children, the lists, are gone with it.
        for (Win32ListView* list : hook->lists) list->parent_ = nullptr;
        Forget(hook);
        Restore(window, &ParentProc, original);
    }
    return ::CallWindowProcW(original, window, message, wParam, lParam);
}

}  // namespace platform::win32
