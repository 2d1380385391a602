#pragma once
// The button's persistent surface: a memory DC holding a 32-bit DIB of the
// client area. Painting goes into the bitmap; the window copies it to the
// screen whenever it needs repainting.
#include <windows.h>

#include "platform/Canvas.h"

namespace platform::win32 {

class GdiCanvas final : public platform::Canvas {
public:
    // Throws std::system_error when no memory DC can be had.
    GdiCanvas();
    ~GdiCanvas() override;
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;

    void Resize(int width, int height) override;
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void FillBox(int x, int y, int w, int h, Colour c) override;
    void FrameBox(int x, int y, int w, int h, Colour c) override;
    void DrawLine(int x1, int y1, int x2, int y2, Colour c) override;
    void SetDot(int x, int y, Colour c) override;
    void DrawFocus(const Box& box) override;
    std::optional<Colour> Pixel(int x, int y) const override;
    void SetFont(const Font& font) override;
    void SetTextColour(Colour c) override;
    TextExtent MeasureText(const std::string& text) override;
    void DrawCaption(const std::string& text, const Box& box, unsigned flags) override;

    // The memory DC with the surface selected, for copying to a window.
    HDC Dc() const { return dc_; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ originalBitmap_ = nullptr;
    HFONT font_ = nullptr;
    HGDIOBJ originalFont_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace platform::win32
