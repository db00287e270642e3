#include "app/frame_pacing.h"

#include <algorithm>

#include "scene/lumora_effect.h"

namespace WorkSpace {

namespace {
// A wait shorter than this is not worth a sleep: the frame starts a hair early, and the
// schedule, which moves on from the due time, keeps the average rate.
constexpr double kLeastSleep = 0.0002;
// After the 1 ms floor, the least sleep: the floor is strict, so a wait of 0 would turn into
// a busy loop.
constexpr double kFloorSleep = 0.0001;
}  // namespace

bool ShouldRest(const Platform::PowerStatus& status) { return status.acLine == 0 || status.batterySaver; }

double FrameRateCap(uint32_t refreshRate, bool resting) {
    const double display = DisplayFrameRate(refreshRate);
    return resting ? std::min(display, kRestingFrameRate) : display;
}

double FrameWait(FramePacer& pacer, double now, double lastFrame) {
    const double sinceLast = now - lastFrame;
    if (!(sinceLast > 0.001)) return std::max(0.001 - sinceLast, 0.0) + kFloorSleep;
    const double wait = pacer.due - now;
    if (wait > kLeastSleep) return wait;
    // On time or a little late: the next frame is one interval after this one was due, so
    // a late frame is caught up. More than an interval late (slow frames, a display slower
    // than the cap), the schedule starts again from now instead of drawing a burst.
    pacer.due = wait < -pacer.interval ? now + pacer.interval : pacer.due + pacer.interval;
    return 0.0;
}

}  // namespace WorkSpace
