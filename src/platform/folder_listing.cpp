// The Windows side of folder listing that is only a rule over documented numbers: which
// items are shown, which are in the cloud, and what a failed listing means. Kept apart
// from the calls so that it is tested on every platform.
#include "platform/folder_listing.h"

namespace WorkSpace {
namespace Platform {

namespace {
// FILE_ATTRIBUTE_* and IO_REPARSE_TAG_* as winnt.h defines them.
constexpr uint32_t kHidden = 0x2;
constexpr uint32_t kDirectory = 0x10;
constexpr uint32_t kReparsePoint = 0x400;
constexpr uint32_t kOffline = 0x1000;
constexpr uint32_t kRecallOnOpen = 0x40000;
constexpr uint32_t kRecallOnDataAccess = 0x400000;
constexpr uint32_t kTagMountPoint = 0xA0000003;
constexpr uint32_t kTagSymlink = 0xA000000C;
}  // namespace

void DescribeWindowsItem(uint32_t attributes, uint32_t reparseTag, FolderItem& item) {
    item.folder = (attributes & kDirectory) != 0;
    // Explorer hides hidden items, protected system files among them; a file that is only
    // marked system is shown.
    item.hidden = (attributes & kHidden) != 0;
    // On a folder, recall-on-data-access means that some of what it holds is not on this
    // device; the folder's own listing is local and its local files can be shown. On a file
    // it means its data is fetched when read. Recall-on-open and offline mean the item
    // itself (for a folder, its listing) is fetched when opened.
    const uint32_t cloud = item.folder ? (kOffline | kRecallOnOpen) : (kOffline | kRecallOnOpen | kRecallOnDataAccess);
    item.cloudOnly = (attributes & cloud) != 0;
    // The cloud's placeholders are reparse points too; only links and junctions lead elsewhere.
    item.link = (attributes & kReparsePoint) != 0 && (reparseTag == kTagSymlink || reparseTag == kTagMountPoint);
}

ListingEnd WindowsListingFailure(uint32_t error, bool volumePresent) {
    switch (error) {
        case 2:    // ERROR_FILE_NOT_FOUND
        case 3:    // ERROR_PATH_NOT_FOUND
        case 123:  // ERROR_INVALID_NAME
        case 267:  // ERROR_DIRECTORY: the entry names a file
            // A drive letter that is not there (a USB disk unplugged, a mapped drive away)
            // also says "path not found": the folder may well come back with it.
            return volumePresent ? ListingEnd::Missing : ListingEnd::Broken;
        case 5:     // ERROR_ACCESS_DENIED
        case 206:   // ERROR_FILENAME_EXCED_RANGE
        case 1920:  // ERROR_CANT_ACCESS_FILE
        case 1921:  // ERROR_CANT_RESOLVE_FILENAME: a loop of links
            return ListingEnd::Refused;
        default:  // the network, a drive not ready, a listing cut off: it may work next time
            return ListingEnd::Broken;
    }
}

}  // namespace Platform
}  // namespace WorkSpace
