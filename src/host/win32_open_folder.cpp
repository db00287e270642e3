// Enter's "show the photo in its folder": who and where the saver runs, read from Windows,
// and SHOpenFolderAndSelectItems on the photo's item.
#include "host/win32_open_folder.h"

#include <sddl.h>
#include <shlobj.h>

#include <vector>

#include "resources/logger.h"

namespace WorkSpace {

namespace {
std::wstring DesktopName(HDESK desktop) {
    if (!desktop) return std::wstring();
    DWORD needed = 0;
    GetUserObjectInformationW(desktop, UOI_NAME, nullptr, 0, &needed);
    if (needed == 0) return std::wstring();
    std::vector<wchar_t> name(needed / sizeof(wchar_t) + 1, L'\0');
    if (!GetUserObjectInformationW(desktop, UOI_NAME, name.data(), static_cast<DWORD>(name.size() * sizeof(wchar_t)),
                                   &needed))
        return std::wstring();
    return std::wstring(name.data());
}

std::wstring TokenUserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return std::wstring();
    std::wstring text;
    DWORD needed = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    wchar_t* sid = nullptr;
    if (needed != 0 && GetTokenInformation(token, TokenUser, buffer.data(), needed, &needed) &&
        ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
        text = sid;
        LocalFree(sid);
    }
    CloseHandle(token);
    return text;
}

// The shell takes paths in their usual form: the long-path prefix the file calls use is
// taken off ("\\?\C:\..." -> "C:\...", "\\?\UNC\server\..." -> "\\server\...").
std::wstring ShellForm(const std::wstring& path) {
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
    if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
    return path;
}
}  // namespace

SessionFacts ReadSessionFacts() {
    SessionFacts facts;
    HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (input) {
        facts.inputDesktopOpened = true;
        facts.inputDesktop = DesktopName(input);
        CloseDesktop(input);
    }
    facts.threadDesktop = DesktopName(GetThreadDesktop(GetCurrentThreadId()));
    DWORD session = 0;
    if (ProcessIdToSessionId(GetCurrentProcessId(), &session)) {
        facts.sessionKnown = true;
        facts.sessionId = session;
    }
    facts.userSid = TokenUserSid();
    return facts;
}

void ShowInFolder(const std::wstring& path) {
    if (!MayOpenFolder(ReadSessionFacts())) {
        GetLogger().Write(L"ShowInFolder() - not the signed-in user's own desktop - nothing opened");
        return;
    }
    const std::wstring shellPath = ShellForm(path);
    // ILCreateFromPathW stops at MAX_PATH on older systems; the parser takes longer paths.
    PIDLIST_ABSOLUTE item = ILCreateFromPathW(shellPath.c_str());
    if (!item) {
        SFGAOF attributes = 0;
        if (FAILED(SHParseDisplayName(shellPath.c_str(), nullptr, &item, 0, &attributes))) item = nullptr;
    }
    if (!item) {
        GetLogger().Write(L"ShowInFolder() - ILCreateFromPathW - FAILED");
        return;
    }
    const HRESULT hr = SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
    if (FAILED(hr))
        GetLogger().Write(L"ShowInFolder() - SHOpenFolderAndSelectItems 0x%08X - FAILED", static_cast<unsigned>(hr));
    ILFree(item);
}

}  // namespace WorkSpace
