// Enter's "show the photo in its folder": who and where the saver runs and whether it is
// secure, read from Windows, and SHOpenFolderAndSelectItems on the photo's item.
#include "host/win32_open_folder.h"

#include <sddl.h>
#include <shlobj.h>

#include <vector>

#include "platform/win32_system_library.h"
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

// ScreenSaverIsSecure under HKCU\`key`: a REG_SZ "1" or "0" as Windows writes it, a DWORD as
// some policy tools do. Only a missing key or value says nothing; any other failure is kept.
SecureValue ReadSecureValue(const wchar_t* key) {
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &opened);
    if (status != ERROR_SUCCESS)
        return status == ERROR_FILE_NOT_FOUND ? SecureValue::Missing : SecureValue::Unreadable;
    BYTE data[64] = {};
    DWORD type = 0, bytes = sizeof(data);
    status = RegQueryValueExW(opened, L"ScreenSaverIsSecure", nullptr, &type, data, &bytes);
    RegCloseKey(opened);
    if (status == ERROR_FILE_NOT_FOUND) return SecureValue::Missing;
    if (status != ERROR_SUCCESS) return SecureValue::Unreadable;
    return SecureValueOf(type, data, bytes);
}

// Windows 7 and Server 2008 R2 (6.1), from RtlGetVersion: GetVersionEx answers what the
// manifest declares, not what runs.
bool LockFlagsReversed() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto get = ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                     : nullptr;
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    return get && get(&version) == 0 && version.dwMajorVersion == 6 && version.dwMinorVersion == 1;
}

// WTSQuerySessionInformationW(WTSSessionInfoEx) on this session, loaded at run time. Where the
// library or the class is missing (Wine answers neither) the lock is left to the input desktop,
// which is Winlogon's while the session is locked.
void ReadLockState(SessionFacts& facts) {
    // The leading fields of WTSINFOEXW and WTSINFOEX_LEVEL1_W, which the MinGW headers lack.
    // The level's union holds LARGE_INTEGERs, so it starts 8 bytes in.
    struct InfoEx {
        DWORD level;
        struct alignas(8) {
            DWORD sessionId;
            DWORD sessionState;
            LONG sessionFlags;
        } level1;
    };
    using QueryFn = BOOL(WINAPI*)(HANDLE, DWORD, int, LPWSTR*, DWORD*);
    using FreeFn = void(WINAPI*)(PVOID);
    HMODULE wts = LoadSystemLibrary(L"wtsapi32.dll");
    if (!wts) return;
    auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(GetProcAddress(wts, "WTSQuerySessionInformationW")));
    auto release = reinterpret_cast<FreeFn>(reinterpret_cast<void*>(GetProcAddress(wts, "WTSFreeMemory")));
    LPWSTR buffer = nullptr;
    DWORD bytes = 0;
    const int kSessionInfoEx = 25;  // WTS_INFO_CLASS WTSSessionInfoEx
    if (query && release && query(nullptr, static_cast<DWORD>(-1), kSessionInfoEx, &buffer, &bytes) && buffer) {
        facts.lockQueried = true;
        // A reply too short or of another level is a state nobody documents: secure.
        if (bytes >= sizeof(InfoEx) && reinterpret_cast<const InfoEx*>(buffer)->level == 1)
            facts.sessionFlags = reinterpret_cast<const InfoEx*>(buffer)->level1.sessionFlags;
        facts.flagsReversed = LockFlagsReversed();
        release(buffer);
    }
    FreeLibrary(wts);
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
    BOOL secure = FALSE;
    facts.secureRead = SystemParametersInfoW(SPI_GETSCREENSAVESECURE, 0, &secure, 0) != FALSE;
    facts.secure = secure != FALSE;
    if (!facts.secureRead) facts.desktopValue = ReadSecureValue(L"Control Panel\\Desktop");
    facts.policyValue = ReadSecureValue(L"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop");
    ReadLockState(facts);
    return facts;
}

void ShowInFolder(const std::wstring& path) {
    const SessionFacts facts = ReadSessionFacts();
    if (SaverSecure(facts)) {
        // The session locks as the saver ends: nothing may start behind the lock.
        GetLogger().Write(L"ShowInFolder() - the saver is secure - nothing opened");
        return;
    }
    if (!MayOpenFolder(facts)) {
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
