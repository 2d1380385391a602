#pragma once
// A canvas in memory that follows GDI's rules for the button's primitives:
// boxes exclude their right column and bottom row, a line leaves out its end
// point, the focus rectangle inverts every other pixel of its outline. Text
// is not rasterised; each caption call is recorded instead, with fixed
// metrics (7 pixels a character, 14 a line) so layouts are predictable.
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace fakes {

class RasterCanvas final : public platform::Canvas {
public:
    struct CaptionCall {
        std::string text;
        platform::Box box;
        unsigned flags;
        platform::Colour colour;
    };

    static constexpr int kCharWidth = 7;
    static constexpr int kLineHeight = 14;

    void Resize(int width, int height) override;
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void FillBox(int x, int y, int w, int h, platform::Colour c) override;
    void FrameBox(int x, int y, int w, int h, platform::Colour c) override;
    void DrawLine(int x1, int y1, int x2, int y2, platform::Colour c) override;
    void SetDot(int x, int y, platform::Colour c) override;
    void DrawFocus(const platform::Box& box) override;
    std::optional<platform::Colour> Pixel(int x, int y) const override;
    void SetFont(const platform::Font& font) override { font_ = font; }
    void SetTextColour(platform::Colour c) override { textColour_ = c; }
    platform::TextExtent MeasureText(const std::string& text) override;
    void DrawCaption(const std::string& text, const platform::Box& box, unsigned flags) override;

    // Test access.
    platform::Colour At(int x, int y) const { return pixels_.at(static_cast<std::size_t>(y) * width_ + x); }
    const std::vector<platform::Colour>& Pixels() const { return pixels_; }
    std::vector<CaptionCall> captions;
    const platform::Font& CurrentFont() const { return font_; }

private:
    void Put(int x, int y, platform::Colour c);
    std::vector<platform::Colour> pixels_;
    int width_ = 0;
    int height_ = 0;
    platform::Font font_;
    platform::Colour textColour_ = 0;
};

}  // namespace fakes
