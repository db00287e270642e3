// Where a motion photo keeps its clip inside its own file, found by ranges without reading
// the whole: Google's XMP directory (or the older MicroVideo offset), else Samsung's trailer.
#pragma once
#include <cstdint>

#include "sources/picture_source.h"

namespace WorkSpace {

enum class MotionPhotoFind { None, Found, Misplaced };

// The clip's bytes inside `file` (a JPEG): Found with `offset` and `length`; None for a photo
// that names no clip; Misplaced for one whose XMP or trailer names a clip that is not there
// (no MP4 `ftyp` where it should start, or past the file's end). Only the file's first
// 256 KiB, its last 64 KiB and a few bytes where the clip starts are read.
MotionPhotoFind FindMotionPhotoClip(PictureReader& file, uint64_t& offset, uint64_t& length);

}  // namespace WorkSpace
