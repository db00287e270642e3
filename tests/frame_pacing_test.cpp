// The frame loop's pace: the cap by display and power source, and the sleep until the next
// frame is due.
#include <gtest/gtest.h>

#include "app/frame_pacing.h"

using namespace WorkSpace;

TEST(FramePacing, RestsOnBatteryOrBatterySaverOnly) {
    Platform::PowerStatus status;
    status.acLine = 1;
    EXPECT_FALSE(ShouldRest(status));
    status.acLine = 255;  // unknown: a desktop without a battery reports no line at all
    EXPECT_FALSE(ShouldRest(status));
    status.acLine = 0;
    EXPECT_TRUE(ShouldRest(status));
    status.acLine = 1;
    status.batterySaver = true;
    EXPECT_TRUE(ShouldRest(status));
}

TEST(FramePacing, CapIsTheDisplayRateAndThirtyWhileResting) {
    EXPECT_EQ(FrameRateCap(0, false), 60.0);
    EXPECT_EQ(FrameRateCap(1, false), 60.0);
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

TEST(FramePacing, OneMillisecondAfterTheLastFrameIsNeverDueAndStillASleep) {
    FramePacer pacer;
    pacer.interval = 0.0001;  // a display faster than the 1 ms floor
    EXPECT_GT(FrameWait(pacer, 1.001, 1.0), 0.0);
    EXPECT_EQ(FrameWait(pacer, 1.0011, 1.0), 0.0);
}
