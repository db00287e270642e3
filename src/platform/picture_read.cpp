// The portable part of opening a picture file: the Win32 codes and attributes as kinds of
// failure (numbers from Microsoft's documentation; MinGW's headers lack the newer ones).
#include "platform/picture_read.h"

namespace WorkSpace {
namespace Platform {

namespace {
constexpr uint32_t kErrorFileNotFound = 2, kErrorPathNotFound = 3, kErrorAccessDenied = 5;
constexpr uint32_t kErrorInvalidDrive = 15, kErrorInvalidName = 123, kErrorBadPathname = 161;
constexpr uint32_t kErrorFilenameExcedRange = 206;
constexpr uint32_t kErrorDirectory = 267;  // ERROR_DIRECTORY: a folder name where a file was wanted
constexpr uint32_t kErrorCloudFileProviderNotRunning = 362, kErrorCloudFileAccessDenied = 395;
constexpr uint32_t kAttributeOffline = 0x1000, kAttributeRecallOnOpen = 0x40000;
constexpr uint32_t kAttributeRecallOnDataAccess = 0x400000;
}  // namespace

ReadFailure ReadFailureOfWin32Error(uint32_t error) {
    switch (error) {
        case kErrorFileNotFound:
        case kErrorPathNotFound:
        case kErrorInvalidDrive:
        case kErrorInvalidName:  // a name no Windows file can have: the listing says missing too
        case kErrorBadPathname:
        case kErrorDirectory:
            return ReadFailure::Missing;
        case kErrorAccessDenied:
            return ReadFailure::Denied;
        case kErrorFilenameExcedRange:
            return ReadFailure::PathTooLong;
        // The sync client is not there to hand out the data, or will not to this program.
        case kErrorCloudFileProviderNotRunning:
        case kErrorCloudFileAccessDenied:
            return ReadFailure::CloudOnly;
        default:  // sharing and lock violations, a share gone away, a drive not ready
            return ReadFailure::Other;
    }
}

bool IsCloudOnlyAttributes(uint32_t attributes) {
    // PINNED and UNPINNED only say what the user asked for; the data's place is in these.
    return (attributes & (kAttributeOffline | kAttributeRecallOnOpen | kAttributeRecallOnDataAccess)) != 0;
}

}  // namespace Platform
}  // namespace WorkSpace
