#include "app/win32_display_events.h"

#include "app/run_state.h"
#include "app/workspace.h"
#include "app/display_power.h"

namespace WorkSpace {

namespace {
// GUID_CONSOLE_DISPLAY_STATE, spelled out: MinGW declares it without a definition.
const GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

struct RebuildState {
    UINT retryDelay = 0;  // ms until the next attempt; 0 while none is pending
};
RebuildState& Rebuild() {
    static RebuildState state;
    return state;
}
constexpr UINT kFirstRetry = 1000, kLongestRetry = 60000;
}  // namespace

void PostRebuildRequest() {
    PostMessageW(static_cast<HWND>(GetRunState().appWindow), kRebuildMessage, 0, 0);
}

HPOWERNOTIFY RegisterDisplayStateNotices(HWND window) {
    return RegisterPowerSettingNotification(window, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void UnregisterDisplayStateNotices(HPOWERNOTIFY& notices) {
    if (notices) UnregisterPowerSettingNotification(notices);
    notices = nullptr;
}

bool HandleDisplayStateNotice(WPARAM wParam, LPARAM lParam) {
    if (wParam != kPowerSettingChange || lParam == 0) return false;
    const POWERBROADCAST_SETTING* notice = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
    const DisplayPower power = DecideDisplayPower(IsEqualGUID(notice->PowerSetting, kConsoleDisplayState) != FALSE,
                                                  notice->DataLength, notice->Data);
    if (power == DisplayPower::NotDisplayState) return false;
    SetDisplaysOff(power == DisplayPower::Off);
    return true;
}

void RebuildOnWindowThread(HWND window, const RECT* placement) {
    RunState& state = GetRunState();
    // The error screen needs no device, and a run that reached it stays there.
    if (state.startFailed.load() != 0) return;
    StopRenderThread();
    if (state.startFailed.load() != 0) {
        // The thread gave up (its start-up second fell short) while it was being stopped:
        // it goes back to its error screen with the scene it had.
        state.stopRequested.store(0);
        StartRenderThread();
        return;
    }
    if (placement)
        SetWindowPos(window, nullptr, placement->left, placement->top, placement->right - placement->left,
                     placement->bottom - placement->top, SWP_NOZORDER | SWP_NOACTIVATE);
    RebuildState& rebuild = Rebuild();
    if (!RebuildScene(window)) {
        // No device yet (the display may still be waking): try again, less often each time.
        rebuild.retryDelay = rebuild.retryDelay ? (rebuild.retryDelay * 2 < kLongestRetry ? rebuild.retryDelay * 2
                                                                                          : kLongestRetry)
                                                : kFirstRetry;
        SetTimer(window, kRebuildTimer, rebuild.retryDelay, nullptr);
        return;
    }
    if (rebuild.retryDelay) KillTimer(window, kRebuildTimer);
    rebuild.retryDelay = 0;
    state.stopRequested.store(0);
    StartRenderThread(true);
}

void RetryRebuild(HWND window, const RECT* placement) {
    KillTimer(window, kRebuildTimer);
    if (Rebuild().retryDelay == 0) return;
    RebuildOnWindowThread(window, placement);
}

void CancelRebuild(HWND window) {
    if (Rebuild().retryDelay) KillTimer(window, kRebuildTimer);
    Rebuild().retryDelay = 0;
}

}  // namespace WorkSpace
