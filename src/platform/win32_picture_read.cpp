// Opening a picture file on Windows: the open's error told apart, and the file's attributes
// looked at before any of its data, because a listed file may since have become a cloud
// placeholder (Storage Sense frees files at idle, when a saver runs) and reading it, or for a
// recall-on-open item already opening it, would download it.
#include "platform/picture_read.h"

#include <windows.h>

#include "platform/long_path.h"

namespace WorkSpace {
namespace Platform {

ReadHandle OpenPictureForReading(const std::wstring& path, uint64_t& size, ReadFailure& why) {
    size = 0;
    // The long-path form reaches files deeper than 260 characters: the manifest's long-path
    // awareness counts only where the system's own switch for it is on.
    const std::wstring name = LongPathForm(path);
    // Recall-on-open is reported only by a directory listing, never through an open handle,
    // and the open itself would fetch the file: the entry is looked up first, as listed.
    WIN32_FIND_DATAW listed;
    const HANDLE find = FindFirstFileExW(name.c_str(), FindExInfoBasic, &listed, FindExSearchNameMatch, nullptr, 0);
    if (find != INVALID_HANDLE_VALUE) {
        FindClose(find);
        if (IsCloudOnlyAttributes(listed.dwFileAttributes)) {
            why = ReadFailure::CloudOnly;
            return kNoReadHandle;
        }
    }
    // Others may write or replace the file meanwhile (a photo being copied): a reader must
    // not make their step fail.
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = ReadFailureOfWin32Error(GetLastError());
        return kNoReadHandle;
    }
    // Freed between the look-up and the open: the handle tells offline and recall on data
    // access, and nothing has been read yet.
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(file, &info)) {
        if (IsCloudOnlyAttributes(info.dwFileAttributes)) {
            CloseHandle(file);
            why = ReadFailure::CloudOnly;
            return kNoReadHandle;
        }
        size = (uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    }
    why = ReadFailure::None;
    return reinterpret_cast<ReadHandle>(file);
}

bool SeekReading(ReadHandle file, uint64_t offset) {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(reinterpret_cast<HANDLE>(file), to, nullptr, FILE_BEGIN) != 0;
}

}  // namespace Platform
}  // namespace WorkSpace
