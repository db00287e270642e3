// The error screen's copies on a scripted clock: at once, again when the window shows and
// over the half second after, then only on a repaint or after five idle seconds.
#include "checks/error_screen_copies.h"

#include <gtest/gtest.h>

#include <vector>

using namespace WorkSpace;

namespace {

// The times in ms, among looks 20 ms apart from `from` to `to`, at which a copy is due.
std::vector<int> CopiesBetween(ErrorScreenCopies& copies, int from, int to, int visibleFrom) {
    std::vector<int> due;
    for (int ms = from; ms < to; ms += 20)
        if (copies.Due(ms / 1000.0, ms >= visibleFrom, false)) due.push_back(ms);
    return due;
}
using Ms = std::vector<int>;

TEST(ErrorScreenCopies, AHiddenWindowIsCopiedAgainWhenItShowsAndWhileItSettles) {
    ErrorScreenCopies copies;
    // Hidden for the first 0.3 s (the window is still being made): one copy, then none.
    EXPECT_EQ(CopiesBetween(copies, 0, 5000, 300), (Ms{0, 300, 400, 560, 800}));
}

TEST(ErrorScreenCopies, AfterSettlingOnlyTheIdleRedrawOrARepaintCopies) {
    ErrorScreenCopies copies;
    EXPECT_EQ(CopiesBetween(copies, 0, 600, 0), (Ms{0, 100, 260, 500}));
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
    CopiesBetween(copies, 0, 2000, 0);
    copies.Asleep();
    EXPECT_EQ(CopiesBetween(copies, 10000, 10600, 10000), (Ms{10000, 10100, 10260, 10500}));
}

}  // namespace
