// Linux runs the tests and the tools only: a plain sleep, mains power and a local session.
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/pacing.h"

namespace WorkSpace {
namespace Platform {

namespace {
std::atomic<SleepFn> g_sleep{nullptr};
std::atomic<PowerStatusFn> g_power{nullptr};
std::atomic<RemoteSessionFn> g_remote{nullptr};
std::atomic<FineSleepsFn> g_fine{nullptr};
}  // namespace

void SleepSeconds(double seconds) {
    if (SleepFn fn = g_sleep.load()) return fn(seconds);
    if (seconds > 0.0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void SetSleepForTesting(SleepFn sleep) { g_sleep.store(sleep); }

// Linux sleeps are fine-grained already: only a test's recorder hears of them.
void BeginFineSleeps() {
    if (FineSleepsFn fn = g_fine.load()) fn(true);
}
void EndFineSleeps() {
    if (FineSleepsFn fn = g_fine.load()) fn(false);
}
void SetFineSleepsForTesting(FineSleepsFn record) { g_fine.store(record); }

PowerStatus ReadPowerStatus() {
    if (PowerStatusFn fn = g_power.load()) return fn();
    PowerStatus status;
    status.acLine = 1;
    return status;
}

void SetPowerStatusForTesting(PowerStatusFn read) { g_power.store(read); }

bool IsRemoteSession() {
    if (RemoteSessionFn fn = g_remote.load()) return fn();
    return false;
}

void SetRemoteSessionForTesting(RemoteSessionFn read) { g_remote.store(read); }

}  // namespace Platform
}  // namespace WorkSpace
