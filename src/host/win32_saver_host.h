// The Win32 host: switches, the saver and preview windows, input rules, cursor hiding and,
// on the old consumer Windows line, the system's screen-saver password. The program's entry
// (src/entry) hands it the application.
#pragma once
#include <windows.h>

#include <string>

#include "host/saver_input.h"

namespace WorkSpace {

// What the application hands the host (the entry builds it): its part of the saver window's
// procedure and its configuration dialog. The host knows nothing else of the application.
struct SaverApp {
    // Every message of the saver window after the host's own step, the keys that steer the
    // photos included. True when the app handled it (its result in *result); false leaves it
    // to the host's input rules and default step.
    bool (*windowMessage)(HWND window, UINT message, WPARAM wParam, LPARAM lParam, BOOL preview, LRESULT* result);
    // The configuration mode's dialog; FALSE when it could not be shown.
    BOOL (*showConfiguration)(HINSTANCE instance);
    // The dialog procedure of the configuration mode's closing call.
    DLGPROC configDialogProc;
    // Before the small preview's window is made inside another program's dialog, whose
    // input queue it shares: the app's set-up must not wait there (null: nothing to do).
    void (*previewStarting)();
    // Enter during the show (the app's window procedure takes the keys that steer the photos):
    // the photo to show in its folder once the window is gone; empty when none.
    std::wstring (*photoToOpen)();
};

struct HostState {
    const SaverApp* app = nullptr;
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    BOOL isPreview = FALSE;
    BOOL isClosing = FALSE;
    BOOL isCheckingPassword = FALSE;
    HMODULE passwordLibrary = nullptr;
    BOOL(WINAPI* verifyPassword)(HWND) = nullptr;
    BOOL isLegacyPlatform = FALSE;
    UINT autoPlayMessage = 0;
    HMODULE imeLibrary = nullptr;
    HIMC(WINAPI* associateContext)(HWND, HIMC) = nullptr;
    HIMC savedInputContext = nullptr;
    InputRules rules;  // the cursor, the move threshold and the AC-line status
    DWORD lastPasswordCheck = 0xFFFFFFFF;
};
HostState& GetHostState();

int SaverMain(const SaverApp& app, HINSTANCE instance, HINSTANCE previous, LPWSTR tail, int show);
int RunSaverWindow(HWND parent);
int RunConfiguration(HWND parent);
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The legacy password (win32_legacy_password.cpp).
BOOL VerifyLegacyPassword(HWND window);
void LoadPasswordVerifier();
void UnloadPasswordVerifier();
void SetSaverRunning(BOOL on);
void ChangeLegacyPassword(HWND window);
// The last-chance guard (win32_last_chance_guard.cpp): an exception that nothing handles, on any thread, and a hardware
// fault in the program's own code (which a window procedure's caller would otherwise
// swallow), tell the legacy system that no saver runs and end the process at once with
// exit code -1.
void InstallLastChanceGuard();

}  // namespace WorkSpace
