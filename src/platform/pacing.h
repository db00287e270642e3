// What the frame loop paces itself by: a sleep finer than the system tick, and the power
// source. win32_pacing.cpp and posix_pacing.cpp implement it; tests script both.
#pragma once
#include <cstdint>

namespace WorkSpace {
namespace Platform {

// Sleeps for `seconds`: on Windows with a high-resolution waitable timer where there is one,
// else a plain waitable timer, else Sleep.
void SleepSeconds(double seconds);
using SleepFn = void (*)(double seconds);
// Tests sleep on their scripted clock. Passing nullptr restores the real sleep.
void SetSleepForTesting(SleepFn sleep);

// The power source as GetSystemPowerStatus reports it.
struct PowerStatus {
    uint8_t acLine = 255;       // 0 on battery, 1 on mains, 255 unknown
    bool batterySaver = false;  // Windows' battery saver is on
};
PowerStatus ReadPowerStatus();
using PowerStatusFn = PowerStatus (*)();
// Passing nullptr restores the real reading.
void SetPowerStatusForTesting(PowerStatusFn read);

}  // namespace Platform
}  // namespace WorkSpace
