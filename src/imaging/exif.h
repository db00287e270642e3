// What a photo's EXIF block says: which way up it was taken, when and where; and its XMP
// block (or EXIF's) how many stars it has. Read wherever the photo keeps them: a JPEG's APP1
// segments, a TIFF or raw file (ORF and RW2 too), PNG's eXIf and iTXt chunks, WebP's EXIF
// and XMP chunks, the Exif item of a HEIF, HEIC or AVIF file; in either byte order.
#pragma once
#include <cstddef>
#include <cstdint>

// OrientImage and OrientationSwapsSides, which take the orientation read here.
#include "imaging/resample.h"

namespace WorkSpace {

// The orientation tag (274) of IFD0 of the photo's EXIF block. False when there is none, it is
// not 1..8, or the photo is HEIF or AVIF (their decoders turn them by the file's own boxes).
bool ReadExifOrientation(const uint8_t* data, size_t size, uint32_t& orientation);

// What a photo's EXIF block says about when and where it was taken, and its XMP or EXIF
// block about its stars. The date is the day of DateTimeOriginal, else of
// DateTimeDigitized, with its time where that is whole; the position is the GPS latitude
// and longitude in degrees (north and east positive), with no position where the reference
// letters are not N/S and E/W (either case), minutes or seconds reach 60, or the GPS status
// says "V" (void). A day that does not exist (February 29 of a common year) is no date.
struct ExifFacts {
    bool hasDate = false;
    uint32_t year = 0, month = 0, day = 0;
    uint32_t hour = 0, minute = 0, second = 0;
    bool hasPosition = false;
    double latitude = 0.0, longitude = 0.0;
    // 0..5 stars (a photo marked rejected has 0): XMP's xmp:Rating, else EXIF's Rating
    // (0x4746), else its RatingPercent (0x4749, Windows' System.Rating).
    bool hasRating = false;
    int32_t rating = 0;
};
// Reads them from the photo's EXIF and XMP blocks, wherever the format keeps them. A field
// that is missing, damaged or out of range is simply not set; false when none is.
bool ReadExifFacts(const uint8_t* data, size_t size, ExifFacts& facts);

}  // namespace WorkSpace
