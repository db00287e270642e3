// What a photo's EXIF block says: which way up it was taken (and turning it upright), and
// when and where. Read from a JPEG's APP1 Exif segment or a TIFF file, in either byte order.
#pragma once
#include <cstddef>
#include <cstdint>

#include "pictures/image.h"

namespace WorkSpace {

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

}  // namespace WorkSpace
