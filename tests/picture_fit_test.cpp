// Stretch, fit and fill of a picture into an area of the screen, its pan and zoom, and
// whether a placed quad wants a filter.
#include "imaging/picture_fit.h"

#include <gtest/gtest.h>

namespace WorkSpace {
namespace {

void ExpectQuad(const PictureQuad& q, float l, float t, float r, float b, float u0, float v0, float u1, float v1) {
    EXPECT_FLOAT_EQ(q.rect[0], l);
    EXPECT_FLOAT_EQ(q.rect[1], t);
    EXPECT_FLOAT_EQ(q.rect[2], r);
    EXPECT_FLOAT_EQ(q.rect[3], b);
    EXPECT_FLOAT_EQ(q.uv[0], u0);
    EXPECT_FLOAT_EQ(q.uv[1], v0);
    EXPECT_FLOAT_EQ(q.uv[2], u1);
    EXPECT_FLOAT_EQ(q.uv[3], v1);
}

const float kScreen[4] = {0.0f, 0.0f, 800.0f, 600.0f};
const float kRightMonitor[4] = {800.0f, 0.0f, 1440.0f, 480.0f};

TEST(PictureFit, StretchCoversTheAreaWhateverTheShape) {
    ExpectQuad(PlacePicture(PictureFit::Stretch, kScreen, 3000, 4000), 0, 0, 800, 600, 0, 0, 1, 1);
}

TEST(PictureFit, FitKeepsTheAspectWithBarsOnBothSides) {
    // Portrait 3:4 on 4:3: 450 wide, bars of 175 left and right.
    ExpectQuad(PlacePicture(PictureFit::Fit, kScreen, 3000, 4000), 175, 0, 625, 600, 0, 0, 1, 1);
    // Panorama 2:1 on 4:3: 400 high, bars of 100 above and below; offset areas keep their origin.
    ExpectQuad(PlacePicture(PictureFit::Fit, kRightMonitor, 2000, 1000), 800, 80, 1440, 400, 0, 0, 1, 1);
}

TEST(PictureFit, FillCoversTheAreaAndCropsTheMiddle) {
    // Portrait 3:4 on 4:3: the middle 9/16 of the height shows.
    ExpectQuad(PlacePicture(PictureFit::Fill, kScreen, 3000, 4000), 0, 0, 800, 600, 0, 0.21875f, 1, 0.78125f);
    // Panorama 2:1 on 4:3: the middle 2/3 of the width shows.
    ExpectQuad(PlacePicture(PictureFit::Fill, kRightMonitor, 2000, 1000), 800, 0, 1440, 480, 1.0f / 6.0f, 0,
               5.0f / 6.0f, 1);
}

TEST(PictureFit, SameAspectAndDegenerateSizesStretch) {
    ExpectQuad(PlacePicture(PictureFit::Fit, kScreen, 1600, 1200), 0, 0, 800, 600, 0, 0, 1, 1);
    ExpectQuad(PlacePicture(PictureFit::Fill, kScreen, 0, 1200), 0, 0, 800, 600, 0, 0, 1, 1);
    const float empty[4] = {10.0f, 10.0f, 10.0f, 10.0f};
    ExpectQuad(PlacePicture(PictureFit::Fill, empty, 100, 100), 10, 10, 10, 10, 0, 0, 1, 1);
}

// The pan's arithmetic leaves a few units in the last place where it meets an edge.
void NearQuad(const PictureQuad& q, float l, float t, float r, float b, float u0, float v0, float u1, float v1) {
    const float expected[8] = {l, t, r, b, u0, v0, u1, v1};
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(q.rect[i], expected[i]) << i;
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(q.uv[i], expected[4 + i], 1e-6f) << i;
}

TEST(PictureFit, PanAndZoomStaysInsideThePictureAndReachesAnEndOfTheLongSide) {
    const PictureQuad filled = PlacePicture(PictureFit::Fill, kScreen, 3000, 4000);
    NearQuad(PanAndZoom(filled, 0.0f, false), 0, 0, 800, 600, 0, 0.21875f, 1, 0.78125f);
    // At the end: 1/1.08 of the shown part, at the right end of the (wide) screen, centred
    // on the short side; reversed, at the left end.
    const float keep = 1.0f / 1.08f, v = 0.5625f * keep;
    NearQuad(PanAndZoom(filled, 1.0f, false), 0, 0, 800, 600, 1.0f - keep, 0.5f - v / 2, 1, 0.5f + v / 2);
    NearQuad(PanAndZoom(filled, 2.0f, true), 0, 0, 800, 600, 0, 0.5f - v / 2, keep, 0.5f + v / 2);
    // A tall placement pans along its height.
    const PictureQuad tall = PlacePicture(PictureFit::Fit, kScreen, 3000, 4000);
    NearQuad(PanAndZoom(tall, 1.0f, false), 175, 0, 625, 600, 0.5f - keep / 2, 1.0f - keep, 0.5f + keep / 2, 1);
}

TEST(PictureFit, PanProgressGoesToAndFroBetweenTheSameBounds) {
    const struct {
        float travelled, progress;
    } cases[] = {{-0.5f, 0.0f}, {0.0f, 0.0f}, {0.5f, 0.5f}, {1.0f, 1.0f}, {1.25f, 0.75f},
                 {2.0f, 0.0f},  {2.5f, 0.5f}, {3.75f, 0.25f}, {41.5f, 0.5f}};
    for (const auto& c : cases) EXPECT_NEAR(PanProgress(c.travelled), c.progress, 1e-5f) << c.travelled;
}

TEST(PictureFit, AQuadWantsAFilterOnlyWhereItsTexelsAreDrawnAtAnotherSize) {
    const struct {
        PictureQuad quad;
        uint32_t w, h;
        bool scaled;
    } cases[] = {
        {{{0, 0, 800, 600}, {0, 0, 1, 1}}, 800, 600, false},        // 1:1
        {{{100, 50, 900, 650}, {0, 0, 1, 1}}, 800, 600, false},     // 1:1, moved
        {{{0, 0, 800, 600}, {0, 0, 1, 1}}, 36, 48, true},           // a small copy stretched
        {{{0, 0, 800, 600}, {0.1f, 0, 0.9f, 1}}, 1000, 600, false}, // the middle 800 of 1000
        {{{0, 0, 800, 600}, {0.1f, 0, 0.9f, 1}}, 1000, 640, true},  // squeezed in height
        {{{0, 0, 800, 600}, {0, 0, 1, 1}}, 1600, 1200, true},       // drawn smaller
    };
    for (const auto& c : cases) EXPECT_EQ(DrawnAtScale(c.quad, c.w, c.h), c.scaled) << c.w << "x" << c.h;
}

}  // namespace
}  // namespace WorkSpace
