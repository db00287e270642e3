// The picture every reader here produces and every resampler takes: 32-bit pixels in the
// layout a locked A8R8G8B8 texture expects, and the one size rule all decoders share.
#pragma once
#include <cstdint>
#include <vector>

namespace WorkSpace {

// 32-bit A8R8G8B8 pixels (0xAARRGGBB as a uint32, so B, G, R, A bytes in memory on a
// little-endian machine, which is the layout a locked D3DFMT_A8R8G8B8 surface expects),
// rows top-down without padding: pixels.size() == width * height.
struct Image {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

// The largest side any function here produces or accepts from a file.
constexpr uint32_t kMaxImageSide = 16384;
// The most pixels a decoded picture may have (256 MB as 32-bit pixels). A file may claim
// any size in a few bytes (a 65000x65000 one-bit PNG is half a megabyte); the decoders
// refuse such a picture before anything is allocated for it.
constexpr uint64_t kMaxImagePixels = 8192ull * 8192ull;
// The one size rule of every decoder (ours and the system's): 1..kMaxImageSide per side
// and at most kMaxImagePixels pixels.
bool ImageSizeAccepted(uint32_t width, uint32_t height);

// Whether an image has a size and holds exactly the pixels its size says; the pixel work
// refuses any other before reading a pixel of it.
bool ImageConsistent(const Image& image);

}  // namespace WorkSpace
