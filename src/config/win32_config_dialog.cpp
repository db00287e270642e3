// The configuration dialog (IDD_CONFIG_DIALOG): its controls' texts, the Effect and Photos
// choices and the settings they edit, the display-off warning, OK and Cancel. The dialog
// edits the settings record in memory and writes it only on OK; its Preview button opens the
// full-screen preview (win32_preview_dialog.cpp).
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <thread>

#include "app/run_state.h"
#include "app/workspace.h"
#include "resources/resource_ids.h"
#include "config/display_timeouts.h"
#include "settings/settings.h"
#include "settings/text_storage.h"
#include "config/win32_config_dialog.h"
#include "config/win32_server_dialog.h"
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
    {IDC_ADD_SERVER_FOLDER, TextId::AddServerFolder},
    {IDC_VIDEOS_LABEL, TextId::Videos},
    {IDC_CLIP_LENGTH_LABEL, TextId::MaxVideoSeconds},
    {IDC_SERVER_CACHE_LABEL, TextId::ServerCache},
};
// The item index is the scheme index.
const TextId kSchemeTexts[] = {TextId::SchemeFlame, TextId::SchemeIce, TextId::SchemeSmoke, TextId::SchemeCheerful};

// The shortest sides a photo may be asked to have; 0 takes any.
const int32_t kMinPictureSizes[] = {0, 800, 1200, 2000};
// The longest a clip plays, in seconds; 0 plays it whole.
const int32_t kClipLengths[] = {0, 15, 30, 60};
// The server photos' cache bounds, in MB.
const int32_t kServerCacheSizes[] = {256, 512, 1024, 2048, 4096, 8192};

// How a combo box with a list of values names its items past item 0, which always has its text.
enum class ItemNames : uint8_t {
    Texts,      // each its own text, following item 0's
    Pixels,     // "800 px"
    Megabytes,  // "%1 MB" below a gigabyte, else "%1 GB"; item 0 too
};

// The Effect and Photos groups' controls and the settings they edit. A combo box lists its
// setting's values from the minimum up, one text each, in the table's order; or, with
// `values`, those values, named as `names` says.
struct EffectControl {
    int control;
    SettingKey key;
    bool trackbar;
    TextId firstItemText;  // combo boxes: the text of item 0, the others follow it; trackbars: none
    const int32_t* values = nullptr;
    int32_t valueCount = 0;
    ItemNames names = ItemNames::Texts;
};
template <size_t N>
constexpr int32_t CountOf(const int32_t (&)[N]) { return static_cast<int32_t>(N); }
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
     CountOf(kMinPictureSizes), ItemNames::Pixels},
    {IDC_MEMORIES_COMBO, SettingKey::Memories, false, TextId::MemoriesOff},
    {IDC_CLOCK_COMBO, SettingKey::Clock, false, TextId::ClockOff},
    {IDC_VIDEOS_COMBO, SettingKey::Videos, false, TextId::VideosOff},
    {IDC_CLIP_LENGTH_COMBO, SettingKey::MaxVideoSeconds, false, TextId::ClipWhole, kClipLengths,
     CountOf(kClipLengths)},
    {IDC_SERVER_CACHE_COMBO, SettingKey::ServerCacheMB, false, TextId{}, kServerCacheSizes,
     CountOf(kServerCacheSizes), ItemNames::Megabytes},
};

// The combo item that shows `value`: with a list of values, the largest not above it.
WPARAM ComboItemOf(const EffectControl& c, int32_t value) {
    if (!c.values) return static_cast<WPARAM>(value - SettingInfo(c.key).minimum);
    int32_t item = 0;
    for (int32_t i = 0; i < c.valueCount; ++i)
        if (c.values[i] <= value) item = i;
    return static_cast<WPARAM>(item);
}

std::wstring Text(TextId id) { return Translate::TextStorage::Instance().GetText(id); }

std::wstring ComboItemText(const EffectControl& c, int32_t item) {
    if (c.names == ItemNames::Pixels && item > 0) return std::to_wstring(c.values[item]) + L" px";
    if (c.names != ItemNames::Megabytes) return Text(Translate::TextAfter(c.firstItemText, item));
    const int32_t mb = c.values[item];
    std::wstring text = Text(mb < 1024 ? TextId::MegabytesN : TextId::GigabytesN);
    const size_t at = text.find(L"%1");
    const std::wstring number = std::to_wstring(mb < 1024 ? mb : mb / 1024);
    return at == std::wstring::npos ? number + L" " + text : text.replace(at, 2, number);
}

int32_t ComboValueOf(const EffectControl& c, LRESULT item) {
    if (!c.values) return static_cast<int32_t>(item) + SettingInfo(c.key).minimum;
    return item < c.valueCount ? c.values[item] : c.values[0];
}
const int kSchemeCount = 4;


LRESULT SendItem(HWND dialog, int control, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageW(dialog, control, message, wParam, lParam);
}

// Trackbar positions and combo box selections, as the settings table's ranges allow them.
void ShowEffectChoices(HWND dialog, const Settings& settings) {
    for (const EffectControl& c : kEffectControls) {
        const LRESULT value = settings.GetClamped(c.key);
        if (c.trackbar) SendItem(dialog, c.control, TBM_SETPOS, TRUE, value);
        else SendItem(dialog, c.control, CB_SETCURSEL, ComboItemOf(c, static_cast<int32_t>(value)));
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
    BeginServerCredentialEdits(settings.pictures);

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

// A save's own message back to the dialog: wParam is whether it saved.
const UINT kSaveDone = WM_APP + 39;

// The save's retries wait up to seconds on a file another program holds; they run on a
// worker while the dialog, disabled, goes on painting and answering, and no second OK or
// Cancel is taken meanwhile.
struct DialogSave {
    std::thread worker;
    bool running = false;
};
DialogSave& GetDialogSave() {
    static DialogSave save;
    return save;
}

void OnOk(HWND dialog) {
    DialogSave& save = GetDialogSave();
    if (save.running) return;
    Settings& settings = GetSettings();
    settings.Set(SettingKey::SelectLumoraEffect, SelectedScheme(dialog));
    TakeEffectChoices(dialog, settings);
    // GetSettingsPath decides once where the file lives (beside the program, or the user's
    // own folder when that one cannot be written), so the load at start and this save meet
    // the same file.
    const std::wstring path = GetSettingsPath();
    save.running = true;
    EnableWindow(dialog, FALSE);
    save.worker = std::thread([dialog, path, record = settings]() {
        PostMessageW(dialog, kSaveDone, record.Save(path) ? TRUE : FALSE, 0);
    });
}

void OnSaveDone(HWND dialog, bool saved) {
    DialogSave& save = GetDialogSave();
    if (save.worker.joinable()) save.worker.join();
    save.running = false;
    EnableWindow(dialog, TRUE);
    const std::wstring path = GetSettingsPath();
    if (!saved) {
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
        SetFocus(GetDlgItem(dialog, IDOK));
        return;
    }
    // Server folders' credentials follow the list that was saved; Cancel never gets here.
    CommitServerCredentials(GetSettings().pictures);
    // Read back what was written, so the record is exactly what the next start will see.
    LoadScene(path, SceneBuild::SettingsOnly, PictureTextures::Load);
    EndDialog(dialog, TRUE);
}

void OnShowImagesClicked(HWND dialog) {
    const LRESULT check = SendItem(dialog, IDC_SHOW_IMAGES, BM_GETCHECK);
    if (check == BST_CHECKED) GetSettings().Set(SettingKey::ShowImages, 1);
    if (check == BST_UNCHECKED) GetSettings().Set(SettingKey::ShowImages, 0);
}

BOOL OnCommand(HWND dialog, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOk(dialog);
        return TRUE;
    case IDCANCEL:  // also Esc and the close box; nothing is written
        if (!GetDialogSave().running) EndDialog(dialog, FALSE);
        return TRUE;
    case IDC_ADD_PICTURES:
        AddPicturesFromFileDialog();
        return FALSE;
    case IDC_ADD_FOLDER:
        AddFolderFromPicker();
        return FALSE;
    case IDC_ADD_SERVER_FOLDER:
        AddServerFolderFromDialog();
        return FALSE;
    case IDC_PICTURE_LIST:
        if (HIWORD(wParam) == LBN_DBLCLK) EditSelectedServerEntry();
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

}  // namespace

int SelectedScheme(HWND dialog) { return static_cast<int>(SendItem(dialog, IDC_SCHEME_COMBO, CB_GETCURSEL)); }

// A value that the file held outside its range is stored as the control shows it.
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
            const std::wstring text = ComboItemText(c, item);
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
    case kSaveDone:
        OnSaveDone(dialog, wParam != FALSE);
        return TRUE;
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
