// The display state read from Windows' power-setting notices.
#include <gtest/gtest.h>

#include "app/display_power.h"

using namespace WorkSpace;

namespace {
const uint8_t kOff[4] = {0, 0, 0, 0}, kOn[4] = {1, 0, 0, 0}, kDimmed[4] = {2, 0, 0, 0}, kOdd[4] = {7, 0, 0, 0},
              kHigh[4] = {0, 0, 1, 0};
const DisplaySetting kConsole = DisplaySetting::ConsoleDisplayState, kMonitor = DisplaySetting::MonitorPowerOn;
}  // namespace

TEST(DisplayPower, ConsoleDisplayStateAndMonitorPowerNotices) {
    const struct {
        DisplaySetting setting;
        bool consoleHeard;
        uint32_t length;
        const uint8_t* data;
        DisplayPower expected;
    } rows[] = {
        {kConsole, false, 4, kOff, DisplayPower::Off},
        {kConsole, true, 4, kOn, DisplayPower::On},
        {kConsole, true, 4, kDimmed, DisplayPower::On},  // dimmed still shows the frames
        {kConsole, true, 4, kOdd, DisplayPower::NotDisplayState},
        {kConsole, true, 4, kHigh, DisplayPower::NotDisplayState},  // a 32-bit value, not its low byte
        {kConsole, true, 2, kOff, DisplayPower::NotDisplayState},  // too short to read
        {kConsole, true, 4, nullptr, DisplayPower::NotDisplayState},
        {DisplaySetting::Other, false, 4, kOff, DisplayPower::NotDisplayState},
        // Windows 7: the monitor power notice alone.
        {kMonitor, false, 4, kOff, DisplayPower::Off},
        {kMonitor, false, 4, kOn, DisplayPower::On},
        {kMonitor, false, 4, kDimmed, DisplayPower::NotDisplayState},  // it knows no dimmed state
        {kMonitor, false, 2, kOff, DisplayPower::NotDisplayState},
        // Both arrive: the console display state speaks alone once heard.
        {kMonitor, true, 4, kOff, DisplayPower::Unchanged},
        {kMonitor, true, 4, kOn, DisplayPower::Unchanged},
    };
    for (const auto& row : rows)
        EXPECT_EQ(DecideDisplayPower(row.setting, row.consoleHeard, row.length, row.data), row.expected)
            << static_cast<int>(row.setting) << " heard " << row.consoleHeard << " length " << row.length;
}
