// The pictures on this machine's own drives and shares, reached by path: the first picture
// source, portable, over the platform's folder listing, stamps and picture reads.
#pragma once
#include "sources/picture_source.h"

namespace WorkSpace {

// The process's one local source; it keeps no state, so every thread may use it at once.
PictureSource& LocalFolders();

// A local path as NTFS compares names: ordinal, without case (each UTF-16 unit upper-cased by
// the invariant table), the long-path prefix dropped and every slash a backslash, so that
// "\\?\C:\a.JPG" and "c:/A.jpg" are one key. Folders and files alike (no separator added).
std::wstring LocalPathKey(const std::wstring& path);

}  // namespace WorkSpace
