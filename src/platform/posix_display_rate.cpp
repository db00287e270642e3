// Linux has no compositor to ask: the frame loop falls back on the display mode.
#include <atomic>

#include "platform/pacing.h"

namespace WorkSpace {
namespace Platform {

namespace {
std::atomic<RefreshRateFn> g_rate{nullptr};
std::atomic<CompositorClockFn> g_clock{nullptr};
}  // namespace

double CompositorRefreshRate() {
    if (RefreshRateFn fn = g_rate.load()) return fn();
    return 0.0;
}

void SetCompositorRefreshRateForTesting(RefreshRateFn read) { g_rate.store(read); }

CompositorClock ReadCompositorClock() {
    if (CompositorClockFn fn = g_clock.load()) return fn();
    return CompositorClock();
}

void SetCompositorClockForTesting(CompositorClockFn read) { g_clock.store(read); }

}  // namespace Platform
}  // namespace WorkSpace
