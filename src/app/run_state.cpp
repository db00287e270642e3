// The state the window thread and the render thread share, and the frame timer on the
// high-resolution counter; both made on first use and left to the process's end.
#include "app/run_state.h"

#include "platform/platform.h"

namespace WorkSpace {

RunState& GetRunState() {
    static RunState* state = new RunState();  // never destroyed: the process just ends
    return *state;
}

FrameTimer& FrameTimer::Instance() {
    static FrameTimer* timer = new FrameTimer();
    return *timer;
}

FrameTimer::FrameTimer() : frequency_(Platform::PerfFrequency()) {}

void FrameTimer::Start() {
    if (running_) return;
    base_ = Platform::PerfCounter();
    running_ = 1;
}

double FrameTimer::GetTime() const {
    return static_cast<double>(Platform::PerfCounter() - base_) / static_cast<double>(frequency_);
}

}  // namespace WorkSpace
