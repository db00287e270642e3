// Reads a photo's facts (date taken, size as shown, stars, place) from its file's headers
// only, without decoding a pixel, for the photo index and the lap's filters.
#pragma once
#include <string>

#include "library/photo_facts.h"

namespace WorkSpace {

// False when the file cannot be read or is no picture this program knows; facts the
// headers do not hold stay at PhotoFacts' defaults.
bool ReadPhotoFacts(const std::wstring& path, PhotoFacts& facts);

}  // namespace WorkSpace
