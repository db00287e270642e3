// The screen-saver password of the old consumer Windows line (95, 98, Me): the system's
// verifier loaded from PASSWORD.CPL when the user asked for a password, the check before the
// saver closes, the password change of the A switch, and the "saver runs" flag those systems
// keep for their own keys.
#include <windows.h>

#include "host/win32_saver_host.h"
#include "platform/win32_system_library.h"

namespace WorkSpace {

void SetSaverRunning(BOOL on) {
    if (!GetHostState().isLegacyPlatform) return;
    BOOL previous = FALSE;
    SystemParametersInfoW(SPI_SCREENSAVERRUNNING, on, &previous, 0);
}

void UnloadPasswordVerifier() {
    HostState& h = GetHostState();
    if (!h.isLegacyPlatform || !h.passwordLibrary) return;
    FreeLibrary(h.passwordLibrary);
    h.passwordLibrary = nullptr;
    if (h.verifyPassword) {
        h.verifyPassword = nullptr;
        SetSaverRunning(FALSE);
    }
}

void LoadPasswordVerifier() {
    HostState& h = GetHostState();
    if (!h.isLegacyPlatform) return;
    if (h.passwordLibrary) UnloadPasswordVerifier();
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    DWORD value = 0, size = sizeof(value);
    if (RegQueryValueExW(key, L"ScreenSaveUsePassword", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        value != 0) {
        h.passwordLibrary = LoadSystemLibrary(L"PASSWORD.CPL");
        if (h.passwordLibrary) {
            h.verifyPassword = reinterpret_cast<BOOL(WINAPI*)(HWND)>(
                reinterpret_cast<void*>(GetProcAddress(h.passwordLibrary, "VerifyScreenSavePwd")));
            if (h.verifyPassword)
                SetSaverRunning(TRUE);
            else
                UnloadPasswordVerifier();
        }
    }
    RegCloseKey(key);
}

BOOL VerifyLegacyPassword(HWND window) {
    HostState& h = GetHostState();
    if (h.isCheckingPassword || h.isClosing) return FALSE;
    if (!h.verifyPassword) {
        h.isClosing = TRUE;
        return TRUE;
    }
    if (h.lastPasswordCheck != 0xFFFFFFFF && GetTickCount() - h.lastPasswordCheck < 200) return FALSE;
    h.isCheckingPassword = TRUE;
    MSG msg;
    PeekMessageW(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageW(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    h.isClosing = static_cast<BOOL>(SendMessageW(window, WM_APP, 0, 0));
    h.isCheckingPassword = FALSE;
    if (!h.isClosing) SetCursor(nullptr);
    h.lastPasswordCheck = GetTickCount();
    return h.isClosing;
}

void ChangeLegacyPassword(HWND window) {
    HMODULE mpr = LoadSystemLibrary(L"MPR.DLL");
    if (!mpr) return;
    using ChangeFn = DWORD(WINAPI*)(LPCWSTR, HWND, DWORD, void*);
    auto change = reinterpret_cast<ChangeFn>(reinterpret_cast<void*>(GetProcAddress(mpr, "PwdChangePasswordW")));
    if (change) change(L"SCRSAVE", window, 0, nullptr);
    FreeLibrary(mpr);
}

}  // namespace WorkSpace
