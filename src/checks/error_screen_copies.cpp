// The error screen's copy plan: when its still frame goes to the window (the first look, the
// window turning visible and the settle copies after it, a repaint, the idle redraw). The
// caller's clock in, yes or no out; gdiplus_error_screen.cpp does the copying.
#include "checks/error_screen_copies.h"

namespace WorkSpace {

bool ErrorScreenCopies::Due(double now, bool visible, bool repaint) {
    constexpr int kSettleCount = static_cast<int>(sizeof(kSettleCopies) / sizeof(kSettleCopies[0]));
    bool due = !copied_ || repaint || now - last_ > kIdleRedraw;
    if (visible && !seen_) {
        seen_ = true;
        firstSeen_ = now;
        due = true;
    } else if (seen_) {
        // Settle points the clock passed together give one copy; a millisecond early is on time.
        while (settled_ < kSettleCount && now - firstSeen_ + 0.001 >= kSettleCopies[settled_]) {
            ++settled_;
            due = true;
        }
    }
    if (due) {
        copied_ = true;
        last_ = now;
    }
    return due;
}

}  // namespace WorkSpace
