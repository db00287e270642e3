// Reading a file whole, the one way every reader of settings, pictures and tool inputs uses.
#include <cstdio>

#include "platform/platform.h"

namespace WorkSpace {
namespace Platform {

bool ReadWholeFile(const std::wstring& path, std::string& bytes, size_t limit) {
    bytes.clear();
    FILE* file = OpenFile(path, "rb");
    if (!file) return false;
    // In chunks, not by the size the file reports: an empty file or a pipe reads as well.
    char chunk[65536];
    size_t got;
    bool ok = true;
    while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0) {
        if (bytes.size() + got > limit) {
            ok = false;
            break;
        }
        bytes.append(chunk, got);
    }
    ok = ok && !ferror(file);
    fclose(file);
    if (!ok) bytes.clear();
    return ok;
}

}  // namespace Platform
}  // namespace WorkSpace
