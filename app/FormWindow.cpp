#include "app/FormWindow.h"

#include <commctrl.h>
#include <oleacc.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <stdexcept>

#include "app/resource.h"
#include "platform/win32/Contrast.h"
#include "platform/win32/WideText.h"

namespace app {

using platform::win32::HighContrast;
using platform::win32::SchemeColour;
using platform::win32::ThrowLastError;
using platform::win32::Wide;

namespace layout = shell::layout;

namespace {

#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

RECT PixelRect(const layout::Bounds& b, int dpi) {
    const int left = layout::Pixels(b.left, dpi), top = layout::Pixels(b.top, dpi);
    return {left, top, left + layout::Pixels(b.width, dpi), top + layout::Pixels(b.height, dpi)};
}

void Place(HWND window, const RECT& r) {
    ::SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The window's density: its screen's where the system scales per screen,
// else the system's. Looked up at run time, as systems before Windows 10
// (1607) lack the call.
int WindowDpi(HWND window) {
    using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowCall>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow)
        if (const UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
    gdi::WindowDC screen(nullptr);
    return ::GetDeviceCaps(screen.Get(), LOGPIXELSX);
}

COLORREF ToColorRef(platform::Colour c) {
    return layout::IsSystemColour(c) ? ::GetSysColor(layout::SystemColourIndex(c)) : static_cast<COLORREF>(c);
}

bool Contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

// What each picture of the frame does, by its layout name.
struct NamedRole {
    const char* name;
    FrameRole role;
};
constexpr NamedRole kFrameRoles[] = {
    {"ImageCaption", {FrameRole::Caption}},
    {"ImageMin", {FrameRole::Min}},
    {"ImageExit", {FrameRole::Exit}},
    {"ImageScanner", {FrameRole::Navigation, shell::Page::Scanner}},
    {"ImageRestore", {FrameRole::Navigation, shell::Page::RestoreAndBackup}},
    {"ImageSettings", {FrameRole::Navigation, shell::Page::Settings}},
    {"ImageRecords", {FrameRole::Navigation, shell::Page::Records}},
};

FrameRole RoleOf(const std::string& name) {
    for (const NamedRole& named : kFrameRoles)
        if (name == named.name) return named.role;
    return {};
}

// The names the navigation pictures show, by page.
constexpr const char* kPageNames[] = {"Scan", "Restore", "Settings", "Records"};

// A solid colour of the system (or of the stand-in for it).
gdi::Brush SchemeBrush(int index) { return gdi::Brush(::CreateSolidBrush(SchemeColour(index))); }

// The outline of `r` dotted in one colour: the focus mark of a high-contrast
// theme, which must not invert the theme's colours into others.
void DottedFrame(HDC dc, const RECT& r, COLORREF ink) {
    for (int x = r.left; x < r.right; x += 2) {
        ::SetPixelV(dc, x, r.top, ink);
        ::SetPixelV(dc, x, r.bottom - 1, ink);
    }
    for (int y = r.top; y < r.bottom; y += 2) {
        ::SetPixelV(dc, r.left, y, ink);
        ::SetPixelV(dc, r.right - 1, y, ink);
    }
}

WNDCLASSEXW FormClass() {
        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        WNDCLASSEXW wc{};
        wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_VARNHOLT), IMAGE_ICON,
                                                   ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
        wc.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_VARNHOLT), IMAGE_ICON,
                                                     ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
        wc.lpszClassName = kFormClassName;
        return wc;
}

}  // namespace

// ------------------------------------------------------------ PaintedLabel

PaintedLabel::PaintedLabel(FormWindow& form, const layout::LabelSpec& entry) : form_(form), spec_(entry), text_(entry.text) {
    Rescale();
}

void PaintedLabel::Rescale() {
    font_ = MakeFont(spec_.font, form_.Dpi());
    underlined_ = MakeFont(spec_.font, form_.Dpi(), true);
    Measure();
}

UINT PaintedLabel::Format() const {
    // Key names may hold ampersands: they are shown as they are.
    if (spec_.wrap) return DT_WORDBREAK | DT_NOPREFIX;
    if (spec_.at.width > 0) return DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    return DT_SINGLELINE | DT_NOPREFIX;
}

void PaintedLabel::Measure() {
    if (spec_.at.width > 0) {
        bounds_ = PixelRect(spec_.at, form_.Dpi());
        return;
    }
    gdi::WindowDC screen(nullptr);
    gdi::Selected font(screen.Get(), (underline_ ? underlined_ : font_).Get());
    RECT r{0, 0, 0, 0};
    const std::wstring text = Wide(text_);
    if (!text.empty()) ::DrawTextW(screen.Get(), text.c_str(), static_cast<int>(text.size()), &r, Format() | DT_CALCRECT);
    const int left = layout::Pixels(spec_.at.left, form_.Dpi()), top = layout::Pixels(spec_.at.top, form_.Dpi());
    bounds_ = {left, top, left + r.right, top + r.bottom};
}

void PaintedLabel::Changed(const RECT& before) {
    form_.Invalidate(before);
    form_.Invalidate(bounds_);
    // Shown at once, as a caption set between two steps of a long run must be.
    if (form_.Handle() && ::IsWindowVisible(form_.Handle())) ::UpdateWindow(form_.Handle());
}

void PaintedLabel::SetCaption(const std::string& text) {
    if (text == text_) return;
    const RECT before = bounds_;
    text_ = text;
    Measure();
    Changed(before);
    form_.TellReaders(*this, EVENT_OBJECT_NAMECHANGE);
}

void PaintedLabel::Announce() { form_.TellReaders(*this, EVENT_OBJECT_LIVEREGIONCHANGED); }

void PaintedLabel::SetUnderline(bool on) {
    if (on == underline_) return;
    const RECT before = bounds_;
    underline_ = on;
    Measure();
    Changed(before);
}

void PaintedLabel::Paint(HDC dc, std::optional<COLORREF> ink) const {
    if (text_.empty()) return;
    gdi::Selected font(dc, (underline_ ? underlined_ : font_).Get());
    ::SetTextColor(dc, ink ? *ink : ToColorRef(spec_.colour));
    RECT r = bounds_;
    const std::wstring text = Wide(text_);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, Format());
}

// ------------------------------------------------------- PaintedPictureSet

PaintedPictureSet::PaintedPictureSet(FormWindow& form, const layout::PictureSpec& entry) : form_(form), spec_(entry) {
    Rescale();
}

void PaintedPictureSet::Rescale() { bounds_ = PixelRect(spec_.at, form_.Dpi()); }

void PaintedPictureSet::Show(int index) {
    if (index < 0 || index >= spec_.images || index == shown_) return;
    shown_ = index;
    form_.Invalidate(bounds_);
}

void PaintedPictureSet::Paint(HDC dc) const {
    HBITMAP bitmap = FrameBitmap(spec_.art, shown_, form_.Dpi());
    if (!bitmap) {
        // Built without its artwork: a plain tile keeps the element findable.
        gdi::Brush tile(::CreateSolidBrush(RGB(160, 160, 160)));
        ::FillRect(dc, &bounds_, tile.Get());
        return;
    }
    // At 96, 144 and 192 dots per inch the picture has exactly this size.
    DrawBitmap(dc, bitmap, bounds_);
}

// ---------------------------------------------------------- CheckBoxWindow

CheckBoxWindow::CheckBoxWindow(HWND parent, const layout::CheckSpec& entry, int id, int dpi)
    : spec_(entry), background_(::CreateSolidBrush(ToColorRef(entry.background))) {
    const RECT r = PixelRect(entry.at, dpi);
    const HWND box = ::CreateWindowExW(0, L"BUTTON", Wide(entry.caption).c_str(),
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | (entry.threeState ? BS_3STATE : BS_AUTOCHECKBOX),
                                r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
    if (!box) ThrowLastError("CreateWindowEx (check box)");
    Adopt(box);
    // Themed check boxes ignore the text colour we give them.
    ::SetWindowTheme(box, L"", L"");
    Rescale(dpi);
}

void CheckBoxWindow::Rescale(int dpi) {
    Place(Handle(), PixelRect(spec_.at, dpi));
    gdi::Font font = MakeFont(spec_.font, dpi);
    ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    font_ = std::move(font);  // the old one only once the box has let go of it
}

void CheckBoxWindow::SetValue(int value) {
    const WPARAM state = value == 1 ? BST_CHECKED : value == 2 && spec_.threeState ? BST_INDETERMINATE : BST_UNCHECKED;
    ::SendMessageW(Handle(), BM_SETCHECK, state, 0);
}

int CheckBoxWindow::Value() const {
    switch (::SendMessageW(Handle(), BM_GETCHECK, 0, 0)) {
    case BST_CHECKED: return 1;
    case BST_INDETERMINATE: return 2;
    default: return 0;
    }
}

std::optional<LRESULT> CheckBoxWindow::OnReflected(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_COMMAND:
        // The user clicked it: a two-state box toggles by itself; a
        // three-state one goes to ticked, or from ticked to clear.
        if (HIWORD(wParam) == BN_CLICKED && spec_.threeState) SetValue(Value() == 1 ? 0 : 1);
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        const auto dc = reinterpret_cast<HDC>(wParam);
        if (HighContrast()) {
            const COLORREF window = SchemeColour(COLOR_WINDOW);
            if (window != contrastColour_) {
                contrast_ = gdi::Brush(::CreateSolidBrush(window));
                contrastColour_ = window;
            }
            ::SetTextColor(dc, SchemeColour(COLOR_WINDOWTEXT));
            ::SetBkColor(dc, window);
            return reinterpret_cast<LRESULT>(contrast_.Get());
        }
        ::SetTextColor(dc, ToColorRef(spec_.colour));
        ::SetBkColor(dc, ToColorRef(spec_.background));
        return reinterpret_cast<LRESULT>(background_.Get());
    }
    default:
        return std::nullopt;
    }
}

// -------------------------------------------------------------- FormWindow

FormWindow::FormWindow(const layout::WindowLayout& layout, platform::FileSystem& files, shell::FrameActions frameActions)
    : layout_(layout), files_(files), frameActions_(std::move(frameActions)) {}

FormWindow::~FormWindow() {
    *alive_ = false;
    // The controls first, while their parent still exists.
    buttons_.clear();
    lists_.clear();
    checks_.clear();
}

void FormWindow::Create(HWND owner, POINT at) {
    static const bool registered = (RegisterClassOnce(FormClass()), true);
    (void)registered;
    // No border and no caption: the window is exactly its client area. Made
    // at the layout's own size, then sized for the density of its screen.
    CreateOwn(kFormClassName, Wide(layout::kWindowTitle).c_str(), WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU,
              RECT{at.x, at.y, at.x + layout::Pixels(layout::kClientWidth), at.y + layout::Pixels(layout::kClientHeight)},
              owner);
    dpi_ = WindowDpi(Handle());
    const SIZE size = ClientSize();
    ::SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CreateControls();

    // The load step: the frame part, then the window's own work.
    background_ = Picture::Load(files_.AppFolder() + layout_.background);
    MakeSurfaces();
    shell::FrameControls frame;
    for (size_t i = 0; i < pictures_.size(); ++i) {
        const FrameRole role = roles_.emplace_back(RoleOf(pictures_[i]->Entry().name));
        if (role.kind == FrameRole::Min) frame.ImageMin = pictures_[i].get();
        if (role.kind == FrameRole::Exit) frame.ImageExit = pictures_[i].get();
        if (role.kind == FrameRole::Navigation) frame.navigation[static_cast<int>(role.page)] = pictures_[i].get();
    }
    frame_.emplace(frame, frameActions_, layout_.page);
    MakeFocusStops();
    frame_->Load();
    Form_Load();
}

void FormWindow::CreateControls() {
    for (const auto& entry : layout_.pictures) pictures_.push_back(std::make_unique<PaintedPictureSet>(*this, entry));
    for (const auto& entry : layout_.labels) labels_.push_back(std::make_unique<PaintedLabel>(*this, entry));
    // Child windows in focus order: the order of creation is the Tab order.
    int id = 100;
    for (const std::string& name : layout_.focusOrder) {
        ++id;
        for (const auto& entry : layout_.checks) {
            if (entry.name != name) continue;
            auto box = std::make_unique<CheckBoxWindow>(Handle(), entry, id, dpi_);
            focusOrder_.push_back(box->Handle());
            checks_[name] = std::move(box);
        }
        for (const auto& entry : layout_.lists) {
            if (entry.name != name) continue;
            auto list = std::make_unique<Win32ListView>(Handle(), PixelRect(entry.at, dpi_), id, entry.checkBoxes);
            for (const auto& column : entry.columns) list->AddColumn(column.header);
            PlaceList(entry, *list);
            focusOrder_.push_back(list->Handle());
            lists_[name] = std::move(list);
        }
        for (const auto& entry : layout_.buttons) {
            if (entry.name != name) continue;
            controls::MemoryPropertyStore stored = layout::StoredSettings(entry);
            stored.Put("Font", ButtonFont(layout::kWindowFont, dpi_));
            const RECT r = PixelRect(entry.at, dpi_);
            auto button = ButtonWindow::Create(Handle(), name, {r.left, r.top, r.right - r.left, r.bottom - r.top},
                                               stored, id, ButtonFont(layout::kWindowFont, dpi_));
            focusOrder_.push_back(button->Handle());
            buttons_[name] = std::move(button);
        }
    }
}

SIZE FormWindow::ClientSize() const {
    return {layout::Pixels(layout::kClientWidth, dpi_), layout::Pixels(layout::kClientHeight, dpi_)};
}

void FormWindow::MakeSurfaces() {
    const SIZE size = ClientSize();
    {
        gdi::WindowDC screen(Handle());
        backBuffer_.Reset(::CreateCompatibleBitmap(screen.Get(), size.cx, size.cy));
    }
    // The background picture is made for 96 dots per inch: on a denser
    // screen it is drawn larger by as much, once, and kept so.
    scaledBackground_.Reset();
    if (background_ && dpi_ != layout::kLayoutDpi)
        scaledBackground_ = background_->Scaled({::MulDiv(background_->Size().cx, dpi_, layout::kLayoutDpi),
                                                 ::MulDiv(background_->Size().cy, dpi_, layout::kLayoutDpi)});
}

void FormWindow::PlaceList(const layout::ListSpec& entry, Win32ListView& list) {
    Place(list.Handle(), PixelRect(entry.at, dpi_));
    gdi::Font font = MakeFont(entry.font, dpi_);
    list.SetFont(font.Get());
    listFonts_[entry.name] = std::move(font);  // the old one only once the list has let go of it
    for (int c = 0; c < static_cast<int>(entry.columns.size()) && c < list.ColumnCount(); ++c)
        ::SendMessageW(list.Handle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), layout::Pixels(entry.columns[c].width, dpi_));
}

void FormWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    MakeSurfaces();
    for (auto& set : pictures_) set->Rescale();
    for (auto& label : labels_) label->Rescale();
    for (auto& [name, box] : checks_) box->Rescale(dpi_);
    for (const auto& entry : layout_.lists) {
        Win32ListView& list = *lists_.at(entry.name);
        PlaceList(entry, list);
        // Columns fitted to their texts are fitted again in the new font.
        if (entry.columns.empty() && list.RowCount() > 0) list.AutoSizeColumns();
    }
    for (const auto& entry : layout_.buttons) {
        ButtonWindow& button = *buttons_.at(entry.name);
        button.Control().SetFont(ButtonFont(layout::kWindowFont, dpi_));
        Place(button.Handle(), PixelRect(entry.at, dpi_));
    }
    // The place the system suggests, at the layout's size: that is the size
    // it suggests once it has asked WM_GETDPISCALEDSIZE; a system that does
    // not ask scales the old size, which may miss the layout by a pixel.
    const SIZE size = ClientSize();
    ::SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

PaintedLabel& FormWindow::LabelNamed(const std::string& name) {
    for (auto& label : labels_)
        if (label->Entry().name == name) return *label;
    throw std::out_of_range("no label " + name);
}

PaintedPictureSet& FormWindow::PictureNamed(const std::string& name) {
    for (auto& set : pictures_)
        if (set->Entry().name == name) return *set;
    throw std::out_of_range("no picture " + name);
}

CheckBoxWindow& FormWindow::CheckNamed(const std::string& name) { return *checks_.at(name); }
ButtonWindow& FormWindow::ButtonNamed(const std::string& name) { return *buttons_.at(name); }
Win32ListView& FormWindow::ListNamed(const std::string& name) { return *lists_.at(name); }

HWND FormWindow::FirstFocus() const {
    for (HWND child : focusOrder_)
        if (::IsWindowEnabled(child)) return child;
    return nullptr;
}

void FormWindow::Post(std::function<void()> task) {
    posted_.push_back(std::move(task));
    if (Handle()) ::PostMessageW(Handle(), kRunPosted, 0, 0);
}

void FormWindow::RunPosted() {
    auto alive = alive_;
    while (*alive && !posted_.empty()) {
        auto task = std::move(posted_.front());
        posted_.pop_front();
        task();  // may destroy this window
    }
}

void FormWindow::Invalidate(const RECT& area) {
    if (Handle()) ::InvalidateRect(Handle(), &area, FALSE);
}

// ---------------------------------------------------------------- painting

void FormWindow::PaintScene(HDC dc, const RECT& area) {
    gdi::SavedState state(dc);
    ::IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    const bool contrast = HighContrast();
    const SIZE size = ClientSize();
    RECT all{0, 0, size.cx, size.cy};
    // The button face shows only where the picture does not reach; a
    // high-contrast theme has the window colour and no picture.
    ::FillRect(dc, &all, contrast ? SchemeBrush(COLOR_WINDOW).Get() : ::GetSysColorBrush(COLOR_BTNFACE));
    if (background_ && !contrast) {
        HBITMAP shown = scaledBackground_ ? scaledBackground_.Get() : background_->Handle();
        BITMAP info{};
        ::GetObjectW(shown, sizeof info, &info);
        gdi::MemoryDC source(dc);
        gdi::Selected picture(source.Get(), shown);
        ::BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, source.Get(), 0, 0, SRCCOPY);
    }
    // Where two elements overlap (the navigation images, by a row), the one
    // listed first lies on top: each kind is drawn last to first.
    for (int i = static_cast<int>(pictures_.size()) - 1; i >= 0; --i) {
        if (contrast)
            PaintContrastPicture(dc, i);
        else
            pictures_[i]->Paint(dc);
    }
    // The outlines' line is one pixel at 96 dots per inch (15 twips), and
    // as thick as those twips on a denser screen, so it meets its list.
    const int lineWidth = std::max(1, layout::Pixels(15, dpi_));
    for (const auto& shape : layout_.shapes) {
        gdi::Brush line(::CreateSolidBrush(contrast ? SchemeColour(COLOR_WINDOWTEXT) : ToColorRef(shape.colour)));
        RECT r = PixelRect(shape.at, dpi_);
        for (int i = 0; i < lineWidth; ++i, ::InflateRect(&r, -1, -1)) ::FrameRect(dc, &r, line.Get());
    }
    ::SetBkMode(dc, TRANSPARENT);
    const int marked = StopMarked() ? focusedStop_ : -1;
    for (int i = static_cast<int>(labels_.size()) - 1; i >= 0; --i) {
        const PaintedLabel& label = *labels_[i];
        if (!contrast) {
            label.Paint(dc);
            continue;
        }
        // Texts in the window's text colour, links in the link colour, the
        // focused link in the selection's colours.
        if (marked >= 0 && stops_[marked] == Target{Target::Label, i}) {
            const RECT r = MarkRect(marked);
            ::FillRect(dc, &r, SchemeBrush(COLOR_HIGHLIGHT).Get());
            label.Paint(dc, SchemeColour(COLOR_HIGHLIGHTTEXT));
        } else {
            label.Paint(dc, SchemeColour(label.Entry().clickable ? COLOR_HOTLIGHT : COLOR_WINDOWTEXT));
        }
    }
    if (marked >= 0) {
        const RECT r = MarkRect(marked);
        if (contrast) {
            DottedFrame(dc, r, SchemeColour(COLOR_HIGHLIGHTTEXT));
        } else {
            ::SetTextColor(dc, RGB(0, 0, 0));
            ::SetBkColor(dc, RGB(255, 255, 255));
            ::DrawFocusRect(dc, &r);
        }
    }
}

void FormWindow::PaintContrastPicture(HDC dc, int index) const {
    const PaintedPictureSet& set = *pictures_[index];
    const FrameRole role = roles_[index];
    const RECT r = set.Bounds();
    const int line = std::max(1, layout::Pixels(15, dpi_));
    if (role.kind == FrameRole::Caption) {
        // The strip that moves the window: a line under it.
        const RECT under{r.left, r.bottom - line, r.right, r.bottom};
        ::FillRect(dc, &under, SchemeBrush(COLOR_WINDOWTEXT).Get());
        return;
    }
    if (role.kind == FrameRole::None) return;  // a picture that only decorates
    // A flat button: the current page, a pressed image and the focused one
    // in the selection's colours; a hovered one with a thicker frame.
    const bool focused = StopMarked() && stops_[focusedStop_] == Target{Target::Picture, index};
    const bool selected = set.Shown() == shell::kPressed || focused;
    const COLORREF ink = SchemeColour(selected ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
    ::FillRect(dc, &r, SchemeBrush(selected ? COLOR_HIGHLIGHT : COLOR_BTNFACE).Get());
    gdi::Brush inkBrush(::CreateSolidBrush(ink));
    RECT frame = r;
    for (int i = 0; i < (set.Shown() == shell::kHover ? 2 : 1) * line; ++i, ::InflateRect(&frame, -1, -1))
        ::FrameRect(dc, &frame, inkBrush.Get());
    const int w = r.right - r.left, h = r.bottom - r.top;
    switch (role.kind) {
    case FrameRole::Min: {
        const RECT bar{r.left + w / 3, r.top + h * 2 / 3 - line, r.right - w / 3, r.top + h * 2 / 3 + line};
        ::FillRect(dc, &bar, inkBrush.Get());
        break;
    }
    case FrameRole::Exit: {
        gdi::Pen pen(::CreatePen(PS_SOLID, 2 * line, ink));
        gdi::Selected selectedPen(dc, pen.Get());
        const int dx = w / 3, dy = h / 4;
        ::MoveToEx(dc, r.left + dx, r.top + dy, nullptr);
        ::LineTo(dc, r.right - dx, r.bottom - dy);
        ::MoveToEx(dc, r.right - dx, r.top + dy, nullptr);
        ::LineTo(dc, r.left + dx, r.bottom - dy);
        break;
    }
    case FrameRole::Navigation: {
        gdi::Font font = MakeFont(layout::kBoldFont, dpi_);
        gdi::Selected selectedFont(dc, font.Get());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ink);
        RECT text = r;
        const std::wstring name = Wide(kPageNames[static_cast<int>(role.page)]);
        ::DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        break;
    }
    default:
        break;
    }
}

void FormWindow::OnPaint() {
    gdi::PaintDC paint(Handle());
    const RECT& area = paint.Area();
    if (!backBuffer_) {
        PaintScene(paint.Get(), area);
        return;
    }
    // Drawn off screen first: labels over pictures over the background
    // would flicker when drawn in place.
    gdi::MemoryDC buffer(paint.Get());
    gdi::Selected selected(buffer.Get(), backBuffer_.Get());
    PaintScene(buffer.Get(), area);
    ::BitBlt(paint.Get(), area.left, area.top, area.right - area.left, area.bottom - area.top, buffer.Get(), area.left,
             area.top, SRCCOPY);
}

// ------------------------------------------------------------------- mouse

FormWindow::Target FormWindow::HitTest(POINT p) const {
    // Topmost first: labels lie over pictures, and of two labels or two
    // pictures the one listed first lies on top.
    for (int i = 0; i < static_cast<int>(labels_.size()); ++i)
        if (Contains(labels_[i]->Bounds(), p)) return {Target::Label, i};
    for (int i = 0; i < static_cast<int>(pictures_.size()); ++i)
        if (Contains(pictures_[i]->Bounds(), p)) return {Target::Picture, i};
    return {};
}

void FormWindow::TargetMouseMove(const Target& t) {
    if (t.kind == Target::Label) {
        OnLabelMouseMove(labels_[t.index]->Entry().name);
        return;
    }
    const FrameRole role = t.kind == Target::Picture ? roles_[t.index] : FrameRole{};
    switch (role.kind) {
    case FrameRole::Min: frame_->ImageMin_MouseMove(); break;
    case FrameRole::Exit: frame_->ImageExit_MouseMove(); break;
    case FrameRole::Navigation: frame_->Navigation_MouseMove(role.page); break;
    default: break;
    }
}

void FormWindow::TargetMouseDown(const Target& t, int button) {
    const FrameRole role = t.kind == Target::Picture ? roles_[t.index] : FrameRole{};
    switch (role.kind) {
    case FrameRole::Caption: frame_->ImageCaption_MouseDown(button); break;
    case FrameRole::Min: frame_->ImageMin_MouseDown(); break;
    case FrameRole::Exit: frame_->ImageExit_MouseDown(); break;
    case FrameRole::Navigation: frame_->Navigation_MouseDown(role.page); break;
    default: break;
    }
}

void FormWindow::TargetMouseUp(const Target& t) {
    const FrameRole role = t.kind == Target::Picture ? roles_[t.index] : FrameRole{};
    switch (role.kind) {
    case FrameRole::Min: frame_->ImageMin_MouseUp(); break;
    case FrameRole::Exit: frame_->ImageExit_MouseUp(); break;
    case FrameRole::Navigation: frame_->Navigation_MouseUp(role.page); break;
    default: break;
    }
}

void FormWindow::TargetClick(const Target& t) {
    if (t.kind == Target::Label) {
        OnLabelClick(labels_[t.index]->Entry().name);
        return;
    }
    const FrameRole role = t.kind == Target::Picture ? roles_[t.index] : FrameRole{};
    switch (role.kind) {
    case FrameRole::Min: frame_->ImageMin_Click(); break;
    case FrameRole::Exit: frame_->ImageExit_Click(); break;
    case FrameRole::Navigation: frame_->Navigation_Click(role.page); break;
    default: break;
    }
}

void FormWindow::OnMouseMove(POINT p) {
    // While a button is held, the moves belong to what it went down on.
    const Target t = pressed_.kind != Target::None ? pressed_ : HitTest(p);
    if (t.kind == Target::None) {
        frame_->Form_MouseMove();
        OnFormMouseMove();
        return;
    }
    TargetMouseMove(t);
}

void FormWindow::OnButtonDown(int button, POINT p) {
    if (pressed_.kind != Target::None) return;  // a second button while one is held
    const Target t = HitTest(p);
    if (t.kind == Target::None) return;
    pressed_ = t;
    pressedButton_ = button;
    ::SetCapture(Handle());
    TargetMouseDown(t, button);
}

void FormWindow::OnButtonUp(int button, POINT p) {
    if (pressed_.kind == Target::None || button != pressedButton_) return;
    const Target t = pressed_;
    pressed_ = {};
    ::ReleaseCapture();
    auto alive = alive_;
    TargetMouseUp(t);
    // A left press released over the same element is also a click; the
    // frame makes sure one press acts only once.
    const bool over = t.kind == Target::Label ? Contains(labels_[t.index]->Bounds(), p)
                                              : Contains(pictures_[t.index]->Bounds(), p);
    if (*alive && button == shell::kLeftButton && over) TargetClick(t);
}

void FormWindow::OnActivate(bool active) {
    if (!active) {
        HWND focus = ::GetFocus();
        if (focus && (focus == Handle() || ::IsChild(Handle(), focus))) lastFocus_ = focus;
        return;
    }
    HWND focus = lastFocus_ && ::IsWindow(lastFocus_) && ::IsWindowEnabled(lastFocus_) ? lastFocus_ : FirstFocus();
    if (focus) ::SetFocus(focus);
}

// ---------------------------------------------------------------- keyboard

void FormWindow::MakeFocusStops() {
    stops_.clear();
    staticLabels_.clear();
    for (int i = 0; i < static_cast<int>(labels_.size()); ++i) {
        if (labels_[i]->Entry().clickable)
            stops_.push_back({Target::Label, i});
        else
            staticLabels_.push_back(i);
    }
    auto addPictures = [&](auto wanted) {
        for (int i = 0; i < static_cast<int>(pictures_.size()); ++i)
            if (wanted(roles_[i])) stops_.push_back({Target::Picture, i});
    };
    for (int page = 0; page < 4; ++page)
        addPictures([page](const FrameRole& r) { return r.kind == FrameRole::Navigation && static_cast<int>(r.page) == page; });
    addPictures([](const FrameRole& r) { return r.kind == FrameRole::Min; });
    addPictures([](const FrameRole& r) { return r.kind == FrameRole::Exit; });
}

int FormWindow::FocusPosition(HWND focus) const {
    if (!focus) return -1;
    if (focus == Handle()) return focusedStop_ >= 0 ? static_cast<int>(focusOrder_.size()) + focusedStop_ : -1;
    for (size_t i = 0; i < focusOrder_.size(); ++i)
        if (focus == focusOrder_[i] || ::IsChild(focusOrder_[i], focus)) return static_cast<int>(i);
    return -1;
}

void FormWindow::MoveFocus(int from, bool backwards) {
    const int children = static_cast<int>(focusOrder_.size());
    const int count = children + static_cast<int>(stops_.size());
    if (count == 0) return;
    int at = from;
    for (int step = 0; step < count; ++step) {
        at = at < 0 ? (backwards ? count - 1 : 0) : (at + (backwards ? count - 1 : 1)) % count;
        if (at >= children) {
            FocusStop(at - children);
            return;
        }
        const HWND child = focusOrder_[at];
        if (!::IsWindowEnabled(child) || !::IsWindowVisible(child)) continue;
        // Focus marks show from now on, as after Tab in a dialog.
        ::SendMessageW(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
        ::SetFocus(child);
        return;
    }
}

bool FormWindow::MoveFocusFrom(HWND control, bool backwards) {
    const int from = FocusPosition(control);
    if (from < 0) return false;
    MoveFocus(from, backwards);
    return true;
}

void FormWindow::FocusStop(int stop) {
    const int old = focusedStop_;
    focusedStop_ = stop;
    spaceDown_ = false;
    if (::GetFocus() != Handle()) {
        ::SetFocus(Handle());  // WM_SETFOCUS shows the mark and tells screen readers
        return;
    }
    InvalidateStop(old);
    InvalidateStop(stop);
    platform::win32::NotifyAccessibleFocus(Handle(), static_cast<int>(focusOrder_.size()) + 1 + stop);
}

bool FormWindow::StopMarked() const {
    return focusedStop_ >= 0 && focusedStop_ < static_cast<int>(stops_.size()) && Handle() && ::GetFocus() == Handle();
}

RECT FormWindow::MarkRect(int stop) const {
    const Target& t = stops_[stop];
    RECT r;
    if (t.kind == Target::Label) {
        // Around the text.
        r = labels_[t.index]->Bounds();
        ::InflateRect(&r, 1, 1);
    } else {
        // Inside the picture.
        r = pictures_[t.index]->Bounds();
        ::InflateRect(&r, -2, -2);
    }
    return r;
}

void FormWindow::InvalidateStop(int stop) {
    if (stop < 0 || stop >= static_cast<int>(stops_.size())) return;
    const Target& t = stops_[stop];
    RECT r = t.kind == Target::Label ? labels_[t.index]->Bounds() : pictures_[t.index]->Bounds();
    ::InflateRect(&r, 2, 2);
    Invalidate(r);
}

void FormWindow::PressStop(int stop) {
    if (stop < 0 || stop >= static_cast<int>(stops_.size())) return;
    const Target& t = stops_[stop];
    if (t.kind == Target::Label) {
        OnLabelClick(labels_[t.index]->Entry().name);
        return;
    }
    const FrameRole role = roles_[t.index];
    switch (role.kind) {
    case FrameRole::Min: frame_->ImageMin_Press(); break;
    case FrameRole::Exit: frame_->ImageExit_Press(); break;
    case FrameRole::Navigation: frame_->Navigation_Press(role.page); break;
    default: break;
    }
}

// Keys while a painted part holds the focus (the window itself has it):
// Enter presses it, the space bar presses it when let go, the arrow keys
// move on as they do from a gradient button.
void FormWindow::OnStopKey(UINT message, WPARAM key, LPARAM flags) {
    if (!StopMarked()) return;
    const bool repeat = (HIWORD(flags) & KF_REPEAT) != 0;
    if (message == WM_KEYUP) {
        if (key == VK_SPACE && spaceDown_) {
            spaceDown_ = false;
            InvalidateStop(focusedStop_);
            PressStop(focusedStop_);
        }
        return;
    }
    const int at = static_cast<int>(focusOrder_.size()) + focusedStop_;
    switch (key) {
    case VK_RETURN:
        if (!repeat) PressStop(focusedStop_);
        break;
    case VK_SPACE:
        spaceDown_ = true;
        break;
    case VK_LEFT:
    case VK_UP: MoveFocus(at, true); break;
    case VK_RIGHT:
    case VK_DOWN: MoveFocus(at, false); break;
    default: break;
    }
}

bool FormWindow::OnDialogKey(MSG& msg) {
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0, shift = ::GetKeyState(VK_SHIFT) < 0;
    const bool alt = (HIWORD(msg.lParam) & KF_ALTDOWN) != 0;
    // Alt+F4 does what the close image does (on the scan window: its exit
    // guard), not the system's close.
    if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4 && alt && !ctrl && !shift) {
        frame_->ImageExit_Press();
        return true;
    }
    if (msg.message == WM_KEYDOWN && !alt) {
        const WPARAM key = msg.wParam;
        if (key == VK_TAB && ctrl) {
            frame_->NextPage(shift);
            return true;
        }
        if (key == VK_TAB && !(::SendMessageW(msg.hwnd, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&msg)) &
                               (DLGC_WANTTAB | DLGC_WANTALLKEYS))) {
            MoveFocus(FocusPosition(msg.hwnd), shift);
            return true;
        }
        if (ctrl && !shift && ((key >= '1' && key <= '4') || (key >= VK_NUMPAD1 && key <= VK_NUMPAD4))) {
            frame_->Navigation_Press(static_cast<shell::Page>(key >= VK_NUMPAD1 ? key - VK_NUMPAD1 : key - '1'));
            return true;
        }
        if (key == VK_ESCAPE && !ctrl && !shift) {
            OnEscape();
            return true;
        }
        // Enter presses a focused gradient button, as the space bar does.
        if (key == VK_RETURN && !ctrl && !shift)
            for (auto& [name, button] : buttons_)
                if (button->Handle() == msg.hwnd) {
                    if (!(HIWORD(msg.lParam) & KF_REPEAT)) button->Press();
                    return true;
                }
    }
    // A painted part has the focus: the window's own keys.
    if (msg.hwnd == Handle()) return false;
    return ::IsDialogMessageW(Handle(), &msg) != FALSE;
}

// ----------------------------------------------------------- screen readers

int FormWindow::AccessibleCount() {
    return static_cast<int>(focusOrder_.size() + stops_.size() + staticLabels_.size());
}

platform::win32::AccessiblePart FormWindow::AccessiblePartOf(int child) {
    platform::win32::AccessiblePart part;
    const int children = static_cast<int>(focusOrder_.size()), stops = static_cast<int>(stops_.size());
    int index = child - 1;
    if (child != CHILDID_SELF && index < children) {
        part.window = focusOrder_[index];
        return part;
    }
    // A disabled window (the home page under the scan window) takes no
    // input, and none of its parts acts, whoever asks.
    if (!platform::win32::TakesInput(Handle())) part.state = STATE_SYSTEM_UNAVAILABLE;
    if (child == CHILDID_SELF) {
        part.name = layout::kWindowTitle;
        part.role = ROLE_SYSTEM_CLIENT;
        part.state |= STATE_SYSTEM_FOCUSABLE;
        if (::GetFocus() == Handle() && !StopMarked()) part.state |= STATE_SYSTEM_FOCUSED;
        ::GetClientRect(Handle(), &part.bounds);
        return part;
    }
    index -= children;
    if (index >= stops) {
        const PaintedLabel& label = *labels_[staticLabels_[index - stops]];
        part.name = label.Caption();
        part.role = ROLE_SYSTEM_STATICTEXT;
        part.state |= STATE_SYSTEM_READONLY;
        part.bounds = label.Bounds();
        return part;
    }
    const Target& t = stops_[index];
    part.state |= STATE_SYSTEM_FOCUSABLE;
    if (StopMarked() && focusedStop_ == index) part.state |= STATE_SYSTEM_FOCUSED;
    if (pressed_ == t || (spaceDown_ && StopMarked() && focusedStop_ == index)) part.state |= STATE_SYSTEM_PRESSED;
    if (t.kind == Target::Label) {
        const PaintedLabel& label = *labels_[t.index];
        part.name = label.Caption();
        part.role = ROLE_SYSTEM_LINK;
        part.state |= STATE_SYSTEM_LINKED;
        if (label.Underlined()) part.state |= STATE_SYSTEM_HOTTRACKED;
        part.bounds = label.Bounds();
        part.defaultAction = "Jump";
        return part;
    }
    const PaintedPictureSet& set = *pictures_[t.index];
    const FrameRole role = roles_[t.index];
    part.bounds = set.Bounds();
    if (set.Shown() == shell::kHover) part.state |= STATE_SYSTEM_HOTTRACKED;
    if (role.kind == FrameRole::Navigation) {
        const int page = static_cast<int>(role.page);
        part.name = kPageNames[page];
        part.role = ROLE_SYSTEM_PAGETAB;
        part.state |= STATE_SYSTEM_SELECTABLE;
        part.shortcut = "Ctrl+" + std::to_string(page + 1);
        if (layout_.page == role.page)
            part.state |= STATE_SYSTEM_SELECTED;  // the open page: a press does nothing
        else
            part.defaultAction = "Switch";
        return part;
    }
    part.role = ROLE_SYSTEM_PUSHBUTTON;
    part.name = role.kind == FrameRole::Min ? "Minimise" : "Close";
    if (role.kind == FrameRole::Exit) part.shortcut = "Alt+F4";
    part.defaultAction = "Press";
    return part;
}

void FormWindow::AccessibleDoDefault(int child) {
    const int stop = child - 1 - static_cast<int>(focusOrder_.size());
    if (stop < 0 || stop >= static_cast<int>(stops_.size())) return;
    // Asked again when it runs: the window may have been disabled (a modal
    // window opened) or its part lost its action since the reader asked.
    Post([this, child, stop] {
        const platform::win32::AccessiblePart part = AccessiblePartOf(child);
        if (!(part.state & STATE_SYSTEM_UNAVAILABLE) && !part.defaultAction.empty()) PressStop(stop);
    });
}

int FormWindow::AccessibleIdOf(const PaintedLabel& label) const {
    const int children = static_cast<int>(focusOrder_.size()), stops = static_cast<int>(stops_.size());
    for (int i = 0; i < static_cast<int>(labels_.size()); ++i) {
        if (labels_[i].get() != &label) continue;
        for (int stop = 0; stop < stops; ++stop)
            if (stops_[stop] == Target{Target::Label, i}) return children + 1 + stop;
        for (int k = 0; k < static_cast<int>(staticLabels_.size()); ++k)
            if (staticLabels_[k] == i) return children + stops + 1 + k;
    }
    return -1;  // before the parts are counted (while the window is made)
}

void FormWindow::TellReaders(const PaintedLabel& label, DWORD event) {
    const int id = AccessibleIdOf(label);
    if (id > 0) platform::win32::NotifyAccessible(Handle(), event, id);
}

void FormWindow::MarkLive(const PaintedLabel& label) {
    const int id = AccessibleIdOf(label);
    if (id > 0) platform::win32::MarkLiveRegion(Handle(), id);
}

void FormWindow::OnEnable(bool enabled) {
    // The check boxes go with the window: the system's object of a box in a
    // disabled window would still report it available and tick it for a
    // screen reader. (No box is ever disabled otherwise.)
    for (auto& [name, box] : checks_) ::EnableWindow(box->Handle(), enabled);
    // The painted parts became available or unavailable with the window.
    for (int child = CHILDID_SELF; child <= AccessibleCount(); ++child)
        if (child == CHILDID_SELF || child > static_cast<int>(focusOrder_.size()))
            platform::win32::NotifyAccessible(Handle(), EVENT_OBJECT_STATECHANGE, child);
}

int FormWindow::AccessibleFocus() {
    const HWND focus = ::GetFocus();
    if (focus == Handle()) return StopMarked() ? static_cast<int>(focusOrder_.size()) + 1 + focusedStop_ : CHILDID_SELF;
    const int at = FocusPosition(focus);
    return at < 0 ? -1 : at + 1;
}

void FormWindow::AccessibleTakeFocus(int child) {
    const int children = static_cast<int>(focusOrder_.size());
    if (child == CHILDID_SELF) {
        ::SetFocus(Handle());
    } else if (child <= children) {
        ::SetFocus(focusOrder_[child - 1]);
    } else if (child - 1 - children < static_cast<int>(stops_.size())) {
        FocusStop(child - 1 - children);
    }
}

// ---------------------------------------------------------------- messages

void FormWindow::OnThemeChanged(UINT message, WPARAM wParam, LPARAM lParam) {
    // The child windows hear of it too (the system tells top-level windows
    // only); then everything is drawn again at once.
    for (HWND child : focusOrder_) ::SendMessageW(child, message, wParam, lParam);
    ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void FormWindow::OnFailure(const char* what) {
    ::MessageBoxW(Handle(), Wide(what).c_str(), Wide(platform::kProgramTitle).c_str(), MB_ICONEXCLAMATION | MB_OK);
}

LRESULT FormWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // the paint covers everything
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_LBUTTONDOWN: OnButtonDown(1, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_RBUTTONDOWN: OnButtonDown(2, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_MBUTTONDOWN: OnButtonDown(4, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_LBUTTONUP: OnButtonUp(1, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_RBUTTONUP: OnButtonUp(2, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_MBUTTONUP: OnButtonUp(4, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != Handle()) pressed_ = {};
        return 0;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_SETFOCUS:
        if (StopMarked()) {
            InvalidateStop(focusedStop_);
            platform::win32::NotifyAccessibleFocus(Handle(), static_cast<int>(focusOrder_.size()) + 1 + focusedStop_);
        }
        return 0;
    case WM_KILLFOCUS:
        spaceDown_ = false;
        InvalidateStop(focusedStop_);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
        OnStopKey(message, wParam, lParam);
        return 0;
    case WM_GETOBJECT:
        if (const auto answer = accessible_.Answer(Handle(), wParam, lParam)) return *answer;
        break;
    case WM_ENABLE:
        OnEnable(wParam != FALSE);
        return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        OnThemeChanged(message, wParam, lParam);
        return 0;
    case WM_GETDPISCALEDSIZE: {
        // Asked before a move to a screen of another density: the window's
        // size there is the layout's, not its present size scaled.
        const int dpi = static_cast<int>(wParam);
        *reinterpret_cast<SIZE*>(lParam) = {layout::Pixels(layout::kClientWidth, dpi),
                                            layout::Pixels(layout::kClientHeight, dpi)};
        return TRUE;
    }
    case WM_DPICHANGED:
        OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_CLOSE:
        OnCloseRequest();  // never the default, which would destroy the window here
        return 0;
    case WM_QUERYENDSESSION:
        return OnQueryEndSession() ? TRUE : FALSE;
    case WM_ENDSESSION:
        if (wParam) OnEndSession();
        return 0;
    case kRunPosted:
        RunPosted();  // may destroy this window: nothing after it
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(Handle(), message, wParam, lParam);
}

}  // namespace app
