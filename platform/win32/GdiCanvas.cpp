#include "platform/win32/GdiCanvas.h"

#include <algorithm>

#include "platform/win32/Gdi.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Window.h"

namespace platform::win32 {

GdiCanvas::GdiCanvas() {
    dc_ = ::CreateCompatibleDC(nullptr);
    if (!dc_) ThrowLastError("CreateCompatibleDC");
    ::SetBkMode(dc_, TRANSPARENT);
}

GdiCanvas::~GdiCanvas() {
    if (originalBitmap_) ::SelectObject(dc_, originalBitmap_);
    if (originalFont_) ::SelectObject(dc_, originalFont_);
    if (bitmap_) ::DeleteObject(bitmap_);
    if (font_) ::DeleteObject(font_);
    ::DeleteDC(dc_);
}

void GdiCanvas::Resize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    // A bitmap of no size cannot be made; an empty surface keeps one pixel
    // that nothing reads.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = std::max(width_, 1);
    info.bmiHeader.biHeight = -std::max(height_, 1);  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP fresh = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!fresh) return;  // keep the old surface; the next paint still draws on something
    HGDIOBJ previous = ::SelectObject(dc_, fresh);
    if (!originalBitmap_) originalBitmap_ = previous;
    if (bitmap_) ::DeleteObject(bitmap_);
    bitmap_ = fresh;
}

void GdiCanvas::FillBox(int x, int y, int w, int h, Colour c) {
    gdi::Brush brush(::CreateSolidBrush(c & 0xFFFFFF));
    RECT r{x, y, x + w, y + h};
    ::FillRect(dc_, &r, brush.Get());
}

void GdiCanvas::FrameBox(int x, int y, int w, int h, Colour c) {
    gdi::Brush brush(::CreateSolidBrush(c & 0xFFFFFF));
    RECT r{x, y, x + w, y + h};
    ::FrameRect(dc_, &r, brush.Get());
}

void GdiCanvas::DrawLine(int x1, int y1, int x2, int y2, Colour c) {
    gdi::Pen pen(::CreatePen(PS_SOLID, 1, c & 0xFFFFFF));
    gdi::Selected selected(dc_, pen.Get());
    ::MoveToEx(dc_, x1, y1, nullptr);
    ::LineTo(dc_, x2, y2);
}

void GdiCanvas::SetDot(int x, int y, Colour c) { ::SetPixelV(dc_, x, y, c & 0xFFFFFF); }

void GdiCanvas::DrawFocus(const Box& box) {
    RECT r{box.left, box.top, box.right, box.bottom};
    ::DrawFocusRect(dc_, &r);
}

std::optional<Colour> GdiCanvas::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return std::nullopt;
    const COLORREF c = ::GetPixel(dc_, x, y);
    if (c == CLR_INVALID) return std::nullopt;
    return static_cast<Colour>(c);
}

void GdiCanvas::SetFont(const Font& font) {
    // Sizes are at 96 dots per inch whatever the screen's setting, the
    // density the button's own pixel sizes are given at: a window on a
    // denser screen gives its button a larger size and a larger point size
    // alike.
    constexpr int kLayoutDpi = 96;
    const int height = -::MulDiv(static_cast<int>(font.points * 10 + 0.5), kLayoutDpi, 720);
    HFONT fresh = ::CreateFontW(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, font.italic ? TRUE : FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, Wide(font.face).c_str());
    if (!fresh) return;
    HGDIOBJ previous = ::SelectObject(dc_, fresh);
    if (!originalFont_) originalFont_ = previous;
    if (font_) ::DeleteObject(font_);
    font_ = fresh;
}

void GdiCanvas::SetTextColour(Colour c) { ::SetTextColor(dc_, c & 0xFFFFFF); }

TextExtent GdiCanvas::MeasureText(const std::string& text) {
    SIZE size{};
    const std::wstring wide = Wide(text);
    ::GetTextExtentPoint32W(dc_, wide.c_str(), static_cast<int>(wide.size()), &size);
    return {static_cast<double>(size.cx), static_cast<double>(size.cy)};
}

void GdiCanvas::DrawCaption(const std::string& text, const Box& box, unsigned flags) {
    RECT r{box.left, box.top, box.right, box.bottom};
    const std::wstring wide = Wide(text);
    ::DrawTextW(dc_, wide.c_str(), static_cast<int>(wide.size()), &r, flags);
}

}  // namespace platform::win32
