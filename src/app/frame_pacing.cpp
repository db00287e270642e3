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
// While probing, frames may come at twice the reported rate (a dynamic-rate panel reporting
// half its rate) and a little more, so that a display paces them unhindered.
constexpr double kProbeHeadroom = 2.0 * 1.02;
// Measures within this of a display rate are that rate: the median of half a second of
// frames wavers less than that.
constexpr double kMeasureTolerance = 0.01;

bool Near(double value, double target) { return std::fabs(value - target) <= target * kMeasureTolerance; }

double Median(std::vector<double> values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

void UpdateInterval(FramePacer& pacer) {
    pacer.interval = pacer.mode == PaceMode::Probing ? 1.0 / (pacer.reported * kProbeHeadroom)
                                                     : 1.0 / FrameRateCap(pacer.display, pacer.resting);
}

// While probing, the steps follow the frames' measured rate as far as it is a display's
// (or, held by the probe's cap, faster than any); never slower than the reported rate.
double ProbeFrameRate(const FramePacer& pacer) {
    if (pacer.intervals.empty()) return pacer.reported;
    const double measured = 1.0 / Median(pacer.intervals);
    const double confirmed = ConfirmedDisplayRate(pacer.reported, measured);
    if (confirmed != pacer.reported) return confirmed;
    return measured > pacer.reported * (1.0 + kMeasureTolerance) ? measured : pacer.reported;
}

void EndProbe(FramePacer& pacer, double now) {
    // Frames that the probe's cap held back mostly, or that came faster than the display
    // they measure, are not paced by Present: the loop caps them at the display's rate.
    const double measured = 1.0 / Median(pacer.intervals);
    pacer.display = ConfirmedDisplayRate(pacer.reported, measured);
    const bool presentWaits =
        pacer.probeHeld * 2 <= pacer.probeFrames && measured <= pacer.display * (1.0 + kMeasureTolerance);
    pacer.mode = presentWaits ? PaceMode::DisplayPaced : PaceMode::Capped;
    pacer.intervals.clear();
    pacer.intervals.shrink_to_fit();
    UpdateInterval(pacer);
    pacer.due = now + pacer.interval;
}
}  // namespace

bool ShouldRest(const Platform::PowerStatus& status) { return status.acLine == 0 || status.batterySaver; }

double ReportedDisplayRate(double compositorRate, uint32_t modeRate) {
    return compositorRate > 1.0 ? WholeFrameRate(compositorRate) : DisplayFrameRate(modeRate);
}

double ConfirmedDisplayRate(double reported, double measured) {
    if (!(measured > 0.0) || Near(measured, reported)) return reported;
    // The mode's RefreshRate drops the fraction: 59.94 Hz reads 59, 23.976 reads 23.
    const bool cutFraction = measured >= reported * (1.0 - kMeasureTolerance) &&
                             measured <= (std::floor(reported) + 1.0) * (1.0 + kMeasureTolerance);
    if (cutFraction) return WholeFrameRate(measured);
    // A dynamic refresh rate moves the panel between two rates while the mode says either.
    if (Near(measured, 2.0 * reported)) return 2.0 * reported;
    if (Near(measured, 0.5 * reported)) return 0.5 * reported;
    return reported;
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

void StartPacing(FramePacer& pacer, double reportedRate) {
    pacer = FramePacer();
    pacer.reported = reportedRate > 0.0 ? reportedRate : 60.0;
    pacer.display = pacer.reported;
    UpdateInterval(pacer);
}

void SetResting(FramePacer& pacer, bool resting) {
    if (pacer.resting == resting) return;
    pacer.resting = resting;
    UpdateInterval(pacer);
}

double FrameWait(FramePacer& pacer, double now, double lastFrame) {
    const double sinceLast = now - lastFrame;
    if (!(sinceLast > 0.001)) return std::max(0.001 - sinceLast, 0.0) + kFloorSleep;
    if (pacer.mode == PaceMode::DisplayPaced) {
        // Present returns just after a refresh. A frame every k refreshes starts a quarter of
        // a refresh into the one before the k-th: late enough that its Present cannot catch
        // the refresh before, early enough to be drawn for the k-th.
        if (pacer.lastReturn < 0.0 && pacer.lastStart >= 0.0) pacer.lastReturn = now;
        const int32_t k = RefreshesPerFrame(pacer.display, pacer.resting);
        if (k == 1 || pacer.lastReturn < 0.0) return 0.0;
        const double wait = pacer.lastReturn + (k - 0.75) / pacer.display - now;
        if (wait > kLeastSleep) {
            pacer.held = true;
            return wait;
        }
        return 0.0;
    }
    const double wait = pacer.due - now;
    if (wait > kLeastSleep) {
        pacer.held = true;
        return wait;
    }
    // On time or a little late: the next frame is one interval after this one was due, so
    // a late frame is caught up. More than an interval late (slow frames, a display slower
    // than the cap), the schedule starts again from now instead of drawing a burst.
    pacer.due = wait < -pacer.interval ? now + pacer.interval : pacer.due + pacer.interval;
    return 0.0;
}

double FrameStarted(FramePacer& pacer, double now) {
    double rate = FrameRateCap(pacer.display, pacer.resting);
    if (pacer.mode == PaceMode::Probing) {
        if (pacer.probeStart < 0.0) {
            pacer.probeStart = now;
        } else if (pacer.lastStart >= 0.0) {
            pacer.intervals.push_back(now - pacer.lastStart);
            ++pacer.probeFrames;
            if (pacer.held) ++pacer.probeHeld;
        }
        rate = ProbeFrameRate(pacer);
        if (now - pacer.probeStart >= kPaceProbeSeconds && pacer.probeFrames >= 3) {
            EndProbe(pacer, now);
            rate = FrameRateCap(pacer.display, pacer.resting);
        }
    }
    pacer.held = false;
    pacer.lastStart = now;
    pacer.lastReturn = -1.0;
    return rate;
}

}  // namespace WorkSpace
