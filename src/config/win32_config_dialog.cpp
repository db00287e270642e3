// The configuration dialog (IDD_CONFIG_DIALOG) and its full-screen preview
// (IDD_PREVIEW_DIALOG). The dialog edits the settings record in memory and writes it only on
// OK; the preview runs the saver's own set-up, render thread and release inside a dialog
// that covers the screen, as often as the user asks within one process.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "app/run_state.h"
#include "app/win32_display_events.h"
#include "app/win32_saver_window.h"
#include "app/workspace.h"
#include "resources/resource_ids.h"
#include "config/display_timeouts.h"
#include "host/saver_input.h"
#include "host/win32_open_folder.h"
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

using Translate::TextId;

// The controls' captions.
struct ControlText {
    int control;
    TextId text;
};
const ControlText kControlTexts[] = {
    {IDC_ADD_PICTURES, TextId::Add},
    {IDC_REMOVE_PICTURE, TextId::Remove},
    {IDC_REMOVE_ALL_PICTURES, TextId::RemoveAll},
    {IDC_PREVIEW, TextId::Preview},
    {IDOK, TextId::Ok},
    {IDCANCEL, TextId::Cancel},
    {IDC_SCHEME_LABEL, TextId::SelectScheme},
    {IDC_SHOW_IMAGES, TextId::ShowImages},
    {IDC_FILES_GROUP, TextId::Files},
    {IDC_EFFECT_GROUP, TextId::Effect},
    {IDC_SPEED_LABEL, TextId::Speed},
    {IDC_SIZE_LABEL, TextId::Size},
    {IDC_PICTURE_FIT_LABEL, TextId::Pictures},
    {IDC_MONITORS_LABEL, TextId::Monitors},
    {IDC_ADD_FOLDER, TextId::AddFolder},
    {IDC_PICTURE_ORDER_LABEL, TextId::Order},
    {IDC_PHOTOS_GROUP, TextId::Photos},
    {IDC_PORTRAITS_LABEL, TextId::Portraits},
    {IDC_PER_MONITOR_LABEL, TextId::PerMonitor},
    {IDC_PAN_ZOOM_LABEL, TextId::PanZoom},
    {IDC_CAPTIONS_LABEL, TextId::Captions},
    {IDC_PICTURE_KEYS_LABEL, TextId::PictureKeys},
    {IDC_CLOCK_LABEL, TextId::Clock},
    {IDC_MIN_RATING_LABEL, TextId::MinRating},
    {IDC_MIN_SIZE_LABEL, TextId::MinPictureSize},
    {IDC_MEMORIES_LABEL, TextId::Memories},
    {IDC_LEAVE_OUT_FOLDER, TextId::LeaveOutFolder},
};
// The item index is the scheme index.
const TextId kSchemeTexts[] = {TextId::SchemeFlame, TextId::SchemeIce, TextId::SchemeSmoke, TextId::SchemeCheerful};

// The shortest sides a photo may be asked to have; 0 takes any.
const int32_t kMinPictureSizes[] = {0, 800, 1200, 2000};

// The Effect and Photos groups' controls and the settings they edit. A combo box lists its
// setting's values from the minimum up, one text each, in the table's order; or, with
// `values`, those values: item 0 by its text, the others as numbers of pixels.
struct EffectControl {
    int control;
    SettingKey key;
    bool trackbar;
    TextId firstItemText;  // combo boxes: the text of item 0, the others follow it; trackbars: none
    const int32_t* values = nullptr;
    int32_t valueCount = 0;
};
const EffectControl kEffectControls[] = {
    {IDC_SPEED_TRACKBAR, SettingKey::BlobsSpeed, true, TextId{}},
    {IDC_SIZE_TRACKBAR, SettingKey::BlobsSize, true, TextId{}},
    {IDC_PICTURE_FIT_COMBO, SettingKey::PictureFit, false, TextId::FitStretch},
    {IDC_MONITORS_COMBO, SettingKey::SpanMonitors, false, TextId::EachMonitor},
    // First in the Photos group.
    {IDC_PICTURE_ORDER_COMBO, SettingKey::PictureOrder, false, TextId::InListOrder},
    {IDC_PORTRAITS_COMBO, SettingKey::Portraits, false, TextId::PortraitAsAny},
    {IDC_PER_MONITOR_COMBO, SettingKey::PicturesPerMonitor, false, TextId::SameOnAll},
    {IDC_PAN_ZOOM_COMBO, SettingKey::PanZoom, false, TextId::PanZoomOff},
    // What is written under each photo.
    {IDC_CAPTIONS_COMBO, SettingKey::Captions, false, TextId::CaptionNone},
    // The later options, in reading order.
    {IDC_PICTURE_KEYS_COMBO, SettingKey::PictureKeys, false, TextId::KeysEnd},
    {IDC_MIN_RATING_COMBO, SettingKey::MinRating, false, TextId::RatingAny},
    {IDC_MIN_SIZE_COMBO, SettingKey::MinPictureSize, false, TextId::SizeAny, kMinPictureSizes,
     static_cast<int32_t>(sizeof(kMinPictureSizes) / sizeof(kMinPictureSizes[0]))},
    {IDC_MEMORIES_COMBO, SettingKey::Memories, false, TextId::MemoriesOff},
    {IDC_CLOCK_COMBO, SettingKey::Clock, false, TextId::ClockOff},
};

// The combo item that shows `value`: with a list of values, the largest not above it.
WPARAM ComboItemOf(const EffectControl& c, int32_t value) {
    if (!c.values) return static_cast<WPARAM>(value - SettingInfo(c.key).minimum);
    int32_t item = 0;
    for (int32_t i = 0; i < c.valueCount; ++i)
        if (c.values[i] <= value) item = i;
    return static_cast<WPARAM>(item);
}

int32_t ComboValueOf(const EffectControl& c, LRESULT item) {
    if (!c.values) return static_cast<int32_t>(item) + SettingInfo(c.key).minimum;
    return item < c.valueCount ? c.values[item] : c.values[0];
}
const int kSchemeCount = 4;

std::wstring Text(TextId id) { return Translate::TextStorage::Instance().GetText(id); }

LRESULT SendItem(HWND dialog, int control, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageW(dialog, control, message, wParam, lParam);
}

int SelectedScheme(HWND dialog) { return static_cast<int>(SendItem(dialog, IDC_SCHEME_COMBO, CB_GETCURSEL)); }

// Trackbar positions and combo box selections, as the settings table's ranges allow them.
void ShowEffectChoices(HWND dialog, const Settings& settings) {
    for (const EffectControl& c : kEffectControls) {
        const LRESULT value = settings.GetClamped(c.key);
        if (c.trackbar) SendItem(dialog, c.control, TBM_SETPOS, TRUE, value);
        else SendItem(dialog, c.control, CB_SETCURSEL, ComboItemOf(c, static_cast<int32_t>(value)));
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
        if (item >= 0) settings.Set(c.key, ComboValueOf(c, item));
    }
}

// The warning's band under the buttons, in dialog units: the static's 24 and a margin.
const int kWarningGrowth = 28;

// A display that turns off before the screen saver would start keeps the saver from ever
// appearing; the line under the buttons says so with both times. Nothing is changed.
void ShowDisplayOffWarning(HWND dialog) {
    const DisplayOffWarning warning = DecideDisplayOffWarning(ReadDisplayTimeouts());
    if (!warning.warn) return;
    HWND line = GetDlgItem(dialog, IDC_DISPLAY_OFF_WARNING);
    SetWindowTextW(line, DisplayOffLine(Text(TextId::DisplayOffFirst), warning).c_str());
    RECT growth = {0, 0, 0, kWarningGrowth};
    MapDialogRect(dialog, &growth);
    RECT frame = {};
    GetWindowRect(dialog, &frame);
    const int height = frame.bottom - frame.top + growth.bottom;
    // Taller now: moved up where its foot would leave the work area, never past its top.
    int top = frame.top;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor)) {
        if (top + height > monitor.rcWork.bottom) top = monitor.rcWork.bottom - height;
        if (top < monitor.rcWork.top) top = monitor.rcWork.top;
    }
    SetWindowPos(dialog, nullptr, frame.left, top, frame.right - frame.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(line, SW_SHOW);
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
    ShowDisplayOffWarning(dialog);
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
        // Nothing was saved: the old file is still whole, or, in the one case where Windows
        // took it away and the new one could not follow it (ReplaceFileWhole), the new
        // settings wait beside the path under their temporary name. A save that landed by
        // the fallback move returned true. The dialog stays open with the user's choices,
        // says so in the banner's place, and OK tries again: a path left empty is then
        // filled by a plain move.
        GetLogger().Write(L"ConfigDialogProc() - Settings::Save () - FAILED");
        SetDlgItemTextW(dialog, IDC_SAVE_ERROR, Text(TextId::SaveFailed).c_str());
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

// Enter in the preview: the photo to show in its folder once the preview is gone.
std::wstring g_showAfterPreview;

void OpenPreview(HWND dialog) {
    GetConfigDialogState().configDialog = dialog;
    RunState& run = GetRunState();
    run.startFailed.store(0);
    g_showAfterPreview.clear();
    if (DialogBoxParamW(static_cast<HINSTANCE>(run.dialogInstance), MAKEINTRESOURCEW(IDD_PREVIEW_DIALOG), dialog,
                        PreviewDialogProc, 0) == -1)
        GetLogger().Write(L"ConfigDialogProc() - DialogBoxParamW (preview) - FAILED");
    // EndDialog only marks the preview to end: it is destroyed when its loop returns, and the
    // dialog is active again. Explorer opens now, in front, not under the full-screen preview.
    std::wstring shown;
    shown.swap(g_showAfterPreview);
    if (!shown.empty()) ShowInFolder(shown);
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
    case IDC_LEAVE_OUT_FOLDER:
        LeaveOutFolderFromPicker();
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

DisplayStateNotices g_previewDisplayNotices;

// The preview is the saver: it covers the whole virtual desktop, as the /s window does, so
// "Each monitor" and "Span all monitors" show there as they will.
RECT PreviewPlacement() {
    RECT desktop = {};
    if (DesktopPlacement(desktop, FALSE)) return desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    return desktop;
}

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
    for (TextId id : kSchemeTexts)
        SendItem(dialog, IDC_SCHEME_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text(id).c_str()));
    for (const EffectControl& c : kEffectControls) {
        if (c.trackbar) continue;
        const LRESULT selected = SendItem(dialog, c.control, CB_GETCURSEL);
        SendItem(dialog, c.control, CB_RESETCONTENT);
        const SettingRow& row = SettingInfo(c.key);
        const int32_t items = c.values ? c.valueCount : row.maximum - row.minimum + 1;
        for (int32_t item = 0; item < items; ++item) {
            const std::wstring text = c.values && item > 0 ? std::to_wstring(c.values[item]) + L" px"
                                                           : Text(Translate::TextAfter(c.firstItemText, item));
            SendItem(dialog, c.control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        if (selected >= 0) SendItem(dialog, c.control, CB_SETCURSEL, static_cast<WPARAM>(selected));
    }
    SetWindowTextW(dialog, Text(TextId::LumoraTitle).c_str());
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

// "PictureKeys" 1: the preview takes the keys itself (the dialog manager would turn Enter and
// Esc into commands and the arrows into moves between controls) and steers its photos with
// them; Enter ends the preview and shows the photo in its folder, Esc ends it, and other
// keys do nothing, as before.
bool PreviewKeysSteer() { return GetConfigDialogState().previewRunning && PictureKeysSteer(); }

void OnPreviewKey(HWND dialog, WPARAM key, LPARAM lParam) {
    const InputDecision d = DecideSteeringKey(key, (lParam & (LPARAM{1} << 30)) != 0);
    if (d.steer == Steer::Open) {
        g_showAfterPreview = ShownPicturePath();
        EndPreview(dialog, IDOK);
    } else if (d.steer != Steer::None) {
        SteerPictureKeys(d.steer == Steer::Next ? 1 : d.steer == Steer::Previous ? -1 : 0, d.steer == Steer::Pause);
    } else if (key == VK_ESCAPE) {
        EndPreview(dialog, IDCANCEL);
    }
}

INT_PTR PreviewDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETDLGCODE:
        if (!PreviewKeysSteer()) return FALSE;
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, DLGC_WANTALLKEYS);
        return TRUE;
    case WM_KEYDOWN:
        if (!PreviewKeysSteer()) return FALSE;
        OnPreviewKey(dialog, wParam, lParam);
        return TRUE;
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
    case WM_ERASEBKGND:
        return TRUE;  // the render thread paints every pixel
    case WM_PAINT:
        GetRunState().repaintRequested.store(1);  // the error screen draws only when asked
        return FALSE;
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
