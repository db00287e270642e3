// What the picture library asks of the file system: the items of one folder with their
// attributes, the folder's own identity, and one file's attributes.
// posix_folder_listing.cpp and win32_folder_listing.cpp implement it; folder_listing.cpp
// holds the Windows rules that need no Windows to be tested.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace WorkSpace {
namespace Platform {

struct FolderItem {
    std::wstring name;     // the bare name, without its folder
    bool folder = false;
    bool hidden = false;   // hidden on Windows (system alone is shown); a name starting with a dot on Linux
    // Its data is not on this device (a cloud placeholder of Files On-Demand, an offline
    // file): opening it would download it. Never on Linux.
    bool cloudOnly = false;
    bool link = false;     // a symbolic link or a junction
};

// Which folder a path leads to, whatever links lie on the way: the volume and the 128-bit
// file ID on Windows, the device and the inode elsewhere.
struct FolderId {
    uint64_t volume = 0, high = 0, low = 0;
    bool known = false;
    // Only the 64-bit file index was to be had: on ReFS it is not unique, and on redirected
    // shares another folder may get it once this one's handle is closed. Such an ID tells
    // folders apart only while both are open.
    bool whileOpen = false;
    bool operator<(const FolderId& other) const {
        if (volume != other.volume) return volume < other.volume;
        return high != other.high ? high < other.high : low < other.low;
    }
    bool operator==(const FolderId& other) const {
        return volume == other.volume && high == other.high && low == other.low;
    }
};

// How a listing ended.
enum class ListingEnd : uint8_t {
    Whole,    // every item was read (an empty folder too)
    Missing,  // the folder is not there: nothing to tell
    Refused,  // it cannot be read, and will not be next time (no access, a path too long)
    Broken,   // it could not be read whole this time (a share that dropped, a drive not ready)
};
struct Listing {
    ListingEnd end = ListingEnd::Whole;
    uint32_t error = 0;  // the system's error code, when not whole
};

// An open handle to a listed folder, which keeps its identity its own (0: none). It is
// given back with ReleaseFolder.
using FolderHold = uintptr_t;

// The items of `folder` (a path ending with a separator), "." and ".." left out, in the
// order the file system gives them, and the folder's identity (`id.known` false when the
// file system cannot tell). Items only for a whole listing: one that failed half-way gives
// none. `hold` keeps the folder open until it is released.
Listing ListFolder(const std::wstring& folder, std::vector<FolderItem>& items, FolderId& id, FolderHold& hold);
void ReleaseFolder(FolderHold hold);
// The attributes of the file at `path`, as its folder's listing gives them, without opening
// it. False when it cannot be found.
bool DescribeFile(const std::wstring& path, FolderItem& item);

// Windows' rules, by the documented values:
// an item from its attributes and reparse tag as a listing gives them;
void DescribeWindowsItem(uint32_t attributes, uint32_t reparseTag, FolderItem& item);
// what a listing that failed with `error` (a Win32 error code) means for the walk;
// `volumePresent` false when the root of the folder's drive or share cannot be read either.
ListingEnd WindowsListingFailure(uint32_t error, bool volumePresent = true);

}  // namespace Platform
}  // namespace WorkSpace
