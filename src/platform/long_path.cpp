// The long-path form of absolute paths: the prefix, and the clean-up Windows skips for a
// path that has it.
#include "platform/long_path.h"

#include <vector>

namespace WorkSpace {
namespace Platform {

namespace {
bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// A segment's single trailing period goes, as Win32 drops it from a plain path ("Trip." is
// the folder "Trip"); "Trip.." and "..." are names of their own and stay.
std::wstring WithoutSinglePeriod(const std::wstring& segment) {
    const size_t n = segment.size();
    if (n >= 2 && segment[n - 1] == L'.' && segment[n - 2] != L'.') return segment.substr(0, n - 1);
    return segment;
}

// The segments of `rest`, "." left out and ".." taking the one before; `kept` segments at
// the front (the server and the share) are never taken, nor trimmed.
std::vector<std::wstring> Segments(const std::wstring& rest, size_t kept) {
    std::vector<std::wstring> segments;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = start;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        const std::wstring segment = rest.substr(start, end - start);
        if (segment == L"..") {
            if (segments.size() > kept) segments.pop_back();
        } else if (!segment.empty() && segment != L".") {
            segments.push_back(segments.size() < kept ? segment : WithoutSinglePeriod(segment));
        }
        start = end + 1;
    }
    // Without a separator at its end, the path loses all its trailing periods and spaces.
    if (!rest.empty() && !IsSeparator(rest.back()) && segments.size() > kept) {
        std::wstring& last = segments.back();
        last.erase(last.find_last_not_of(L". ") + 1);
        if (last.empty()) segments.pop_back();
    }
    return segments;
}
}  // namespace

std::wstring LongPathForm(const std::wstring& path) {
    const bool driveAbsolute = path.size() >= 3 && IsLetter(path[0]) && path[1] == L':' && IsSeparator(path[2]);
    const bool share = path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
    if (!driveAbsolute && !share) return path;
    // "\\?\..." and "\\.\..." are already in the form the system takes as it stands.
    if (share && (path[2] == L'?' || path[2] == L'.') && path.size() >= 4 && IsSeparator(path[3])) return path;

    std::wstring form;
    std::vector<std::wstring> segments;
    if (driveAbsolute) {
        form = L"\\\\?\\" + path.substr(0, 2) + L"\\";
        segments = Segments(path.substr(3), 0);
    } else {
        segments = Segments(path.substr(2), 2);
        if (segments.size() < 2) return path;  // "\\server" alone names no share
        form = L"\\\\?\\UNC\\";
    }
    for (size_t i = 0; i < segments.size(); ++i) {
        if (i > 0) form += L'\\';
        form += segments[i];
    }
    if (IsSeparator(path.back()) && form.back() != L'\\') form += L'\\';
    return form;
}

std::wstring LongPathRoot(const std::wstring& form) {
    static const std::wstring kDrive = L"\\\\?\\", kShare = L"\\\\?\\UNC\\";
    if (form.compare(0, kShare.size(), kShare) == 0) {
        const size_t server = form.find(L'\\', kShare.size());
        if (server == std::wstring::npos || server == kShare.size()) return std::wstring();
        const size_t share = form.find(L'\\', server + 1);
        if (share == server + 1) return std::wstring();
        return share == std::wstring::npos ? form + L'\\' : form.substr(0, share + 1);
    }
    if (form.size() >= kDrive.size() + 2 && form.compare(0, kDrive.size(), kDrive) == 0 &&
        IsLetter(form[kDrive.size()]) && form[kDrive.size() + 1] == L':')
        return form.substr(0, kDrive.size() + 2) + L'\\';
    return std::wstring();
}

}  // namespace Platform
}  // namespace WorkSpace
