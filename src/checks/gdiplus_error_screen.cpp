// The error screen with GDI+: the language's error picture centred on black and the logo
// below left, composed once in a back buffer and copied to the window in one draw, as
// ErrorScreenCopies plans it on the caller's clock, until the caller's stop flag is set. In
// between it sleeps.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <string>

#include "checks/error_screen.h"
#include "checks/error_screen_copies.h"
#include "checks/error_screen_layout.h"
#include "settings/language.h"
#include "resources/archive_members.h"
#include "resources/archive_bitmap.h"
#include "resources/zip_reader.h"

namespace WorkSpace {

namespace {

// A still picture needs few copies: a full-screen copy costs about 10 ms of processor time
// under a software X server.
const DWORD kPollMs = 20;        // a stop request or a repaint is seen at least this often
const DWORD kAsleepWaitMs = 50;  // the same while the displays sleep

// Drawing calls on a missing object (GDI+ out of memory) are skipped; failures of the calls
// themselves change nothing, as on an empty client area.
void DrawPicture(Gdiplus::Graphics* target, Gdiplus::Image* picture, const LayoutRect& r) {
    if (target && picture) target->DrawImage(picture, r.x, r.y, r.width, r.height);
}

// The frame never changes (the window size is taken once, the pictures are fixed), so it is
// composed once; each redraw copies it to the window in one draw, so the window never shows
// a half-composed frame. Composing costs tens of milliseconds under a software GDI+.
void Compose(Gdiplus::Graphics* bufferGraphics, Gdiplus::Bitmap* background, Gdiplus::Bitmap* logo,
             const ErrorScreenLayout& layout) {
    if (bufferGraphics) bufferGraphics->Clear(Gdiplus::Color(0xFF000000));
    if (layout.showBackground) {
        DrawPicture(bufferGraphics, background, layout.background);
        DrawPicture(bufferGraphics, logo, layout.logo);
    } else {
        DrawPicture(bufferGraphics, logo, layout.reducedLogo);
    }
}

// The window's client area in the window's own DPI awareness. The small preview inside the
// display settings takes its parent's awareness, which this (drawing) thread does not share:
// measured in the thread's own, the size would come back scaled, and the frame would cover
// part of the window or spill past it. The calls exist from Windows 10 1607; before, every
// thread of the process has the same awareness.
RECT ClientInWindowsAwareness(HWND window) {
    using WindowContextFn = HANDLE(WINAPI*)(HWND);
    using SetThreadContextFn = HANDLE(WINAPI*)(HANDLE);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto windowContext = user32 ? reinterpret_cast<WindowContextFn>(reinterpret_cast<void*>(
                                            GetProcAddress(user32, "GetWindowDpiAwarenessContext")))
                                      : nullptr;
    const auto setThreadContext = user32 ? reinterpret_cast<SetThreadContextFn>(reinterpret_cast<void*>(
                                               GetProcAddress(user32, "SetThreadDpiAwarenessContext")))
                                         : nullptr;
    HANDLE windows = windowContext && setThreadContext ? windowContext(window) : nullptr;
    HANDLE own = windows ? setThreadContext(windows) : nullptr;
    RECT client = {};
    GetClientRect(window, &client);
    if (own) setThreadContext(own);
    return client;
}

}  // namespace

int ShowErrorScreen(const ErrorScreenTarget& target) {
    HWND window = static_cast<HWND>(target.window);
    // The size is taken once: a window that is resized later keeps the first layout.
    const RECT client = ClientInWindowsAwareness(window);
    const float width = static_cast<float>(client.right);
    const float height = static_cast<float>(client.bottom);

    ZipReader& reader = ZipReader::Instance();
    Gdiplus::Bitmap* background = LoadBitmapFromArchive(ErrorPictureMember(ReadLanguageNumber()), &reader);
    if (!background) return 0;
    Gdiplus::Bitmap* logo = LoadBitmapFromArchive(kLogoMember, &reader);
    if (!logo) {
        delete background;
        return 0;
    }

    Gdiplus::Graphics* windowGraphics = Gdiplus::Graphics::FromHWND(window, TRUE);
    Gdiplus::Bitmap* backBuffer = new Gdiplus::Bitmap(static_cast<INT>(width), static_cast<INT>(height), windowGraphics);
    Gdiplus::Graphics* bufferGraphics = backBuffer ? Gdiplus::Graphics::FromImage(backBuffer) : nullptr;
    const ErrorScreenLayout layout = ComputeErrorScreenLayout(
        width, height, static_cast<float>(background->GetWidth()), static_cast<float>(background->GetHeight()),
        static_cast<float>(logo->GetWidth()), static_cast<float>(logo->GetHeight()));

    Compose(bufferGraphics, background, logo, layout);
    // The composed frame as a GDI bitmap in a memory DC: copying it with BitBlt through the
    // window graphics' DC is far cheaper than a GDI+ image draw. Without it (no memory),
    // the GDI+ draw serves.
    HBITMAP frame = nullptr;
    HDC frameDc = nullptr;
    HGDIOBJ previous = nullptr;
    if (backBuffer && backBuffer->GetHBITMAP(Gdiplus::Color(0xFF000000), &frame) == Gdiplus::Ok) {
        frameDc = CreateCompatibleDC(nullptr);
        if (frameDc) previous = SelectObject(frameDc, frame);
    }
    ErrorScreenCopies copies;
    while (target.stop->load() != 1) {
        if (target.paused && target.paused->load() != 0) {
            copies.Asleep();
            Sleep(kAsleepWaitMs);
            continue;
        }
        const bool repaint = target.repaint && target.repaint->exchange(0) != 0;
        const double now = target.clock();
        // IsWindowVisible also looks at the parents: a preview inside a hidden dialog is not.
        if (!copies.Due(now, IsWindowVisible(window) != FALSE, repaint)) {
            Sleep(kPollMs);
            continue;
        }
        *target.lastDraw = now;
        HDC windowDc = frameDc && windowGraphics ? windowGraphics->GetHDC() : nullptr;
        if (windowDc) {
            BitBlt(windowDc, 0, 0, static_cast<int>(width), static_cast<int>(height), frameDc, 0, 0, SRCCOPY);
            windowGraphics->ReleaseHDC(windowDc);
        } else {
            DrawPicture(windowGraphics, backBuffer, {0.0f, 0.0f, width, height});
        }
    }

    if (frameDc) {
        SelectObject(frameDc, previous);
        DeleteDC(frameDc);
    }
    if (frame) DeleteObject(frame);
    delete background;
    delete logo;
    delete bufferGraphics;
    delete backBuffer;
    delete windowGraphics;
    return 0;
}

}  // namespace WorkSpace
