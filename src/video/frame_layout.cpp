// The layout of a decoded 4:2:0 frame in its buffer (frame_layout.h): which pitch to trust,
// and whether every plane's shown rows lie inside the bytes that can be read; a three-plane
// frame's chroma paired as NV12 keeps it.
#include "video/frame_layout.h"

#include <cstddef>

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
        // Contiguous 4:2:0: pitch x allocated rows of luma, then half as many of chroma (two
        // planes of half the pitch and half the rows take as many bytes as one of pairs, at
        // the sizes the reader takes three planes at).
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
    uint64_t end = 0;  // the last chroma row's end; the luma's rows all end before the chroma's
    if (rows.chroma == ChromaPlanes::Paired) {
        layout.chromaPitch = layout.pitch;
        end = layout.chromaOffset + pitch * (rows.shownRows / 2 - 1) + rows.rowBytes;
    } else {
        const uint64_t half = pitch / 2;
        layout.chromaPitch = static_cast<int64_t>(half);
        layout.secondChromaOffset = layout.chromaOffset + half * (rows.allocRows / 2);
        end = layout.secondChromaOffset + half * (rows.shownRows / 2 - 1) + rows.rowBytes / 2;
    }
    if (memory.hasLength && end > memory.length) {
        layout.refusal = L"a frame larger than its buffer";
        return layout;
    }
    layout.ok = true;
    return layout;
}

bool ThreePlanesAsTheyCome(uint32_t width, uint32_t height) {
    return width > 0 && width % 8 == 0 && height > 0 && height % 2 == 0;
}

void PairChroma(const uint8_t* top, const FrameLayout& layout, ChromaPlanes planes, uint32_t samples, uint32_t rows,
                uint8_t* pairs) {
    const uint8_t* first = top + layout.chromaOffset;
    const uint8_t* second = top + layout.secondChromaOffset;
    const uint8_t* u = planes == ChromaPlanes::VFirst ? second : first;
    const uint8_t* v = planes == ChromaPlanes::VFirst ? first : second;
    const size_t pitch = static_cast<size_t>(layout.chromaPitch);
    for (uint32_t y = 0; y < rows; ++y, u += pitch, v += pitch, pairs += 2 * size_t{samples})
        for (uint32_t i = 0; i < samples; ++i) {
            pairs[2 * i] = u[i];
            pairs[2 * i + 1] = v[i];
        }
}

}  // namespace WorkSpace
