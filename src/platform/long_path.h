// The form of a path that Win32 file calls take at any length: "\\?\C:\..." and
// "\\?\UNC\server\share\...". Portable, so that its rules are tested everywhere;
// win32_folder_listing.cpp and win32_platform.cpp pass every absolute path through it.
#pragma once
#include <string>

namespace WorkSpace {
namespace Platform {

// `path` with the long-path prefix, when it is absolute (a drive's "C:\..." or a share's
// "\\server\share\..."). The prefix switches Windows' own clean-up off, so it is done here:
// slashes become backslashes, doubled separators one, "." segments go and ".." takes the
// segment before it (never the drive or the share), a segment's single trailing period goes
// and, unless the path ends with a separator, so do all periods and spaces at its end
// ("File path formats": Win32 trims plain paths so). A trailing separator stays. Relative
// paths ("photo.jpg", "C:photo.jpg", "\photo.jpg") and paths that already have a prefix
// ("\\?\", "\\.\") are given back as they are.
std::wstring LongPathForm(const std::wstring& path);
// The root of the volume a long-path form lies on: "\\?\C:\" or "\\?\UNC\server\share\";
// empty for any other form.
std::wstring LongPathRoot(const std::wstring& form);

}  // namespace Platform
}  // namespace WorkSpace
