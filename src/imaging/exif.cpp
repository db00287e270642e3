// A photo's orientation and facts: the container gives the EXIF block and the XMP packet
// (containers.h), the TIFF tags (tiff_tags.h) and the XMP text (xmp.h) what is in them.
#include "imaging/exif.h"

#include "imaging/containers.h"
#include "imaging/tiff_tags.h"
#include "imaging/xmp.h"

namespace WorkSpace {

bool ReadExifOrientation(const uint8_t* data, size_t size, uint32_t& orientation) {
    ExifBlock block;
    return FindExifBlock(data, size, block) && block.orientationCounts &&
           ReadTiffOrientation(block.tiff, block.size, orientation);
}

bool ReadExifFacts(const uint8_t* data, size_t size, ExifFacts& facts) {
    facts = ExifFacts();
    ExifBlock block;
    if (FindExifBlock(data, size, block)) ReadTiffFacts(block.tiff, block.size, facts);
    // XMP wins over EXIF: Lightroom, digiKam and darktable write their stars to XMP alone,
    // and leave a camera's EXIF Rating (often a fixed 0) as it was; Windows writes both
    // alike, so for its photos the choice makes no difference.
    int32_t stars = 0;
    const uint8_t* xmp = nullptr;
    size_t xmpSize = 0;
    if (FindXmpPacket(data, size, xmp, xmpSize) && ReadXmpRating(xmp, xmpSize, stars)) {
        facts.hasRating = true;
        facts.rating = stars;
    }
    return facts.hasDate || facts.hasPosition || facts.hasRating;
}

}  // namespace WorkSpace
