#include "scene/caption_quad.h"

#include <gtest/gtest.h>

using namespace WorkSpace;

namespace {
const float kArea[4] = {0.0f, 0.0f, 1024.0f, 768.0f};
}

TEST(CaptionQuad, CornersAwayFromTheLogoInTurn) {
    float r[4];
    CaptionRect(kArea, 200, 60, 0.0, r);  // bottom right
    EXPECT_GT(r[0], 700.0f);
    EXPECT_GT(r[1], 600.0f);
    EXPECT_LE(r[2], 1024.0f);
    EXPECT_LE(r[3], 768.0f);
    EXPECT_FLOAT_EQ(r[2] - r[0], 200.0f);
    CaptionRect(kArea, 200, 60, kCaptionCornerSeconds + 1, r);  // top right
    EXPECT_GT(r[0], 700.0f);
    EXPECT_LT(r[1], 100.0f);
    CaptionRect(kArea, 200, 60, 2 * kCaptionCornerSeconds + 1, r);  // top left
    EXPECT_LT(r[0], 100.0f);
    EXPECT_LT(r[1], 100.0f);
    CaptionRect(kArea, 200, 60, 3 * kCaptionCornerSeconds + 1, r);  // and round again
    EXPECT_GT(r[1], 600.0f);
}

TEST(CaptionQuad, DriftsAFewPixelsAMinuteAndShrinksToHalfTheArea) {
    float a[4], b[4];
    CaptionRect(kArea, 200, 60, 100.0, a);
    CaptionRect(kArea, 200, 60, 160.0, b);
    const float moved = std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]);
    EXPECT_GE(moved, 1.0f);
    EXPECT_LE(moved, 12.0f);
    CaptionRect(kArea, 2048, 100, 0.0, a);
    EXPECT_FLOAT_EQ(a[2] - a[0], 512.0f);
    EXPECT_FLOAT_EQ(a[3] - a[1], 25.0f);
}
