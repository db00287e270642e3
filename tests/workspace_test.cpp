// The application's set-up and frame on the recording backend: the start-up frame's clears,
// a set-up whose picture throws on the worker, and a lost device rebuilt.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <new>

#include "app/run_state.h"
#include "app/workspace.h"
#include "gfx/recording_graphics.h"
#include "platform/platform.h"
#include "scene/picture_layer.h"
#include "scene/window.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {
class Frame : public RecordedFrame {};
class DeviceLost : public RecordedScene {};
}  // namespace

TEST_F(Frame, StartUpFrameIsClearedTwiceAroundTheDraws) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    GetWindow().showPictures = 0;
    record.Clear();
    RenderFrame(true);
    const std::vector<std::string>& c = record.calls;
    ASSERT_GE(c.size(), 7u);
    EXPECT_EQ(c[0].rfind("SetTransform(VIEW,", 0), 0u);
    EXPECT_EQ(c[1].rfind("SetTransform(PROJECTION,", 0), 0u);
    // The one call a single monitor adds: the clears cover the whole back buffer.
    EXPECT_EQ(c[2], "SetViewport(0, 0, 1024, 768)");
    EXPECT_EQ(c[3], "Clear(0, 3, 0xFF000000, 1, 0)");
    EXPECT_EQ(c[4], "BeginScene()");
    EXPECT_EQ(c[c.size() - 3], "Clear(0, 3, 0x00000000, 1, 0)");
    EXPECT_EQ(c[c.size() - 2], "EndScene()");
    EXPECT_EQ(c[c.size() - 1], "Present()");

    record.Clear();
    RenderFrame(false);
    EXPECT_EQ(record.Find("Clear(0, 3, 0x00000000"), -1);
    EXPECT_EQ(record.calls.back(), "Present()");
}

namespace {
int g_errorScreens = 0;
bool PassRequirements() { return true; }
int CountErrorScreen() {
    ++g_errorScreens;
    return 0;
}
int32_t NoFrame(bool) { return 1; }
bool ThrowingDecoder(const std::wstring&, const PictureTarget&, DecodedPicture&) { throw std::bad_alloc(); }
}  // namespace

TEST_F(Frame, APictureWhoseLoadingThrowsOnTheWorkerNeitherFailsTheSetUpNorShowsTheErrorScreen) {
    // The saver's settings with one picture, whose loading throws (a lost allocation). The
    // pictures are read on the stream's worker, which takes that as a passing failure.
    const std::wstring settingsPath = GetSettingsPath();
    ASSERT_FALSE(settingsPath.empty());
    const std::string picture = dir + "/picture.png";
    std::ofstream(picture) << "x";
    {
        FILE* f = Platform::OpenFile(settingsPath, "wb");
        ASSERT_NE(f, nullptr);
        const std::string bytes = "#Picture Info _ begin\r\n" + picture + "\r\n#Picture Info _ end\r\n";
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    PictureLayerData(GetWindow()).stream.SetDecoder(ThrowingDecoder);
    static const RenderLoopHooks hooks = {PassRequirements, CountErrorScreen, NoFrame, nullptr, nullptr, nullptr};
    SetRenderLoopHooks(&hooks);
    g_errorScreens = 0;
    RunState& state = GetRunState();
    state.startFailed.store(1);
    state.stopRequested.store(0);

    EXPECT_NO_THROW(OnSaverWindowCreate(&dummyWindow));
    EXPECT_EQ(state.startFailed.load(), 0);
    StopRenderThread();
    EXPECT_EQ(g_errorScreens, 0);
    EXPECT_EQ(ReadLog(dir).find("WorkSpace::OnSaverWindowCreate() - exception - FAILED"), std::string::npos);

    SetRenderLoopHooks(nullptr);
    PictureLayerData(GetWindow()).stream.SetDecoder(nullptr);
    state.stopRequested.store(0);
    Platform::RemoveFile(settingsPath);
    GetWindow().settings.ClearPictures();
}

TEST_F(DeviceLost, PresentReportsALostDeviceAndTheRebuiltSceneDrawsAgain) {
    UseMonitors(1024, 768, {Rect(0, 0, 1024, 768)});
    record.results["Present"] = kDeviceLost;
    EXPECT_EQ(RenderFrame(false), kDeviceLost);
    record.results.clear();

    record.Clear();
    ASSERT_TRUE(RebuildScene(&window));
    EXPECT_LT(record.Find("Release(device)"), record.Find("System.CreateDevice()"));
    EXPECT_TRUE(GetWindow().effect.IsInitialised());
    record.Clear();
    EXPECT_EQ(RenderFrame(false), kOk);
    EXPECT_EQ(CallsStarting(record, "DrawIndexedPrimitiveUP").size(), 1u);

    // No device to be had: reported, and the caller tries again later.
    record.failing = {"System.CreateDevice"};
    EXPECT_FALSE(RebuildScene(&window));
    EXPECT_NE(Log().find("WorkSpace::RebuildScene() - Window::Create () - FAILED"), std::string::npos);
    record.failing.clear();
}

TEST(PictureKeys, SteerWhileTheShowRunsAndNotOverTheErrorScreen) {
    Window& w = GetWindow();
    const Settings saved = w.settings;
    const int32_t savedShow = w.showPictures;
    const uint8_t savedFailed = GetRunState().startFailed.load();
    w.settings.Set(SettingKey::PictureKeys, 1);
    w.settings.pictures = {L"C:\\Photos"};
    w.showPictures = 1;
    GetRunState().startFailed.store(0);
    EXPECT_TRUE(PictureKeysSteer());
    // The start gave up (too few frames, a device not made again): the error screen shows.
    GetRunState().startFailed.store(1);
    EXPECT_FALSE(PictureKeysSteer());
    w.settings = saved;
    w.showPictures = savedShow;
    GetRunState().startFailed.store(savedFailed);
}
