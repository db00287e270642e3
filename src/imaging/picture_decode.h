// A user's picture file turned into pixels for one texture: decoded, upright by its EXIF
// orientation and scaled down (box filter) to what the screen shows of it. This is the step
// that may run away from the device's thread; the upload is GraphicsDevice's.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/picture_read.h"
#include "imaging/exif.h"
#include "imaging/image.h"
#include "imaging/picture_fit.h"
#include "imaging/video_frame.h"
#include "sources/picture_sources.h"
#include "sources/picture_source.h"

namespace WorkSpace {

// What the picture is decoded for: the largest area it is drawn into, and how.
struct PictureTarget {
    uint32_t width = 0, height = 0;  // 0: keep the picture's own size
    PictureFit fit = PictureFit::Stretch;
    // A picture that lies across the area is drawn fitted, whatever `fit` (portraits beside
    // each other or over their blurred copy): it is decoded for that place.
    bool fitAcross = false;
};

// The later frames of a picture that moves (a clip), asked for on the device's thread as
// they fall due; its DecodedPicture's `image` is the first. A photo has none.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    // The frame due `seconds` after the picture started showing, when it is not the one last
    // given: true and `out` filled. False while the last frame given stays on screen.
    virtual bool FrameAt(double seconds, Image& out) = 0;
    // Whether the frames come as planes for the graphics card (a clip: VideoFrameAt) rather
    // than as pixels (FrameAt).
    virtual bool HasPlanes() const { return false; }
    // A clip's frame due `seconds` after it started showing, when a new one is due.
    virtual bool VideoFrameAt(double seconds, VideoFrame& out) {
        (void)seconds;
        (void)out;
        return false;
    }
    // Whether the entry's time on screen is still running `seconds` after it started
    // showing (a clip that plays on): the fade to the next entry waits until it is not.
    virtual bool HoldsFade(double seconds) {
        (void)seconds;
        return false;
    }
    // Whether the still (the DecodedPicture's image) shows now: a live photo after its
    // motion. A clip without a still never does.
    virtual bool StillShows(double seconds) {
        (void)seconds;
        return true;
    }
};

struct DecodedPicture {
    Image image;                     // upright, at most as large as the target needs
    uint32_t width = 0, height = 0;  // the upright picture's own size, for its aspect
    ExifFacts facts;                 // when, where and its stars, from the file's EXIF and XMP
    Image caption;                   // the caption's pixels, when captions are on and there is one
    std::shared_ptr<FrameSource> frames;  // its later frames (null: a still picture)
};

using PictureDecoder = bool (*)(const std::wstring& path, const PictureTarget& target, DecodedPicture& out);

// The platform's decoder over the entry at `path` of `source`: WIC and our TGA reader on
// Windows (wic_picture_decode.cpp), TGA only elsewhere (posix_picture_decode.cpp). False for
// anything that cannot be read.
bool DecodePictureFrom(const std::wstring& path, const PictureTarget& target, DecodedPicture& out,
                       PictureSource& source);
// The same for a file of the local folders: the stream's decoder unless one is set.
bool DecodePictureFile(const std::wstring& path, const PictureTarget& target, DecodedPicture& out);

// What the platform's decoder made of an image file's bytes.
enum class ImageDecodeResult { Ok, NotPicture, NoCodec, TooLarge };
// WIC, then our TGA reader, over a file's bytes in memory (Windows only: the texture loader
// decodes the archive's images through it).
ImageDecodeResult DecodeImageBytes(const void* data, uint32_t size, Image& out);

// A decoder that fails tells why, on its own thread, before it returns false: a read error,
// a sharing violation, a time-out or a failed allocation is tried again on a later lap. A
// failure it does not name counts as not a picture, skipped for the run.
void ReportDecodeFailure(PictureFailure failure);
// The reason of the last failure on this thread, which is forgotten.
PictureFailure TakeDecodeFailure();

// A picture file's bytes for a decoder, read whole from its source. A file that cannot be
// had is reported (ReportDecodeFailure) and logged once a run for each file and kind of
// failure: "DecodePictureFile() - <path> - <why> - FAILED".
bool ReadPictureFile(const std::wstring& path, std::string& bytes, PictureSource& source = PictureSources());
// What a failed read means to the library, and the log's words for it.
PictureFailure PictureFailureOfRead(Platform::ReadFailure failure);
const wchar_t* ReadFailureText(Platform::ReadFailure failure);
// One line once a run for `path` and `what`: every lap and every rebuild meets the same
// picture again.
void LogPictureFailure(const std::wstring& path, const wchar_t* what);

// A thread that decodes may call these around its work: WIC then keeps one apartment and
// one factory for all of it, instead of one per picture. DecodePictureFile works on any
// thread without them. End is called on the thread that called Begin.
bool BeginDecoderThread();
void EndDecoderThread(bool begun);

// The texture limits of the device the pictures go to (GraphicsDevice::GetTextureLimits):
// FinishPicture fits every picture into them, so the device's thread never rescales one.
// 0 x 0 (the start) means no limit. Set while no decode runs; read by the decoding threads.
void SetPictureTextureLimits(uint32_t maxWidth, uint32_t maxHeight, bool powerOfTwo);
// The limits last set (0 x 0: none yet), for a clip, whose frames are not scaled to fit.
void GetPictureTextureLimits(uint32_t& maxWidth, uint32_t& maxHeight);

// The size a w x h upright picture gets for the target: Stretch shrinks each side to the
// target's, Fit shrinks it to fit inside, Fill to cover it; never larger than the picture.
// With fitAcross, one that lies across the target is fitted.
void PictureDecodeSize(const PictureTarget& target, uint32_t w, uint32_t h, uint32_t& outW, uint32_t& outH);

// The size, as stored in the file (before the EXIF turn), that a picture stored at w x h is
// shown at: PictureDecodeSize for its upright sides, then into the texture limits. A codec
// that can scale while decoding is asked for no more than this.
void StoredDecodeSize(const PictureTarget& target, uint32_t orientation, uint32_t w, uint32_t h, uint32_t& outW,
                      uint32_t& outH);

// The common last step of every decoder: `raw` as stored in the file, then upright and
// scaled for the target and into the texture limits. `ownW` x `ownH`: the stored picture's
// own size, where the codec decoded `raw` smaller (0: raw's own).
bool FinishPicture(const Image& raw, uint32_t orientation, const PictureTarget& target, DecodedPicture& out,
                   uint32_t ownW = 0, uint32_t ownH = 0);

}  // namespace WorkSpace
