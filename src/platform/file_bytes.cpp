// Reading a file whole, the one way every reader of settings, pictures and tool inputs uses.
#include <cstdint>
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

namespace {
size_t g_writeLimit = SIZE_MAX;
}

void FailWritesAfterForTesting(size_t bytes) { g_writeLimit = bytes; }

bool ReplaceFileWhole(const std::wstring& path, const std::string& bytes) {
    // A file truncated in place and written again is lost to a full disk, a crash or a power
    // cut in between; a temporary file beside it costs one rename.
    const std::wstring temporary = path + L".tmp";
    FILE* file = OpenFile(temporary, "wb");
    if (!file) return false;
    const size_t allowed = bytes.size() < g_writeLimit ? bytes.size() : g_writeLimit;
    bool ok = fwrite(bytes.data(), 1, allowed, file) == allowed && allowed == bytes.size();
    ok = fflush(file) == 0 && ok;
    ok = ok && FlushToDisk(file);
    ok = fclose(file) == 0 && ok;
    ok = ok && MoveOver(temporary, path);
    if (!ok) RemoveFile(temporary);
    return ok;
}

}  // namespace Platform
}  // namespace WorkSpace
