// Sends the running full-screen saver what Windows would: the console display state as a
// power-setting notice ("off" or "on"), or a change of the display layout ("layout").
// The notice's structure is written into the saver's own memory, as the system does,
// because a posted message carries only the pointer. "monitors" lists what Wine reports.
//   lumora_display_events off|on|layout|monitors     exit 0 when done
#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {
const GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

BOOL CALLBACK PrintMonitor(HMONITOR, HDC, LPRECT r, LPARAM) {
    wprintf(L"%ldx%ld+%ld+%ld ", r->right - r->left, r->bottom - r->top, r->left, r->top);
    return TRUE;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    if (wcscmp(argv[1], L"monitors") == 0) {
        EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, 0);
        wprintf(L"\n");
        return 0;
    }
    HWND saver = FindWindowW(L"WindowsScreenSaverClass", L"Screen Saver");
    if (!saver) return 3;
    if (wcscmp(argv[1], L"layout") == 0) {
        const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
        return PostMessageW(saver, WM_DISPLAYCHANGE, 32, MAKELPARAM(width, height)) ? 0 : 4;
    }
    const DWORD state = wcscmp(argv[1], L"off") == 0 ? 0 : 1;
    unsigned char notice[offsetof(POWERBROADCAST_SETTING, Data) + sizeof(DWORD)] = {};
    POWERBROADCAST_SETTING* setting = reinterpret_cast<POWERBROADCAST_SETTING*>(notice);
    setting->PowerSetting = kConsoleDisplayState;
    setting->DataLength = sizeof(DWORD);
    std::memcpy(setting->Data, &state, sizeof(state));

    DWORD pid = 0;
    GetWindowThreadProcessId(saver, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return 5;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(notice), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    SIZE_T written = 0;
    const bool ok = remote && WriteProcessMemory(process, remote, notice, sizeof(notice), &written) &&
                    written == sizeof(notice) &&
                    PostMessageW(saver, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(remote));
    CloseHandle(process);  // the few bytes stay with the saver until it ends
    return ok ? 0 : 6;
}
