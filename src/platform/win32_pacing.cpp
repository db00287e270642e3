// The frame loop's sleep, its fine tick, the power source, the energy saver and whether the
// session is remote, on Windows.
#include <windows.h>

#include <atomic>
#include <cmath>

#include "platform/pacing.h"
#include "platform/win32_system_library.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace WorkSpace {
namespace Platform {

namespace {
std::atomic<SleepFn> g_sleep{nullptr};
std::atomic<PowerStatusFn> g_power{nullptr};
std::atomic<RemoteSessionFn> g_remote{nullptr};
std::atomic<FineSleepsFn> g_fineRecord{nullptr};

// A high-resolution timer (Windows 10 1803 on) wakes within a fraction of a millisecond;
// a plain one and Sleep wake on the system tick, which may be 15.6 ms.
HANDLE MakeTimer() {
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    return timer ? timer : CreateWaitableTimerW(nullptr, TRUE, nullptr);
}

bool HasHighResolutionTimer() {
    static const bool has = [] {
        HANDLE timer =
            CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
        if (timer) CloseHandle(timer);
        return timer != nullptr;
    }();
    return has;
}

// timeBeginPeriod and timeEndPeriod, from winmm.dll in the system folder; null without it.
using PeriodFn = UINT(WINAPI*)(UINT);
struct PeriodCalls {
    PeriodFn begin = nullptr;
    PeriodFn end = nullptr;
};
const PeriodCalls& Period() {
    static const PeriodCalls calls = [] {
        PeriodCalls c;
        if (HMODULE winmm = LoadSystemLibrary(L"winmm.dll")) {
            c.begin = reinterpret_cast<PeriodFn>(reinterpret_cast<void*>(GetProcAddress(winmm, "timeBeginPeriod")));
            c.end = reinterpret_cast<PeriodFn>(reinterpret_cast<void*>(GetProcAddress(winmm, "timeEndPeriod")));
        }
        if (!c.begin || !c.end) c = PeriodCalls();
        return c;
    }();
    return calls;
}
constexpr UINT kFinePeriodMs = 1;
// Whether the period is raised now: each raise is undone exactly once.
std::atomic<bool> g_fine{false};
}  // namespace

void BeginFineSleeps() {
    if (FineSleepsFn fn = g_fineRecord.load()) return fn(true);
    if (g_sleep.load() || HasHighResolutionTimer() || !Period().begin) return;
    if (!g_fine.exchange(true) && Period().begin(kFinePeriodMs) != 0) g_fine.store(false);
}

void EndFineSleeps() {
    if (FineSleepsFn fn = g_fineRecord.load()) return fn(false);
    if (g_fine.exchange(false)) Period().end(kFinePeriodMs);
}

void SetFineSleepsForTesting(FineSleepsFn record) { g_fineRecord.store(record); }

namespace {
// The effective power mode (Windows 10 1809 on; Windows 11 24H2 reports its energy saver,
// plugged in too, as the battery saver's mode), from powrprof.dll at run time. Registered
// once, on the first look at the power source, for the rest of the process: the callback
// comes on a thread of the system's and only sets the flag. Without the call, the battery
// rule alone decides.
constexpr int kEffectivePowerModeBatterySaver = 0;  // EFFECTIVE_POWER_MODE's first value
constexpr ULONG kEffectivePowerModeV1 = 1;          // EFFECTIVE_POWER_MODE_V1
constexpr ULONG kEffectivePowerModeV2 = 2;          // EFFECTIVE_POWER_MODE_V2
std::atomic<bool> g_energySaver{false};

void CALLBACK OnEffectivePowerMode(int mode, void*) { g_energySaver.store(mode == kEffectivePowerModeBatterySaver); }

void WatchEffectivePowerMode() {
    static const bool watching = [] {
        using Callback = void(CALLBACK*)(int, void*);
        using RegisterFn = HRESULT(WINAPI*)(ULONG, Callback, void*, void**);
        HMODULE powrprof = LoadSystemLibrary(L"powrprof.dll");
        auto registerFn = powrprof ? reinterpret_cast<RegisterFn>(reinterpret_cast<void*>(
                                         GetProcAddress(powrprof, "PowerRegisterForEffectivePowerModeNotifications")))
                                   : nullptr;
        if (!registerFn) return false;
        // V2 from Windows 10 1903 on; 1809 knows V1 only. Either reports the saver as mode 0.
        void* handle = nullptr;
        return SUCCEEDED(registerFn(kEffectivePowerModeV2, OnEffectivePowerMode, nullptr, &handle)) ||
               SUCCEEDED(registerFn(kEffectivePowerModeV1, OnEffectivePowerMode, nullptr, &handle));
    }();
    (void)watching;
}
}  // namespace

void SleepSeconds(double seconds) {
    if (SleepFn fn = g_sleep.load()) return fn(seconds);
    if (!(seconds > 0.0)) return;
    // One timer per call: the loop sleeps at most once a frame, and no handle outlives it.
    HANDLE timer = MakeTimer();
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(seconds * 1e7);  // relative, in 100 ns units
    if (timer && due.QuadPart < 0 && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
        WaitForSingleObject(timer, INFINITE);
    } else {
        Sleep(static_cast<DWORD>(std::ceil(seconds * 1000.0)));
    }
    if (timer) CloseHandle(timer);
}

void SetSleepForTesting(SleepFn sleep) { g_sleep.store(sleep); }

PowerStatus ReadPowerStatus() {
    if (PowerStatusFn fn = g_power.load()) return fn();
    PowerStatus status;
    SYSTEM_POWER_STATUS s = {};
    if (GetSystemPowerStatus(&s)) {
        status.acLine = s.ACLineStatus;
        // SystemStatusFlag, bit 0: battery saver on. MinGW's header still names the byte
        // Reserved1.
        status.batterySaver = (s.Reserved1 & SYSTEM_STATUS_FLAG_POWER_SAVING_ON) != 0;
    }
    WatchEffectivePowerMode();
    status.energySaver = g_energySaver.load();
    return status;
}

void SetPowerStatusForTesting(PowerStatusFn read) { g_power.store(read); }

bool IsRemoteSession() {
    if (RemoteSessionFn fn = g_remote.load()) return fn();
    return GetSystemMetrics(SM_REMOTESESSION) != 0;
}

void SetRemoteSessionForTesting(RemoteSessionFn read) { g_remote.store(read); }

}  // namespace Platform
}  // namespace WorkSpace
