// Stands in for the display settings' little monitor picture: makes a parent window,
// starts "Lumora.scr /p HWND" inside it, keeps it for a while, then destroys the parent
// and reports the saver's exit code.
//   lumora_preview_parent SAVER_PATH SECONDS [WIDTH HEIGHT]
// Prints "parent HWND" when the saver is started and "exit CODE" at the end.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fwprintf(stderr, L"usage: lumora_preview_parent SAVER_PATH SECONDS [WIDTH HEIGHT]\n");
        return 2;
    }
    const int seconds = _wtoi(argv[2]);
    const int width = argc > 4 ? _wtoi(argv[3]) : 320;
    const int height = argc > 4 ? _wtoi(argv[4]) : 240;

    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = L"LumoraPreviewParent";
    RegisterClassW(&wc);
    RECT r = {0, 0, width, height};
    AdjustWindowRect(&r, WS_POPUP | WS_BORDER, FALSE);
    HWND parent = CreateWindowExW(0, wc.lpszClassName, L"Preview parent", WS_POPUP | WS_BORDER | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100,
                                  r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    if (!parent) return 3;

    std::wstring command = L"\"" + std::wstring(argv[1]) + L"\" /p " +
                           std::to_wstring(static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(parent)));
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 4;
    wprintf(L"parent %llu\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(parent)));
    fflush(stdout);

    const DWORD until = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    bool reported = false;
    while (static_cast<LONG>(until - GetTickCount()) > 0) {
        if (!reported && static_cast<LONG>(until - GetTickCount()) < seconds * 500) {
            // Halfway: the saver's child window should cover the client area.
            HWND child = GetWindow(parent, GW_CHILD);
            RECT cr = {};
            if (child) GetClientRect(child, &cr);
            wprintf(L"child %ldx%ld visible %d\n", cr.right, cr.bottom, child && IsWindowVisible(child) ? 1 : 0);
            fflush(stdout);
            reported = true;
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        if (WaitForSingleObject(pi.hProcess, 20) == WAIT_OBJECT_0) break;  // ended early: report it
    }
    DestroyWindow(parent);
    DWORD code = 0xDEAD;
    if (WaitForSingleObject(pi.hProcess, 5000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    wprintf(L"exit %ld\n", static_cast<long>(code));
    fflush(stdout);
    if (code == 0xDEAD) TerminateProcess(pi.hProcess, 1);
    return 0;
}
