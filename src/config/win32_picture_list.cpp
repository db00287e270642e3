// The picture list box of the configuration dialog: its replacement window procedure
// (right-click menu, painting while empty), the Add / Add Folder / Remove / Remove All
// operations, the process-wide open-file dialog and dropped files and folders. After every operation the list box shows
// the first 21 pictures of the settings record again, then the folders left out, so that a
// Remove takes out the entry the user sees (ListRowAt).
#include <windows.h>
#include <commdlg.h>
#include <cderr.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <algorithm>
#include <vector>

#include "resources/resource_ids.h"
#include "config/picture_files.h"
#include "platform/long_path.h"
#include "platform/picture_extensions.h"
#include "settings/settings.h"
#include "settings/text_storage.h"
#include "config/server_credentials.h"
#include "config/win32_config_dialog.h"
#include "config/win32_server_dialog.h"
#include "resources/logger.h"

namespace WorkSpace {

namespace {

// The open-file dialog description and its buffers, kept for the whole process so that the
// next use starts where the last one left (the folder of a multiple selection, the last
// name in the name field).
struct PictureFileDialog {
    // Large enough for hundreds of files chosen at once; a selection that still does not
    // fit is reported by the dialog (FNERR_BUFFERTOOSMALL) instead of being cut.
    static constexpr DWORD kFileChars = 65536;
    static constexpr DWORD kFolderChars = 1024;
    std::vector<wchar_t> filter;  // sized by FillDescription
    std::vector<wchar_t> file = std::vector<wchar_t>(kFileChars, L'\0');
    std::vector<wchar_t> folder = std::vector<wchar_t>(kFolderChars, L'\0');
    std::vector<wchar_t> title = std::vector<wchar_t>(256, L'\0');
    std::vector<wchar_t> extension = std::vector<wchar_t>(64, L'\0');
    OPENFILENAMEW description = {};
};

PictureFileDialog& GetPictureFileDialog() {
    static PictureFileDialog dialog;
    return dialog;
}

// Built during static initialisation, like the rest of the process-wide state, so the
// buffers exist before the first dialog opens.
const PictureFileDialog& g_pictureFileDialog = GetPictureFileDialog();

const wchar_t kFilterName[] = L"Image Files";

// "*.bmp;*.dib;..." from every extension this machine decodes, codecs from the Store included.
std::wstring FilterPattern() {
    std::wstring pattern;
    for (const std::wstring& extension : Platform::PictureExtensions()) {
        if (!pattern.empty()) pattern += L';';
        pattern += L'*' + extension;
    }
    return pattern;
}

HWND ConfigDialog() { return GetConfigDialogState().configDialog; }
HWND PictureList() { return GetDlgItem(ConfigDialog(), IDC_PICTURE_LIST); }
Settings& Record() { return GetSettings(); }

void InvalidateListAndDialog() {
    InvalidateRect(PictureList(), nullptr, TRUE);
    InvalidateRect(ConfigDialog(), nullptr, TRUE);
}

void SetShowImagesMark(bool checked) {
    // Only the mark: the value "ShowImages" follows the user's own clicks alone.
    SendDlgItemMessageW(ConfigDialog(), IDC_SHOW_IMAGES, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void FillDescription(PictureFileDialog& d) {
    // Name and pattern, each ending in its NUL, and one more NUL to end the list.
    const std::wstring pattern = FilterPattern();
    d.filter.assign(std::size(kFilterName) + pattern.size() + 2, L'\0');
    std::copy(std::begin(kFilterName), std::end(kFilterName), d.filter.begin());
    std::copy(pattern.begin(), pattern.end(), d.filter.begin() + std::size(kFilterName));

    OPENFILENAMEW& o = d.description;
    o = OPENFILENAMEW{};
    // The size without the fields Windows 2000 added: the classic dialog layout.
    o.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    o.hwndOwner = ConfigDialog();
    o.hInstance = GetModuleHandleW(nullptr);
    o.lpstrFilter = d.filter.data();
    o.lpstrFile = d.file.data();
    o.nMaxFile = PictureFileDialog::kFileChars;
    o.lpstrInitialDir = d.folder.data();
    o.lpstrTitle = d.title[0] ? d.title.data() : nullptr;
    o.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT;
    o.lpstrDefExt = d.extension[0] ? d.extension.data() : nullptr;

    // The name field starts with the first name the last use left. Everything after it is
    // cleared: a single selection is written back with one NUL only, and the names of an
    // earlier, longer selection behind it would be read as part of this one.
    const auto end = std::find(d.file.begin(), d.file.end() - 1, L'\0');
    std::fill(end, d.file.end(), L'\0');
}

}  // namespace

void FillPictureList(HWND list) {
    if (!list) return;
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::wstring& picture : Record().pictures) {
        if (!ListHasRoomForEntry(static_cast<size_t>(SendMessageW(list, LB_GETCOUNT, 0, 0)))) break;
        AddListEntry(list, picture);
    }
    const std::wstring format = Translate::TextStorage::Instance().GetText(Translate::TextId::LeftOutEntry);
    for (const std::wstring& folder : Record().leftOutFolders) {
        const std::wstring text = LeftOutEntryText(format, folder);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

void AddListEntry(HWND list, const std::wstring& path) {
    if (!list) return;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (count < 0 || !ListHasRoomForEntry(static_cast<size_t>(count))) return;
    const std::wstring text = ServerEntryText(path);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void AddPicturesFromFileDialog() {
    InvalidateListAndDialog();
    PictureFileDialog& d = GetPictureFileDialog();
    FillDescription(d);
    if (GetOpenFileNameW(&d.description)) {
        const SelectedFiles files = SplitSelectedFiles(d.file.data(), d.file.size());
        if (!files.complete) {
            // Some dialogs fill the buffer to the brim instead of reporting that it is too
            // small. Part of a selection would be a surprise; none of it, as when the dialog
            // does report it, tells the user to choose fewer files.
            GetLogger().Write(L"AddPicturesFromFileDialog() - GetOpenFileNameW () - selection too long, cut at %u characters - FAILED",
                              static_cast<unsigned>(d.file.size()));
            d.file[0] = L'\0';
        } else {
            if (!files.folder.empty() && files.folder.size() < PictureFileDialog::kFolderChars) {
                std::fill(d.folder.begin(), d.folder.end(), L'\0');
                std::copy(files.folder.begin(), files.folder.end(), d.folder.begin());
            }
            HWND list = PictureList();
            for (const std::wstring& path : files.paths) Record().AddPicture(path);
            FillPictureList(list);
            if (SendMessageW(list, LB_GETCOUNT, 0, 0) > 0) SetShowImagesMark(true);
        }
    } else {
        const DWORD error = CommDlgExtendedError();
        // Cancel gives 0. A selection longer than even this buffer adds nothing, and says so.
        if (error == FNERR_BUFFERTOOSMALL)
            GetLogger().Write(L"AddPicturesFromFileDialog() - GetOpenFileNameW () - selection too long (%u characters) - FAILED",
                              static_cast<unsigned>(*reinterpret_cast<const WORD*>(d.file.data())));
        else if (error != 0)
            GetLogger().Write(L"AddPicturesFromFileDialog() - GetOpenFileNameW () - error 0x%04X - FAILED",
                              static_cast<unsigned>(error));
        // The dialog may have written a size or a partial name into the buffer; the name
        // field of the next use starts empty instead.
        if (error == FNERR_BUFFERTOOSMALL) d.file[0] = L'\0';
    }
    InvalidateListAndDialog();
}

namespace {
// The system's folder picker; false when cancelled or it failed (logged).
bool PickFolder(const wchar_t* caller, std::wstring& entry) {
    // The picker is a COM object: this thread gets an apartment for it unless it has one.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    IFileOpenDialog* picker = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&picker));
    if (SUCCEEDED(hr)) {
        DWORD options = 0;
        picker->GetOptions(&options);
        picker->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
        hr = picker->Show(ConfigDialog());
        IShellItem* item = nullptr;
        if (SUCCEEDED(hr)) hr = picker->GetResult(&item);
        PWSTR folder = nullptr;
        if (SUCCEEDED(hr)) hr = item->GetDisplayName(SIGDN_FILESYSPATH, &folder);
        if (SUCCEEDED(hr) && folder) entry = FolderEntry(folder);
        if (folder) CoTaskMemFree(folder);
        if (item) item->Release();
        picker->Release();
    }
    // Cancel is not a failure.
    if (FAILED(hr) && hr != HRESULT_FROM_WIN32(ERROR_CANCELLED))
        GetLogger().Write(L"%ls - IFileOpenDialog - error 0x%08X - FAILED", caller, static_cast<unsigned>(hr));
    if (SUCCEEDED(com)) CoUninitialize();
    return SUCCEEDED(hr) && !entry.empty();
}
}  // namespace

void AddFolderFromPicker() {
    std::wstring entry;
    if (PickFolder(L"AddFolderFromPicker()", entry)) {
        Record().AddPicture(entry);
        FillPictureList(PictureList());
        SetShowImagesMark(true);
    }
    InvalidateListAndDialog();
}

void LeaveOutFolderFromPicker() {
    std::wstring entry;
    if (PickFolder(L"LeaveOutFolderFromPicker()", entry)) {
        Record().leftOutFolders.push_back(entry);
        FillPictureList(PictureList());
    }
    InvalidateListAndDialog();
}

void RemoveSelectedPicture() {
    HWND list = PictureList();
    const int selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
    const ListRow row = ListRowAt(selected, Record().pictures.size(), Record().leftOutFolders.size());
    if (row.valid) {
        if (row.leftOut)
            Record().leftOutFolders.erase(Record().leftOutFolders.begin() + static_cast<std::ptrdiff_t>(row.index));
        else
            Record().RemovePictureAt(static_cast<int32_t>(row.index));
        // The picture after the 21st moves up into view.
        FillPictureList(list);
    }
    const int remaining = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    const int next = SelectionAfterRemoval(selected < 0 ? -1 : selected, remaining);
    if (next >= 0) SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(next), 0);
    // Folders left out show nothing by themselves.
    if (Record().pictures.empty()) SetShowImagesMark(false);
}

bool SelectedServerEntry(HWND list, std::wstring* entry) {
    const int selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
    const ListRow row = ListRowAt(selected, Record().pictures.size(), Record().leftOutFolders.size());
    if (!row.valid || row.leftOut || !IsServerEntry(Record().pictures[row.index])) return false;
    if (entry) *entry = Record().pictures[row.index];
    return true;
}

void EditSelectedServerEntry() {
    std::wstring entry;
    if (SelectedServerEntry(PictureList(), &entry)) EditServerEntry(entry);
}

void RemoveAllPictures() {
    SendMessageW(PictureList(), LB_RESETCONTENT, 0, 0);
    Record().ClearPictures();
    Record().leftOutFolders.clear();
    SetShowImagesMark(false);
}

void AddDroppedFiles(HDROP drop) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        if (length == 0) continue;
        std::vector<wchar_t> name(length + 1, L'\0');
        if (DragQueryFileW(drop, i, name.data(), length + 1) == 0) continue;
        std::wstring path(name.data());
        // A folder becomes a folder entry, even one whose name happens to end in ".jpg".
        const DWORD attributes = GetFileAttributesW(Platform::LongPathForm(path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (path.back() != L'\\') path += L'\\';
        } else if (!IsPictureFileName(path)) {
            continue;
        }
        Record().AddPicture(path);
    }
    DragFinish(drop);
    FillPictureList(PictureList());
    InvalidateListAndDialog();
}

namespace {
void PictureListMessage(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT && SendMessageW(list, LB_GETCOUNT, 0, 0) == 0) {
        PaintEmptyPictureList(list);
        // The list box's own painting that follows finds nothing left to paint.
        ValidateRect(list, nullptr);
    } else if (message == WM_RBUTTONDOWN) {
        // The entry under the mouse becomes the selection before the menu opens. The button
        // is let go again at once, so the list box does not go on tracking the mouse.
        SendMessageW(list, WM_LBUTTONDOWN, wParam, lParam);
        SendMessageW(list, WM_LBUTTONUP, wParam, lParam);
        POINT at = {};
        GetCursorPos(&at);
        HMENU menu = CreatePopupMenu();
        if (menu) {
            const Translate::TextStorage& texts = Translate::TextStorage::Instance();
            AppendMenuW(menu, MF_STRING, IDM_LIST_ADD, texts.GetText(Translate::TextId::Add).c_str());
            AppendMenuW(menu, MF_STRING, IDM_LIST_REMOVE, texts.GetText(Translate::TextId::Remove).c_str());
            AppendMenuW(menu, MF_STRING, IDM_LIST_REMOVE_ALL, texts.GetText(Translate::TextId::RemoveAll).c_str());
            if (SelectedServerEntry(list, nullptr))
                AppendMenuW(menu, MF_STRING, IDM_LIST_EDIT, texts.GetText(Translate::TextId::EditEntry).c_str());
            SetForegroundWindow(list);
            const UINT chosen = static_cast<UINT>(
                TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, GetParent(list), nullptr));
            if (chosen == IDM_LIST_ADD) AddPicturesFromFileDialog();
            else if (chosen == IDM_LIST_REMOVE) RemoveSelectedPicture();
            else if (chosen == IDM_LIST_REMOVE_ALL) RemoveAllPictures();
            else if (chosen == IDM_LIST_EDIT) EditSelectedServerEntry();
            DestroyMenu(menu);
            InvalidateListAndDialog();
        }
    }
}
}  // namespace

LRESULT CALLBACK PictureListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC previous = GetConfigDialogState().previousListProc;
    // Called back from the kernel: no C++ exception may try to cross this boundary.
    try {
        PictureListMessage(list, message, wParam, lParam);
    } catch (...) {
        GetLogger().Write(L"PictureListProc() - message 0x%04X - exception - FAILED", message);
    }
    return previous ? CallWindowProcW(previous, list, message, wParam, lParam) : DefWindowProcW(list, message, wParam, lParam);
}

}  // namespace WorkSpace
