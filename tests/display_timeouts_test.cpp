// The dialog's warning that the display sleeps before the screen saver could start.
#include <gtest/gtest.h>

#include "config/display_timeouts.h"

using namespace WorkSpace;

TEST(DisplayTimeouts, WarnsWhenTheDisplayTurnsOffAtOrBeforeTheSaver) {
    const struct {
        uint32_t display, saver;
        bool active;
        bool warn;
        uint32_t displayMinutes, saverMinutes;
    } rows[] = {
        {300, 600, true, true, 5, 10},     // the laptop's usual case
        {600, 600, true, true, 10, 10},    // at the same time: the display wins
        {601, 600, true, false, 0, 0},     // the saver starts first
        {0, 600, true, false, 0, 0},       // the display never turns off
        {300, 0, true, false, 0, 0},       // no saver timeout
        {300, 600, false, false, 0, 0},    // the saver is off
        {20, 60, true, true, 1, 1},        // less than a minute is stated as one
        {150, 269, true, true, 3, 4},      // to the nearest minute
    };
    for (const auto& row : rows) {
        const DisplayOffWarning warning = DecideDisplayOffWarning({row.display, row.saver, row.active});
        EXPECT_EQ(warning.warn, row.warn) << row.display << " " << row.saver << " " << row.active;
        if (!row.warn) continue;
        EXPECT_EQ(warning.displayMinutes, row.displayMinutes) << row.display;
        EXPECT_EQ(warning.saverMinutes, row.saverMinutes) << row.saver;
    }
}

TEST(DisplayTimeouts, TheLineCarriesBothMinutesInTheLanguagesOrder) {
    const DisplayOffWarning warning{true, 5, 10};
    EXPECT_EQ(DisplayOffLine(L"off after %1 min, saver after %2 min", warning), L"off after 5 min, saver after 10 min");
    EXPECT_EQ(DisplayOffLine(L"(%2) %1", warning), L"(10) 5");
}

TEST(DisplayTimeouts, AGroupPolicysDisplayTimeoutComesBeforeThePlans) {
    const uint32_t fiveMinutes = 300, never = 0;
    EXPECT_EQ(DisplayOffInEffect(nullptr, 600), 600u);
    EXPECT_EQ(DisplayOffInEffect(&fiveMinutes, 600), 300u);
    EXPECT_EQ(DisplayOffInEffect(&never, 600), 0u);
}
