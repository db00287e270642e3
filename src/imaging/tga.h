// A TGA reader for the texture loader: the Windows codecs have none, and the particle sprite
// and any TGA in the archive or among a user's pictures come through here.
#pragma once
#include <cstddef>
#include <cstdint>

#include "imaging/image.h"

namespace WorkSpace {

// Every TGA opens with this many header bytes; the header sniffer reads the same ones.
constexpr size_t kTgaHeaderSize = 18;

// Reads an uncompressed (type 2) or run-length encoded (type 10) true-colour TGA of 24 or
// 32 bits per pixel, in any row and column order. 24-bit pixels get alpha 0xFF; 32-bit
// pixels keep their stored alpha. Returns false for anything else, any damage or a size
// ImageSizeAccepted refuses; `out` is only written on success.
bool DecodeTga(const uint8_t* data, size_t size, Image& out);

}  // namespace WorkSpace
