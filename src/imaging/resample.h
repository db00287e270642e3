// Pixel work for the texture loader: turning a picture upright, resampling it to its
// texture size, the size a picture gets on a given device, its mip chain, and the blurred
// backdrop behind it.
#pragma once
#include <cstdint>

#include "imaging/image.h"

namespace WorkSpace {

// Turns a picture upright as its EXIF orientation tag (1..8) says: 2 mirrors, 3 turns by a
// half, 4 flips, 5 transposes, 6 turns a quarter clockwise, 7 transposes across the other
// diagonal, 8 turns a quarter anticlockwise. Values 5..8 swap width and height; any other
// value (1, 0, unknown) leaves the picture as it is.
Image OrientImage(const Image& src, uint32_t orientation);
// Whether an orientation swaps the picture's sides.
inline bool OrientationSwapsSides(uint32_t orientation) { return orientation >= 5 && orientation <= 8; }

// Area-average (box) resampling along an axis that shrinks, bilinear along one that grows,
// on every channel including alpha. Sizes 1..kMaxImageSide; any other requested size gives
// an empty image. A source whose pixel count does not match its size gives a transparent
// black image of the requested size, so callers can rely on the dimensions.
Image ScaleImage(const Image& src, uint32_t width, uint32_t height);

// The texture size for a srcW x srcH picture on a device whose textures may be at most
// maxW x maxH, optionally restricted to powers of two. The exact rule is in resample.cpp.
void FitTextureSize(uint32_t srcW, uint32_t srcH, uint32_t maxW, uint32_t maxH, bool powerOfTwo, uint32_t& w,
                    uint32_t& h);

// How many mip levels a w x h texture gets: `requested` 0 means the full chain down to 1x1,
// otherwise min(requested, full chain length).
uint32_t MipLevelCount(uint32_t w, uint32_t h, uint32_t requested);

// A small, blurred and darkened copy of `src` to lie behind it: its long side `longSide`
// pixels (area-averaged), then box-blurred, each colour at `brightness` (0 to 1). The device
// scales it up, which blurs it further. Empty for an empty source.
Image BlurredBackdrop(const Image& src, uint32_t longSide = 48, float brightness = 0.45f);

// The next smaller mip level: each side max(1, side / 2), each pixel the rounded average of
// a 2x2 block (coordinates clamped to the source, so a side of 1 averages with itself).
Image NextMipLevel(const Image& src);

}  // namespace WorkSpace
