// The raster canvas keeps GDI's rules, which the button's pixel tests rely
// on (and which the Wine test holds against the real GDI).
#include <gtest/gtest.h>

#include "fakes/RasterCanvas.h"

using platform::Rgb;

namespace {

// The canvas as rows of '#' (colour c) and '.' (anything else).
std::vector<std::string> Picture(const fakes::RasterCanvas& canvas, platform::Colour c) {
    std::vector<std::string> rows;
    for (int y = 0; y < canvas.Height(); ++y) {
        std::string row;
        for (int x = 0; x < canvas.Width(); ++x) row += canvas.At(x, y) == c ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

TEST(RasterCanvas, PrimitivesFollowGdiRules) {
    const auto c = Rgb(1, 2, 3);
    const struct {
        const char* name;
        std::function<void(fakes::RasterCanvas&)> draw;
        std::vector<std::string> picture;
    } cases[] = {
        {"line leaves out its end", [&](auto& k) { k.DrawLine(1, 1, 4, 1, c); }, {".....", ".###.", "....."}},
        {"backward line", [&](auto& k) { k.DrawLine(4, 1, 1, 1, c); }, {".....", "..###", "....."}},
        {"vertical line", [&](auto& k) { k.DrawLine(0, 0, 0, 2, c); }, {"#....", "#....", "....."}},
        {"empty line", [&](auto& k) { k.DrawLine(2, 2, 2, 2, c); }, {".....", ".....", "....."}},
        {"fill excludes right and bottom", [&](auto& k) { k.FillBox(1, 0, 3, 2, c); }, {".###.", ".###.", "....."}},
        {"inverted fill draws nothing", [&](auto& k) { k.FillBox(3, 0, -2, 2, c); }, {".....", ".....", "....."}},
        {"frame", [&](auto& k) { k.FrameBox(0, 0, 5, 3, c); }, {"#####", "#...#", "#####"}},
        {"empty frame", [&](auto& k) { k.FrameBox(0, 0, 0, 3, c); }, {".....", ".....", "....."}},
        {"clipped to the surface", [&](auto& k) { k.FillBox(-3, 2, 100, 100, c); k.SetDot(5, 0, c); }, {".....", ".....", "#####"}},
    };
    for (const auto& t : cases) {
        fakes::RasterCanvas canvas;
        canvas.Resize(5, 3);
        t.draw(canvas);
        EXPECT_EQ(Picture(canvas, c), t.picture) << t.name;
    }
}

TEST(RasterCanvas, FocusRectangleInvertsEveryOtherOutlinePixel) {
    const auto white = Rgb(255, 255, 255);
    fakes::RasterCanvas canvas;
    canvas.Resize(6, 5);
    canvas.FillBox(0, 0, 6, 5, white);
    canvas.DrawFocus({0, 0, 6, 5});
    EXPECT_EQ(Picture(canvas, 0), (std::vector<std::string>{"#.#.#.", ".....#", "#.....", ".....#", "#.#.#."}));
    canvas.DrawFocus({0, 0, 6, 5});  // drawing it again takes it away
    EXPECT_EQ(Picture(canvas, white), std::vector<std::string>(5, "######"));
}
