// Folder listing through FindFirstFileExW: the basic information only, fetched in large
// blocks, which is what a share over the network answers fastest. A folder's identity is
// its volume's serial number and its 128-bit file ID, read from a handle that opens no data
// and stays open while the folder's subtree is walked.
#include "platform/folder_listing.h"

#include <windows.h>

#include <cstring>

#include "platform/long_path.h"

namespace WorkSpace {
namespace Platform {

namespace {
// FILE_ID_INFO and its class, newer than the Windows version the headers are set for.
struct FileIdInfo {
    ULONGLONG volume;
    BYTE id[16];
};
const FILE_INFO_BY_HANDLE_CLASS kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);

void Describe(const WIN32_FIND_DATAW& data, FolderItem& item) {
    item.name = data.cFileName;
    DescribeWindowsItem(data.dwFileAttributes, data.dwReserved0, item);
}

// Opens the folder and reads its identity; the handle is given back to be held (or null).
HANDLE Identify(const std::wstring& folder, FolderId& id) {
    id = FolderId();
    // Backup semantics open a folder; no access to its data is asked for, so nothing of it
    // is fetched.
    const HANDLE handle = CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    // The 128-bit ID is unique on ReFS too, where the 64-bit index is not.
    FileIdInfo info128;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandleEx(handle, kFileIdInfo, &info128, sizeof info128)) {
        uint64_t half[2] = {0, 0};
        memcpy(half, info128.id, sizeof half);
        id.volume = info128.volume;
        id.low = half[0];
        id.high = half[1];
        id.known = (half[0] | half[1]) != 0;
    } else if (GetFileInformationByHandle(handle, &info) && (info.nFileIndexHigh | info.nFileIndexLow) != 0) {
        id.volume = info.dwVolumeSerialNumber;
        id.low = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        id.known = true;
        id.whileOpen = true;
    }
    return handle;
}
}  // namespace

Listing ListFolder(const std::wstring& folder, std::vector<FolderItem>& items, FolderId& id, FolderHold& hold) {
    std::wstring pattern = LongPathForm(folder);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    const HANDLE handle = Identify(pattern, id);
    pattern += L'*';
    WIN32_FIND_DATAW data;
    Listing listing;
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // Not even "." to list: an empty root of a drive.
        if (error != ERROR_FILE_NOT_FOUND) {
            ListingEnd end = WindowsListingFailure(error);
            if (end == ListingEnd::Missing) {
                const std::wstring root = LongPathRoot(pattern);
                end = WindowsListingFailure(
                    error, root.empty() || GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES);
            }
            listing = Listing{end, error};
        }
    } else {
        do {
            if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0) continue;
            FolderItem item;
            Describe(data, item);
            items.push_back(std::move(item));
        } while (FindNextFileW(find, &data));
        // Only this ends a listing that was read to its end; anything else cut it off.
        const DWORD error = GetLastError();
        if (error != ERROR_NO_MORE_FILES) listing = Listing{ListingEnd::Broken, error};
        FindClose(find);
    }
    if (listing.end != ListingEnd::Whole) {
        items.clear();
        if (handle) CloseHandle(handle);
        hold = 0;
    } else {
        hold = reinterpret_cast<FolderHold>(handle);
    }
    return listing;
}

void ReleaseFolder(FolderHold hold) {
    if (hold) CloseHandle(reinterpret_cast<HANDLE>(hold));
}

bool DescribeFile(const std::wstring& path, FolderItem& item) {
    // The folder's own entry for the file: what a listing gives, the reparse tag included.
    WIN32_FIND_DATAW data;
    HANDLE find =
        FindFirstFileExW(LongPathForm(path).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    item = FolderItem();
    Describe(data, item);
    return true;
}

}  // namespace Platform
}  // namespace WorkSpace
