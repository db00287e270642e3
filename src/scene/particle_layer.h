// The particle layer: the stream of particles through the particle renderer, advanced once
// a frame, so every view shows the same particles.
#pragma once
#include "scene/frame_layer.h"

namespace WorkSpace {

extern const FrameLayer kParticleLayer;

}  // namespace WorkSpace
