// Rebuilds on the recording backend: the error screen at once when the device or the scene
// cannot be made (or the attempt throws), the effect back without the start-up second, one
// log line while the failure stays the same, and a burst of display changes as one rebuild.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/rebuild.h"
#include "app/run_state.h"
#include "app/workspace.h"
#include "platform/platform.h"
#include "render/graphics_ops.h"
#include "render/recording_graphics.h"
#include "render/window.h"
#include "resources/logger.h"
#include "resources/zip_reader.h"

using namespace WorkSpace;

ZipReader& SceneArchive();  // lumora_effect_test.cpp

namespace {

std::atomic<int> g_errorScreens{0}, g_frames{0}, g_startupFrames{0};
bool Pass() { return true; }
int ErrorScreen() { return ++g_errorScreens; }
int32_t Frame(bool startup) {
    ++g_frames;
    if (startup) ++g_startupFrames;
    return kOk;
}
const RenderLoopHooks kHooks = {Pass, ErrorScreen, Frame, nullptr, nullptr};

class Rebuild : public ::testing::Test {
protected:
    void SetUp() override {
        GetWindow().archive = &SceneArchive();
        dir = ::testing::TempDir() + "rebuild_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        Platform::MakeFolder(Platform::Utf8ToWide(dir.data(), dir.size()));
        GetLogger().SetFolder(Platform::Utf8ToWide(dir.data(), dir.size()));
        UseRecordingGraphics(&record, 1024, 768);
        SetRenderLoopHooks(&kHooks);
        g_errorScreens = g_frames = g_startupFrames = 0;
        RunState& s = GetRunState();
        s.startFailed.store(0);
        s.rebuildFailed = 0;
        s.stopRequested.store(0);
    }
    void TearDown() override {
        StopRenderThread();
        RunState& s = GetRunState();
        s.stopRequested.store(0);
        s.rebuildFailed = 0;
        ReleaseScene();
        GetWindow().archive = &ZipReader::Instance();
        SetRenderLoopHooks(nullptr);
        UseRecordingGraphics(nullptr, 0, 0);
    }
    size_t LogCount(const std::string& line) {
        std::ifstream in(dir + "/log_output.txt", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        size_t n = 0;
        for (size_t at = s.str().find(line); at != std::string::npos; at = s.str().find(line, at + 1)) ++n;
        return n;
    }
    GraphicsRecord record;
    std::string dir;
    int window = 0;
};

}  // namespace

TEST_F(Rebuild, NoDeviceShowsTheErrorScreenUntilTheEffectComesBackWithoutTheStartUpSecond) {
    record.failing = {"System.CreateDevice"};
    EXPECT_EQ(RebuildRun(&window, {}), RebuildOutcome::Retry);
    EXPECT_EQ(RebuildRun(&window, {}), RebuildOutcome::Retry);
    EXPECT_EQ(GetRunState().startFailed.load(), 1);
    record.failing.clear();
    EXPECT_EQ(RebuildRun(&window, {}), RebuildOutcome::Effect);
    EXPECT_EQ(GetRunState().startFailed.load(), 0);
    for (int i = 0; i < 2000 && g_frames < 5; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    StopRenderThread();
    EXPECT_EQ(g_errorScreens, 2);  // one for each failed attempt
    EXPECT_GE(g_frames, 5);
    EXPECT_EQ(g_startupFrames, 0);
    // The same failure twice is logged once; the attempt that worked logs its set-up block.
    EXPECT_EQ(LogCount("Window::Create() - CreateDevice () - FAILED"), 1u);
    EXPECT_EQ(LogCount("Window::Create() - OK"), 1u);
}

TEST_F(Rebuild, AThrowingAttemptShowsTheErrorScreen) {
    record.throwOn = "SetRenderState";
    EXPECT_EQ(RebuildRun(&window, {}), RebuildOutcome::Retry);
    StopRenderThread();
    EXPECT_EQ(g_errorScreens, 1);
    EXPECT_EQ(LogCount("WorkSpace::RebuildScene() - exception - FAILED"), 1u);
}

TEST_F(Rebuild, ASceneThatFailsHalfWayIsAFailedRebuild) {
    record.failing = {"CreateEffect"};  // the logo is made, the particles are not
    EXPECT_EQ(RebuildRun(&window, {}), RebuildOutcome::Retry);
    EXPECT_EQ(GetRunState().startFailed.load(), 1);
    EXPECT_EQ(record.liveObjects, 0);  // nothing half-made stays behind the error screen
}

TEST_F(Rebuild, ARunWhoseStartUpFailedStaysOnItsErrorScreen) {
    GetRunState().startFailed.store(1);
    EXPECT_EQ(RebuildRun(&window, {}), RebuildOutcome::ErrorScreen);
    EXPECT_FALSE(record.Contains("System.CreateDevice()"));
}

TEST_F(Rebuild, ABurstOfDisplayChangesGivesOneRebuild) {
    RebuildSchedule schedule;
    int rebuilds = 0;
    for (int ms = 0; ms <= 1000; ms += 10) {
        const double now = ms / 1000.0;
        if (ms <= 300 && ms % 50 == 0) schedule.DisplayChanged(now);
        if (ms == 320) schedule.DeviceLost(now);  // the merge pending makes the device anyway
        if (!schedule.Due(now, false)) continue;
        EXPECT_EQ(ms, 550);  // 250 ms after the last change
        ++rebuilds;
        schedule.Attempted(RebuildRun(&window, {}) != RebuildOutcome::Retry, now);
    }
    EXPECT_EQ(rebuilds, 1);
    EXPECT_EQ(record.Find("System.CreateDevice()", record.Find("System.CreateDevice()") + 1), -1);
}

TEST(RebuildSchedule, RetriesAreAtMostFiveSecondsApartAndNoneWhileClosing) {
    RebuildSchedule schedule;
    schedule.DeviceLost(0.0);
    EXPECT_TRUE(schedule.Due(0.0, false));
    double now = 0.0;
    const double waits[] = {1.0, 2.0, 4.0, 5.0, 5.0};
    for (double wait : waits) {
        schedule.Attempted(false, now);
        EXPECT_DOUBLE_EQ(schedule.Wait(now), wait);
        now += wait;
    }
    EXPECT_FALSE(schedule.Due(now, true));  // WM_CLOSE is queued
    EXPECT_LT(schedule.Wait(now), 0.0);
}
