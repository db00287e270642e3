// An IStream over a range of a picture source's entry (a motion photo's clip inside its
// JPEG), read in place through the entry's PictureReader and never written out, for Media
// Foundation to open as a byte stream.
#pragma once
#include <memory>

#include "sources/picture_source.h"
#include "video/clip_range.h"

struct IStream;

namespace WorkSpace {

// A new stream (one reference, the caller's) reading `range` of `file`; null when the range
// does not lie inside the entry.
IStream* MakeRangeStream(std::unique_ptr<PictureReader> file, const ClipRange& range);

}  // namespace WorkSpace
