// The clip player (clip_player.h): the decode worker with its ring of frames, and the frame
// source the picture textures ask for the frame due. The worker and the device's thread
// share one small block; the worker keeps it alive after the player is let go of.
#include "video/clip_player.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "resources/logger.h"
#include "video/clip_timeline.h"

namespace WorkSpace {

size_t ClipRingFrames(uint32_t width, uint32_t height, VideoFormat format) {
    const size_t frame = size_t{width} * height * 3 / 2 * VideoSampleBytes(format);
    const size_t fits = frame == 0 ? kClipRingFrames : kClipRingBytes / frame;
    return fits < 2 ? 2 : fits > kClipRingFrames ? kClipRingFrames : fits;
}

namespace {

struct ClipShared {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<VideoFrame> ring;
    // A frame the device's thread has shown and given back, read into again: a fresh one
    // each read cost a 4K clip's worth of new pages (and their clearing) at every frame.
    std::vector<VideoFrame> spare;
    ClipProgress progress;
    bool started = false, failed = false;
    std::wstring why;
    bool stop = false;
};

bool CheckInfo(const ClipInfo& info, std::wstring& why) {
    uint32_t maxW = 0, maxH = 0;
    GetPictureTextureLimits(maxW, maxH);
    if (info.width < 2 || info.height < 2 || info.width > kMaxImageSide || info.height > kMaxImageSide) {
        why = L"no usable video size";
        return false;
    }
    if (maxW != 0 && maxH != 0 && (info.width > maxW || info.height > maxH)) {
        why = L"larger than the device's textures";
        return false;
    }
    return true;
}

// The worker's reading: frames into the ring while there is room, until the end, a
// failure or the stop.
void ReadFrames(ClipReader& reader, const ClipInfo& info, ClipShared& shared) {
    ClipOrigin origin;
    double previous = 0.0;
    bool any = false;
    const size_t ahead = ClipRingFrames(info.width, info.height, info.format);
    for (;;) {
        VideoFrame frame;
        {
            std::unique_lock<std::mutex> lock(shared.mutex);
            shared.changed.wait(lock, [&] { return shared.stop || shared.ring.size() < ahead; });
            if (shared.stop) return;
            if (!shared.spare.empty()) {
                frame = std::move(shared.spare.back());
                shared.spare.pop_back();
            }
        }
        std::wstring why;
        const ClipReader::Read read = reader.Next(frame, why);
        std::lock_guard<std::mutex> lock(shared.mutex);
        if (read == ClipReader::Read::Frame) {
            frame.rotation = info.rotation;
            if (frame.width != info.width || frame.height != info.height || frame.format != info.format ||
                !VideoFrameConsistent(frame)) {
                why = L"a damaged frame";
            } else {
                frame.time = origin.Relative(frame.time);
                if (any && frame.time < shared.progress.newest) frame.time = shared.progress.newest;
                previous = shared.progress.newest;
                shared.progress.newest = frame.time;
                shared.ring.push_back(std::move(frame));
                shared.started = true;
                shared.changed.notify_all();
                any = true;
                continue;
            }
        }
        // The end, or a failure: a clip that had frames plays what it had.
        if (read != ClipReader::Read::End && !any) shared.failed = true, shared.why = why;
        shared.progress.ended = true;
        shared.progress.endTime = any ? ClipEndTime(shared.progress.newest, previous, previous < shared.progress.newest) : 0.0;
        if (!any && !shared.failed) shared.failed = true, shared.why = L"no frames";
        shared.changed.notify_all();
        return;
    }
}

void RunWorker(std::shared_ptr<ClipShared> shared, std::unique_ptr<ClipReader> reader, ClipPlace place,
               PictureSource* source) {
    std::wstring why;
    try {
        ClipInfo info;
        if (reader->Open(place, *source, info, why) && CheckInfo(info, why)) {
            ReadFrames(*reader, info, *shared);
            reader.reset();
            return;
        }
    } catch (...) {
        why = L"the decoder threw";
    }
    try {
        reader.reset();
    } catch (...) {
    }
    std::lock_guard<std::mutex> lock(shared->mutex);
    if (!shared->started) shared->failed = true, shared->why = why;
    shared->progress.ended = true;
    shared->progress.endTime = shared->progress.newest;
    shared->changed.notify_all();
}

// The frames of one clip for the picture textures; letting go of it stops the worker.
class ClipFrames : public FrameSource {
public:
    ClipFrames(std::shared_ptr<ClipShared> shared, const ClipRequest& request)
        : shared_(std::move(shared)), maxSeconds_(request.maxSeconds), liveMotion_(request.liveMotion) {}
    ~ClipFrames() override { Stop(); }

    bool FrameAt(double, Image&) override { return false; }
    bool HasPlanes() const override { return true; }

    bool VideoFrameAt(double seconds, VideoFrame& out) override {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        Hear(seconds);
        if (maxSeconds_ > 0.0 && seconds >= maxSeconds_ && !liveMotion_) return false;
        double times[kClipRingFrames];
        size_t count = 0;
        for (const VideoFrame& frame : shared_->ring)
            if (count < kClipRingFrames) times[count++] = frame.time;
        const int due = DueFrame(times, count, seconds);
        if (due < 0) return false;
        for (int i = 0; i < due; ++i) Recycle(shared_->ring.front()), shared_->ring.pop_front();
        // The frame shown before, which `out` holds, goes back for the worker to read into.
        std::swap(out, shared_->ring.front());
        Recycle(shared_->ring.front());
        shared_->ring.pop_front();
        shared_->changed.notify_all();
        return true;
    }

    bool HoldsFade(double seconds) override {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        Hear(seconds);
        return ClipHoldsFade(shared_->progress, seconds, heardAt_, maxSeconds_, liveMotion_);
    }

    bool StillShows(double seconds) override {
        if (!liveMotion_) return false;
        std::lock_guard<std::mutex> lock(shared_->mutex);
        Hear(seconds);
        return !ClipPlaying(shared_->progress, seconds, heardAt_);
    }

private:
    // Keeps one frame's planes for the worker's next read (under the lock).
    void Recycle(VideoFrame& frame) {
        if (!frame.luma.empty() && shared_->spare.size() < kSpareFrames) shared_->spare.push_back(std::move(frame));
    }

    // Notes when the decoder's newest frame was first seen (under the lock).
    void Hear(double seconds) {
        if (shared_->progress.newest == heard_) return;
        heard_ = shared_->progress.newest;
        heardAt_ = seconds;
    }

    void Stop() {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->stop = true;
        shared_->ring.clear();
        shared_->spare.clear();
        shared_->changed.notify_all();
    }

    static constexpr size_t kSpareFrames = 1;
    std::shared_ptr<ClipShared> shared_;
    double maxSeconds_;
    bool liveMotion_;
    double heard_ = 0.0, heardAt_ = 0.0;  // the newest frame's time seen, and when
};

ClipReaderMaker g_readerMaker = nullptr;

void LogClipFailure(const std::wstring& path, const std::wstring& why) {
    GetLogger().WriteOncePerRun(path + L"\n" + why, L"OpenClip() - %ls - %ls - FAILED", path.c_str(), why.c_str());
}

}  // namespace

void SetClipReaderMaker(ClipReaderMaker maker) { g_readerMaker = maker; }

std::unique_ptr<ClipReader> MakeClipReader(std::wstring& why) {
    return g_readerMaker ? g_readerMaker(why) : MakePlatformClipReader(why);
}

bool OpenClip(const ClipRequest& request, PictureSource& source, DecodedPicture& out) {
    std::wstring why;
    std::unique_ptr<ClipReader> reader = MakeClipReader(why);
    if (!reader) {
        LogClipFailure(request.place.path, why);
        return false;
    }
    auto shared = std::make_shared<ClipShared>();
    try {
        std::thread(RunWorker, shared, std::move(reader), request.place, &source).detach();
    } catch (...) {
        LogClipFailure(request.place.path, L"no thread for its decoder");
        return false;
    }
    auto frames = std::make_shared<ClipFrames>(shared, request);
    std::unique_lock<std::mutex> lock(shared->mutex);
    const bool settled = shared->changed.wait_for(lock, request.startWithin,
                                                  [&] { return shared->started || shared->failed; });
    if (!settled || !shared->started) {
        why = settled ? shared->why : L"did not start in time";
        lock.unlock();
        // A slow start may be the drive's, not the clip's: a later lap tries it again.
        if (!settled) ReportDecodeFailure(PictureFailure::TimeOut);
        LogClipFailure(request.place.path, why);
        return false;
    }
    const VideoFrame& first = shared->ring.front();
    const bool turned = first.rotation == 90 || first.rotation == 270;
    out.width = turned ? first.height : first.width;
    out.height = turned ? first.width : first.height;
    lock.unlock();
    out.frames = std::move(frames);
    return true;
}

}  // namespace WorkSpace
