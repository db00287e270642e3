// The input rules of the full-screen saver: which key, click, cursor move, lost activation or
// power event ends it, measured against what the host's state last stored.
#include "host/saver_input.h"

#include <cstdlib>

namespace WorkSpace {

InputDecision DecideInput(InputRules& rules, uint32_t message, uintptr_t wParam, intptr_t lParam, int32_t cursorX,
                          int32_t cursorY, uint8_t acStatus) {
    InputDecision d;
    switch (message) {
    case Msg::KEYDOWN:
    case Msg::SYSKEYDOWN:
    case Msg::LBUTTONDOWN:
    case Msg::RBUTTONDOWN:
    case Msg::MBUTTONDOWN:
        d.close = true;
        break;
    case Msg::XBUTTONDOWN:
        // The side buttons end the saver like the others. The default step would turn their
        // release, and the keyboard's launch and media keys, into WM_APPCOMMAND for the shell,
        // which starts what they ask for (a browser, a player): all three are answered here,
        // with the TRUE their documentation asks of a window that handled them.
    case Msg::APPCOMMAND:
        d.close = true;
        d.handled = true;
        d.result = 1;
        break;
    case Msg::XBUTTONUP:
        d.handled = true;
        d.result = 1;
        break;
    case Msg::MOUSEMOVE: {
        // Small moves are measured against the position stored last, so a slow drift
        // adds up until it passes the threshold.
        const int64_t dx = std::llabs(static_cast<int64_t>(cursorX) - rules.lastCursor.x);
        const int64_t dy = std::llabs(static_cast<int64_t>(cursorY) - rules.lastCursor.y);
        if (dx + dy > rules.moveThreshold) {
            d.close = true;
            rules.lastCursor = {cursorX, cursorY};
        }
        break;
    }
    case Msg::ACTIVATEAPP:
        d.close = wParam == 0;
        break;
    case Msg::SHOWWINDOW:
        d.hideCursor = wParam != 0;
        break;
    case Msg::SETCURSOR:
        d.hideCursor = true;
        d.handled = true;
        d.result = 1;
        break;
    case Msg::POWER:
        d.close = wParam == 3;  // PWR_SUSPENDREQUEST
        break;
    case Msg::POWERBROADCAST:
        if (wParam == 10) {  // PBT_APMPOWERSTATUSCHANGE
            d.close = acStatus != rules.acLineStatus;
            rules.acLineStatus = acStatus;
        } else if (wParam == 6 || wParam == 7 || wParam == 8 || wParam == 18) {
            // Resume events end the saver unless the system resumed after a failure.
            d.close = (lParam & 1) == 0;
        } else {
            d.close = true;
        }
        break;
    default:
        break;
    }
    return d;
}

}  // namespace WorkSpace
