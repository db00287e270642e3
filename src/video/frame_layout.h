// Where a decoded 4:2:0 frame's rows are in the decoder's buffer: the pitch taken from what
// the buffer and its media type say, best first, and the planes checked to lie inside the
// bytes that can be read; and the chroma of a three-plane frame paired as NV12 keeps it.
// Kept apart from Media Foundation so that it is tested alone.
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

// How the chroma is stored: one plane of U,V pairs (NV12, P010), or a plane of U and then
// one of V (I420, IYUV), or V first (YV12), each at half the luma's pitch and rows.
enum class ChromaPlanes { Paired, UFirst, VFirst };

// The frame's shape: bytes of one luma row that show, rows that show, rows allocated per
// plane (a decoder may give 1088 for 1080, the chroma starting after all of them).
struct FrameRows {
    uint32_t rowBytes = 0, shownRows = 0, allocRows = 0;
    ChromaPlanes chroma = ChromaPlanes::Paired;
};

enum class PitchFrom { Buffer, MediaType, Length };

struct FrameLayout {
    bool ok = false;
    int64_t pitch = 0;          // bytes from one row to the next
    uint64_t chromaOffset = 0;  // from the top row's first byte to the (first) chroma plane's
    // Three planes: the second chroma plane's offset, and both chroma planes' pitch.
    uint64_t secondChromaOffset = 0;
    int64_t chromaPitch = 0;
    PitchFrom from = PitchFrom::Length;
    const wchar_t* refusal = nullptr;  // the log's words when not ok
};

// The buffer's own pitch where it has one, else the media type's stride, else the one that
// fills the length with a 4:2:0 frame of `rows.allocRows` rows. A negative pitch (a
// bottom-up frame, which planar YUV never is) and planes that reach past a known length are
// refused.
FrameLayout ChooseFrameLayout(const FrameMemory& memory, const FrameRows& rows);

// Whether a three-plane frame of `width` x `height` is read as it comes: where the width is
// a multiple of 8 and the height even. There Microsoft's layout (each chroma plane at half
// the luma's pitch, after its rows) and GStreamer's (each plane's rows rounded up to 4 bytes,
// which Wine's frames may keep) are the same; at other sizes a converter pairs the chroma.
bool ThreePlanesAsTheyCome(uint32_t width, uint32_t height);

// Writes a three-plane frame's U and V planes as NV12's interleaved rows: `rows` rows of
// `samples` pairs, packed tightly, from the planes `layout` found below `top` (the top row's
// first byte), in the order `planes` says. Such a frame is stored so as it is copied out of
// the decoder's buffer, and shown as NV12 is.
void PairChroma(const uint8_t* top, const FrameLayout& layout, ChromaPlanes planes, uint32_t samples, uint32_t rows,
                uint8_t* pairs);

}  // namespace WorkSpace
