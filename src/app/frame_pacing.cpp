// The frame loop's pacing decisions: the probe that finds out whether Present waits for the
// display, the running median each frame's step follows, and the waits that keep a loop that
// Present does not pace to the display's rate. Seconds in, seconds out; no clock read here.
#include "app/frame_pacing.h"

#include <algorithm>
#include <cmath>

#include "scene/frame_layer.h"
#include "scene/lumora_effect.h"

namespace WorkSpace {

namespace {
// A wait shorter than this is not worth a sleep: the frame starts a hair early, and the
// schedule, which moves on from the due time, keeps the average rate.
constexpr double kLeastSleep = 0.0002;
// After the 1 ms floor, the least sleep: the floor is strict, so a wait of 0 would turn into
// a busy loop.
constexpr double kFloorSleep = 0.0001;
// While probing, frames may come at four times the reported rate and a little more, so that
// a display faster than its mode says (a 144 Hz panel reported as 60) paces them unhindered.
constexpr double kProbeHeadroom = 4.0 * 1.02;
// The probe's second half starts each frame this part of a frame late.
constexpr double kProbeDelay = 0.25;
// A resting frame starts this part of a refresh into the refresh before its own.
constexpr double kIntoRefresh = 0.25;
// The frames a Direct3D 9 Present may leave waiting for their refreshes, at most.
constexpr int32_t kDeepestQueue = 3;
// Frames slower than this part of the start-up rule's pace (20 a second: 38 ms) are not
// delayed, lest the rule miss one.
constexpr double kSlowestDelayed = 1.0 / 1.3;
// Frames that a late start slows by more than this were not waiting for the display.
constexpr double kProbeAbsorbed = 1.1;
// Measures within this of a display rate are that rate: the median of half a second of
// frames wavers less than that.
constexpr double kMeasureTolerance = 0.01;
// A median within this part of a refresh of a whole number of them is that number.
constexpr double kSnapTolerance = 0.1;
// Where Present paces, no frame starts sooner than this part of a refresh after the last.
constexpr double kPresentFloor = 0.85;
// Frames in a row that the floor holds back before the loop decides again: a loop that
// Present paces at the believed rate never meets the floor.
constexpr int32_t kFloorsToProbe = 8;
// The median may stay this far off the chosen period; beyond it for kRedecideSeconds, the
// loop decides again.
constexpr double kOffTolerance = 0.05;
// How far the motion may drift from the frame timer, in steps, before it is paid back.
constexpr double kStepSlack = 0.05;
// The part of the drift beyond the slack paid back with each frame: a frame's jitter moves
// its step by a quarter of it, a change's lag is paid in a few frames.
constexpr double kPayBack = 0.25;
// The raster names the slower display only where it explains the samples this much better.
constexpr double kBetterFit = 0.5;
// Raster samples further apart than this, in seconds, tell little: a rate a hair off moves
// the phase between them too far.
constexpr double kFarthestSample = 0.1;
// The least pairs of samples that decide between two rates.
constexpr size_t kLeastSamplePairs = 4;
// An interval longer than this is a pause (displays off, a lost device), not a frame.
constexpr double kLongestFrame = 0.5;
// The window's size at most: half a second of frames at the 1 ms floor.
constexpr size_t kMaxWindow = 512;

bool Near(double value, double target) { return std::fabs(value - target) <= target * kMeasureTolerance; }

double Median(const std::vector<double>& values, std::vector<double>& scratch) {
    scratch.assign(values.begin(), values.end());
    const auto middle = scratch.begin() + static_cast<std::ptrdiff_t>(scratch.size() / 2);
    std::nth_element(scratch.begin(), middle, scratch.end());
    return *middle;
}

void UpdateInterval(FramePacer& pacer) {
    pacer.interval = pacer.mode == PaceMode::Probing ? 1.0 / (pacer.reported * kProbeHeadroom)
                                                     : 1.0 / FrameRateCap(pacer.display, pacer.resting);
}

// The refreshes a frame of `seconds` takes on the display, or 0 where it is no whole number
// of them (frames without vsync, a display not the one believed).
int32_t WholeRefreshes(const FramePacer& pacer, double seconds) {
    const double refreshes = seconds * pacer.display;
    const double whole = std::round(refreshes);
    return whole >= 1.0 && std::fabs(refreshes - whole) <= kSnapTolerance ? static_cast<int32_t>(whole) : 0;
}

// The frames a second that frames `seconds` apart show: a whole number of refreshes exactly.
double SnappedRate(const FramePacer& pacer, double seconds) {
    const int32_t k = WholeRefreshes(pacer, seconds);
    return k > 0 ? pacer.display / k : 1.0 / seconds;
}

// The period the frames should come at: what the decision measured, or the cap's.
double ExpectedPeriod(const FramePacer& pacer) {
    return std::max(pacer.chosen, 1.0 / FrameRateCap(pacer.display, pacer.resting));
}

// The median starts again from the frames of a new pace: the last ones came at the old.
void ForgetFrames(FramePacer& pacer) {
    pacer.times.clear();
    pacer.intervals.clear();
}

void StartProbe(FramePacer& pacer, double now) {
    ForgetFrames(pacer);
    pacer.probeRaster.clear();
    pacer.target = -1.0;
    pacer.mode = PaceMode::Probing;
    pacer.probeStart = now;
    pacer.probeFrames = pacer.probeHeld = pacer.floorHolds = 0;
    pacer.probeFree = 0.0;
    pacer.probeIntervals.clear();
    pacer.offSince = -1.0;
    UpdateInterval(pacer);
    pacer.due = now + pacer.interval;
}

void Decide(FramePacer& pacer, double now, bool presentWaits, double measured) {
    // Frames faster than every monitor here (the compositor runs at the fastest) were held
    // back by the graphics card's queue, not by a refresh: vsync is off, and a delay before
    // Present only shortens its wait for the card.
    const double fastest = std::max(pacer.compositor, pacer.reported) * (1.0 + kMeasureTolerance);
    if (presentWaits && pacer.compositor > 0.0 && 1.0 / measured > fastest) presentWaits = false;
    pacer.mode = presentWaits ? PaceMode::DisplayPaced : PaceMode::Capped;
    // Frames that Present does not pace measure the machine, not the display.
    pacer.display = presentWaits ? ConfirmedDisplayRate(pacer.reported, 1.0 / measured) : pacer.reported;
    // Frames every k-th refresh of the reported display, or every refresh of a display k
    // times slower than its mode says: the raster tells which.
    const double frameRate = WholeFrameRate(1.0 / measured);
    if (presentWaits && pacer.display != frameRate &&
        RasterMisfit(pacer.probeRaster, frameRate) < kBetterFit * RasterMisfit(pacer.probeRaster, pacer.display))
        pacer.display = frameRate;
    pacer.probeRaster.clear();
    const int32_t k = WholeRefreshes(pacer, measured);
    // What the frames should come at from now on: the refreshes a frame took, or the cap's
    // period (a machine slower than the cap is no reason to decide again and again).
    pacer.chosen = presentWaits && k > 0 ? k / pacer.display : 1.0 / pacer.display;
    pacer.probeIntervals.clear();
    ForgetFrames(pacer);
    pacer.target = -1.0;
    pacer.floorHolds = 0;
    pacer.offSince = -1.0;
    UpdateInterval(pacer);
    pacer.due = now + pacer.interval;
}

// The probe's halves: frames as they come, then each started a quarter of a frame late. A
// display that paces them absorbs the delay; a loop that runs free, or a machine slower than
// its display, slows down by it.
void Probe(FramePacer& pacer, double now, double interval) {
    pacer.probeIntervals.push_back(interval);
    ++pacer.probeFrames;
    if (pacer.held && pacer.probeFree == 0.0) ++pacer.probeHeld;
    const double elapsed = now - pacer.probeStart;
    if (pacer.probeIntervals.size() < 3) return;
    if (pacer.probeFree == 0.0 && elapsed >= kPaceProbeSeconds / 2) {
        const double free = Median(pacer.probeIntervals, pacer.scratch);
        // Frames the probe's cap held back mostly come faster than any display.
        if (pacer.probeHeld * 2 > pacer.probeFrames) return Decide(pacer, now, false, free);
        // Frames this slow are not delayed: the start-up rule needs each of them. The loop
        // caps them at the display's rate, which they do not reach.
        if (free > kSlowestDelayed / StartupFrameThreshold(pacer.reported)) return Decide(pacer, now, false, free);
        pacer.probeFree = free;
        pacer.probeIntervals.clear();
    } else if (pacer.probeFree > 0.0 && elapsed >= kPaceProbeSeconds) {
        const double late = Median(pacer.probeIntervals, pacer.scratch);
        Decide(pacer, now, late <= pacer.probeFree * kProbeAbsorbed, pacer.probeFree);
    }
}

// Decides again when the median stays off the period the last decision expects.
void Watch(FramePacer& pacer, double now, double median) {
    const double expected = ExpectedPeriod(pacer);
    // Capped frames slower than the cap are a machine slower than its display: deciding
    // again would change nothing.
    const bool slowerThanCap = pacer.mode == PaceMode::Capped && median > expected;
    if (slowerThanCap || std::fabs(median - expected) <= expected * kOffTolerance) {
        pacer.offSince = -1.0;
    } else if (pacer.offSince < 0.0) {
        pacer.offSince = now;
    } else if (now - pacer.offSince >= kRedecideSeconds) {
        StartProbe(pacer, now);
    }
}

// The step: the median, snapped, with what it lagged behind a change paid back over the
// next frames, a quarter of it and half a step at most a frame, so that the motion keeps to
// the frame timer.
// Within kStepSlack of a step it is left: the classic step stays exact.
double Step(FramePacer& pacer, double now, double median) {
    const double rate = SnappedRate(pacer, median);
    const double step = 1.0 / rate;
    const double behind = (now - pacer.origin) - pacer.motion - step;
    const double band = kStepSlack * step;
    if (std::fabs(behind) <= band) {
        pacer.motion += step;
        return rate;
    }
    const double paid = std::clamp((behind - std::copysign(band, behind)) * kPayBack, -0.5 * step, 0.5 * step);
    pacer.motion += step + paid;
    return 1.0 / (step + paid);
}

// A resting frame's wait on the display's clock: the refreshes fall `1 / display` apart from
// `lastRefresh` on; each frame is for the k-th refresh after the last one's and starts a
// quarter of a refresh into the refresh before it, so that its Present, whether it waits for
// the refresh or returns at once into a queue, is shown by that very refresh.
double OnTheDisplaysClock(FramePacer& pacer, double now, double lastRefresh, int32_t k) {
    const double period = 1.0 / pacer.display;
    // The first leaves the refreshes that frames Present may still hold take: its queue keeps
    // kDeepestQueue at most.
    if (pacer.target < 0.0) pacer.target = lastRefresh + std::max(k, kDeepestQueue + 1) * period;
    // On the refreshes as the display has them now: the rate as measured drifts a little.
    pacer.target = lastRefresh + std::round((pacer.target - lastRefresh) / period) * period;
    double start = pacer.target - (1.0 - kIntoRefresh) * period;
    if (start < now - kIntoRefresh * period) {
        // Too late for its refresh (a frame the system kept waiting): the first one it can
        // still catch, and the cadence goes on from there.
        pacer.target = lastRefresh + std::ceil((now - lastRefresh) / period + 1.0 - kIntoRefresh) * period;
        start = pacer.target - (1.0 - kIntoRefresh) * period;
    }
    return start - now;
}
}  // namespace

bool ShouldRest(const Platform::PowerStatus& status, bool remoteSession) {
    return remoteSession || status.acLine == 0 || status.batterySaver || status.energySaver;
}

double RefreshPhase(const RasterStatus& raster) {
    if (raster.inVBlank) return 0.0;
    if (raster.height == 0 || raster.scanLine >= raster.height) return -1.0;
    return static_cast<double>(raster.scanLine) / static_cast<double>(raster.height);
}

RefreshClock ChooseRefreshClock(double displayRate, double compositorRate, bool rasterReads) {
    if (rasterReads) return RefreshClock::Raster;
    if (compositorRate > 1.0 && std::fabs(compositorRate - displayRate) <= 1.0) return RefreshClock::Compositor;
    return RefreshClock::None;
}

double VBlankPhase(int64_t now, int64_t vblank, int64_t period) {
    if (period <= 0) return -1.0;
    int64_t since = (now - vblank) % period;
    if (since < 0) since += period;  // a vertical blank still to come
    return static_cast<double>(since) / static_cast<double>(period);
}

double RasterMisfit(const std::vector<RasterSample>& samples, double rate) {
    double sum = 0.0;
    size_t pairs = 0;
    for (size_t i = 1; i < samples.size(); ++i) {
        const double apart = samples[i].time - samples[i - 1].time;
        if (!(apart > 0.0) || apart > kFarthestSample) continue;
        const double gone = apart * rate;
        double off = std::fabs(samples[i - 1].phase + gone - samples[i].phase);
        off -= std::floor(off);
        sum += std::min(off, 1.0 - off);
        ++pairs;
    }
    return pairs >= kLeastSamplePairs ? sum / static_cast<double>(pairs) : 1.0;
}

double ReportedDisplayRate(double compositorRate, uint32_t modeRate) {
    const bool compositor = compositorRate > 1.0;
    if (modeRate <= 1) return compositor ? WholeFrameRate(compositorRate) : DisplayFrameRate(modeRate);
    const double mode = DisplayFrameRate(modeRate);
    return compositor && std::fabs(compositorRate - mode) <= 1.0 ? WholeFrameRate(compositorRate) : mode;
}

double ConfirmedDisplayRate(double reported, double measured) {
    if (!(measured > 0.0) || Near(measured, reported)) return reported;
    // A frame every k refreshes of the reported display: the machine, or a panel at a
    // fraction of its mode, which the steps follow either way.
    const double k = std::round(reported / measured);
    if (k >= 2.0 && Near(measured * k, reported)) return reported;
    return WholeFrameRate(measured);
}

int32_t RefreshesPerFrame(double displayRate, bool resting) {
    if (!resting || !(displayRate > kRestingFrameRate)) return 1;
    // The tolerance keeps 60 / 30 at 2, whatever the last bit of a measured rate.
    return static_cast<int32_t>(std::ceil(displayRate / kRestingFrameRate - 1e-6));
}

double FrameRateCap(double displayRate, bool resting) { return displayRate / RefreshesPerFrame(displayRate, resting); }

int32_t StartupFrameThreshold(double displayRate) {
    if (!(displayRate < 30.0)) return 20;
    return std::max(1, static_cast<int32_t>(displayRate * 2.0 / 3.0));
}

void StartPacing(FramePacer& pacer, double reportedRate, double compositorRate) {
    pacer = FramePacer();
    pacer.reported = reportedRate > 0.0 ? reportedRate : 60.0;
    pacer.compositor = compositorRate > 1.0 ? compositorRate : 0.0;
    pacer.display = pacer.reported;
    pacer.chosen = 1.0 / pacer.display;
    UpdateInterval(pacer);
}

void SetResting(FramePacer& pacer, bool resting) {
    if (pacer.resting == resting) return;
    pacer.resting = resting;
    pacer.offSince = -1.0;
    pacer.target = -1.0;
    ForgetFrames(pacer);
    UpdateInterval(pacer);
}

bool WantsRasterSamples(const FramePacer& pacer) { return pacer.mode == PaceMode::Probing; }

void RasterSeen(FramePacer& pacer, double now, double phase) {
    if (pacer.mode != PaceMode::Probing || phase < 0.0) return;
    if (pacer.probeRaster.size() >= kMaxWindow) pacer.probeRaster.erase(pacer.probeRaster.begin());
    pacer.probeRaster.push_back({now, phase});
}

bool WantsRefreshPhase(const FramePacer& pacer) {
    return pacer.mode != PaceMode::Probing && RefreshesPerFrame(pacer.display, pacer.resting) > 1;
}

double FrameWait(FramePacer& pacer, double now, double lastFrame, double lastRefresh) {
    const double sinceLast = now - lastFrame;
    if (!(sinceLast > 0.001)) return std::max(0.001 - sinceLast, 0.0) + kFloorSleep;
    if (pacer.lastReturn < 0.0 && pacer.lastStart >= 0.0) pacer.lastReturn = now;
    double wait = 0.0;
    if (lastRefresh >= 0.0 && pacer.lastStart >= 0.0 && WantsRefreshPhase(pacer)) {
        wait = OnTheDisplaysClock(pacer, now, lastRefresh, RefreshesPerFrame(pacer.display, pacer.resting));
    } else if (pacer.mode == PaceMode::DisplayPaced) {
        // Present returns just after a refresh. A frame every k refreshes starts a quarter of
        // a refresh into the one before the k-th: late enough that its Present cannot catch
        // the refresh before, early enough to be drawn for the k-th.
        const int32_t k = RefreshesPerFrame(pacer.display, pacer.resting);
        if (pacer.lastStart < 0.0) return 0.0;
        if (k > 1) {
            if (pacer.lastReturn >= 0.0) wait = pacer.lastReturn + (k - 0.75) / pacer.display - now;
        } else {
            wait = pacer.lastStart + kPresentFloor / pacer.display - now;
            if (wait > kLeastSleep && !pacer.held && ++pacer.floorHolds >= kFloorsToProbe) {
                // The frames keep meeting the floor: Present does not wait after all, or the
                // display became faster. The probe tells which.
                StartProbe(pacer, now);
                return FrameWait(pacer, now, lastFrame);
            }
        }
    } else if (pacer.mode == PaceMode::Probing && pacer.probeFree > 0.0) {
        if (pacer.lastReturn >= 0.0) wait = pacer.lastReturn + kProbeDelay * pacer.probeFree - now;
    } else {
        wait = pacer.due - now;
        if (!(wait > kLeastSleep)) {
            // On time or a little late: the next frame is one interval after this one was
            // due, so a late frame is caught up. More than an interval late (slow frames, a
            // display slower than the cap), the schedule starts again from now instead of
            // drawing a burst.
            pacer.due = wait < -pacer.interval ? now + pacer.interval : pacer.due + pacer.interval;
            return 0.0;
        }
    }
    if (wait > kLeastSleep) {
        pacer.held = true;
        return wait;
    }
    return 0.0;
}

double FrameStarted(FramePacer& pacer, double now) {
    double rate = FrameRateCap(pacer.display, pacer.resting);
    const double interval = now - pacer.lastStart;
    if (pacer.origin < 0.0) {
        pacer.origin = now;
        if (pacer.mode == PaceMode::Probing) pacer.probeStart = now;
    } else if (interval > kLongestFrame) {
        // A pause: the motion goes on from here, as if the frame had come on time.
        pacer.motion = now - pacer.origin;
        if (!pacer.intervals.empty()) rate = SnappedRate(pacer, Median(pacer.intervals, pacer.scratch));
    } else {
        if (!pacer.held) pacer.floorHolds = 0;
        pacer.times.push_back(now);
        pacer.intervals.push_back(interval);
        size_t old = 0;
        while (old + 1 < pacer.times.size() &&
               (pacer.times[old] < now - kMedianSeconds || pacer.times.size() - old > kMaxWindow))
            ++old;
        pacer.times.erase(pacer.times.begin(), pacer.times.begin() + static_cast<std::ptrdiff_t>(old));
        pacer.intervals.erase(pacer.intervals.begin(), pacer.intervals.begin() + static_cast<std::ptrdiff_t>(old));
        const double median = Median(pacer.intervals, pacer.scratch);
        if (pacer.mode == PaceMode::Probing) {
            Probe(pacer, now, interval);
        } else {
            Watch(pacer, now, median);
        }
        rate = Step(pacer, now, median);
    }
    // The next resting frame is for the k-th refresh after this one's.
    if (pacer.target >= 0.0) pacer.target += RefreshesPerFrame(pacer.display, pacer.resting) / pacer.display;
    pacer.held = false;
    pacer.lastStart = now;
    pacer.lastReturn = -1.0;
    return rate;
}

bool LoopSleeps(const FramePacer& pacer) {
    return pacer.mode != PaceMode::DisplayPaced || RefreshesPerFrame(pacer.display, pacer.resting) > 1;
}

}  // namespace WorkSpace
