// Where the error screen draws: the centred background, the logo in the lower-left corner,
// the reduced logo of a small window, and the 640 x 480 threshold between the two.
#include "checks/error_screen_layout.h"

#include <gtest/gtest.h>

namespace WorkSpace {
namespace {

TEST(ErrorScreenLayout, BackgroundIsCentredAtItsOwnSize) {
    const ErrorScreenLayout l = ComputeErrorScreenLayout(1024, 768, 800, 600, 200, 100);
    EXPECT_TRUE(l.showBackground);
    EXPECT_FLOAT_EQ(l.background.x, 112.0f);
    EXPECT_FLOAT_EQ(l.background.y, 84.0f);
    EXPECT_FLOAT_EQ(l.background.width, 800.0f);
    EXPECT_FLOAT_EQ(l.background.height, 600.0f);
}

TEST(ErrorScreenLayout, LogoSitsInTheLowerLeftCornerAtItsOwnSize) {
    const ErrorScreenLayout l = ComputeErrorScreenLayout(1024, 768, 800, 600, 200, 100);
    EXPECT_FLOAT_EQ(l.logo.x, 0.0f);
    EXPECT_FLOAT_EQ(l.logo.y, 668.0f);
    EXPECT_FLOAT_EQ(l.logo.width, 200.0f);
    EXPECT_FLOAT_EQ(l.logo.height, 100.0f);
}

TEST(ErrorScreenLayout, BackgroundLargerThanTheWindowIsCutNotScaled) {
    const ErrorScreenLayout l = ComputeErrorScreenLayout(640, 480, 800, 600, 200, 60);
    EXPECT_FLOAT_EQ(l.background.x, -80.0f);
    EXPECT_FLOAT_EQ(l.background.y, -60.0f);
    EXPECT_FLOAT_EQ(l.background.width, 800.0f);
    // An odd difference gives a half pixel, not a rounded one.
    EXPECT_FLOAT_EQ(ComputeErrorScreenLayout(801, 600, 800, 600, 200, 60).background.x, 0.5f);
}

TEST(ErrorScreenLayout, PreviewWindowGetsTheReducedLogoNearTheMiddle) {
    const ErrorScreenLayout l = ComputeErrorScreenLayout(152, 112, 800, 600, 200, 100);
    EXPECT_FALSE(l.showBackground);
    EXPECT_FLOAT_EQ(l.reducedLogo.x, 30.5f);   // 76 - 62.5 + 17
    EXPECT_FLOAT_EQ(l.reducedLogo.y, 24.75f);  // 56 - 31.25
    EXPECT_FLOAT_EQ(l.reducedLogo.width, 200.0f / 1.8f);
    EXPECT_FLOAT_EQ(l.reducedLogo.height, 100.0f / 1.8f);
    EXPECT_NEAR(l.reducedLogo.width, 111.11f, 0.01f);
    EXPECT_NEAR(l.reducedLogo.height, 55.56f, 0.01f);
}

TEST(ErrorScreenLayout, ReducedLogoOfTheRealLogoSize) {
    // The archive's logo is 200 x 60: 60 / 3.2 = 18.75.
    const ErrorScreenLayout l = ComputeErrorScreenLayout(152, 112, 800, 600, 200, 60);
    EXPECT_FLOAT_EQ(l.reducedLogo.y, 37.25f);
    EXPECT_NEAR(l.reducedLogo.height, 33.33f, 0.01f);
}

TEST(ErrorScreenLayout, ExactlyMinimumSizeShowsTheWholePicture) {
    EXPECT_TRUE(ComputeErrorScreenLayout(640, 480, 800, 600, 200, 100).showBackground);
}

TEST(ErrorScreenLayout, OnePixelShortInEitherDirectionShowsOnlyTheReducedLogo) {
    EXPECT_FALSE(ComputeErrorScreenLayout(639, 480, 800, 600, 200, 100).showBackground);
    EXPECT_FALSE(ComputeErrorScreenLayout(640, 479, 800, 600, 200, 100).showBackground);
}

TEST(ErrorScreenLayout, EmptyClientAreaStillGivesFiniteRectangles) {
    // A picture that failed to decode reports size 0; nothing must turn into NaN.
    const ErrorScreenLayout l = ComputeErrorScreenLayout(0, 0, 0, 0, 0, 0);
    EXPECT_FALSE(l.showBackground);
    EXPECT_FLOAT_EQ(l.reducedLogo.x, 17.0f);
    EXPECT_FLOAT_EQ(l.reducedLogo.width, 0.0f);
}

}  // namespace
}  // namespace WorkSpace
