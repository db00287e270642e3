// What moves in a lap entry under the "Videos" option: a clip of its own, a live photo (a
// still with a clip of the same name beside it) or a motion photo (a JPEG that carries its
// clip inside, after the picture). Found from names and a few ranges of bytes, never decoded.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sources/picture_source.h"

namespace WorkSpace {

// The motion a lap entry carries under the "Videos" option.
enum class MotionKind : uint8_t { None, Clip, LivePhoto, MotionPhoto };

struct MotionRef {
    MotionKind kind = MotionKind::None;
    std::wstring still;  // the still's path (LivePhoto, MotionPhoto); empty for a Clip
    std::wstring clip;   // the clip's path: the clip itself, the live photo's sibling, or
                         // for a motion photo the still's own path
    uint64_t offset = 0, length = 0;  // the clip's bytes inside `clip` (length 0: all of it)
};

// The "Videos" option's values.
constexpr int kVideosOff = 0, kVideosAll = 1, kVideosLiveOnly = 2;

// A clip by its extension (Platform::ClipExtensions), in any case.
bool IsClipName(const std::wstring& path);
// A clip that may be a live photo's motion beside its still: MOV (an iPhone's), or MP4.
bool IsLivePhotoClipName(const std::wstring& path);
// A still that may have motion: a live photo's (HEIC, HEIF, JPEG) or a motion photo's (JPEG).
bool IsMotionStillName(const std::wstring& path);

// The motion of `entry` (a lap entry's path) under videos 0/1/2, reading what it must
// through `source` (XMP / trailer of a JPEG; sibling lookup for a live photo). False (and
// `out` of kind None) for an entry without motion, or whose motion the option leaves out.
bool FindMotion(const std::wstring& entry, int videos, PictureSource& source, MotionRef& out);

}  // namespace WorkSpace
