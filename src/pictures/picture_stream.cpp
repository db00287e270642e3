// The picture stream (picture_stream.h): its worker's start and end, a picture's decode with
// its caption and blurred copy, the steers served on the worker, and the device thread's side
// of the slot. The laps themselves are in picture_laps.cpp.
#include "pictures/picture_stream.h"

#include <chrono>
#include <cstring>
#include <exception>
#include <new>
#include <set>
#include <thread>

#include "library/picture_library.h"
#include "pictures/photo_index_filler.h"
#include "pictures/stream_worker.h"
#include "platform/platform.h"
#include "imaging/resample.h"
#include "resources/logger.h"
#include "sources/picture_source.h"

namespace WorkSpace {
namespace StreamWorker {

namespace {
void ReportUnreadable() { Platform::DebugOutput(L"Failed to load texture. UserTextures::AddTexture ()\n"); }

// A rebuilt scene starts a new worker with a new library; the log still names each picture
// once in the whole run. Left to the process's end, as the workers may outlive the stream.
bool FirstFailureInRun(const std::wstring& path) {
    static std::mutex* mutex = new std::mutex();
    static std::set<std::wstring>* failed = new std::set<std::wstring>();
    std::lock_guard<std::mutex> lock(*mutex);
    return failed->insert(path).second;
}

// A picture of a pair is drawn fitted into its half of the area, across the area's long
// side: a nearly square portrait, decoded to fit the whole area, is made smaller for it.
void FitIntoHalf(const PictureTarget& target, DecodedPicture& picture) {
    PictureTarget half = target;
    half.fit = PictureFit::Fit;
    half.fitAcross = false;
    if (target.width >= target.height)
        half.width = target.width / 2;
    else
        half.height = target.height / 2;
    uint32_t w = 0, h = 0;
    PictureDecodeSize(half, picture.image.width, picture.image.height, w, h);
    if (w < picture.image.width || h < picture.image.height) picture.image = ScaleImage(picture.image, w, h);
}

// The caption is made with its picture, on the worker: the render thread only draws it. It
// takes half the width of the area it is drawn in at most, the view or a pair's half of it;
// the small preview shows none.
void AddCaption(const Job& job, const PictureTarget& target, DecodedPicture& picture, bool paired, uint32_t yearsAgo) {
    if (job.captions.mode == CaptionMode::None || !job.painter) return;
    if (target.height != 0 && target.height < kCaptionLeastViewHeight) return;
    const ExifFacts& facts = picture.facts;
    const Gazetteer* places = job.captions.mode == CaptionMode::DateAndPlace && facts.hasPosition
                                  ? SharedGazetteer(job.captions.places)
                                  : nullptr;
    const uint32_t area = paired && target.width >= target.height ? target.width / 2 : target.width;
    try {
        CaptionText text = MakeCaption(facts, job.captions.mode, job.captions.language, places, UserLongDate);
        AddYearsAgo(text, yearsAgo, job.yearsAgo);
        job.painter->Render(text, area / 2, picture.caption);
    } catch (...) {
        picture.caption = Image();  // memory short: the picture goes without its caption
    }
}
}  // namespace

bool IsClip(const DecodedPicture& picture) { return picture.frames && picture.image.pixels.empty(); }

bool LiesAcrossTarget(const PictureTarget& target, const DecodedPicture& picture) {
    return LiesAcross(picture.width, picture.height, static_cast<float>(target.width),
                      static_cast<float>(target.height));
}

bool Decode(const Job& job, const PictureTarget& target, PictureLibrary& library, const std::wstring& path,
            StreamedPicture& out) {
    bool decoded = false;
    TakeDecodeFailure();
    try {
        decoded = DecodeEntry(job, path, target, out.picture);
    } catch (const std::bad_alloc&) {
        // Not the picture's fault: a lost allocation is worth another try on a later lap.
        ReportDecodeFailure(PictureFailure::NoMemory);
    }
    if (decoded) return true;
    if (library.Failed(path, TakeDecodeFailure()) && FirstFailureInRun(path)) ReportUnreadable();
    return false;
}

void Finish(const Job& job, const PictureTarget& target, StreamedPicture& picture) {
    if (job.portraits != 0 && !IsClip(picture.picture) && LiesAcrossTarget(target, picture.picture)) {
        try {
            if (picture.paired) {
                FitIntoHalf(target, picture.picture);
                FitIntoHalf(target, picture.partner);
            } else {
                picture.backdrop = BlurredBackdrop(picture.picture.image);
            }
        } catch (const std::bad_alloc&) {
            picture.backdrop = Image();  // memory short: the picture shows over black
        }
    }
    AddCaption(job, target, picture.picture, picture.paired, picture.yearsAgo);
    if (picture.paired) AddCaption(job, target, picture.partner, true, picture.partnerYearsAgo);
}

namespace {
// A picture handed out before, decoded again: its failure is no news for the library (the
// lap has passed it) and is not logged again.
bool DecodeAgain(const Job& job, const std::wstring& path, DecodedPicture& out) {
    bool decoded = false;
    try {
        decoded = DecodeEntry(job, path, job.target, out);
    } catch (const std::bad_alloc&) {
    }
    TakeDecodeFailure();
    return decoded;
}
}  // namespace

void ServeReplays(const Job& job, std::unique_lock<std::mutex>& lock) {
    PictureStream::Shared& shared = *job.shared;
    while (!shared.stop.load() && shared.replayWanted != PictureStream::Shared::kNone) {
        const uint64_t serial = shared.replayWanted;
        shared.replayWanted = PictureStream::Shared::kNone;
        if (serial < shared.historyBase || serial >= shared.handedOut) continue;
        const PictureStream::Shared::Shown shown = shared.history[serial - shared.historyBase];
        lock.unlock();
        StreamedPicture picture;
        picture.serial = serial;
        picture.listIndex = shown.listIndex;
        picture.yearsAgo = shown.yearsAgo;
        picture.path = shown.path;
        const bool decoded = DecodeAgain(job, shown.path, picture.picture);
        if (decoded && !shown.partnerPath.empty() && DecodeAgain(job, shown.partnerPath, picture.partner)) {
            picture.paired = true;
            picture.partnerIndex = shown.partnerIndex;
            picture.partnerPath = shown.partnerPath;
            picture.partnerYearsAgo = shown.partnerYearsAgo;
        }
        if (decoded) {
            // Steering keeps to one lane (a picture per monitor does not step): its target.
            Finish(job, job.target, picture);
        } else {
            picture = StreamedPicture();  // no pixels: Take passes it over
            picture.serial = serial;
        }
        lock.lock();
        if (shared.stop.load() || shared.cursor != serial) continue;
        shared.replay = std::move(picture);
        shared.replayFull = true;
        shared.changed.notify_all();
    }
}

bool Rest(const Job& job, std::chrono::milliseconds rest) {
    PictureStream::Shared& shared = *job.shared;
    std::unique_lock<std::mutex> lock(shared.mutex);
    shared.resting = true;
    shared.changed.notify_all();
    const auto until = std::chrono::steady_clock::now() + rest;
    while (shared.changed.wait_until(lock, until, [&] {
        return shared.stop.load() || shared.replayWanted != PictureStream::Shared::kNone;
    }) && !shared.stop.load())
        ServeReplays(job, lock);
    shared.resting = false;
    return !shared.stop.load();
}

}  // namespace StreamWorker

namespace {
using namespace StreamWorker;

// How long the first frame waits for the first picture.
constexpr auto kFirstPictureWait = std::chrono::milliseconds(300);

void LogLapFailure(const std::wstring& what) {
    GetLogger().WriteOncePerRun(L"PictureStream\n" + what, L"PictureStream::Run() - %ls - FAILED", what.c_str());
}

void Run(Job job) {
    PictureStream::Shared& shared = *job.shared;
    ThreadStopFlag() = &shared.stop;  // the sources' requests end with this worker
    CaptionPainter painter(job.target.height);  // its DC and font live as long as the worker
    job.painter = &painter;
    const bool begun = BeginDecoderThread();
    std::unique_ptr<PhotoIndexFiller> index;
    try {
        // Only the saver's own run walks the saved list: a preview's may be edits not saved.
        if (!job.indexPath.empty())
            index = PhotoIndexFiller::Open(job.indexPath, job.entries, job.options.leftOut, job.options.writeState);
        if (index) index->SetVideos(job.options.videos);
    } catch (...) {
        index.reset();  // memory short: this run goes without the index
    }
    // Nothing may leave the worker, whose end would end the process: whatever a folder, the
    // lap's file or a decoder throws ends the lap, and the next one tries again.
    for (;;) {
        // Nothing in the catch blocks allocates: a second bad_alloc thrown there would end
        // the process. The text is copied into a fixed buffer and logged once out of them.
        char what[160] = "unknown exception";
        try {
            RunLaps(job, index.get());
            break;
        } catch (const std::exception& e) {
            std::strncpy(what, e.what(), sizeof(what) - 1);
            what[sizeof(what) - 1] = '\0';
        } catch (...) {
        }
        try {
            LogLapFailure(Platform::AnsiToWide(what));
        } catch (...) {
            // Memory is still short: the lap's line is lost, the worker goes on.
        }
        if (!Rest(job, job.retryRest)) break;
    }
    EndDecoderThread(begun);
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.ended = true;
    shared.changed.notify_all();
}
}  // namespace

PictureStream::~PictureStream() { Stop(); }

void PictureStream::Start(const std::vector<std::wstring>& entries, const PictureStreamOptions& options) {
    Stop();
    if (entries.empty()) return;
    Job job;
    job.shared = std::make_shared<Shared>();
    job.entries = entries;
    job.decoder = decoder_;
    job.target = options.target;
    job.laneTargets = options.laneTargets;
    // Portraits paired or over their blurred copy are drawn fitted: decoded so.
    job.target.fitAcross = options.portraits != 0;
    for (PictureTarget& target : job.laneTargets) target.fitAcross = options.portraits != 0;
    job.portraits = options.portraits;
    job.videos = options.videos;
    job.maxVideoSeconds = options.maxVideoSeconds;
    job.clipsFrom = std::chrono::steady_clock::now() + options.clipsAfter;
    job.retryRest = options.retryRest;
    job.lapRest = options.lapRest;
    job.captions = options.captions;
    job.indexPath = options.indexPath;
    job.yearsAgo = options.yearsAgo;
    job.filter = options.filter;
    job.options.shuffle = options.shuffle;
    job.options.statePath = options.statePath;
    job.options.writeState = options.moveLap;
    job.options.firstPlace = options.first;
    job.options.facts = options.facts;
    job.options.filter = options.filter;
    job.options.memories = options.memories;
    job.options.leftOut = options.leftOut;
    job.options.videos = options.videos;
    shared_ = job.shared;
    try {
        std::thread(Run, std::move(job)).detach();
    } catch (const std::system_error&) {
        shared_.reset();  // no thread to be had: a run without pictures
        return;
    }
    if (firstOnWorker_) return;
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->changed.wait_for(lock, kFirstPictureWait,
                              [this] { return shared_->full || shared_->ended || shared_->resting; });
}

void PictureStream::Stop() {
    if (!shared_) return;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->stop.store(true);
        shared_->slot = StreamedPicture();
        shared_->full = false;
    }
    shared_->changed.notify_all();
    shared_.reset();
}

bool PictureStream::Take(StreamedPicture& out) {
    if (!shared_) return false;
    Shared& s = *shared_;
    std::lock_guard<std::mutex> lock(s.mutex);
    // After a steer: the pictures handed out before, in their order, until the history runs
    // out; each taken asks the worker for the one after it at once.
    while (s.cursor < s.handedOut) {
        if (!s.replayFull || s.replay.serial != s.cursor) return false;
        const bool decoded = !s.replay.picture.image.pixels.empty();
        if (decoded) out = std::move(s.replay);
        s.replay = StreamedPicture();
        s.replayFull = false;
        ++s.cursor;
        s.replayWanted = s.cursor < s.handedOut ? s.cursor : Shared::kNone;
        s.changed.notify_all();
        if (decoded) return true;  // one gone since is passed over
    }
    if (!s.full) return false;
    out = std::move(s.slot);
    s.slot = StreamedPicture();
    s.full = false;
    out.serial = s.handedOut++;
    s.cursor = s.handedOut;
    s.history.push_back({out.path, out.partnerPath, out.listIndex, out.partnerIndex, out.yearsAgo, out.partnerYearsAgo});
    while (s.history.size() > kPictureHistory) {
        s.history.pop_front();
        ++s.historyBase;
    }
    s.changed.notify_all();
    return true;
}

bool PictureStream::Waiting(uint32_t& lane) {
    if (!shared_) return false;
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (!shared_->full) return false;
    lane = shared_->slot.lane;
    return true;
}

bool PictureStream::SteerTo(uint64_t serial) {
    if (!shared_) return false;
    Shared& s = *shared_;
    std::lock_guard<std::mutex> lock(s.mutex);
    if (serial < s.historyBase || serial > s.handedOut) return false;
    s.cursor = serial;
    if (s.replayFull && s.replay.serial != serial) {
        s.replay = StreamedPicture();
        s.replayFull = false;
    }
    s.replayWanted = serial < s.handedOut && !s.replayFull ? serial : Shared::kNone;
    s.changed.notify_all();
    return true;
}

std::wstring PictureStream::PathOf(uint64_t serial) const {
    if (!shared_) return std::wstring();
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (serial < shared_->historyBase || serial >= shared_->handedOut) return std::wstring();
    return shared_->history[serial - shared_->historyBase].path;
}

void PictureStream::WaitUntilIdle() {
    if (!shared_) return;
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->changed.wait(lock, [this] {
        return shared_->ended || shared_->resting || (shared_->holding && shared_->full);
    });
}

}  // namespace WorkSpace
