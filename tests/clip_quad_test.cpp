// A clip in the picture textures and its draw, on the recording backend: its planes made
// with the first frame and written again when the next falls due, the shader and both
// samplers set before its quad and let go after it, a turned clip sampled upright, the
// fade to the next picture held while the clip plays, and a clip after a photo starting
// once its fade in is done.
#include "scene/clip_quad.h"

#include <gtest/gtest.h>

#include "scene/picture_fades.h"
#include "scene/window.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {
class ClipQuad : public RecordedScene {};

// A clip's frames as a script: frame k (its luma all k) due at k tenths of a second; it
// holds the screen for `holdSeconds`.
class TenthsClip : public FrameSource {
public:
    explicit TenthsClip(uint32_t rotation = 0, double holdSeconds = 0.0) : rotation_(rotation), hold_(holdSeconds) {}
    bool FrameAt(double, Image&) override { return false; }
    bool HasPlanes() const override { return true; }
    bool VideoFrameAt(double seconds, VideoFrame& out) override {
        const int due = static_cast<int>(seconds * 10.0 + 1e-9);
        if (due <= last_) return false;
        last_ = due;
        out.width = 8, out.height = 4, out.format = VideoFormat::NV12, out.rotation = rotation_;
        out.time = due / 10.0;
        out.luma.assign(32, static_cast<uint8_t>(due));
        out.chroma.assign(16, 128);
        return true;
    }
    bool HoldsFade(double seconds) override { return seconds < hold_; }
    bool StillShows(double) override { return false; }

private:
    uint32_t rotation_;
    double hold_;
    int last_ = -1;
};

DecodedPicture Clip(std::shared_ptr<FrameSource> frames) {
    DecodedPicture clip;
    clip.width = 8, clip.height = 4;
    clip.frames = std::move(frames);
    return clip;
}
}  // namespace

TEST_F(ClipQuad, AClipsPlanesAreMadeOnceAndWrittenWhenTheNextFrameIsDue) {
    UserTextures pictures;
    pictures.SetDevice(GetWindow().device);
    ASSERT_TRUE(pictures.AddPicture(Clip(std::make_shared<TenthsClip>()), 0));
    EXPECT_GE(record.Find("CreatePixelShader("), 0);
    EXPECT_GE(record.Find("CreatePlaneTexture(plane:8x4:50)"), 0);
    EXPECT_GE(record.Find("CreatePlaneTexture(plane:4x2:51)"), 0);
    EXPECT_GE(record.Find("UpdatePlaneTexture(plane:8x4:50, 8, 4, 0)"), 0);
    record.Clear();
    pictures.AdvanceFrames(0.05);
    EXPECT_EQ(record.Find("UpdatePlaneTexture"), -1);
    pictures.AdvanceFrames(0.05);
    EXPECT_GE(record.Find("UpdatePlaneTexture(plane:8x4:50, 8, 4, 1)"), 0);
    EXPECT_GE(record.Find("UpdatePlaneTexture(plane:4x2:51, 8, 2, 128)"), 0);
    EXPECT_EQ(record.Find("CreatePlaneTexture"), -1);
    pictures.Clear();
    EXPECT_GE(record.Find("Release(plane:8x4:50)"), 0);
    EXPECT_GE(record.Find("Release(pixelshader)"), 0);
}

TEST_F(ClipQuad, TheShaderAndBothSamplersAreSetForTheQuadAndLetGoAfter) {
    UserTextures pictures;
    pictures.SetDevice(GetWindow().device);
    ASSERT_TRUE(pictures.AddPicture(Clip(std::make_shared<TenthsClip>()), 0));
    record.Clear();
    const float area[4] = {0, 0, 800, 400};
    DrawClipQuad(GetWindow().device, pictures.ClipShader(), pictures.At(0),
                 PlacePicture(PictureFit::Fit, area, 8, 4), 0xFFFFFFFF);
    const int shader = record.Find("SetPixelShader(pixelshader)");
    const int draw = record.Find("DrawPrimitiveUP");
    ASSERT_GE(shader, 0);
    EXPECT_LT(record.Find("SetPixelShaderConstants(0, 5)"), draw);
    EXPECT_LT(record.Find("SetTexture(0, plane:8x4:50)"), draw);
    EXPECT_LT(record.Find("SetTexture(1, plane:4x2:51)"), draw);
    EXPECT_LT(record.Find("SetSamplerState(1, MINFILTER, 2)"), draw);
    EXPECT_GT(record.Find("SetPixelShader(null)", draw), draw);
    EXPECT_GT(record.Find("SetTexture(1, null)", draw), draw);
    ASSERT_FALSE(record.drawStates.empty());
    EXPECT_NE(record.drawStates.back().find("PS=1"), std::string::npos);
    pictures.Clear();
}

TEST_F(ClipQuad, AClipRecordedTurnedIsSampledUpright) {
    UserTextures pictures;
    pictures.SetDevice(GetWindow().device);
    ASSERT_TRUE(pictures.AddPicture(Clip(std::make_shared<TenthsClip>(90)), 0));
    const float area[4] = {0, 0, 400, 800};
    DrawClipQuad(GetWindow().device, pictures.ClipShader(), pictures.At(0),
                 PlacePicture(PictureFit::Stretch, area, 4, 8), 0xFFFFFFFF);
    // The top left corner on screen takes the stored frame's bottom left.
    ASSERT_EQ(record.lastQuad.size(), 28u);
    EXPECT_EQ(record.lastQuad[5], 0.0f);
    EXPECT_EQ(record.lastQuad[6], 1.0f);
    pictures.Clear();
}

TEST_F(ClipQuad, TheFadeToTheNextPictureWaitsWhileTheClipPlays) {
    UserTextures pictures;
    pictures.SetDevice(GetWindow().device);
    ASSERT_TRUE(pictures.AddPicture(Clip(std::make_shared<TenthsClip>(0, 1.0)), 0));
    ASSERT_TRUE(pictures.AddPicture(Clip(std::make_shared<TenthsClip>()), 1));
    CrossFade state;
    const float step = FadeStep(60.0);
    for (int frame = 0; frame < 59; ++frame) {
        AdvanceLaneFade(state, pictures, false, step);
        pictures.AdvanceFrames(step / kFadePerSecond);
    }
    EXPECT_EQ(state.fade, 0.0f);
    for (int frame = 0; frame < 3; ++frame) {
        AdvanceLaneFade(state, pictures, false, step);
        pictures.AdvanceFrames(step / kFadePerSecond);
    }
    EXPECT_GT(state.fade, 0.0f);
    pictures.Clear();
}

TEST_F(ClipQuad, AClipAfterAPhotoStartsWhenItsFadeInIsDone) {
    UserTextures pictures;
    pictures.SetDevice(GetWindow().device);
    DecodedPicture photo;
    photo.image.width = photo.image.height = 2;
    photo.image.pixels.assign(4, 0xFF10E010);
    photo.width = photo.height = 2;
    ASSERT_TRUE(pictures.AddPicture(photo, 0));
    ASSERT_TRUE(pictures.AddPicture(Clip(std::make_shared<TenthsClip>(0, 30.0)), 1));
    record.Clear();
    CrossFade state;
    const float step = FadeStep(60.0);
    int frames = 0;
    for (; pictures.Count() == 2 && frames < 2000; ++frames) {
        AdvanceLaneFade(state, pictures, false, step);
        pictures.AdvanceFrames(step / kFadePerSecond);
    }
    ASSERT_EQ(pictures.Count(), 1u);
    EXPECT_GT(frames, 900);  // the whole fade, over 15 s
    EXPECT_EQ(record.Find("UpdatePlaneTexture"), -1);  // its first frame all the while
    for (int frame = 0; frame < 7; ++frame) pictures.AdvanceFrames(step / kFadePerSecond);
    EXPECT_GE(record.Find("UpdatePlaneTexture(plane:8x4:50, 8, 4, 1)"), 0);  // a tenth in
    EXPECT_EQ(record.Find("UpdatePlaneTexture(plane:8x4:50, 8, 4, 2)"), -1);
    pictures.Clear();
}
