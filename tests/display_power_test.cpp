// The console display state read from Windows' power-setting notices.
#include <gtest/gtest.h>

#include "app/display_power.h"

using namespace WorkSpace;

TEST(DisplayPower, ConsoleDisplayStateNotices) {
    const uint8_t off[4] = {0, 0, 0, 0}, on[4] = {1, 0, 0, 0}, dimmed[4] = {2, 0, 0, 0}, odd[4] = {7, 0, 0, 0};
    EXPECT_EQ(DecideDisplayPower(true, 4, off), DisplayPower::Off);
    EXPECT_EQ(DecideDisplayPower(true, 4, on), DisplayPower::On);
    EXPECT_EQ(DecideDisplayPower(true, 4, dimmed), DisplayPower::On);  // dimmed still shows the frames
    EXPECT_EQ(DecideDisplayPower(true, 4, odd), DisplayPower::NotDisplayState);
    EXPECT_EQ(DecideDisplayPower(true, 2, off), DisplayPower::NotDisplayState);  // too short to read
    EXPECT_EQ(DecideDisplayPower(true, 4, nullptr), DisplayPower::NotDisplayState);
    EXPECT_EQ(DecideDisplayPower(false, 4, off), DisplayPower::NotDisplayState);  // another setting
}
