// The frame loop's pace: the display's true rate, the cap by power source, the sleep until
// the next frame is due, and the whole loop against scripted displays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "app/frame_pacing.h"
#include "app/pace_simulation.h"

using namespace WorkSpace;

TEST(FramePacing, RestsOnBatteryBatterySaverOrEnergySaverOnly) {
    EXPECT_FALSE(ShouldRest({1, false, false}));
    EXPECT_FALSE(ShouldRest({255, false, false}));  // unknown: a desktop without a battery reports no line
    EXPECT_TRUE(ShouldRest({0, false, false}));
    EXPECT_TRUE(ShouldRest({1, true, false}));
    EXPECT_TRUE(ShouldRest({1, false, true}));  // the energy saver, plugged in
    EXPECT_TRUE(ShouldRest({1, false, false}, true));  // a remote session: at most 30 a second
}

TEST(FramePacing, TheRefreshPhaseIsTheScanLineAgainstTheModesHeight) {
    const struct {
        RasterStatus raster;
        double phase;
    } cases[] = {
        {{true, 0, 1080}, 0.0},       // the blank follows the refresh
        {{false, 0, 1080}, 0.0},
        {{false, 540, 1080}, 0.5},
        {{false, 1079, 1080}, 1079.0 / 1080.0},
        {{false, 1080, 1080}, -1.0},  // past the bottom: not a line of this mode
        {{false, 10, 0}, -1.0},       // no mode
    };
    for (const auto& c : cases) EXPECT_EQ(RefreshPhase(c.raster), c.phase) << c.raster.scanLine;
}

// The presenting monitor's rate as the loop knows it, the compositor's, whether the device
// reads its raster: the clock a resting frame is timed by.
TEST(FramePacing, TheCompositorsClockServesOnlyWhereItRunsAtThePresentingMonitorsRate) {
    const struct {
        double display, compositor;
        bool raster;
        RefreshClock clock;
    } cases[] = {
        {60.0, 60.0, true, RefreshClock::Raster},                   // the monitor's own clock first
        {60.0, 144.0, true, RefreshClock::Raster},
        {60.0, 60.0, false, RefreshClock::Compositor},
        {60000.0 / 1001.0, 60000.0 / 1001.0, false, RefreshClock::Compositor},
        {59.0, 60000.0 / 1001.0, false, RefreshClock::Compositor},  // the mode's 59 is the same monitor
        {144.0, 144.0, false, RefreshClock::Compositor},            // a 144 Hz panel the frames found
        {60.0, 144.0, false, RefreshClock::None},  // Windows 11 22H2: the fastest monitor's clock
        {144.0, 60.0, false, RefreshClock::None},
        {60.0, 0.0, false, RefreshClock::None},    // no compositor (or no dwmapi.dll)
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseRefreshClock(c.display, c.compositor, c.raster), c.clock)
            << c.display << " " << c.compositor << " " << c.raster;
}

TEST(FramePacing, TheCompositorsPhaseCountsFromItsLatestVerticalBlank) {
    const struct {
        int64_t now, vblank, period;
        double phase;
    } cases[] = {
        {1000, 1000, 100, 0.0},
        {1025, 1000, 100, 0.25},
        {1250, 1000, 100, 0.5},   // blanks since the one it reported
        {975, 1000, 100, 0.75},   // a blank still to come
        {1000, 1000, 0, -1.0},    // no period: nothing to tell
    };
    for (const auto& c : cases) EXPECT_EQ(VBlankPhase(c.now, c.vblank, c.period), c.phase) << c.now;
}

// The probe's raster samples, at each frame's start just after a refresh and a quarter of a
// frame later, tell a 60 Hz panel from a 120 Hz one that shows every second frame.
TEST(FramePacing, TheRasterTellsADisplayFromOneTwiceAsFast) {
    const auto samples = [](double rate, double frame, int frames) {
        std::vector<RasterSample> out;
        for (int i = 0; i < frames; ++i) {
            const double start = i * frame;
            for (const double t : {start, start + frame / 4}) {
                const double gone = t * rate;
                out.push_back({t, gone - std::floor(gone)});
            }
        }
        return out;
    };
    const auto at60 = samples(60.0, 1.0 / 60, 8);
    EXPECT_LT(RasterMisfit(at60, 60.0), 0.01);
    EXPECT_GT(RasterMisfit(at60, 120.0), 0.2);
    const auto at120 = samples(120.0, 1.0 / 60, 8);  // a machine slower than its 120 Hz display
    EXPECT_LT(RasterMisfit(at120, 120.0), 0.01);
    EXPECT_GT(RasterMisfit(at120, 60.0), 0.2);
    EXPECT_EQ(RasterMisfit(samples(60.0, 1.0 / 60, 2), 60.0), 1.0);         // three pairs: too few
    EXPECT_EQ(RasterMisfit(samples(60.0, 0.5, 8), 120.0), 1.0);  // samples more than 0.1 s apart: none
}

TEST(FramePacing, RestingDrawsEveryFewRefreshesAtMostThirtyASecond) {
    EXPECT_EQ(FrameRateCap(144, false), 144.0);
    EXPECT_EQ(FrameRateCap(60, true), 30.0);
    EXPECT_EQ(FrameRateCap(50, true), 25.0);
    EXPECT_EQ(FrameRateCap(75, true), 25.0);
    EXPECT_DOUBLE_EQ(FrameRateCap(144, true), 28.8);
    EXPECT_DOUBLE_EQ(FrameRateCap(165, true), 27.5);
    EXPECT_EQ(FrameRateCap(24, true), 24.0);
}

TEST(FramePacing, TheCompositorsFractionComesFirstAndAWholeRateStaysWhole) {
    EXPECT_DOUBLE_EQ(ReportedDisplayRate(60000.0 / 1001.0, 59), 60000.0 / 1001.0);
    EXPECT_EQ(ReportedDisplayRate(60.004, 60), 60.0);  // within 0.02 %: the classic step, exactly
    EXPECT_EQ(ReportedDisplayRate(0.0, 75), 75.0);
    EXPECT_EQ(ReportedDisplayRate(0.0, 1), 60.0);      // the adapter's "default rate"
    EXPECT_EQ(ReportedDisplayRate(144.0, 60), 60.0);   // the compositor follows a faster monitor
    EXPECT_EQ(ReportedDisplayRate(144.0, 0), 144.0);   // no mode: the compositor's
}

// A rate of 0 would make every interval endless: the loop would never draw.
TEST(FramePacing, APacerToldNoRateTakesSixty) {
    FramePacer pacer;
    StartPacing(pacer, 0.0);
    EXPECT_EQ(pacer.reported, 60.0);
    EXPECT_EQ(pacer.display, 60.0);
}

TEST(FramePacing, StartUpRuleAsksTwoThirdsOfWhatASlowDisplayAllows) {
    EXPECT_EQ(StartupFrameThreshold(60.0), 20);
    EXPECT_EQ(StartupFrameThreshold(30.0), 20);
    EXPECT_EQ(StartupFrameThreshold(24.0), 16);
    EXPECT_EQ(StartupFrameThreshold(20.0), 13);
}

TEST(FramePacing, SleepsUntilTheNextFrameIsDueAndKeepsTheAverageRate) {
    FramePacer pacer;
    pacer.interval = 0.01;
    EXPECT_EQ(FrameWait(pacer, 5.0, 4.0), 0.0);  // the first frame at once
    EXPECT_NEAR(FrameWait(pacer, 5.002, 5.0), 0.008, 1e-9);
    // Woken a little late: drawn, and the next one is due on the schedule, not 10 ms later.
    EXPECT_EQ(FrameWait(pacer, 5.0103, 5.0), 0.0);
    EXPECT_NEAR(FrameWait(pacer, 5.0115, 5.0103), 0.0085, 1e-9);
    // Far behind (a slow frame): no burst; the schedule starts again from now.
    EXPECT_EQ(FrameWait(pacer, 6.0, 5.0103), 0.0);
    EXPECT_NEAR(FrameWait(pacer, 6.002, 6.0), 0.008, 1e-9);
}

// Vsync off and the graphics card the bottleneck: its queue holds each Present until the
// frame before is drawn, 5 ms a frame, so a delay before Present is absorbed as a display's
// refresh would absorb it. Frames at 200 a second, the compositor at 60, come from no display.
TEST(FramePacing, FramesThatOnlyTheCardsQueueHoldsAreCappedAtTheDisplaysRate) {
    FramePacer pacer;
    StartPacing(pacer, 60.0, 60.0);
    double t = 0.0, last = -1.0, cardDone = 0.0;
    int lastSecond = 0;
    while (t < 3.0) {
        const double wait = FrameWait(pacer, t, last);
        if (wait > 0.0) {
            t += wait;
            continue;
        }
        FrameStarted(pacer, t);
        last = t;
        if (t >= 2.0) ++lastSecond;
        const double submitted = t + 0.001;
        t = std::max(submitted, cardDone);
        cardDone = t + 0.005;
    }
    EXPECT_EQ(pacer.mode, PaceMode::Capped);
    EXPECT_LE(lastSecond, 61);
}

namespace {
PaceReport RunDisplay(double hz, uint32_t mode, bool vsync = true, bool battery = false, double frameCost = 0.001,
                      double compositor = 0.0, double slowStart = 0.0, bool energySaver = false) {
    PaceScript script;
    script.displayRate = hz, script.modeRate = mode, script.vsync = vsync, script.battery = battery;
    script.frameCost = frameCost, script.compositorRate = compositor, script.seconds = 6.0;
    script.slowStart = slowStart, script.energySaver = energySaver;
    return SimulatePacing(script);
}
}  // namespace

// Every frame on its own refresh (or every k-th on battery), at the true speed, whatever the
// display mode says.
TEST(FramePacing, FramesMeetTheDisplaysRefreshesEvenlyAtTheTrueSpeed) {
    const struct {
        const char* name;
        double hz;
        uint32_t mode;
        bool vsync, battery;
        int refreshesPerFrame;
        double frameCost = 0.001, compositor = 0.0, slowStart = 0.0;
        bool energySaver = false;
    } cases[] = {
        {"59.94 Hz reported as 59", 60000.0 / 1001.0, 59, true, false, 1},
        {"23.976 Hz reported as 23", 24000.0 / 1001.0, 23, true, false, 1},
        {"144 Hz", 144.0, 144, true, false, 1},
        {"a 120 Hz panel whose mode says 60", 120.0, 60, true, false, 1},
        {"a 60 Hz panel whose mode says 120", 60.0, 120, true, false, 1},
        {"no vsync at 60 Hz", 60.0, 60, false, false, 1},
        {"no vsync, frames of 10 ms at 60 Hz", 60.0, 60, false, false, 1, 0.010},
        {"battery at 50 Hz", 50.0, 50, true, true, 2},
        {"battery at 75 Hz", 75.0, 75, true, true, 3},
        {"battery at 144 Hz", 144.0, 144, true, true, 5},
        {"60 Hz beside a 144 Hz monitor that the compositor follows", 60.0, 60, true, false, 1, 0.001, 144.0},
        {"a 144 Hz panel whose mode says 60", 144.0, 60, true, false, 1},
        {"a 60 Hz panel whose mode says 144", 60.0, 144, true, false, 1},
        {"239.76 Hz reported as 239", 240000.0 / 1001.0, 239, true, false, 1},
        {"a slow first second", 60.0, 60, true, false, 1, 0.001, 0.0, 1.0},
        {"a slow first second without vsync", 60.0, 60, false, false, 1, 0.001, 0.0, 1.0},
        {"a 144 Hz panel whose mode says 60, on battery", 144.0, 60, true, true, 5},
        {"a slow first second without vsync, on battery", 60.0, 60, false, true, 2, 0.001, 0.0, 1.0},
        {"the energy saver, plugged in", 60.0, 60, true, false, 2, 0.001, 0.0, 0.0, true},
    };
    for (const auto& c : cases) {
        const PaceReport r =
            RunDisplay(c.hz, c.mode, c.vsync, c.battery, c.frameCost, c.compositor, c.slowStart, c.energySaver);
        EXPECT_FALSE(r.errorScreen) << c.name;
        EXPECT_NEAR(static_cast<double>(r.frames), double(r.vblanks) / c.refreshesPerFrame, 2.0) << c.name;
        EXPECT_EQ(r.uneven, 0) << c.name;
        EXPECT_NEAR(r.speed, 1.0, 0.0005) << c.name;
    }
    EXPECT_EQ(RunDisplay(60.0, 60).lastFrameRate, 60.0);  // the classic step, exactly
}

TEST(FramePacing, WithoutVsyncTheCompositorsFractionKeepsFramesOnTheirRefreshes) {
    // The mode alone caps at 59: about once a second a refresh shows its frame twice.
    EXPECT_GT(RunDisplay(60000.0 / 1001.0, 59, false).uneven, 0);
    EXPECT_EQ(RunDisplay(60000.0 / 1001.0, 59, false, false, 0.001, 60000.0 / 1001.0).uneven, 0);
}

// A panel that changes its rate mid-run, the mode still saying the old one: the steps follow
// within half a second, and after the switch every refresh shows a frame.
TEST(FramePacing, ARateSwitchMidRunKeepsTheMotionTrue) {
    for (const auto& [from, to] : {std::pair{60.0, 120.0}, std::pair{144.0, 60.0}}) {
        PaceScript script;
        script.displayRate = from, script.modeRate = static_cast<uint32_t>(from);
        script.switchRate = to, script.switchAt = 10.0, script.seconds = 30.0;
        const PaceReport r = SimulatePacing(script);
        EXPECT_NEAR(r.speed, 1.0, 0.02) << from << " to " << to;
        EXPECT_NEAR(static_cast<double>(r.frames), static_cast<double>(r.vblanks), 8.0) << from << " to " << to;
    }
    // On battery the cadence follows the new rate: 28.8 frames a second before, 30 after.
    PaceScript battery;
    battery.displayRate = 144.0, battery.modeRate = 144, battery.battery = true;
    battery.switchRate = 60.0, battery.switchAt = 10.0, battery.seconds = 30.0;
    const PaceReport r = SimulatePacing(battery);
    EXPECT_NEAR(r.speed, 1.0, 0.02);
    EXPECT_NEAR(static_cast<double>(r.frames), 9.0 * 28.8 + 20.0 * 30.0, 10.0);
}

// A Present that returns at once until N frames wait: the battery cadence keeps to the
// display's raster, or to the compositor's clock where it runs at the display's rate, and the
// mains rows keep theirs, whatever the mode says. Without either clock, the cadence times
// from Present's return, as before, which such a Present makes too fast and uneven.
TEST(FramePacing, AQueueingPresentKeepsTheCadenceOnTheDisplaysClock) {
    const struct {
        double hz;
        uint32_t mode;
        double compositor = 0.0;
        bool raster = true;
    } displays[] = {
        {60.0, 60}, {144.0, 144}, {60000.0 / 1001.0, 59}, {24000.0 / 1001.0, 23}, {240000.0 / 1001.0, 239},
        {120.0, 60}, {144.0, 60}, {60.0, 120}, {60.0, 144},
        {60.0, 60, 60.0, false},  // no raster: the compositor's vertical blank
        {144.0, 60, 144.0, false},
    };
    for (const auto& d : displays) {
        for (const int queue : {1, 2, 3}) {
            for (const bool battery : {false, true}) {
                PaceScript script;
                script.displayRate = d.hz, script.modeRate = d.mode, script.compositorRate = d.compositor;
                script.raster = d.raster, script.battery = battery, script.queue = queue, script.seconds = 11.0;
                const PaceReport r = SimulatePacing(script);
                const int k = battery ? static_cast<int>(std::ceil(d.hz / 30.0 - 1e-6)) : 1;
                const auto name = ::testing::Message() << d.hz << " Hz, mode " << d.mode << ", compositor "
                                                       << d.compositor << ", raster " << d.raster << ", queue "
                                                       << queue << ", battery " << battery;
                EXPECT_NEAR(static_cast<double>(r.frames), double(r.vblanks) / k, 2.0) << name;
                EXPECT_EQ(r.uneven, 0) << name;
                EXPECT_NEAR(r.speed, 1.0, 0.0005) << name;
            }
        }
    }
    for (const double compositor : {0.0, 144.0}) {  // none, or a faster monitor's: not this display's
        PaceScript blind;
        blind.battery = true, blind.queue = 2, blind.raster = false, blind.seconds = 6.0;
        blind.compositorRate = compositor;
        EXPECT_GT(SimulatePacing(blind).uneven, 0) << compositor;
    }
}
