// Portable picture handling for our texture loader: a TGA reader (the Windows codecs have
// none), resampling, the texture size a picture gets on a given device, mip chains, and a
// header sniffer for logging. Pure byte work, so all of it is tested and fuzzed on Linux.
#pragma once
#include <cstddef>
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

// Reads an uncompressed (type 2) or run-length encoded (type 10) true-colour TGA of 24 or
// 32 bits per pixel, in any row and column order. 24-bit pixels get alpha 0xFF; 32-bit
// pixels keep their stored alpha. Returns false for anything else, any damage or a size
// ImageSizeAccepted refuses; `out` is only written on success.
bool DecodeTga(const uint8_t* data, size_t size, Image& out);

// Area-average (box) resampling along an axis that shrinks, bilinear along one that grows,
// on every channel including alpha. Sizes 1..kMaxImageSide; any other requested size gives
// an empty image. A source whose pixel count does not match its size gives a transparent
// black image of the requested size, so callers can rely on the dimensions.
Image ScaleImage(const Image& src, uint32_t width, uint32_t height);

// The texture size for a srcW x srcH picture on a device whose textures may be at most
// maxW x maxH, optionally restricted to powers of two. The exact rule is in image.cpp.
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

// Turns a picture upright as its EXIF orientation tag (1..8) says: 2 mirrors, 3 turns by a
// half, 4 flips, 5 transposes, 6 turns a quarter clockwise, 7 transposes across the other
// diagonal, 8 turns a quarter anticlockwise. Values 5..8 swap width and height; any other
// value (1, 0, unknown) leaves the picture as it is.
Image OrientImage(const Image& src, uint32_t orientation);
// Whether an orientation swaps the picture's sides.
inline bool OrientationSwapsSides(uint32_t orientation) { return orientation >= 5 && orientation <= 8; }

// The orientation tag (274) of IFD0 in a JPEG's APP1 Exif segment or at the start of a TIFF
// file, in either byte order. False when there is none or it is not 1..8.
bool ReadExifOrientation(const uint8_t* data, size_t size, uint32_t& orientation);

// What a photo's EXIF block says about when and where it was taken. The date is the day of
// DateTimeOriginal, else of DateTimeDigitized; the position is the GPS latitude and
// longitude in degrees (north and east positive).
struct PhotoFacts {
    bool hasDate = false;
    uint32_t year = 0, month = 0, day = 0;
    bool hasPosition = false;
    double latitude = 0.0, longitude = 0.0;
};
// Reads them from a JPEG's APP1 Exif segment or a TIFF file, in either byte order. A field
// that is missing, damaged or out of range is simply not set; false when neither is.
bool ReadPhotoFacts(const uint8_t* data, size_t size, PhotoFacts& facts);

// Width and height from a PNG, BMP, GIF, JPEG (SOF0/1/2) or TGA header; false when the
// bytes are none of these.
bool ReadImageSize(const uint8_t* data, size_t size, uint32_t& w, uint32_t& h);

}  // namespace WorkSpace
