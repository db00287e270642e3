// The frame's layers over one or more monitors on the recording backend: one view per
// monitor (or one spanning them), every view the same stream with its own logo and pictures,
// and one advance a frame whatever the number of views; each layer's draw the same on a
// device's first frame as on a later one; each monitor's lane judges and decodes its
// portraits for its own shape, and fades its first picture in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/workspace.h"
#include "gfx/recording_graphics.h"
#include "scene/frame_layer.h"
#include "scene/logo_layer.h"
#include "scene/particle_layer.h"
#include "scene/picture_layer.h"
#include "scene/scene.h"
#include "scene/window.h"
#include "imaging/picture_decode.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {
class PerMonitor : public RecordedScene {};
}  // namespace

TEST_F(PerMonitor, OneMonitorDrawsTheWholeWindowFrameWithOneViewportCallMore) {
    UseMonitors(1024, 768, {Rect(0, 0, 1024, 768)});
    record.Clear();
    EXPECT_EQ(RenderFrame(false), kOk);
    std::vector<std::string> perView = record.calls;

    // The same frame through the whole-window operations, in the classic order.
    Window& w = GetWindow();
    record.Clear();
    UpdateMatrices(0);
    w.device->SetTransform(D3D::TS_VIEW, w.camera.view);
    w.device->SetTransform(D3D::TS_PROJECTION, w.camera.projection);
    w.device->Clear(0, D3D::CLEAR_TARGET | D3D::CLEAR_ZBUFFER, w.background, 1.0f, 0);
    w.device->BeginScene();
    RenderParticles();
    DrawLogo(w, WholeWindow(w));
    w.device->EndScene();
    w.device->Present();
    std::vector<std::string> whole = record.calls;

    ASSERT_EQ(CallsStarting(record, "DrawIndexedPrimitiveUP").size(), 1u);
    ASSERT_EQ(perView.size(), whole.size() + 1);
    EXPECT_EQ(perView[2], "SetViewport(0, 0, 1024, 768)");
    perView.erase(perView.begin() + 2);
    // The particle count grows by a frame's births between the two; the rest is identical.
    for (size_t i = 0; i < whole.size(); ++i) {
        if (whole[i].rfind("DrawIndexedPrimitiveUP", 0) == 0) continue;
        EXPECT_EQ(perView[i], whole[i]) << i;
    }
}

TEST_F(PerMonitor, EachLayerDrawsTheSameOnADevicesFirstFrameAsOnAnyLater) {
    UseMonitors(1024, 768, {Rect(0, 0, 1024, 768)});
    Window& w = GetWindow();
    // Two pictures, so the picture layer cross-fades.
    UserTextures& pictures = UserTextures::Instance();
    pictures.Clear();
    pictures.SetDevice(w.device);
    for (uint32_t colour : {0xFF406080u, 0xFF804020u}) {
        DecodedPicture picture;
        picture.image.width = picture.width = 4;
        picture.image.height = picture.height = 3;
        picture.image.pixels.assign(12, colour);
        ASSERT_TRUE(pictures.AddPicture(picture, 0));
    }
    const FrameSettings settings = ReadFrameSettings(w.settings, 1);
    const View view = WholeWindow(w);
    const struct {
        const char* name;
        const FrameLayer& layer;
    } layers[] = {{"pictures", kPictureLayer}, {"particles", kParticleLayer}, {"logo", kLogoLayer}};
    // Per layer: its calls, and the states in force at each of its draws.
    std::vector<std::string> calls[2][3], states[2][3];
    for (int frame = 0; frame < 2; ++frame) {
        for (int i = 0; i < 3; ++i) {
            record.Clear();
            layers[i].layer.draw(w, view, settings);
            calls[frame][i] = record.calls;
            states[frame][i] = record.drawStates;
        }
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(states[0][i].empty()) << layers[i].name;  // the layer drew
        EXPECT_EQ(calls[0][i], calls[1][i]) << layers[i].name;
        EXPECT_EQ(states[0][i], states[1][i]) << layers[i].name;
    }
    pictures.Clear();
}

TEST_F(PerMonitor, EveryMonitorShowsTheSameStreamCentredWithItsOwnLogo) {
    UseMonitors(1600, 1080, {Rect(0, 0, 800, 600), Rect(800, 0, 1600, 600), Rect(0, 600, 640, 1080)});
    const float clock = GetWindow().simulationClock;
    record.Clear();
    EXPECT_EQ(RenderFrame(false), kOk);
    EXPECT_FLOAT_EQ(GetWindow().simulationClock, clock + 0.001f);  // one step, not one per monitor

    const std::vector<std::string> viewports = CallsStarting(record, "SetViewport");
    const std::vector<std::string> expected = {"SetViewport(0, 0, 1600, 1080)", "SetViewport(0, 0, 800, 600)",
                                               "SetViewport(800, 0, 800, 600)", "SetViewport(0, 600, 640, 480)"};
    EXPECT_EQ(viewports, expected);
    EXPECT_LT(record.Find("SetViewport(0, 0, 1600"), record.Find("Clear("));

    const std::vector<std::string> draws = CallsStarting(record, "DrawIndexedPrimitiveUP");
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0], draws[1]);
    EXPECT_EQ(draws[0], draws[2]);
    // Each monitor's camera has its own 4:3 aspect, not the desktop's 40:27.
    const std::vector<std::string> matrices = CallsStarting(record, "Effect.SetMatrix");
    ASSERT_EQ(matrices.size(), 3u);
    EXPECT_EQ(matrices[0], matrices[1]);
    EXPECT_EQ(matrices[0], matrices[2]);
    GetWindow().settings.Set(SettingKey::SpanMonitors, 1);
    record.Clear();
    RenderFrame(false);
    EXPECT_NE(CallsStarting(record, "Effect.SetMatrix").at(0), matrices[0]);

    // The logo at each monitor's bottom-left, 5 pixels in; 640x480 is large enough.
    GetWindow().settings.Set(SettingKey::SpanMonitors, 0);
    record.Clear();
    RenderFrame(false);
    const std::vector<std::string> logos = CallsStarting(record, "DrawPrimitiveUP(6, 2, 24");
    ASSERT_EQ(logos.size(), 3u);
    EXPECT_NE(logos[0].find("(5 595)"), std::string::npos);
    EXPECT_NE(logos[1].find("(805 595)"), std::string::npos);
    EXPECT_NE(logos[2].find("(5 1075)"), std::string::npos);
}

TEST_F(PerMonitor, SpanModeIsOneSceneOverTheDesktop) {
    UseMonitors(1600, 600, {Rect(0, 0, 800, 600), Rect(800, 0, 1600, 600)});
    GetWindow().settings.Set(SettingKey::SpanMonitors, 1);
    record.Clear();
    RenderFrame(true);
    const std::vector<std::string> viewports = CallsStarting(record, "SetViewport");
    ASSERT_EQ(viewports.size(), 1u);
    EXPECT_EQ(viewports[0], "SetViewport(0, 0, 1600, 600)");
    EXPECT_EQ(CallsStarting(record, "DrawIndexedPrimitiveUP").size(), 1u);
    const std::vector<std::string> logos = CallsStarting(record, "DrawPrimitiveUP(6, 2, 24");
    ASSERT_EQ(logos.size(), 1u);
    EXPECT_NE(logos[0].find("(5 595)"), std::string::npos);
}

TEST_F(PerMonitor, APictureIsFittedIntoEachMonitor) {
    UseMonitors(1600, 600, {Rect(0, 0, 800, 600), Rect(800, 0, 1600, 600)});
    // A 1600 x 600 picture, decoded small: its placement goes by its own size.
    DecodedPicture wide;
    wide.image.width = 16;
    wide.image.height = 6;
    wide.image.pixels.assign(16 * 6, 0xFF406080u);
    wide.width = 1600;
    wide.height = 600;
    UserTextures& pictures = UserTextures::Instance();
    pictures.Clear();
    pictures.SetDevice(GetWindow().device);
    ASSERT_TRUE(pictures.AddPicture(wide, 0));
    GetWindow().showPictures = 1;
    GetWindow().settings.Set(SettingKey::PictureFit, 1);
    record.Clear();
    RenderFrame(false);
    const std::vector<std::string> quads = CallsStarting(record, "DrawPrimitiveUP(6, 2, 28");
    ASSERT_EQ(quads.size(), 2u);
    // 1600 x 600 into 800 x 600: 800 x 300 with bars of 150 above and below, per monitor.
    EXPECT_EQ(quads[0].substr(0, quads[0].find(" 0x")), "DrawPrimitiveUP(6, 2, 28, (0 150)");
    EXPECT_NE(quads[0].find("(800 450)"), std::string::npos);
    EXPECT_EQ(quads[1].substr(0, quads[1].find(" 0x")), "DrawPrimitiveUP(6, 2, 28, (800 150)");
    EXPECT_NE(quads[1].find("(1600 450)"), std::string::npos);
}

TEST_F(PerMonitor, EachMonitorTakesTheNextPictureAndTheirCrossFadesAreStaggered) {
    UseMonitors(2400, 600, {Rect(0, 0, 800, 600), Rect(800, 0, 1600, 600), Rect(1600, 0, 2400, 600)});
    Window& w = GetWindow();
    for (uint32_t i = 0; i < 7; ++i)
        w.settings.pictures.push_back(WriteTga(dir + "/p" + std::to_string(i) + ".tga", 4, 3, 0xFF000010u + i));
    w.settings.Set(SettingKey::PicturesPerMonitor, 1);
    w.showPictures = 1;
    SetPictureDevice(w, w.device);
    LoadPictureTextures();
    for (int frame = 0; frame < 6; ++frame) {
        PictureLayerData(w).stream.WaitUntilIdle();
        RenderFrame(false);
    }
    // The pictures in turn: 0 and 3 on the first monitor, 1 and 4 on the second, 2 and 5 on
    // the third; each monitor draws its own.
    for (uint32_t lane = 0; lane < 3; ++lane) {
        ASSERT_EQ(PictureLane(w, lane).Count(), 2u) << lane;
        EXPECT_EQ(PictureLane(w, lane).At(0).listIndex, lane);
        EXPECT_EQ(PictureLane(w, lane).At(1).listIndex, lane + 3);
    }
    record.Clear();
    RenderFrame(false);
    std::vector<std::string> textures = CallsStarting(record, "SetTexture(0, image:4x3:");
    for (std::string& texture : textures) texture = texture.substr(texture.size() - 3, 2);
    EXPECT_EQ(textures, (std::vector<std::string>{"10", "13", "11", "14", "12", "15"}));
    // Each monitor's first change comes a third of a picture's time after the one before;
    // the next picture, 6, goes to the first monitor that has room.
    uint32_t changed[3] = {0, 0, 0};
    for (uint32_t frame = 7; frame < 2000 && changed[2] == 0; ++frame) {
        PictureLayerData(w).stream.WaitUntilIdle();
        AdvancePictureFade(w, 0.001f, 3);
        for (uint32_t lane = 0; lane < 3; ++lane)
            if (changed[lane] == 0 && PictureLane(w, lane).At(0).listIndex != lane) changed[lane] = frame;
    }
    // (Give or take the few frames each monitor waited for its second picture.)
    EXPECT_NEAR(changed[0], 1000u, 8u);
    EXPECT_NEAR(changed[1], 1333u, 8u);
    EXPECT_NEAR(changed[2], 1667u, 8u);
    EXPECT_EQ(PictureLane(w, 0).At(1).listIndex, 6u);
    w.settings.Set(SettingKey::PicturesPerMonitor, 0);

    // One picture for three monitors: those without one of their own show the first's.
    w.settings.pictures.resize(1);
    w.settings.Set(SettingKey::PicturesPerMonitor, 1);
    LoadPictureTextures();
    record.Clear();
    RenderFrame(false);
    EXPECT_EQ(CallsStarting(record, "SetTexture(0, image:4x3:FF000010)").size(), 3u);
    w.settings.Set(SettingKey::PicturesPerMonitor, 0);
    StopPictures(w);  // every lane's textures go before the recorder does
}

namespace {
// A 24-megapixel portrait (4000 x 6000), as a codec that decodes at half size gives it.
bool BigPortraitDecoder(const std::wstring&, const PictureTarget& target, DecodedPicture& out) {
    Image raw;
    raw.width = 2000;
    raw.height = 3000;
    raw.pixels.assign(size_t(raw.width) * raw.height, 0xFF304050u);
    return FinishPicture(raw, 1, target, out, 4000, 6000);
}

// The textures view `view` (its viewport's call) draws, up to the next viewport.
std::vector<std::string> ViewTextures(const GraphicsRecord& record, const std::string& viewport) {
    std::vector<std::string> out;
    const int from = record.Find(viewport), to = record.Find("SetViewport", from + 1);
    for (int i = from; i >= 0 && i < (to < 0 ? static_cast<int>(record.calls.size()) : to); ++i)
        if (record.calls[i].rfind("SetTexture(0, image:", 0) == 0) out.push_back(record.calls[i].substr(20));
    return out;
}
}  // namespace

TEST_F(PerMonitor, WithFillAt4KAPairOfPortraitsIsDecodedForItsHalves) {
    UseMonitors(3840, 2160, {Rect(0, 0, 3840, 2160)});
    Window& w = GetWindow();
    PictureLayerData(w).stream.SetDecoder(BigPortraitDecoder);
    w.settings.pictures = {L"p.jpg", L"q.jpg"};
    w.settings.Set(SettingKey::PictureFit, 2);
    w.settings.Set(SettingKey::Portraits, 1);
    w.showPictures = 1;
    SetPictureDevice(w, w.device);
    record.Clear();
    LoadPictureTextures();
    PictureLayerData(w).stream.WaitUntilIdle();
    AdvancePictureFade(w);
    // Fitted into 1920 x 2160 each, not filling 3840 x 2160 (3840 x 5760, 88 MB apiece).
    const std::vector<std::string> uploads = CallsStarting(record, "CreateTextureFromImage");
    EXPECT_EQ(uploads, (std::vector<std::string>(2, "CreateTextureFromImage(image:1440x2160:FF304050, 1)")));
    PictureLayerData(w).stream.SetDecoder(nullptr);
}

TEST_F(PerMonitor, ALandscapeAndAPortraitMonitorSideBySideEachPairWhatLiesAcrossThem) {
    UseMonitors(3000, 1920, {Rect(0, 0, 1920, 1080), Rect(1920, 0, 3000, 1920)});
    Window& w = GetWindow();
    w.settings.pictures = {WriteTga(dir + "/p0.tga", 30, 40, 0xFF000010u), WriteTga(dir + "/p1.tga", 30, 40, 0xFF000011u),
                           WriteTga(dir + "/l2.tga", 40, 30, 0xFF000012u), WriteTga(dir + "/l3.tga", 40, 30, 0xFF000013u)};
    w.settings.Set(SettingKey::PicturesPerMonitor, 1);
    w.settings.Set(SettingKey::Portraits, 1);
    w.showPictures = 1;
    SetPictureDevice(w, w.device);
    LoadPictureTextures();
    // Past the portrait monitor's fade from the first one's picture to its own.
    for (int frame = 0; frame < 60; ++frame) {
        PictureLayerData(w).stream.WaitUntilIdle();
        RenderFrame(false);
    }
    // The portraits side by side on the landscape monitor, the landscapes one above the
    // other on the portrait one.
    ASSERT_GE(PictureLane(w, 1).Count(), 1u);
    EXPECT_EQ(PictureLane(w, 0).At(0).listIndex, 0u);
    EXPECT_NE(PictureLane(w, 0).At(0).partner, nullptr);
    EXPECT_EQ(PictureLane(w, 1).At(0).listIndex, 2u);
    EXPECT_NE(PictureLane(w, 1).At(0).partner, nullptr);
    record.Clear();
    RenderFrame(false);
    std::vector<std::string> shown = ViewTextures(record, "SetViewport(1920, 0, 1080, 1920)");
    shown.resize(2);  // the pair on screen; the next one waits its turn, unseen
    EXPECT_EQ(shown, (std::vector<std::string>{"40x30:FF000012)", "40x30:FF000013)"}));

    // A pair shown on a monitor of the other orientation (the portrait one has no picture
    // of its own and shows the first's): both pictures, one above the other.
    w.settings.pictures.resize(2);
    LoadPictureTextures();
    record.Clear();
    RenderFrame(false);
    EXPECT_EQ(ViewTextures(record, "SetViewport(1920, 0, 1080, 1920)"),
              (std::vector<std::string>{"30x40:FF000010)", "30x40:FF000011)"}));
    StopPictures(w);
}

TEST_F(PerMonitor, AMonitorAfterTheFirstFadesItsOwnFirstPictureIn) {
    UseMonitors(1600, 600, {Rect(0, 0, 800, 600), Rect(800, 0, 1600, 600)});
    Window& w = GetWindow();
    w.settings.pictures = {WriteTga(dir + "/a.tga", 4, 3, 0xFF0000AAu), WriteTga(dir + "/b.tga", 4, 3, 0xFF0000BBu)};
    w.settings.Set(SettingKey::PicturesPerMonitor, 1);
    w.showPictures = 1;
    SetPictureDevice(w, w.device);
    LoadPictureTextures();
    record.Clear();
    RenderFrame(false);  // a for the first monitor; the second shows it meanwhile
    EXPECT_EQ(ViewTextures(record, "SetViewport(800, 0, 800, 600)"), (std::vector<std::string>{"4x3:FF0000AA)"}));
    PictureLayerData(w).stream.WaitUntilIdle();
    record.Clear();
    RenderFrame(false);  // b arrives for the second: a fades out there as b fades in
    EXPECT_EQ(ViewTextures(record, "SetViewport(800, 0, 800, 600)"),
              (std::vector<std::string>{"4x3:FF0000AA)", "4x3:FF0000BB)"}));
    const std::vector<std::string> quads = CallsStarting(record, "DrawPrimitiveUP(6, 2, 28");
    ASSERT_EQ(quads.size(), 3u);
    EXPECT_NE(quads[1].find("0xF9F9F9F9"), std::string::npos) << quads[1];
    EXPECT_NE(quads[2].find("0x05050505"), std::string::npos) << quads[2];
    StopPictures(w);
}

TEST(FrameSettingsTest, ThePhotoOptionsAreReadAndSpanningTurnsOffPanZoomAndPicturesPerMonitor) {
    Settings settings;
    settings.Set(SettingKey::PanZoom, 1);
    settings.Set(SettingKey::Portraits, 2);
    settings.Set(SettingKey::PicturesPerMonitor, 1);
    FrameSettings read = ReadFrameSettings(settings, 1);
    EXPECT_TRUE(read.panZoom);
    EXPECT_EQ(read.portraits, 2);
    EXPECT_TRUE(read.picturesPerMonitor);
    settings.Set(SettingKey::SpanMonitors, 1);
    read = ReadFrameSettings(settings, 1);
    EXPECT_FALSE(read.panZoom);
    EXPECT_EQ(read.portraits, 2);
    EXPECT_FALSE(read.picturesPerMonitor);
}

// A clip's seconds are the frame timer's, whatever the frame rate: the time between two frames,
// none before the first, and at most a quarter second across a stall or a timer that went back.
TEST(FrameSettingsTest, AClipsSecondsAreTheTimeBetweenFrames) {
    const struct {
        double last, now, seconds;
    } rows[] = {{-1.0, 5.0, 0.0}, {5.0, 5.05, 0.05}, {5.0, 5.0 + 1.0 / 15.0, 1.0 / 15.0}, {5.0, 9.0, 0.25},
                {5.0, 4.0, 0.0}};
    for (const auto& row : rows) {
        double last = row.last;
        EXPECT_NEAR(SecondsSinceLastFrame(last, row.now), row.seconds, 1e-12) << row.last << " to " << row.now;
        EXPECT_EQ(last, row.now);
    }
}
