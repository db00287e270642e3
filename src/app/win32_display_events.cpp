// Display changes under a window, on Win32: the power-setting notices (console display state,
// monitor power) registered and read, and the rebuild schedule run on a window timer, a lost
// device rebuilt at once, a burst of WM_DISPLAYCHANGE merged into one rebuild.
#include "app/win32_display_events.h"

#include "app/rebuild.h"
#include "app/run_state.h"
#include "app/workspace.h"
#include "app/display_power.h"

namespace WorkSpace {

namespace {
// GUID_CONSOLE_DISPLAY_STATE and GUID_MONITOR_POWER_ON, spelled out: MinGW declares them
// without a definition.
const GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
const GUID kMonitorPowerOn = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};

// Whether the window registered last has had a console display state notice: from then on
// the monitor power notices are only acknowledged (one window at a time registers).
bool g_consoleHeard = false;

DisplaySetting SettingOf(const GUID& setting) {
    if (IsEqualGUID(setting, kConsoleDisplayState)) return DisplaySetting::ConsoleDisplayState;
    if (IsEqualGUID(setting, kMonitorPowerOn)) return DisplaySetting::MonitorPowerOn;
    return DisplaySetting::Other;
}

RebuildSchedule& Schedule() {
    static RebuildSchedule schedule;
    return schedule;
}

double Now() { return static_cast<double>(GetTickCount64()) / 1000.0; }

// The host posts WM_CLOSE when input ends the saver; a rebuild before it would only
// delay the exit.
bool CloseQueued(HWND window) {
    MSG message;
    return PeekMessageW(&message, window, WM_CLOSE, WM_CLOSE, PM_NOREMOVE) != FALSE;
}

void ArmTimer(HWND window) {
    const double wait = Schedule().Wait(Now());
    if (wait < 0.0) {
        KillTimer(window, kRebuildTimer);
        return;
    }
    const UINT ms = static_cast<UINT>(wait * 1000.0 + 0.5);
    SetTimer(window, kRebuildTimer, ms < USER_TIMER_MINIMUM ? USER_TIMER_MINIMUM : ms, nullptr);
}

void RunIfDue(HWND window, const RECT* placement) {
    if (Schedule().Due(Now(), CloseQueued(window))) {
        KillTimer(window, kRebuildTimer);
        const RebuildOutcome outcome = RebuildRun(window, [&] {
            if (placement)
                SetWindowPos(window, nullptr, placement->left, placement->top, placement->right - placement->left,
                             placement->bottom - placement->top, SWP_NOZORDER | SWP_NOACTIVATE);
        });
        Schedule().Attempted(outcome != RebuildOutcome::Retry, Now());
    }
    ArmTimer(window);
}
}  // namespace

void PostRebuildRequest() {
    PostMessageW(static_cast<HWND>(GetRunState().appWindow), kRebuildMessage, 0, 0);
}

DisplayStateNotices RegisterDisplayStateNotices(HWND window) {
    g_consoleHeard = false;
    DisplayStateNotices notices;
    // Windows 7 refuses the console display state, or never sends it; the monitor power
    // notice stands in there.
    notices.console = RegisterPowerSettingNotification(window, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
    notices.monitor = RegisterPowerSettingNotification(window, &kMonitorPowerOn, DEVICE_NOTIFY_WINDOW_HANDLE);
    return notices;
}

void UnregisterDisplayStateNotices(DisplayStateNotices& notices) {
    for (HPOWERNOTIFY* handle : {&notices.console, &notices.monitor}) {
        if (*handle) UnregisterPowerSettingNotification(*handle);
        *handle = nullptr;
    }
}

bool HandleDisplayStateNotice(WPARAM wParam, LPARAM lParam) {
    if (wParam != kPowerSettingChange || lParam == 0) return false;
    const POWERBROADCAST_SETTING* notice = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
    const DisplaySetting setting = SettingOf(notice->PowerSetting);
    const DisplayPower power = DecideDisplayPower(setting, g_consoleHeard, notice->DataLength, notice->Data);
    if (power == DisplayPower::NotDisplayState) return false;
    if (setting == DisplaySetting::ConsoleDisplayState) g_consoleHeard = true;
    if (power != DisplayPower::Unchanged) SetDisplaysOff(power == DisplayPower::Off);
    return true;
}

void RebuildOnWindowThread(HWND window, const RECT* placement) {
    Schedule().DeviceLost(Now());
    RunIfDue(window, placement);
}

void ScheduleDisplayRebuild(HWND window) {
    Schedule().DisplayChanged(Now());
    ArmTimer(window);
}

void RetryRebuild(HWND window, const RECT* placement) { RunIfDue(window, placement); }

void CancelRebuild(HWND window) {
    Schedule().Cancel();
    KillTimer(window, kRebuildTimer);
    GetRunState().rebuildFailed = 0;
}

}  // namespace WorkSpace
