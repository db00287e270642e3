// The compositor's refresh rate and vertical-blank clock on Windows. The display mode's
// RefreshRate is a whole number (59 for a 59.94 Hz panel); DWM's timing information keeps the
// fraction. dwmapi.dll is loaded at run time: a system without it has no compositor clock.
#include <windows.h>
#include <dwmapi.h>

#include <atomic>

#include "platform/pacing.h"
#include "platform/win32_system_library.h"

namespace WorkSpace {
namespace Platform {

namespace {
std::atomic<RefreshRateFn> g_rate{nullptr};
std::atomic<CompositorClockFn> g_clock{nullptr};

using GetTimingInfoFn = HRESULT(WINAPI*)(HWND, DWM_TIMING_INFO*);

GetTimingInfoFn TimingInfoCall() {
    static const GetTimingInfoFn getTimingInfo = [] {
        HMODULE dwm = LoadSystemLibrary(L"dwmapi.dll");
        return dwm ? reinterpret_cast<GetTimingInfoFn>(
                         reinterpret_cast<void*>(GetProcAddress(dwm, "DwmGetCompositionTimingInfo")))
                   : nullptr;
    }();
    return getTimingInfo;
}

// The real query: everything 0 where dwmapi.dll, the call or the compositor is missing.
CompositorClock QueryCompositorClock() {
    CompositorClock clock;
    const GetTimingInfoFn getTimingInfo = TimingInfoCall();
    if (!getTimingInfo) return clock;
    DWM_TIMING_INFO info = {};
    info.cbSize = sizeof(info);
    // A null window asks for the whole desktop's composition (Windows 8.1 on wants null).
    if (FAILED(getTimingInfo(nullptr, &info))) return clock;
    const UNSIGNED_RATIO r = info.rateRefresh;
    if (r.uiDenominator == 0 || r.uiNumerator == 0) return clock;
    clock.rate = static_cast<double>(r.uiNumerator) / static_cast<double>(r.uiDenominator);
    // QPC_TIME is the performance counter's value, the same ticks as PerfCounter's.
    clock.vblank = static_cast<int64_t>(info.qpcVBlank);
    clock.period = static_cast<int64_t>(info.qpcRefreshPeriod);
    return clock;
}
}  // namespace

double CompositorRefreshRate() {
    if (RefreshRateFn fn = g_rate.load()) return fn();
    return QueryCompositorClock().rate;
}

void SetCompositorRefreshRateForTesting(RefreshRateFn read) { g_rate.store(read); }

CompositorClock ReadCompositorClock() {
    if (CompositorClockFn fn = g_clock.load()) return fn();
    // The composition's vertical blank is one monitor's, not necessarily ours: beside another
    // at the same rate its phase would be the other's, or drift against ours. Only alone is
    // it surely ours; otherwise resting frames keep the timing Present gives them.
    if (GetSystemMetrics(SM_CMONITORS) != 1) return CompositorClock{};
    return QueryCompositorClock();
}

void SetCompositorClockForTesting(CompositorClockFn read) { g_clock.store(read); }

}  // namespace Platform
}  // namespace WorkSpace
