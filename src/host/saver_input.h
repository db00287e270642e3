// When user input or a system event ends the full-screen saver. The Win32 window procedure
// feeds messages in; these rules decide, so they are tested without a window.
#pragma once
#include <cstdint>

namespace WorkSpace {

namespace Msg {
constexpr uint32_t SHOWWINDOW = 0x0018, ACTIVATEAPP = 0x001C, SETCURSOR = 0x0020, POWER = 0x0048,
                   KEYDOWN = 0x0100, SYSKEYDOWN = 0x0104, MOUSEMOVE = 0x0200, LBUTTONDOWN = 0x0201,
                   RBUTTONDOWN = 0x0204, MBUTTONDOWN = 0x0207, POWERBROADCAST = 0x0218, KEYUP = 0x0101;
}

// The virtual keys that steer the photos ("PictureKeys" 1).
namespace Vk {
constexpr uintptr_t RETURN = 0x0D, ESCAPE = 0x1B, SPACE = 0x20, PRIOR = 0x21, NEXT = 0x22, LEFT = 0x25,
                    RIGHT = 0x27;
}

// What a key asks of the pictures when keys steer them.
enum class Steer : uint8_t { None, Next, Previous, Pause, Open };

// The part of the host's state that the rules read and move on.
struct InputRules {
    struct Point {
        int32_t x = 0, y = 0;
    };
    Point lastCursor;            // at creation, after each move that ended the saver, after a refused password
    uint32_t moveThreshold = 4;  // largest |dx| + |dy| that does not end the saver
    uint8_t acLineStatus = 255;  // 255: unknown
    bool steerPictures = false;  // "PictureKeys" 1: a few keys steer the photos instead of ending
};

struct InputDecision {
    bool close = false;       // post WM_CLOSE
    bool hideCursor = false;  // SetCursor(none)
    bool handled = false;     // return `result` instead of going on to the default step
    intptr_t result = 0;
    Steer steer = Steer::None;  // with `close` for Open: end, then show the photo in its folder
};

// The key rule alone: what a WM_KEYDOWN of `virtualKey` asks when keys steer the photos.
// `repeat` is the key's previous-state bit (lParam bit 30): held keys step once, not on and on.
// Steer::None with `close` false means the key is ignored; any key that steers nothing ends.
InputDecision DecideSteeringKey(uintptr_t virtualKey, bool repeat);

// `cursorX/Y`: the cursor position now (WM_MOUSEMOVE); `acStatus`: the AC-line status now
// (WM_POWERBROADCAST with PBT_APMPOWERSTATUSCHANGE), 255 when unreadable.
InputDecision DecideInput(InputRules& rules, uint32_t message, uintptr_t wParam, intptr_t lParam, int32_t cursorX,
                          int32_t cursorY, uint8_t acStatus);

}  // namespace WorkSpace
