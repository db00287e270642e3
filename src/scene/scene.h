// The scene around the particles: the fixed camera, the set-up of the frame's layers, and
// the screen-space quads the picture and logo layers draw with.
#pragma once
#include <cstdint>

#include "gfx/graphics_ops.h"
#include "gfx/view.h"

namespace WorkSpace {

// The logo (the Window object's own texture), the camera for the whole client area and the
// frame's layers, in this order. False when a step failed; the steps after it are not made.
bool InitScene();
// The camera step of the window's camera block, and of one view's.
void UpdateMatrices(uint8_t rotationFlag);
void UpdateMatrices(uint8_t rotationFlag, CameraBlock& camera);
// Screen-space quads (pre-transformed vertices) on `device` with one texture, plain or
// tinted by a vertex colour.
void DrawScreenQuad(GraphicsDevice* device, const float uv[4], const float rect[4]);
void DrawTintedScreenQuad(GraphicsDevice* device, const float uv[4], const float rect[4], uint32_t colour);

}  // namespace WorkSpace
