// Rebuilds on the recording backend: failed ones show the error screen until the device comes
// back, and display changes are merged.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/rebuild.h"
#include "app/run_state.h"
#include "app/workspace.h"
#include "platform/platform.h"
#include "gfx/recording_graphics.h"
#include "scene/window.h"
#include "resources/logger.h"
#include "resources/zip_reader.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {

std::atomic<int> g_errorScreens{0}, g_frames{0}, g_startupFrames{0};
bool Pass() { return true; }
int ErrorScreen() { return ++g_errorScreens; }
int32_t Frame(bool startup) { return ++g_frames, g_startupFrames += startup, kOk; }
const RenderLoopHooks kHooks = {Pass, ErrorScreen, Frame, nullptr, nullptr, nullptr};

class Rebuild : public ::testing::Test {
protected:
    void SetUp() override {
        GetWindow().archive = &SceneArchive();
        Platform::MakeFolder(dir);
        GetLogger().SetFolder(dir);
        UseRecordingGraphics(&record, 1024, 768);
        SetRenderLoopHooks(&kHooks);
        GetRunState().startFailed.store(0);
        GetRunState().rebuildFailed = 0;
    }
    void TearDown() override {
        StopRenderThread();
        GetRunState().stopRequested.store(0);
        GetRunState().rebuildFailed = 0;
        ReleaseScene();
        GetWindow().archive = &ZipReader::Instance();
        SetRenderLoopHooks(nullptr);
        UseRecordingGraphics(nullptr, 0, 0);
    }
    GraphicsRecord record;
    const std::string tmp = ::testing::TempDir() + "rebuild";
    const std::wstring dir = Platform::Utf8ToWide(tmp.data(), tmp.size());
    int window = 0;
};

}  // namespace

// Each way an attempt can fail, twice: the error screen each time, nothing half-made behind it,
// one log line for the same failure twice and no set-up block, then the effect when it works.
TEST_F(Rebuild, AFailedRebuildShowsTheErrorScreenUntilTheEffectComesBack) {
    const struct { const char *failing, *throwOn, *logLine; } cases[] = {
        {"System.CreateDevice", "", "Window::Create() - CreateDevice () - FAILED"},
        {"", "SetRenderState", "WorkSpace::RebuildScene() - exception - FAILED"},
        {"CreateEffect", "", "ParticleShader.fx) - FAILED"},  // InitScene fails after the logo
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logLine);
        GetLogger().SetFolder(dir);  // a fresh log
        g_errorScreens = g_frames = g_startupFrames = 0;
        if (*c.failing) record.failing = {c.failing};
        record.throwOn = c.throwOn;
        for (int attempt = 0; attempt < 2; ++attempt) {
            EXPECT_EQ(RebuildRun(&window, {}), RebuildOutcome::Retry);
            EXPECT_EQ(record.liveObjects, 0);
        }
        record.failing.clear();
        record.throwOn.clear();
        EXPECT_EQ(RebuildRun(&window, {}), RebuildOutcome::Effect);
        for (int i = 0; i < 2000 && g_frames < 5; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        StopRenderThread();
        EXPECT_EQ(g_errorScreens, 2);
        EXPECT_GE(g_frames, 5);
        EXPECT_EQ(g_startupFrames, 0);
        std::string log;
        Platform::ReadWholeFile(dir + L"/log_output.txt", log);
        auto once = [&](const char* part) {
            return log.find(part) != log.npos && log.find(part) == log.rfind(part);
        };
        EXPECT_TRUE(once(c.logLine) && once("FAILED") && once("Window::Create() - OK")) << log;
    }
}

TEST_F(Rebuild, ARunWhoseStartUpFailedStaysOnItsErrorScreenOverTheNewDesktop) {
    GetRunState().startFailed.store(1);
    g_errorScreens = 0;
    int placed = 0;
    EXPECT_EQ(RebuildRun(&window, [&] { ++placed; }), RebuildOutcome::ErrorScreen);
    EXPECT_EQ(placed, 1);
    for (int i = 0; i < 2000 && g_errorScreens == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(g_errorScreens, 1) << "the error screen was not shown again in the new place";
    EXPECT_FALSE(record.Contains("System.CreateDevice()"));
}

TEST_F(Rebuild, ABurstOfDisplayChangesGivesOneRebuild) {
    RebuildSchedule schedule;
    for (int ms = 0; ms <= 300; ms += 50) schedule.DisplayChanged(ms / 1000.0);
    schedule.DeviceLost(0.32);  // the merge pending makes the device anyway
    EXPECT_FALSE(schedule.Due(0.54, false));
    ASSERT_TRUE(schedule.Due(0.55, false));  // 250 ms after the last change
    schedule.Attempted(RebuildRun(&window, {}) == RebuildOutcome::Effect, 0.55);
    EXPECT_LT(schedule.Wait(0.55), 0.0);  // nothing left pending
}

TEST(RebuildSchedule, RetriesAreAtMostFiveSecondsApartAndNoneWhileClosing) {
    RebuildSchedule schedule;
    for (double wait : {1.0, 2.0, 4.0, 5.0, 5.0}) {
        schedule.Attempted(false, 0.0);
        EXPECT_DOUBLE_EQ(schedule.Wait(0.0), wait);
    }
    EXPECT_FALSE(schedule.Due(30.0, true));  // WM_CLOSE is queued
    EXPECT_LT(schedule.Wait(30.0), 0.0);
}
