// What the saver window and the preview dialog do when the displays change under them: a
// lost device or a new monitor layout rebuilds the device and the scene on the window
// thread, and the display state pauses the frame loop while the displays sleep.
#pragma once
#include <windows.h>

namespace WorkSpace {

// The render thread's request to rebuild (posted to RunState::appWindow).
constexpr UINT kRebuildMessage = WM_APP + 0x4C;
// The next rebuild (a merged burst of display changes, or the next attempt after a failed
// one) runs on this timer.
constexpr UINT_PTR kRebuildTimer = 0x4C4D;

// The console display state and monitor power notices a window asked for; each handle is
// null where Windows refused it.
struct DisplayStateNotices {
    HPOWERNOTIFY console = nullptr;
    HPOWERNOTIFY monitor = nullptr;
};
// Asks for both notices; the handles go to the unregister call.
DisplayStateNotices RegisterDisplayStateNotices(HWND window);
void UnregisterDisplayStateNotices(DisplayStateNotices& notices);

// WM_POWERBROADCAST: true (and the frame loop paused or resumed) when it carried a display
// state (app/display_power.h); everything else is left to the caller.
bool HandleDisplayStateNotice(WPARAM wParam, LPARAM lParam);

// The rebuild itself (app/rebuild.h): stops the render thread, moves the window to
// `placement` (if given), makes the device and the scene again and starts the thread
// without the start-up second. A run whose start-up failed stays on its error screen; a
// rebuild that fails shows the error screen and is tried again on kRebuildTimer.
// kRebuildMessage (a lost device): a rebuild now, unless one is already pending.
void RebuildOnWindowThread(HWND window, const RECT* placement);
// WM_DISPLAYCHANGE: one rebuild, shortly after the last of a burst.
void ScheduleDisplayRebuild(HWND window);
// kRebuildTimer fired: the rebuild, if it is due and the window is not closing.
void RetryRebuild(HWND window, const RECT* placement);
// The window is going away: no more attempts.
void CancelRebuild(HWND window);

}  // namespace WorkSpace
