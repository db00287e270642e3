// The configuration dialog's full-screen preview (IDD_PREVIEW_DIALOG): it runs the saver's
// own set-up, render thread and release inside a dialog that covers the screen, as often as
// the user asks within one process, with the dialog's unsaved choices. Its messages are the
// saver window's own (app/win32_saver_window.h); it adds only what a dialog has of its own:
// its start and end, its size when the DPI changes, and which clicks and keys end it.
#include <windows.h>

#include "app/run_state.h"
#include "app/win32_display_events.h"
#include "app/win32_saver_window.h"
#include "app/workspace.h"
#include "config/win32_config_dialog.h"
#include "host/win32_open_folder.h"
#include "resources/logger.h"
#include "resources/resource_ids.h"
#include "scene/window.h"
#include "settings/settings.h"

namespace WorkSpace {

namespace {

DisplayStateNotices g_previewDisplayNotices;

// Over the whole virtual desktop (PreviewPlacement), as the /s window.
void PlacePreview(HWND preview, UINT flags) {
    const RECT desktop = PreviewPlacement();
    SetWindowPos(preview, nullptr, desktop.left, desktop.top, desktop.right - desktop.left,
                 desktop.bottom - desktop.top, flags);
}

// Windows 10's names, which the headers offer only to builds for it.
const UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE
const int kDisableResize = 0x0002;      // DDC_DISABLE_RESIZE

// Under per-monitor awareness Windows scales a dialog itself when the DPI changes (a monitor
// of another scale plugged in), which would leave part of the desktop uncovered. Turned off
// where Windows has the call (10 1703 and later); WM_DPICHANGED puts the preview back in
// any case.
void KeepPreviewSizeOnDpiChange(HWND preview) {
    using SetBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const SetBehaviorFn setBehavior = user32 ? reinterpret_cast<SetBehaviorFn>(reinterpret_cast<void*>(
                                                   GetProcAddress(user32, "SetDialogDpiChangeBehavior")))
                                             : nullptr;
    if (setBehavior) setBehavior(preview, kDisableResize, kDisableResize);
}

void SetUpPreview(HWND preview, ConfigDialogState& state) {
    RunState& run = GetRunState();
    Window& window = GetWindow();
    // The Effect group's current choices, like the scheme below: the renderer reads them
    // from the record while it draws.
    TakeEffectChoices(state.configDialog, window.settings);
    const std::wstring path = GetSettingsPath();
    if (window.Create(preview)) {
        // The set-up reads the settings file again, which would put the saved values and
        // pictures back into the record and lose the user's unsaved edits at the next OK.
        // Keep the record as it is and lay it back over what the set-up read.
        const Settings edited = window.settings;
        try {
            LoadScene(path, SceneBuild::Full, PictureTextures::Skip);
        } catch (...) {
            window.settings = edited;
            throw;
        }
        run.startFailed.store(0);
        window.settings = edited;

        // The dialog's unsaved choices: its scheme, its check box, the Effect group (kept in
        // the record above) and all of the record's pictures (the list box shows only the
        // first 21 of them).
        ApplyColorScheme(SelectedScheme(state.configDialog));
        window.showPictures = IsDlgButtonChecked(state.configDialog, IDC_SHOW_IMAGES) == BST_CHECKED ? 1 : 0;
        LoadPictureTextures();
    }
}

void InitPreview(HWND preview) {
    RunState& run = GetRunState();
    ConfigDialogState& state = GetConfigDialogState();
    run.appWindow = preview;
    run.startFailed.store(1);

    KeepPreviewSizeOnDpiChange(preview);
    PlacePreview(preview, 0);
    ShowCursor(FALSE);
    SetFocus(preview);

    try {
        SetUpPreview(preview, state);
    } catch (...) {
        // As in the saver window's creation: the preview shows the error screen instead.
        run.startFailed.store(1);
        GetLogger().Write(L"PreviewDialogProc() - set-up - exception - FAILED");
    }
    // Started in every case: without a device the thread shows the error screen.
    run.stopRequested.store(0);
    SetDisplaysOff(false);  // a display that slept during an earlier preview is on again now
    StartRenderThread();
    g_previewDisplayNotices = RegisterDisplayStateNotices(preview);
    state.previewRunning = true;
}

void EndPreview(HWND preview, WORD result) {
    ConfigDialogState& state = GetConfigDialogState();
    if (state.previewRunning) {
        state.previewRunning = false;
        UnregisterDisplayStateNotices(g_previewDisplayNotices);
        CancelRebuild(preview);
        StopRenderThread();
        ReleaseScene();
        ShowCursor(TRUE);
    }
    EndDialog(preview, result);
}

INT_PTR PreviewDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // The saver window's own handling first (the rebuilds, the display state, the paint, the
    // keys that steer the photos); a dialog procedure hands its result on in DWLP_MSGRESULT.
    const SaverShow show = {ShowWindowKind::DialogPreview, GetConfigDialogState().previewRunning};
    LRESULT result = 0;
    if (SaverShowMessage(dialog, message, wParam, lParam, show, &result)) {
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
        return TRUE;
    }
    switch (message) {
    case WM_INITDIALOG:
        InitPreview(dialog);
        return TRUE;
    case WM_GETDLGCODE:
        // While keys steer the photos the preview takes them all: the dialog manager would turn
        // Enter and Esc into commands and the arrows into moves between controls.
        if (!ShowTakesKeys(show)) return FALSE;
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, DLGC_WANTALLKEYS);
        return TRUE;
    case WM_KEYDOWN:
        // A key that steered nothing, while keys steer: Enter (its photo noted for the folder)
        // and Esc end the preview, as their commands do when no key steers; other keys do
        // nothing here, unlike in the saver.
        if (!ShowTakesKeys(show)) return FALSE;
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) EndPreview(dialog, wParam == VK_RETURN ? IDOK : IDCANCEL);
        return TRUE;
    case kGetDpiScaledSize: {
        // The size at the new DPI is the one the preview has: the desktop's, in pixels.
        RECT now = {};
        if (!lParam || !GetWindowRect(dialog, &now)) return FALSE;
        SIZE* size = reinterpret_cast<SIZE*>(lParam);
        size->cx = now.right - now.left;
        size->cy = now.bottom - now.top;
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    case WM_DPICHANGED:
        // Not the rectangle Windows suggests: the preview covers the whole desktop.
        PlacePreview(dialog, SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;
    case WM_COMMAND:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
        // Enter and Esc arrive as IDOK and IDCANCEL. A click ends the preview only when no
        // other button or modifier key is held: its wParam is then exactly MK_LBUTTON or
        // MK_RBUTTON, which have the values of IDOK and IDCANCEL, the preview's result.
        const WORD code = LOWORD(wParam);
        const bool ends = message == WM_COMMAND ? code == IDOK || code == IDCANCEL
                                                : code == MK_LBUTTON || code == MK_RBUTTON;
        if (!ends) return FALSE;
        EndPreview(dialog, code);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

}  // namespace

// Dialog procedures are called back from the kernel like window procedures; no C++
// exception may try to cross that call.
INT_PTR CALLBACK PreviewDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return PreviewDialogMessage(dialog, message, wParam, lParam);
    } catch (...) {
        GetLogger().Write(L"PreviewDialogProc() - message 0x%04X - exception - FAILED", message);
        return FALSE;
    }
}

void OpenPreview(HWND dialog) {
    GetConfigDialogState().configDialog = dialog;
    RunState& run = GetRunState();
    run.startFailed.store(0);
    TakePhotoToOpen();  // nothing from an earlier preview
    if (DialogBoxParamW(static_cast<HINSTANCE>(run.dialogInstance), MAKEINTRESOURCEW(IDD_PREVIEW_DIALOG), dialog,
                        PreviewDialogProc, 0) == -1)
        GetLogger().Write(L"ConfigDialogProc() - DialogBoxParamW (preview) - FAILED");
    // EndDialog only marks the preview to end: it is destroyed when its loop returns, and the
    // dialog is active again. Explorer opens now, in front, not under the full-screen preview.
    const std::wstring shown = TakePhotoToOpen();
    if (!shown.empty()) ShowInFolder(shown);
}

}  // namespace WorkSpace
