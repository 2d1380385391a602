// The stored layouts: what the windows are built from.
#include <gtest/gtest.h>

#include <algorithm>

#include "shell/Layouts.h"

namespace {

using namespace shell::layout;

TEST(Layouts, TwipsBecomeTheNearestPixel) {
    const struct {
        int twips, pixels;
    } cases[] = {{0, 0}, {15, 1}, {110, 7}, {2540, 169}, {3590, 239}, {11790, 786}, {8355, 557}, {20000, 1333}, {-20, -1}};
    for (const auto& c : cases) EXPECT_EQ(Pixels(c.twips), c.pixels) << c.twips;
}

TEST(Layouts, TwipsAtAnyDensityBecomeTheNearestPixelHalvesToEven) {
    const struct {
        int twips, dpi, pixels;
    } cases[] = {
        {11790, 144, 1179}, {8355, 144, 836},  // 835.5
        {825, 144, 82},     {495, 144, 50},    {10215, 144, 1022}, {225, 144, 22}, {-15, 144, -2},
        {11790, 192, 1572}, {8355, 192, 1114}, {110, 192, 15},     {2540, 192, 339},
        {8355, 120, 696},   {110, 120, 9},     {3590, 96, 239},    {20000, 96, 1333},
    };
    for (const auto& c : cases) EXPECT_EQ(Pixels(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;
    for (int twips = -300; twips <= 12000; twips += 5) EXPECT_EQ(Pixels(twips), Pixels(twips, 96)) << twips;
}

TEST(Layouts, FocusOrdersNameControlsOfTheirWindow) {
    const struct {
        Form form;
        std::vector<std::string> first;
        std::size_t count;
    } cases[] = {
        {Form::Scanner, {"Check6", "Check1"}, 16},
        {Form::RestoreAndBackup, {"ListViewBackups", "CommandRefresh", "CommandRestore", "CommandDelete"}, 4},
        {Form::Settings, {"CommandApplySettings", "CheckBackupBeforeFix", "CheckExpandable", "CheckRestorePoint"}, 4},
        {Form::Records, {"CommandRefreshRecords"}, 1},
        {Form::Repair, {"lvwRegErrors", "CommandStart", "CommandStop", "CommandRepair", "CommandReturn"}, 5},
    };
    for (const auto& c : cases) {
        const WindowLayout& w = LayoutOf(c.form);
        ASSERT_EQ(w.focusOrder.size(), c.count) << w.name;
        EXPECT_TRUE(std::equal(c.first.begin(), c.first.end(), w.focusOrder.begin())) << w.name;
        // Each name is one control of the window, created from this order.
        for (const std::string& name : w.focusOrder) {
            const auto n = std::count_if(w.checks.begin(), w.checks.end(), [&](auto& x) { return x.name == name; }) +
                           std::count_if(w.lists.begin(), w.lists.end(), [&](auto& x) { return x.name == name; }) +
                           std::count_if(w.buttons.begin(), w.buttons.end(), [&](auto& x) { return x.name == name; });
            EXPECT_EQ(n, 1) << w.name << " " << name;
        }
    }
}

TEST(Layouts, OnlyTheHiddenBoxLiesOutsideTheClientArea) {
    for (Form form : {Form::Scanner, Form::RestoreAndBackup, Form::Settings, Form::Records, Form::Repair}) {
        const WindowLayout& w = LayoutOf(form);
        auto inside = [](const Bounds& b) {
            return b.left >= 0 && b.top >= 0 && b.left + b.width <= kClientWidth && b.top + b.height <= kClientHeight;
        };
        for (const auto& c : w.checks) EXPECT_EQ(inside(c.at), c.name != "Check6") << w.name << " " << c.name;
        for (const auto& b : w.buttons) EXPECT_TRUE(inside(b.at)) << w.name << " " << b.name;
        for (const auto& p : w.pictures) EXPECT_TRUE(inside(p.at)) << w.name << " " << p.name;
    }
}

TEST(Layouts, ButtonsStoreTheirCaptionStyleAndColourSets) {
    const WindowLayout& backups = LayoutOf(Form::RestoreAndBackup);
    const auto stored = StoredSettings(backups.buttons.front());
    EXPECT_EQ(stored.ReadText("Caption", ""), "Refresh");
    EXPECT_EQ(stored.ReadInt("XpType", 0), 2);
    EXPECT_EQ(stored.ReadInt("Percent", 0), 53);
    EXPECT_EQ(stored.ReadInt("MidColor", 0), 0x00FFAB7C);
    EXPECT_EQ(stored.ReadInt("rectcolor", 0), 0x000080FF);
    const auto plain = StoredSettings(LayoutOf(Form::Repair).buttons.front());
    EXPECT_FALSE(plain.Has("Percent"));
    EXPECT_FALSE(plain.Has("rectcolor"));
    for (const auto& b : LayoutOf(Form::Repair).buttons) EXPECT_EQ(b.at.height, 495) << b.name;
}

}  // namespace
