// The portable end of decoding: the size a picture is decoded at for each fit mode, and the
// turn and box-filtered shrink that every platform's decoder ends with.
#include "imaging/picture_decode.h"

#include <gtest/gtest.h>

using namespace WorkSpace;

namespace {
void ExpectSize(PictureFit fit, uint32_t w, uint32_t h, uint32_t tw, uint32_t th, uint32_t ew, uint32_t eh) {
    PictureTarget target;
    target.width = tw;
    target.height = th;
    target.fit = fit;
    uint32_t ow = 0, oh = 0;
    PictureDecodeSize(target, w, h, ow, oh);
    EXPECT_EQ(ow, ew) << w << "x" << h << " fit " << static_cast<int>(fit);
    EXPECT_EQ(oh, eh) << w << "x" << h << " fit " << static_cast<int>(fit);
}
}  // namespace

TEST(PictureDecode, SizeFollowsTheFitModeAndNeverGrows) {
    ExpectSize(PictureFit::Stretch, 4000, 3000, 1024, 768, 1024, 768);
    ExpectSize(PictureFit::Stretch, 3000, 4000, 1024, 768, 1024, 768);
    ExpectSize(PictureFit::Fit, 3000, 4000, 1024, 768, 576, 768);
    ExpectSize(PictureFit::Fill, 3000, 4000, 1024, 768, 1024, 1365);
    ExpectSize(PictureFit::Fit, 4000, 3000, 160, 120, 160, 120);  // the small preview
    ExpectSize(PictureFit::Fill, 64, 48, 1024, 768, 64, 48);      // small pictures stay as they are
    ExpectSize(PictureFit::Stretch, 64, 900, 1024, 768, 64, 768);
    ExpectSize(PictureFit::Fit, 640, 480, 0, 0, 640, 480);        // no target: own size
}

TEST(PictureDecode, APictureLyingAcrossIsDecodedForItsFittedPlace) {
    // A 24-megapixel portrait on a 4K screen with Fill is drawn fitted, beside its partner or
    // over its blurred copy: 1440 x 2160, not 3840 x 5760. Others keep the user's fit.
    const struct {
        uint32_t w, h;
        bool fitAcross;
        uint32_t ew, eh;
    } cases[] = {{4000, 6000, true, 1440, 2160},
                 {4000, 6000, false, 3840, 5760},
                 {6000, 4000, true, 3840, 2560},
                 {4000, 4000, true, 3840, 3840}};
    for (const auto& c : cases) {
        PictureTarget target;
        target.width = 3840;
        target.height = 2160;
        target.fit = PictureFit::Fill;
        target.fitAcross = c.fitAcross;
        uint32_t ow = 0, oh = 0;
        PictureDecodeSize(target, c.w, c.h, ow, oh);
        EXPECT_EQ(ow, c.ew) << c.w << "x" << c.h << " " << c.fitAcross;
        EXPECT_EQ(oh, c.eh) << c.w << "x" << c.h << " " << c.fitAcross;
    }
}

TEST(PictureDecode, FinishTurnsAfterABoxShrink) {
    // 8 x 4 stored, left half white, right half black, orientation 6: upright 4 x 8 with the
    // white half on top; shrunk to 2 x 4 every pixel is a box average of 2 x 2 stored pixels.
    Image raw;
    raw.width = 8;
    raw.height = 4;
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 8; ++x) raw.pixels.push_back(x < 4 ? 0xFFFFFFFFu : 0xFF000000u);
    raw.pixels[1] = 0xFF000000u;  // one dark pixel in the white half: a box gives grey, not a pick
    PictureTarget target;
    target.width = 2;
    target.height = 4;
    target.fit = PictureFit::Fit;
    DecodedPicture out;
    ASSERT_TRUE(FinishPicture(raw, 6, target, out));
    EXPECT_EQ(out.width, 4u);  // the upright picture's own size
    EXPECT_EQ(out.height, 8u);
    ASSERT_EQ(out.image.width, 2u);
    ASSERT_EQ(out.image.height, 4u);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 2; ++x) {
            const uint32_t p = out.image.pixels[y * 2 + x];
            if (y >= 2) EXPECT_EQ(p, 0xFF000000u) << x << "," << y;
            else if (y == 0 && x == 1) EXPECT_EQ(p, 0xFFBFBFBFu);  // stored (0..1, 0..1): 3 of 4 white
            else EXPECT_EQ(p, 0xFFFFFFFFu) << x << "," << y;
        }
    EXPECT_FALSE(FinishPicture(Image{}, 1, target, out));
}

TEST(PictureDecode, FinishFitsTheDeviceTextureLimits) {
    // A panorama on a device whose textures end at 64 x 64 (then also a power of two, then none):
    // fitted by the decoder, so the device's thread never scales it; its own size keeps the aspect.
    Image raw;
    raw.width = 300;
    raw.height = 100;
    raw.pixels.assign(300 * 100, 0xFF102030u);
    const struct { uint32_t limit; bool powerOfTwo; uint32_t orientation, w, h, ownW; } cases[] = {
        {64, false, 1, 64, 21, 300}, {64, true, 6, 16, 64, 100}, {0, false, 1, 300, 100, 300}};  // 6: upright 100 x 300
    for (const auto& c : cases) {
        SetPictureTextureLimits(c.limit, c.limit, c.powerOfTwo);
        DecodedPicture out;
        ASSERT_TRUE(FinishPicture(raw, c.orientation, PictureTarget(), out));
        EXPECT_EQ(out.image.width, c.w) << c.limit << c.powerOfTwo;
        EXPECT_EQ(out.image.height, c.h) << c.limit << c.powerOfTwo;
        EXPECT_EQ(out.width, c.ownW);
    }
}
