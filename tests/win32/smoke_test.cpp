#include <gtest/gtest.h>
#include "platform/Ui.h"
TEST(Colour, RgbPacksRedInTheLowByte) { EXPECT_EQ(platform::Rgb(255, 0, 0), 0xFFu); EXPECT_EQ(platform::Rgb(0, 0, 255), 0xFF0000u); }
