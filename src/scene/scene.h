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
// The states every layer's draw relies on besides its blending, set by each layer at the
// start of its draw rather than left from the device's set-up or from the layer before: no
// lighting, no culling (the logo's quad winds the other way round), no depth test, and
// sampler 0 clamped with the device's point sampling (no filter), the same on a device's
// first frame as on every later one.
void SetupSharedRenderState(GraphicsDevice* device);
// The shared states and texture stage 0 of a screen-space quad: its colour is the texture's
// times the vertex colour, its alpha argument 1 (ALPHAARG1) alone, which the layer sets.
void SetupScreenQuadRenderState(GraphicsDevice* device);
// Screen-space quads (pre-transformed vertices) on `device` with one texture, plain or
// tinted by a vertex colour.
void DrawScreenQuad(GraphicsDevice* device, const float uv[4], const float rect[4]);
void DrawTintedScreenQuad(GraphicsDevice* device, const float uv[4], const float rect[4], uint32_t colour);

}  // namespace WorkSpace
