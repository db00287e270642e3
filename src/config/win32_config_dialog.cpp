// The configuration dialog (resource 101) and its full-screen preview (resource 102). The
// dialog edits the settings record in memory and writes it only on OK; the preview runs the
// saver's own set-up, render thread and release inside a dialog that covers the screen, as
// often as the user asks within one process.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "app/run_state.h"
#include "app/win32_display_events.h"
#include "app/win32_saver_window.h"
#include "app/workspace.h"
#include "config/config_resource.h"
#include "settings/settings.h"
#include "settings/text_storage.h"
#include "config/win32_config_dialog.h"
#include "particles/particle_system.h"
#include "scene/window.h"
#include "resources/logger.h"

namespace WorkSpace {

ConfigDialogState& GetConfigDialogState() {
    static ConfigDialogState state;
    return state;
}

namespace {

// Text numbers of the controls' captions.
struct ControlText {
    int control;
    int32_t text;
};
const ControlText kControlTexts[] = {
    {IDC_ADD_PICTURES, 18}, {IDC_REMOVE_PICTURE, 3}, {IDC_REMOVE_ALL_PICTURES, 4},
    {IDC_PREVIEW, 2},       {IDOK, 0},               {IDCANCEL, 1},
    {IDC_SCHEME_LABEL, 6},  {IDC_SHOW_IMAGES, 5},    {IDC_FILES_GROUP, 7},
    {IDC_EFFECT_GROUP, 54}, {IDC_SPEED_LABEL, 55},   {IDC_SIZE_LABEL, 56},
    {IDC_PICTURE_FIT_LABEL, 57}, {IDC_MONITORS_LABEL, 61},
    {IDC_ADD_FOLDER, 64},   {IDC_PICTURE_ORDER_LABEL, 65},
    {IDC_PHOTOS_GROUP, 69}, {IDC_PORTRAITS_LABEL, 74}, {IDC_PER_MONITOR_LABEL, 78}, {IDC_PAN_ZOOM_LABEL, 81},
    {IDC_CAPTIONS_LABEL, 70},
};
// "Flame", "Ice", "Smoke", "Cheerful": the item index is the scheme index.
const int32_t kSchemeTexts[] = {41, 42, 43, 44};

// The Effect and Photos groups' controls and the settings they edit. A combo box lists its
// setting's values from the minimum up: "Stretch", "Fit", "Fill" for the pictures, "Each monitor",
// "Span all monitors" for the monitors.
struct EffectControl {
    int control;
    SettingKey key;
    bool trackbar;
    int32_t firstItemText;  // combo boxes: the text of item 0, the others follow it
};
const EffectControl kEffectControls[] = {
    {IDC_SPEED_TRACKBAR, SettingKey::BlobsSpeed, true, 0},
    {IDC_SIZE_TRACKBAR, SettingKey::BlobsSize, true, 0},
    {IDC_PICTURE_FIT_COMBO, SettingKey::PictureFit, false, 58},
    {IDC_MONITORS_COMBO, SettingKey::SpanMonitors, false, 62},
    // "In list order", "Shuffle": first in the Photos group.
    {IDC_PICTURE_ORDER_COMBO, SettingKey::PictureOrder, false, 66},
    // The Photos group: "As any photo", "Two side by side", "Over a blurred copy"; "The same
    // on all", "A different one on each"; "Off", "Gentle".
    {IDC_PORTRAITS_COMBO, SettingKey::Portraits, false, 75},
    {IDC_PER_MONITOR_COMBO, SettingKey::PicturesPerMonitor, false, 79},
    {IDC_PAN_ZOOM_COMBO, SettingKey::PanZoom, false, 82},
    // "None", "Date", "Date and place" under each photo.
    {IDC_CAPTIONS_COMBO, SettingKey::Captions, false, 71},
};
const int32_t kCaptionText = 26;
const int32_t kSaveFailedText = 68;
const int kSchemeCount = 4;

std::wstring Text(int32_t number) { return Translate::TextStorage::Instance().GetText(number); }

LRESULT SendItem(HWND dialog, int control, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageW(dialog, control, message, wParam, lParam);
}

int SelectedScheme(HWND dialog) { return static_cast<int>(SendItem(dialog, IDC_SCHEME_COMBO, CB_GETCURSEL)); }

// Trackbar positions and combo box selections, as the settings table's ranges allow them.
void ShowEffectChoices(HWND dialog, const Settings& settings) {
    for (const EffectControl& c : kEffectControls) {
        const LRESULT value = settings.GetClamped(c.key);
        if (c.trackbar) SendItem(dialog, c.control, TBM_SETPOS, TRUE, value);
        else SendItem(dialog, c.control, CB_SETCURSEL, static_cast<WPARAM>(value - SettingInfo(c.key).minimum));
    }
}

// What the Effect group shows goes into the record: at OK and for the preview, as the
// scheme does. A value that the file held outside its range is then stored as the control
// shows it.
void TakeEffectChoices(HWND dialog, Settings& settings) {
    for (const EffectControl& c : kEffectControls) {
        if (c.trackbar) {
            settings.Set(c.key, static_cast<int32_t>(SendItem(dialog, c.control, TBM_GETPOS)));
            continue;
        }
        const LRESULT item = SendItem(dialog, c.control, CB_GETCURSEL);
        if (item >= 0) settings.Set(c.key, static_cast<int32_t>(item) + SettingInfo(c.key).minimum);
    }
}

void InitDialog(HWND dialog) {
    ConfigDialogState& state = GetConfigDialogState();
    state.configDialog = dialog;
    InitTextStorage();
    SetDialogTexts();
    // Files dropped anywhere on the dialog, the list box included, arrive here.
    DragAcceptFiles(dialog, TRUE);

    HWND list = GetDlgItem(dialog, IDC_PICTURE_LIST);
    state.previousListProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PictureListProc)));

    for (const EffectControl& c : kEffectControls) {
        if (!c.trackbar) continue;
        const SettingRow& row = SettingInfo(c.key);
        SendItem(dialog, c.control, TBM_SETRANGE, FALSE, MAKELPARAM(row.minimum, row.maximum));
    }
    SendItem(dialog, IDC_SCHEME_COMBO, CB_SETCURSEL, 0);

    // A record that already holds pictures is the user's unsaved work; leave it alone.
    Settings& settings = GetSettings();
    if (settings.pictures.empty()) settings.Load(SettingsPathToRead(GetSettingsPath()));

    FillPictureList(list);

    ShowEffectChoices(dialog, settings);
    CheckDlgButton(dialog, IDC_SHOW_IMAGES, settings.Get(SettingKey::ShowImages) != 0 ? BST_CHECKED : BST_UNCHECKED);
    // A stored index outside the four schemes leaves the box without a selection, so an OK
    // that does not touch it stores -1.
    const int32_t scheme = settings.Get(SettingKey::SelectLumoraEffect);
    SendItem(dialog, IDC_SCHEME_COMBO, CB_SETCURSEL,
             scheme >= 0 && scheme < kSchemeCount ? static_cast<WPARAM>(scheme) : static_cast<WPARAM>(-1));
}

void OnOk(HWND dialog) {
    Settings& settings = GetSettings();
    settings.Set(SettingKey::SelectLumoraEffect, SelectedScheme(dialog));
    TakeEffectChoices(dialog, settings);
    // GetSettingsPath decides once where the file lives (beside the program, or the user's
    // own folder when that one cannot be written), so the load at start and this save meet
    // the same file.
    const std::wstring path = GetSettingsPath();
    if (!settings.Save(path)) {
        // The old file is still whole. The dialog stays open with the user's choices, says
        // so in the banner's place, and OK tries again.
        GetLogger().Write(L"ConfigDialogProc() - Settings::Save () - FAILED");
        SetDlgItemTextW(dialog, IDC_SAVE_ERROR, Text(kSaveFailedText).c_str());
        ShowWindow(GetDlgItem(dialog, IDC_BANNER), SW_HIDE);
        ShowWindow(GetDlgItem(dialog, IDC_SAVE_ERROR), SW_SHOW);
        MessageBeep(MB_ICONWARNING);
        return;
    }
    // Read back what was written, so the record is exactly what the next start will see.
    LoadScene(path, false, false);
    EndDialog(dialog, TRUE);
}

void OnShowImagesClicked(HWND dialog) {
    const LRESULT check = SendItem(dialog, IDC_SHOW_IMAGES, BM_GETCHECK);
    if (check == BST_CHECKED) GetSettings().Set(SettingKey::ShowImages, 1);
    if (check == BST_UNCHECKED) GetSettings().Set(SettingKey::ShowImages, 0);
}

void OpenPreview(HWND dialog) {
    GetConfigDialogState().configDialog = dialog;
    RunState& run = GetRunState();
    run.startFailed.store(0);
    if (DialogBoxParamW(static_cast<HINSTANCE>(run.dialogInstance), MAKEINTRESOURCEW(IDD_PREVIEW_DIALOG), dialog,
                        PreviewDialogProc, 0) == -1)
        GetLogger().Write(L"ConfigDialogProc() - DialogBoxParamW (preview) - FAILED");
}

BOOL OnCommand(HWND dialog, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOk(dialog);
        return TRUE;
    case IDCANCEL:  // also Esc and the close box; nothing is written
        EndDialog(dialog, FALSE);
        return TRUE;
    case IDC_ADD_PICTURES:
        AddPicturesFromFileDialog();
        return FALSE;
    case IDC_ADD_FOLDER:
        AddFolderFromPicker();
        return FALSE;
    case IDC_REMOVE_PICTURE:
        RemoveSelectedPicture();
        return FALSE;
    case IDC_REMOVE_ALL_PICTURES:
        RemoveAllPictures();
        return FALSE;
    case IDC_SHOW_IMAGES:
        OnShowImagesClicked(dialog);
        return FALSE;
    case IDC_PREVIEW:
        OpenPreview(dialog);
        return FALSE;
    default:
        return FALSE;
    }
}

void StoreTrackbar(HWND dialog, UINT_PTR control) {
    if (control == IDC_SPEED_TRACKBAR)
        GetSettings().Set(SettingKey::BlobsSpeed, static_cast<int32_t>(SendItem(dialog, IDC_SPEED_TRACKBAR, TBM_GETPOS)));
    else if (control == IDC_SIZE_TRACKBAR)
        GetSettings().Set(SettingKey::BlobsSize, static_cast<int32_t>(SendItem(dialog, IDC_SIZE_TRACKBAR, TBM_GETPOS)));
}

void OnNotify(HWND dialog, const NMHDR* header) {
    if (header) StoreTrackbar(dialog, header->idFrom);
}

// ---- Preview ----

void SetUpPreview(HWND preview, ConfigDialogState& state);

HPOWERNOTIFY g_previewDisplayNotices = nullptr;

// The preview is the saver: it covers the whole virtual desktop, as the /s window does, so
// "Each monitor" and "Span all monitors" show there as they will.
RECT PreviewPlacement() {
    RECT desktop = {};
    if (DesktopPlacement(desktop, FALSE)) return desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    return desktop;
}

void InitPreview(HWND preview) {
    RunState& run = GetRunState();
    ConfigDialogState& state = GetConfigDialogState();
    run.appWindow = preview;
    run.startFailed.store(1);

    const RECT desktop = PreviewPlacement();
    SetWindowPos(preview, nullptr, desktop.left, desktop.top, desktop.right - desktop.left,
                 desktop.bottom - desktop.top, 0);
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
            LoadScene(path, true, true);
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

}  // namespace

void SetDialogTexts() {
    HWND dialog = GetConfigDialogState().configDialog;
    if (!dialog) return;
    for (const ControlText& entry : kControlTexts) SetDlgItemTextW(dialog, entry.control, Text(entry.text).c_str());
    SendItem(dialog, IDC_SCHEME_COMBO, CB_RESETCONTENT);
    for (int32_t number : kSchemeTexts)
        SendItem(dialog, IDC_SCHEME_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text(number).c_str()));
    for (const EffectControl& c : kEffectControls) {
        if (c.trackbar) continue;
        const LRESULT selected = SendItem(dialog, c.control, CB_GETCURSEL);
        SendItem(dialog, c.control, CB_RESETCONTENT);
        const SettingRow& row = SettingInfo(c.key);
        for (int32_t item = row.minimum; item <= row.maximum; ++item)
            SendItem(dialog, c.control, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(Text(c.firstItemText + item - row.minimum).c_str()));
        if (selected >= 0) SendItem(dialog, c.control, CB_SETCURSEL, static_cast<WPARAM>(selected));
    }
    SetWindowTextW(dialog, Text(kCaptionText).c_str());
}

namespace {
INT_PTR ConfigDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitDialog(dialog);
        return TRUE;
    case WM_NOTIFY:
        OnNotify(dialog, reinterpret_cast<const NMHDR*>(lParam));
        return FALSE;
    case WM_HSCROLL:
        // A trackbar moved with the keyboard or the mouse; it also notifies when it
        // repaints, but the move itself should not wait for that.
        if (lParam) StoreTrackbar(dialog, static_cast<UINT_PTR>(GetDlgCtrlID(reinterpret_cast<HWND>(lParam))));
        return FALSE;
    case WM_COMMAND:
        return OnCommand(dialog, wParam);
    case WM_DROPFILES:
        AddDroppedFiles(reinterpret_cast<HDROP>(wParam));
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR PreviewDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitPreview(dialog);
        return TRUE;
    case kRebuildMessage: {
        if (!GetConfigDialogState().previewRunning) return TRUE;
        const RECT placement = PreviewPlacement();
        RebuildOnWindowThread(dialog, &placement);
        return TRUE;
    }
    case WM_DISPLAYCHANGE:
        if (GetConfigDialogState().previewRunning) ScheduleDisplayRebuild(dialog);
        return TRUE;
    case WM_TIMER: {
        if (wParam != kRebuildTimer) return FALSE;
        const RECT placement = PreviewPlacement();
        if (GetConfigDialogState().previewRunning) RetryRebuild(dialog, &placement);
        return TRUE;
    }
    case WM_POWERBROADCAST:
        return HandleDisplayStateNotice(wParam, lParam) ? TRUE : FALSE;
    case WM_ERASEBKGND:
        return TRUE;  // the render thread paints every pixel
    case WM_PAINT:
        GetRunState().repaintRequested.store(1);  // the error screen draws only when asked
        return FALSE;
    case WM_COMMAND:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        // Enter and Esc arrive as IDOK and IDCANCEL. A click ends the preview only when no
        // other button or modifier key is held: its wParam is then exactly MK_LBUTTON (1)
        // or MK_RBUTTON (2).
        if (LOWORD(wParam) == 1 || LOWORD(wParam) == 2) {
            EndPreview(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
}  // namespace

// Dialog procedures are called back from the kernel like window procedures; a C++
// exception (a lost allocation while pictures are added) must not try to cross that call.
INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return ConfigDialogMessage(dialog, message, wParam, lParam);
    } catch (...) {
        GetLogger().Write(L"ConfigDialogProc() - message 0x%04X - exception - FAILED", message);
        return FALSE;
    }
}

INT_PTR CALLBACK PreviewDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return PreviewDialogMessage(dialog, message, wParam, lParam);
    } catch (...) {
        GetLogger().Write(L"PreviewDialogProc() - message 0x%04X - exception - FAILED", message);
        return FALSE;
    }
}

BOOL ShowConfigurationDialog(HINSTANCE instance) {
    GetRunState().dialogInstance = instance;
    // The trackbars' window class lives in the common controls; the dialog cannot be built
    // before they are registered.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    if (!InitCommonControlsEx(&controls)) GetLogger().Write(L"ShowConfigurationDialog() - InitCommonControlsEx () - FAILED");
    if (DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_CONFIG_DIALOG), static_cast<HWND>(GetWindow().window),
                        ConfigDialogProc, 0) == -1)
        GetLogger().Write(L"ShowConfigurationDialog() - DialogBoxParamW () - FAILED");
    return TRUE;
}

}  // namespace WorkSpace
