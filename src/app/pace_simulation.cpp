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

// The first refresh strictly after `t`.
double NextRefresh(double t) {
    const double rate = g.script.displayRate;
    return (std::floor(t * rate - kRefreshPhase) + 1.0 + kRefreshPhase) / rate;
}

int64_t Counter() { return g.now += g.perRead; }
void Sleep(double seconds) { g.now += Ticks(std::max(seconds, 0.0)); }
void Wait(double seconds) { Sleep(seconds); }
Platform::PowerStatus Power() { return {static_cast<uint8_t>(g.script.battery ? 0 : 1), false}; }
double Compositor() { return g.script.compositorRate; }
bool Requirements() { return true; }
void NoRebuild() {}

int ErrorScreen() {
    g.errorScreen = true;
    return 0;
}

int32_t DrawFrame(bool startup) {
    const RunState& state = GetRunState();
    g.now += Ticks(g.script.frameCost);
    const double shown = NextRefresh(Seconds(g.now));
    if (g.script.vsync) g.now = std::max(g.now, Ticks(shown));
    g.frames.push_back({state.lastFrameTime, shown, state.frameRate, startup});
    if (Seconds(g.now) >= g.script.seconds) GetRunState().stopRequested.store(1);
    return kOk;
}

const RenderLoopHooks kHooks = {Requirements, ErrorScreen, DrawFrame, Wait, NoRebuild};

PaceReport Measure() {
    PaceReport report;
    report.errorScreen = g.errorScreen;
    const auto first = std::find_if(g.frames.begin(), g.frames.end(), [](const Frame& f) { return !f.startup; });
    if (first == g.frames.end()) return report;
    const double from = first->start, to = g.script.seconds;
    report.seconds = to - from;
    const double rate = g.script.displayRate;
    report.vblanks = static_cast<int64_t>(std::floor(to * rate - kRefreshPhase) - std::floor(from * rate - kRefreshPhase));
    std::vector<double> intervals;
    double simulated = 0.0;
    for (auto f = first; f != g.frames.end(); ++f) {
        ++report.frames;
        if (f + 1 == g.frames.end()) break;
        intervals.push_back((f + 1)->shown - f->shown);
        simulated += 1.0 / f->rate;
    }
    if (!intervals.empty()) {
        std::vector<double> sorted = intervals;
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
        const double median = sorted[sorted.size() / 2];
        for (double i : intervals)
            if (std::fabs(i - median) > 0.5 / rate) ++report.uneven;
        const double span = g.frames.back().start - from;
        if (span > 0.0) report.speed = simulated / span;
    }
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
    Platform::SetCompositorRefreshRateForTesting(Compositor);
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
    Platform::SetPowerStatusForTesting(nullptr);
    Platform::SetSleepForTesting(nullptr);
    Platform::SetCounterForTesting(nullptr, 0);
    timer.ResetForTesting();
    PaceReport report = Measure();
    report.lastFrameRate = lastFrameRate;
    return report;
}

}  // namespace WorkSpace
