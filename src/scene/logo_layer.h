// The logo layer: the logo in the bottom-left corner of every view large enough to hold it.
#pragma once
#include "scene/frame_layer.h"

namespace WorkSpace {

// The window's logo at the bottom-left of one view; nothing on a view under 640 x 480.
void DrawLogo(Window& window, const View& view);

extern const FrameLayer kLogoLayer;

}  // namespace WorkSpace
