// One frame's order and states on the recording backend, the device creation sequence
// with its log lines, and the release order.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/run_state.h"
#include "app/workspace.h"
#include "base/program_error.h"
#include "platform/platform.h"
#include "scene/logo_layer.h"
#include "scene/picture_layer.h"
#include "pictures/picture_stream.h"
#include "gfx/recording_graphics.h"
#include "scene/scene.h"
#include "scene/window.h"
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

// The whole client area as one view.
View ClientView() {
    View view;
    view.rect = PixelRect{0, 0, GetWindow().Width(), GetWindow().Height()};
    return view;
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
    EXPECT_TRUE(record.Contains("SetRenderState(LIGHTING, 0)"));  // lighting off
    EXPECT_TRUE(record.Contains("SetRenderState(CULLMODE, 1)"));  // no culling
    EXPECT_TRUE(record.Contains("SetRenderState(ZENABLE, 0)"));   // no depth test
    EXPECT_TRUE(record.Contains("SetSamplerState(0, MIPFILTER, 0)"));
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

TEST_F(Frame, LogoIsDrawnBottomLeftOnlyOnLargeWindowsWithBlendingAround) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    static RecordedTexture* logo = nullptr;
    logo = new RecordedTexture(record, "logo");
    GetWindow().logo = logo;
    GetWindow().logoInfo = ImageInfo{100, 40};
    record.Clear();
    DrawLogo(ClientView());
    int draw = record.Find("DrawPrimitiveUP(6, 2, 24");
    ASSERT_GE(draw, 0);
    // x 5..105, y from 763 up to 723, upright (v = 1 at the bottom edge).
    EXPECT_EQ(record.calls[draw], "DrawPrimitiveUP(6, 2, 24, (5 763), (105 763), (105 723), (5 723))");
    EXPECT_LT(record.Find("SetRenderState(ALPHABLENDENABLE, 1)"), draw);
    EXPECT_LT(record.Find("SetRenderState(SRCBLEND, 5)"), draw);
    EXPECT_LT(record.Find("SetTexture(0, logo)"), draw);
    EXPECT_EQ(record.calls.back(), "SetRenderState(ALPHABLENDENABLE, 0)");
    // Clamped, and upright: v = 1 at the bottom edge (y 763), 0 at the top (y 723).
    EXPECT_LT(record.Find("SetSamplerState(0, ADDRESSU, 3)"), draw);
    EXPECT_LT(record.Find("SetSamplerState(0, ADDRESSV, 3)"), draw);
    ASSERT_EQ(record.lastQuad.size(), 24u);
    const float uv[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(record.lastQuad[k * 6 + 4], uv[k][0]) << "u of vertex " << k;
        EXPECT_EQ(record.lastQuad[k * 6 + 5], uv[k][1]) << "v of vertex " << k;
    }

    UseRecordingGraphics(&record, 639, 480);
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    record.Clear();
    DrawLogo(ClientView());
    EXPECT_TRUE(record.calls.empty());
}

namespace {
// A w x h TGA of one colour, which the recorder's platform can decode.
std::wstring WriteTga(const std::string& path, uint32_t w, uint32_t h, uint32_t colour) {
    std::ofstream out(path, std::ios::binary);
    const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(w), uint8_t(w >> 8), uint8_t(h),
                                uint8_t(h >> 8), 32, 0x20};
    out.write(reinterpret_cast<const char*>(header), sizeof(header));
    for (uint32_t i = 0; i < w * h; ++i) out.write(reinterpret_cast<const char*>(&colour), 4);
    return Platform::Utf8ToWide(path.data(), path.size());
}

// The scene as the preview sets it up: the record's pictures, ShowImages on.
void LoadPictures(const std::vector<std::wstring>& paths, int32_t fit) {
    Window& w = GetWindow();
    LoadScene(L"", true, true);
    w.settings.pictures = paths;
    w.settings.Set(SettingKey::PictureFit, fit);
    w.showPictures = 1;
    LoadPictureTextures();
}

const float kClient[4] = {0.0f, 0.0f, 1024.0f, 768.0f};
PictureFit RecordFit() { return static_cast<PictureFit>(GetWindow().settings.GetClamped(SettingKey::PictureFit)); }
}  // namespace

TEST_F(Frame, PicturesCoverTheScreenOrCrossFade) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    const std::wstring a = WriteTga(dir + "/a.tga", 4, 3, 0xFF0000AA), b = WriteTga(dir + "/b.tga", 4, 3, 0xFF0000BB);

    PictureFade() = CrossFade();
    LoadPictures({a, L"/nonexistent/picture.jpg"}, 0);
    record.Clear();
    AdvancePictureFade();
    DrawPictureLayer(kClient, RecordFit());
    EXPECT_EQ(record.Find("SetRenderState"), -1);  // one picture: no blending, covers all
    EXPECT_EQ(record.calls.back(),
              "DrawPrimitiveUP(6, 2, 28, (0 0) 0xFFFFFFFF, (1024 0) 0xFFFFFFFF, (1024 768) 0xFFFFFFFF, (0 768) 0xFFFFFFFF)");

    LoadPictures({a, b}, 0);
    AdvancePictureFade();  // uploads a; b is still on its way: a alone
    GetPictureStream().WaitUntilIdle();
    record.Clear();
    AdvancePictureFade();
    DrawPictureLayer(kClient, RecordFit());
    // First frame of the fade: picture 0 with b = 254, picture 1 with b = 0.
    int first = record.Find("DrawPrimitiveUP");
    int second = record.Find("DrawPrimitiveUP", first + 1);
    ASSERT_GE(second, 0);
    // Blending by the vertex colour, each quad with its own picture.
    const std::string textureA = "SetTexture(0, image:4x3:FF0000AA)", textureB = "SetTexture(0, image:4x3:FF0000BB)";
    for (const char* state : {"SetRenderState(ALPHABLENDENABLE, 1)", "SetTextureStageState(0, ALPHAARG1, 0)",
                              "SetRenderState(SRCBLEND, 3)", "SetRenderState(DESTBLEND, 6)"}) {
        EXPECT_GE(record.Find(state), 0) << state;
        EXPECT_LT(record.Find(state), first) << state;
    }
    EXPECT_LT(record.Find(textureA), first);
    EXPECT_GT(record.Find(textureB), first);
    EXPECT_LT(record.Find(textureB), second);
    EXPECT_GT(record.Find("SetTextureStageState(0, ALPHAARG1, 2)"), second);
    EXPECT_NE(record.calls[first].find("0xFEFEFEFE"), std::string::npos);
    EXPECT_NE(record.calls[second].find("0x00000000"), std::string::npos);
    EXPECT_EQ(record.calls.back(), "SetRenderState(ALPHABLENDENABLE, 0)");
    int frames = 1;
    while (PictureFade().current == 0 && frames < 2000) {  // about 1000 frames later the roles swap
        GetPictureStream().WaitUntilIdle();
        AdvancePictureFade();
        ++frames;
    }
    EXPECT_GE(frames, 999);
    EXPECT_LE(frames, 1002);
    EXPECT_EQ(PictureFade().current, 1u);
    EXPECT_EQ(PictureFade().next, 0u);

    // A reload with a smaller list starts again from its first picture.
    LoadPictures({b}, 0);
    AdvancePictureFade();
    EXPECT_EQ(PictureFade().current, 0u);
    ReleaseScene();
}

TEST_F(Frame, PicturesStreamInOrderWithAtMostThreeTexturesAndEveryUploadRecorded) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    std::vector<std::wstring> paths;
    std::vector<uint32_t> readable;
    for (uint32_t i = 0; i < 12; ++i) {
        if (i % 4 == 1) {
            const std::string missing = dir + "/missing.tga";
            paths.push_back(Platform::Utf8ToWide(missing.data(), missing.size()));
        } else {
            paths.push_back(WriteTga(dir + "/p" + std::to_string(i) + ".tga", 2, 2, 0xFF000000u | i));
            readable.push_back(i);
        }
    }
    PictureFade() = CrossFade();
    LoadPictures(paths, 0);
    const int before = record.liveObjects;  // the device and what the scene set-up made
    std::vector<uint32_t> shown;
    int uploads = 0;
    for (int frame = 0; frame < 12000; ++frame) {
        GetPictureStream().WaitUntilIdle();
        record.Clear();
        AdvancePictureFade();
        DrawPictureLayer(kClient, RecordFit());
        // Every frame draws a picture: no gap while the next one is on its way.
        ASSERT_GE(record.Find("DrawPrimitiveUP"), 0) << frame;
        EXPECT_LE(record.liveObjects - before, 3);
        if (record.Find("CreateTextureFromImage(image:2x2:") >= 0) ++uploads;
        if (shown.empty() || shown.back() != PictureFade().current) shown.push_back(PictureFade().current);
    }
    ASSERT_GE(shown.size(), readable.size());
    EXPECT_EQ(std::vector<uint32_t>(shown.begin(), shown.begin() + readable.size()), readable);
    EXPECT_EQ(shown[readable.size()], readable[0]);  // and round again
    // Each shown picture was uploaded once, and so were the one fading in and the one after.
    EXPECT_EQ(uploads, static_cast<int>(shown.size()) + 2);
    ReleaseScene();
    EXPECT_EQ(record.liveObjects, 0);
}

TEST_F(Frame, AFailedUploadSkipsThatPictureAndTheFramesGoOn) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    PictureFade() = CrossFade();
    LoadPictures({WriteTga(dir + "/a.tga", 4, 3, 0xFF0000AA), WriteTga(dir + "/b.tga", 4, 3, 0xFF0000BB)}, 0);
    // No memory for picture a's texture (E_OUTOFMEMORY, as the backend reports a failed
    // allocation), then for nothing else.
    record.results["CreateTextureFromImage"] = kEOutOfMemory;
    EXPECT_EQ(RenderFrame(false), kOk);
    EXPECT_EQ(UserTextures::Instance().Count(), 0u);
    record.results.clear();
    GetPictureStream().WaitUntilIdle();
    EXPECT_EQ(RenderFrame(false), kOk);  // kOk is Present's: the frame was shown
    EXPECT_GE(record.Find("SetTexture(0, image:4x3:FF0000BB)"), 0);
    const std::vector<std::string> log = LogMessages(ReadLog(dir));
    EXPECT_EQ(std::count(log.begin(), log.end(), "UserTextures::AddPicture() - CreateTextureFromImage 0x8007000E - FAILED"), 1);
}

TEST_F(Frame, FitAndFillPlaceEachPictureInItsOwnRectangle) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    const std::wstring portrait = WriteTga(dir + "/portrait.tga", 300, 400, 0xFF203040);
    const std::wstring wide = WriteTga(dir + "/wide.tga", 400, 100, 0xFF405060);
    PictureFade() = CrossFade();
    LoadPictures({portrait, wide}, 1);
    record.Clear();
    AdvancePictureFade();
    // The portrait was decoded at the size it is drawn: 300 x 400 needs no shrinking.
    EXPECT_TRUE(record.Contains("CreateTextureFromImage(image:300x400:FF203040, 1)"));
    GetPictureStream().WaitUntilIdle();
    record.Clear();
    AdvancePictureFade();
    DrawPictureLayer(kClient, RecordFit());
    // Fit: the portrait 576 wide and centred, the panorama 256 high and centred; each its own.
    const int first = record.Find("DrawPrimitiveUP");
    const int second = record.Find("DrawPrimitiveUP", first + 1);
    ASSERT_GE(second, 0);
    EXPECT_EQ(record.calls[first],
              "DrawPrimitiveUP(6, 2, 28, (224 0) 0xFEFEFEFE, (800 0) 0xFEFEFEFE, (800 768) 0xFEFEFEFE, (224 768) 0xFEFEFEFE)");
    EXPECT_EQ(record.calls[second],
              "DrawPrimitiveUP(6, 2, 28, (0 256) 0x00000000, (1024 256) 0x00000000, (1024 512) 0x00000000, (0 512) 0x00000000)");

    // Fill, read at drawing time: the whole client area for both.
    GetWindow().settings.Set(SettingKey::PictureFit, 2);
    record.Clear();
    DrawPictureLayer(kClient, RecordFit());
    EXPECT_NE(record.calls[record.Find("DrawPrimitiveUP")].find("(0 0) 0xFEFEFEFE, (1024 0)"), std::string::npos);
    GetWindow().settings.Set(SettingKey::PictureFit, 0);
    ReleaseScene();
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
    GetPictureStream().SetDecoder(ThrowingDecoder);
    static const RenderLoopHooks hooks = {PassRequirements, CountErrorScreen, NoFrame, nullptr, nullptr};
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
    GetPictureStream().SetDecoder(nullptr);
    state.stopRequested.store(0);
    Platform::RemoveFile(settingsPath);
    GetWindow().settings.ClearPictures();
}
