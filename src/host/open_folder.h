// Whether Enter may open Explorer on the photo shown: only for a saver that runs as the
// signed-in user on that user's own interactive desktop, so a key never starts a program
// behind a lock or on another desktop. The Win32 side gathers the facts (win32_open_folder.cpp).
#pragma once
#include <cstdint>
#include <string>

namespace WorkSpace {

struct SessionFacts {
    bool inputDesktopOpened = false;  // OpenInputDesktop succeeded (it fails on the secure desktop)
    std::wstring inputDesktop;        // its UOI_NAME
    std::wstring threadDesktop;       // the UOI_NAME of this thread's desktop
    std::wstring userSid;             // the process token's user, as S-1-5-...
    bool sessionKnown = false;
    uint32_t sessionId = 0;           // ProcessIdToSessionId of this process
};

// True only on the "Default" desktop, which is both the input desktop and this thread's, in an
// interactive session (not 0), for a user that is not LocalSystem, LocalService or
// NetworkService. Anything unknown says no.
bool MayOpenFolder(const SessionFacts& facts);

}  // namespace WorkSpace
