// How a clip's planes become the picture's colours on the graphics card: the pixel shader
// (assembled as the effect's shaders are) and its constants for the clip's format and
// colour standard, and the turn of an upright texture coordinate into the stored frame's.
#pragma once
#include <cstdint>

#include "imaging/video_frame.h"

namespace WorkSpace {

// ps_2_0 assembly: luma from sampler 0, the chroma pair from sampler 1, the colour matrix
// in c0..c4, the result times the vertex colour (the cross-fade's tint).
extern const char kYuvPixelShader[];
// Float4 constants kYuvPixelShader takes, from c0.
constexpr uint32_t kYuvConstantCount = 5;

// The constants for frames of `format` in `colour`, as their decoder states it. A matrix it
// does not state is BT.709 from 720 rows of `height` up and BT.601 below (as decoders tag
// such clips); a range it does not state is studio range.
void YuvConstants(VideoFormat format, VideoColour colour, uint32_t height, float out[kYuvConstantCount * 4]);

// The colour the shader makes of samples y, u, v (0..1, as the texture unit reads them).
void YuvToRgb(const float constants[kYuvConstantCount * 4], float y, float u, float v, float rgb[3]);

// An upright picture's texture coordinate (u, v) in the stored frame, turned `rotation`
// degrees clockwise to be upright.
void UprightToStored(uint32_t rotation, float u, float v, float& su, float& sv);

}  // namespace WorkSpace
