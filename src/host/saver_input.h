// When user input or a system event ends the full-screen saver. The Win32 window procedure
// feeds messages in; these rules decide, so they are tested without a window. Keys that steer
// the photos never come here: the show takes them first (app/win32_saver_window.h).
#pragma once
#include <cstdint>

namespace WorkSpace {

namespace Msg {
constexpr uint32_t SHOWWINDOW = 0x0018, ACTIVATEAPP = 0x001C, SETCURSOR = 0x0020, POWER = 0x0048,
                   KEYDOWN = 0x0100, SYSKEYDOWN = 0x0104, MOUSEMOVE = 0x0200, LBUTTONDOWN = 0x0201,
                   RBUTTONDOWN = 0x0204, MBUTTONDOWN = 0x0207, XBUTTONDOWN = 0x020B, XBUTTONUP = 0x020C,
                   POWERBROADCAST = 0x0218, KEYUP = 0x0101, APPCOMMAND = 0x0319;
}

// The part of the host's state that the rules read and move on.
struct InputRules {
    struct Point {
        int32_t x = 0, y = 0;
    };
    Point lastCursor;            // at creation, after each move that ended the saver, after a refused password
    uint32_t moveThreshold = 4;  // largest |dx| + |dy| that does not end the saver
    uint8_t acLineStatus = 255;  // 255: unknown
};

struct InputDecision {
    bool close = false;       // post WM_CLOSE
    bool hideCursor = false;  // SetCursor(none)
    bool handled = false;     // return `result` instead of going on to the default step
    intptr_t result = 0;
};

// `cursorX/Y`: the cursor position now (WM_MOUSEMOVE); `acStatus`: the AC-line status now
// (WM_POWERBROADCAST with PBT_APMPOWERSTATUSCHANGE), 255 when unreadable.
InputDecision DecideInput(InputRules& rules, uint32_t message, uintptr_t wParam, intptr_t lParam, int32_t cursorX,
                          int32_t cursorY, uint8_t acStatus);

}  // namespace WorkSpace
