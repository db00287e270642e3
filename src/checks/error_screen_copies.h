// When the error screen copies its still frame to the window: the plan apart from GDI, so
// it runs on any clock and is tested on a scripted one.
#pragma once

namespace WorkSpace {

// A copy made before the window is on screen is lost, and so, under some window systems,
// is the first one after it: the window's pixels only take once it is really shown. So the
// frame is copied at the first look, again as soon as the window is visible, and a few
// times over the half second after that; then only when Windows asks for a repaint, and
// otherwise every kIdleRedraw seconds, which mends a window drawn over without a repaint
// reaching the screen.
class ErrorScreenCopies {
public:
    static constexpr double kIdleRedraw = 5.0;
    // Seconds after the first copy into a visible window when it is copied again.
    static constexpr double kSettleCopies[] = {0.1, 0.25, 0.5};

    // True when the frame is to be copied now. `visible`: the window is on screen;
    // `repaint`: Windows asked for a repaint since the last look.
    bool Due(double now, bool visible, bool repaint);
    // The displays sleep and nobody sees the copies: when they wake, the plan starts over.
    void Asleep() { *this = ErrorScreenCopies(); }

private:
    bool copied_ = false;   // any copy yet
    bool seen_ = false;     // a copy into the visible window
    int settled_ = 0;       // settle copies made since
    double firstSeen_ = 0.0;
    double last_ = 0.0;
};

}  // namespace WorkSpace
