// A clip's timeline, apart from any decoder or device: which decoded frame shows at which
// moment (each at its own time, counted from the first sample's), and how long the entry
// holds the screen before the fade to the next may start. Pure functions on the times.
#pragma once
#include <cstddef>

namespace WorkSpace {

// How long a clip may wait for its next frame before it counts as ended: a decoder that
// stalls mid-clip never holds the show. A decoder that is only slow (a loaded machine) is
// not stalled: its frames keep coming, late, and each shows as it comes.
constexpr double kClipStallSeconds = 2.0;

// What the decoder has told of a clip so far, on the clip's own timeline (seconds from its
// first sample).
struct ClipProgress {
    bool ended = false;     // no frame comes after those given (the end, or a failure)
    double endTime = 0.0;   // with `ended`: when the last frame's time is up
    double newest = 0.0;    // the latest frame's time decoded so far
};

// The seconds a clip's entry has been on screen: they stand still while it is paused.
class ClipClock {
public:
    void Advance(double seconds) {
        if (!paused_ && seconds > 0.0) elapsed_ += seconds;
    }
    void SetPaused(bool paused) { paused_ = paused; }
    double Elapsed() const { return elapsed_; }

private:
    double elapsed_ = 0.0;
    bool paused_ = false;
};

// The time of a sample stamped `stamp` seconds on a timeline that starts at the first
// sample: the first call sets the origin (its stamp need not be 0).
class ClipOrigin {
public:
    double Relative(double stamp) {
        if (!set_) origin_ = stamp, set_ = true;
        return stamp - origin_;
    }

private:
    double origin_ = 0.0;
    bool set_ = false;
};

// Of `count` frames waiting with rising `times`, the one to show at `elapsed`: the last one
// whose time has come (those before it are late and dropped); -1 while none is due.
int DueFrame(const double* times, size_t count, double elapsed);

// When a clip's last frame is up: its time plus the interval before it (a frame lasts as
// long as the one before did), or a 30th of a second for a one-frame clip.
double ClipEndTime(double lastTime, double previousTime, bool hasPrevious);

// Whether the clip plays on at `elapsed` (its motion shows): before its end and not stalled.
// `heardAt` is when (in the entry's seconds) the decoder's newest frame was first seen: a
// clip behind its own time still plays while frames keep coming.
bool ClipPlaying(const ClipProgress& progress, double elapsed, double heardAt);

// Whether a clip's entry holds the screen at `elapsed`: it plays on and is under
// `maxSeconds` (0: the whole clip). A live photo's motion never holds it: the entry keeps a
// photo's time and rests on its still once the motion is through.
bool ClipHoldsFade(const ClipProgress& progress, double elapsed, double heardAt, double maxSeconds,
                   bool liveMotion);

}  // namespace WorkSpace
