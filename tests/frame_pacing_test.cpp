// The frame loop's pace: the cap by display and power source, and the sleep until the next
// frame is due.
#include <gtest/gtest.h>

#include "app/frame_pacing.h"

using namespace WorkSpace;

TEST(FramePacing, RestsOnBatteryOrBatterySaverOnly) {
    EXPECT_FALSE(ShouldRest({1, false}));
    EXPECT_FALSE(ShouldRest({255, false}));  // unknown: a desktop without a battery reports no line
    EXPECT_TRUE(ShouldRest({0, false}));
    EXPECT_TRUE(ShouldRest({1, true}));
}

TEST(FramePacing, CapIsTheDisplayRateAndAtMostThirtyWhileResting) {
    EXPECT_EQ(FrameRateCap(144, false), 144.0);
    EXPECT_EQ(FrameRateCap(144, true), 30.0);
    EXPECT_EQ(FrameRateCap(24, true), 24.0);
}

TEST(FramePacing, SleepsUntilTheNextFrameIsDueAndKeepsTheAverageRate) {
    FramePacer pacer;
    pacer.interval = 0.01;
    EXPECT_EQ(FrameWait(pacer, 5.0, 4.0), 0.0);  // the first frame at once
    EXPECT_NEAR(FrameWait(pacer, 5.002, 5.0), 0.008, 1e-9);
    // Woken a little late: drawn, and the next one is due on the schedule, not 10 ms later.
    EXPECT_EQ(FrameWait(pacer, 5.0103, 5.0), 0.0);
    EXPECT_NEAR(FrameWait(pacer, 5.0115, 5.0103), 0.0085, 1e-9);
    // Far behind (a slow frame): no burst; the schedule starts again from now.
    EXPECT_EQ(FrameWait(pacer, 6.0, 5.0103), 0.0);
    EXPECT_NEAR(FrameWait(pacer, 6.002, 6.0), 0.008, 1e-9);
}
