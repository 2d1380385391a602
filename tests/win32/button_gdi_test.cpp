// The painter on the real GDI surface gives the same pixels as on the raster
// canvas the native tests check, for every style and face (captions aside:
// they are left empty here).
#include <gtest/gtest.h>

#include <sstream>

#include "native/button_host.h"
#include "platform/win32/GdiCanvas.h"

using namespace buttontest;
using controls::MemoryPropertyStore;

namespace {

enum class Face { Up, Hover, Down, Focused, Default, Disabled, HoverDown };

const char* Name(Face f) {
    switch (f) {
    case Face::Up: return "up";
    case Face::Hover: return "hover";
    case Face::Down: return "down";
    case Face::Focused: return "focused";
    case Face::Default: return "default";
    case Face::Disabled: return "disabled";
    case Face::HoverDown: return "hover+down";
    }
    return "?";
}

void Paint(controls::Command& c, FakeCommandHost& host, const MemoryPropertyStore& stored, int w, int h, Face face) {
    c.ReadProperties(stored);
    c.Resize(w, h);
    switch (face) {
    case Face::Up: break;
    case Face::Hover: c.OnMouseMove(0, 0, 1, 1); break;
    case Face::Down: c.OnMouseDown(1, 0, 1, 1); break;
    case Face::Focused: c.OnGotFocus(); break;
    case Face::Default: host.displayAsDefault = true; c.AmbientChanged(); break;
    case Face::Disabled: c.SetEnabled(false); break;
    case Face::HoverDown: c.OnGotFocus(); c.OnMouseMove(0, 0, 1, 1); c.OnMouseDown(1, 0, 1, 1); break;
    }
}

}  // namespace

TEST(ButtonGdi, SamePixelsAsTheRasterCanvas) {
    struct Case { int type, xp, scheme; };
    const Case styles[] = {{1, 1, 1}, {1, 2, 1}, {1, 3, 1}, {1, 2, 2}, {1, 9, 3}, {2, 1, 1}, {2, 1, 2},
                            {3, 1, 1}, {3, 1, 2}, {4, 1, 1}, {5, 1, 1}, {5, 1, 3}, {0, 1, 1}};
    const std::pair<int, int> sizes[] = {{97, 33}, {100, 33}, {100, 9}, {13, 7}, {6, 10}, {3, 3}};
    const Face faces[] = {Face::Up, Face::Hover, Face::Down, Face::Focused, Face::Default, Face::Disabled, Face::HoverDown};
    for (const auto& s : styles)
        for (auto [w, h] : sizes)
            for (Face face : faces) {
                MemoryPropertyStore stored = Style(s.type, s.xp, "");
                stored.Put("ColorScheme", std::int64_t{s.scheme});
                if (s.type == 4) stored.Put("Percent", std::int64_t{53});

                FakeCommandHost rasterHost, gdiHost;
                fakes::RasterCanvas raster;
                platform::win32::GdiCanvas gdi;
                {
                    controls::Command c(rasterHost, raster);
                    Paint(c, rasterHost, stored, w, h, face);
                }
                {
                    controls::Command c(gdiHost, gdi);
                    Paint(c, gdiHost, stored, w, h, face);
                }
                // The dotted focus rectangle inverts every other pixel of its
                // outline; which half starts the dotting is the platform's
                // (Windows ties the dots to the surface with a pattern brush,
                // Wine to the start of the outline), so there a pixel may be
                // either what the raster canvas has or its inverse.
                const bool focusDrawn = face == Face::Focused || face == Face::Default || face == Face::HoverDown;
                auto onFocusOutline = [&](int x, int y) {
                    const int l = 2, t = 2, r = w - 2, b = h - 2;
                    if (!focusDrawn || r <= l || b <= t) return false;
                    return ((y == t || y == b - 1) && x >= l && x < r) || ((x == l || x == r - 1) && y >= t && y < b);
                };
                int wrong = 0;
                std::ostringstream first;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const auto expected = raster.At(x, y);
                        const auto actual = gdi.Pixel(x, y).value_or(0xFFFFFFFF);
                        if (expected == actual) continue;
                        if (onFocusOutline(x, y) && actual == (~expected & 0xFFFFFF)) continue;
                        if (wrong++ < 5)
                            first << " (" << x << "," << y << ") raster " << std::hex << expected << " gdi " << actual << std::dec;
                    }
                EXPECT_EQ(wrong, 0) << "style " << s.type << " xp " << s.xp << " scheme " << s.scheme << " " << w << "x" << h
                                    << " " << Name(face) << ":" << first.str();
            }
}

TEST(ButtonGdi, CaptionIsDrawnInTheTextColour) {
    FakeCommandHost host;
    platform::win32::GdiCanvas gdi;
    controls::Command c(host, gdi);
    c.ReadProperties(ProgramSettings("WWWW"));
    c.Resize(97, 33);
    const auto extent = gdi.MeasureText("WWWW");
    EXPECT_GT(extent.width, 0);
    EXPECT_GT(extent.height, 0);
    int textPixels = 0;
    for (int y = 0; y < 33; ++y)
        for (int x = 0; x < 97; ++x)
            if (gdi.Pixel(x, y) == c.TextColor()) ++textPixels;
    EXPECT_GT(textPixels, 10);
}
