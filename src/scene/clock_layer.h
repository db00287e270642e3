// The clock layer: the time (and the date) drawn small over the pictures, as the caption is
// drawn, in a corner no caption on screen takes. It follows the caption's burn-in rule: a new
// corner every ten minutes, a drift of a few pixels a minute within it, so it never stays on
// the same pixels for more than a minute. Its picture comes from a worker once a minute.
#pragma once
#include <cstdint>

#include "gfx/graphics_ops.h"
#include "captions/clock_text.h"
#include "scene/frame_layer.h"

namespace WorkSpace {

// What the clock layer keeps between frames, one per Window.
struct ClockState {
    ClockMaker maker;
    Texture* texture = nullptr;  // the latest minute's picture; null until the first comes
    uint32_t width = 0, height = 0;
    double seconds = 0.0;  // seconds the clock has been on screen, which move it
    bool uploadFailureLogged = false;
};

// The clock's corner (0 bottom right, 1 top right, 2 top left, as the caption's) after
// `seconds` on screen: the one after the caption's corner of that moment, or the one after
// that where a caption on screen takes it. `captionCorners` has bit c set for each corner c
// a caption on screen is in.
int ClockCorner(double seconds, unsigned captionCorners);

// The window's clock layer state (made with the Window, kept for the whole run).
ClockState& ClockLayerData(Window& window);

// Stops the clock's worker and lets go of its picture.
void ReleaseClock(Window& window);

extern const FrameLayer kClockLayer;

}  // namespace WorkSpace
