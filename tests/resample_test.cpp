// The upright turn, resampling, texture sizes, mip levels and the blurred backdrop, on small
// pictures whose every pixel we know.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "imaging/image.h"
#include "imaging/resample.h"

using namespace WorkSpace;

namespace {

uint32_t At(const Image& img, uint32_t x, uint32_t y) { return img.pixels[size_t(y) * img.width + x]; }

uint32_t Channel(uint32_t p, int c) { return (p >> (8 * c)) & 0xFF; }

Image Filled(uint32_t w, uint32_t h, uint32_t value) {
    Image img;
    img.width = w;
    img.height = h;
    img.pixels.assign(size_t(w) * h, value);
    return img;
}

}  // namespace

namespace {
// A 3 x 2 picture whose pixels are their own index: 0 1 2 / 3 4 5.
Image Numbered() {
    Image im;
    im.width = 3;
    im.height = 2;
    im.pixels = {0, 1, 2, 3, 4, 5};
    return im;
}
}  // namespace

TEST(ImageOrient, AllEightOrientations) {
    struct Case {
        uint32_t orientation, width, height;
        std::vector<uint32_t> pixels;
    };
    const Case cases[] = {
        {1, 3, 2, {0, 1, 2, 3, 4, 5}},
        {2, 3, 2, {2, 1, 0, 5, 4, 3}},        // mirrored
        {3, 3, 2, {5, 4, 3, 2, 1, 0}},        // half a turn
        {4, 3, 2, {3, 4, 5, 0, 1, 2}},        // flipped
        {5, 2, 3, {0, 3, 1, 4, 2, 5}},        // transposed
        {6, 2, 3, {3, 0, 4, 1, 5, 2}},        // a quarter turn clockwise
        {7, 2, 3, {5, 2, 4, 1, 3, 0}},        // transposed across the other diagonal
        {8, 2, 3, {2, 5, 1, 4, 0, 3}},        // a quarter turn anticlockwise
        {0, 3, 2, {0, 1, 2, 3, 4, 5}},        // no tag
        {9, 3, 2, {0, 1, 2, 3, 4, 5}},        // not a valid value
    };
    for (const Case& c : cases) {
        const Image out = OrientImage(Numbered(), c.orientation);
        EXPECT_EQ(out.width, c.width) << c.orientation;
        EXPECT_EQ(out.height, c.height) << c.orientation;
        EXPECT_EQ(out.pixels, c.pixels) << c.orientation;
    }
}

TEST(ImageScale, FlatColourStaysFlat) {
    const uint32_t colour = 0x80C08041;
    const Image src = Filled(37, 23, colour);
    const uint32_t sizes[][2] = {{10, 7}, {100, 50}, {37, 23}, {80, 5}, {1, 1}, {36, 22}, {38, 24}, {1, 400}};
    for (auto& s : sizes) {
        const Image out = ScaleImage(src, s[0], s[1]);
        ASSERT_EQ(out.width, s[0]);
        ASSERT_EQ(out.height, s[1]);
        ASSERT_EQ(out.pixels.size(), size_t(s[0]) * s[1]);
        for (uint32_t p : out.pixels) ASSERT_EQ(p, colour) << s[0] << "x" << s[1];
    }
    const Image one = ScaleImage(Filled(1, 1, colour), 5, 3);
    for (uint32_t p : one.pixels) EXPECT_EQ(p, colour);
}

TEST(ImageScale, HalvingCheckerboardGivesGrey) {
    Image src = Filled(8, 8, 0);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x) src.pixels[y * 8 + x] = ((x + y) & 1) ? 0xFFFFFFFF : 0xFF000000;
    const Image out = ScaleImage(src, 4, 4);
    ASSERT_EQ(out.pixels.size(), 16u);
    for (uint32_t p : out.pixels) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_GE(Channel(p, c), 127u);
            EXPECT_LE(Channel(p, c), 128u);
        }
        EXPECT_EQ(Channel(p, 3), 255u);
    }
    // Alpha is averaged like any other channel.
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x) src.pixels[y * 8 + x] = ((x + y) & 1) ? 0xC8000000 : 0x00000000;
    for (uint32_t p : ScaleImage(src, 4, 4).pixels) EXPECT_EQ(p, 0x64000000u);
}

TEST(ImageScale, SameSizeIsAnExactCopy) {
    Image src = Filled(13, 9, 0);
    std::mt19937 rng(7);
    for (uint32_t& p : src.pixels) p = rng();
    EXPECT_EQ(ScaleImage(src, 13, 9).pixels, src.pixels);
}

TEST(ImageScale, BoxWeightsCoverFractionalPixels) {
    // Three pixels into two: each output covers one and a half source pixels.
    Image src = Filled(3, 1, 0);
    src.pixels = {0x00000000, 0x5A5A5A5A, 0xB4B4B4B4};  // 0, 90, 180
    const Image out = ScaleImage(src, 2, 1);
    EXPECT_EQ(out.pixels[0], 0x1E1E1E1Eu);  // (0 + 90 / 2) / 1.5 = 30
    EXPECT_EQ(out.pixels[1], 0x96969696u);  // (90 / 2 + 180) / 1.5 = 150
    // The same along the vertical axis.
    Image col = Filled(1, 3, 0);
    col.pixels = src.pixels;
    EXPECT_EQ(ScaleImage(col, 1, 2).pixels, out.pixels);
}

TEST(ImageScale, BilinearUpscaleWithAlignedCentres) {
    Image src = Filled(2, 1, 0);
    src.pixels = {0x00000000, 0xC8C8C8C8};  // 0 and 200
    const Image out = ScaleImage(src, 4, 1);
    // Output centres fall at source -0.25 (clamped), 0.25, 0.75 and 1.25 (clamped).
    EXPECT_EQ(out.pixels, (std::vector<uint32_t>{0x00000000, 0x32323232, 0x96969696, 0xC8C8C8C8}));
    Image col = Filled(1, 2, 0);
    col.pixels = src.pixels;
    EXPECT_EQ(ScaleImage(col, 1, 4).pixels, out.pixels);
}

// A line of one pixel has no neighbour to blend with: each output sample along it is that
// pixel, the last line's too, which sits at the very end of the picture.
TEST(ImageScale, AOnePixelLineGrowsWithoutANeighbour) {
    Image col = Filled(1, 3, 0);
    col.pixels = {0x0A0A0A0A, 0x14141414, 0x1E1E1E1E};
    const Image wide = ScaleImage(col, 3, 3);
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 3; ++x) EXPECT_EQ(At(wide, x, y), col.pixels[y]) << x << "," << y;
    Image row = Filled(3, 1, 0);
    row.pixels = col.pixels;
    const Image tall = ScaleImage(row, 3, 3);
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 3; ++x) EXPECT_EQ(At(tall, x, y), row.pixels[x]) << x << "," << y;
}

TEST(ImageScale, ShrinkOneAxisGrowTheOther) {
    // Columns 0,100,200,... across; rows identical. Halving the width averages pairs, and
    // growing the height repeats rows.
    Image src = Filled(4, 2, 0);
    const uint32_t v[4] = {0, 100, 200, 250};
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 4; ++x) src.pixels[y * 4 + x] = 0xFF000000 | v[x];
    const Image out = ScaleImage(src, 2, 5);
    ASSERT_EQ(out.pixels.size(), 10u);
    for (uint32_t y = 0; y < 5; ++y) {
        EXPECT_EQ(At(out, 0, y), 0xFF000032u);
        EXPECT_EQ(At(out, 1, y), 0xFF0000E1u);
    }
}

TEST(ImageScale, SizeLimits) {
    const Image src = Filled(4, 4, 0x12345678);
    EXPECT_TRUE(ScaleImage(src, 0, 4).pixels.empty());
    EXPECT_TRUE(ScaleImage(src, 4, 0).pixels.empty());
    EXPECT_TRUE(ScaleImage(src, 16385, 1).pixels.empty());
    const Image wide = ScaleImage(src, 16384, 1);
    EXPECT_EQ(wide.width, 16384u);
    EXPECT_EQ(wide.pixels.size(), 16384u);
    EXPECT_EQ(wide.pixels.back(), 0x12345678u);
    // A source that does not hold what its size says gives a blank picture of the size asked.
    Image broken = src;
    broken.pixels.pop_back();
    const Image blank = ScaleImage(broken, 3, 2);
    EXPECT_EQ(blank.width, 3u);
    EXPECT_EQ(blank.pixels, std::vector<uint32_t>(6, 0));
    EXPECT_EQ(ScaleImage(Image{}, 2, 2).pixels.size(), 4u);
}

// ---------------------------------------------------------------------------------------

namespace {
std::pair<uint32_t, uint32_t> Fit(uint32_t sw, uint32_t sh, uint32_t mw, uint32_t mh, bool pow2) {
    uint32_t w = 0, h = 0;
    FitTextureSize(sw, sh, mw, mh, pow2, w, h);
    return {w, h};
}
using Size = std::pair<uint32_t, uint32_t>;
bool IsPowerOfTwo(uint32_t v) { return v && !(v & (v - 1)); }
}  // namespace

TEST(ImageFit, LargePhoto) {
    EXPECT_EQ(Fit(6000, 4000, 4096, 4096, false), Size(4096, 2731));
    EXPECT_EQ(Fit(6000, 4000, 4096, 4096, true), Size(4096, 2048));
    EXPECT_EQ(Fit(4000, 6000, 4096, 4096, false), Size(2731, 4096));
    EXPECT_EQ(Fit(4000, 6000, 4096, 4096, true), Size(2048, 4096));
    EXPECT_EQ(Fit(6000, 4000, 2048, 2048, false), Size(2048, 1365));
    // The tighter of two different maxima decides.
    EXPECT_EQ(Fit(6000, 4000, 4096, 1024, false), Size(1536, 1024));
    EXPECT_EQ(Fit(1000, 1000, 512, 256, false), Size(256, 256));
    // Maxima that are not powers of two: scale, then round down.
    EXPECT_EQ(Fit(6000, 4000, 3000, 3000, false), Size(3000, 2000));
    EXPECT_EQ(Fit(6000, 4000, 3000, 3000, true), Size(2048, 1024));
}

TEST(ImageFit, PicturesThatAlreadyFit) {
    EXPECT_EQ(Fit(800, 600, 4096, 4096, false), Size(800, 600));
    EXPECT_EQ(Fit(800, 600, 4096, 4096, true), Size(1024, 1024));
    EXPECT_EQ(Fit(4096, 4096, 4096, 4096, true), Size(4096, 4096));
    EXPECT_EQ(Fit(4096, 4096, 4096, 4096, false), Size(4096, 4096));
    // Rounding up would overflow the maximum, so the rounded size is scaled back.
    EXPECT_EQ(Fit(1500, 600, 1024, 1024, true), Size(1024, 512));
    EXPECT_EQ(Fit(1025, 1, 1024, 1024, true), Size(1024, 1));
}

TEST(ImageFit, TinyAndThinPictures) {
    EXPECT_EQ(Fit(1, 1, 4096, 4096, false), Size(1, 1));
    EXPECT_EQ(Fit(1, 1, 4096, 4096, true), Size(1, 1));
    EXPECT_EQ(Fit(3, 5, 4096, 4096, true), Size(4, 8));
    EXPECT_EQ(Fit(1, 10000, 4096, 4096, false), Size(1, 4096));
    EXPECT_EQ(Fit(1, 10000, 4096, 4096, true), Size(1, 4096));
    EXPECT_EQ(Fit(10000, 1, 4096, 4096, false), Size(4096, 1));
    EXPECT_EQ(Fit(1, 300, 4096, 4096, false), Size(1, 300));
    EXPECT_EQ(Fit(1, 300, 4096, 4096, true), Size(1, 512));
    EXPECT_EQ(Fit(0, 0, 4096, 4096, false), Size(1, 1));
    EXPECT_EQ(Fit(100, 100, 0, 0, false), Size(1, 1));
    EXPECT_EQ(Fit(0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, true), Size(16384, 16384));
    EXPECT_EQ(Fit(0xFFFFFFFF, 2, 4096, 4096, false), Size(4096, 1));
}

TEST(ImageFit, NeverExceedsTheMaximaAndKeepsPowersOfTwo) {
    std::mt19937 rng(1234);
    auto side = [&]() -> uint32_t {
        switch (rng() % 3) {
            case 0: return 1 + rng() % 16;
            case 1: return 1 + rng() % 5000;
            default: return 1 + rng() % 70000;
        }
    };
    for (int i = 0; i < 20000; ++i) {
        const uint32_t sw = side(), sh = side(), mw = side(), mh = side();
        for (bool pow2 : {false, true}) {
            const Size s = Fit(sw, sh, mw, mh, pow2);
            ASSERT_GE(s.first, 1u);
            ASSERT_GE(s.second, 1u);
            ASSERT_LE(s.first, std::min(mw, 16384u)) << sw << "x" << sh << " in " << mw << "x" << mh;
            ASSERT_LE(s.second, std::min(mh, 16384u)) << sw << "x" << sh << " in " << mw << "x" << mh;
            if (pow2) {
                ASSERT_TRUE(IsPowerOfTwo(s.first) && IsPowerOfTwo(s.second));
            } else if (sw <= std::min(mw, 16384u) && sh <= std::min(mh, 16384u)) {
                ASSERT_EQ(s, Size(sw, sh));
            } else {
                // Shrunk: one side meets its maximum, and the proportions are kept to within
                // the rounding of the other side.
                ASSERT_TRUE(s.first == std::min(mw, 16384u) || s.second == std::min(mh, 16384u));
                const double ratio = double(sw) / sh;
                if (s.first > 1 && s.second > 1) {
                    ASSERT_NEAR(double(s.first) / s.second, ratio,
                                ratio * (1.0 / s.first + 1.0 / s.second) + 1e-9);
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------------------

TEST(ImageMip, LevelCounts) {
    EXPECT_EQ(MipLevelCount(256, 64, 0), 9u);
    EXPECT_EQ(MipLevelCount(256, 64, 3), 3u);
    EXPECT_EQ(MipLevelCount(256, 64, 9), 9u);
    EXPECT_EQ(MipLevelCount(256, 64, 100), 9u);
    EXPECT_EQ(MipLevelCount(64, 256, 0), 9u);
    EXPECT_EQ(MipLevelCount(1, 1, 0), 1u);
    EXPECT_EQ(MipLevelCount(1, 1, 5), 1u);
    EXPECT_EQ(MipLevelCount(5, 3, 0), 3u);  // 5x3, 2x1, 1x1
    EXPECT_EQ(MipLevelCount(4096, 2731, 0), 13u);
    EXPECT_EQ(MipLevelCount(16384, 1, 0), 15u);
    EXPECT_EQ(MipLevelCount(0, 0, 0), 1u);
}

TEST(ImageMip, NextLevelAveragesAndHandlesOddSizes) {
    Image src = Filled(5, 3, 0);
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 5; ++x) src.pixels[y * 5 + x] = (10 * (y * 5 + x)) * 0x01010101u;
    const Image out = NextMipLevel(src);
    ASSERT_EQ(out.width, 2u);
    ASSERT_EQ(out.height, 1u);
    // (0 + 10 + 50 + 60) / 4 = 30 and (20 + 30 + 70 + 80) / 4 = 50.
    EXPECT_EQ(out.pixels, (std::vector<uint32_t>{30 * 0x01010101u, 50 * 0x01010101u}));

    // A side of one averages with itself; rounding is to nearest.
    Image column = Filled(1, 4, 0);
    column.pixels = {0x00000000, 0x03030303, 0xFFFFFFFF, 0xFDFDFDFD};
    const Image half = NextMipLevel(column);
    ASSERT_EQ(half.width, 1u);
    ASSERT_EQ(half.height, 2u);
    EXPECT_EQ(half.pixels, (std::vector<uint32_t>{0x02020202, 0xFEFEFEFE}));

    const Image single = NextMipLevel(Filled(1, 1, 0x89ABCDEF));
    EXPECT_EQ(single.width, 1u);
    EXPECT_EQ(single.pixels, std::vector<uint32_t>{0x89ABCDEF});
    EXPECT_TRUE(NextMipLevel(Image{}).pixels.empty());
}

TEST(ImageMip, FullChainReachesOneByOne) {
    Image level = Filled(256, 64, 0x40806080);
    const uint32_t levels = MipLevelCount(256, 64, 0);
    for (uint32_t i = 1; i < levels; ++i) level = NextMipLevel(level);
    EXPECT_EQ(level.width, 1u);
    EXPECT_EQ(level.height, 1u);
    EXPECT_EQ(level.pixels, std::vector<uint32_t>{0x40806080});
}

// ---------------------------------------------------------------------------------------

TEST(ImageBackdrop, SmallBlurredAndDarkened) {
    Image src;
    src.width = 300;
    src.height = 400;
    src.pixels.assign(300 * 400, 0xFF000000u);
    src.pixels[200 * 300 + 150] = 0xFFFFFFFFu;  // one white pixel in the middle
    for (uint32_t x = 0; x < 300; ++x) src.pixels[x] = 0xFFC8C8C8u;  // a grey top row
    const Image out = BlurredBackdrop(src, 40, 0.5f);
    ASSERT_EQ(out.width, 30u);
    ASSERT_EQ(out.height, 40u);
    for (uint32_t p : out.pixels) {
        EXPECT_EQ(p >> 24, 0xFFu);
        EXPECT_LE(p & 0xFF, 0x64u);  // at most half the brightest grey
    }
    // The grey top row has run down a few rows: blurred, not just shrunk.
    EXPECT_GT(out.pixels[2 * 30 + 15] & 0xFF, 0u);
    EXPECT_TRUE(BlurredBackdrop(Image()).pixels.empty());
}

// The blur repeats each line's edge pixels on both sides alike, so a picture mirrored left to
// right stays mirrored, rows shorter than columns included.
TEST(ImageBackdrop, TheBlurRepeatsBothEdgesAlike) {
    Image src = Filled(6, 9, 0);
    for (uint32_t y = 0; y < 9; ++y)
        for (uint32_t x = 0; x < 6; ++x) src.pixels[y * 6 + x] = 0xFF000000u | (y * 25) << 8 | (x < 3 ? x : 5 - x) * 90;
    const Image out = BlurredBackdrop(src, 9, 1.0f);
    ASSERT_EQ(out.width, 6u);
    for (uint32_t y = 0; y < out.height; ++y)
        for (uint32_t x = 0; x < 3; ++x) EXPECT_EQ(At(out, x, y), At(out, 5 - x, y)) << x << "," << y;
}
