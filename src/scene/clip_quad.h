// The drawing of a clip's frame: its two planes through the clip shader, which makes the
// colours on the card, in one quad tinted for the cross-fade as a photo's is.
#pragma once
#include <cstdint>

#include "gfx/graphics_ops.h"
#include "imaging/picture_fit.h"
#include "scene/picture_textures.h"

namespace WorkSpace {

// Draws `picture`'s planes into `placed` (upright texture coordinates, turned here into the
// stored frame's), tinted `colour`, filtered, with the shader and both samplers' states set
// first; leaves the fixed-function stages and sampler 1 empty again. Nothing without a shader.
void DrawClipQuad(GraphicsDevice* device, PixelShader* shader, const UserTextures::Picture& picture,
                  const PictureQuad& placed, uint32_t colour);

}  // namespace WorkSpace
