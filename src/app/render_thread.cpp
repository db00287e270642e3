// The render thread: error screen or frames, paced by the display, with the slow-start rule
// on two clocks during the first second. Where Present waits for the display it alone paces
// the loop; where it does not (vsync forced off), the loop sleeps until the next frame is due
// rather than draw a thousand frames a second. On battery it draws a frame every few
// refreshes, timed from the display's raster or the compositor's vertical blank, and in a
// remote session at most 30 a second.
// While the displays are off or the device is lost it sleeps instead. The 1 ms
// system tick is held only while the loop sleeps between frames.
#include <chrono>
#include <exception>

#include "app/frame_pacing.h"
#include "app/run_state.h"
#include "app/workspace.h"
#include "checks/error_screen.h"
#include "checks/requirements.h"
#include "platform/pacing.h"
#include "platform/platform.h"
#include "gfx/graphics_ops.h"
#include "scene/window.h"

namespace WorkSpace {

namespace {
void WaitForWake(double seconds) {
    RunState& state = GetRunState();
    std::unique_lock<std::mutex> lock(state.wakeLock);
    const uint64_t seen = state.wakeCount;
    state.wake.wait_for(lock, std::chrono::duration<double>(seconds),
                        [&] { return state.wakeCount != seen || state.stopRequested.load() != 0; });
}

double FrameTimerSeconds() { return FrameTimer::Instance().GetTime(); }

// The error screen draws into the run's window until the run's stop request; it pauses
// while the displays sleep, draws again when the window asks for a repaint and paces itself
// on the frame timer.
int ShowRunErrorScreen() {
    RunState& state = GetRunState();
    ErrorScreenTarget target;
    target.window = state.appWindow;
    target.stop = &state.stopRequested;
    target.paused = &state.displaysOff;
    target.repaint = &state.repaintRequested;
    target.lastDraw = &state.lastErrorScreenTime;
    target.clock = FrameTimerSeconds;
    return ShowErrorScreen(target);
}

bool ReadRaster(RasterStatus* status) {
    GraphicsDevice* device = GetWindow().device;
    return device && !Failed(device->GetRasterStatus(status));
}

// When the display's latest refresh began, on the frame timer: from where its raster is now
// (`phase`, negative where the device cannot read it), else from the compositor's vertical blank where the compositor runs at that display's rate;
// negative where neither tells.
double LastRefresh(double phase, double now, double displayRate) {
    const Platform::CompositorClock compositor =
        phase >= 0.0 ? Platform::CompositorClock() : Platform::ReadCompositorClock();
    switch (ChooseRefreshClock(displayRate, compositor.rate, phase >= 0.0)) {
    case RefreshClock::Raster:
        return now - phase / displayRate;
    case RefreshClock::Compositor: {
        const double since = VBlankPhase(Platform::PerfCounter(), compositor.vblank, compositor.period);
        return since < 0.0 ? -1.0
                           : now - since * static_cast<double>(compositor.period) /
                                       static_cast<double>(Platform::PerfFrequency());
    }
    case RefreshClock::None:
        break;
    }
    return -1.0;
}

// The raster at `now`: a sample for the probe, and for a resting frame when the display's
// latest refresh began (negative where nothing tells, or nothing asks).
double SeeRefresh(FramePacer& pacer, bool (*readRaster)(RasterStatus*), double now) {
    if (!WantsRefreshPhase(pacer) && !WantsRasterSamples(pacer)) return -1.0;
    RasterStatus raster;
    const double phase = readRaster(&raster) ? RefreshPhase(raster) : -1.0;
    RasterSeen(pacer, now, phase);
    return WantsRefreshPhase(pacer) ? LastRefresh(phase, now, pacer.display) : -1.0;
}

const RenderLoopHooks kRealHooks = {CheckSystemRequirements, ShowRunErrorScreen, RenderFrame, WaitForWake,
                                    PostRebuildRequest, ReadRaster};
const RenderLoopHooks* g_hooks = &kRealHooks;

// The longest sleep between two looks at the flags; a wake-up comes sooner.
constexpr double kPausePoll = 0.1;

// The fine tick while the loop sleeps between frames (capped, probing, resting), and not
// while Present alone paces it or nothing is drawn; released on every way out.
class FineSleeps {
public:
    FineSleeps() = default;
    ~FineSleeps() { Set(false); }
    FineSleeps(const FineSleeps&) = delete;
    FineSleeps& operator=(const FineSleeps&) = delete;
    void Set(bool fine) {
        if (fine == fine_) return;
        fine_ = fine;
        if (fine) {
            Platform::BeginFineSleeps();
        } else {
            Platform::EndFineSleeps();
        }
    }

private:
    bool fine_ = false;
};

unsigned GiveUp(RunState& state, FineSleeps* fineSleeps = nullptr) {
    // The error screen wakes seldom: the fine tick would only cost it power.
    if (fineSleeps) fineSleeps->Set(false);
    state.startFailed.store(1);
    g_hooks->showErrorScreen();
    return 0;
}
}  // namespace

void SetRenderLoopHooks(const RenderLoopHooks* hooks) { g_hooks = hooks ? hooks : &kRealHooks; }

void WakeRenderThread() {
    RunState& state = GetRunState();
    {
        std::lock_guard<std::mutex> lock(state.wakeLock);
        ++state.wakeCount;
    }
    state.wake.notify_all();
}

void SetDisplaysOff(bool off) {
    GetRunState().displaysOff.store(off ? 1 : 0);
    WakeRenderThread();
}

unsigned RenderThreadProc() {
    RunState& state = GetRunState();
    // A thread that follows a rebuild has shown its frames already: no black second and
    // no slow-start check again.
    bool startup = state.afterRebuild == 0;
    int32_t frames = 0;
    bool deviceLost = false;
    auto waitForWake = g_hooks->waitForWake ? g_hooks->waitForWake : WaitForWake;
    auto requestRebuild = g_hooks->requestRebuild ? g_hooks->requestRebuild : PostRebuildRequest;
    auto readRaster = g_hooks->readRaster ? g_hooks->readRaster : ReadRaster;

    if (!g_hooks->checkRequirements()) return GiveUp(state);
    if (state.startFailed.load() != 0) {
        g_hooks->showErrorScreen();
        return 0;
    }

    FineSleeps fineSleeps;
    const int64_t frequency = Platform::PerfFrequency();
    int64_t wallStart = Platform::PerfCounter();
    FrameTimer& timer = FrameTimer::Instance();
    double timerStart = timer.GetTime();
    FramePacer pacer;
    const double compositorRate = Platform::CompositorRefreshRate();
    StartPacing(pacer, ReportedDisplayRate(compositorRate, GetWindow().refreshRate), compositorRate);
    bool resting = false;
    double powerCheckDue = -1.0;  // not looked at yet

    for (;;) {
        if (state.stopRequested.load() == 1) {
            if (state.startFailed.load() != 0) g_hooks->showErrorScreen();
            return 0;
        }
        if (deviceLost || state.displaysOff.load() != 0) {
            // Nothing is drawn, so nothing is measured: the time asleep moves both start
            // marks on, and a machine whose displays sleep in its first second is not slow.
            fineSleeps.Set(false);
            const int64_t counterBefore = Platform::PerfCounter();
            const double timerBefore = timer.GetTime();
            waitForWake(kPausePoll);
            wallStart += Platform::PerfCounter() - counterBefore;
            timerStart += timer.GetTime() - timerBefore;
            continue;
        }
        const double t = timer.GetTime();
        if (powerCheckDue < 0.0 || t >= powerCheckDue) {
            // Every few seconds, not every frame: the power source changes seldom.
            resting = ShouldRest(Platform::ReadPowerStatus(), Platform::IsRemoteSession());
            powerCheckDue = t + kPowerCheckInterval;
        }
        // The start-up second is measured at the display's full rate, on battery too.
        SetResting(pacer, resting && !startup);
        // Resting frames follow the display's own refreshes: Present need not wait for them.
        const double refresh = SeeRefresh(pacer, readRaster, t);
        const double wait = FrameWait(pacer, t, state.lastFrameTime, refresh);
        // Where Present paces, the floor may still hold back a frame that started late (the
        // first after a probe, one the system kept waiting): the tick for that short sleep,
        // which would otherwise end on a 15.6 ms tick, past the refresh.
        fineSleeps.Set(LoopSleeps(pacer) || wait > 0.0);
        if (wait > 0.0) {
            // A wait is one frame at most; the cap keeps a stop request prompt whatever the
            // clock does.
            Platform::SleepSeconds(wait < kPausePoll ? wait : kPausePoll);
            continue;
        }
        state.frameRate = FrameStarted(pacer, t);
        state.lastFrameTime = t;

        int32_t presented = kOk;
        try {
            presented = g_hooks->renderFrame(startup);
        } catch (...) {
            // A frame that throws (a lost allocation, a device fault) ends the effect for good.
            return GiveUp(state, &fineSleeps);
        }
        if (NeedsNewDevice(presented)) {
            // The device belongs to the window thread, which makes it again; until it
            // stops this thread, there is nothing to draw into.
            deviceLost = true;
            requestRebuild();
            continue;
        }

        if (!startup) {
            ++frames;
            continue;
        }
        const float wall = static_cast<float>(static_cast<double>(Platform::PerfCounter() - wallStart) /
                                              static_cast<double>(frequency));
        // A display slower than 30 Hz allows fewer frames than the rule's 20 in a second.
        const int32_t needed = StartupFrameThreshold(pacer.display);
        if (wall > 1.0f && frames < needed) return GiveUp(state, &fineSleeps);
        if (t - timerStart > 1.0) {
            if (frames < needed) return GiveUp(state, &fineSleeps);
            startup = false;
        }
        ++frames;
    }
}

bool StartRenderThread(bool afterRebuild) {
    RunState& state = GetRunState();
    state.afterRebuild = afterRebuild ? 1 : 0;
    try {
        state.renderThread = std::thread(RenderThreadProc);
    } catch (const std::exception&) {
        // No thread: the wait at destruction returns at once and the release goes on.
        return false;
    }
    return true;
}

void StopRenderThread() {
    RunState& state = GetRunState();
    state.stopRequested.store(1);
    WakeRenderThread();
    if (state.renderThread.joinable()) state.renderThread.join();
}

}  // namespace WorkSpace
