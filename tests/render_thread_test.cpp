// The frame loop on a scripted clock: pacing, the slow-start rule on both clocks, frames
// that throw, and the stop request.
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/run_state.h"
#include "app/workspace.h"
#include "platform/platform.h"

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
} g;

int64_t FakeCounter() {
    g.now += g.perRead;
    // Safety net: a loop that never draws must not hang the test run.
    if (++g.reads > 50'000'000) GetRunState().stopRequested.store(1);
    return g.now;
}

int32_t FakeFrame(bool) {
    ++g.frames;
    g.frameTimes.push_back(GetRunState().lastFrameTime);
    g.now += g.frameCost;
    if (g.frames == g.throwAtFrame) throw std::runtime_error("device lost");
    if (g.frames == g.stopAfterFrames) GetRunState().stopRequested.store(1);
    return 1;
}

int FakeErrorScreen() {
    ++g.errorScreens;
    return 0;
}

bool FakeRequirements() { return g.requirements; }

const RenderLoopHooks kHooks = {FakeRequirements, FakeErrorScreen, FakeFrame};

class RenderLoop : public ::testing::Test {
protected:
    void SetUp() override {
        g = Script();
        FrameTimer& timer = FrameTimer::Instance();  // takes the real frequency first
        F = timer.Frequency();
        Platform::SetCounterForTesting(FakeCounter, F);
        timer.ResetForTesting();
        timer.Start();  // base 0
        RunState& s = GetRunState();
        s.stopRequested.store(0);
        s.startFailed.store(0);
        s.lastFrameTime = 0.0;
        SetRenderLoopHooks(&kHooks);
    }
    void TearDown() override {
        SetRenderLoopHooks(nullptr);
        Platform::SetCounterForTesting(nullptr, 0);
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
    RenderThreadProc(nullptr);
    EXPECT_EQ(g.frames, 60);
    EXPECT_EQ(g.errorScreens, 0);
    EXPECT_EQ(GetRunState().startFailed.load(), 0);
}

TEST_F(RenderLoop, NineteenFramesInTheFirstSecondShowTheErrorScreen) {
    g.perRead = Ms(0.01);
    g.frameCost = Ms(51);  // 19 frames end at 0.969 s, the 20th after the second
    g.stopAfterFrames = 100;
    RenderThreadProc(nullptr);
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
    const RenderLoopHooks hooks = {FakeRequirements, FakeErrorScreen, Slow::Frame};
    SetRenderLoopHooks(&hooks);
    RenderThreadProc(nullptr);
    EXPECT_EQ(g.errorScreens, 0);
    EXPECT_EQ(g.frames, 130);
}

TEST_F(RenderLoop, AStepOfExactlyOneMillisecondWaits) {
    // The clock stands still at exactly 1 ms after the last frame (lastFrameTime 0)...
    g.now = F / 1000;
    g.perRead = 0;
    struct Once {
        static int64_t Counter() {
            if (++g.reads == 1000) {
                // ...for 1000 reads: no frame may be drawn. Then one tick more.
                EXPECT_EQ(g.frames, 0);
                g.now += 1;
            }
            return g.now;
        }
    };
    Platform::SetCounterForTesting(Once::Counter, F);
    g.stopAfterFrames = 1;
    RenderThreadProc(nullptr);
    EXPECT_EQ(g.frames, 1);
    EXPECT_GE(g.reads, 1000);
    ASSERT_EQ(g.frameTimes.size(), 1u);
    EXPECT_GT(g.frameTimes[0], 0.001);
}

TEST_F(RenderLoop, FramesAreStrictlyMoreThanOneMillisecondApart) {
    g.perRead = Ms(0.25);
    g.stopAfterFrames = 50;
    RenderThreadProc(nullptr);
    ASSERT_EQ(g.frameTimes.size(), 50u);
    for (size_t i = 1; i < g.frameTimes.size(); ++i) EXPECT_GT(g.frameTimes[i] - g.frameTimes[i - 1], 0.001);
}

TEST_F(RenderLoop, AThrowingFrameEndsTheEffectForGood) {
    g.perRead = Ms(0.01);
    g.frameCost = Ms(5);
    g.throwAtFrame = 300;  // well after the start-up phase
    g.stopAfterFrames = 1000;
    RenderThreadProc(nullptr);
    EXPECT_EQ(g.frames, 300);
    EXPECT_EQ(g.errorScreens, 1);
    EXPECT_EQ(GetRunState().startFailed.load(), 1);
}

TEST_F(RenderLoop, StopRequestEndsAfterTheCurrentFrameWithoutErrorScreen) {
    g.perRead = Ms(0.01);
    g.frameCost = Ms(5);
    g.stopAfterFrames = 7;  // during the start-up phase
    RenderThreadProc(nullptr);
    EXPECT_EQ(g.frames, 7);
    EXPECT_EQ(g.errorScreens, 0);
}

TEST_F(RenderLoop, FailedSetUpOrRequirementsGoStraightToTheErrorScreen) {
    g.perRead = Ms(0.01);
    GetRunState().startFailed.store(1);
    RenderThreadProc(nullptr);
    EXPECT_EQ(g.frames, 0);
    EXPECT_EQ(g.errorScreens, 1);

    g = Script();
    g.perRead = Ms(0.01);
    g.requirements = false;
    GetRunState().startFailed.store(0);
    RenderThreadProc(nullptr);
    EXPECT_EQ(g.frames, 0);
    EXPECT_EQ(g.errorScreens, 1);
    EXPECT_EQ(GetRunState().startFailed.load(), 1);
}

TEST_F(RenderLoop, ASecondThreadContinuesTheTimeLine) {
    g.perRead = Ms(0.01);
    g.frameCost = Ms(5);
    g.stopAfterFrames = 30;
    RenderThreadProc(nullptr);
    const double last = GetRunState().lastFrameTime;
    GetRunState().stopRequested.store(0);
    g.frames = 0;
    g.frameTimes.clear();
    FrameTimer::Instance().Start();  // a second set-up keeps the first time line
    RenderThreadProc(nullptr);
    ASSERT_FALSE(g.frameTimes.empty());
    EXPECT_GT(g.frameTimes[0], last + 0.001);
    EXPECT_LT(g.frameTimes[0], last + 0.01);
}
