// HEIF, HEIC and AVIF files as ISO BMFF boxes: where their Exif item lies, and the size of
// their picture as the decoder shows it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace WorkSpace {

// One box inside [pos, limit): its type and its body [body, end).
struct BmffBox {
    uint32_t type = 0;
    size_t body = 0, end = 0;
};
// False when the box's header or its size does not fit inside [pos, limit).
bool ReadBmffBox(const uint8_t* d, size_t pos, size_t limit, BmffBox& box);

// Where the item `id` lies, from the item location box `iloc` of a file of `size` bytes: in
// the file, or in the `idat` box of the same `meta` (null when there is none). Only an item
// of one extent; a length of 0 runs to the end of its source. A table whose field sizes are
// none of 0, 4 and 8 bytes, or whose version is not 0..2, is not read.
bool BmffItemExtent(const uint8_t* d, size_t size, const BmffBox& iloc, const BmffBox* idat, uint32_t id,
                    size_t& start, size_t& length);

// The TIFF structure inside the item of type "Exif" in the top-level `meta` box.
bool FindBmffExif(const uint8_t* data, size_t size, const uint8_t*& tiff, size_t& tiffSize);

// The largest image spatial extent (`ispe`) among the item properties, its sides swapped
// where an `irot` turns it a quarter either way; false when the file is not ISO BMFF.
bool BmffPictureSize(const uint8_t* data, size_t size, uint32_t& w, uint32_t& h);

}  // namespace WorkSpace
