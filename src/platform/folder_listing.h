// What the picture library asks of the file system: the items of one folder with their
// attributes. posix_folder_listing.cpp and win32_folder_listing.cpp implement it.
#pragma once
#include <string>
#include <vector>

namespace WorkSpace {
namespace Platform {

struct FolderItem {
    std::wstring name;     // the bare name, without its folder
    bool folder = false;
    bool hidden = false;   // hidden or system on Windows; a name starting with a dot on Linux
};

// The items of `folder` (a path ending with a separator), "." and ".." left out, in the
// order the file system gives them. False when the folder cannot be listed.
bool ListFolder(const std::wstring& folder, std::vector<FolderItem>& items);

}  // namespace Platform
}  // namespace WorkSpace
