// The screen-saver host on Win32: the mode the switch asks for, the saver and preview
// windows with their procedure and message loop. The switch parsing and the input rules are
// portable (saver_switches.cpp, saver_input.cpp); this file feeds them and does the Win32
// work. The legacy password and the last-chance guard have files of their own.
#include "host/win32_saver_host.h"

#include <commctrl.h>

#include <optional>

#include "resources/resource_ids.h"
#include "host/parent_dpi_scope.h"
#include "host/win32_open_folder.h"
#include "host/saver_switches.h"
#include "app/win32_saver_window.h"
#include "platform/wic_thread.h"
#include "resources/logger.h"

namespace WorkSpace {

namespace {
const wchar_t kClassName[] = L"WindowsScreenSaverClass";

void StoreCursor(InputRules& rules) {
    POINT cursor = {rules.lastCursor.x, rules.lastCursor.y};
    GetCursorPos(&cursor);
    rules.lastCursor = {cursor.x, cursor.y};
}

BYTE ReadAcLineStatus() {
    SYSTEM_POWER_STATUS status;
    return GetSystemPowerStatus(&status) ? status.ACLineStatus : 255;
}

LRESULT Close(HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}

// The last step of DefaultSaverProc: the shell's AutoPlay query, or the default procedure.
LRESULT LastStep(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    HostState& h = GetHostState();
    if (h.autoPlayMessage != 0 && message == h.autoPlayMessage) {
        Close(window);
        return h.verifyPassword ? 1 : 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int RunGuarded(HINSTANCE instance, LPWSTR tail);

// The DPI-awareness calls of Windows 10 1607 and later, looked up once; absent on older ones.
const DpiCalls& SystemDpiCalls() {
    static const DpiCalls calls = [] {
        DpiCalls found;
        HMODULE user32 = GetModuleHandleW(L"user32.dll");
        if (!user32) return found;
        using WindowContextFn = HANDLE(WINAPI*)(HWND);
        using SetThreadContextFn = HANDLE(WINAPI*)(HANDLE);
        static WindowContextFn windowContext = reinterpret_cast<WindowContextFn>(
            reinterpret_cast<void*>(GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
        static SetThreadContextFn setThreadContext = reinterpret_cast<SetThreadContextFn>(
            reinterpret_cast<void*>(GetProcAddress(user32, "SetThreadDpiAwarenessContext")));
        if (!windowContext || !setThreadContext) return found;
        found.windowContext = [](void* window) -> DpiContext { return windowContext(static_cast<HWND>(window)); };
        found.setThreadContext = [](DpiContext context) -> DpiContext { return setThreadContext(context); };
        return found;
    }();
    return calls;
}
}  // namespace

HostState& GetHostState() {
    static HostState state;
    return state;
}

LRESULT DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    HostState& h = GetHostState();
    if (h.isPreview || h.isClosing) return LastStep(window, message, wParam, lParam);

    if (message == WM_CLOSE) {
        if (h.isLegacyPlatform && !VerifyLegacyPassword(window)) {
            StoreCursor(h.rules);
            // The saver stays: an Enter that asked for the photo's folder is forgotten, so a
            // later close does not open it.
            if (h.app && h.app->photoToOpen) h.app->photoToOpen();
            return 0;
        }
        return LastStep(window, message, wParam, lParam);
    }
    if (message == WM_APP) {
        if (h.isLegacyPlatform) return h.verifyPassword ? h.verifyPassword(window) : 1;
        return LastStep(window, message, wParam, lParam);
    }
    if (h.isCheckingPassword) return LastStep(window, message, wParam, lParam);

    POINT cursor = {h.rules.lastCursor.x, h.rules.lastCursor.y};
    if (message == WM_MOUSEMOVE) GetCursorPos(&cursor);
    BYTE ac = h.rules.acLineStatus;
    if (message == WM_POWERBROADCAST && wParam == PBT_APMPOWERSTATUSCHANGE) ac = ReadAcLineStatus();
    InputDecision d = DecideInput(h.rules, message, wParam, lParam, cursor.x, cursor.y, ac);
    if (d.hideCursor) SetCursor(nullptr);
    if (d.close) Close(window);
    if (d.handled) return d.result;
    return LastStep(window, message, wParam, lParam);
}

namespace {
LRESULT HostWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
}  // namespace

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // A window procedure is called back from the kernel; on 64-bit Windows a C++ exception
    // cannot unwind across that call, so none may leave here.
    try {
        return HostWindowMessage(window, message, wParam, lParam);
    } catch (...) {
        GetLogger().Write(L"HostWindowProc() - message 0x%04X - exception - FAILED", message);
        return message == WM_CREATE ? 0 : DefWindowProcW(window, message, wParam, lParam);
    }
}

namespace {
LRESULT HostWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    HostState& h = GetHostState();
    switch (message) {
    case WM_CREATE:
        h.imeLibrary = GetModuleHandleW(L"IMM32.DLL");
        if (h.imeLibrary) {
            h.associateContext = reinterpret_cast<HIMC(WINAPI*)(HWND, HIMC)>(
                reinterpret_cast<void*>(GetProcAddress(h.imeLibrary, "ImmAssociateContext")));
            if (h.associateContext) h.savedInputContext = h.associateContext(window, nullptr);
        }
        StoreCursor(h.rules);
        if (!h.isPreview) SetCursor(nullptr);
        break;
    case WM_DESTROY:
        if (h.imeLibrary && h.associateContext && h.savedInputContext)
            h.associateContext(window, h.savedInputContext);
        PostQuitMessage(0);
        break;
    case WM_SETTEXT:
        return 0;
    case WM_PAINT:
        if (h.isClosing) return DefWindowProcW(window, message, wParam, lParam);
        if (!h.isPreview) SetCursor(nullptr);
        break;
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (h.isPreview) {
            HWND parent = GetParent(window);
            if (parent && IsWindow(parent))
                PostMessageW(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
            return 1;
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        // Closing, or while the system checks the password: no input reaches the show (its
        // keys steer the photos) or the input rules.
        if (h.isClosing || h.isCheckingPassword) return DefWindowProcW(window, message, wParam, lParam);
        break;
    case WM_APPCOMMAND:
    case WM_XBUTTONUP:
        // Never to the default step, closing or not: it hands them to the shell, which starts
        // what the launch and media keys (and the side buttons) ask for.
        if (!h.isPreview && h.isClosing) return TRUE;
        break;
    case WM_SYSCOMMAND:
        if (!h.isPreview) {
            // F10 and Alt ask for the menu, Ctrl+Esc for the Start menu: nothing opens over the
            // saver while their key-down ends it.
            if (wParam == SC_NEXTWINDOW || wParam == SC_PREVWINDOW || wParam == SC_SCREENSAVE ||
                (wParam & 0xFFF0) == SC_KEYMENU || (wParam & 0xFFF0) == SC_TASKLIST)
                return 0;
            if (wParam == SC_MONITORPOWER) PostMessageW(window, WM_CLOSE, 0, 0);
        }
        break;
    case WM_TIMER:
        if (h.isClosing) return 0;
        Sleep(0);
        break;
    default:
        break;
    }
    LRESULT result = 0;
    if (h.app && h.app->windowMessage(window, message, wParam, lParam, h.isPreview, &result)) return result;
    return DefaultSaverProc(window, message, wParam, lParam);
}
}  // namespace

int RunSaverWindow(HWND parent) {
    HostState& h = GetHostState();
    WNDCLASSW wc = {};
    wc.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = h.instance;
    wc.hIcon = LoadIconW(h.instance, MAKEINTRESOURCEW(IDI_SAVER_CLASS));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;

    int x = 0, y = 0, width = 0, height = 0;
    DWORD style, exStyle = 0;
    const wchar_t* title;
    // The preview is made, and its parent measured, in the parent's DPI awareness, so that it
    // exists at all and fills the parent's client area; the thread's own comes back after.
    std::optional<ParentDpiScope> parentDpi;
    if (parent) {
        parentDpi.emplace(SystemDpiCalls(), parent);
        RECT r = {};
        GetClientRect(parent, &r);
        width = r.right;
        height = r.bottom;
        style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
        h.isPreview = TRUE;
        title = L"Preview";
        // The preview shares the input queue of the dialog it sits in: its creation must
        // not wait for a photo to decode, so every picture comes from the worker.
        if (h.app && h.app->previewStarting) h.app->previewStarting();
    } else {
        // The same placement as the window's rebuilds and the dialog's full-screen preview.
        RECT desktop = {};
        WorkSpace::DesktopPlacement(desktop, FALSE);
        x = desktop.left;
        y = desktop.top;
        width = desktop.right - desktop.left;
        height = desktop.bottom - desktop.top;
        if (width <= 0 || height <= 0) {
            HDC dc = GetDC(nullptr);
            RECT clip = {};
            GetClipBox(dc, &clip);
            ReleaseDC(nullptr, dc);
            x = clip.left;
            y = clip.top;
            width = clip.right - clip.left;
            height = clip.bottom - clip.top;
        }
        style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        exStyle = WS_EX_TOPMOST;
        title = L"Screen Saver";
        HWND running = FindWindowW(kClassName, L"Screen Saver");
        if (running && IsWindow(running)) {
            // Another saver already runs: bring it to the front instead of starting twice.
            SetForegroundWindow(running);
            return 0;
        }
        h.rules.acLineStatus = ReadAcLineStatus();
        LoadPasswordVerifier();
    }
    h.autoPlayMessage = h.isLegacyPlatform ? RegisterWindowMessageW(L"QueryCancelAutoPlay") : 0;

    MSG msg = {};
    if (RegisterClassW(&wc)) {
        h.mainWindow = CreateWindowExW(exStyle, kClassName, title, style, x, y, width, height, parent, nullptr,
                                       h.instance, nullptr);
    }
    parentDpi.reset();
    if (h.mainWindow) {
        if (!h.isPreview) SetForegroundWindow(h.mainWindow);
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    UnloadPasswordVerifier();
    // Enter: Explorer opens only now, with the saver window gone, so nothing covers it.
    const std::wstring photo = h.app && h.app->photoToOpen ? h.app->photoToOpen() : std::wstring();
    if (!photo.empty()) ShowInFolder(photo);
    return h.mainWindow ? static_cast<int>(msg.wParam) : 0;
}

int RunConfiguration(HWND parent) {
    HostState& h = GetHostState();
    if (!h.app || !h.app->showConfiguration(h.instance)) return 0;
    // The program has no such dialog: this call fails at once, so the mode ends with -1.
    return static_cast<int>(
        DialogBoxParamW(h.instance, MAKEINTRESOURCEW(IDD_SAVER_CONFIGURE), parent, h.app->configDialogProc, 0));
}

namespace {

HWND ValidWindowOr(uint32_t number, bool hasNumber, HWND fallback) {
    HWND w = reinterpret_cast<HWND>(static_cast<uintptr_t>(number));
    if (!hasNumber || number == 0 || !IsWindow(w)) return fallback;
    return w;
}

int RunSwitch(LPWSTR tail) {
    SaverSwitch s = ParseSaverSwitch(tail);
    switch (s.mode) {
    case SaverMode::FullScreen:
        return RunSaverWindow(nullptr);
    case SaverMode::Preview: {
        HWND parent = ValidWindowOr(s.window, s.hasNumber, nullptr);
        return parent ? RunSaverWindow(parent) : -1;
    }
    case SaverMode::Configure:
        // An empty command line has no parent; the letter C uses its window number or
        // the foreground window.
        return RunConfiguration(s.named ? ValidWindowOr(s.window, s.hasNumber, GetForegroundWindow()) : nullptr);
    case SaverMode::ChangePassword:
        if (!GetHostState().isLegacyPlatform) return -1;
        ChangeLegacyPassword(ValidWindowOr(s.window, s.hasNumber, GetForegroundWindow()));
        return 0;
    case SaverMode::Invalid:
    default:
        return -1;
    }
}

int RunGuarded(HINSTANCE, LPWSTR tail) {
    InstallLastChanceGuard();
    try {
        return RunSwitch(tail);
    } catch (...) {
        // A C++ exception that left the window procedures: end like the guard does.
        SetSaverRunning(FALSE);
        return -1;
    }
}

}  // namespace

int SaverMain(const SaverApp& app, HINSTANCE instance, HINSTANCE, LPWSTR tail, int) {
    // The window thread's own apartment, single-threaded as the shell's dialogs (the folder
    // picker) need it, for every mode and before any window exists; its WIC factory serves
    // the textures made on this thread. Other threads make their own.
    WicThread windowThread(COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX icc = {sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    HostState& h = GetHostState();
    h.app = &app;
    h.instance = instance;
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    h.isLegacyPlatform = GetVersionExW(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
#pragma GCC diagnostic pop
    return RunGuarded(instance, tail);
}

}  // namespace WorkSpace
