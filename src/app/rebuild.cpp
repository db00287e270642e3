// Rebuilds of the device and the scene on the window thread: the schedule that merges a
// burst of display changes and spaces out the retries, and the attempt itself, its log held
// back so that a failure repeated the same way is written once.
#include "app/rebuild.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/run_state.h"
#include "app/workspace.h"
#include "resources/logger.h"

namespace WorkSpace {

void RebuildSchedule::DisplayChanged(double now) {
    pending_ = true;
    due_ = now + kMergeDelay;
}

void RebuildSchedule::DeviceLost(double now) {
    // A merge already pending makes the device anew anyway.
    if (pending_) return;
    pending_ = true;
    due_ = now;
}

void RebuildSchedule::Attempted(bool settled, double now) {
    if (settled) {
        pending_ = false;
        retry_ = 0.0;
        return;
    }
    retry_ = retry_ > 0.0 ? std::min(retry_ * 2.0, kLongestRetry) : kFirstRetry;
    pending_ = true;
    due_ = now + retry_;
}

void RebuildSchedule::Cancel() {
    pending_ = false;
    retry_ = 0.0;
}

bool RebuildSchedule::Due(double now, bool closing) {
    if (closing) Cancel();
    // Timers fire a little early or late; a millisecond early is on time.
    return pending_ && now + 0.001 >= due_;
}

double RebuildSchedule::Wait(double now) const { return pending_ ? std::max(0.0, due_ - now) : -1.0; }

namespace {
// The last failure logged since the last rebuild that worked.
std::wstring& LastFailure() {
    static std::wstring* failure = new std::wstring();
    return *failure;
}

// One attempt with the log held back: a rebuild that works logs its set-up block as
// always; one that fails logs only the step that failed, and only when that changed.
bool AttemptRebuild(void* window) {
    Logger& log = GetLogger();
    log.Hold();
    bool built = false;
    std::wstring failure;
    try {
        built = RebuildScene(window);
    } catch (...) {
        failure = L"WorkSpace::RebuildScene() - exception - FAILED";
    }
    if (!built) {
        // Nothing half-made stays behind the error screen.
        try {
            ReleaseScene();
        } catch (...) {
        }
    }
    const std::vector<std::wstring> lines = log.EndHold(built);
    if (built) {
        LastFailure().clear();
        return true;
    }
    const std::wstring suffix = L"FAILED";
    for (const std::wstring& line : lines) {
        if (!failure.empty()) break;
        if (line.size() >= suffix.size() && line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
            failure = line;
    }
    if (failure.empty()) failure = L"WorkSpace::RebuildScene() - FAILED";
    if (failure != LastFailure()) {
        log.Write(L"%ls", failure.c_str());
        LastFailure() = failure;
    }
    return false;
}

// The run's start-up failed, or its effect ended for good; not a rebuild's error screen.
bool StaysOnErrorScreen(const RunState& state) { return state.startFailed.load() != 0 && state.rebuildFailed == 0; }
}  // namespace

RebuildOutcome RebuildRun(void* window, const std::function<void()>& place) {
    RunState& state = GetRunState();
    StopRenderThread();
    state.stopRequested.store(0);
    if (place) place();
    if (StaysOnErrorScreen(state)) {
        // No device is made for it, but the error screen takes the window's size when it
        // starts: shown again over the window's new place, it covers the new desktop. (Also
        // when the thread gave up, its start-up second short, while it was being stopped.)
        StartRenderThread();
        return RebuildOutcome::ErrorScreen;
    }
    if (AttemptRebuild(window)) {
        state.startFailed.store(0);
        state.rebuildFailed = 0;
        if (StartRenderThread(true)) return RebuildOutcome::Effect;
    }
    // The error screen needs no device; it shows until an attempt works.
    state.startFailed.store(1);
    state.rebuildFailed = 1;
    StartRenderThread();
    return RebuildOutcome::Retry;
}

}  // namespace WorkSpace
