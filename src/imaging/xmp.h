// What a photo's XMP packet says that the saver uses: its stars, and where a motion photo
// keeps its clip. The packet is found in its container by containers.h; this reads the
// text, which any program may have written.
#pragma once
#include <cstddef>
#include <cstdint>

namespace WorkSpace {

// The xmp:Rating of an XMP packet, as an attribute or an element: -1 (rejected) reads as 0.
// False when the packet holds none, or one out of -1..5.
bool ReadXmpRating(const uint8_t* xmp, size_t size, int32_t& stars);

// Where a motion photo's clip lies, counted from the file's end: it is `length` bytes long
// and ends `after` bytes before the end (the items the container directory lists after it).
struct XmpMotion {
    uint64_t length = 0, after = 0;
};
// Google's motion photo: GCamera:MotionPhoto 1 with a Container:Directory whose item of
// Semantic "MotionPhoto" gives the clip's Length (and Padding); or the older
// GCamera:MicroVideo 1 with GCamera:MicroVideoOffset, the clip's bytes from the end. False
// when the packet names no motion, or names it without a length.
bool ReadXmpMotion(const uint8_t* xmp, size_t size, XmpMotion& motion);

}  // namespace WorkSpace
