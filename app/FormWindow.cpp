#include "app/FormWindow.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <windowsx.h>

#include <algorithm>
#include <stdexcept>

#include "app/resource.h"
#include "platform/win32/WideText.h"

namespace app {

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
}

void PaintedLabel::SetUnderline(bool on) {
    if (on == underline_) return;
    const RECT before = bounds_;
    underline_ = on;
    Measure();
    Changed(before);
}

void PaintedLabel::Paint(HDC dc) const {
    if (text_.empty()) return;
    gdi::Selected font(dc, (underline_ ? underlined_ : font_).Get());
    ::SetTextColor(dc, ToColorRef(spec_.colour));
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
    const SIZE size = ClientSize();
    RECT all{0, 0, size.cx, size.cy};
    // The button face shows only where the picture does not reach.
    ::FillRect(dc, &all, ::GetSysColorBrush(COLOR_BTNFACE));
    if (background_) {
        HBITMAP shown = scaledBackground_ ? scaledBackground_.Get() : background_->Handle();
        BITMAP info{};
        ::GetObjectW(shown, sizeof info, &info);
        gdi::MemoryDC source(dc);
        gdi::Selected picture(source.Get(), shown);
        ::BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, source.Get(), 0, 0, SRCCOPY);
    }
    // Where two elements overlap (the navigation images, by a row), the one
    // listed first lies on top: each kind is drawn last to first.
    for (auto set = pictures_.rbegin(); set != pictures_.rend(); ++set) (*set)->Paint(dc);
    // The outlines' line is one pixel at 96 dots per inch (15 twips), and
    // as thick as those twips on a denser screen, so it meets its list.
    const int lineWidth = std::max(1, layout::Pixels(15, dpi_));
    for (const auto& shape : layout_.shapes) {
        gdi::Brush line(::CreateSolidBrush(ToColorRef(shape.colour)));
        RECT r = PixelRect(shape.at, dpi_);
        for (int i = 0; i < lineWidth; ++i, ::InflateRect(&r, -1, -1)) ::FrameRect(dc, &r, line.Get());
    }
    ::SetBkMode(dc, TRANSPARENT);
    for (auto label = labels_.rbegin(); label != labels_.rend(); ++label) (*label)->Paint(dc);
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
        if (focus && ::IsChild(Handle(), focus)) lastFocus_ = focus;
        return;
    }
    HWND focus = lastFocus_ && ::IsWindow(lastFocus_) && ::IsWindowEnabled(lastFocus_) ? lastFocus_ : FirstFocus();
    if (focus) ::SetFocus(focus);
}

// ---------------------------------------------------------------- messages

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
