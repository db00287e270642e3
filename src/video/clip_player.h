// A clip on its way to the screen: a decode worker of its own reads frames ahead into a
// small ring (a few frames, whatever the clip's length), and the device's thread takes the
// frame due as the entry's seconds pass. The worker holds nothing anyone else waits for: a
// decoder that hangs is left behind, and the process's exit does not wait for it.
#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "imaging/picture_decode.h"
#include "video/clip_reader.h"

namespace WorkSpace {

// How many decoded frames a clip keeps ahead at most, and the bytes they may take: a 4K
// clip keeps two ahead, a 1080p one four.
constexpr size_t kClipRingFrames = 4;
constexpr size_t kClipRingBytes = size_t{24} << 20;
// The frames kept ahead for frames of this size and format: as many as kClipRingBytes
// holds, at least two and at most kClipRingFrames.
size_t ClipRingFrames(uint32_t width, uint32_t height, VideoFormat format);
// How long the stream's worker waits for a clip's first frame before it skips the clip.
constexpr std::chrono::milliseconds kClipStartWithin{3000};

struct ClipRequest {
    ClipPlace place;
    double maxSeconds = 30.0;  // how long the entry holds the screen (0: the whole clip)
    bool liveMotion = false;   // a live photo's motion: played once, then its still
    std::chrono::milliseconds startWithin = kClipStartWithin;
};

// Starts the clip's worker and waits (up to request.startWithin) for its first frame; then
// `out` has the clip's upright size and its frames (out.image is left as it is: a live
// photo's still, or empty for a clip). False, with one log line naming the clip and why,
// for a clip that cannot play: no decoder, no video, damaged, larger than the device's
// textures, a decoder that throws or does not start in time.
bool OpenClip(const ClipRequest& request, PictureSource& source, DecodedPicture& out);

}  // namespace WorkSpace
