// The show's window messages, in one place for the saver window and the dialog's preview:
// no background erase (the scene or error screen owns the pixels; a repaint is passed on to
// the error screen), rebuilds for a lost device or a new monitor layout, the display state
// that pauses the frames, and the keys that steer the photos. The saver window adds its
// set-up on WM_CREATE and its release on WM_DESTROY; everything else goes back to the host.
#include "app/win32_saver_window.h"

#include "app/picture_keys.h"
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

RECT PreviewPlacement() {
    RECT desktop = {};
    if (DesktopPlacement(desktop, FALSE)) return desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    return desktop;
}

namespace {
DisplayStateNotices g_displayNotices;
std::wstring g_photoToOpen;
KeysSeen g_keysSeen;  // of the window that shows the saver now

void Rebuild(HWND window, bool retry, ShowWindowKind kind) {
    RECT placement = {};
    const RECT* where = nullptr;
    if (kind == ShowWindowKind::DialogPreview) {
        placement = PreviewPlacement();
        where = &placement;
    } else if (DesktopPlacement(placement, kind == ShowWindowKind::SmallPreview)) {
        where = &placement;
    }
    if (retry)
        RetryRebuild(window, where);
    else
        RebuildOnWindowThread(window, where);
}

// A key-down while keys steer: a step or the pause goes to the render thread at once.
bool SteerByKey(WPARAM key, KeyArrival arrival) {
    const SteeringKey d = DecideSteeringKey(key, arrival, PictureShown());
    if (d.steer == Steer::Open) g_photoToOpen = ShownPicturePath();
    if (d.ends) return false;
    if (d.steer != Steer::None)
        SteerPictureKeys(d.steer == Steer::Next ? 1 : d.steer == Steer::Previous ? -1 : 0, d.steer == Steer::Pause);
    return true;  // a step, the pause, or a held key that steers once
}
}  // namespace

bool ShowTakesKeys(const SaverShow& show) {
    return show.running && show.kind != ShowWindowKind::SmallPreview && PictureKeysSteer();
}

std::wstring TakePhotoToOpen() {
    std::wstring photo;
    photo.swap(g_photoToOpen);
    return photo;
}

bool SaverShowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, const SaverShow& show, LRESULT* result) {
    *result = 0;
    switch (message) {
    case WM_ERASEBKGND:
        *result = 1;
        return true;
    case WM_PAINT:
        // The error screen draws from the render thread and only when asked; the window's
        // own step still validates it.
        GetRunState().repaintRequested.store(1);
        return false;
    case kRebuildMessage:
        if (show.running) Rebuild(window, false, show.kind);
        return true;
    case WM_DISPLAYCHANGE:
        if (show.running) ScheduleDisplayRebuild(window);
        return true;
    case WM_TIMER:
        if (wParam != kRebuildTimer) return false;
        if (show.running) Rebuild(window, true, show.kind);
        return true;
    case WM_POWERBROADCAST:
        // The display state is no user event: it pauses the frames instead of ending them.
        if (!HandleDisplayStateNotice(wParam, lParam)) return false;
        *result = TRUE;
        return true;
    case WM_INITDIALOG:
        g_keysSeen.Clear();  // the dialog's preview starts: no key seen down yet
        return false;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        g_keysSeen.Up(wParam);
        return false;
    case WM_SYSKEYDOWN:
        g_keysSeen.Down(wParam, (lParam & (LPARAM{1} << 30)) != 0);
        return false;
    case WM_KEYDOWN: {
        // Alt with an arrow comes as WM_SYSKEYDOWN and ends the saver: only plain keys steer.
        // Asked at each key: a start can give way to the error screen after the window is
        // made, and over the error screen every key ends the show.
        const KeyArrival arrival = g_keysSeen.Down(wParam, (lParam & (LPARAM{1} << 30)) != 0);
        return ShowTakesKeys(show) && SteerByKey(wParam, arrival);
    }
    default:
        return false;
    }
}

bool SaverWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, BOOL preview, LRESULT* result) {
    *result = 0;
    switch (message) {
    case WM_CREATE:
        g_keysSeen.Clear();
        OnSaverWindowCreate(window);
        g_displayNotices = RegisterDisplayStateNotices(window);
        return true;
    case WM_DESTROY:
        UnregisterDisplayStateNotices(g_displayNotices);
        CancelRebuild(window);
        OnSaverWindowDestroy();
        return true;
    default: {
        const SaverShow show = {preview ? ShowWindowKind::SmallPreview : ShowWindowKind::FullScreen, true};
        return SaverShowMessage(window, message, wParam, lParam, show, result);
    }
    }
}

}  // namespace WorkSpace
