// The TIFF structure's reader and the tags read from it: the orientation, the date taken,
// the GPS position and the stars (Rating, RatingPercent). The structure is EXIF's in every
// container, and a TIFF or raw file's whole self; in either byte order.
#pragma once
#include <cstddef>
#include <cstdint>

#include "imaging/byte_order.h"

namespace WorkSpace {

struct ExifFacts;

// One IFD entry's type, count and where its values lie inside the TIFF structure.
struct TiffEntry {
    uint32_t type = 0, count = 0;
    size_t values = 0;
};

// Reads the IFDs of a TIFF structure of `size` bytes at `tiff`. Its offsets and counts are
// untrusted: Find gives only an entry whose values lie wholly inside the structure.
class TiffReader {
public:
    TiffReader(const uint8_t* tiff, size_t size) : d_(tiff), size_(size) {}
    // The byte order and the magic number; `ifd0` is where IFD0 is said to lie.
    bool Header(uint32_t& ifd0);
    uint32_t U16(size_t at) const { return little_ ? Le16(d_ + at) : Be16(d_ + at); }
    uint32_t U32(size_t at) const { return little_ ? Le32(d_ + at) : Be32(d_ + at); }
    const uint8_t* Bytes(size_t at) const { return d_ + at; }
    // The entry `tag` of the IFD at `ifd`, its values wholly inside the structure.
    bool Find(uint32_t ifd, uint32_t tag, TiffEntry& entry) const;
    // A pointer tag (the Exif and GPS IFDs'): one LONG.
    bool Pointer(uint32_t ifd, uint32_t tag, uint32_t& at) const;

private:
    const uint8_t* d_;
    size_t size_;
    bool little_ = true;
};

// The orientation tag (274) of IFD0: false when there is none or it is not 1..8.
bool ReadTiffOrientation(const uint8_t* tiff, size_t size, uint32_t& orientation);

// The date, the position and EXIF's stars, as ExifFacts describes them; a field that is
// missing, damaged or out of range is left unset. False when the header is not TIFF's.
bool ReadTiffFacts(const uint8_t* tiff, size_t size, ExifFacts& facts);

// Windows' System.Rating percent as the stars Explorer shows: 1-12 one, 13-37 two, 38-62
// three, 63-87 four, 88-99 five; 0 (and less) none.
int32_t StarsOfRatingPercent(int32_t percent);

}  // namespace WorkSpace
