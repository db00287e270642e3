// A clip's timeline on a scripted clock: the frame due at each moment, the end of the last
// frame, and how long the entry holds the screen.
#include "video/clip_timeline.h"

#include <gtest/gtest.h>

using namespace WorkSpace;

TEST(ClipTimeline, EachFrameShowsAtItsOwnTimeNotOnePerRefresh) {
    // A 25 frames a second clip on a 60 Hz display: refreshes 0, 1 and 2 show frame 0, the
    // third (0.05 s) frame 1; a refresh after a stall shows the latest due, not the next.
    const double times[] = {0.0, 0.04, 0.08, 0.12};
    EXPECT_EQ(DueFrame(times, 4, 0.0), 0);
    EXPECT_EQ(DueFrame(times, 4, 2.0 / 60.0), 0);
    EXPECT_EQ(DueFrame(times, 4, 3.0 / 60.0), 1);
    EXPECT_EQ(DueFrame(times, 4, 0.10), 2);
    EXPECT_EQ(DueFrame(times + 1, 3, 0.0), -1);
}

TEST(ClipTimeline, CountsFromTheFirstSamplesStamp) {
    ClipOrigin origin;
    EXPECT_DOUBLE_EQ(origin.Relative(7.5), 0.0);
    EXPECT_DOUBLE_EQ(origin.Relative(8.0), 0.5);
}

TEST(ClipTimeline, PausedSecondsDoNotCount) {
    ClipClock clock;
    clock.Advance(1.0);
    clock.SetPaused(true);
    clock.Advance(5.0);
    clock.SetPaused(false);
    clock.Advance(0.5);
    EXPECT_DOUBLE_EQ(clock.Elapsed(), 1.5);
}

TEST(ClipTimeline, TheLastFrameLastsAsLongAsTheOneBefore) {
    EXPECT_DOUBLE_EQ(ClipEndTime(2.0, 1.96, true), 2.04);
    EXPECT_NEAR(ClipEndTime(0.0, 0.0, false), 1.0 / 30.0, 1e-12);
}

TEST(ClipTimeline, AClipHoldsTheScreenUntilItsEndOrItsLongest) {
    ClipProgress whole{true, 10.0, 9.96};
    EXPECT_TRUE(ClipHoldsFade(whole, 9.9, 0.0, 0.0, false));
    EXPECT_FALSE(ClipHoldsFade(whole, 10.0, 0.0, 0.0, false));
    EXPECT_FALSE(ClipHoldsFade(whole, 29.0, 0.0, 30.0, false));
    ClipProgress longClip{false, 0.0, 40.0};
    EXPECT_TRUE(ClipHoldsFade(longClip, 29.9, 0.0, 30.0, false));
    EXPECT_FALSE(ClipHoldsFade(longClip, 30.0, 0.0, 30.0, false));
    EXPECT_TRUE(ClipHoldsFade(longClip, 35.0, 0.0, 0.0, false));
}

TEST(ClipTimeline, AStalledDecoderHoldsNoLongerThanItsGrace) {
    ClipProgress stalled{false, 0.0, 3.0};
    EXPECT_TRUE(ClipHoldsFade(stalled, 3.0 + kClipStallSeconds - 0.1, 3.0, 30.0, false));
    EXPECT_FALSE(ClipHoldsFade(stalled, 3.0 + kClipStallSeconds, 3.0, 30.0, false));
}

TEST(ClipTimeline, ASlowDecoderIsNotStalledWhileItsFramesKeepComing) {
    // Frame 3.0 of the clip first seen at 9.0 s of the entry: six seconds behind, still playing.
    ClipProgress slow{false, 0.0, 3.0};
    EXPECT_TRUE(ClipHoldsFade(slow, 9.0 + kClipStallSeconds - 0.1, 9.0, 30.0, false));
    EXPECT_FALSE(ClipHoldsFade(slow, 9.0 + kClipStallSeconds, 9.0, 30.0, false));
}

TEST(ClipTimeline, ALivePhotosMotionPlaysOnceAndNeverHoldsTheFade) {
    ClipProgress motion{true, 2.5, 2.46};
    EXPECT_FALSE(ClipHoldsFade(motion, 1.0, 0.0, 30.0, true));
    EXPECT_TRUE(ClipPlaying(motion, 2.4, 0.0));
    EXPECT_FALSE(ClipPlaying(motion, 2.5, 0.0));
}
