// The state the window thread and the render thread share. Everything else is handed over
// by ordering alone: built before the render thread starts, touched again after it ended.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace WorkSpace {

struct RunState {
    void* appWindow = nullptr;
    std::thread renderThread;
    std::atomic<uint8_t> stopRequested{0};  // written by the window thread, polled every turn
    std::atomic<uint8_t> startFailed{1};    // 1 until a set-up completes
    double lastFrameTime = 0.0;             // frame-timer seconds of the last frame's start
    double frameRate = 60.0;                // the render thread's pace, for its frames' steps
    void* dialogInstance = nullptr;
    double lastErrorScreenTime = 0.0;       // the error screen's last redraw
    std::atomic<uint8_t> repaintRequested{0};  // set on the window's WM_PAINT, for the error screen
    std::atomic<uint8_t> displaysOff{0};    // written by the window thread on power notices
    uint8_t afterRebuild = 0;               // written before a render thread starts
    // Window thread only: the error screen is that of a failed rebuild, which is tried again
    // (a run whose start-up failed stays on its error screen).
    uint8_t rebuildFailed = 0;
    // Wakes the render thread from its waits (lost device, displays off).
    std::mutex wakeLock;
    std::condition_variable wake;
    uint64_t wakeCount = 0;                 // under wakeLock
};

RunState& GetRunState();

// The frame timer: seconds since its first Start, on the high-resolution counter.
class FrameTimer {
public:
    static FrameTimer& Instance();
    FrameTimer();
    // Starts the time line once; a later set-up in the same process keeps it.
    void Start();
    double GetTime() const;
    int64_t Frequency() const { return frequency_; }
    // Back to "never started", for tests that install their own clock.
    void ResetForTesting() { running_ = 0; base_ = 0; }

private:
    uint8_t running_ = 0;
    int64_t frequency_ = 0;
    int64_t base_ = 0;
};

}  // namespace WorkSpace
