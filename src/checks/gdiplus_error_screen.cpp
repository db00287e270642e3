// The error screen with GDI+: the language's error picture centred on black and the logo
// below left, composed in a back buffer and copied to the window in one draw, at most once
// per 10 ms on the caller's clock until the caller's stop flag is set.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cmath>
#include <string>

#include "checks/error_screen.h"
#include "checks/error_screen_layout.h"
#include "settings/language.h"
#include "resources/archive_members.h"
#include "resources/archive_bitmap.h"
#include "resources/zip_reader.h"

namespace WorkSpace {

namespace {

const double kRedrawInterval = 0.01;  // seconds on the caller's clock between redraws
const DWORD kLongestWaitMs = 10;      // a stop request is seen at least this often
const DWORD kAsleepWaitMs = 50;       // the same while the displays sleep

// Drawing calls on a missing object (GDI+ out of memory) are skipped; failures of the calls
// themselves change nothing, as on an empty client area.
void DrawPicture(Gdiplus::Graphics* target, Gdiplus::Image* picture, const LayoutRect& r) {
    if (target && picture) target->DrawImage(picture, r.x, r.y, r.width, r.height);
}

// The frame never changes (the window size is taken once, the pictures are fixed), so it is
// composed once; each redraw copies it to the window in one draw, so the window never shows
// a half-composed frame. Composing anew every 10 ms costs more than the interval under a
// software GDI+, which would keep a core busy after all.
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

// Sleeps until the next redraw is due, but never longer than kLongestWaitMs, so the stop
// flag is read again within one turn. Polling without a pause, as a plain "not yet, next
// turn" loop would, keeps a whole core busy for as long as the screen is up.
void WaitForRedraw(double sinceLast) {
    const double remainingMs = (kRedrawInterval - sinceLast) * 1000.0;
    DWORD wait = kLongestWaitMs;
    if (remainingMs >= 0.0 && remainingMs < kLongestWaitMs) wait = static_cast<DWORD>(std::ceil(remainingMs));
    Sleep(wait > 0 ? wait : 1);
}

}  // namespace

int ShowErrorScreen(const ErrorScreenTarget& target) {
    HWND window = static_cast<HWND>(target.window);
    // The size is taken once: a window that is resized later keeps the first layout.
    RECT client = {};
    GetClientRect(window, &client);
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
    // window graphics' DC is far cheaper than a GDI+ image draw, which matters when this
    // runs every 10 ms. Without it (no memory), the GDI+ draw serves.
    HBITMAP frame = nullptr;
    HDC frameDc = nullptr;
    HGDIOBJ previous = nullptr;
    if (backBuffer && backBuffer->GetHBITMAP(Gdiplus::Color(0xFF000000), &frame) == Gdiplus::Ok) {
        frameDc = CreateCompatibleDC(nullptr);
        if (frameDc) previous = SelectObject(frameDc, frame);
    }
    while (target.stop->load() != 1) {
        if (target.paused && target.paused->load() != 0) {
            // Nobody sees the copies while the displays sleep.
            Sleep(kAsleepWaitMs);
            continue;
        }
        const double now = target.clock();
        const double sinceLast = now - *target.lastDraw;
        if (!(sinceLast > kRedrawInterval)) {
            WaitForRedraw(sinceLast);
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
