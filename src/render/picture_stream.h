// The user's pictures as a stream: a worker thread decodes them ahead, in list order and
// round and round, skipping those that cannot be read, and hands each one over through a
// one-picture slot. The device's thread takes it from there between frames and uploads it.
// Memory and start-up cost stay those of a few pictures, however long the list is.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "render/picture_decode.h"

namespace WorkSpace {

struct StreamedPicture {
    DecodedPicture picture;
    uint32_t listIndex = 0;
};

class PictureStream {
public:
    PictureStream() = default;
    ~PictureStream();
    PictureStream(const PictureStream&) = delete;
    PictureStream& operator=(const PictureStream&) = delete;

    // nullptr: the platform's DecodePictureFile.
    void SetDecoder(PictureDecoder decoder) { decoder_ = decoder ? decoder : DecodePictureFile; }
    // The largest area a picture is drawn into; pictures are decoded no larger.
    void SetTargetSize(uint32_t width, uint32_t height);
    // When set, Start decodes nothing itself: the small preview lives inside another
    // program's dialog, whose input it would hold up.
    void SetFirstOnWorker(bool onWorker) { firstOnWorker_ = onWorker; }

    // Starts over with `paths` from list index `first` (0 when out of range), with the
    // fit mode of the settings record. Unless SetFirstOnWorker, the first readable picture
    // is decoded before this returns and waits in the slot.
    void Start(const std::vector<std::wstring>& paths, uint32_t first);
    // Ends the worker (after the picture it is decoding) and drops what was not taken.
    void Stop();
    // The next decoded picture, if one is waiting.
    bool Take(StreamedPicture& out);
    // Blocks until the worker holds a decoded picture for a full slot, or has ended (a
    // list with fewer than two readable pictures ends it). For tests and measurements.
    void WaitUntilIdle();

private:
    void Run(uint32_t pos, int64_t lastSuccess, uint32_t failures);
    bool Decode(uint32_t index, StreamedPicture& out);

    PictureDecoder decoder_ = DecodePictureFile;
    PictureTarget target_;
    bool firstOnWorker_ = false;
    std::vector<std::wstring> paths_;  // read by the worker, changed only while none runs
    // Pictures found unreadable since Start: later laps skip them without reading them
    // again (and without a second log line for one too large). Touched by one thread at a
    // time: Start's own decode, then the worker.
    std::vector<bool> unreadable_;
    std::thread worker_;

    // The hand-off between the worker and the device's thread.
    std::mutex mutex_;
    std::condition_variable changed_;
    StreamedPicture slot_;
    bool full_ = false;
    bool stop_ = false;
    bool holding_ = false;  // the worker waits with a decoded picture for the slot
    bool ended_ = true;
};

PictureStream& GetPictureStream();

}  // namespace WorkSpace
