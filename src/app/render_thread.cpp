// The render thread: error screen or frames, paced by the frame timer (strictly more than
// 1 ms apart), with the slow-start rule on two clocks during the first second.
#include <exception>

#include "app/run_state.h"
#include "app/workspace.h"
#include "checks/error_screen.h"
#include "checks/requirements.h"
#include "platform/platform.h"

namespace WorkSpace {

namespace {
const RenderLoopHooks kRealHooks = {CheckSystemRequirements, ShowErrorScreen, RenderFrame};
const RenderLoopHooks* g_hooks = &kRealHooks;

unsigned GiveUp(RunState& state) {
    state.startFailed.store(1);
    g_hooks->showErrorScreen();
    return 0;
}
}  // namespace

void SetRenderLoopHooks(const RenderLoopHooks* hooks) { g_hooks = hooks ? hooks : &kRealHooks; }

unsigned RenderThreadProc(void*) {
    RunState& state = GetRunState();
    bool startup = true;
    int32_t frames = 0;

    if (!g_hooks->checkRequirements()) return GiveUp(state);
    if (state.startFailed.load() != 0) {
        g_hooks->showErrorScreen();
        return 0;
    }

    const int64_t frequency = Platform::PerfFrequency();
    const int64_t wallStart = Platform::PerfCounter();
    FrameTimer& timer = FrameTimer::Instance();
    const double timerStart = timer.GetTime();

    for (;;) {
        if (state.stopRequested.load() == 1) {
            if (state.startFailed.load() != 0) g_hooks->showErrorScreen();
            return 0;
        }
        const double t = timer.GetTime();
        if (!(t - state.lastFrameTime > 0.001)) continue;
        state.lastFrameTime = t;

        try {
            g_hooks->renderFrame(startup);
        } catch (...) {
            // A frame that throws (a lost allocation, a device fault) ends the effect for good.
            return GiveUp(state);
        }

        if (!startup) {
            ++frames;
            continue;
        }
        const float wall = static_cast<float>(static_cast<double>(Platform::PerfCounter() - wallStart) /
                                              static_cast<double>(frequency));
        if (wall > 1.0f && frames < 20) return GiveUp(state);
        if (t - timerStart > 1.0) {
            if (frames < 20) return GiveUp(state);
            startup = false;
        }
        ++frames;
    }
}

void StartRenderThread() {
    RunState& state = GetRunState();
    try {
        state.renderThread = std::thread([] { RenderThreadProc(nullptr); });
    } catch (const std::exception&) {
        // No thread: the wait at destruction returns at once and the release goes on.
    }
}

void StopRenderThread() {
    RunState& state = GetRunState();
    state.stopRequested.store(1);
    if (state.renderThread.joinable()) state.renderThread.join();
}

}  // namespace WorkSpace
