// The screen shown instead of the effect on a machine that cannot run it: the language's
// error picture centred on black with the logo below left (gdiplus_error_screen.cpp), or a
// blank wait on Linux (posix_error_screen.cpp). It is handed everything it touches, so it
// draws on its own, knowing nothing of who runs it.
#pragma once
#include <atomic>
#include <cstdint>

namespace WorkSpace {

struct ErrorScreenTarget {
    void* window = nullptr;                        // drawn into its client area
    const std::atomic<uint8_t>* stop = nullptr;    // the screen returns once this holds 1
    const std::atomic<uint8_t>* paused = nullptr;  // optional: nothing drawn while non-zero
    // Optional: set non-zero by the window's owner when Windows asks for a repaint (the
    // window's WM_PAINT); the screen copies its frame again and clears it.
    std::atomic<uint8_t>* repaint = nullptr;
    double* lastDraw = nullptr;                    // seconds on `clock` of the last copy
    double (*clock)() = nullptr;                   // seconds, rising
};

// Runs until *target.stop is 1; returns at once when a picture is missing from the archive.
// The result is not used.
int ShowErrorScreen(const ErrorScreenTarget& target);

}  // namespace WorkSpace
