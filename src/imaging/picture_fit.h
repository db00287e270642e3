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

// How far the pan and zoom magnifies a picture by the end of its time on screen.
constexpr float kPanZoomMost = 0.08f;
// The placed `quad` at `progress` (0 to 1) of its picture's time on screen, panned and
// zoomed: the part of the picture it shows narrows to 1 / (1 + kPanZoomMost * progress) of
// itself, centred on the short side and sliding from the middle to one end of the long side
// on screen (`reverse`: the other end). Only ever a part of what `quad` showed, so never
// beyond the picture's edges; the rectangle stays, bars included.
PictureQuad PanAndZoom(const PictureQuad& quad, float progress, bool reverse);

// The part of `quad` that falls into `rect` (inside quad.rect), with its texture coordinates.
PictureQuad SubQuad(const PictureQuad& quad, const float rect[4]);

// Whether a w x h picture lies across an area of areaW x areaH: a portrait on a landscape
// area or the reverse. Square ones never do.
bool LiesAcross(uint32_t w, uint32_t h, float areaW, float areaH);

// Where a picture's pan and zoom stands (PanAndZoom's progress) once it has `travelled` that
// far: 0 to 1 once through, as the cross-fade moves it. A picture left on screen alone goes
// on past 1 and back, to and fro between the same bounds, turning at each end.
float PanProgress(float travelled);

// Whether `quad` draws its texels (a texture of textureW x textureH) larger or smaller than
// they are, by more than a tenth of a pixel across the quad: such a quad wants a filter,
// one drawn 1:1 samples each texel as it is.
bool DrawnAtScale(const PictureQuad& quad, uint32_t textureW, uint32_t textureH);

}  // namespace WorkSpace
