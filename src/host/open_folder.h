// Whether Enter may open Explorer on the photo shown: only for a saver that runs as the
// signed-in user on that user's own interactive desktop and is not password-protected, so a
// key never starts a program behind a lock or on another desktop. The Win32 side gathers the
// facts (win32_open_folder.cpp).
#pragma once
#include <cstdint>
#include <string>

namespace WorkSpace {

// A registry value that can say the saver is secure (ScreenSaverIsSecure), as it was read.
enum class SecureValue : uint8_t {
    Missing,     // no such key or value: not secure
    Zero,        // "0" (or an empty string, or DWORD 0)
    NonZero,     // any other number
    Unreadable,  // present but of another type, too long, not a number, or the read failed
};

// The value as RegQueryValueExW gave it: `type` REG_SZ (1), REG_EXPAND_SZ (2) or REG_DWORD (4),
// `data` its `bytes` bytes (a string need not end in NUL). Blanks round a number are ignored.
SecureValue SecureValueOf(uint32_t type, const void* data, uint32_t bytes);

struct SessionFacts {
    bool inputDesktopOpened = false;  // OpenInputDesktop succeeded (it fails on the secure desktop)
    std::wstring inputDesktop;        // its UOI_NAME
    std::wstring threadDesktop;       // the UOI_NAME of this thread's desktop
    std::wstring userSid;             // the process token's user, as S-1-5-...
    bool sessionKnown = false;
    uint32_t sessionId = 0;           // ProcessIdToSessionId of this process

    // Whether the saver locks the session when it ends ("On resume, display logon screen").
    bool secureRead = false;  // SPI_GETSCREENSAVESECURE succeeded (it fails under Wine)
    bool secure = false;      // its answer
    SecureValue desktopValue = SecureValue::Missing;  // HKCU\Control Panel\Desktop, where the call fails
    SecureValue policyValue = SecureValue::Missing;   // the same value under HKCU\Software\Policies\...
    // The session's lock state (WTSSessionInfoEx); not asked where wtsapi32 cannot answer.
    bool lockQueried = false;
    int32_t sessionFlags = -1;   // WTS_SESSIONSTATE_LOCK 0, _UNLOCK 1, _UNKNOWN -1
    bool flagsReversed = false;  // Windows 7 and Server 2008 R2 report the two the other way round
};

// True when any fact says the saver is password-protected or the session locked: the call's
// answer (or, where it failed, the desktop value), the policy value, or a lock state that is
// not plainly "unlocked". A value that is present but unreadable counts as secure.
bool SaverSecure(const SessionFacts& facts);

// True only on the "Default" desktop, which is both the input desktop and this thread's, in an
// interactive session (not 0), for a user that is not LocalSystem, LocalService or
// NetworkService, while the saver is not secure (SaverSecure). Anything unknown says no.
bool MayOpenFolder(const SessionFacts& facts);

}  // namespace WorkSpace
