// The user's pictures as a stream: a worker thread walks the photo library lap after lap (in
// list order or shuffled), decodes the pictures ahead, skipping those that cannot be read,
// and hands each one over through a one-picture slot. The device's thread takes it from
// there between frames and uploads it. Memory and start-up cost stay those of a few pictures,
// however large the library.
//
// No thread but the worker ever waits on a file: the worker is detached, and Stop only tells
// it to end. A worker stuck in a read on a stalled drive finishes it on its own, finds
// itself stopped, and drops what it read; the process's exit does not wait for it.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "library/photo_facts.h"
#include "pictures/caption.h"
#include "pictures/picture_decode.h"

namespace WorkSpace {

struct StreamedPicture {
    DecodedPicture picture;
    uint32_t listIndex = 0;  // the picture's place in its lap
    // Portraits side by side: the next picture, when it lies across the target too.
    bool paired = false;
    DecodedPicture partner;
    uint32_t partnerIndex = 0;
    // Portraits over a blurred copy, or side by side without a partner: the small blurred
    // copy that fills the view behind the picture (empty for any other picture).
    Image backdrop;
};

// How a run shows the list: from which place, in which order, decoded for which area and fit,
// and where a shuffled lap's place is kept between runs (empty: nowhere).
struct PictureStreamOptions {
    uint32_t first = 0;  // list order: the place to start from
    bool shuffle = false;
    PictureTarget target;
    std::wstring statePath;
    // How a picture that lies across the target is shown: 0 as any other, 1 beside the next
    // one that does too (over its blurred copy without one), 2 over its blurred copy.
    int32_t portraits = 0;
    // How long the worker waits, after a lap that a failure ended (memory short, a folder
    // that threw), before it walks the library again.
    std::chrono::milliseconds retryRest{5000};
    CaptionOptions captions;  // each decoded picture gets its caption's pixels on the worker
    // "MinRating" and "MinPictureSize": a picture whose stars (from the EXIF and XMP the
    // decoder read) or decoded size fail them is passed over quietly, for the run, so that
    // the filters hold before the photo index knows the file.
    PhotoFilter filter;
    // The kept place moves on as pictures are shown; otherwise it is only read. Only the
    // full-screen saver moves it: what a preview shows has not been seen.
    bool moveLap = false;
};

class PictureStream {
public:
    PictureStream() = default;
    ~PictureStream();
    PictureStream(const PictureStream&) = delete;
    PictureStream& operator=(const PictureStream&) = delete;

    // nullptr: the platform's DecodePictureFile.
    void SetDecoder(PictureDecoder decoder) { decoder_ = decoder ? decoder : DecodePictureFile; }
    // When set, Start does not wait for the first picture at all: the small preview lives
    // inside another program's dialog, whose input it would hold up.
    void SetFirstOnWorker(bool onWorker) { firstOnWorker_ = onWorker; }

    // Starts over with the list's `entries` (pictures, and folders ending with a separator),
    // shown as `options` say; pictures are decoded no larger than the target. Unless
    // SetFirstOnWorker, waits about 300 ms at most for the first picture, so that the first
    // frame can show it.
    void Start(const std::vector<std::wstring>& entries, const PictureStreamOptions& options);
    // Tells the worker to end and drops what was not taken. Never waits.
    void Stop();
    // The next decoded picture, if one is waiting.
    bool Take(StreamedPicture& out);
    // Blocks until the worker waits for the picture in the slot to be taken, rests between laps
    // (a library with fewer than two readable pictures), or has ended. For tests and
    // measurements.
    void WaitUntilIdle();

    // What the worker and the stream share; the worker keeps it alive after Stop.
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        StreamedPicture slot;
        bool full = false;
        bool holding = false;  // the worker waits for the picture in the slot to be taken
        bool resting = false;  // the worker waits between laps
        bool ended = false;
        std::atomic<bool> stop{false};
    };

private:
    PictureDecoder decoder_ = DecodePictureFile;
    bool firstOnWorker_ = false;
    std::shared_ptr<Shared> shared_;
};

}  // namespace WorkSpace
