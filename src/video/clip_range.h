// The arithmetic of a stream over a range of an entry (a motion photo's clip inside its
// JPEG): where a seek lands and how much a read may take, in the range's own positions,
// checked for overflow. Pure, so that the stream's edges are tested without Windows.
#pragma once
#include <cstddef>
#include <cstdint>

namespace WorkSpace {

// `length` bytes of an entry from `offset`.
struct ClipRange {
    uint64_t offset = 0, length = 0;
};

// Whether the range lies wholly inside an entry of `entrySize` bytes (0: its size is not
// known, so only the range's own end is checked) without its end overflowing.
bool ClipRangeFits(const ClipRange& range, uint64_t entrySize);

enum class SeekFrom { Start, Current, End };

// The position a seek by `move` from `from` lands on, with the stream at `position`: false
// before the range's start or beyond what 64 bits hold. A seek past the end is allowed, as a
// stream's is; reads there give nothing.
bool ClipRangeSeek(const ClipRange& range, uint64_t position, SeekFrom from, int64_t move, uint64_t& landed);

// How many of `want` bytes a read at `position` may take: clipped at the range's end, 0
// at or past it.
size_t ClipRangeReadable(const ClipRange& range, uint64_t position, size_t want);

}  // namespace WorkSpace
