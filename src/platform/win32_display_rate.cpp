// The compositor's refresh rate on Windows. The display mode's RefreshRate is a whole
// number (59 for a 59.94 Hz panel); DWM's timing information keeps the fraction. dwmapi.dll
// is loaded at run time: a system without it falls back on the mode.
#include <windows.h>
#include <dwmapi.h>

#include <atomic>

#include "platform/pacing.h"
#include "platform/win32_system_library.h"

namespace WorkSpace {
namespace Platform {

namespace {
std::atomic<RefreshRateFn> g_rate{nullptr};

using GetTimingInfoFn = HRESULT(WINAPI*)(HWND, DWM_TIMING_INFO*);
}  // namespace

double CompositorRefreshRate() {
    if (RefreshRateFn fn = g_rate.load()) return fn();
    static const GetTimingInfoFn getTimingInfo = [] {
        HMODULE dwm = LoadSystemLibrary(L"dwmapi.dll");
        return dwm ? reinterpret_cast<GetTimingInfoFn>(
                         reinterpret_cast<void*>(GetProcAddress(dwm, "DwmGetCompositionTimingInfo")))
                   : nullptr;
    }();
    if (!getTimingInfo) return 0.0;
    DWM_TIMING_INFO info = {};
    info.cbSize = sizeof(info);
    // A null window asks for the whole desktop's composition (Windows 8.1 on wants null).
    if (FAILED(getTimingInfo(nullptr, &info))) return 0.0;
    const UNSIGNED_RATIO r = info.rateRefresh;
    if (r.uiDenominator == 0 || r.uiNumerator == 0) return 0.0;
    return static_cast<double>(r.uiNumerator) / static_cast<double>(r.uiDenominator);
}

void SetCompositorRefreshRateForTesting(RefreshRateFn read) { g_rate.store(read); }

}  // namespace Platform
}  // namespace WorkSpace
