// The rule behind Enter's "show the photo in its folder" (open_folder.h): pure, so it is
// tested against the values Windows documents for desktops, sessions and service accounts.
#include "host/open_folder.h"

namespace WorkSpace {

namespace {
bool SameName(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != L'\0'; ++i) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x - L'A' + L'a');
        if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y - L'A' + L'a');
        if (x != y) return false;
    }
    return i == a.size() && b[i] == L'\0';
}
}  // namespace

bool MayOpenFolder(const SessionFacts& f) {
    if (!f.inputDesktopOpened || !SameName(f.inputDesktop, L"Default")) return false;
    // A saver started on its own desktop ("Screen-saver") or another one the user switched
    // away from is not where the user would see Explorer.
    if (!SameName(f.threadDesktop, L"Default")) return false;
    if (!f.sessionKnown || f.sessionId == 0) return false;  // session 0 runs services only
    // The well-known service accounts, and a token whose user could not be read.
    if (f.userSid.empty() || SameName(f.userSid, L"S-1-5-18") || SameName(f.userSid, L"S-1-5-19") ||
        SameName(f.userSid, L"S-1-5-20"))
        return false;
    return true;
}

}  // namespace WorkSpace
