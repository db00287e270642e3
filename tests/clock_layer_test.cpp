// The clock layer on the recording backend: none and no worker with Clock 0 or on a small
// preview, one more quad with Clock 1, and over a scripted hour the caption's burn-in rule:
// a corner away from the captions in turn every ten minutes, never the same pixels for a
// minute.
#include "scene/clock_layer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/workspace.h"
#include "imaging/picture_decode.h"
#include "scene/caption_quad.h"
#include "scene/picture_layer.h"
#include "scene/scene.h"
#include "scene/window.h"
#include "test_support.h"

using namespace WorkSpace;

TEST(ClockCorner, TheCornerAfterTheCaptionsUnlessACaptionOnScreenTakesIt) {
    const struct {
        double seconds;
        unsigned captions;  // bit c: a caption on screen in corner c
        int corner;
    } cases[] = {
        {0.0, 0, 1},      {0.0, 1u << 1, 2},         {0.0, (1u << 1) | (1u << 2), 0},
        {601.0, 0, 2},    {1201.0, 0, 0},            {1201.0, 1u << 0, 1},  // a photo kept for long
        {1801.0, 0, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(ClockCorner(c.seconds, c.captions), c.corner) << c.seconds << " " << c.captions;
}

namespace {
class ClockLayer : public RecordedFrame {
protected:
    void TearDown() override {
        Window& w = GetWindow();
        w.settings.Set(SettingKey::Clock, 0);
        ClockLayerData(w).seconds = 0.0;
        RecordedFrame::TearDown();
    }
    // The scene without pictures, the clock as given.
    void Load(int32_t clock) {
        Window& w = GetWindow();
        ASSERT_TRUE(w.Create(&dummyWindow));
        LoadScene(L"", SceneBuild::Full, PictureTextures::Skip);
        w.showPictures = 0;
        w.settings.Set(SettingKey::Clock, clock);
        ClockLayerData(w).seconds = 0.0;
    }
    size_t Draws() const { return CallsStarting(record, "DrawPrimitiveUP").size(); }
};
}  // namespace

TEST_F(ClockLayer, OffDrawsNothingMoreAndOnIsOneMoreQuad) {
    Window& w = GetWindow();
    Load(0);
    record.Clear();
    RenderFrame(false);
    const size_t without = Draws();
    EXPECT_FALSE(ClockLayerData(w).maker.Running());
    EXPECT_EQ(ClockLayerData(w).texture, nullptr);

    w.settings.Set(SettingKey::Clock, 1);
    RenderFrame(false);  // starts the worker
    ASSERT_TRUE(ClockLayerData(w).maker.Running());
    ClockLayerData(w).maker.WaitForPictures(1);
    RenderFrame(false);  // takes it, if the first frame did not
    ASSERT_NE(ClockLayerData(w).texture, nullptr);
    record.Clear();
    RenderFrame(false);
    EXPECT_EQ(Draws(), without + 1);
    EXPECT_EQ(CallsStarting(record, "CreateTexture").size(), 0u);  // a picture a minute, not a frame

    // Off again: the worker ends and the texture goes.
    w.settings.Set(SettingKey::Clock, 0);
    RenderFrame(false);
    EXPECT_FALSE(ClockLayerData(w).maker.Running());
    EXPECT_EQ(ClockLayerData(w).texture, nullptr);
}

TEST_F(ClockLayer, NoneOnTheSmallPreviewAsNoCaption) {
    UseRecordingGraphics(&record, 152, 112);
    Window& w = GetWindow();
    Load(2);
    record.Clear();
    RenderFrame(false);
    RenderFrame(false);
    EXPECT_FALSE(ClockLayerData(w).maker.Running());
    EXPECT_EQ(ClockLayerData(w).texture, nullptr);
}

TEST_F(ClockLayer, OverAnHourItChangesCornerEveryTenMinutesAndNeverStaysAMinute) {
    Window& w = GetWindow();
    Load(1);
    w.ReshapeViews(false);
    FrameSettings settings = ReadFrameSettings(w.settings, 0);
    settings.fadeStep = 0.06f;  // one frame a second
    kClockLayer.advance(w, settings);
    ClockLayerData(w).maker.WaitForPictures(1);
    std::vector<std::string> corners;
    std::vector<int> runs;  // frames in each corner
    float last[2] = {-1.0f, -1.0f};
    int still = 0, longestStill = 0;
    for (int second = 0; second < 3600; ++second) {
        record.Clear();
        kClockLayer.advance(w, settings);
        kClockLayer.draw(w, w.views.views[0], settings);
        ASSERT_EQ(Draws(), 1u) << second;
        ASSERT_EQ(record.lastQuad.size(), 28u);  // x y z rhw colour u v, four times
        const float x = record.lastQuad[0], y = record.lastQuad[1];
        const std::string corner = std::string(y < 384.0f ? "top " : "bottom ") + (x < 512.0f ? "left" : "right");
        if (corners.empty() || corners.back() != corner) {
            corners.push_back(corner);
            runs.push_back(0);
        }
        ++runs.back();
        still = x == last[0] && y == last[1] ? still + 1 : 0;
        if (still > longestStill) longestStill = still;
        last[0] = x, last[1] = y;
    }
    const std::vector<std::string> expected = {"top right", "top left", "bottom right", "top right", "top left",
                                               "bottom right"};
    corners.resize(expected.size());  // the float step may begin a seventh in the last frame
    EXPECT_EQ(corners, expected);
    for (size_t i = 0; i + 1 < runs.size(); ++i) EXPECT_NEAR(runs[i], 600, 1) << i;
    EXPECT_LT(longestStill, 60);
    EXPECT_GT(longestStill, 0);  // a few pixels a minute, not every frame
}

TEST_F(ClockLayer, AFailedUploadIsLoggedOnceAndTheFramesGoOnWithoutIt) {
    Window& w = GetWindow();
    Load(1);
    record.results["CreateTextureFromImage"] = kEOutOfMemory;
    RenderFrame(false);
    ClockLayerData(w).maker.WaitForPictures(1);
    const size_t before = record.calls.size();
    EXPECT_EQ(RenderFrame(false), kOk);
    EXPECT_GT(record.calls.size(), before);
    EXPECT_EQ(ClockLayerData(w).texture, nullptr);
    const std::vector<std::string> log = LogMessages(ReadLog(dir));
    EXPECT_EQ(std::count(log.begin(), log.end(), "ClockLayer::Advance() - CreateTextureFromImage 0x8007000E - FAILED"),
              1);
    record.results.clear();
}

namespace {
bool DatedDecoder(const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
    if (!DecodePictureFile(path, target, out)) return false;
    out.facts.hasDate = true;
    out.facts.year = 2023, out.facts.month = 7, out.facts.day = 14;
    return true;
}
}  // namespace

TEST_F(ClockLayer, StaysOutOfTheCornerOfACaptionOnScreen) {
    Window& w = GetWindow();
    Load(1);
    // A captioned photo that starts while the captions are in the top right, the clock's
    // first corner.
    PictureLayerData(w).fade = CrossFade();
    PictureLayerData(w).fade.captionSeconds = kCaptionCornerSeconds + 1.0;
    PictureLayerData(w).stream.SetDecoder(DatedDecoder);
    w.settings.pictures = {WriteTga(dir + "/a.tga", 4, 3, 0xFF0000AA)};
    w.settings.Set(SettingKey::Captions, 1);
    w.showPictures = 1;
    LoadPictureTextures();
    PictureLayerData(w).stream.SetDecoder(nullptr);
    w.ReshapeViews(false);
    const FrameSettings settings = ReadFrameSettings(w.settings, 1);
    kPictureLayer.advance(w, settings);
    kClockLayer.advance(w, settings);
    ClockLayerData(w).maker.WaitForPictures(1);
    kClockLayer.advance(w, settings);
    ASSERT_EQ(UserTextures::Instance().Count(), 1u);
    ASSERT_NE(UserTextures::Instance().At(0).caption, nullptr);
    record.Clear();
    kClockLayer.draw(w, w.views.views[0], settings);
    ASSERT_EQ(record.lastQuad.size(), 28u);
    EXPECT_LT(record.lastQuad[0], 512.0f);  // the top left
    EXPECT_LT(record.lastQuad[1], 384.0f);
    w.settings.Set(SettingKey::Captions, 0);
    w.settings.pictures.clear();
    PictureLayerData(w).fade = CrossFade();
}
