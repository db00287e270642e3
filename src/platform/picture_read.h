// Opening a user's picture file for reading: why an open failed, told apart, and a file whose
// data is only in the cloud closed before its first read, so it is never fetched. The local
// folders' picture source reads through it. The Win32 decisions are pure functions over
// documented codes, so they are tested off Windows.
#pragma once
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace WorkSpace {
namespace Platform {

enum class ReadFailure { None, Missing, Denied, PathTooLong, TooLarge, CloudOnly, Other };

// CreateFileW's GetLastError for a file that could not be opened, as a kind of failure.
ReadFailure ReadFailureOfWin32Error(uint32_t error);
// A file's attributes, as read from its open handle: true when its data is not on this
// device (a cloud placeholder that Storage Sense may have freed after the folder was listed,
// an offline file), so that reading it would download it.
bool IsCloudOnlyAttributes(uint32_t attributes);

// The file opened for reading, its size (0 when unknown), and kNoReadHandle with `why` for a
// file not to be read. win32_picture_read.cpp and posix_picture_read.cpp implement it;
// ReadSome and CloseReading go on from there.
ReadHandle OpenPictureForReading(const std::wstring& path, uint64_t& size, ReadFailure& why);
// The next ReadSome of `file` starts `offset` bytes into it (past the end it reads nothing);
// false when the file cannot be moved in.
bool SeekReading(ReadHandle file, uint64_t offset);

}  // namespace Platform
}  // namespace WorkSpace
