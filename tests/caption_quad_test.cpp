#include "scene/caption_quad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace WorkSpace;

namespace {
const float kArea[4] = {0.0f, 0.0f, 1024.0f, 768.0f};

// Where in the area a caption of 200 x 60 lies at `seconds`.
std::string Corner(double seconds) {
    float r[4];
    CaptionRect(kArea, 200, 60, CaptionCorner(seconds), seconds, r);
    if (r[0] < 0.0f || r[1] < 0.0f || r[2] > 1024.0f || r[3] > 768.0f || std::abs(r[2] - r[0] - 200.0f) > 0.01f) return "outside";
    return std::string(r[1] > 600.0f ? "bottom " : r[1] < 100.0f ? "top " : "middle ") +
           (r[0] > 700.0f ? "right" : r[0] < 100.0f ? "left" : "centre");
}
}  // namespace

TEST(CaptionQuad, CornersAwayFromTheLogoInTurn) {
    EXPECT_EQ(Corner(0.0), "bottom right");
    EXPECT_EQ(Corner(kCaptionCornerSeconds + 1), "top right");
    EXPECT_EQ(Corner(2 * kCaptionCornerSeconds + 1), "top left");
    EXPECT_EQ(Corner(3 * kCaptionCornerSeconds + 1), "bottom right");
}

TEST(CaptionQuad, DriftsAFewPixelsAMinuteAndShrinksToHalfTheArea) {
    float a[4], b[4];
    CaptionRect(kArea, 200, 60, 0, 100.0, a);
    CaptionRect(kArea, 200, 60, 0, 160.0, b);
    const float moved = std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]);
    EXPECT_GE(moved, 1.0f);
    EXPECT_LE(moved, 12.0f);
    CaptionRect(kArea, 2048, 100, 0, 0.0, a);
    EXPECT_FLOAT_EQ(a[2] - a[0], 512.0f);
    EXPECT_FLOAT_EQ(a[3] - a[1], 25.0f);
}

TEST(CaptionQuad, OneCaptionAtATimeThroughTheCrossFade) {
    const float fades[][3] = {
        // fade, the leaving caption's weight, the coming one's
        {0.0f, 1.0f, 0.0f}, {0.25f, 0.5f, 0.0f}, {0.5f, 0.0f, 0.0f}, {0.75f, 0.0f, 0.5f}, {1.0f, 0.0f, 1.0f},
    };
    for (const auto& row : fades) {
        float leaving = -1.0f, coming = -1.0f;
        CaptionWeights(row[0], leaving, coming);
        EXPECT_FLOAT_EQ(leaving, row[1]) << row[0];
        EXPECT_FLOAT_EQ(coming, row[2]) << row[0];
    }
}
