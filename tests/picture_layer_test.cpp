// The picture layer on the recording backend: one picture covering its place, the cross-fade
// with its states, the stream's order with at most three textures, a failed upload, the fit
// modes, a late first picture fading in, the fade's step at every frame rate and a clip's
// time moving with it; the filter of the quads drawn at scale, a photo alone on screen that
// keeps panning, and the keys' steps and pause.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/workspace.h"
#include "gfx/recording_graphics.h"
#include "platform/platform.h"
#include "scene/caption_quad.h"
#include "scene/lumora_effect.h"
#include "scene/picture_layer.h"
#include "scene/scene.h"
#include "scene/window.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {
class PictureLayer : public RecordedFrame {};

// The scene as the preview sets it up: the record's pictures, ShowImages on.
void LoadPictures(const std::vector<std::wstring>& paths, int32_t fit, int32_t portraits = 0) {
    Window& w = GetWindow();
    LoadScene(L"", SceneBuild::Full, PictureTextures::Skip);
    w.settings.pictures = paths;
    w.settings.Set(SettingKey::PictureFit, fit);
    w.settings.Set(SettingKey::Portraits, portraits);
    w.showPictures = 1;
    LoadPictureTextures();
}

const float kClient[4] = {0.0f, 0.0f, 1024.0f, 768.0f};
PictureFit RecordFit() { return static_cast<PictureFit>(GetWindow().settings.GetClamped(SettingKey::PictureFit)); }
}  // namespace

TEST_F(PictureLayer, PicturesCoverTheScreenOrCrossFade) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    const std::wstring a = WriteTga(dir + "/a.tga", 4, 3, 0xFF0000AA), b = WriteTga(dir + "/b.tga", 4, 3, 0xFF0000BB);

    PictureLayerData(GetWindow()).fade = CrossFade();
    LoadPictures({a, L"/nonexistent/picture.jpg"}, 0);
    record.Clear();
    AdvancePictureFade(GetWindow());
    DrawPictureLayer(GetWindow(), kClient, RecordFit());
    // One picture: no blending, covers all.
    EXPECT_LT(record.Find("SetRenderState(ALPHABLENDENABLE, 0)"), record.Find("DrawPrimitiveUP"));
    EXPECT_EQ(record.Find("SetRenderState(ALPHABLENDENABLE, 1)"), -1);
    EXPECT_EQ(record.calls.back(),
              "DrawPrimitiveUP(6, 2, 28, (0 0) 0xFFFFFFFF, (1024 0) 0xFFFFFFFF, (1024 768) 0xFFFFFFFF, (0 768) 0xFFFFFFFF)");

    LoadPictures({a, b}, 0);
    AdvancePictureFade(GetWindow());  // uploads a; b is still on its way: a alone
    PictureLayerData(GetWindow()).stream.WaitUntilIdle();
    record.Clear();
    AdvancePictureFade(GetWindow());
    DrawPictureLayer(GetWindow(), kClient, RecordFit());
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
    while (PictureLayerData(GetWindow()).fade.current == 0 && frames < 2000) {  // about 1000 frames later the roles swap
        PictureLayerData(GetWindow()).stream.WaitUntilIdle();
        AdvancePictureFade(GetWindow());
        ++frames;
    }
    EXPECT_GE(frames, 999);
    EXPECT_LE(frames, 1002);
    EXPECT_EQ(PictureLayerData(GetWindow()).fade.current, 1u);
    EXPECT_EQ(PictureLayerData(GetWindow()).fade.next, 0u);

    // A reload with a smaller list starts again from its first picture.
    LoadPictures({b}, 0);
    AdvancePictureFade(GetWindow());
    EXPECT_EQ(PictureLayerData(GetWindow()).fade.current, 0u);
    ReleaseScene();
}

TEST_F(PictureLayer, PicturesStreamInOrderWithAtMostThreeTexturesAndEveryUploadRecorded) {
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
    PictureLayerData(GetWindow()).fade = CrossFade();
    LoadPictures(paths, 0);
    const int before = record.liveObjects;  // the device and what the scene set-up made
    std::vector<uint32_t> shown;
    int uploads = 0;
    for (int frame = 0; frame < 12000; ++frame) {
        PictureLayerData(GetWindow()).stream.WaitUntilIdle();
        record.Clear();
        AdvancePictureFade(GetWindow());
        DrawPictureLayer(GetWindow(), kClient, RecordFit());
        // Every frame draws a picture: no gap while the next one is on its way.
        ASSERT_GE(record.Find("DrawPrimitiveUP"), 0) << frame;
        EXPECT_LE(record.liveObjects - before, 3);
        if (record.Find("CreateTextureFromImage(image:2x2:") >= 0) ++uploads;
        if (shown.empty() || shown.back() != PictureLayerData(GetWindow()).fade.current) shown.push_back(PictureLayerData(GetWindow()).fade.current);
    }
    ASSERT_GE(shown.size(), readable.size());
    EXPECT_EQ(std::vector<uint32_t>(shown.begin(), shown.begin() + readable.size()), readable);
    EXPECT_EQ(shown[readable.size()], readable[0]);  // and round again
    // Each shown picture was uploaded once, and so were the one fading in and the one after.
    EXPECT_EQ(uploads, static_cast<int>(shown.size()) + 2);
    ReleaseScene();
    EXPECT_EQ(record.liveObjects, 0);
}

TEST_F(PictureLayer, AFailedUploadSkipsThatPictureAndTheFramesGoOn) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    PictureLayerData(GetWindow()).fade = CrossFade();
    LoadPictures({WriteTga(dir + "/a.tga", 4, 3, 0xFF0000AA), WriteTga(dir + "/b.tga", 4, 3, 0xFF0000BB)}, 0);
    // No memory for picture a's texture (E_OUTOFMEMORY, as the backend reports a failed
    // allocation), then for nothing else.
    record.results["CreateTextureFromImage"] = kEOutOfMemory;
    EXPECT_EQ(RenderFrame(false), kOk);
    EXPECT_EQ(UserTextures::Instance().Count(), 0u);
    record.results.clear();
    PictureLayerData(GetWindow()).stream.WaitUntilIdle();
    EXPECT_EQ(RenderFrame(false), kOk);  // kOk is Present's: the frame was shown
    EXPECT_GE(record.Find("SetTexture(0, image:4x3:FF0000BB)"), 0);
    const std::vector<std::string> log = LogMessages(ReadLog(dir));
    EXPECT_EQ(std::count(log.begin(), log.end(), "UserTextures::AddPicture() - CreateTextureFromImage 0x8007000E - FAILED"), 1);
}

TEST_F(PictureLayer, FitAndFillPlaceEachPictureInItsOwnRectangle) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    const std::wstring portrait = WriteTga(dir + "/portrait.tga", 300, 400, 0xFF203040);
    const std::wstring wide = WriteTga(dir + "/wide.tga", 400, 100, 0xFF405060);
    PictureLayerData(GetWindow()).fade = CrossFade();
    LoadPictures({portrait, wide}, 1);
    record.Clear();
    AdvancePictureFade(GetWindow());
    // The portrait was decoded at the size it is drawn: 300 x 400 needs no shrinking.
    EXPECT_TRUE(record.Contains("CreateTextureFromImage(image:300x400:FF203040, 1)"));
    PictureLayerData(GetWindow()).stream.WaitUntilIdle();
    record.Clear();
    AdvancePictureFade(GetWindow());
    DrawPictureLayer(GetWindow(), kClient, RecordFit());
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
    DrawPictureLayer(GetWindow(), kClient, RecordFit());
    EXPECT_NE(record.calls[record.Find("DrawPrimitiveUP")].find("(0 0) 0xFEFEFEFE, (1024 0)"), std::string::npos);
    GetWindow().settings.Set(SettingKey::PictureFit, 0);
    ReleaseScene();
}

TEST_F(PictureLayer, PortraitsSideBySideOrOverTheirBlurredCopy) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    const std::wstring a = WriteTga(dir + "/a.tga", 300, 400, 0xFF203040);
    const std::wstring b = WriteTga(dir + "/b.tga", 300, 400, 0xFF405060);
    auto quads = [&](int32_t portraits) {
        PictureLayerData(GetWindow()).fade = CrossFade();
        LoadPictures({a, b}, 0, portraits);
        AdvancePictureFade(GetWindow());
        record.Clear();
        PhotoLook look;
        look.portraits = portraits;
        DrawPictureLayer(GetWindow(), kClient, RecordFit(), look);
        std::vector<std::string> drawn = CallsStarting(record, "DrawPrimitiveUP");
        for (std::string& quad : drawn) quad = quad.substr(26, quad.find(" 0x") - 26);
        return drawn;
    };
    // Side by side: each fitted into its half (3:4 into 512 x 768), one picture from the stream.
    EXPECT_EQ(quads(1), (std::vector<std::string>{"(0 42.6667)", "(512 42.6667)"}));
    EXPECT_TRUE(record.Contains("SetTexture(0, image:300x400:FF405060)"));
    // Over the blurred copy: the two bars from it, then the picture fitted (576 wide).
    EXPECT_EQ(quads(2), (std::vector<std::string>{"(0 0)", "(800 0)", "(224 0)"}));
    EXPECT_TRUE(record.Contains("SetTexture(0, image:36x48:"));
    ReleaseScene();
}

TEST_F(PictureLayer, TheBlurredCopyAndPanAndZoomAreFilteredAndAPictureDrawn1To1IsNot) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    PictureLayerData(GetWindow()).fade = CrossFade();
    LoadPictures({WriteTga(dir + "/a.tga", 300, 400, 0xFF203040)}, 1, 2);
    AdvancePictureFade(GetWindow());
    const std::string linear = "SAMP 0 MAGFILTER=2; SAMP 0 MINFILTER=2;";
    const std::string point = "SAMP 0 MAGFILTER=1; SAMP 0 MINFILTER=1;";
    const std::string clamped = "SAMP 0 ADDRESSU=3; SAMP 0 ADDRESSV=3;";
    auto filtered = [&](const float area[4], bool panZoom) {
        record.Clear();
        PhotoLook look;
        look.portraits = 2;
        look.panZoom = panZoom;
        DrawPictureLayer(GetWindow(), area, RecordFit(), look);
        std::vector<bool> out;
        for (const std::string& states : record.drawStates) {
            EXPECT_NE(states.find(clamped), std::string::npos) << states;
            out.push_back(states.find(linear) != std::string::npos);
            // Unfiltered is point sampling: 0 (NONE) is no filter for MIN and MAG.
            if (!out.back()) {
                EXPECT_NE(states.find(point), std::string::npos) << states;
            }
        }
        return out;
    };
    // Over the screen: the two bars from the 36 x 48 copy, then the portrait enlarged.
    EXPECT_EQ(filtered(kClient, false), (std::vector<bool>{true, true, true}));
    const std::vector<std::string> strips = CallsStarting(record, "DrawPrimitiveUP");
    EXPECT_NE(strips.at(0).find("(224 0) 0xFFFFFFFF, (224 768)"), std::string::npos) << strips[0];
    EXPECT_NE(strips.at(1).find("(1024 768) 0xFFFFFFFF, (800 768)"), std::string::npos) << strips[1];
    // In an area of its own size the portrait shows texel for texel, unless it pans and zooms.
    const float own[4] = {0.0f, 0.0f, 300.0f, 400.0f};
    EXPECT_EQ(filtered(own, false), (std::vector<bool>{false}));
    EXPECT_EQ(filtered(own, true), (std::vector<bool>{true}));
    ReleaseScene();
}

TEST_F(PictureLayer, APhotoAloneKeepsPanningToAndFroWithinTheSameBounds) {
    Window& w = GetWindow();
    ASSERT_TRUE(w.Create(&dummyWindow));
    PictureLayerData(w).fade = CrossFade();
    LoadPictures({WriteTga(dir + "/a.tga", 400, 300, 0xFF203040)}, 2);
    PhotoLook look;
    look.panZoom = true;
    auto drawn = [&] {
        record.Clear();
        DrawPictureLayer(w, kClient, RecordFit(), look);
        return record.lastQuad;
    };
    AdvancePictureFade(w);
    const std::vector<float> start = drawn();
    // A second later (60 frames) it has moved on; after twice a picture's time alone
    // (4000 frames: out to one end and back) it is where it started.
    for (int frame = 0; frame < 60; ++frame) AdvancePictureFade(w);
    EXPECT_NE(drawn(), start);
    for (int frame = 60; frame < 4000; ++frame) AdvancePictureFade(w);
    const std::vector<float> back = drawn();
    ASSERT_EQ(back.size(), start.size());
    for (size_t i = 0; i < start.size(); ++i) {
        if (i % 7 == 4) continue;  // each vertex's floats but its colour
        EXPECT_NEAR(back[i], start[i], 1e-3f) << i;
    }
    ReleaseScene();
}

namespace {
// Holds every decode until the test lets it through: a first picture that comes late.
std::atomic<bool> g_decodeAllowed{false};
bool LateDecoder(const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
    while (!g_decodeAllowed.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return DecodePictureFile(path, target, out);
}
}  // namespace

TEST_F(PictureLayer, AFirstPictureThatArrivesLateFadesInFromBlack) {
    Window& w = GetWindow();
    ASSERT_TRUE(w.Create(&dummyWindow));
    const std::wstring a = WriteTga(dir + "/a.tga", 4, 3, 0xFF0000AA);
    PictureLayerData(w).fade = CrossFade();
    g_decodeAllowed = false;
    PictureLayerData(w).stream.SetDecoder(LateDecoder);
    PictureLayerData(w).stream.SetFirstOnWorker(true);  // the set-up does not wait for it
    LoadPictures({a}, 0);
    AdvancePictureFade(w);  // two frames drawn without a picture
    AdvancePictureFade(w);
    g_decodeAllowed = true;
    PictureLayerData(w).stream.WaitUntilIdle();
    record.Clear();
    AdvancePictureFade(w);
    DrawPictureLayer(w, kClient, RecordFit());
    // 0.02 of the picture over black on its first frame, then 0.02 more a frame.
    EXPECT_EQ(record.calls.back(),
              "DrawPrimitiveUP(6, 2, 28, (0 0) 0x05050505, (1024 0) 0x05050505, (1024 768) 0x05050505, (0 768) 0x05050505)");
    for (int frame = 0; frame < 60; ++frame) AdvancePictureFade(w);
    record.Clear();
    DrawPictureLayer(w, kClient, RecordFit());
    EXPECT_NE(record.calls.back().find("(0 0) 0xFFFFFFFF"), std::string::npos);

    // A reload starts the count again: a first picture that is in time shows whole at once.
    PictureLayerData(w).stream.SetDecoder(nullptr);
    PictureLayerData(w).stream.SetFirstOnWorker(false);
    LoadPictures({a}, 0);
    record.Clear();
    AdvancePictureFade(w);
    DrawPictureLayer(w, kClient, RecordFit());
    EXPECT_NE(record.calls.back().find("(0 0) 0xFFFFFFFF"), std::string::npos);
}

TEST(FadeStep, FollowsTheFrameRateSoEachPictureLastsTheSameTime) {
    // 60 Hz, and the "default rate" 0 or 1, keep the classic float to the last digit.
    for (uint32_t hz : {0u, 1u, 60u}) EXPECT_EQ(FadeStep(DisplayFrameRate(hz)), 0.001f) << hz;
    for (uint32_t hz : {30u, 120u, 144u, 240u}) EXPECT_FLOAT_EQ(FadeStep(DisplayFrameRate(hz)) * hz, 0.06f) << hz;
}

namespace {
// The seconds a clip's frames were asked for at, by the decoder below.
std::vector<double> g_clipAsked;
class AskedSeconds : public FrameSource {
public:
    bool FrameAt(double seconds, Image&) override {
        g_clipAsked.push_back(seconds);
        return false;
    }
};
bool ClipDecoder(const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
    if (!DecodePictureFile(path, target, out)) return false;
    out.frames = std::make_shared<AskedSeconds>();
    return true;
}
}  // namespace

TEST_F(PictureLayer, EachFrameMovesAClipOnByTheSecondsItStandsFor) {
    Window& w = GetWindow();
    ASSERT_TRUE(w.Create(&dummyWindow));
    g_clipAsked.clear();
    PictureLayerData(w).fade = CrossFade();
    PictureLayerData(w).stream.SetDecoder(ClipDecoder);
    LoadPictures({WriteTga(dir + "/clip.tga", 4, 3, 0xFF0000AA)}, 0);
    PictureLayerData(w).stream.SetDecoder(nullptr);
    PictureLayerData(w).stream.WaitUntilIdle();
    // At 30 frames a second, each frame is a 30th of a second of the clip.
    AdvancePictureFade(w, FadeStep(30.0));
    AdvancePictureFade(w, FadeStep(30.0));
    ASSERT_EQ(g_clipAsked.size(), 2u);
    EXPECT_NEAR(g_clipAsked[0], 1.0 / 30.0, 1e-6);
    EXPECT_NEAR(g_clipAsked[1], 2.0 / 30.0, 1e-6);
    ReleaseScene();
}

namespace {
// The platform's decoder, and a date the photo was taken on: the 1st for b.tga, else the 14th,
// so that the two captions differ in width.
bool DatedDecoder(const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
    if (!DecodePictureFile(path, target, out)) return false;
    out.facts.hasDate = true;
    out.facts.year = 2023, out.facts.month = 7;
    out.facts.day = path.find(L"b.tga") != std::wstring::npos ? 1 : 14;
    return true;
}

// The scene with dated pictures and Captions on; the first picture on screen.
void LoadCaptioned(const std::vector<std::wstring>& paths, int32_t portraits = 0) {
    Window& w = GetWindow();
    PictureLayerData(w).fade = CrossFade();
    PictureLayerData(w).stream.SetDecoder(DatedDecoder);
    LoadScene(L"", SceneBuild::Full, PictureTextures::Skip);
    w.settings.pictures = paths;
    w.settings.Set(SettingKey::Portraits, portraits);
    w.settings.Set(SettingKey::Captions, 1);
    w.showPictures = 1;
    LoadPictureTextures();
    w.settings.Set(SettingKey::Captions, 0);
    PictureLayerData(w).stream.SetDecoder(nullptr);
    AdvancePictureFade(w);
}

// Where a drawn quad starts (its first vertex), from the recorder's call.
void QuadStart(const std::string& call, float& x, float& y) {
    x = y = -1.0f;
    std::sscanf(call.c_str() + call.find('('), "(6, 2, 28, (%f %f)", &x, &y);
}

// The texture name the recorder gives a picture's caption.
std::string CaptionTexture(uint32_t i) {
    const UserTextures::Picture& p = UserTextures::Instance().At(i);
    return "SetTexture(0, image:" + std::to_string(p.captionWidth) + "x" + std::to_string(p.captionHeight) + ":";
}
}  // namespace

TEST_F(PictureLayer, ACaptionIsOneMoreQuadInTheBottomRightFadingWithItsPicture) {
    Window& w = GetWindow();
    ASSERT_TRUE(w.Create(&dummyWindow));
    LoadCaptioned({WriteTga(dir + "/a.tga", 4, 3, 0xFF0000AA)});
    record.Clear();
    DrawPictureLayer(w, kClient, RecordFit());
    const std::vector<std::string> draws = CallsStarting(record, "DrawPrimitiveUP");
    ASSERT_EQ(draws.size(), 2u);  // the picture, then its caption
    const int caption = record.Find("DrawPrimitiveUP", record.Find("DrawPrimitiveUP") + 1);
    for (const char* state : {"SetRenderState(ALPHABLENDENABLE, 1)", "SetRenderState(SRCBLEND, 5)",
                              "SetTextureStageState(0, ALPHAOP, 4)"})
        EXPECT_GE(record.Find(state), 0) << state;
    EXPECT_NE(record.calls[caption].find("0xFFFFFFFF"), std::string::npos);  // whole, as its picture
    EXPECT_EQ(record.calls.back(), "SetRenderState(ALPHABLENDENABLE, 0)");
    ASSERT_EQ(record.lastQuad.size(), 28u);
    EXPECT_GT(record.lastQuad[0], 512.0f);  // right half
    EXPECT_GT(record.lastQuad[1], 384.0f);  // bottom half
    // None on a view too small to read it, as the display settings' preview.
    record.Clear();
    const float small[4] = {0.0f, 0.0f, 152.0f, 112.0f};
    DrawPictureLayer(w, small, RecordFit());
    EXPECT_EQ(CallsStarting(record, "DrawPrimitiveUP").size(), 1u);
    ReleaseScene();
}

TEST_F(PictureLayer, OneCaptionAtATimeTheDominantPicturesFadingOnItsOwn) {
    Window& w = GetWindow();
    ASSERT_TRUE(w.Create(&dummyWindow));
    LoadCaptioned({WriteTga(dir + "/a.tga", 4, 3, 0xFF0000AA), WriteTga(dir + "/b.tga", 4, 3, 0xFF0000BB)});
    PictureLayerData(w).stream.WaitUntilIdle();
    AdvancePictureFade(w);
    ASSERT_EQ(UserTextures::Instance().Count(), 2u);
    ASSERT_NE(CaptionTexture(0), CaptionTexture(1));
    const struct {
        float fade;
        int shown;  // whose caption: -1 none
    } frames[] = {{0.25f, 0}, {0.5f, -1}, {0.75f, 1}};
    for (const auto& f : frames) {
        PictureLayerData(w).fade.fade = f.fade;
        record.Clear();
        DrawPictureLayer(w, kClient, RecordFit());
        const std::vector<std::string> draws = CallsStarting(record, "DrawPrimitiveUP");
        ASSERT_EQ(draws.size(), f.shown < 0 ? 2u : 3u) << f.fade;
        EXPECT_EQ(record.Find(CaptionTexture(0)) >= 0, f.shown == 0) << f.fade;
        EXPECT_EQ(record.Find(CaptionTexture(1)) >= 0, f.shown == 1) << f.fade;
        if (f.shown >= 0) {
            EXPECT_NE(draws.back().find("0x7FFFFFFF"), std::string::npos) << f.fade;  // half faded
        }
    }
    ReleaseScene();
}

TEST_F(PictureLayer, EachPhotoKeepsTheCaptionCornerItStartedIn) {
    Window& w = GetWindow();
    ASSERT_TRUE(w.Create(&dummyWindow));
    LoadCaptioned({WriteTga(dir + "/a.tga", 4, 3, 0xFF0000AA), WriteTga(dir + "/b.tga", 4, 3, 0xFF0000BB)});
    // a started in the bottom right's time; b starts after it is up, while a is still shown.
    ASSERT_EQ(UserTextures::Instance().Count(), 1u);
    PictureLayerData(w).stream.WaitUntilIdle();
    PictureLayerData(w).fade.captionSeconds = kCaptionCornerSeconds + 1.0;
    AdvancePictureFade(w);
    float x = 0.0f, y = 0.0f;
    PictureLayerData(w).fade.fade = 0.25f;
    record.Clear();
    DrawPictureLayer(w, kClient, RecordFit());
    QuadStart(CallsStarting(record, "DrawPrimitiveUP").back(), x, y);
    EXPECT_GT(y, 384.0f);  // a's, still at the bottom
    PictureLayerData(w).fade.fade = 0.75f;
    record.Clear();
    DrawPictureLayer(w, kClient, RecordFit());
    QuadStart(CallsStarting(record, "DrawPrimitiveUP").back(), x, y);
    EXPECT_GE(y, 0.0f);
    EXPECT_LT(y, 384.0f);  // b's, at the top
    ReleaseScene();
}

TEST_F(PictureLayer, EachPhotoOfAPairShowsItsOwnCaptionInItsHalf) {
    Window& w = GetWindow();
    ASSERT_TRUE(w.Create(&dummyWindow));
    LoadCaptioned({WriteTga(dir + "/p.tga", 300, 400, 0xFF203040), WriteTga(dir + "/q.tga", 300, 400, 0xFF405060)}, 1);
    record.Clear();
    PhotoLook look;
    look.portraits = 1;
    DrawPictureLayer(w, kClient, RecordFit(), look);
    const std::vector<std::string> draws = CallsStarting(record, "DrawPrimitiveUP");
    ASSERT_EQ(draws.size(), 4u);  // the two photos, then their captions
    float x = 0.0f, y = 0.0f;
    QuadStart(draws[2], x, y);
    EXPECT_GT(x, 128.0f);  // the right of the left half
    EXPECT_LT(x, 512.0f);
    EXPECT_GT(y, 384.0f);
    QuadStart(draws[3], x, y);
    EXPECT_GT(x, 640.0f);  // the right of the right half
    EXPECT_GT(y, 384.0f);
    ReleaseScene();
}

namespace {
// Frames until `done` or a deadline; the stream's worker is given its turn before each.
int FramesUntil(const std::function<bool()>& done, int most = 4000) {
    for (int frame = 0; frame < most; ++frame) {
        PictureLayerData(GetWindow()).stream.WaitUntilIdle();
        SteerPictures(GetWindow());
        AdvancePictureFade(GetWindow());
        if (done()) return frame;
        if (frame % 50 == 49) std::this_thread::sleep_for(std::chrono::milliseconds(1));  // a decode again
    }
    return -1;
}
}  // namespace

TEST_F(PictureLayer, KeysStepForthAndBackWithAQuickFadeAndSpaceHoldsThePicture) {
    ASSERT_TRUE(GetWindow().Create(&dummyWindow));
    Window& w = GetWindow();
    std::vector<std::wstring> paths;
    for (uint32_t i = 0; i < 4; ++i)
        paths.push_back(WriteTga(dir + "/k" + std::to_string(i) + ".tga", 2, 2, 0xFF000000u | i));
    PictureLayerData(w).fade = CrossFade();
    LoadPictures(paths, 0);
    ASSERT_GE(FramesUntil([&] { return UserTextures::Instance().Count() == 3; }), 0);
    // Forth: the picture decoded ahead comes within the quick fade (0.4 s, 24 frames at 60).
    PostPictureStep(w, 1);
    const int forth = FramesUntil([&] { return PictureLayerData(w).fade.current == 1; });
    EXPECT_GE(forth, 20);
    EXPECT_LE(forth, 25);
    EXPECT_FALSE(PictureLayerData(w).fade.quick);
    // Back: the first picture, decoded again, then the same quick fade.
    PostPictureStep(w, -1);
    // The frames run on while the worker decodes it: on a busy machine that may take a
    // while, so each frame past the quick fade gives the worker a millisecond, up to 10 s.
    int back = -1;
    for (int frame = 0; frame < 10000 && back < 0; ++frame) {
        if (FramesUntil([&] { return PictureLayerData(w).fade.current == 0; }, 1) == 0) back = frame;
        if (frame >= 24) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // At least the quick fade's 24 frames (index 23 when the decode is done by the first).
    EXPECT_GE(back, 23);
    // Space: the picture stays well past its time (1000 frames) with the mark for a second.
    PostPauseToggle(w);
    record.Clear();
    FramesUntil([] { return false; }, 1);
    DrawPictureLayer(w, kClient, RecordFit());
    EXPECT_EQ(CallsStarting(record, "SetTexture(0, null)").size(), 1u);
    EXPECT_EQ(FramesUntil([&] { return PictureLayerData(w).fade.current != 0; }, 2500), -1);
    record.Clear();
    DrawPictureLayer(w, kClient, RecordFit());
    EXPECT_EQ(CallsStarting(record, "SetTexture(0, null)").size(), 0u);  // the mark is gone
    // Space again: the pictures go on.
    PostPauseToggle(w);
    EXPECT_GT(FramesUntil([&] { return PictureLayerData(w).fade.current != 0; }, 2500), 0);
    ReleaseScene();
}

TEST_F(PictureLayer, APauseInTheMiddleOfACrossFadeSettlesOnTheNearerPictureWhole) {
    Window& w = GetWindow();
    std::vector<std::wstring> paths;
    for (uint32_t i = 0; i < 4; ++i)
        paths.push_back(WriteTga(dir + "/m" + std::to_string(i) + ".tga", 2, 2, 0xFF000000u | i));
    for (const float at : {0.3f, 0.7f}) {
        ASSERT_TRUE(w.Create(&dummyWindow));
        PictureLayerData(w).fade = CrossFade();
        LoadPictures(paths, 0);
        ASSERT_GE(FramesUntil([&] { return UserTextures::Instance().Count() == 3; }), 0);
        PictureLayerData(w).fade.fade = at;
        PostPauseToggle(w);
        FramesUntil([] { return false; }, 60);  // a second at 60 frames a second
        EXPECT_EQ(PictureLayerData(w).fade.fade, 0.0f) << at;
        EXPECT_EQ(PictureLayerData(w).fade.current, at < 0.5f ? 0u : 1u) << at;  // back to the leaving one, or on
        ReleaseScene();
    }
}
