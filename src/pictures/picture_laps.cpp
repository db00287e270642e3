// The stream worker's laps (stream_worker.h): the walk through the library for the next
// readable picture that passes the filters, a portrait's partner, each lane's turn; the
// hand-off of each picture to the slot, where it waits to be taken while steers are served
// and the photo index is filled; and the rests between laps, which fill the index too.
#include <algorithm>
#include <chrono>
#include <map>

#include "pictures/photo_index_filler.h"
#include "pictures/stream_worker.h"
#include "platform/picture_extensions.h"

namespace WorkSpace {
namespace StreamWorker {

namespace {
// How long one batch of the photo index takes at most: the next picture is looked for that
// much later at worst, while the one on screen still shows for seconds.
constexpr auto kIndexBatch = std::chrono::milliseconds(50);
// The photo index waits this long after the worker's start: the start-up second, whose
// frames decide between the effect and the error screen, keeps the processor to itself.
constexpr auto kIndexDelay = std::chrono::seconds(3);

// Whether a decoded picture passes the filters: its stars as its own EXIF or XMP says, its
// size as shown. Unrated is 0 stars.
bool PassesFilter(const Job& job, const DecodedPicture& picture) {
    if (!job.filter.Any()) return true;
    PhotoFacts facts;
    facts.width = picture.width;
    facts.height = picture.height;
    facts.rating = picture.facts.hasRating ? picture.facts.rating : 0;
    return PassesFilter(facts, job.filter);
}

bool SameTarget(const PictureTarget& a, const PictureTarget& b) {
    return a.width == b.width && a.height == b.height && a.fit == b.fit && a.fitAcross == b.fitAcross;
}

// The photo index the worker fills while a picture waits: while `indexing`, from `from` on.
struct IndexFill {
    PhotoIndexFiller* index;
    bool indexing;
    std::chrono::steady_clock::time_point from;
};

// Where the walk through the laps stands.
struct LapWalk {
    LapWalk(Job& walked, PictureLibrary& lapped) : job(walked), library(lapped) {}
    Job& job;
    PictureLibrary& library;
    uint32_t lap = 0, shownInLap = 0, firstPlace = 0;
    // A picture read ahead as a partner that was not one: it is the next to go.
    bool aheadFull = false;
    StreamedPicture ahead;
    std::wstring aheadPath;
    PictureTarget aheadTarget;
    // The lanes take the pictures in turn; each picture is made for the lane it goes to.
    uint32_t delivered = 0;
    // Pictures the filters passed over, with their stamps: not decoded again while they stay
    // as they are. They are no failure: nothing is logged.
    std::map<std::wstring, PictureStamp> filteredOut;
    IndexFill* fill = nullptr;
};

// Waits `rest` (false when stopped), filling the index a batch at a time meanwhile: a walk
// that ended is begun again, so that files changed since (a photo rated) or whose read failed
// are read again, and the next lap judges them by what they hold now.
bool RestFilling(const Job& job, IndexFill* fill, std::chrono::milliseconds rest) {
    PictureStream::Shared& shared = *job.shared;
    if (!fill || !fill->index) return Rest(job, rest);
    if (!fill->indexing) {
        fill->index->Again();
        fill->indexing = true;
    }
    const auto until = std::chrono::steady_clock::now() + rest;
    while (!shared.stop.load()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= until) return true;
        if (fill->indexing && now >= fill->from) {
            fill->indexing = fill->index->Step(kIndexBatch, &shared.stop);
            continue;
        }
        const auto wake = fill->indexing ? std::min(until, fill->from) : until;
        if (!Rest(job, std::chrono::duration_cast<std::chrono::milliseconds>(wake - now) + std::chrono::milliseconds(1)))
            return false;
    }
    return false;
}

// Whether `path` was passed over by the filters as it is now. One that cannot be stamped
// shows no change.
bool StillFilteredOut(LapWalk& walk, const std::wstring& path) {
    const auto known = walk.filteredOut.find(path);
    if (known == walk.filteredOut.end()) return false;
    PictureStamp now;
    if (!walk.job.options.source->Stamp(path, now) || StillUnchanged(known->second, now)) return true;
    walk.filteredOut.erase(known);
    return false;
}

uint32_t LaneOf(const LapWalk& walk) {
    const Job& job = walk.job;
    return job.laneTargets.empty() ? 0u : walk.delivered % static_cast<uint32_t>(job.laneTargets.size());
}

const PictureTarget& TargetOf(const LapWalk& walk, uint32_t lane) {
    return walk.job.laneTargets.empty() ? walk.job.target : walk.job.laneTargets[lane];
}

// The next readable picture for `target`. `mayRest`: a new lap after one with nothing new to
// show waits first (a partner is never waited for: its picture would wait with it).
bool NextPicture(LapWalk& walk, StreamedPicture& out, std::wstring& outPath, bool mayRest,
                 const PictureTarget& target) {
    Job& job = walk.job;
    PictureStream::Shared& shared = *job.shared;
    PictureLibrary& library = walk.library;
    if (walk.aheadFull) {
        walk.aheadFull = false;
        // Read for the lane before, whose area differs: decoded again for this one.
        if (SameTarget(walk.aheadTarget, target)) {
            out = std::move(walk.ahead);
            outPath = walk.aheadPath;
            return true;
        }
        out = StreamedPicture();
        out.listIndex = walk.ahead.listIndex;
        walk.ahead = StreamedPicture();
        if (Decode(job, target, library, walk.aheadPath, out)) {
            outPath = walk.aheadPath;
            return true;
        }
    }
    std::wstring path;
    uint32_t place = 0;
    while (!shared.stop.load() && library.Next(path, place, &shared.stop)) {
        if (library.Laps() != walk.lap) {
            // A whole lap with nothing new to show: wait before walking the library again.
            const bool wholeLap = walk.lap > 1 || (walk.lap == 1 && walk.firstPlace == 0);
            if (mayRest && wholeLap && walk.shownInLap <= 1 && !RestFilling(job, walk.fill, job.lapRest)) return false;
            walk.lap = library.Laps();
            walk.shownInLap = 0;
            walk.firstPlace = place;
        }
        if (StillFilteredOut(walk, path)) continue;
        out = StreamedPicture();
        out.listIndex = place;
        out.yearsAgo = library.YearsAgo();
        if (!Decode(job, target, library, path, out)) continue;
        if (!PassesFilter(job, out.picture)) {
            PictureStamp& stamp = walk.filteredOut[path];
            if (!job.options.source->Stamp(path, stamp)) stamp = PictureStamp();
            continue;
        }
        ++walk.shownInLap;
        outPath = path;
        return true;
    }
    return false;
}

// Portraits side by side: `picture` (from `path`) takes the next picture as its partner when
// that lies across the target too; else that one is kept as the next to go.
void FindPartner(LapWalk& walk, StreamedPicture& picture, const std::wstring& path, std::wstring& partnerPath,
                 const PictureTarget& target) {
    const Job& job = walk.job;
    if (job.portraits == 0 || IsClip(picture.picture) || !LiesAcrossTarget(target, picture.picture)) return;
    StreamedPicture partner;
    if (job.portraits != 1 || !NextPicture(walk, partner, partnerPath, false, target)) return;
    if (partnerPath != path && !IsClip(partner.picture) && LiesAcrossTarget(target, partner.picture)) {
        picture.paired = true;
        picture.partner = std::move(partner.picture);
        picture.partnerIndex = partner.listIndex;
        picture.partnerYearsAgo = partner.yearsAgo;
    } else {
        walk.ahead = std::move(partner);
        walk.aheadPath = partnerPath;
        walk.aheadTarget = target;
        walk.aheadFull = true;
        partnerPath.clear();
    }
}

// Puts `picture` in the slot, which is empty (the last picture was taken before this one was
// looked for), and waits until it is taken; false when stopped.
bool HandOver(const Job& job, StreamedPicture& picture, IndexFill& fill) {
    PictureStream::Shared& shared = *job.shared;
    std::unique_lock<std::mutex> lock(shared.mutex);
    if (shared.stop.load()) return false;
    shared.slot = std::move(picture);
    shared.full = true;
    // Taken means on its way to the screen: only then does the lap's place move on
    // past it, and only then is the next picture looked for, so that the place kept
    // is never ahead of what the screen has shown by more than one picture.
    shared.holding = true;
    shared.changed.notify_all();
    // While the picture waits, a steer back may want a picture decoded again, and the
    // index fills in the time left (not before kIndexDelay after the start).
    for (;;) {
        if (shared.stop.load() || !shared.full) break;
        if (shared.replayWanted != PictureStream::Shared::kNone) {
            ServeReplays(job, lock);
            continue;
        }
        if (fill.indexing && std::chrono::steady_clock::now() >= fill.from) {
            lock.unlock();
            fill.indexing = fill.index->Step(kIndexBatch, &shared.stop);
            lock.lock();
            continue;
        }
        const auto wake = [&] {
            return shared.stop.load() || !shared.full || shared.replayWanted != PictureStream::Shared::kNone;
        };
        if (fill.indexing)
            shared.changed.wait_until(lock, fill.from, wake);
        else
            shared.changed.wait(lock, wake);
    }
    shared.holding = false;
    return !shared.stop.load();
}
}  // namespace

void RunLaps(Job& job, PhotoIndexFiller* index) {
    PictureStream::Shared& shared = *job.shared;
    if (index && !job.options.facts) job.options.facts = &index->Facts();
    PictureLibrary library(job.entries, Platform::PictureExtensions(), job.options);
    IndexFill fill{index, index != nullptr, std::chrono::steady_clock::now() + kIndexDelay};
    LapWalk walk(job, library);
    walk.fill = &fill;
    StreamedPicture picture;
    std::wstring path, partnerPath;
    for (;;) {
        const uint32_t lane = LaneOf(walk);
        const PictureTarget& target = TargetOf(walk, lane);
        if (shared.stop.load()) break;
        if (!NextPicture(walk, picture, path, true, target)) {
            // The filters left nothing: the saver waits for pictures as for a slow drive,
            // while the index reads what changed. Without filters nothing would change it.
            if (!index || !job.filter.Any() || !RestFilling(job, &fill, job.lapRest)) break;
            continue;
        }
        picture.lane = lane;
        partnerPath.clear();
        FindPartner(walk, picture, path, partnerPath, target);
        Finish(job, target, picture);
        picture.path = path;
        if (picture.paired) picture.partnerPath = partnerPath;
        const uint32_t place = picture.listIndex, partnerPlace = picture.partnerIndex;
        if (!HandOver(job, picture, fill)) break;
        ++walk.delivered;
        library.Shown(path, place);
        job.options.firstPlace = place + 1;
        if (!partnerPath.empty()) {
            library.Shown(partnerPath, partnerPlace);
            job.options.firstPlace = partnerPlace + 1;
        }
    }
}

}  // namespace StreamWorker
}  // namespace WorkSpace
