// Folder listing through FindFirstFileExW: the basic information only, fetched in large
// blocks, which is what a share over the network answers fastest. A folder's identity is
// its volume's serial number and its file ID, read from a handle that opens no data.
#include "platform/folder_listing.h"

#include <windows.h>

namespace WorkSpace {
namespace Platform {

namespace {
// Newer than MinGW's headers: a placeholder whose data (or, for a folder, whose listing)
// is fetched from the cloud when it is opened.
constexpr DWORD kRecallOnOpen = 0x00040000;
constexpr DWORD kRecallOnDataAccess = 0x00400000;

void Describe(const WIN32_FIND_DATAW& data, FolderItem& item) {
    const DWORD attributes = data.dwFileAttributes;
    item.name = data.cFileName;
    item.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.hidden = (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
    item.cloudOnly = (attributes & (FILE_ATTRIBUTE_OFFLINE | kRecallOnOpen | kRecallOnDataAccess)) != 0;
    // The cloud's placeholders are reparse points too; only links and junctions lead elsewhere.
    item.link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK || data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
}

void Identify(const std::wstring& folder, FolderId& id) {
    id = FolderId();
    // Backup semantics open a folder; no access to its data is asked for, so nothing of it
    // is fetched.
    const HANDLE handle = CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(handle, &info) && (info.nFileIndexHigh | info.nFileIndexLow) != 0) {
        id.volume = info.dwVolumeSerialNumber;
        id.high = info.nFileIndexHigh;
        id.low = info.nFileIndexLow;
        id.known = true;
    }
    CloseHandle(handle);
}
}  // namespace

bool ListFolder(const std::wstring& folder, std::vector<FolderItem>& items, FolderId& id) {
    std::wstring pattern = folder;
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    Identify(pattern, id);
    pattern += L'*';
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0) continue;
        FolderItem item;
        Describe(data, item);
        items.push_back(std::move(item));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

bool DescribeFile(const std::wstring& path, FolderItem& item) {
    // The folder's own entry for the file: what a listing gives, the reparse tag included.
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    item = FolderItem();
    Describe(data, item);
    return true;
}

}  // namespace Platform
}  // namespace WorkSpace
