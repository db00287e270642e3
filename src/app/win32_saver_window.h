// The application's part of the saver window's procedure, handed to the host at the entry.
#pragma once
#include <windows.h>

namespace WorkSpace {

// Set-up on WM_CREATE, stop and release on WM_DESTROY, no background erase, rebuilds for a
// lost device or a new monitor layout, the console display state. True when the message was
// handled here (its result in *result); false leaves it to the host.
bool SaverWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, BOOL preview, LRESULT* result);

}  // namespace WorkSpace
