// The frame loop against a scripted display and clock: the real RenderThreadProc with hooks
// for its clock, sleep, power source and frames, and what its frames would show on screen
// measured afterwards, for the pacing tests and lumora-tool pace.
#include "app/pace_simulation.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/run_state.h"
#include "app/workspace.h"
#include "gfx/graphics_ops.h"
#include "platform/pacing.h"
#include "platform/platform.h"
#include "scene/window.h"

namespace WorkSpace {

namespace {
// Refreshes fall a quarter of a period after the whole periods, so that no frame meets one
// exactly at the clock's start.
constexpr double kRefreshPhase = 0.25;

struct Frame {
    double start;    // frame-timer seconds at its start
    double shown;    // the refresh that shows it
    double rate;     // the frames a second its steps follow
    bool startup;
};

struct Run {
    PaceScript script;
    int64_t frequency = 1;
    int64_t now = 0;     // counter ticks
    int64_t perRead = 0; // a clock read's own cost
    std::vector<Frame> frames;
    bool errorScreen = false;
} g;

double Seconds(int64_t ticks) { return static_cast<double>(ticks) / static_cast<double>(g.frequency); }
int64_t Ticks(double seconds) { return static_cast<int64_t>(std::ceil(seconds * static_cast<double>(g.frequency))); }

// The slow frames of a slow start.
constexpr double kSlowFrame = 0.020;

bool Switched(double t) { return g.script.switchRate > 0.0 && t >= g.script.switchAt; }

// The refreshes from the clock's start up to `t`; after a switch the new rate's refreshes
// are counted from the switch on.
double RefreshesUpTo(double t) {
    if (!Switched(t)) return std::floor(t * g.script.displayRate - kRefreshPhase);
    const double at = g.script.switchAt;
    return std::floor(at * g.script.displayRate - kRefreshPhase) +
           std::floor((t - at) * g.script.switchRate - kRefreshPhase) + 1.0;
}

// The first refresh strictly after `t`.
double NextRefresh(double t) {
    if (Switched(t)) {
        const double at = g.script.switchAt, rate = g.script.switchRate;
        return at + (std::floor((t - at) * rate - kRefreshPhase) + 1.0 + kRefreshPhase) / rate;
    }
    const double rate = g.script.displayRate;
    const double next = (std::floor(t * rate - kRefreshPhase) + 1.0 + kRefreshPhase) / rate;
    return Switched(next) ? NextRefresh(g.script.switchAt) : next;
}

int64_t Counter() { return g.now += g.perRead; }
void Sleep(double seconds) { g.now += Ticks(std::max(seconds, 0.0)); }
void Wait(double seconds) { Sleep(seconds); }
Platform::PowerStatus Power() {
    return {static_cast<uint8_t>(g.script.battery ? 0 : 1), false, g.script.energySaver};
}
double Compositor() { return g.script.compositorRate; }
// The compositor's vertical blanks come at its own rate, a quarter period after its whole
// periods as the display's refreshes do: on the display's own refreshes where the two rates
// are one, on another monitor's where they are not.
Platform::CompositorClock CompositorVBlank() {
    Platform::CompositorClock clock;
    const double rate = g.script.compositorRate;
    if (!(rate > 0.0)) return clock;
    clock.rate = rate;
    clock.vblank = Ticks((std::floor(Seconds(g.now) * rate - kRefreshPhase) + kRefreshPhase) / rate);
    clock.period = Ticks(1.0 / rate);
    return clock;
}
bool Requirements() { return true; }
void NoRebuild() {}

int ErrorScreen() {
    g.errorScreen = true;
    return 0;
}

// A queueing Present that finds the queue full returns at the refresh that shows the oldest
// waiting frame, which leaves room for its own: the queue keeps N frames waiting, not fewer.
void WaitForQueue() {
    const double presented = Seconds(g.now);
    size_t pending = 0;
    while (pending < g.frames.size() && g.frames[g.frames.size() - 1 - pending].shown > presented) ++pending;
    const size_t queue = static_cast<size_t>(g.script.queue);
    if (pending >= queue) g.now = std::max(g.now, Ticks(g.frames[g.frames.size() - queue].shown));
}

int32_t DrawFrame(bool startup) {
    const RunState& state = GetRunState();
    g.now += Ticks(Seconds(g.now) < g.script.slowStart ? kSlowFrame : g.script.frameCost);
    const bool queues = g.script.vsync && g.script.queue > 0;
    if (queues) WaitForQueue();
    // A refresh shows one frame of the queue: a frame never shares a refresh with the one
    // before it.
    // (Just past the last frame's refresh: that refresh itself is taken.)
    const double after =
        queues && !g.frames.empty() ? std::max(Seconds(g.now), g.frames.back().shown + 1e-6) : Seconds(g.now);
    const double shown = NextRefresh(after);
    if (g.script.vsync && !queues) g.now = std::max(g.now, Ticks(shown));
    g.frames.push_back({state.lastFrameTime, shown, state.frameRate, startup});
    if (Seconds(g.now) >= g.script.seconds) GetRunState().stopRequested.store(1);
    return kOk;
}

// The raster of a display of 1080 lines whose vertical blank takes the first 4 % of each
// refresh period, the refresh being the blank's start.
constexpr double kBlank = 0.04;
constexpr uint32_t kLines = 1080;

bool Raster(RasterStatus* status) {
    if (!g.script.raster) return false;
    const double t = Seconds(g.now);
    const double next = NextRefresh(t);
    const double rate = Switched(next) ? g.script.switchRate : g.script.displayRate;
    const double phase = std::clamp(1.0 - (next - t) * rate, 0.0, 1.0);
    status->inVBlank = phase < kBlank;
    status->scanLine =
        status->inVBlank ? 0 : std::min(kLines - 1, static_cast<uint32_t>((phase - kBlank) / (1.0 - kBlank) * kLines));
    status->height = kLines;
    return true;
}
bool NotRemote() { return false; }

const RenderLoopHooks kHooks = {Requirements, ErrorScreen, DrawFrame, Wait, NoRebuild, Raster};

PaceReport Measure() {
    PaceReport report;
    report.errorScreen = g.errorScreen;
    const auto first = std::find_if(g.frames.begin(), g.frames.end(), [](const Frame& f) { return !f.startup; });
    if (first == g.frames.end()) return report;
    const double from = first->start, to = g.script.seconds;
    report.seconds = to - from;
    report.vblanks = static_cast<int64_t>(RefreshesUpTo(to) - RefreshesUpTo(from));
    // Intervals on screen are even when they keep to their median within half a refresh of
    // the rate that shows them.
    std::vector<double> intervals;
    std::vector<double> refreshes;
    for (auto f = first; f != g.frames.end(); ++f) {
        ++report.frames;
        if (f + 1 == g.frames.end()) break;
        intervals.push_back((f + 1)->shown - f->shown);
        refreshes.push_back(Switched(f->shown) ? g.script.switchRate : g.script.displayRate);
    }
    // Uneven within each rate's stretch: a switch changes the median.
    for (size_t begin = 0; begin < intervals.size();) {
        size_t end = begin;
        while (end < intervals.size() && refreshes[end] == refreshes[begin]) ++end;
        std::vector<double> sorted(intervals.begin() + static_cast<std::ptrdiff_t>(begin),
                                   intervals.begin() + static_cast<std::ptrdiff_t>(end));
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
        const double median = sorted[sorted.size() / 2];
        for (size_t i = begin; i < end; ++i)
            if (std::fabs(intervals[i] - median) > 0.5 / refreshes[i]) ++report.uneven;
        begin = end;
    }
    // The speed over the whole run, start-up second included: each frame's step against the
    // time since the frame before.
    double simulated = 0.0;
    for (size_t i = 1; i < g.frames.size(); ++i) simulated += 1.0 / g.frames[i].rate;
    const double span = g.frames.back().start - g.frames.front().start;
    if (span > 0.0) report.speed = simulated / span;
    return report;
}
}  // namespace

PaceReport SimulatePacing(const PaceScript& script) {
    g = Run();
    g.script = script;
    FrameTimer& timer = FrameTimer::Instance();
    g.frequency = timer.Frequency();
    g.perRead = std::max<int64_t>(1, g.frequency / 1000000);  // a microsecond a read
    Platform::SetCounterForTesting(Counter, g.frequency);
    Platform::SetSleepForTesting(Sleep);
    Platform::SetPowerStatusForTesting(Power);
    Platform::SetRemoteSessionForTesting(NotRemote);
    Platform::SetCompositorRefreshRateForTesting(Compositor);
    Platform::SetCompositorClockForTesting(CompositorVBlank);
    SetRenderLoopHooks(&kHooks);
    timer.ResetForTesting();
    timer.Start();
    RunState& state = GetRunState();
    const double lastFrameBefore = state.lastFrameTime, frameRateBefore = state.frameRate;
    state.stopRequested.store(0);
    state.startFailed.store(0);
    state.displaysOff.store(0);
    state.lastFrameTime = 0.0;
    state.afterRebuild = 0;
    const uint32_t modeBefore = GetWindow().refreshRate;
    GetWindow().refreshRate = script.modeRate;

    RenderThreadProc();

    const double lastFrameRate = state.frameRate;
    GetWindow().refreshRate = modeBefore;
    state.stopRequested.store(0);
    state.lastFrameTime = lastFrameBefore;
    state.frameRate = frameRateBefore;
    SetRenderLoopHooks(nullptr);
    Platform::SetCompositorRefreshRateForTesting(nullptr);
    Platform::SetCompositorClockForTesting(nullptr);
    Platform::SetPowerStatusForTesting(nullptr);
    Platform::SetRemoteSessionForTesting(nullptr);
    Platform::SetSleepForTesting(nullptr);
    Platform::SetCounterForTesting(nullptr, 0);
    timer.ResetForTesting();
    PaceReport report = Measure();
    report.lastFrameRate = lastFrameRate;
    return report;
}

}  // namespace WorkSpace
