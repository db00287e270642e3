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
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "library/photo_facts.h"
#include "captions/caption.h"
#include "imaging/picture_decode.h"

namespace WorkSpace {

struct StreamedPicture {
    DecodedPicture picture;
    uint32_t listIndex = 0;  // the picture's place in its lap
    // The monitor's lane it was decoded and paired for (PictureStreamOptions::laneTargets).
    uint32_t lane = 0;
    uint32_t yearsAgo = 0;   // a memory of this many years ago (0: none), and its partner's
    uint32_t partnerYearsAgo = 0;
    // Portraits side by side: the next picture, when it lies across the target too.
    bool paired = false;
    DecodedPicture partner;
    uint32_t partnerIndex = 0;
    // Portraits over a blurred copy, or side by side without a partner: the small blurred
    // copy that fills the view behind the picture (empty for any other picture).
    Image backdrop;
    // Its place in the run's order of pictures handed out, from 0: a picture handed out again
    // (steered back to) keeps its number. And the files it came from, for "show in folder".
    uint64_t serial = 0;
    std::wstring path, partnerPath;
};

// How many pictures handed out the stream remembers, for steering back to them.
constexpr size_t kPictureHistory = 64;

// How a run shows the list: from which place, in which order, decoded for which area and fit,
// and where a shuffled lap's place is kept between runs (empty: nowhere).
struct PictureStreamOptions {
    uint32_t first = 0;  // list order: the place to start from
    bool shuffle = false;
    PictureTarget target;
    // With a picture per monitor, the area of each monitor's lane: the pictures go to the
    // lanes in turn, each decoded for its lane, and whether it lies across (a portrait's
    // pair or blurred copy) is judged against that lane's area. Empty: one lane, `target`.
    std::vector<PictureTarget> laneTargets;
    std::wstring statePath;
    // How a picture that lies across the target is shown: 0 as any other, 1 beside the next
    // one that does too (over its blurred copy without one), 2 over its blurred copy.
    int32_t portraits = 0;
    // How long the worker waits, after a lap that a failure ended (memory short, a folder
    // that threw), before it walks the library again.
    std::chrono::milliseconds retryRest{5000};
    // How long it waits after a lap with nothing new to show (at most one picture, or none the
    // filters pass) before walking the library again, filling the photo index meanwhile.
    std::chrono::milliseconds lapRest{60000};
    CaptionOptions captions;  // each decoded picture gets its caption's pixels on the worker
    YearsAgoTexts yearsAgo;   // a memory's caption line
    // The kept place moves on as pictures are shown; otherwise it is only read. Only the
    // full-screen saver moves it: what a preview shows has not been seen.
    bool moveLap = false;
    // The photo index the worker fills behind the show, while a picture waits to be taken
    // (empty: none). Every mode fills it: the index is shared, and any of them may start first.
    std::wstring indexPath;
    // What the photo index knows (null: nothing yet), the filters of the Photos group, the
    // memories first, and the folders left out (see PictureLibrary::Options).
    const PhotoFactsSource* facts = nullptr;
    PhotoFilter filter;
    bool memories = false;
    std::vector<std::wstring> leftOut;
    // The "Videos" option: 0 clips are skipped, 1 clips are entries of the lap (and of the
    // photo index), 2 only stills are, whose motion comes with them.
    int32_t videos = 0;
    // How long a clip holds the screen ("MaxVideoSeconds", 0: the whole clip).
    double maxVideoSeconds = 30.0;
    // No clip's decoder opens before this long after the start: the first one in a process
    // starts Media Foundation, about a second of processor, and the start-up second, black
    // anyway, must draw its 20 frames.
    std::chrono::milliseconds clipsAfter{2000};
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
    // The next decoded picture, if one is waiting: the one after the last taken, which after
    // a steer is one handed out before (decoded again on the worker) until the history runs
    // out, then the lap's next.
    bool Take(StreamedPicture& out);
    // Whether a picture is waiting, and for which lane.
    bool Waiting(uint32_t& lane);
    // Makes picture `serial` the next one Take gives (a step back or forth from the one
    // shown), and drops a picture decoded again for another place. False, and nothing
    // changes, for a serial before the remembered ones or past the next new picture.
    // Never waits for a decode, and never moves the lap: only new pictures do.
    bool SteerTo(uint64_t serial);
    // The file of picture `serial` (empty when forgotten).
    std::wstring PathOf(uint64_t serial) const;
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
        // Pictures handed out, oldest first: history.front() is number `historyBase`, and
        // the next new one is number `handedOut`. Take gives number `cursor` next.
        struct Shown {
            std::wstring path, partnerPath;
            uint32_t listIndex = 0, partnerIndex = 0;
            uint32_t yearsAgo = 0, partnerYearsAgo = 0;
        };
        std::deque<Shown> history;
        uint64_t historyBase = 0, handedOut = 0, cursor = 0;
        // A picture handed out before, decoded again on the worker for `cursor`.
        static constexpr uint64_t kNone = ~uint64_t{0};
        uint64_t replayWanted = kNone;
        StreamedPicture replay;  // serial says whose; no pixels: it could not be decoded again
        bool replayFull = false;
    };

private:
    PictureDecoder decoder_ = DecodePictureFile;
    bool firstOnWorker_ = false;
    std::shared_ptr<Shared> shared_;
};

}  // namespace WorkSpace
