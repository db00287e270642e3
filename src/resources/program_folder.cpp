// Splits the module path the way _wsplitpath does: everything up to the last separator.
#include "resources/program_folder.h"

#include "platform/platform.h"

namespace WorkSpace {

std::wstring FolderOfPath(const std::wstring& path) {
    size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos) {
        // "C:name" keeps its drive.
        if (path.size() >= 2 && path[1] == L':') return path.substr(0, 2);
        return std::wstring();
    }
    return path.substr(0, cut + 1);
}

std::wstring GetProgramFolder() { return FolderOfPath(Platform::ModulePath()); }

}  // namespace WorkSpace
