// Where a decoded two-plane frame's rows are in the decoder's buffer: the pitch taken from
// what the buffer and its media type say, best first, and the planes checked to lie inside
// the bytes that can be read. Kept apart from Media Foundation so that it is tested alone.
#pragma once
#include <cstdint>

namespace WorkSpace {

// What is known of one frame's memory. Each `has...` says whether its value was given.
struct FrameMemory {
    bool hasBufferPitch = false;  // the buffer's own, from locking it as a 2D surface
    int64_t bufferPitch = 0;
    bool hasStatedStride = false;  // the media type's default stride
    int64_t statedStride = 0;
    bool hasLength = false;  // bytes readable from the top row's first
    uint64_t length = 0;
};

// The frame's shape: bytes of one row that show, rows that show, rows allocated per plane
// (a decoder may give 1088 for 1080, the chroma plane starting after all of them).
struct FrameRows {
    uint32_t rowBytes = 0, shownRows = 0, allocRows = 0;
};

enum class PitchFrom { Buffer, MediaType, Length };

struct FrameLayout {
    bool ok = false;
    int64_t pitch = 0;          // bytes from one row to the next
    uint64_t chromaOffset = 0;  // from the top row's first byte to the chroma plane's
    PitchFrom from = PitchFrom::Length;
    const wchar_t* refusal = nullptr;  // the log's words when not ok
};

// The buffer's own pitch where it has one, else the media type's stride, else the one that
// fills the length with a two-plane 4:2:0 frame of `rows.allocRows` rows. A negative pitch
// (a bottom-up frame, which two-plane YUV never is) and planes that reach past a known
// length are refused.
FrameLayout ChooseFrameLayout(const FrameMemory& memory, const FrameRows& rows);

}  // namespace WorkSpace
