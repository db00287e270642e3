// The host's window procedure: what the full-screen saver and the preview do with system
// commands and help requests. And the last-chance guard: an access violation on the window
// thread or on the render thread ends the process at once with -1. Each of those cases runs
// in a child copy of this test program, started with --lumora-crash=window or =render.
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
        // Null hooks keep the real wait and rebuild request.
        static const RenderLoopHooks hooks = {Pass, NoErrorScreen, CrashingFrame, nullptr, nullptr, nullptr};
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

namespace {
LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

// A saver window on the host's procedure, full screen or as the child of `parent`.
HWND HostWindow(HWND parent) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumoraHostTest";
    RegisterClassW(&wc);
    HostState& h = GetHostState();
    h = HostState();
    h.isPreview = parent != nullptr;
    return CreateWindowExW(0, wc.lpszClassName, L"host", parent ? WS_CHILD : WS_POPUP, 0, 0, 10, 10, parent, nullptr,
                           wc.hInstance, nullptr);
}

bool Posted(HWND window, UINT message, MSG* out = nullptr) {
    MSG msg;
    if (!PeekMessageW(&msg, window, message, message, PM_REMOVE)) return false;
    if (out) *out = msg;
    return true;
}
}  // namespace

TEST(HostWindow, FullScreenRefusesAnotherSaverAndClosesWhenTheMonitorSleeps) {
    HWND window = HostWindow(nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SendMessageW(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_FALSE(Posted(window, WM_CLOSE));
    SendMessageW(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
    EXPECT_TRUE(Posted(window, WM_CLOSE));
    GetHostState().isClosing = TRUE;  // the destruction goes the default way
    DestroyWindow(window);
    Posted(nullptr, WM_QUIT);
    GetHostState() = HostState();
}

TEST(HostWindow, PreviewHandsItsContextMenuToTheSettingsDialog) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumoraHostTestParent";
    RegisterClassW(&wc);
    HWND parent = CreateWindowExW(0, wc.lpszClassName, L"settings", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    HWND preview = HostWindow(parent);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(SendMessageW(preview, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(preview), 0x00200010), 1);
    MSG posted = {};
    ASSERT_TRUE(Posted(parent, WM_CONTEXTMENU, &posted));
    EXPECT_EQ(posted.wParam, reinterpret_cast<WPARAM>(parent));
    EXPECT_EQ(posted.lParam, 0x00200010);
    // WM_HELP is handed on the same way; its lParam is a pointer, which the system refuses
    // to post, so all that shows is that the preview answers it.
    HELPINFO help = {};
    help.cbSize = sizeof(HELPINFO);
    EXPECT_EQ(SendMessageW(preview, WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), 1);
    // The preview never ends on the monitor's sleep: its dialog decides.
    SendMessageW(preview, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
    EXPECT_FALSE(Posted(preview, WM_CLOSE));
    DestroyWindow(parent);
    Posted(nullptr, WM_QUIT);
    GetHostState() = HostState();
}
