// The frame loop's pace. Where Present waits for the display, the display alone paces the
// loop; where it does not (vsync off in the driver, some remote sessions), the loop sleeps
// to draw no more frames than the display shows. The display's true rate comes from the
// compositor or the display mode, confirmed by the frames themselves during the first half
// second; on battery a frame is drawn every few refreshes, a whole number of them. Pure
// decisions on the frame timer's seconds; render_thread.cpp does the sleeping.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/pacing.h"

namespace WorkSpace {

// The frames a second at most while resting on battery: enough for smooth motion at half
// the work.
constexpr double kRestingFrameRate = 30.0;
// How often the power source is looked at, in frame-timer seconds.
constexpr double kPowerCheckInterval = 3.0;
// How long the loop watches the frames come before it decides what paces them.
constexpr double kPaceProbeSeconds = 0.5;

// On battery (no AC line) or with Windows' battery saver on; an unknown line is mains.
bool ShouldRest(const Platform::PowerStatus& status);

// The display's rate as the system reports it: the compositor's (a fraction) where there is
// one, else the mode's whole number (0 or 1, the adapter's "default": 60).
double ReportedDisplayRate(double compositorRate, uint32_t modeRate);
// The display rate that frames measured `measured` a second apart (Present waiting) show for
// a display reported at `reported`: the reported rate where they agree within 1 %; the
// measured one (taken whole within 0.02 %) where the mode cut its fraction off (59.94 reported
// as 59) or where a panel with a dynamic rate runs at twice or half what it reports. Any
// other measure is a machine slower than its display: the reported rate stands.
double ConfirmedDisplayRate(double reported, double measured);
// A frame every this many refreshes: 1, or while resting the least whole number that keeps
// the frames at most kRestingFrameRate a second, ceil(R / 30).
int32_t RefreshesPerFrame(double displayRate, bool resting);
// The frames a second the loop draws at most: displayRate / RefreshesPerFrame.
double FrameRateCap(double displayRate, bool resting);
// The frames the start-up second must hold: 20 where the display allows 30 or more in a
// second, else two thirds of what it allows.
int32_t StartupFrameThreshold(double displayRate);

enum class PaceMode {
    Probing,        // the first half second: frames at most twice the reported rate, measured
    DisplayPaced,   // Present waits for the display: no sleep, but on battery
    Capped,         // frames would come faster than the display: the loop sleeps between them
};

struct FramePacer {
    PaceMode mode = PaceMode::Probing;
    double reported = 60.0;        // what the system reports
    double display = 60.0;         // the true rate, once the probe has measured it
    bool resting = false;
    double interval = 1.0 / 60.0;  // seconds between frames on the schedule (Probing, Capped)
    double due = 0.0;              // frame-timer seconds at which the next frame is due
    bool held = false;             // the coming frame was held back by a pacing sleep
    double lastStart = -1.0;       // the last frame's start on this pacer
    double lastReturn = -1.0;      // when the loop came back from it: just after a refresh
    double probeStart = -1.0;
    int32_t probeFrames = 0;
    int32_t probeHeld = 0;
    std::vector<double> intervals;  // the probe's measured frame intervals
};

// A new render thread's pacer for a display reported at `reportedRate`.
void StartPacing(FramePacer& pacer, double reportedRate);
// Resting on battery from now on (or not); the first second never rests.
void SetResting(FramePacer& pacer, bool resting);
// Seconds to sleep before a frame may start at `now`; 0 when it may start now. Frames are
// also always strictly more than 1 ms after `lastFrame`, the start of the last one.
double FrameWait(FramePacer& pacer, double now, double lastFrame);
// A frame starts at `now`. Returns the frames a second its steps follow: the rate the
// frames really come at, so the motion keeps its speed.
double FrameStarted(FramePacer& pacer, double now);

}  // namespace WorkSpace
