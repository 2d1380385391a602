// The button's settings: placement, load and save, setters, colour
// derivation and access keys.
#include <gtest/gtest.h>

#include "button_host.h"

using namespace buttontest;
using controls::Command;
using controls::MemoryPropertyStore;
using controls::PropertyError;

TEST(ButtonProperties, NewInstanceShowsItsNameAndStoresIt) {
    FakeCommandHost host;
    host.instanceName = "CommandStart";
    fakes::RasterCanvas canvas;
    Command c(host, canvas);
    c.InitProperties();
    EXPECT_EQ(c.Caption(), "CommandStart");
    EXPECT_EQ(c.BackColor(), host.SystemColour(15));
    EXPECT_EQ(c.ForeColor(), host.SystemColour(18));
    EXPECT_EQ(c.Percent(), 16);
    EXPECT_EQ(c.ButtonType(), 1);
    EXPECT_EQ(c.ColorScheme(), 1);

    MemoryPropertyStore saved;
    c.WriteProperties(saved);
    EXPECT_EQ(saved.ReadText("Caption", "?"), "CommandStart");
    // Everything else equals its default (the font is the ambient one), so
    // nothing else is stored.
    EXPECT_EQ(saved.Size(), 1u);
}

TEST(ButtonProperties, DefaultCaptionIsNotStoredAndLoadsBack) {
    Button b;
    b->SetCaption("wwbutton");
    MemoryPropertyStore saved;
    b->WriteProperties(saved);
    EXPECT_FALSE(saved.Has("Caption"));

    Button loaded(97, 33, saved);
    EXPECT_EQ(loaded->Caption(), "wwbutton");
}

TEST(ButtonProperties, SaveAndLoadRoundTripEverySetting) {
    Button b;
    b->SetBackColor(Rgb(1, 2, 3));
    b->SetForeColor(Rgb(4, 5, 6));
    b->SetEnabled(false);
    b->SetFont({"Tahoma", 12, true, true});
    b->SetButtonType(3);
    b->SetXpType(3);
    b->SetCaption("&Go");
    b->SetColorScheme(2);
    b->SetShowFocusRect(false);
    b->Setrectcolor(Rgb(7, 8, 9));
    EXPECT_EQ(b->SetPercent(40), PropertyError::None);
    b->SetMidColor(Rgb(10, 0, 0));
    b->SetEndColor(Rgb(11, 0, 0));
    b->SetMouseMoveMidColor(Rgb(12, 0, 0));
    b->SetMouseMoveEndColor(Rgb(13, 0, 0));
    b->SetMouseDownMidColor(Rgb(14, 0, 0));
    b->SetMouseDownEndColor(Rgb(15, 0, 0));
    b->SetOfficeXpFillColor(Rgb(16, 0, 0));
    b->SetOfficeXpFrameColor(Rgb(17, 0, 0));
    b->SetOfficeXpMousemoveFillColor(Rgb(18, 0, 0));
    b->SetOfficeXpMousemoveFrameColor(Rgb(19, 0, 0));

    MemoryPropertyStore saved;
    b->WriteProperties(saved);
    MemoryPropertyStore again;
    Button loaded(97, 33, saved);
    loaded->WriteProperties(again);
    EXPECT_EQ(again.Size(), saved.Size());
    EXPECT_EQ(saved.Size(), 21u);  // every setting but the private handle entry
    EXPECT_FALSE(loaded->Enabled());
    EXPECT_FALSE(loaded.host.windowEnabled);
    EXPECT_EQ(loaded.canvas.CurrentFont(), (platform::Font{"Tahoma", 12, true, true}));
    EXPECT_EQ(loaded.host.accessKeys, "g");
    EXPECT_EQ(loaded->OfficeXpMousemoveFrameColor(), Rgb(19, 0, 0));
    EXPECT_EQ(loaded->Percent(), 40);
}

TEST(ButtonProperties, StoreNamesIgnoreCase) {
    MemoryPropertyStore stored;
    stored.Put("caption", std::string("Scan"));
    stored.Put("XPTYPE", std::int64_t{2});
    Button b(97, 33, stored);
    EXPECT_EQ(b->Caption(), "Scan");
    EXPECT_EQ(b->XpType(), 2);
}

TEST(ButtonProperties, StoredColoursOverrideWhatDerivingPutThere) {
    // A stored glossy scheme-1 button: deriving would install the grey set,
    // but the stored gradient colours are read afterwards and win; loading
    // never applies the glossy preset.
    MemoryPropertyStore stored;
    stored.Put("ButtonType", std::int64_t{4});
    stored.Put("MidColor", std::int64_t{Rgb(1, 2, 3)});
    Button b(100, 33, stored);
    EXPECT_EQ(b->MidColor(), Rgb(1, 2, 3));
    EXPECT_EQ(b->EndColor(), Rgb(215, 246, 215));
    EXPECT_EQ(b->Percent(), 16);
}

TEST(ButtonProperties, PercentOutOfRangeFailsButIsKept) {
    Button b;
    b.host.changes.clear();
    const int paints = b.host.invalidations;
    EXPECT_EQ(b->SetPercent(101), PropertyError::InvalidPropertyValue);
    EXPECT_EQ(b->Percent(), 101);
    EXPECT_EQ(b->SetPercent(-1), PropertyError::InvalidPropertyValue);
    EXPECT_EQ(b.host.invalidations, paints);
    EXPECT_TRUE(b.host.changes.empty());
    EXPECT_EQ(b->SetPercent(100), PropertyError::None);
    EXPECT_EQ(b.host.changes, std::vector<std::string>{"Percent"});
}

TEST(ButtonProperties, HandleCannotBeSet) {
    Button b;
    b.host.userMode = true;
    EXPECT_EQ(b->SetHWnd(99), PropertyError::CannotSetAtRunTime);
    b.host.userMode = false;
    EXPECT_EQ(b->SetHWnd(99), PropertyError::CannotSetOnControl);
    EXPECT_EQ(b->hWnd(), 0x1234);
    MemoryPropertyStore saved;
    b->WriteProperties(saved);
    EXPECT_FALSE(saved.Has("hWnd"));
}

TEST(ButtonProperties, RectColourWaitsForTheNextPaint) {
    Button b(97, 33, Style(1, 1));
    b->OnMouseMove(0, 0, 5, 5);  // hovered: the ring takes rectcolor
    ASSERT_EQ(b.At(2, 1), Rgb(250, 195, 88));
    const int paints = b.host.invalidations;
    b->Setrectcolor(Rgb(1, 2, 3));
    EXPECT_EQ(b.host.invalidations, paints);
    EXPECT_EQ(b.At(2, 1), Rgb(250, 195, 88));
    EXPECT_EQ(b.host.changes.back(), "rectcolor");
    b->AmbientChanged();
    EXPECT_EQ(b.At(2, 1), Rgb(1, 2, 3));
}

TEST(ButtonProperties, AccessKeys) {
    const struct { const char* caption; const char* key; } cases[] = {
        {"&Scan", "s"}, {"Scan", ""},   {"A&", ""},       {"&&Save", ""}, {"Save && &Exit", "e"},
        {"Save && Exit", ""}, {"&&&&X", ""}, {"X", ""},   {"", ""},       {"&&a&&b&c", ""},
    };
    Button b;
    for (const auto& c : cases) {
        b->SetCaption(c.caption);
        EXPECT_EQ(b.host.accessKeys, c.key) << c.caption;
    }
}

TEST(ButtonProperties, ShadeColor) {
    const struct { Colour in; int delta; bool relative; Colour out; } cases[] = {
        {Rgb(100, 100, 160), 48, true, Rgb(148, 148, 200)},
        {Rgb(100, 100, 160), 48, false, Rgb(148, 148, 208)},
        {Rgb(250, 10, 250), 48, false, Rgb(255, 58, 255)},
        {Rgb(20, 100, 200), -64, false, Rgb(0, 36, 136)},
        {Rgb(20, 100, 100), -1, true, Rgb(19, 99, 100)},  // 100 * -1 / 192 truncates to 0
        {Rgb(0, 0, 255), 200, true, Rgb(200, 200, 255)},
    };
    for (const auto& c : cases) EXPECT_EQ(controls::ShadeColor(c.in, c.delta, c.relative), c.out) << c.delta;
    EXPECT_EQ(controls::ShadeColorLimited(Rgb(220, 220, 186), -30, -30, -60, Rgb(250, 250, 250)), Rgb(190, 190, 126));
    EXPECT_EQ(controls::ShadeColorLimited(Rgb(10, 245, 100), -30, 10, 0, Rgb(250, 250, 90)), Rgb(0, 250, 90));
}

TEST(ButtonProperties, DerivedColoursBySchemes) {
    Button b;
    b->SetColorScheme(2);
    b->SetBackColor(Rgb(200, 200, 200));
    b->SetForeColor(Rgb(1, 2, 3));
    EXPECT_EQ(b->FaceColor(), Rgb(200, 200, 200));
    EXPECT_EQ(b->ShadowColor(), Rgb(136, 136, 136));
    EXPECT_EQ(b->LightColor(), Rgb(231, 231, 231));
    EXPECT_EQ(b->HighlightColor(), Rgb(247, 247, 247));
    EXPECT_EQ(b->DarkShadowColor(), Rgb(8, 8, 8));
    EXPECT_EQ(b->TextColor(), Rgb(1, 2, 3));

    b->SetColorScheme(3);
    EXPECT_EQ(b->FaceColor(), Rgb(192, 192, 192));
    EXPECT_EQ(b->TextColor(), Rgb(0, 0, 0));
    EXPECT_EQ(b->OfficeXpMousemoveFrameColor(), Rgb(49, 105, 198));

    b->SetColorScheme(7);  // any other scheme takes the system colours
    EXPECT_EQ(b->FaceColor(), b.host.SystemColour(15));
    EXPECT_EQ(b->DarkShadowColor(), b.host.SystemColour(21));
    EXPECT_EQ(b->TextColor(), Rgb(1, 2, 3));
}

TEST(ButtonProperties, GlossyPresetAndGreySet) {
    Button b(100, 33);
    b->SetButtonType(4);
    EXPECT_EQ(b->Percent(), 53);
    EXPECT_EQ(b->MidColor(), Rgb(124, 171, 255));
    EXPECT_EQ(b->MouseDownEndColor(), Rgb(191, 211, 255));
    b->SetBackColor(Rgb(10, 10, 10));  // scheme 1: the grey set replaces the gradient colours
    EXPECT_EQ(b->MidColor(), Rgb(197, 197, 197));
    EXPECT_EQ(b->MouseDownEndColor(), Rgb(252, 220, 199));
    EXPECT_EQ(b->Percent(), 53);
    b->SetButtonType(4);
    EXPECT_EQ(b->MidColor(), Rgb(124, 171, 255));
}

TEST(ButtonProperties, SettersReportInOrderAndReshape) {
    Button b(20, 10);
    b.host.changes.clear();
    b->SetButtonType(3);
    EXPECT_EQ(b.host.shape.removed.size(), 12u);
    b->SetEnabled(false);
    EXPECT_FALSE(b.host.windowEnabled);
    b->SetCaption("x");
    b->SetFont({"Arial", 10, false, false});
    EXPECT_EQ(b.canvas.CurrentFont().face, "Arial");
    EXPECT_EQ(b.host.changes, (std::vector<std::string>{"ButtonType", "Enabled", "Caption", "Font"}));
}
