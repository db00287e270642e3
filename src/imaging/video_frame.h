// One decoded frame of a clip as the decoder gives it: a luma plane and an interleaved
// chroma plane at half size (NV12, or P010 for 10-bit clips), made into colours on the
// graphics card, never on the processor.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace WorkSpace {

enum class VideoFormat : uint32_t { NV12, P010 };

// The colour standard a decoder states for its frames; Unstated where it says nothing (the
// frame's height then picks one, as players have long done).
enum class YuvMatrix : uint32_t { Unstated, Bt601, Bt709, Bt2020 };
// Studio range: black and white at 16 and 235 (64 and 940 in ten bits); full: 0 and 255.
enum class YuvRange : uint32_t { Unstated, Studio, Full };
struct VideoColour {
    YuvMatrix matrix = YuvMatrix::Unstated;
    YuvRange range = YuvRange::Unstated;
};
// `stated`, with what it leaves unstated taken from `fallback`: a decoder's output type states
// the colour first, the stream's native type where the decoder's leaves it out.
inline VideoColour StatedOr(VideoColour stated, VideoColour fallback) {
    if (stated.matrix == YuvMatrix::Unstated) stated.matrix = fallback.matrix;
    if (stated.range == YuvRange::Unstated) stated.range = fallback.range;
    return stated;
}

struct VideoFrame {
    uint32_t width = 0, height = 0;  // the frame's pixels as stored (even sides)
    VideoFormat format = VideoFormat::NV12;
    uint32_t rotation = 0;  // clockwise degrees that make it upright: 0, 90, 180 or 270
    VideoColour colour;     // as the decoder states it
    double time = 0.0;      // seconds from the clip's first sample
    // Tightly packed rows: luma width x height samples, chroma (width/2) x (height/2) pairs;
    // a sample is one byte in NV12, two (little-endian, high bits used) in P010.
    std::vector<uint8_t> luma, chroma;
};

inline uint32_t VideoSampleBytes(VideoFormat format) { return format == VideoFormat::P010 ? 2u : 1u; }

// Whether the planes hold what the size and format say.
inline bool VideoFrameConsistent(const VideoFrame& f) {
    const size_t sample = VideoSampleBytes(f.format);
    return f.width >= 2 && f.height >= 2 && f.width % 2 == 0 && f.height % 2 == 0 &&
           f.luma.size() == size_t{f.width} * f.height * sample &&
           f.chroma.size() == size_t{f.width / 2} * (f.height / 2) * 2 * sample;
}

}  // namespace WorkSpace
