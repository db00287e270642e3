// The host's last-chance guard: an access violation on the window thread or on the render
// thread ends the process at once with -1. Each case runs in a child copy of this test
// program, started with --lumora-crash=window or --lumora-crash=render.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/run_state.h"
#include "app/workspace.h"
#include "host/win32_saver_host.h"

using namespace WorkSpace;

namespace {

void AccessViolation() {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

LRESULT CALLBACK CrashingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) AccessViolation();
    return DefWindowProcW(window, message, wParam, lParam);
}

bool Pass() { return true; }
int NoErrorScreen() { return 0; }
int32_t CrashingFrame(bool) {
    AccessViolation();
    return 1;
}

// Exit code of a child run of `scenario`; "timeout" as STILL_ACTIVE after 20 s.
DWORD RunChild(const wchar_t* scenario) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --lumora-crash=" + scenario;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child))
        return 0xDEAD;
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(child.hProcess, 20000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(child.hProcess, &code);
    } else {
        TerminateProcess(child.hProcess, 0xDEAD);
    }
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return code;
}

}  // namespace

// Called by the test entry for --lumora-crash=...; returns only when the guard failed.
int RunCrashScenario(const std::wstring& scenario) {
    InstallLastChanceGuard();
    if (scenario == L"window") {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = CrashingWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"LumoraCrashTest";
        RegisterClassW(&wc);
        CreateWindowExW(0, wc.lpszClassName, L"crash", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                        nullptr);
    } else if (scenario == L"render") {
        static const RenderLoopHooks hooks = {Pass, NoErrorScreen, CrashingFrame};
        SetRenderLoopHooks(&hooks);
        GetRunState().startFailed.store(0);
        StartRenderThread();
        Sleep(30000);
    }
    return 3;  // still alive: the guard did not end the process
}

TEST(LastChanceGuard, AccessViolationOnTheWindowThreadEndsTheProcessWithMinusOne) {
    EXPECT_EQ(RunChild(L"window"), static_cast<DWORD>(-1));
}

TEST(LastChanceGuard, AccessViolationOnTheRenderThreadEndsTheProcessWithMinusOne) {
    EXPECT_EQ(RunChild(L"render"), static_cast<DWORD>(-1));
}
