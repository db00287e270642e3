// Saving a file whole: a new file beside the old one, then one step that puts it in place.
#include <atomic>
#include <cstdint>

#include "platform/platform.h"

namespace WorkSpace {
namespace Platform {

namespace {
size_t g_writeLimit = SIZE_MAX;
std::atomic<uint32_t> g_temporaryCount{0};
// Names taken by files a crashed process left behind (its id now another's) are skipped.
const int kNameAttempts = 8;
}  // namespace

void FailWritesAfterForTesting(size_t bytes) { g_writeLimit = bytes; }

std::wstring UniqueTemporaryName(const std::wstring& path) {
    // The process id tells two savers apart, the count two saves of one process.
    return path + L"." + std::to_wstring(ProcessId()) + L"-" + std::to_wstring(++g_temporaryCount) + L".tmp";
}

bool ReplaceFileWhole(const std::wstring& path, const std::string& bytes) {
    // A file truncated in place and written again is lost to a full disk, a crash or a power
    // cut in between. The new file goes beside the file that is really replaced (a link's
    // target), since the last step only works within one volume.
    const std::wstring target = SaveTarget(path);
    const size_t allowed = bytes.size() < g_writeLimit ? bytes.size() : g_writeLimit;
    std::wstring temporary;
    bool written = false;
    bool nameTaken = true;
    for (int attempt = 0; attempt < kNameAttempts && !written && nameTaken; ++attempt) {
        temporary = UniqueTemporaryName(target);
        nameTaken = false;
        written = WriteNewFile(temporary, bytes.data(), allowed, nameTaken);
    }
    if (!written) return false;
    if (allowed == bytes.size() && ReplaceWith(temporary, target)) return true;
    RemoveFile(temporary);
    return false;
}

}  // namespace Platform
}  // namespace WorkSpace
