// The picture stream's worker, as its two files share it: the job a run is given, a
// picture's decode and what it gets after it, the rest between laps with the steers served
// meanwhile (picture_stream.cpp), and the laps of the library handed to the slot one picture
// at a time (picture_laps.cpp). Only the stream's own files include this.
#pragma once
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "library/picture_library.h"
#include "pictures/picture_stream.h"

namespace WorkSpace {

class PhotoIndexFiller;

namespace StreamWorker {

struct Job {
    std::shared_ptr<PictureStream::Shared> shared;
    std::vector<std::wstring> entries;
    PictureLibrary::Options options;
    PictureDecoder decoder;
    PictureTarget target;  // the largest area: the captions' font is made for it
    std::vector<PictureTarget> laneTargets;
    int32_t portraits = 0;
    std::chrono::milliseconds retryRest;
    std::chrono::milliseconds lapRest;
    CaptionOptions captions;
    YearsAgoTexts yearsAgo;
    PhotoFilter filter;
    CaptionPainter* painter = nullptr;  // the worker's own
    std::wstring indexPath;
    int32_t videos = 0;  // PictureStreamOptions::videos, maxVideoSeconds
    double maxVideoSeconds = 30.0;
    std::chrono::steady_clock::time_point clipsFrom;  // no clip opens before
};

bool LiesAcrossTarget(const PictureTarget& target, const DecodedPicture& picture);
// A clip (frames without a still) is never paired nor blurred behind.
bool IsClip(const DecodedPicture& picture);
// The entry at `path` decoded: with "Videos" on, a clip opened to play, a live or motion
// photo's still with its motion; else the job's decoder.
bool DecodeEntry(const Job& job, const std::wstring& path, const PictureTarget& target, DecodedPicture& out);

// Decodes `path` for `target` into `out.picture`; a picture that cannot be read is told to
// the library (and logged once in the run).
bool Decode(const Job& job, const PictureTarget& target, PictureLibrary& library, const std::wstring& path,
            StreamedPicture& out);
// The blurred copy behind a portrait without a partner, and the captions: what a picture gets
// on the worker after its decode, the first time and when it is decoded again.
void Finish(const Job& job, const PictureTarget& target, StreamedPicture& picture);
// With the lock held: decodes the pictures a steer asks for again, unlocked meanwhile, and
// leaves each for Take. One steered elsewhere during its decode is dropped.
void ServeReplays(const Job& job, std::unique_lock<std::mutex>& lock);
// Waits `rest` or until stopped, counted as resting, serving steers meanwhile; false when
// stopped.
bool Rest(const Job& job, std::chrono::milliseconds rest);

// Laps of the library until stopped or it has nothing to give. `job.options.firstPlace`
// follows the pictures shown, so that a lap that ends early goes on from there.
// `index`, when there is one, is filled while a picture waits in the slot (never before the
// first one is there); its Facts() are where the lap may ask for the photos' facts.
void RunLaps(Job& job, PhotoIndexFiller* index);

}  // namespace StreamWorker
}  // namespace WorkSpace
