// A picture's size from its first bytes, without decoding it: a picture that claims more
// pixels than any decoder accepts is refused before a codec is handed it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace WorkSpace {

// Width and height from a PNG, BMP, GIF, JPEG (SOF0/1/2) or TGA header; false when the
// bytes are none of these.
bool ReadImageSize(const uint8_t* data, size_t size, uint32_t& w, uint32_t& h);

// The picture's size as stored, from the headers of every format the saver shows: JPEG of
// any frame type, PNG, BMP, GIF, WebP, TIFF and its raw formats, HEIF and AVIF (after their
// own rotation box), TGA; false when the headers do not tell. EXIF's orientation is not
// applied.
bool ReadStoredPictureSize(const uint8_t* data, size_t size, uint32_t& w, uint32_t& h);

}  // namespace WorkSpace
