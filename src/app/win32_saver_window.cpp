// The application's window procedure for the saver window: set-up on WM_CREATE, stop and
// release on WM_DESTROY, and no background erase (the scene or error screen owns the
// pixels). A lost device or a new monitor layout rebuilds the scene; the console display
// state pauses it. Everything else goes to the host's default handling.
#include "app/win32_display_events.h"
#include "app/workspace.h"
#include "host/win32_saver_host.h"

namespace WorkSpace {

namespace {
HPOWERNOTIFY g_displayNotices = nullptr;

// The full-screen window follows the virtual desktop; the small preview keeps its parent's
// client area.
bool DesktopPlacement(RECT& r) {
    if (GetHostState().isPreview) return false;
    r.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    r.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    r.right = r.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    r.bottom = r.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    return r.right > r.left && r.bottom > r.top;
}

void Rebuild(HWND window, bool retry) {
    RECT placement;
    const RECT* where = DesktopPlacement(placement) ? &placement : nullptr;
    if (retry)
        RetryRebuild(window, where);
    else
        RebuildOnWindowThread(window, where);
}
}  // namespace

LRESULT SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnSaverWindowCreate(window);
        g_displayNotices = RegisterDisplayStateNotices(window);
        return 0;
    case WM_DESTROY:
        UnregisterDisplayStateNotices(g_displayNotices);
        CancelRebuild(window);
        OnSaverWindowDestroy();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case kRebuildMessage:
    case WM_DISPLAYCHANGE:
        Rebuild(window, false);
        return 0;
    case WM_TIMER:
        if (wParam != kRebuildTimer) break;
        Rebuild(window, true);
        return 0;
    case WM_POWERBROADCAST:
        // The display state is no user event: it pauses the frames instead of ending them.
        if (HandleDisplayStateNotice(wParam, lParam)) return TRUE;
        break;
    default:
        break;
    }
    return DefaultSaverProc(window, message, wParam, lParam);
}

}  // namespace WorkSpace
