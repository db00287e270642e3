// Rebuilds of the device and the scene on the window thread (a lost device, a new monitor
// layout): when one runs and what it does. The Win32 side only turns messages into these
// calls and the schedule's waits into a timer.
#pragma once
#include <functional>

namespace WorkSpace {

// When the next rebuild runs. Display changes come in bursts (a monitor plugged in, Win+P),
// so they are merged into one rebuild after the last of them; a lost device is rebuilt at
// once; a rebuild that failed is tried again, less often each time but never more than
// kLongestRetry apart, since the error screen waits for it.
class RebuildSchedule {
public:
    static constexpr double kMergeDelay = 0.25;
    static constexpr double kFirstRetry = 1.0;
    static constexpr double kLongestRetry = 5.0;

    void DisplayChanged(double now);
    void DeviceLost(double now);
    // An attempt ended; `settled` is false when it has to be tried again.
    void Attempted(bool settled, double now);
    // The window is going away: nothing pending runs.
    void Cancel();
    // True when a rebuild should start now. A closing window starts none and drops what was
    // pending: its exit would only wait for a device it never shows.
    bool Due(double now, bool closing);
    // Seconds from `now` to the next rebuild; negative when none is pending.
    double Wait(double now) const;

private:
    bool pending_ = false;
    double due_ = 0.0;
    double retry_ = 0.0;  // the last wait after a failure; 0 after a success
};

enum class RebuildOutcome {
    Effect,       // a new device and a whole scene: the frames go on without the start-up second
    ErrorScreen,  // the run's start-up failed or its effect ended: it stays on its error screen,
                  // shown again over the window's new place
    Retry,        // no device or no whole scene: the error screen shows until the next attempt
};

// Stops the render thread, moves the window (`place`, may be empty), makes the device and
// the scene again and starts the thread: on the effect when that worked, on the error
// screen when it did not. A failed attempt writes one log line, and none when it failed
// the same way as the one before.
RebuildOutcome RebuildRun(void* window, const std::function<void()>& place);

}  // namespace WorkSpace
