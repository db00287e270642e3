// Starting GDI+ for the whole process. Every GDI+ call fails with GdiplusNotInitialized
// before GdiplusStartup, so the process globals call StartGdiplus while they are built.
// gdiplus.dll is a delay import (gdiplus.dll is no known DLL: as a static import Windows
// would take it from the program's own folder first); the system folder's copy is loaded
// here before the first GDI+ call, so the delay-import helper finds that one already in the
// process.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdlib>

#include "resources/gdiplus_startup.h"
#include "platform/win32_system_library.h"

namespace WorkSpace {

namespace {

struct GdiplusStartupState {
    ULONG_PTR token = 0;
    Gdiplus::Status status = Gdiplus::GdiplusNotInitialized;
};

GdiplusStartupState& State() {
    static GdiplusStartupState state;
    return state;
}

// Registered for exit; the saver ends through ExitProcess and never gets here, but a test
// program or the tool returning from main shuts GDI+ down cleanly.
void StopGdiplus() { Gdiplus::GdiplusShutdown(State().token); }

}  // namespace

bool StartGdiplus() {
    // A function-local static: started exactly once even if a second thread asks while the
    // first start is still running.
    static const bool started = [] {
        GdiplusStartupState& state = State();
        if (!LoadSystemLibrary(L"gdiplus.dll")) return false;
        const Gdiplus::GdiplusStartupInput input;  // version 1, no callback, background thread, codecs
        state.status = Gdiplus::GdiplusStartup(&state.token, &input, nullptr);
        if (state.status != Gdiplus::Ok) return false;
        atexit(StopGdiplus);
        return true;
    }();
    return started;
}

}  // namespace WorkSpace
