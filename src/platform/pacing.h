// What the frame loop paces itself by: a sleep finer than the system tick, the power source
// and the compositor's refresh rate and vertical-blank clock. win32_pacing.cpp, win32_display_rate.cpp and their
// posix_ stand-ins implement it; tests script all three.
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

// While a frame loop sleeps between its frames: where there is no high-resolution timer
// (Windows 10 before 1803), the system tick is brought down to 1 ms, so that sleeps end
// within a millisecond or two of their time rather than on a 15.6 ms tick. End undoes a
// Begin once; an End without one does nothing.
void BeginFineSleeps();
void EndFineSleeps();
using FineSleepsFn = void (*)(bool fine);
// Tests record the Begin (true) and End (false) calls instead; nullptr restores the real ones.
void SetFineSleepsForTesting(FineSleepsFn record);

// The power source as GetSystemPowerStatus reports it, and the effective power mode.
struct PowerStatus {
    uint8_t acLine = 255;       // 0 on battery, 1 on mains, 255 unknown
    bool batterySaver = false;  // Windows' battery saver is on
    bool energySaver = false;   // the energy saver is on (Windows 11), plugged in or not
};
PowerStatus ReadPowerStatus();
using PowerStatusFn = PowerStatus (*)();
// Passing nullptr restores the real reading.
void SetPowerStatusForTesting(PowerStatusFn read);

// Whether the session is a remote one (GetSystemMetrics(SM_REMOTESESSION)), whose frames
// cross the network.
bool IsRemoteSession();
using RemoteSessionFn = bool (*)();
// Passing nullptr restores the real reading.
void SetRemoteSessionForTesting(RemoteSessionFn read);

// The refreshes a second of the desktop compositor (DwmGetCompositionTimingInfo's ratio,
// with its fraction: 59.94, not 59); 0 where there is no compositor to ask.
double CompositorRefreshRate();
using RefreshRateFn = double (*)();
// Passing nullptr restores the real query.
void SetCompositorRefreshRateForTesting(RefreshRateFn read);

// The compositor's vertical-blank clock (DWM_TIMING_INFO), on PerfCounter's ticks: a recent
// vertical blank (`qpcVBlank`) and the ticks between two (`qpcRefreshPeriod`), with the rate
// the compositor runs at. From Windows 11 22H2 it follows the fastest monitor, which need not
// be the one the saver presents on. All 0 where there is no compositor or dwmapi.dll.
struct CompositorClock {
    double rate = 0.0;
    int64_t vblank = 0;
    int64_t period = 0;
};
CompositorClock ReadCompositorClock();
using CompositorClockFn = CompositorClock (*)();
// Passing nullptr restores the real query.
void SetCompositorClockForTesting(CompositorClockFn read);

}  // namespace Platform
}  // namespace WorkSpace
