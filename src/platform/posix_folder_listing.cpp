// Folder listing through readdir; a name starting with a dot counts as hidden.
#include "platform/folder_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <string>

#include "platform/platform.h"

namespace WorkSpace {
namespace Platform {

bool ListFolder(const std::wstring& folder, std::vector<FolderItem>& items) {
    std::string path = WideToUtf8(folder);
    // The tool takes Windows' separator too.
    for (char& c : path)
        if (c == '\\') c = '/';
    DIR* dir = opendir(path.empty() ? "." : path.c_str());
    if (!dir) return false;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        FolderItem item;
        item.name = Utf8ToWide(name.data(), name.size());
        item.hidden = name[0] == '.';
        if (entry->d_type == DT_DIR) {
            item.folder = true;
        } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat st;
            item.folder = stat((path + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        items.push_back(std::move(item));
    }
    closedir(dir);
    return true;
}

}  // namespace Platform
}  // namespace WorkSpace
