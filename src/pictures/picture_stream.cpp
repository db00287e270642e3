#include "pictures/picture_stream.h"

#include <chrono>
#include <cstring>
#include <exception>
#include <new>
#include <set>
#include <thread>

#include "platform/picture_extensions.h"
#include "platform/platform.h"
#include "pictures/resample.h"
#include "resources/logger.h"

namespace WorkSpace {

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

// How long the first frame waits for the first picture, and how long the worker rests after
// a lap that gave at most one picture (nothing new to show until the library changes).
constexpr auto kFirstPictureWait = std::chrono::milliseconds(300);
constexpr auto kLapRest = std::chrono::seconds(60);

struct Job {
    std::shared_ptr<PictureStream::Shared> shared;
    std::vector<std::wstring> entries;
    PictureLibrary::Options options;
    PictureDecoder decoder;
    PictureTarget target;
    int32_t portraits = 0;
    std::chrono::milliseconds retryRest;
    CaptionOptions captions;
    PhotoFilter filter;
    CaptionPainter* painter = nullptr;  // the worker's own
};

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

bool LiesAcrossTarget(const Job& job, const DecodedPicture& picture) {
    return LiesAcross(picture.width, picture.height, static_cast<float>(job.target.width),
                      static_cast<float>(job.target.height));
}

// The caption is made with its picture, on the worker: the render thread only draws it. It
// takes half the width of the area it is drawn in at most, the view or a pair's half of it;
// the small preview shows none.
void AddCaption(const Job& job, DecodedPicture& picture, bool paired) {
    if (job.captions.mode == CaptionMode::None || !job.painter) return;
    if (job.target.height != 0 && job.target.height < kCaptionLeastViewHeight) return;
    const ExifFacts& facts = picture.facts;
    const Gazetteer* places = job.captions.mode == CaptionMode::DateAndPlace && facts.hasPosition
                                  ? SharedGazetteer(job.captions.places)
                                  : nullptr;
    const uint32_t area = paired && job.target.width >= job.target.height ? job.target.width / 2 : job.target.width;
    try {
        const CaptionText text = MakeCaption(facts, job.captions.mode, job.captions.language, places, UserLongDate);
        job.painter->Render(text, area / 2, picture.caption);
    } catch (...) {
        picture.caption = Image();  // memory short: the picture goes without its caption
    }
}

bool Decode(const Job& job, PictureLibrary& library, const std::wstring& path, StreamedPicture& out) {
    bool decoded = false;
    TakeDecodeFailure();
    try {
        decoded = job.decoder(path, job.target, out.picture);
    } catch (const std::bad_alloc&) {
        // Not the picture's fault: a lost allocation is worth another try on a later lap.
        ReportDecodeFailure(PictureFailure::NoMemory);
    }
    if (decoded) return true;
    if (library.Failed(path, TakeDecodeFailure()) && FirstFailureInRun(path)) ReportUnreadable();
    return false;
}

// Waits `rest` or until stopped, counted as resting; false when stopped.
bool Rest(PictureStream::Shared& shared, std::chrono::milliseconds rest) {
    std::unique_lock<std::mutex> lock(shared.mutex);
    shared.resting = true;
    shared.changed.notify_all();
    shared.changed.wait_for(lock, rest, [&] { return shared.stop.load(); });
    shared.resting = false;
    return !shared.stop.load();
}

// Laps of the library until stopped or it has nothing to give. `job.options.firstPlace`
// follows the pictures shown, so that a lap that ends early goes on from there.
void RunLaps(Job& job) {
    PictureStream::Shared& shared = *job.shared;
    PictureLibrary library(job.entries, Platform::PictureExtensions(), job.options);
    uint32_t lap = 0, shownInLap = 0, firstPlace = 0;
    // A picture read ahead as a partner that was not one: it is the next to go.
    bool aheadFull = false;
    StreamedPicture ahead;
    std::wstring aheadPath;
    // Pictures the filters passed over: not decoded again in this run. They are no failure:
    // nothing is logged, and the next run looks at them afresh.
    std::set<std::wstring> filteredOut;
    // The next readable picture. `mayRest`: a new lap after one with nothing
    // new to show waits first (a partner is never waited for: its picture would wait with it).
    auto next = [&](StreamedPicture& out, std::wstring& outPath, bool mayRest) {
        if (aheadFull) {
            aheadFull = false;
            out = std::move(ahead);
            outPath = aheadPath;
            return true;
        }
        std::wstring path;
        uint32_t place = 0;
        while (!shared.stop.load() && library.Next(path, place, &shared.stop)) {
            if (library.Laps() != lap) {
                // A whole lap with nothing new to show: wait before walking the library again.
                const bool wholeLap = lap > 1 || (lap == 1 && firstPlace == 0);
                if (mayRest && wholeLap && shownInLap <= 1 && !Rest(shared, kLapRest)) return false;
                lap = library.Laps();
                shownInLap = 0;
                firstPlace = place;
            }
            if (filteredOut.count(path) != 0) continue;
            out = StreamedPicture();
            out.listIndex = place;
            if (!Decode(job, library, path, out)) continue;
            if (!PassesFilter(job, out.picture)) {
                filteredOut.insert(path);
                continue;
            }
            ++shownInLap;
            outPath = path;
            return true;
        }
        return false;
    };
    StreamedPicture picture;
    std::wstring path, partnerPath;
    while (!shared.stop.load() && next(picture, path, true)) {
        partnerPath.clear();
        if (job.portraits != 0 && LiesAcrossTarget(job, picture.picture)) {
            StreamedPicture partner;
            if (job.portraits == 1 && next(partner, partnerPath, false)) {
                if (partnerPath != path && LiesAcrossTarget(job, partner.picture)) {
                    picture.paired = true;
                    picture.partner = std::move(partner.picture);
                    picture.partnerIndex = partner.listIndex;
                } else {
                    ahead = std::move(partner);
                    aheadPath = partnerPath;
                    aheadFull = true;
                    partnerPath.clear();
                }
            }
            try {
                if (!picture.paired) picture.backdrop = BlurredBackdrop(picture.picture.image);
            } catch (const std::bad_alloc&) {
                picture.backdrop = Image();  // memory short: the picture shows over black
            }
        }
        AddCaption(job, picture.picture, picture.paired);
        if (picture.paired) AddCaption(job, picture.partner, true);
        const uint32_t place = picture.listIndex, partnerPlace = picture.partnerIndex;
        // The slot is empty here: the last picture was taken before this one was looked for.
        std::unique_lock<std::mutex> lock(shared.mutex);
        if (shared.stop.load()) break;
        shared.slot = std::move(picture);
        shared.full = true;
        // Taken means on its way to the screen: only then does the lap's place move on
        // past it, and only then is the next picture looked for, so that the place kept
        // is never ahead of what the screen has shown by more than one picture.
        shared.holding = true;
        shared.changed.notify_all();
        shared.changed.wait(lock, [&] { return shared.stop.load() || !shared.full; });
        shared.holding = false;
        if (shared.stop.load()) break;
        lock.unlock();
        library.Shown(path, place);
        job.options.firstPlace = place + 1;
        if (!partnerPath.empty()) {
            library.Shown(partnerPath, partnerPlace);
            job.options.firstPlace = partnerPlace + 1;
        }
    }
}

void LogLapFailure(const std::wstring& what) {
    GetLogger().WriteOncePerRun(L"PictureStream\n" + what, L"PictureStream::Run() - %ls - FAILED", what.c_str());
}

void Run(Job job) {
    PictureStream::Shared& shared = *job.shared;
    CaptionPainter painter(job.target.height);  // its DC and font live as long as the worker
    job.painter = &painter;
    const bool begun = BeginDecoderThread();
    // Nothing may leave the worker, whose end would end the process: whatever a folder, the
    // lap's file or a decoder throws ends the lap, and the next one tries again.
    for (;;) {
        // Nothing in the catch blocks allocates: a second bad_alloc thrown there would end
        // the process. The text is copied into a fixed buffer and logged once out of them.
        char what[160] = "unknown exception";
        try {
            RunLaps(job);
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
        if (!Rest(shared, job.retryRest)) break;
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
    job.portraits = options.portraits;
    job.retryRest = options.retryRest;
    job.captions = options.captions;
    job.filter = options.filter;
    job.options.shuffle = options.shuffle;
    job.options.statePath = options.statePath;
    job.options.writeState = options.moveLap;
    job.options.firstPlace = options.first;
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
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        if (!shared_->full) return false;
        out = std::move(shared_->slot);
        shared_->slot = StreamedPicture();
        shared_->full = false;
    }
    shared_->changed.notify_all();
    return true;
}

void PictureStream::WaitUntilIdle() {
    if (!shared_) return;
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->changed.wait(lock, [this] {
        return shared_->ended || shared_->resting || (shared_->holding && shared_->full);
    });
}

}  // namespace WorkSpace
