// The frame loop on a scripted clock: pacing by the power source, the
// slow-start rule on both clocks, frames that throw, the stop request, a lost device and
// displays that sleep.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <stdexcept>

#include "app/frame_pacing.h"
#include "app/run_state.h"
#include "app/workspace.h"
#include "platform/pacing.h"
#include "platform/platform.h"
#include "gfx/graphics_ops.h"
#include "scene/window.h"

using namespace WorkSpace;

namespace {

struct Script {
    int64_t now = 0;
    int64_t perRead = 0;      // ticks that pass at every clock read (the busy wait)
    int64_t frameCost = 0;    // ticks a frame takes
    int frames = 0;
    int errorScreens = 0;
    int stopAfterFrames = -1;
    int throwAtFrame = -1;
    bool requirements = true;
    int64_t reads = 0;
    std::vector<double> frameTimes;
    std::vector<bool> startupFlags;
    int lostFromFrame = -1;      // Present reports a lost device from this frame on
    int displaysOffAtFrame = -1;  // the displays go to sleep after this frame
    int displaysOnAfterWaits = -1;
    int stopAfterWaits = -1;
    int waits = 0;
    int rebuilds = 0;
    int64_t readsInWaits = 0;    // clock reads between the first wait and the last
    int sleeps = 0;              // the pacing's sleeps
    uint8_t acLine = 1;
    int mainsAtFrame = -1;       // the AC line comes back after this frame
    int powerReads = 0;
    double vsyncRate = 0.0;      // Present waits for the next refresh at this rate; 0: no vsync
    int lateAfterFrame = -1;     // after this frame's Present the thread is kept off the processor 5 ms
    std::vector<std::pair<int, bool>> fineTicks;  // the frame at which the tick was taken or given back
} g;

void RecordFineSleeps(bool fine) { g.fineTicks.push_back({g.frames, fine}); }

// A pacing sleep passes its whole time on the scripted clock.
void FakeSleep(double seconds) {
    ++g.sleeps;
    g.now += static_cast<int64_t>(seconds * static_cast<double>(Platform::PerfFrequency()));
}

Platform::PowerStatus FakePower() {
    ++g.powerReads;
    return {g.acLine, false};
}

int64_t FakeCounter() {
    g.now += g.perRead;
    // Safety net: a loop that never draws must not hang the test run.
    if (++g.reads > 50'000'000) GetRunState().stopRequested.store(1);
    return g.now;
}

int32_t FakeFrame(bool startup) {
    ++g.frames;
    g.frameTimes.push_back(GetRunState().lastFrameTime);
    g.startupFlags.push_back(startup);
    g.now += g.frameCost;
    if (g.vsyncRate > 0.0) {
        const double period = static_cast<double>(Platform::PerfFrequency()) / g.vsyncRate;
        g.now = static_cast<int64_t>(std::ceil(static_cast<double>(g.now) / period) * period);
    }
    if (g.frames == g.lateAfterFrame) g.now += Platform::PerfFrequency() / 200;
    if (g.frames == g.throwAtFrame) throw std::runtime_error("device lost");
    if (g.frames == g.stopAfterFrames) GetRunState().stopRequested.store(1);
    if (g.frames == g.displaysOffAtFrame) GetRunState().displaysOff.store(1);
    if (g.frames == g.mainsAtFrame) g.acLine = 1;
    if (g.lostFromFrame >= 0 && g.frames >= g.lostFromFrame) return kDeviceLost;
    return kOk;
}

// A wait sleeps for its whole time-out on the scripted clock.
void FakeWait(double seconds) {
    static int64_t readsAtFirstWait = 0;
    if (g.waits++ == 0) readsAtFirstWait = g.reads;
    g.readsInWaits = g.reads - readsAtFirstWait;
    g.now += static_cast<int64_t>(seconds * static_cast<double>(Platform::PerfFrequency()));
    if (g.waits == g.displaysOnAfterWaits) GetRunState().displaysOff.store(0);
    if (g.waits == g.stopAfterWaits) GetRunState().stopRequested.store(1);
}

void FakeRebuildRequest() { ++g.rebuilds; }

// No compositor: the display's rate is the mode's, which each test sets.
double NoCompositor() { return 0.0; }

int FakeErrorScreen() {
    ++g.errorScreens;
    return 0;
}

bool FakeRequirements() { return g.requirements; }

const RenderLoopHooks kHooks = {FakeRequirements, FakeErrorScreen, FakeFrame, FakeWait, FakeRebuildRequest, nullptr};

class RenderLoop : public ::testing::Test {
protected:
    void SetUp() override {
        g = Script();
        FrameTimer& timer = FrameTimer::Instance();  // takes the real frequency first
        F = timer.Frequency();
        Platform::SetCounterForTesting(FakeCounter, F);
        Platform::SetSleepForTesting(FakeSleep);
        Platform::SetPowerStatusForTesting(FakePower);
        Platform::SetCompositorRefreshRateForTesting(NoCompositor);
        Platform::SetFineSleepsForTesting(RecordFineSleeps);
        timer.ResetForTesting();
        timer.Start();  // base 0
        RunState& s = GetRunState();
        s.stopRequested.store(0);
        s.startFailed.store(0);
        s.lastFrameTime = 0.0;
        s.displaysOff.store(0);
        s.afterRebuild = 0;
        SetRenderLoopHooks(&kHooks);
    }
    void TearDown() override {
        GetRunState().displaysOff.store(0);
        GetRunState().afterRebuild = 0;
        // The scripted clock ran far ahead: a later loop on the real one would wait for it.
        GetRunState().lastFrameTime = 0.0;
        SetRenderLoopHooks(nullptr);
        Platform::SetCounterForTesting(nullptr, 0);
        Platform::SetSleepForTesting(nullptr);
        Platform::SetPowerStatusForTesting(nullptr);
        Platform::SetCompositorRefreshRateForTesting(nullptr);
        Platform::SetFineSleepsForTesting(nullptr);
        GetWindow().refreshRate = 0;
        FrameTimer::Instance().ResetForTesting();
    }
    int64_t Ms(double ms) const { return static_cast<int64_t>(static_cast<double>(F) * ms / 1000.0); }
    int64_t F = 0;
};

}  // namespace

TEST_F(RenderLoop, TwentyFramesInTheFirstSecondPass) {
    g.perRead = Ms(0.01);
    g.frameCost = Ms(49);  // the 20th frame ends at 0.98 s
    g.stopAfterFrames = 60;
    RenderThreadProc();
    EXPECT_EQ(g.frames, 60);
    EXPECT_EQ(g.errorScreens, 0);
    EXPECT_EQ(GetRunState().startFailed.load(), 0);
}

TEST_F(RenderLoop, NineteenFramesInTheFirstSecondShowTheErrorScreen) {
    g.perRead = Ms(0.01);
    g.frameCost = Ms(51);  // 19 frames end at 0.969 s, the 20th after the second
    g.stopAfterFrames = 100;
    RenderThreadProc();
    EXPECT_EQ(g.frames, 20);
    EXPECT_EQ(g.errorScreens, 1);
    EXPECT_EQ(GetRunState().startFailed.load(), 1);
}

TEST_F(RenderLoop, TwentiethFrameInTimeThenSlowFramesStillPass) {
    g.perRead = Ms(0.01);
    g.frameCost = Ms(10);
    g.stopAfterFrames = 130;
    // After 25 quick frames the machine becomes very slow; the check is already won.
    struct Slow {
        static int32_t Frame(bool startup) {
            FakeFrame(startup);
            if (g.frames == 25) g.frameCost = g.frameCost * 30;
            return 1;
        }
    };
    const RenderLoopHooks hooks = {FakeRequirements, FakeErrorScreen, Slow::Frame, nullptr, nullptr, nullptr};
    SetRenderLoopHooks(&hooks);
    RenderThreadProc();
    EXPECT_EQ(g.errorScreens, 0);
    EXPECT_EQ(g.frames, 130);
}

TEST_F(RenderLoop, AStepOfExactlyOneMillisecondSleepsFirst) {
    // The clock stands at exactly 1 ms after the last frame (lastFrameTime 0): no frame yet,
    // and a sleep rather than another turn.
    g.now = F / 1000;
    g.perRead = 0;
    g.stopAfterFrames = 1;
    RenderThreadProc();
    EXPECT_EQ(g.frames, 1);
    EXPECT_GE(g.sleeps, 1);
    ASSERT_EQ(g.frameTimes.size(), 1u);
    EXPECT_GT(g.frameTimes[0], 0.001);
}

TEST_F(RenderLoop, FramesAreStrictlyMoreThanOneMillisecondApart) {
    g.perRead = Ms(0.25);
    g.stopAfterFrames = 50;
    RenderThreadProc();
    ASSERT_EQ(g.frameTimes.size(), 50u);
    for (size_t i = 1; i < g.frameTimes.size(); ++i) EXPECT_GT(g.frameTimes[i] - g.frameTimes[i - 1], 0.001);
}

TEST_F(RenderLoop, AThrowingFrameEndsTheEffectForGood) {
    g.perRead = Ms(0.01);
    g.frameCost = Ms(5);
    g.throwAtFrame = 300;  // well after the start-up phase
    g.stopAfterFrames = 1000;
    RenderThreadProc();
    EXPECT_EQ(g.frames, 300);
    EXPECT_EQ(g.errorScreens, 1);
    EXPECT_EQ(GetRunState().startFailed.load(), 1);
}

TEST_F(RenderLoop, StopRequestEndsAfterTheCurrentFrameWithoutErrorScreen) {
    g.perRead = Ms(0.01);
    g.frameCost = Ms(5);
    g.stopAfterFrames = 7;  // during the start-up phase
    RenderThreadProc();
    EXPECT_EQ(g.frames, 7);
    EXPECT_EQ(g.errorScreens, 0);
}

TEST_F(RenderLoop, FailedSetUpOrRequirementsGoStraightToTheErrorScreen) {
    g.perRead = Ms(0.01);
    GetRunState().startFailed.store(1);
    RenderThreadProc();
    EXPECT_EQ(g.frames, 0);
    EXPECT_EQ(g.errorScreens, 1);

    g = Script();
    g.perRead = Ms(0.01);
    g.requirements = false;
    GetRunState().startFailed.store(0);
    RenderThreadProc();
    EXPECT_EQ(g.frames, 0);
    EXPECT_EQ(g.errorScreens, 1);
    EXPECT_EQ(GetRunState().startFailed.load(), 1);
}

TEST_F(RenderLoop, ASecondThreadContinuesTheTimeLine) {
    g.perRead = Ms(0.01);
    g.frameCost = Ms(5);
    g.stopAfterFrames = 30;
    RenderThreadProc();
    const double last = GetRunState().lastFrameTime;
    GetRunState().stopRequested.store(0);
    g.frames = 0;
    g.frameTimes.clear();
    FrameTimer::Instance().Start();  // a second set-up keeps the first time line
    RenderThreadProc();
    ASSERT_FALSE(g.frameTimes.empty());
    EXPECT_GT(g.frameTimes[0], last + 0.001);
    EXPECT_LT(g.frameTimes[0], last + 0.01);
}

TEST_F(RenderLoop, ALostDeviceAsksOnceForARebuildAndDrawsNoMore) {
    g.perRead = Ms(0.01);
    g.frameCost = Ms(5);
    g.lostFromFrame = 300;  // well after the start-up phase
    g.stopAfterWaits = 50;  // five seconds later the window thread stops the thread
    RenderThreadProc();
    EXPECT_EQ(g.rebuilds, 1);
    EXPECT_EQ(g.frames, 300);  // not a frame more in those five seconds
    EXPECT_EQ(g.errorScreens, 0);
    EXPECT_EQ(GetRunState().startFailed.load(), 0);
    // It sleeps: a handful of clock reads per wait, not a busy loop.
    EXPECT_LT(g.readsInWaits, 10 * g.waits);
}

TEST_F(RenderLoop, ALostDeviceInTheStartUpSecondIsNoSlowMachine) {
    g.perRead = Ms(0.01);
    g.frameCost = Ms(5);
    g.lostFromFrame = 3;
    g.stopAfterWaits = 30;
    RenderThreadProc();
    EXPECT_EQ(g.rebuilds, 1);
    EXPECT_EQ(g.errorScreens, 0);
    EXPECT_EQ(GetRunState().startFailed.load(), 0);
}

TEST_F(RenderLoop, TheThreadAfterARebuildSkipsTheStartUpSecond) {
    GetRunState().afterRebuild = 1;
    g.perRead = Ms(0.01);
    g.frameCost = Ms(100);  // 10 frames a second would fail the start-up rule
    g.stopAfterFrames = 30;
    RenderThreadProc();
    EXPECT_EQ(g.frames, 30);
    EXPECT_EQ(g.errorScreens, 0);
    for (bool startup : g.startupFlags) EXPECT_FALSE(startup);  // no black second either
}

TEST_F(RenderLoop, SleepingDisplaysStopTheFramesWithoutSpinningOrFailingTheStartUp) {
    g.perRead = Ms(0.01);
    g.frameCost = Ms(10);
    g.displaysOffAtFrame = 5;     // in the start-up second
    g.displaysOnAfterWaits = 50;  // five seconds asleep
    g.stopAfterFrames = 150;
    RenderThreadProc();
    EXPECT_EQ(g.errorScreens, 0);
    EXPECT_EQ(GetRunState().startFailed.load(), 0);
    EXPECT_EQ(g.waits, 50);
    EXPECT_EQ(g.frames, 150);
    EXPECT_LT(g.readsInWaits, 10 * g.waits);
    // The frames after the pause are still measured and blanked: the start-up second
    // goes on from where the displays went off.
    EXPECT_TRUE(g.startupFlags[5]);
    EXPECT_FALSE(g.startupFlags.back());
}

TEST_F(RenderLoop, OnBatteryAfterTheFirstSecondFramesComeEveryFewRefreshesAndTheLoopSleepsBetween) {
    GetWindow().refreshRate = 144;
    g.acLine = 0;
    g.mainsAtFrame = 500;  // after about ten seconds
    g.perRead = Ms(0.001);
    g.frameCost = Ms(1);  // Present does not wait: vsync forced off
    g.stopAfterFrames = 1000;
    RenderThreadProc();
    EXPECT_EQ(g.errorScreens, 0);
    // The first second runs at the display's full rate, battery or not.
    const auto framesBefore = [](double t) {
        return std::count_if(g.frameTimes.begin(), g.frameTimes.end(), [t](double f) { return f < t; });
    };
    EXPECT_GE(framesBefore(1.0), 144);
    // Then 144 / 5 = 28.8 frames a second, with steps to match.
    EXPECT_NEAR(static_cast<double>(framesBefore(8.0) - framesBefore(2.0)), 6 * 28.8, 2.0);
    // Mains is seen within a few seconds: 144 frames a second, not 1000.
    const double mainsAt = g.frameTimes[499];
    size_t back = 500;
    while (back + 1 < g.frameTimes.size() && g.frameTimes[back + 1] - g.frameTimes[back] > 0.01) ++back;
    EXPECT_LT(g.frameTimes[back] - mainsAt, kPowerCheckInterval + 0.05);
    EXPECT_NEAR(g.frameTimes[999] - g.frameTimes[999 - 288], 2.0, 0.02);
    EXPECT_DOUBLE_EQ(GetRunState().frameRate, 144.0);
    // The power source is looked at every few seconds, not every frame; between frames the
    // loop sleeps, with a handful of clock reads a turn.
    EXPECT_LT(g.powerReads, 10);
    EXPECT_LT(g.reads, 10 * (g.frames + g.sleeps));
}

TEST_F(RenderLoop, ASlowDisplayNeedsTwoThirdsOfItsFramesInTheFirstSecond) {
    GetWindow().refreshRate = 15;  // the rule's 20 frames cannot fit; 10 are asked
    for (const double framesASecond : {15.0, 9.0}) {
        g = Script();
        g.perRead = Ms(0.01);
        g.frameCost = Ms(1000.0 / framesASecond);
        g.stopAfterFrames = 40;
        GetRunState().startFailed.store(0);
        GetRunState().stopRequested.store(0);
        RenderThreadProc();
        EXPECT_EQ(g.errorScreens, framesASecond < 10.0 ? 1 : 0) << framesASecond << " frames a second";
    }
}

// The 1 ms tick is held only while the loop sleeps between frames: through the probe of the
// first half second, not while Present paces, again while resting on battery.
TEST_F(RenderLoop, TheFineTickIsHeldOnlyWhileTheLoopSleeps) {
    GetWindow().refreshRate = 60;
    g.vsyncRate = 60.0;
    g.frameCost = Ms(1);
    g.perRead = Ms(0.001);
    g.stopAfterFrames = 180;  // three seconds
    RenderThreadProc();
    ASSERT_EQ(g.fineTicks.size(), 2u);
    EXPECT_EQ(g.fineTicks[0], std::make_pair(0, true));
    EXPECT_FALSE(g.fineTicks[1].second);
    EXPECT_LT(g.fineTicks[1].first, 40);  // the probe's half second

    g = Script();
    g.vsyncRate = 60.0, g.frameCost = Ms(1), g.perRead = Ms(0.001);
    g.acLine = 0;
    g.stopAfterFrames = 120;  // the first second at 60, then 30 a second
    GetRunState().stopRequested.store(0);
    GetRunState().lastFrameTime = 0.0;
    RenderThreadProc();
    ASSERT_EQ(g.fineTicks.size(), 4u);
    EXPECT_TRUE(g.fineTicks[2].second);  // resting from the end of the start-up second
    EXPECT_NEAR(g.fineTicks[2].first, 61, 2);
    EXPECT_EQ(g.fineTicks.back(), std::make_pair(120, false));  // and given back at the end
}

TEST_F(RenderLoop, TheFineTickIsGivenBackWhileTheDisplaysSleepOrTheDeviceIsLost) {
    g.frameCost = Ms(1);  // no vsync: the loop caps the frames and sleeps between them
    g.perRead = Ms(0.001);
    g.displaysOffAtFrame = 200;
    g.displaysOnAfterWaits = 20;
    g.lostFromFrame = 300;
    g.stopAfterWaits = 40;
    RenderThreadProc();
    const std::vector<std::pair<int, bool>> ticks = {{0, true}, {200, false}, {200, true}, {300, false}};
    EXPECT_EQ(g.fineTicks, ticks);
}

// Where Present paces, a frame that started late meets the floor once: without the fine tick
// its short sleep would end on a 15.6 ms tick and miss the refresh. The tick is taken for that
// sleep only.
TEST_F(RenderLoop, AFloorSleepWherePresentPacesTakesTheTickForItself) {
    GetWindow().refreshRate = 60;
    g.vsyncRate = 60.0, g.frameCost = Ms(1), g.perRead = Ms(0.001);
    g.lateAfterFrame = 100;
    g.stopAfterFrames = 120;
    RenderThreadProc();
    ASSERT_EQ(g.fineTicks.size(), 4u);
    EXPECT_EQ(g.fineTicks[2], std::make_pair(101, true));
    EXPECT_EQ(g.fineTicks[3], std::make_pair(101, false));
}
