// The frame loop against a scripted display: RenderThreadProc itself, with its pacing, on a
// scripted clock whose refreshes come 1/displayRate s apart, Present waiting or queueing as
// the script says. lumora-tool pace prints what it
// measures; the pacing tests check it. No device, no thread: it runs on the caller's thread.
#pragma once
#include <cstdint>

namespace WorkSpace {

struct PaceScript {
    double displayRate = 60.0;    // the panel's refreshes a second
    uint32_t modeRate = 60;       // what the display mode reports (a whole number)
    double compositorRate = 0.0;  // what the compositor reports, and the rate of its vertical
                                  // blanks; 0: no compositor
    bool vsync = true;            // Present waits for the next refresh
    // With vsync, the frames Present may leave waiting: 0, it returns when its frame is shown;
    // 1 to 3, it returns at once until that many wait, then at the next refresh, which is all
    // Direct3D 9 promises ("at most one Present per refresh").
    int32_t queue = 0;
    bool raster = true;           // the device tells where its raster is (GetRasterStatus)
    bool battery = false;
    bool energySaver = false;     // Windows' energy saver is on (plugged in or not)
    double seconds = 10.0;        // the run's length, start-up second included
    double frameCost = 0.001;     // seconds a frame takes before its Present
    double slowStart = 0.0;       // for this many seconds from the start, frames take 20 ms
    double switchRate = 0.0;      // the panel's rate from switchAt on (0: no switch); the mode
    double switchAt = 0.0;        // and the compositor keep reporting the old one
};

// Measured after the black start-up second, to the run's end; the speed over the whole run.
struct PaceReport {
    int64_t vblanks = 0;      // refreshes of the display
    int64_t frames = 0;       // frames drawn
    int64_t uneven = 0;       // frame intervals on screen more than half a refresh off their median
    double speed = 0.0;       // simulated seconds per real second; 1 is true
    double seconds = 0.0;     // the length measured
    double lastFrameRate = 0.0;  // the frames a second the last frame's steps followed
    bool errorScreen = false; // the loop gave up on the start-up rule
};

// Runs the loop as a render thread would, on the caller's thread, and puts the real clock,
// sleep, power source, compositor and the run state's time line back afterwards.
PaceReport SimulatePacing(const PaceScript& script);

}  // namespace WorkSpace
