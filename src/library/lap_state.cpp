// The lap's state file: read and checked line by line, written through a temporary file of
// its own and a rename, and the fingerprint of the pictures a lap was made from.
#include "library/lap_state.h"

#include <cstdio>

#include "platform/platform.h"

namespace WorkSpace {

namespace {
const char kStateHeader[] = "LumoraPictureLap 1";
}  // namespace

bool ReadLapState(const std::wstring& path, LapState& state) {
    std::string bytes;
    if (!Platform::ReadWholeFile(path, bytes, 1 << 16)) return false;
    // Every line ends with its line feed: a file cut anywhere, even within the last name, is
    // damaged.
    if (bytes.empty() || bytes.back() != '\n') return false;
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    if (lines.size() < 6 || lines[0] != kStateHeader) return false;
    LapState read;
    unsigned long long seed = 0, library = 0;
    unsigned position = 0;
    char tail = 0;
    if (std::sscanf(lines[1].c_str(), "seed=%llu%c", &seed, &tail) != 1 ||
        std::sscanf(lines[2].c_str(), "library=%llu%c", &library, &tail) != 1 ||
        std::sscanf(lines[3].c_str(), "position=%u%c", &position, &tail) != 1 ||
        lines[4].compare(0, 5, "last=") != 0 || lines[5].compare(0, 5, "next=") != 0)
        return false;
    if (!Platform::IsValidUtf8(lines[4].data(), lines[4].size()) ||
        !Platform::IsValidUtf8(lines[5].data(), lines[5].size()))
        return false;
    read.seed = seed;
    read.library = library;
    read.position = position;
    read.last = Platform::Utf8ToWide(lines[4].data() + 5, lines[4].size() - 5);
    read.next = Platform::Utf8ToWide(lines[5].data() + 5, lines[5].size() - 5);
    state = read;
    return true;
}

bool WriteLapState(const std::wstring& path, const LapState& state) {
    char numbers[128];
    std::snprintf(numbers, sizeof numbers, "%s\nseed=%llu\nlibrary=%llu\nposition=%u\n", kStateHeader,
                  static_cast<unsigned long long>(state.seed), static_cast<unsigned long long>(state.library),
                  static_cast<unsigned>(state.position));
    const std::string text = std::string(numbers) + "last=" + Platform::WideToUtf8(state.last) + "\nnext=" +
                             Platform::WideToUtf8(state.next) + "\n";
    // Written whole beside it and put in its place in one step: a crash leaves the old file or
    // the new one, never a cut one, and two savers at once never mix their lines. Nothing is
    // flushed: a place lost to a power cut only costs a new lap.
    const std::wstring temporary = LapStateTemporaryPath(path);
    FILE* file = Platform::OpenFile(temporary, "wb");
    if (!file) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = std::fclose(file) == 0 && ok;
    ok = ok && Platform::RenameOver(temporary, path);
    if (!ok) Platform::RemoveFile(temporary);
    return ok;
}

std::wstring LapStateTemporaryPath(const std::wstring& path) {
    return Platform::UniqueTemporaryName(path);
}

std::wstring LapStatePath(const std::wstring& besidePath) {
    const size_t sep = besidePath.find_last_of(L"\\/");
    const std::wstring folder = sep == std::wstring::npos ? std::wstring() : besidePath.substr(0, sep + 1);
    return folder + L"LumoraPictureLap.txt";
}

uint64_t LibraryFingerprint(const std::vector<std::wstring>& pictures) {
    uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a over the paths and their ends
    for (const std::wstring& path : pictures) {
        for (wchar_t c : path) hash = (hash ^ static_cast<uint32_t>(c)) * 0x100000001B3ull;
        hash = (hash ^ 0xFFFFu) * 0x100000001B3ull;
    }
    return hash;
}

}  // namespace WorkSpace
