// The application's part of the saver window's procedure, handed to the host at the entry.
#pragma once
#include <windows.h>

namespace WorkSpace {

// Set-up on WM_CREATE, stop and release on WM_DESTROY, no background erase, rebuilds for a
// lost device or a new monitor layout, the console display state. True when the message was
// handled here (its result in *result); false leaves it to the host.
// Where the full-screen saver window goes: the whole virtual desktop, every monitor. The
// dialog's full-screen preview goes there too. False for the small preview (it keeps its
// parent's client area) or when the system reports no desktop.
bool DesktopPlacement(RECT& r, BOOL preview);

bool SaverWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, BOOL preview, LRESULT* result);

}  // namespace WorkSpace
