// What a photo's XMP packet says that the saver uses: its stars. The packet is found in its
// container by containers.h; this reads the text, which any program may have written.
#pragma once
#include <cstddef>
#include <cstdint>

namespace WorkSpace {

// The xmp:Rating of an XMP packet, as an attribute or an element: -1 (rejected) reads as 0.
// False when the packet holds none, or one out of -1..5.
bool ReadXmpRating(const uint8_t* xmp, size_t size, int32_t& stars);

}  // namespace WorkSpace
