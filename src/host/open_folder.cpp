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

bool SaysSecure(SecureValue v) { return v == SecureValue::NonZero || v == SecureValue::Unreadable; }

bool Blank(uint16_t c) { return c == ' ' || c == '\t'; }
}  // namespace

SecureValue SecureValueOf(uint32_t type, const void* data, uint32_t bytes) {
    const uint8_t* b = static_cast<const uint8_t*>(data);
    if (type == 4) {  // REG_DWORD, little-endian
        if (bytes != 4 || !b) return SecureValue::Unreadable;
        return (b[0] | b[1] | b[2] | b[3]) != 0 ? SecureValue::NonZero : SecureValue::Zero;
    }
    if ((type != 1 && type != 2) || bytes % 2 != 0 || (bytes != 0 && !b)) return SecureValue::Unreadable;
    size_t n = bytes / 2;
    auto at = [b](size_t i) { return static_cast<uint16_t>(b[2 * i] | (b[2 * i + 1] << 8)); };
    for (size_t i = 0; i < n; ++i)
        if (at(i) == 0) n = i;  // the string ends at its first NUL
    size_t i = 0;
    while (i < n && Blank(at(i))) ++i;
    while (n > i && Blank(at(n - 1))) --n;
    bool nonZero = false;
    for (size_t k = i; k < n; ++k) {
        if (at(k) < '0' || at(k) > '9') return SecureValue::Unreadable;
        nonZero = nonZero || at(k) != '0';
    }
    return nonZero ? SecureValue::NonZero : SecureValue::Zero;
}

bool SaverSecure(const SessionFacts& f) {
    if (f.secureRead ? f.secure : SaysSecure(f.desktopValue)) return true;
    if (SaysSecure(f.policyValue)) return true;
    if (f.lockQueried) {
        const int32_t unlocked = f.flagsReversed ? 0 : 1;
        if (f.sessionFlags != unlocked) return true;  // locked, or a state nobody documents
    }
    return false;
}

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
    return !SaverSecure(f);
}

}  // namespace WorkSpace
