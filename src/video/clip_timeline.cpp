// A clip's timeline (clip_timeline.h): the frame due at a moment, the end of the last
// frame and how long the entry holds the screen. No clock of its own: the caller's seconds.
#include "video/clip_timeline.h"

namespace WorkSpace {

int DueFrame(const double* times, size_t count, double elapsed) {
    int due = -1;
    for (size_t i = 0; i < count && times[i] <= elapsed; ++i) due = static_cast<int>(i);
    return due;
}

double ClipEndTime(double lastTime, double previousTime, bool hasPrevious) {
    const double interval = hasPrevious && lastTime > previousTime ? lastTime - previousTime : 1.0 / 30.0;
    return lastTime + interval;
}

bool ClipPlaying(const ClipProgress& progress, double elapsed, double heardAt) {
    if (progress.ended) return elapsed < progress.endTime;
    const double lastSign = progress.newest > heardAt ? progress.newest : heardAt;
    return elapsed - lastSign < kClipStallSeconds;
}

bool ClipHoldsFade(const ClipProgress& progress, double elapsed, double heardAt, double maxSeconds,
                   bool liveMotion) {
    if (liveMotion) return false;
    if (maxSeconds > 0.0 && elapsed >= maxSeconds) return false;
    return ClipPlaying(progress, elapsed, heardAt);
}

}  // namespace WorkSpace
