// The program's entry: rebuilds the command-line tail itself and hands SaverMain's result
// straight to ExitProcess, so no static destructor runs at the end.
#include <windows.h>

#include "host/saver_switches.h"
#include "host/win32_saver_host.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const wchar_t* tail = WorkSpace::CommandLineTail(GetCommandLineW());
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess(static_cast<UINT>(
        WorkSpace::SaverMain(GetModuleHandleW(nullptr), nullptr, const_cast<LPWSTR>(tail), show)));
}
