// What the picture library asks of the file system: the items of one folder with their
// attributes, the folder's own identity, and one file's attributes.
// posix_folder_listing.cpp and win32_folder_listing.cpp implement it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace WorkSpace {
namespace Platform {

struct FolderItem {
    std::wstring name;     // the bare name, without its folder
    bool folder = false;
    bool hidden = false;   // hidden or system on Windows; a name starting with a dot on Linux
    // Its data is not on this device (a cloud placeholder of Files On-Demand, an offline
    // file): opening it would download it. Never on Linux.
    bool cloudOnly = false;
    bool link = false;     // a symbolic link or a junction
};

// Which folder a path leads to, whatever links lie on the way: the volume and the file ID
// on Windows, the device and the inode elsewhere.
struct FolderId {
    uint64_t volume = 0, high = 0, low = 0;
    bool known = false;
    bool operator<(const FolderId& other) const {
        if (volume != other.volume) return volume < other.volume;
        return high != other.high ? high < other.high : low < other.low;
    }
};

// The items of `folder` (a path ending with a separator), "." and ".." left out, in the
// order the file system gives them, and the folder's identity (`id.known` false when the
// file system cannot tell). False when the folder cannot be listed.
bool ListFolder(const std::wstring& folder, std::vector<FolderItem>& items, FolderId& id);
// The attributes of the file at `path`, as its folder's listing gives them, without opening
// it. False when it cannot be found.
bool DescribeFile(const std::wstring& path, FolderItem& item);

}  // namespace Platform
}  // namespace WorkSpace
