// The seam between the clip player and a decoder: open a clip (a file, or a range of one,
// as a motion photo's video inside its JPEG), then its frames one at a time with their
// times. Media Foundation's source reader on Windows (mf_clip_reader.cpp); a scripted one
// in the tests. Readers run on the player's worker thread only, never on the device's.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "imaging/video_frame.h"
#include "sources/picture_source.h"

namespace WorkSpace {

// Where a clip's bytes are: a whole entry of a picture source, or `length` bytes of it from
// `offset` (a motion photo's video, read in place).
struct ClipPlace {
    std::wstring path;
    uint64_t offset = 0, length = 0;  // length 0: the whole entry
};

struct ClipInfo {
    uint32_t width = 0, height = 0;  // the frames' stored size
    uint32_t rotation = 0;           // clockwise degrees to upright
    VideoFormat format = VideoFormat::NV12;
};

class ClipReader {
public:
    virtual ~ClipReader() = default;
    // Opens the clip through `source` (never reading it whole); false with the log's words
    // for why (no video stream, no decoder for it, damaged, ...).
    virtual bool Open(const ClipPlace& place, PictureSource& source, ClipInfo& info, std::wstring& why) = 0;
    enum class Read { Frame, End, Failed };
    // The next frame in `frame`, its `time` the sample's own stamp in seconds; End after the
    // last; Failed with `why`.
    virtual Read Next(VideoFrame& frame, std::wstring& why) = 0;
};

// The platform's reader: null where clips cannot be decoded (Linux; Windows without Media
// Foundation), with `why` for the log.
std::unique_ptr<ClipReader> MakePlatformClipReader(std::wstring& why);

// The readers the player makes (tests set a scripted one; null: the platform's).
using ClipReaderMaker = std::unique_ptr<ClipReader> (*)(std::wstring& why);
void SetClipReaderMaker(ClipReaderMaker maker);
std::unique_ptr<ClipReader> MakeClipReader(std::wstring& why);

}  // namespace WorkSpace
