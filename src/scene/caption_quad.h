// Where a picture's caption is drawn, and the drawing of its one quad. The caption sits in
// a corner away from the logo (bottom left): bottom right first, then top right, then top
// left, ten minutes each, a photo keeping the corner it started in; within its corner it
// drifts a few pixels a minute. So no pixel of an OLED screen stays lit by it for long.
#pragma once
#include <cstdint>

#include "gfx/graphics_ops.h"

namespace WorkSpace {

// How long the caption keeps a corner, and the drift's reach and period (in seconds).
constexpr double kCaptionCornerSeconds = 600.0;
constexpr float kCaptionDriftPixels = 24.0f;
constexpr double kCaptionDriftSeconds = 480.0;

// The corner (0 bottom right, 1 top right, 2 top left) for a photo that starts showing after
// `seconds` of captions on screen.
int CaptionCorner(double seconds);

// The caption's rectangle (left, top, right, bottom) for a w x h caption in `corner` of
// `area`, drifted as after `seconds` of captions on screen. A caption wider than half the
// area is scaled down to it.
void CaptionRect(const float area[4], uint32_t w, uint32_t h, int corner, double seconds, float rect[4]);

// How opaque the captions of a cross-fade are at `fade` (0..1): one at a time, the leaving
// picture's fading out over the first half, the coming one's fading in over the second.
void CaptionWeights(float fade, float& leaving, float& coming);

// Draws the caption texture into `area`, its opacity `weight`, with every state it relies
// on set first; leaves blending off and the stage's alpha from the texture alone.
void DrawCaption(GraphicsDevice* device, const float area[4], Texture* caption, uint32_t w, uint32_t h, float weight,
                 int corner, double seconds);

// The pause mark, two upright bars, in `corner` of `area` where a caption would sit, its
// opacity `weight`; untextured, with every state it relies on set first.
void DrawPauseMark(GraphicsDevice* device, const float area[4], float weight, int corner, double seconds);

}  // namespace WorkSpace
