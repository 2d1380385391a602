// The painted faces, checked pixel by pixel on the raster canvas.
#include <gtest/gtest.h>

#include "button_host.h"

using namespace buttontest;
using controls::MemoryPropertyStore;

namespace {

const Colour kFrame = Rgb(0, 60, 115);
const Colour kFrameDot = Rgb(16, 77, 123);

Colour Inverted(Colour c) { return ~c & 0xFFFFFF; }

// Every pixel of the image that differs from `other`.
std::vector<std::pair<int, int>> Differences(const fakes::RasterCanvas& a, const fakes::RasterCanvas& b) {
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.At(x, y) != b.At(x, y)) out.emplace_back(x, y);
    return out;
}

}  // namespace

TEST(ButtonPaint, XpBeigeUpFace) {
    Button b;  // 97 x 33, XpType 2, scheme 1
    const Colour face = b->FaceColor();
    for (int y = 1; y <= 31; ++y) {
        const int lift = 32 - y;  // row 31 is one step above the start colour
        const Colour row = Rgb(std::min(242 + lift, 255), std::min(237 + lift, 255), std::min(218 + lift, 255));
        for (int x = 1; x <= 94; ++x) {
            if ((x == 1 && (y == 1 || y == 31))) continue;  // corner dots
            ASSERT_EQ(b.At(x, y), row) << x << "," << y;
        }
        if (y >= 2 && y <= 30) {
            EXPECT_EQ(b.At(95, y), face) << "right of the gradient, row " << y;
        }
    }
    EXPECT_EQ(b.At(2, 31), Rgb(243, 238, 219));
    for (int x = 2; x <= 94; ++x) {
        EXPECT_EQ(b.At(x, 0), kFrame);
        EXPECT_EQ(b.At(x, 32), kFrame);
    }
    for (int y = 2; y <= 30; ++y) {
        EXPECT_EQ(b.At(0, y), kFrame);
        EXPECT_EQ(b.At(96, y), kFrame);
    }
    for (auto [x, y] : {std::pair{1, 1}, {1, 31}, {95, 1}, {95, 31}}) EXPECT_EQ(b.At(x, y), kFrameDot);
    for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {96, 32}, {95, 32}, {96, 31}}) EXPECT_EQ(b.At(x, y), face);
    EXPECT_TRUE(b.host.shape.removed.empty());
}

TEST(ButtonPaint, HoverRingColourByXpType) {
    const struct { int xpType; Colour ring; } cases[] = {{2, Rgb(228, 144, 80)}, {1, Rgb(1, 2, 3)}, {3, Rgb(1, 2, 3)}};
    for (const auto& c : cases) {
        Button b(97, 33, Style(1, c.xpType));
        b->Setrectcolor(Rgb(1, 2, 3));
        b->OnGotFocus();  // the hover ring wins over the focus marks
        b->OnMouseMove(0, 0, 10, 10);
        const Colour r = c.ring;
        for (auto [x, y] : {std::pair{2, 1}, {94, 1}, {2, 31}, {94, 31}, {2, 16}, {94, 16},  // FrameBox(2,1,W-4,H-2)
                            {1, 2}, {1, 30}, {3, 2}, {93, 2}, {95, 2}, {95, 30}, {3, 30}, {93, 30}}) {
            EXPECT_EQ(b.At(x, y), r) << "XpType " << c.xpType << " at " << x << "," << y;
        }
        EXPECT_NE(b.At(1, 31), r);  // the lines leave out their end points
        EXPECT_NE(b.At(3, 3), r);
    }
}

TEST(ButtonPaint, FocusMarks) {
    Button plain;
    Button focusedWithoutRect;
    focusedWithoutRect->SetShowFocusRect(false);
    focusedWithoutRect->OnGotFocus();
    EXPECT_TRUE(Differences(plain.canvas, focusedWithoutRect.canvas).empty());

    Button focused;
    focused->OnGotFocus();
    Button asDefault;
    asDefault.host.displayAsDefault = true;
    asDefault->AmbientChanged();
    EXPECT_TRUE(Differences(focused.canvas, asDefault.canvas).empty());

    const Colour ring = Rgb(122, 184, 98);
    EXPECT_EQ(focused.At(1, 2), ring);
    EXPECT_EQ(focused.At(1, 29), ring);
    EXPECT_EQ(focused.At(50, 31), ring);
    EXPECT_EQ(focused.At(50, 1), ring);
    // The dotted rectangle over FocusRect (2, 2, 95, 31) inverts every
    // other pixel of its outline.
    EXPECT_EQ(focused.At(2, 2), Inverted(ring));
    EXPECT_EQ(focused.At(3, 2), ring);
    EXPECT_EQ(focused.At(50, 30), Inverted(ring));
    EXPECT_EQ(focused.At(51, 30), ring);
    EXPECT_EQ(focused.At(50, 16), plain.At(50, 16));

    // XpType 1 draws the blue ring.
    Button blue(97, 33, Style(1, 1));
    blue->OnGotFocus();
    EXPECT_EQ(blue.At(1, 10), Rgb(140, 174, 231));
    EXPECT_EQ(blue.At(50, 31), Rgb(107, 130, 239));
    EXPECT_EQ(blue.At(50, 1), Rgb(206, 231, 255));
    EXPECT_EQ(blue.At(3, 2), Rgb(189, 215, 247));
    EXPECT_EQ(blue.At(2, 11), Rgb(181, 209, 240));
    EXPECT_EQ(blue.At(94, 11), Rgb(181, 209, 240));
}

TEST(ButtonPaint, DisabledXpFace) {
    Button b(97, 33, ProgramSettings("Scan"));
    b->SetEnabled(false);
    const Colour back = Rgb(244, 244, 234), edge = Rgb(201, 199, 186);
    for (int y = 0; y < 33; ++y)
        for (int x = 0; x < 97; ++x) {
            const bool frame = ((y == 0 || y == 32) && x >= 2 && x <= 94) || ((x == 0 || x == 96) && y >= 2 && y <= 30) ||
                               ((x == 1 || x == 95) && (y == 1 || y == 31));
            ASSERT_EQ(b.At(x, y), frame ? edge : back) << x << "," << y;
        }
    ASSERT_FALSE(b.canvas.captions.empty());
    EXPECT_EQ(b.canvas.captions.back().colour, Rgb(161, 162, 146));
    // Disabled, it draws no marks.
    Button focused(97, 33, ProgramSettings("Scan"));
    focused->SetEnabled(false);
    focused->OnGotFocus();
    EXPECT_TRUE(Differences(b.canvas, focused.canvas).empty());
}

// Under a high-contrast theme every style is a flat button in the system's
// colours: frame and caption in the text colour, no gradient, ring or dot.
TEST(ButtonPaint, HighContrastFacesUseTheSystemColoursAlone) {
    const Colour face = Rgb(236, 233, 216), text = Rgb(0, 0, 0), selection = Rgb(26, 235, 255),
                 selectionText = Rgb(0, 0, 1), grey = Rgb(63, 242, 63);
    enum How { Up, Focused, Hovered, Down, Disabled };
    const struct {
        How how;
        int buttonType;
        Colour fill, ink;
        bool innerLine;
    } cases[] = {
        {Up, 1, face, text, false},           {Up, 3, face, text, false},       {Up, 5, face, text, false},
        {Focused, 1, selection, selectionText, false}, {Hovered, 1, face, text, true}, {Down, 4, face, text, true},
        {Disabled, 1, face, grey, false},     {Disabled, 2, face, grey, false},
    };
    for (const auto& c : cases) {
        Button b(97, 33, Style(c.buttonType, 2, "Scan"));
        b.host.highContrast = true;
        if (c.how == Focused) b->OnGotFocus();
        if (c.how == Disabled) {
            b->OnGotFocus();  // no selection colours when disabled
            b->SetEnabled(false);
        }
        if (c.how == Hovered) b->OnMouseMove(0, 0, 10, 10);
        if (c.how == Down) b->OnMouseDown(1, 0, 10, 10);
        b->AmbientChanged();
        const std::string which = "case " + std::to_string(int(c.how)) + ", style " + std::to_string(c.buttonType);
        for (int y = 0; y < 33; ++y)
            for (int x = 0; x < 97; ++x) {
                const bool frame = x == 0 || y == 0 || x == 96 || y == 32;
                const bool inner = !frame && (x == 1 || y == 1 || x == 95 || y == 31);
                ASSERT_EQ(b.At(x, y), frame || (inner && c.innerLine) ? c.ink : c.fill) << which << " at " << x << "," << y;
            }
        ASSERT_FALSE(b.canvas.captions.empty()) << which;
        EXPECT_EQ(b.canvas.captions.back().colour, c.ink) << which;
        EXPECT_EQ(b.canvas.captions.back().box.left, c.how == Down ? 2 : 0) << which << ": a held caption moves";
    }
}

TEST(ButtonPaint, CaptionLayouts) {
    using platform::Box;
    Button b(97, 33, ProgramSettings("Refresh"));
    auto last = [&] { return b.canvas.captions.back(); };
    EXPECT_EQ(last().box, (Box{0, 0, 97, 33}));
    EXPECT_EQ(last().flags, 101u);
    b->OnMouseDown(1, 0, 5, 5);  // down face: one pixel right and down
    EXPECT_EQ(last().box, (Box{2, 2, 97, 33}));
    EXPECT_EQ(last().flags, 101u);
    b->OnMouseUp(1, 0, 5, 5);

    // 20 characters are 140 pixels: wrapped, n = 1, top = (33 - 28) / 2 = 2.
    b->SetCaption("A caption that wraps");
    EXPECT_EQ(last().box, (Box{0, 2, 97, 33}));
    EXPECT_EQ(last().flags, 17u);
    b->OnMouseDown(1, 0, 5, 5);
    EXPECT_EQ(last().box, (Box{2, 4, 97, 33}));
    EXPECT_EQ(last().flags, 17u);
    b->OnMouseUp(1, 0, 5, 5);
    // A later narrow caption keeps the top the wrapped one left.
    b->SetCaption("Go");
    EXPECT_EQ(last().box, (Box{0, 2, 97, 33}));
    EXPECT_EQ(last().flags, 101u);
    EXPECT_EQ(last().colour, b->TextColor());
}

TEST(ButtonPaint, UnchangedDownFaceIsNotRepainted) {
    Button b;
    b->PaintButton(2, true);
    const auto before = b.canvas.Pixels();
    const int paints = b.host.invalidations;
    b->PaintButton(2, false);
    b->PaintButton(2, false);
    EXPECT_EQ(b.host.invalidations, paints);
    EXPECT_EQ(b.canvas.Pixels(), before);
    b->SetCaption("New");  // a changed caption is not an unchanged face
    const int afterCaption = b.host.invalidations;
    b->PaintButton(2, false);
    EXPECT_EQ(b.host.invalidations, afterCaption);
}

TEST(ButtonPaint, NothingIsDrawnAtHeightZero) {
    Button b(97, 0);
    b->PaintButton(2, true);
    EXPECT_EQ(b->DrawState(), 0);
    EXPECT_EQ(b.host.invalidations, 0);
}

TEST(ButtonPaint, RegionCutsCornersOfRoundedStyles) {
    using Dot = controls::ButtonShape::Dot;
    const std::vector<Dot> cut = {{0, 0}, {1, 0},  {0, 1},  {18, 0}, {19, 0}, {19, 1},
                                  {0, 9}, {1, 9}, {0, 8},  {18, 9}, {19, 9}, {19, 8}};
    for (int type : {3, 4, 8, 9}) {
        Button b(20, 10, Style(type));
        EXPECT_EQ(b.host.shape.removed, cut) << type;
        EXPECT_EQ(b.host.shape.width, 20);
    }
    for (int type : {1, 2, 5, 0}) {
        Button b(20, 10, Style(type));
        EXPECT_TRUE(b.host.shape.removed.empty()) << type;
    }
}

TEST(ButtonPaint, GradientStyleRows) {
    Button b(100, 33, Style(3));
    const Colour mid = Rgb(116, 200, 115);
    EXPECT_EQ(b.At(50, 5), mid);
    EXPECT_EQ(b.At(50, 4), Rgb(139, 211, 138));  // one step of (end - mid) / (s - 1) up
    EXPECT_EQ(b.At(50, 6), mid);
    EXPECT_EQ(b.At(50, 7), mid);
    EXPECT_EQ(b.At(50, 8), mid);
    EXPECT_EQ(b.At(50, 9), Rgb(120, 202, 119));
    EXPECT_EQ(b.At(50, 10), mid);  // s + 5 drawn over the lower part
    const Colour found = b.At(2, 23);
    for (int y : {24, 25, 30, 31}) EXPECT_EQ(b.At(50, y), found) << y;
    EXPECT_EQ(b.At(98, 30), b->FaceColor());  // rows 30 and 31 stop before W-2
    EXPECT_EQ(b.At(1, 1), Rgb(183, 183, 183));
    EXPECT_EQ(b.At(50, 0), Rgb(183, 183, 183));
    EXPECT_EQ(b.At(99, 16), Rgb(183, 183, 183));
    // The sheen: white at x 2 of row 1, `end` by x W-8.
    EXPECT_EQ(b.At(2, 1), Rgb(255, 255, 255));
    EXPECT_EQ(b.At(92, 1), Rgb(215, 246, 215));
    EXPECT_EQ(b.At(2, 2), Rgb(255, 255, 255));
    EXPECT_EQ(b.At(34, 2), Rgb(215, 246, 215));
    EXPECT_EQ(b.At(67, 2), Rgb(174, 237, 174));  // row 2's sheen runs past `end`, darker
    EXPECT_EQ(b.At(68, 2), Rgb(185, 232, 185));  // the gradient again after the sheen
}

TEST(ButtonPaint, GradientStyleAtHeightNineHasNoFrame) {
    Button b(100, 9, Style(3));
    const Colour mid = Rgb(116, 200, 115);
    EXPECT_EQ(b.At(1, 1), mid);
    EXPECT_EQ(b.At(50, 4), mid);
    EXPECT_EQ(b.At(50, 0), b->FaceColor());
    EXPECT_EQ(b.At(0, 4), b->FaceColor());
}

TEST(ButtonPaint, GradientStyleDownFlatWithSchemeTwo) {
    MemoryPropertyStore s = Style(3);
    s.Put("ColorScheme", std::int64_t{2});
    Button b(100, 33, s);
    b->OnMouseDown(1, 0, 5, 5);
    for (auto [x, y] : {std::pair{2, 1}, {50, 16}, {97, 31}}) EXPECT_EQ(b.At(x, y), Rgb(132, 208, 133));
    EXPECT_EQ(b.At(50, 0), Rgb(84, 157, 84));
    EXPECT_EQ(b.At(1, 1), Rgb(84, 157, 84));
}

TEST(ButtonPaint, GlossyPresetRows) {
    Button b(100, 33, Style(1));
    b->SetButtonType(4);
    const struct { int row; Colour c; } rows[] = {
        {0, Rgb(81, 107, 148)},    {1, Rgb(211, 229, 255)},  {2, Rgb(201, 216, 255)},  {3, Rgb(190, 209, 255)},
        {16, Rgb(138, 183, 255)},  {17, Rgb(134, 181, 255)}, {18, Rgb(124, 171, 255)}, {25, Rgb(124, 171, 255)},
        {26, Rgb(129, 176, 255)},  {27, Rgb(135, 179, 255)}, {29, Rgb(147, 185, 255)}, {30, Rgb(207, 234, 255)},
        {31, Rgb(211, 229, 255)},  {32, Rgb(81, 107, 148)},
    };
    for (const auto& r : rows) EXPECT_EQ(b.At(50, r.row), r.c) << "row " << r.row;
}

TEST(ButtonPaint, OfficeXpFocusOnlyWhenFocused) {
    Button plain(97, 33, Style(5));
    plain->OnMouseMove(0, 0, 5, 5);
    EXPECT_EQ(plain.At(0, 0), Rgb(127, 128, 1));
    EXPECT_EQ(plain.At(50, 16), Rgb(220, 220, 186));

    Button focused(97, 33, Style(5));
    focused->OnMouseMove(0, 0, 5, 5);
    focused->OnGotFocus();
    EXPECT_FALSE(Differences(plain.canvas, focused.canvas).empty());
    EXPECT_EQ(focused.At(2, 2), Inverted(Rgb(220, 220, 186)));

    Button asDefault(97, 33, Style(5));
    asDefault.host.displayAsDefault = true;
    asDefault->OnMouseMove(0, 0, 5, 5);
    EXPECT_TRUE(Differences(plain.canvas, asDefault.canvas).empty());

    plain->OnMouseDown(1, 0, 5, 5);
    EXPECT_EQ(plain.At(50, 16), Rgb(190, 190, 126));
}

TEST(ButtonPaint, ClassicDisabledCaptionWrapsOnlyInHighlight) {
    Button b(60, 33, Style(2, 1, "A caption too wide"));  // 126 pixels
    b->SetEnabled(false);
    const auto& calls = b.canvas.captions;
    ASSERT_GE(calls.size(), 2u);
    const auto shadow = calls[calls.size() - 2], highlight = calls.back();
    EXPECT_EQ(shadow.flags, 101u);
    // TextRect as the up face's wrapped caption left it: (33 - 42) / 2 = -4.
    EXPECT_EQ(shadow.box, (platform::Box{0, -4, 60, 33}));
    EXPECT_EQ(shadow.colour, b->ShadowColor());
    EXPECT_EQ(highlight.flags, 17u);
    // n = 126 / 60 = 2; (33 - 14 * 3) / 2 = -4 (truncated), plus 2.
    EXPECT_EQ(highlight.box, (platform::Box{2, -2, 60, 33}));
    EXPECT_EQ(highlight.colour, b->HighlightColor());
}

TEST(ButtonPaint, ClassicFacesUseTheBevelColours) {
    Button b(60, 25, Style(2));
    EXPECT_EQ(b.At(10, 0), b->DarkShadowColor());
    EXPECT_EQ(b.At(10, 2), b->HighlightColor());
    EXPECT_EQ(b.At(58, 10), b->ShadowColor());
    EXPECT_EQ(b.At(10, 10), b->LightColor());
    b->OnMouseDown(1, 0, 5, 5);
    EXPECT_EQ(b.At(10, 10), controls::ShadeColor(b->ShadowColor(), -16, false));
    EXPECT_EQ(b.At(10, 1), controls::ShadeColor(b->ShadowColor(), -64, false));
    EXPECT_EQ(b.canvas.captions.back().colour, b->LightColor());
}

// Tiny and odd sizes, where the painters' divisors are zero or negative and
// lines run backwards: every face must draw what it can and come back.
TEST(ButtonPaint, DegenerateSizesNeverFail) {
    const std::pair<int, int> sizes[] = {{0, 0}, {1, 1}, {2, 2}, {3, 5}, {5, 5}, {6, 10}, {10, 10}, {10, 3}, {100, 1}, {4, 100}};
    const int percents[] = {16, 10, 60, 0, 100};  // at H 10: s = 1, and H - s - 4 = 0
    for (auto [w, h] : sizes)
        for (int type : {0, 1, 2, 3, 4, 5})
            for (int scheme : {1, 2, 3})
                for (int percent : percents) {
                    MemoryPropertyStore s = Style(type, 1 + (w + h) % 3, "A long caption");
                    s.Put("ColorScheme", std::int64_t{scheme});
                    s.Put("Percent", std::int64_t{percent});
                    Button b(w, h, s);
                    b->OnGotFocus();
                    b->OnMouseMove(0, 0, 0, 0);
                    b->OnMouseDown(1, 0, 0, 0);
                    b->OnMouseUp(1, 0, 0, 0);
                    b->SetEnabled(false);
                    EXPECT_EQ(b.canvas.Width(), w);
                }
}
