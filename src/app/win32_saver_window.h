// The application's part of the saver window's procedure, handed to the host at the entry,
// and the messages that every window showing the saver shares with it: the saver window
// (full screen, or the small preview inside the display settings) and the configuration
// dialog's full-screen preview.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace WorkSpace {

// Where the full-screen saver window goes: the whole virtual desktop, every monitor. The
// dialog's full-screen preview goes there too. False for the small preview (it keeps its
// parent's client area) or when the system reports no desktop.
bool DesktopPlacement(RECT& r, BOOL preview);
// Where the dialog's full-screen preview goes: the desktop as above, or the desktop window's
// rectangle where the system reports none. The preview is the saver: it covers every monitor,
// as the /s window does, so "Each monitor" and "Span all monitors" show there as they will.
RECT PreviewPlacement();

// The windows that show the saver, as the messages they share tell them apart.
enum class ShowWindowKind : uint8_t {
    FullScreen,     // the /s window
    SmallPreview,   // inside the display settings: keeps its parent's client area, takes no keys
    DialogPreview,  // the configuration dialog's full-screen preview
};
struct SaverShow {
    ShowWindowKind kind = ShowWindowKind::FullScreen;
    // False once the show has ended while its window lingers (the dialog's preview, until its
    // loop returns): nothing is rebuilt and no key steers.
    bool running = true;
};

// Whether a key-down goes to the photos now: the window takes keys and they steer
// ("PictureKeys" 1, photos shown, no error screen instead).
bool ShowTakesKeys(const SaverShow& show);

// The messages of a window that shows the saver: no background erase, a repaint passed on to
// the error screen, rebuilds for a lost device or a new monitor layout, the console display
// state, and the keys that steer the photos. True when handled here (its result in *result).
// False leaves the message to the window's own rules; so does a key that steers nothing (Esc,
// Enter once the photo for its folder is noted, any other key): it ends the show there.
bool SaverShowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, const SaverShow& show, LRESULT* result);

// Enter during the show: the photo to show in its folder once the window is gone (empty when
// none). Taking it clears it.
std::wstring TakePhotoToOpen();

// The saver window's procedure on the application's side: set-up on WM_CREATE, stop and
// release on WM_DESTROY, and the show's messages above. True when the message was handled
// here (its result in *result); false leaves it to the host.
bool SaverWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, BOOL preview, LRESULT* result);

}  // namespace WorkSpace
