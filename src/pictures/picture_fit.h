// Where a picture goes on the screen: stretched over an area, fitted inside it with bars,
// or filling it with the overflow cropped in the middle. Pure arithmetic, shared by every
// view the scene draws into.
#pragma once
#include <cstdint>

namespace WorkSpace {

enum class PictureFit : int32_t { Stretch = 0, Fit = 1, Fill = 2 };

// A screen rectangle (left, top, right, bottom, in pixels) and the texture coordinates
// (u0, v0, u1, v1) to draw a picture into it.
struct PictureQuad {
    float rect[4];
    float uv[4];
};

// `area` is left, top, right, bottom. A picture without a size is stretched.
PictureQuad PlacePicture(PictureFit mode, const float area[4], uint32_t pictureWidth, uint32_t pictureHeight);

}  // namespace WorkSpace
