#include "fakes/RasterCanvas.h"

#include <algorithm>
#include <cstdlib>

namespace fakes {

void RasterCanvas::Resize(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(static_cast<std::size_t>(width_) * height_, 0);
    captions.clear();
}

void RasterCanvas::Put(int x, int y, platform::Colour c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<std::size_t>(y) * width_ + x] = c & 0xFFFFFF;
}

void RasterCanvas::FillBox(int x, int y, int w, int h, platform::Colour c) {
    // FillRect paints nothing for an empty or inverted box.
    if (w <= 0 || h <= 0) return;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) Put(i, j, c);
}

void RasterCanvas::FrameBox(int x, int y, int w, int h, platform::Colour c) {
    if (w <= 0 || h <= 0) return;
    for (int i = x; i < x + w; ++i) {
        Put(i, y, c);
        Put(i, y + h - 1, c);
    }
    for (int j = y; j < y + h; ++j) {
        Put(x, j, c);
        Put(x + w - 1, j, c);
    }
}

void RasterCanvas::DrawLine(int x1, int y1, int x2, int y2, platform::Colour c) {
    // Bresenham from the start point, stopping before the end point.
    const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    int x = x1, y = y1;
    while (x != x2 || y != y2) {
        Put(x, y, c);
        const int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x += sx; }
        if (e2 <= dx) { err += dx; y += sy; }
    }
}

void RasterCanvas::SetDot(int x, int y, platform::Colour c) { Put(x, y, c); }

void RasterCanvas::DrawFocus(const platform::Box& box) {
    if (box.right <= box.left || box.bottom <= box.top) return;
    // The dotted outline: every pixel of the outline whose x + y is even is
    // inverted, once, whatever the box (the pattern is fixed to the surface).
    auto invert = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_ || (x + y) % 2 != 0) return;
        auto& p = pixels_[static_cast<std::size_t>(y) * width_ + x];
        p = ~p & 0xFFFFFF;
    };
    for (int x = box.left; x < box.right; ++x) {
        invert(x, box.top);
        if (box.bottom - 1 != box.top) invert(x, box.bottom - 1);
    }
    for (int y = box.top + 1; y < box.bottom - 1; ++y) {
        invert(box.left, y);
        if (box.right - 1 != box.left) invert(box.right - 1, y);
    }
}

std::optional<platform::Colour> RasterCanvas::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return std::nullopt;
    return At(x, y);
}

platform::TextExtent RasterCanvas::MeasureText(const std::string& text) {
    return {static_cast<double>(text.size() * kCharWidth), static_cast<double>(kLineHeight)};
}

void RasterCanvas::DrawCaption(const std::string& text, const platform::Box& box, unsigned flags) {
    captions.push_back({text, box, flags, textColour_});
}

}  // namespace fakes
