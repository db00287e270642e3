// The frame loop's pace: at most one frame per refresh of the display, at most 30 a second
// while the computer rests on battery, and the sleep until the next frame is due. Pure
// decisions on the frame timer's seconds; render_thread.cpp does the sleeping.
#pragma once
#include <cstdint>

#include "platform/pacing.h"

namespace WorkSpace {

// The frames a second while resting on battery: enough for smooth motion at half the work.
constexpr double kRestingFrameRate = 30.0;
// How often the power source is looked at, in frame-timer seconds.
constexpr double kPowerCheckInterval = 3.0;

// On battery (no AC line) or with Windows' battery saver on; an unknown line is mains.
bool ShouldRest(const Platform::PowerStatus& status);

// The frames a second the loop draws at most: the display's refresh rate (0 or 1: 60),
// capped at kRestingFrameRate while resting.
double FrameRateCap(uint32_t refreshRate, bool resting);

struct FramePacer {
    double interval = 1.0 / 60.0;  // seconds between frames at the cap
    double due = 0.0;              // frame-timer seconds at which the next frame is due
};

// Seconds to sleep before a frame may start at `now`; 0 when it may start now, and then
// the due time moves on by one interval. Frames are also always strictly more than 1 ms
// after `lastFrame`, the start of the last one.
double FrameWait(FramePacer& pacer, double now, double lastFrame);

}  // namespace WorkSpace
