// Where a picture's caption is drawn, and the drawing of its one quad. The caption sits in
// a corner away from the logo (bottom left): bottom right first, then top right, then top
// left, ten minutes each; within its corner it drifts a few pixels a minute. So no pixel of
// an OLED screen stays lit by it for long.
#pragma once
#include <cstdint>

#include "gfx/graphics_ops.h"

namespace WorkSpace {

// How long the caption keeps a corner, and the drift's reach and period (in seconds).
constexpr double kCaptionCornerSeconds = 600.0;
constexpr float kCaptionDriftPixels = 24.0f;
constexpr double kCaptionDriftSeconds = 480.0;

// The caption's rectangle (left, top, right, bottom) for a w x h caption in `area` after
// `seconds` of captions on screen. A caption wider than half the area is scaled down to it.
void CaptionRect(const float area[4], uint32_t w, uint32_t h, double seconds, float rect[4]);

// Draws the caption texture into `area`, its opacity `weight` (its picture's share of the
// cross-fade), with every state it relies on set first; leaves blending off and the stage's
// alpha from the texture alone.
void DrawCaption(GraphicsDevice* device, const float area[4], Texture* caption, uint32_t w, uint32_t h, float weight,
                 double seconds);

}  // namespace WorkSpace
