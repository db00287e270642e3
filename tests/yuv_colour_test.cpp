// The clip shader's colour matrix and the upright turn of texture coordinates, computed as
// the shader computes them: reference samples of each standard and range come back as the
// colours they were made from.
#include "video/yuv_colour.h"

#include <gtest/gtest.h>

using namespace WorkSpace;

namespace {
// Studio-range samples of a colour as an encoder writes them (0..1 as the texture reads).
void Encode(bool hd, float r, float g, float b, float& y, float& u, float& v) {
    const float kr = hd ? 0.2126f : 0.299f, kb = hd ? 0.0722f : 0.114f;
    const float luma = kr * r + (1 - kr - kb) * g + kb * b;
    y = (16.0f + 219.0f * luma) / 255.0f;
    u = (128.0f + 224.0f * (b - luma) / (2 * (1 - kb))) / 255.0f;
    v = (128.0f + 224.0f * (r - luma) / (2 * (1 - kr))) / 255.0f;
}
}  // namespace

TEST(YuvColour, EncodedColoursComeBackInBothStandards) {
    const float colours[][3] = {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}, {1, 1, 1}, {0, 0, 0}, {0.5f, 0.25f, 0.75f}};
    for (uint32_t height : {480u, 1080u}) {
        float constants[kYuvConstantCount * 4];
        YuvConstants(VideoFormat::NV12, VideoColour{}, height, constants);
        for (const auto& c : colours) {
            float y, u, v, rgb[3];
            Encode(height >= 720, c[0], c[1], c[2], y, u, v);
            YuvToRgb(constants, y, u, v, rgb);
            for (int i = 0; i < 3; ++i) EXPECT_NEAR(rgb[i], c[i], 0.01f) << height << " channel " << i;
        }
    }
}

namespace {
// One reference sample: its code values (8 or 10 bits) and the colour it was made from.
struct ColourCase {
    const char* name;
    VideoFormat format;
    YuvMatrix matrix;
    YuvRange range;
    uint32_t height;
    int y, u, v;
    float rgb[3];
};

// A code value as the texture unit reads it: 8-bit over 255; P010 keeps its 10 bits in the
// top of 16.
float Sampled(VideoFormat format, int code) {
    return format == VideoFormat::P010 ? code * 64.0f / 65535.0f : code / 255.0f;
}
}  // namespace

TEST(YuvColour, StatedStandardsAndRangesDecodeTheirOwnSamples) {
    using F = VideoFormat;
    using M = YuvMatrix;
    using R = YuvRange;
    const ColourCase cases[] = {
        {"601 red", F::NV12, M::Bt601, R::Studio, 480, 81, 90, 240, {1, 0, 0}},
        {"601 green", F::NV12, M::Bt601, R::Studio, 480, 145, 54, 34, {0, 1, 0}},
        {"601 stated on a 1080-row clip", F::NV12, M::Bt601, R::Studio, 1080, 81, 90, 240, {1, 0, 0}},
        {"709 red", F::NV12, M::Bt709, R::Studio, 1080, 63, 102, 240, {1, 0, 0}},
        {"709 blue", F::NV12, M::Bt709, R::Studio, 1080, 32, 240, 118, {0, 0, 1}},
        {"709 stated on a 480-row clip", F::NV12, M::Bt709, R::Studio, 480, 63, 102, 240, {1, 0, 0}},
        {"2020 red", F::NV12, M::Bt2020, R::Studio, 2160, 74, 97, 240, {1, 0, 0}},
        {"unstated below 720 rows is 601", F::NV12, M::Unstated, R::Unstated, 480, 81, 90, 240, {1, 0, 0}},
        {"unstated from 720 rows is 709", F::NV12, M::Unstated, R::Unstated, 720, 63, 102, 240, {1, 0, 0}},
        {"studio mid grey", F::NV12, M::Bt709, R::Studio, 1080, 126, 128, 128, {0.5f, 0.5f, 0.5f}},
        {"full-range 601 red", F::NV12, M::Bt601, R::Full, 480, 76, 85, 255, {1, 0, 0}},
        {"full-range dark grey", F::NV12, M::Bt709, R::Full, 1080, 32, 128, 128, {0.1255f, 0.1255f, 0.1255f}},
        {"unstated range is studio", F::NV12, M::Bt709, R::Unstated, 1080, 32, 128, 128, {0.073f, 0.073f, 0.073f}},
        {"ten-bit 709 red", F::P010, M::Bt709, R::Studio, 1080, 250, 409, 960, {1, 0, 0}},
        {"ten-bit 2020 red", F::P010, M::Bt2020, R::Studio, 2160, 294, 387, 960, {1, 0, 0}},
        {"ten-bit studio black", F::P010, M::Bt2020, R::Studio, 2160, 64, 512, 512, {0, 0, 0}},
        {"ten-bit studio white", F::P010, M::Bt2020, R::Studio, 2160, 940, 512, 512, {1, 1, 1}},
        {"ten-bit full-range grey", F::P010, M::Bt2020, R::Full, 2160, 256, 512, 512, {0.25f, 0.25f, 0.25f}},
    };
    for (const ColourCase& c : cases) {
        float constants[kYuvConstantCount * 4], rgb[3];
        YuvConstants(c.format, VideoColour{c.matrix, c.range}, c.height, constants);
        YuvToRgb(constants, Sampled(c.format, c.y), Sampled(c.format, c.u), Sampled(c.format, c.v), rgb);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(rgb[i], c.rgb[i], 0.012f) << c.name << ", channel " << i;
    }
}

TEST(YuvColour, TheDecodersStatementComesFirstTheNativeTypeFillsWhatItLeavesOut) {
    using M = YuvMatrix;
    using R = YuvRange;
    const struct {
        const char* name;
        VideoColour decoder, native, expected;
    } cases[] = {
        {"both stated: the decoder's", {M::Bt601, R::Full}, {M::Bt709, R::Studio}, {M::Bt601, R::Full}},
        {"the decoder states neither", {}, {M::Bt2020, R::Full}, {M::Bt2020, R::Full}},
        {"each states one", {M::Bt709, R::Unstated}, {M::Unstated, R::Full}, {M::Bt709, R::Full}},
        {"neither states anything", {}, {}, {}},
    };
    for (const auto& c : cases) {
        const VideoColour got = StatedOr(c.decoder, c.native);
        EXPECT_EQ(got.matrix, c.expected.matrix) << c.name;
        EXPECT_EQ(got.range, c.expected.range) << c.name;
    }
}

TEST(YuvColour, ChromaPairsArePickedFromTheirFormatsChannels) {
    float nv12[kYuvConstantCount * 4], p010[kYuvConstantCount * 4];
    YuvConstants(VideoFormat::NV12, VideoColour{}, 1080, nv12);
    YuvConstants(VideoFormat::P010, VideoColour{}, 1080, p010);
    // U is the first of a pair in both; V is A8L8's alpha, G16R16's green.
    EXPECT_EQ(nv12[0], 1.0f);
    EXPECT_EQ(nv12[7], 1.0f);
    EXPECT_EQ(p010[0], 1.0f);
    EXPECT_EQ(p010[5], 1.0f);
}

TEST(YuvColour, TurnedFramesAreSampledUpright) {
    // The upright picture's top left corner is the stored frame's bottom left after a
    // quarter turn clockwise, its bottom right after a half turn, its top right after three.
    float u = 0, v = 0;
    UprightToStored(90, 0, 0, u, v);
    EXPECT_EQ(u, 0.0f);
    EXPECT_EQ(v, 1.0f);
    UprightToStored(180, 0, 0, u, v);
    EXPECT_EQ(u, 1.0f);
    EXPECT_EQ(v, 1.0f);
    UprightToStored(270, 0, 0, u, v);
    EXPECT_EQ(u, 1.0f);
    EXPECT_EQ(v, 0.0f);
    UprightToStored(0, 0.25f, 0.75f, u, v);
    EXPECT_EQ(u, 0.25f);
    EXPECT_EQ(v, 0.75f);
}
