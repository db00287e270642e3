// Reading a user's picture file whole for its decoder: why a read failed, told apart, and a
// file whose data is only in the cloud closed before its first read, so it is never fetched.
// The Win32 decisions are pure functions over documented codes, so they are tested off Windows.
#pragma once
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace WorkSpace {
namespace Platform {

enum class ReadFailure { None, Missing, Denied, PathTooLong, TooLarge, CloudOnly, Other };

// The files larger than this are no picture the saver decodes: never read.
constexpr uint64_t kPictureFileLimit = uint64_t(1) << 30;

// CreateFileW's GetLastError for a file that could not be opened, as a kind of failure.
ReadFailure ReadFailureOfWin32Error(uint32_t error);
// A file's attributes, as read from its open handle: true when its data is not on this
// device (a cloud placeholder that Storage Sense may have freed after the folder was listed,
// an offline file), so that reading it would download it.
bool IsCloudOnlyAttributes(uint32_t attributes);

// The picture's bytes; false with `why` when it cannot be had: missing, denied, a path too
// long, larger than `limit`, cloud-only or any other read error.
bool ReadPictureBytes(const std::wstring& path, std::string& bytes, ReadFailure& why,
                      uint64_t limit = kPictureFileLimit);

// ReadPictureBytes's platform half: the file opened for reading, its size (0 when unknown),
// and kNoReadHandle with `why` for a file not to be read. win32_picture_read.cpp and
// posix_picture_read.cpp implement it; ReadSome and CloseReading go on from there.
ReadHandle OpenPictureForReading(const std::wstring& path, uint64_t& size, ReadFailure& why);

}  // namespace Platform
}  // namespace WorkSpace
