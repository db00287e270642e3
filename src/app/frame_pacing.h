// The frame loop's pace. Where Present waits for the display, the display paces the loop and
// a floor of 0.85 of a refresh keeps a loop that it does not pace from running free; where
// Present does not wait (vsync off in the driver, some remote sessions), the loop sleeps to
// draw no more frames than the display shows. The pace keeps measuring: each frame's step
// follows the running median of the last half second of frames, snapped to whole refreshes,
// and the decision is taken again when the frames stay off it. On battery or with the energy
// saver a frame is drawn every few refreshes. Pure decisions on the frame timer's seconds;
// render_thread.cpp does the sleeping.
#pragma once
#include <cstdint>
#include <vector>

#include "gfx/graphics_ops.h"
#include "platform/pacing.h"

namespace WorkSpace {

// The frames a second at most while resting on battery: enough for smooth motion at half
// the work.
constexpr double kRestingFrameRate = 30.0;
// How often the power source is looked at, in frame-timer seconds.
constexpr double kPowerCheckInterval = 3.0;
// How long the loop watches the frames come before it decides what paces them.
constexpr double kPaceProbeSeconds = 0.5;
// The frames the step's median looks back on.
constexpr double kMedianSeconds = 0.5;
// How long the median may stay more than 5 % off the chosen period before the loop
// decides again.
constexpr double kRedecideSeconds = 1.0;

// On battery (no AC line), with Windows' battery saver or with its energy saver on; an
// unknown line is mains. In a remote session every frame crosses the network: it draws at
// most kRestingFrameRate a second too, whatever the power.
bool ShouldRest(const Platform::PowerStatus& status, bool remoteSession = false);

// The part of a refresh since the last one began, 0 to 1, from where the raster is: its scan
// line against the mode's height, 0 in the vertical blank (which follows the refresh that
// Present waits for). -1 where the status says nothing (no height, a line past the bottom).
double RefreshPhase(const RasterStatus& raster);

// The clocks that can tell when the monitor the device presents on began its latest refresh.
enum class RefreshClock {
    Raster,      // the device's raster (GetRasterStatus)
    Compositor,  // the compositor's vertical blank (DWM_TIMING_INFO.qpcVBlank)
    None,        // neither: resting frames are timed from when Present returned
};
// Which clock to trust: the raster wherever the device reads it, for it is that monitor's own;
// else the compositor's where its rate is within 1 Hz of `displayRate`, the presenting
// monitor's as the loop knows it (the mode's, refined and confirmed by the frames). A
// compositor at another rate runs on another monitor: from Windows 11 22H2 it follows the
// fastest one. `compositorRate` 0: no compositor.
RefreshClock ChooseRefreshClock(double displayRate, double compositorRate, bool rasterReads);
// The part of the compositor's refresh since its latest vertical blank at counter `now`, 0 to
// 1, from a vertical blank `vblank` (before or after `now`) and the ticks between two; -1
// without a period.
double VBlankPhase(int64_t now, int64_t vblank, int64_t period);

// The display's rate as the system reports it: the mode's whole number, refined to the
// compositor's fraction where the two agree within 1 Hz (59.94 for 59). A compositor that
// reports another rate (Windows 11 reports the fastest monitor's) leaves the mode's; where
// the mode says 0 or 1 (the adapter's "default") the compositor's, else 60.
double ReportedDisplayRate(double compositorRate, uint32_t modeRate);
// The display rate that frames measured `measured` a second apart, paced by Present, show
// for a display reported at `reported`: the reported rate where they agree within 1 % or
// where a frame takes a whole number of its refreshes (a machine slower than its display);
// the measured one (taken whole within 0.02 %) otherwise: the mode cut its fraction off, or
// the display is not the one reported.
double ConfirmedDisplayRate(double reported, double measured);
// Where the raster was at a moment of the frame timer: the part of its refresh gone by.
struct RasterSample {
    double time;
    double phase;
};
// How badly a display of `rate` explains the raster's samples: each sample's phase against the
// one the sample before predicts, as a part of a refresh (0 to 0.5), on average over the
// pairs at most 0.1 s apart; 1 where there are fewer than four such pairs. Frames every refresh of a 60 Hz panel and every
// second refresh of a 120 Hz one come alike; the raster between them does not.
double RasterMisfit(const std::vector<RasterSample>& samples, double rate);
// A frame every this many refreshes: 1, or while resting the least whole number that keeps
// the frames at most kRestingFrameRate a second, ceil(R / 30).
int32_t RefreshesPerFrame(double displayRate, bool resting);
// The frames a second the loop draws at most: displayRate / RefreshesPerFrame.
double FrameRateCap(double displayRate, bool resting);
// The frames the start-up second must hold: 20 where the display allows 30 or more in a
// second, else two thirds of what it allows.
int32_t StartupFrameThreshold(double displayRate);

enum class PaceMode {
    Probing,        // half a second: frames at most 4× the reported rate, measured; in its
                    // second half each frame starts a quarter of a frame late, which a
                    // display that paces the loop absorbs
    DisplayPaced,   // Present waits for the display: no sleep but the floor and the battery's
    Capped,         // frames would come faster than the display: the loop sleeps between them
};

struct FramePacer {
    PaceMode mode = PaceMode::Probing;
    double reported = 60.0;        // what the system reports
    double compositor = 0.0;       // the compositor's rate: the fastest monitor's (0: none)
    double display = 60.0;         // the true rate, as the last probe measured it
    bool resting = false;
    double interval = 1.0 / 60.0;  // seconds between frames on the schedule (Probing, Capped)
    double due = 0.0;              // frame-timer seconds at which the next frame is due
    bool held = false;             // the coming frame was held back by a pacing sleep
    double lastStart = -1.0;       // the last frame's start on this pacer
    double lastReturn = -1.0;      // when the loop came back from it: just after a refresh
    double target = -1.0;          // resting on the display's clock: the refresh the coming
                                   // frame is drawn for (-1: none yet)
    double probeStart = -1.0;
    int32_t probeFrames = 0;
    int32_t probeHeld = 0;
    double probeFree = 0.0;        // the median of the probe's first half: frames started at once
    std::vector<RasterSample> probeRaster;  // the raster as the probe saw it, oldest first
    std::vector<double> probeIntervals;  // the probe's current half
    int32_t floorHolds = 0;        // frames in a row that the floor held back
    double chosen = 1.0 / 60.0;    // the period the last decision expects between frames
    double offSince = -1.0;        // since when the median is more than 5 % off `chosen`
    // The running median: the last half second's frame intervals, oldest first.
    std::vector<double> times, intervals, scratch;
    double origin = -1.0;          // the first frame's start: the motion's time line
    double motion = 0.0;           // the steps handed out since then
};

// A new render thread's pacer for a display reported at `reportedRate`, the compositor
// reporting `compositorRate` (0: no compositor).
void StartPacing(FramePacer& pacer, double reportedRate, double compositorRate = 0.0);
// Resting on battery from now on (or not); the first second never rests.
void SetResting(FramePacer& pacer, bool resting);
// Seconds to sleep before a frame may start at `now`; 0 when it may start now. Frames are
// also always strictly more than 1 ms after `lastFrame`, the start of the last one.
// `lastRefresh`, where known (else negative), is when the display's latest refresh began:
// resting frames are then timed from the display's own clock, not from when Present returned,
// which it need not wait for.
double FrameWait(FramePacer& pacer, double now, double lastFrame, double lastRefresh = -1.0);
// Whether FrameWait would use the display's refresh phase now: resting, the probe over.
bool WantsRefreshPhase(const FramePacer& pacer);
// The probe takes the raster's phase at each turn of the loop (RasterSeen), to tell a display
// from one at a whole multiple of its rate.
bool WantsRasterSamples(const FramePacer& pacer);
void RasterSeen(FramePacer& pacer, double now, double phase);
// A frame starts at `now`. Returns the frames a second its steps follow: the rate the
// frames really come at, so the motion keeps its speed.
double FrameStarted(FramePacer& pacer, double now);
// Whether the loop sleeps between frames (capped, probing or resting), which is when it
// needs the system's fine tick.
bool LoopSleeps(const FramePacer& pacer);

}  // namespace WorkSpace
