// What a photo's EXIF block says: which way up it was taken (and turning it upright), and
// when and where. Read wherever the photo keeps it: a JPEG's APP1 Exif segment, a TIFF or
// raw file (ORF and RW2 too), PNG's eXIf chunk, WebP's EXIF chunk, the Exif item of a HEIF,
// HEIC or AVIF file; in either byte order.
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

// The orientation tag (274) of IFD0 of the photo's EXIF block. False when there is none, it is
// not 1..8, or the photo is HEIF or AVIF (their decoders turn them by the file's own boxes).
bool ReadExifOrientation(const uint8_t* data, size_t size, uint32_t& orientation);

// What a photo's EXIF block says about when and where it was taken. The date is the day of
// DateTimeOriginal, else of DateTimeDigitized; the position is the GPS latitude and
// longitude in degrees (north and east positive), with no position where the reference
// letters are not N/S and E/W (either case), minutes or seconds reach 60, or the GPS status
// says "V" (void). A day that does not exist (February 29 of a common year) is no date.
struct ExifFacts {
    bool hasDate = false;
    uint32_t year = 0, month = 0, day = 0;
    bool hasPosition = false;
    double latitude = 0.0, longitude = 0.0;
};
// Reads them from the photo's EXIF block, wherever the format keeps it. A field
// that is missing, damaged or out of range is simply not set; false when neither is.
bool ReadExifFacts(const uint8_t* data, size_t size, ExifFacts& facts);

}  // namespace WorkSpace
