// The desktop's layout on Win32: the window's client area in desktop coordinates
// (ClientToScreen) and each monitor's rectangle from EnumDisplayMonitors; a child window
// gets no monitors and so one view.
#include "gfx/win32_monitors.h"

#include <windows.h>

namespace WorkSpace {

namespace {
BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT rect, LPARAM data) {
    DisplayLayout* layout = reinterpret_cast<DisplayLayout*>(data);
    if (layout->monitorCount >= kMaxViews) return FALSE;
    PixelRect& m = layout->monitors[layout->monitorCount++];
    m.left = rect->left;
    m.top = rect->top;
    m.right = rect->right;
    m.bottom = rect->bottom;
    return TRUE;
}
}  // namespace

void ReadDisplayLayout(void* window, DisplayLayout* layout) {
    *layout = DisplayLayout();
    HWND hwnd = static_cast<HWND>(window);
    RECT client = {};
    if (!GetClientRect(hwnd, &client)) return;
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    layout->client.left = origin.x;
    layout->client.top = origin.y;
    layout->client.right = origin.x + client.right;
    layout->client.bottom = origin.y + client.bottom;
    if (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) return;
    // A failed enumeration leaves what it found; fewer than two monitors is one view.
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(layout));
}

}  // namespace WorkSpace
