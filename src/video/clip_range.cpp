// Where seeks land and how far reads reach in a stream over part of an entry: the range's
// positions count from its start, and nothing reads outside it.
#include "video/clip_range.h"

#include <limits>

namespace WorkSpace {

bool ClipRangeFits(const ClipRange& range, uint64_t entrySize) {
    if (range.length > std::numeric_limits<uint64_t>::max() - range.offset) return false;
    return entrySize == 0 || range.offset + range.length <= entrySize;
}

bool ClipRangeSeek(const ClipRange& range, uint64_t position, SeekFrom from, int64_t move, uint64_t& landed) {
    const uint64_t base = from == SeekFrom::Start ? 0 : from == SeekFrom::Current ? position : range.length;
    if (move >= 0) {
        const uint64_t forward = static_cast<uint64_t>(move);
        if (forward > std::numeric_limits<uint64_t>::max() - base) return false;
        landed = base + forward;
        return true;
    }
    // -(move + 1) + 1 avoids negating the smallest int64.
    const uint64_t back = static_cast<uint64_t>(-(move + 1)) + 1;
    if (back > base) return false;
    landed = base - back;
    return true;
}

size_t ClipRangeReadable(const ClipRange& range, uint64_t position, size_t want) {
    if (position >= range.length) return 0;
    const uint64_t left = range.length - position;
    return left < want ? static_cast<size_t>(left) : want;
}

}  // namespace WorkSpace
