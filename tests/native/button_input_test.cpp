// Mouse, keyboard, focus and hover: the faces shown and the events raised,
// in the order the host sees them.
#include <gtest/gtest.h>

#include "button_host.h"

using namespace buttontest;

namespace {

// A button whose every event is logged with the face it shows at that moment.
struct LoggedButton : Button {
    std::function<void(std::int16_t&)> onKeyDown;
    LoggedButton() : Button(97, 33, ProgramSettings("&Scan")) {
        auto& c = *command;
        auto face = [this] { return std::string(command->DrawState() == 2 ? " down" : " up"); };
        auto mouse = [this, face](const char* name) {
            return [this, face, name](std::int16_t& b, std::int16_t& s, float& x, float& y) {
                host.log.push_back(std::string(name) + "(" + std::to_string(b) + "," + std::to_string(s) + "," +
                                   std::to_string(static_cast<int>(x)) + "," + std::to_string(static_cast<int>(y)) + ")" +
                                   face());
            };
        };
        c.MouseDown = mouse("MouseDown");
        c.MouseUp = mouse("MouseUp");
        c.MouseMove = mouse("MouseMove");
        c.Click = [this, face] { host.log.push_back("Click" + face()); };
        c.MouseOut = [this] { host.log.push_back("MouseOut"); };
        c.KeyDown = [this](std::int16_t& k, std::int16_t&) {
            host.log.push_back("KeyDown(" + std::to_string(k) + ")");
            if (onKeyDown) onKeyDown(k);
        };
        c.KeyPress = [this](std::int16_t& k) { host.log.push_back("KeyPress(" + std::to_string(k) + ")"); };
        c.KeyUp = [this](std::int16_t& k, std::int16_t&) { host.log.push_back("KeyUp(" + std::to_string(k) + ")"); };
        host.log.clear();
    }
    using Log = std::vector<std::string>;
};

}  // namespace

TEST(ButtonInput, LeftClick) {
    LoggedButton b;
    b->OnMouseDown(1, 0, 10, 10);
    b->OnMouseUp(1, 0, 10, 10);
    b->OnClick();
    EXPECT_EQ(b.host.log, (LoggedButton::Log{"MouseDown(1,0,10,10) down", "MouseUp(1,0,10,10) up", "Refresh", "Click up"}));
}

TEST(ButtonInput, DoubleClickRaisesOneClick) {
    LoggedButton b;
    b->OnMouseDown(1, 0, 10, 10);
    b->OnMouseUp(1, 0, 10, 10);
    b->OnClick();
    b->OnDblClick();
    b->OnMouseUp(1, 0, 10, 10);
    EXPECT_EQ(b.host.log, (LoggedButton::Log{"MouseDown(1,0,10,10) down", "MouseUp(1,0,10,10) up", "Refresh", "Click up",
                                             "MouseDown(1,1,1,1) down", "MouseUp(1,0,10,10) up"}));
}

TEST(ButtonInput, SpaceBar) {
    LoggedButton b;
    b->OnKeyDown(32, 0);
    b->OnKeyDown(32, 0);  // held: repeats
    b->OnKeyPress(32);
    b->OnKeyUp(32, 0);
    EXPECT_EQ(b.host.log, (LoggedButton::Log{"KeyDown(32)", "MouseDown(1,1,1,1) down", "KeyDown(32)", "MouseDown(1,1,1,1) down",
                                             "KeyPress(32)", "KeyUp(32)", "MouseUp(1,1,1,1) up", "Refresh", "Click up"}));
}

TEST(ButtonInput, HostChangingKeyCode) {
    // 0: no press and no click. Out of the byte range: the same, and the
    // control carries on instead of failing.
    for (std::int16_t replacement : {std::int16_t{0}, std::int16_t{300}, std::int16_t{-5}}) {
        LoggedButton b;
        b.onKeyDown = [replacement](std::int16_t& k) { k = replacement; };
        b->OnKeyDown(32, 0);
        b->OnKeyUp(32, 0);
        EXPECT_EQ(b.host.log, (LoggedButton::Log{"KeyDown(32)", "KeyUp(32)"})) << replacement;
        EXPECT_EQ(b->LastKey(), 0);
        EXPECT_EQ(b->DrawState(), 0);
    }
}

TEST(ButtonInput, ArrowsMoveTheFocus) {
    const struct { std::int16_t key; const char* request; } cases[] = {
        {39, "SendTab"}, {40, "SendTab"}, {37, "SendTab back"}, {38, "SendTab back"}};
    for (const auto& c : cases) {
        LoggedButton b;
        b->OnKeyDown(c.key, 0);
        EXPECT_EQ(b.host.log.back(), c.request) << c.key;
    }
}

TEST(ButtonInput, DragOutAndBack) {
    LoggedButton b;
    b->OnMouseDown(1, 0, 10, 10);
    b->OnMouseMove(1, 0, 200, 10);  // outside: no event, but the timer runs
    EXPECT_TRUE(b.host.timerOn);
    b.host.pointerX = 200;
    b->OnTimer1();
    EXPECT_FALSE(b.host.timerOn);
    EXPECT_EQ(b->DrawState(), 0);
    b->OnMouseMove(1, 0, 10, 10);  // back inside: down again
    EXPECT_EQ(b->DrawState(), 2);
    b->OnMouseMove(1, 0, 11, 10);
    b->OnMouseUp(1, 0, 200, 10);
    EXPECT_EQ(b.host.log, (LoggedButton::Log{"MouseDown(1,0,10,10) down", "MouseOut", "MouseMove(1,0,10,10) up",
                                             "MouseMove(1,0,11,10) down", "MouseUp(1,0,200,10) up"}));
}

TEST(ButtonInput, RightButtonKeepsTheFaceUp) {
    LoggedButton b;
    b->OnMouseDown(2, 0, 10, 10);
    EXPECT_EQ(b->DrawState(), 0);
    b->OnMouseUp(2, 0, 10, 10);
    EXPECT_EQ(b->LastButton(), 2);
    b->PaintButton(2, true);  // whatever the face, a click after a right press leaves it
    b->OnClick();
    EXPECT_EQ(b->DrawState(), 2);
    EXPECT_EQ(b.host.log.front(), "MouseDown(2,0,10,10) up");

    LoggedButton held;
    held->OnMouseMove(2, 0, 10, 10);  // right button held: nothing at all
    EXPECT_FALSE(held.host.timerOn);
    EXPECT_TRUE(held.host.log.empty());
}

TEST(ButtonInput, HoverEdgesAndLeaving) {
    LoggedButton b;
    b->OnMouseMove(0, 0, 97, 33);  // the right and bottom edges count as inside
    b->OnMouseMove(0, 0, 98, 10);
    EXPECT_EQ(b.host.log, (LoggedButton::Log{"MouseMove(0,0,97,33) up"}));
    EXPECT_TRUE(b->IsHover());
    const int paints = b.host.invalidations;
    b->OnMouseMove(0, 0, 5, 5);  // already hovered: no repaint
    EXPECT_EQ(b.host.invalidations, paints);
    EXPECT_EQ(b.At(1, 2), Rgb(228, 144, 80));

    b.host.pointerX = 50;
    b.host.pointerY = 33;
    b->OnTimer1();  // still inside: nothing
    EXPECT_TRUE(b.host.timerOn);
    b.host.pointerY = 34;
    b->OnTimer1();
    EXPECT_FALSE(b->IsHover());
    EXPECT_NE(b.At(1, 2), Rgb(228, 144, 80));
    EXPECT_EQ(b.host.log.back(), "MouseOut");

    // A click leaves the pointer on the button: the hover ring comes back.
    b->OnMouseMove(0, 0, 5, 5);
    b->OnMouseDown(1, 0, 5, 5);
    b->OnMouseUp(1, 0, 5, 5);
    b->OnClick();
    EXPECT_EQ(b.At(1, 2), Rgb(228, 144, 80));
}

TEST(ButtonInput, MoveWithoutButtonsLiftsADownFace) {
    LoggedButton b;
    b->PaintButton(2, true);
    b->OnMouseMove(0, 0, 5, 5);
    EXPECT_EQ(b->DrawState(), 0);
}

TEST(ButtonInput, AccessKeyAndFocus) {
    LoggedButton b;
    EXPECT_EQ(b.host.accessKeys, "s");
    b->OnAccessKeyPress('s');
    EXPECT_EQ(b.host.log, (LoggedButton::Log{"Refresh", "Click up"}));
    b->OnGotFocus();
    EXPECT_TRUE(b->HasFocus());
    EXPECT_EQ(b.At(1, 10), Rgb(122, 184, 98));
    b->OnLostFocus();
    EXPECT_NE(b.At(1, 10), Rgb(122, 184, 98));
}

TEST(ButtonInput, DisabledIgnoresInputButTimerStillLeaves) {
    LoggedButton b;
    b->OnMouseMove(0, 0, 5, 5);
    b->SetEnabled(false);
    b.host.log.clear();
    b->OnMouseDown(1, 0, 5, 5);
    b->OnMouseUp(1, 0, 5, 5);
    b->OnClick();
    b->OnDblClick();
    b->OnKeyDown(32, 0);
    b->OnKeyPress(32);
    b->OnKeyUp(32, 0);
    b->OnAccessKeyPress('s');
    b->OnMouseMove(0, 0, 5, 5);
    EXPECT_TRUE(b.host.log.empty());
    b.host.pointerX = -1;
    b->OnTimer1();
    EXPECT_EQ(b.host.log, (LoggedButton::Log{"MouseOut"}));
    EXPECT_EQ(b.At(5, 5), Rgb(244, 244, 234));
}

TEST(ButtonInput, HostMayDestroyTheButtonInsideAnEvent) {
    // A window that closes from its handlers takes the button with it; the
    // control must not touch itself afterwards (the sanitizers watch).
    const std::vector<std::function<void(LoggedButton&)>> steps = {
        [](LoggedButton& b) { b->OnClick(); },
        [](LoggedButton& b) { b->OnKeyDown(32, 0); },
        [](LoggedButton& b) { b->OnMouseMove(0, 0, 5, 5); },
        [](LoggedButton& b) { b.host.pointerX = -1; b->OnTimer1(); },
        [](LoggedButton& b) { b->OnMouseDown(1, 0, 5, 5); },
    };
    for (const auto& step : steps) {
        LoggedButton b;
        auto kill = [&b] { b.command.reset(); };
        b->Click = kill;
        b->KeyDown = [kill](std::int16_t&, std::int16_t&) { kill(); };
        b->MouseMove = [kill](std::int16_t&, std::int16_t&, float&, float&) { kill(); };
        b->MouseDown = [kill](std::int16_t&, std::int16_t&, float&, float&) { kill(); };
        b->MouseOut = kill;
        step(b);
        EXPECT_EQ(b.command, nullptr);
    }
}
