// Folder listing through readdir; a name starting with a dot counts as hidden, and the
// folder's identity is its device and inode.
#include "platform/folder_listing.h"

#include <dirent.h>
#include <errno.h>
#include <sys/stat.h>

#include <string>

#include "platform/platform.h"

namespace WorkSpace {
namespace Platform {

namespace {
// The tool takes Windows' separator too.
std::string NativePath(const std::wstring& path) {
    std::string narrow = WideToUtf8(path);
    for (char& c : narrow)
        if (c == '\\') c = '/';
    return narrow;
}
}  // namespace

Listing ListFolder(const std::wstring& folder, std::vector<FolderItem>& items, FolderId& id, FolderHold& hold) {
    hold = 0;  // inodes are not reused while the folder exists: nothing to hold
    const std::string path = NativePath(folder);
    DIR* dir = opendir(path.empty() ? "." : path.c_str());
    if (!dir) {
        const int error = errno;
        const ListingEnd end = error == ENOENT || error == ENOTDIR ? ListingEnd::Missing
                               : error == EACCES || error == ENAMETOOLONG || error == ELOOP ? ListingEnd::Refused
                                                                                           : ListingEnd::Broken;
        return Listing{end, static_cast<uint32_t>(error)};
    }
    struct stat self;
    id = FolderId();
    if (fstat(dirfd(dir), &self) == 0) {
        id.volume = static_cast<uint64_t>(self.st_dev);
        id.low = static_cast<uint64_t>(self.st_ino);
        id.known = true;
    }
    // readdir ends with null both at the end and on a failure; only errno tells them apart.
    errno = 0;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        FolderItem item;
        item.name = Utf8ToWide(name.data(), name.size());
        item.hidden = name[0] == '.';
        item.link = entry->d_type == DT_LNK;
        if (entry->d_type == DT_DIR) {
            item.folder = true;
        } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            const std::string full = path + "/" + name;
            struct stat st;
            item.folder = stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
            item.link = lstat(full.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
        }
        items.push_back(std::move(item));
        errno = 0;
    }
    const int error = errno;
    closedir(dir);
    if (error != 0) {
        items.clear();
        return Listing{ListingEnd::Broken, static_cast<uint32_t>(error)};
    }
    return Listing();
}

void ReleaseFolder(FolderHold) {}

bool DescribeFile(const std::wstring& path, FolderItem& item) {
    const std::string native = NativePath(path);
    struct stat st;
    if (lstat(native.c_str(), &st) != 0) return false;
    const size_t slash = native.find_last_of('/');
    const std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
    item = FolderItem();
    item.name = Utf8ToWide(name.data(), name.size());
    item.hidden = !name.empty() && name[0] == '.';
    item.link = S_ISLNK(st.st_mode);
    item.folder = stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return true;
}

}  // namespace Platform
}  // namespace WorkSpace
