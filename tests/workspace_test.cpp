// One frame's order and states on the recording backend, the device creation sequence
// with its log lines, and the release order.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/run_state.h"
#include "app/workspace.h"
#include "platform/platform.h"
#include "render/recording_graphics.h"
#include "render/scene.h"
#include "render/window.h"
#include "resources/logger.h"

using namespace WorkSpace;

namespace {

std::string ReadLog(const std::string& dir) {
    std::ifstream in(dir + "/log_output.txt", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> LogMessages(const std::string& log) {
    std::vector<std::string> out;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line.size() > 11 ? line.substr(11) : line);
    }
    return out;
}

class Frame : public ::testing::Test {
protected:
    void SetUp() override {
        dir = ::testing::TempDir() + "workspace_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        Platform::MakeFolder(Platform::Utf8ToWide(dir.data(), dir.size()));
        GetLogger().SetFolder(Platform::Utf8ToWide(dir.data(), dir.size()));
        UseRecordingGraphics(&record, 1024, 768);
    }
    void TearDown() override {
        ReleaseScene();
        UseRecordingGraphics(nullptr, 0, 0);
    }
    GraphicsRecord record;
    std::string dir;
    int dummyWindow = 0;
};

}  // namespace

TEST_F(Frame, CreateLogsEachStepAndSetsTheFixedStates) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    const std::vector<std::string> expected = {
        " --------------------------- Lumora Screen Saver -------------------",
        "Window::Create() - Direct3DCreate9 () - OK",
        "Window::Create() - GetDeviceCaps () - OK",
        "Window::Create() - CreateDevice () - OK",
        "Window::Create() - D3DXCreateFont () - OK",
        "Window::Create() - OK",
    };
    EXPECT_EQ(LogMessages(ReadLog(dir)), expected);
    EXPECT_TRUE(record.Contains("SetRenderState(137, 0)"));  // lighting off
    EXPECT_TRUE(record.Contains("SetRenderState(22, 1)"));   // no culling
    EXPECT_TRUE(record.Contains("SetRenderState(7, 0)"));    // no depth test
    EXPECT_TRUE(record.Contains("SetSamplerState(0, 7, 0)"));
    EXPECT_EQ(GetWindow().Width(), 1024);
}

TEST_F(Frame, CreateFailuresStopAtTheirStep) {
    EXPECT_FALSE(GetWindow().Create(nullptr));
    EXPECT_EQ(LogMessages(ReadLog(dir)).size(), 1u);  // only the banner

    record.failing = {"Direct3DCreate9"};
    EXPECT_FALSE(GetWindow().Create(&dummyWindow));
    EXPECT_EQ(LogMessages(ReadLog(dir)).back(), "Window::Create() - Direct3DCreate9 () - FAILED");

    record.failing = {"System.GetDeviceCaps"};
    EXPECT_FALSE(GetWindow().Create(&dummyWindow));
    EXPECT_EQ(LogMessages(ReadLog(dir)).back(), "Window::Create() - GetDeviceCaps () - FAILED");
    EXPECT_FALSE(record.Contains("System.CreateDevice()"));

    record.failing = {"NoVertexProcessing"};
    EXPECT_FALSE(GetWindow().Create(&dummyWindow));
    std::vector<std::string> log = LogMessages(ReadLog(dir));
    EXPECT_EQ(log.back(), "Window::Create() - GetDeviceCaps () - OK");

    record.failing = {"System.CreateDevice"};
    EXPECT_FALSE(GetWindow().Create(&dummyWindow));
    EXPECT_EQ(LogMessages(ReadLog(dir)).back(), "Window::Create() - CreateDevice () - FAILED");

    // A font that cannot be made is reported and tolerated.
    record.failing = {"CreateFont"};
    EXPECT_TRUE(GetWindow().Create(&dummyWindow));
    log = LogMessages(ReadLog(dir));
    EXPECT_EQ(log[log.size() - 2], "Window::Create() - D3DXCreateFont () - FAILED");
    EXPECT_EQ(log.back(), "Window::Create() - OK");
}

TEST_F(Frame, SecondCreateReleasesTheFirstDeviceAndReleaseGoesInOrder) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    const int live = record.liveObjects;
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    EXPECT_EQ(record.liveObjects, live);
    record.Clear();
    ReleaseScene();
    const std::vector<std::string> expected = {"Release(font)", "Release(device)", "Release(direct3d)"};
    EXPECT_EQ(record.calls, expected);
    EXPECT_EQ(record.liveObjects, 0);
}

TEST_F(Frame, StartUpFrameIsClearedTwiceAroundTheDraws) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    GetWindow().showPictures = 0;
    record.Clear();
    RenderFrame(true);
    const std::vector<std::string>& c = record.calls;
    ASSERT_GE(c.size(), 7u);
    EXPECT_EQ(c[0].rfind("SetTransform(2,", 0), 0u);
    EXPECT_EQ(c[1].rfind("SetTransform(3,", 0), 0u);
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

TEST_F(Frame, LogoIsDrawnBottomLeftOnlyOnLargeWindowsWithBlendingAround) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    static RecordedTexture* logo = nullptr;
    logo = new RecordedTexture(record, "logo");
    GetWindow().logo = logo;
    GetWindow().logoInfo = ImageInfo{100, 40};
    record.Clear();
    DrawLogo();
    int draw = record.Find("DrawPrimitiveUP(6, 2, 24");
    ASSERT_GE(draw, 0);
    // x 5..105, y from 763 up to 723, upright (v = 1 at the bottom edge).
    EXPECT_EQ(record.calls[draw], "DrawPrimitiveUP(6, 2, 24, (5 763), (105 763), (105 723), (5 723))");
    EXPECT_LT(record.Find("SetRenderState(27, 1)"), draw);
    EXPECT_LT(record.Find("SetRenderState(19, 5)"), draw);
    EXPECT_LT(record.Find("SetTexture(0, logo)"), draw);
    EXPECT_EQ(record.calls.back(), "SetRenderState(27, 0)");
    // Clamped, and upright: v = 1 at the bottom edge (y 763), 0 at the top (y 723).
    EXPECT_LT(record.Find("SetSamplerState(0, 1, 3)"), draw);
    EXPECT_LT(record.Find("SetSamplerState(0, 2, 3)"), draw);
    ASSERT_EQ(record.lastQuad.size(), 24u);
    const float uv[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(record.lastQuad[k * 6 + 4], uv[k][0]) << "u of vertex " << k;
        EXPECT_EQ(record.lastQuad[k * 6 + 5], uv[k][1]) << "v of vertex " << k;
    }

    UseRecordingGraphics(&record, 639, 480);
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    record.Clear();
    DrawLogo();
    EXPECT_TRUE(record.calls.empty());
}

TEST_F(Frame, PicturesCoverTheScreenOrCrossFade) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    UserTextures& pictures = UserTextures::Instance();
    pictures.Clear();
    pictures.SetDevice(GetWindow().device);
    const std::string a = dir + "/a.png", b = dir + "/b.png";
    std::ofstream(a) << "x";
    std::ofstream(b) << "x";
    ASSERT_TRUE(pictures.AddTexture(Platform::Utf8ToWide(a.data(), a.size())));
    EXPECT_FALSE(pictures.AddTexture(L"/nonexistent/picture.jpg"));

    const float screen[4] = {0.0f, 0.0f, 1024.0f, 768.0f};
    record.Clear();
    DrawPictureLayer(screen);
    EXPECT_EQ(record.Find("SetRenderState"), -1);  // one picture: no blending, covers all
    EXPECT_EQ(record.calls.back(),
              "DrawPrimitiveUP(6, 2, 28, (0 0) 0xFFFFFFFF, (1024 0) 0xFFFFFFFF, (1024 768) 0xFFFFFFFF, (0 768) 0xFFFFFFFF)");

    ASSERT_TRUE(pictures.AddTexture(Platform::Utf8ToWide(b.data(), b.size())));
    PictureFade() = CrossFade();
    record.Clear();
    AdvancePictureFade();
    DrawPictureLayer(screen);
    // First frame: picture 0 with b = 254, picture 1 with b = 0.
    int first = record.Find("DrawPrimitiveUP");
    int second = record.Find("DrawPrimitiveUP", first + 1);
    // Blending by the vertex colour, each quad with its own picture.
    const std::string fileA = "SetTexture(0, file:" + a + ")", fileB = "SetTexture(0, file:" + b + ")";
    for (const char* state : {"SetRenderState(27, 1)", "SetTextureStageState(0, 5, 0)", "SetRenderState(19, 3)",
                              "SetRenderState(20, 6)"}) {
        EXPECT_GE(record.Find(state), 0) << state;
        EXPECT_LT(record.Find(state), first) << state;
    }
    EXPECT_LT(record.Find(fileA), first);
    EXPECT_GT(record.Find(fileB), first);
    EXPECT_LT(record.Find(fileB), second);
    EXPECT_GT(record.Find("SetTextureStageState(0, 5, 2)"), second);
    EXPECT_NE(record.calls[first].find("0xFEFEFEFE"), std::string::npos);
    EXPECT_NE(record.calls[second].find("0x00000000"), std::string::npos);
    EXPECT_EQ(record.calls.back(), "SetRenderState(27, 0)");
    int frames = 1;
    while (PictureFade().current == 0 && frames < 2000) {  // about 1000 frames later the roles swap
        AdvancePictureFade();
        DrawPictureLayer(screen);
        ++frames;
    }
    EXPECT_GE(frames, 999);
    EXPECT_LE(frames, 1002);
    EXPECT_EQ(PictureFade().current, 1u);
    EXPECT_EQ(PictureFade().next, 0u);

    // A smaller set brings the indices back into range.
    PictureFade().current = 5;
    PictureFade().next = 6;
    record.Clear();
    DrawPictureLayer(screen);
    EXPECT_LT(PictureFade().current, 2u);
    EXPECT_LT(PictureFade().next, 2u);
    pictures.Clear();
}

namespace {
int g_errorScreens = 0;
bool PassRequirements() { return true; }
int CountErrorScreen() {
    ++g_errorScreens;
    return 0;
}
int32_t NoFrame(bool) { return 1; }
}  // namespace

TEST_F(Frame, ASetUpThatThrowsLeavesTheErrorScreenToTheRenderThread) {
    // The saver's settings with one picture, whose loading throws (a lost allocation).
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
    record.throwOn = "CreateTextureFromFile";
    static const RenderLoopHooks hooks = {PassRequirements, CountErrorScreen, NoFrame, nullptr, nullptr};
    SetRenderLoopHooks(&hooks);
    g_errorScreens = 0;
    RunState& state = GetRunState();
    state.startFailed.store(1);
    state.stopRequested.store(0);

    EXPECT_NO_THROW(OnSaverWindowCreate(&dummyWindow));
    EXPECT_EQ(state.startFailed.load(), 1);
    StopRenderThread();
    EXPECT_EQ(g_errorScreens, 1);  // the render thread ran and showed the error screen
    EXPECT_NE(ReadLog(dir).find("WorkSpace::OnSaverWindowCreate() - exception - FAILED"), std::string::npos);

    SetRenderLoopHooks(nullptr);
    record.throwOn.clear();
    state.stopRequested.store(0);
    Platform::RemoveFile(settingsPath);
    GetWindow().settings.ClearPictures();
}
