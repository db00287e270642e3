// The program's entry: rebuilds the command-line tail itself and hands SaverMain's result
// straight to ExitProcess, so no static destructor runs at the end. Here the host is handed
// the application's window procedure and its configuration dialog.
#include <windows.h>

#include "app/win32_saver_window.h"
#include "app/workspace.h"
#include "config/win32_config_dialog.h"
#include "host/saver_switches.h"
#include "host/win32_saver_host.h"

namespace {
const WorkSpace::SaverApp kLumora = {WorkSpace::SaverWindowMessage, WorkSpace::ShowConfigurationDialog,
                                     WorkSpace::ConfigDialogProc, WorkSpace::DecodeFirstPictureOnWorker,
                                     WorkSpace::TakePhotoToOpen};
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const wchar_t* tail = WorkSpace::CommandLineTail(GetCommandLineW());
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess(static_cast<UINT>(
        WorkSpace::SaverMain(kLumora, GetModuleHandleW(nullptr), nullptr, const_cast<LPWSTR>(tail), show)));
}
