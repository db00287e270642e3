// Reading a file whole, the one way every reader of settings, pictures and tool inputs uses.
#include <cstdio>

#include "platform/platform.h"

namespace WorkSpace {
namespace Platform {

bool ReadWholeFile(const std::wstring& path, std::string& bytes, size_t limit) {
    bytes.clear();
    const ReadHandle file = OpenForReading(path);
    if (file == kNoReadHandle) return false;
    // In chunks, not by the size the file reports: an empty file or a pipe reads as well.
    char chunk[65536];
    int64_t got;
    bool ok = true;
    while ((got = ReadSome(file, chunk, sizeof(chunk))) > 0) {
        if (bytes.size() + static_cast<size_t>(got) > limit) {
            ok = false;
            break;
        }
        bytes.append(chunk, static_cast<size_t>(got));
    }
    ok = ok && got == 0;
    CloseReading(file);
    if (!ok) bytes.clear();
    return ok;
}

}  // namespace Platform
}  // namespace WorkSpace
