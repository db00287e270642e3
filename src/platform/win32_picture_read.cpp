// Opening a picture file on Windows: the open's error told apart, and the file's attributes
// read from the handle before any of its data, because a listed file may since have become
// a cloud placeholder (Storage Sense frees files at idle, when a saver runs) and its first
// read would download it.
#include "platform/picture_read.h"

#include "platform/long_path.h"

#include <windows.h>

namespace WorkSpace {
namespace Platform {

ReadHandle OpenPictureForReading(const std::wstring& path, uint64_t& size, ReadFailure& why) {
    size = 0;
    // Others may write or replace the file meanwhile (a photo being copied): a reader must
    // not make their step fail.
    const HANDLE file = CreateFileW(LongPathForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = ReadFailureOfWin32Error(GetLastError());
        return kNoReadHandle;
    }
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

}  // namespace Platform
}  // namespace WorkSpace
