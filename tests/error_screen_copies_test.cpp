// The error screen's copies on a scripted clock: at once, again when the window shows and
// over the half second after, then only on a repaint or after five idle seconds.
#include "checks/error_screen_copies.h"

#include <gtest/gtest.h>

#include <vector>

using namespace WorkSpace;

namespace {

// The times among `looks` (20 ms apart from `from` to `to`) at which a copy is due.
std::vector<double> CopiesBetween(ErrorScreenCopies& copies, double from, double to, double visibleFrom) {
    std::vector<double> due;
    for (int i = 0; from + i * 0.02 < to - 1e-9; ++i) {
        const double now = from + i * 0.02;
        if (copies.Due(now, now >= visibleFrom - 1e-9, false)) due.push_back(now);
    }
    return due;
}

void ExpectTimes(const std::vector<double>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << "copy " << i;
}

TEST(ErrorScreenCopies, AHiddenWindowIsCopiedAgainWhenItShowsAndWhileItSettles) {
    ErrorScreenCopies copies;
    // Hidden for the first 0.3 s (the window is still being made): one copy, then none.
    ExpectTimes(CopiesBetween(copies, 0.0, 5.0, 0.3), {0.0, 0.3, 0.4, 0.56, 0.8});
}

TEST(ErrorScreenCopies, AfterSettlingOnlyTheIdleRedrawOrARepaintCopies) {
    ErrorScreenCopies copies;
    ExpectTimes(CopiesBetween(copies, 0.0, 0.6, 0.0), {0.0, 0.1, 0.26, 0.5});
    EXPECT_FALSE(copies.Due(1.0, true, false));
    EXPECT_TRUE(copies.Due(1.0, true, true));
    EXPECT_FALSE(copies.Due(6.0, true, false));  // five seconds after the repaint's copy, not more
    EXPECT_TRUE(copies.Due(6.02, true, false));
}

TEST(ErrorScreenCopies, SettlePointsPassedTogetherGiveOneCopyAndAStoppedClockNone) {
    ErrorScreenCopies copies;
    EXPECT_TRUE(copies.Due(2.0, true, false));
    for (int i = 0; i < 100; ++i) EXPECT_FALSE(copies.Due(2.0, true, false));
    EXPECT_TRUE(copies.Due(3.0, true, false));
    EXPECT_FALSE(copies.Due(3.02, true, false));
}

TEST(ErrorScreenCopies, DisplaysThatWakeStartThePlanOver) {
    ErrorScreenCopies copies;
    CopiesBetween(copies, 0.0, 2.0, 0.0);
    copies.Asleep();
    ExpectTimes(CopiesBetween(copies, 10.0, 10.6, 10.0), {10.0, 10.1, 10.26, 10.5});
}

}  // namespace
