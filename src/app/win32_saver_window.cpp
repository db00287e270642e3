// The application's window procedure for the saver window: set-up on WM_CREATE, stop and
// release on WM_DESTROY, and no background erase (the scene or error screen owns the
// pixels; a repaint is passed on to the error screen). A lost device or a new monitor layout rebuilds the scene; the display
// state pauses it. Everything else goes back to the host.
#include "app/win32_saver_window.h"

#include "app/run_state.h"
#include "app/win32_display_events.h"
#include "app/workspace.h"

namespace WorkSpace {

bool DesktopPlacement(RECT& r, BOOL preview) {
    if (preview) return false;
    r.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    r.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    r.right = r.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    r.bottom = r.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    return r.right > r.left && r.bottom > r.top;
}

namespace {
DisplayStateNotices g_displayNotices;

void Rebuild(HWND window, bool retry, BOOL preview) {
    RECT placement;
    const RECT* where = DesktopPlacement(placement, preview) ? &placement : nullptr;
    if (retry)
        RetryRebuild(window, where);
    else
        RebuildOnWindowThread(window, where);
}
}  // namespace

bool SaverWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, BOOL preview, LRESULT* result) {
    *result = 0;
    switch (message) {
    case WM_CREATE:
        OnSaverWindowCreate(window);
        g_displayNotices = RegisterDisplayStateNotices(window);
        return true;
    case WM_DESTROY:
        UnregisterDisplayStateNotices(g_displayNotices);
        CancelRebuild(window);
        OnSaverWindowDestroy();
        return true;
    case WM_ERASEBKGND:
        *result = 1;
        return true;
    case WM_PAINT:
        // The error screen draws from the render thread and only when asked; the host still
        // validates the window.
        GetRunState().repaintRequested.store(1);
        return false;
    case kRebuildMessage:
        Rebuild(window, false, preview);
        return true;
    case WM_DISPLAYCHANGE:
        ScheduleDisplayRebuild(window);
        return true;
    case WM_TIMER:
        if (wParam != kRebuildTimer) return false;
        Rebuild(window, true, preview);
        return true;
    case WM_POWERBROADCAST:
        // The display state is no user event: it pauses the frames instead of ending them.
        if (!HandleDisplayStateNotice(wParam, lParam)) return false;
        *result = TRUE;
        return true;
    default:
        return false;
    }
}

}  // namespace WorkSpace
