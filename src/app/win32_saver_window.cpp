// The application's window procedure for the saver window: set-up on WM_CREATE, stop and
// release on WM_DESTROY, and no background erase (the scene or error screen owns the
// pixels). Everything else goes to the host's default handling.
#include "app/workspace.h"
#include "host/win32_saver_host.h"

namespace WorkSpace {

LRESULT SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnSaverWindowCreate(window);
        return 0;
    case WM_DESTROY:
        OnSaverWindowDestroy();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        return DefaultSaverProc(window, message, wParam, lParam);
    }
}

}  // namespace WorkSpace
