// The layout of a decoded two-plane frame in its buffer (frame_layout.h): which pitch to
// trust, and whether both planes' shown rows lie inside the bytes that can be read.
#include "video/frame_layout.h"

namespace WorkSpace {

FrameLayout ChooseFrameLayout(const FrameMemory& memory, const FrameRows& rows) {
    FrameLayout layout;
    if (rows.rowBytes == 0 || rows.shownRows < 2 || rows.allocRows < rows.shownRows) {
        layout.refusal = L"a frame with no rows";
        return layout;
    }
    if (memory.hasBufferPitch) {
        layout.pitch = memory.bufferPitch, layout.from = PitchFrom::Buffer;
    } else if (memory.hasStatedStride && (memory.statedStride < 0 || !memory.hasLength ||
                                          static_cast<uint64_t>(memory.statedStride) >= rows.rowBytes)) {
        // A stated stride shorter than a row is a media type's slip where the length tells.
        layout.pitch = memory.statedStride, layout.from = PitchFrom::MediaType;
    } else if (memory.hasLength) {
        // Contiguous 4:2:0: pitch x allocated rows of luma, then half as many of chroma.
        layout.pitch = static_cast<int64_t>(memory.length * 2 / (3ull * rows.allocRows));
        layout.from = PitchFrom::Length;
    } else {
        layout.refusal = L"a frame whose layout is not known";
        return layout;
    }
    if (layout.pitch < 0) {
        layout.refusal = L"a bottom-up frame (negative pitch)";
        return layout;
    }
    if (static_cast<uint64_t>(layout.pitch) < rows.rowBytes) {
        layout.refusal = L"a frame whose rows are longer than its pitch";
        return layout;
    }
    const uint64_t pitch = static_cast<uint64_t>(layout.pitch);
    layout.chromaOffset = pitch * rows.allocRows;
    // The last chroma row's end; the luma's rows all end before the chroma plane starts.
    const uint64_t end = layout.chromaOffset + pitch * (rows.shownRows / 2 - 1) + rows.rowBytes;
    if (memory.hasLength && end > memory.length) {
        layout.refusal = L"a frame larger than its buffer";
        return layout;
    }
    layout.ok = true;
    return layout;
}

}  // namespace WorkSpace
