// The stream's decode of one lap entry with "Videos" on: a clip opened on its own worker
// (its first frame waiting), a live photo's or motion photo's still decoded with its motion
// beside it. A motion that cannot play leaves its still a photo.
#include <thread>

#include "imaging/motion.h"
#include "pictures/photo_facts_reader.h"
#include "pictures/stream_worker.h"
#include "video/clip_player.h"

namespace WorkSpace {
namespace StreamWorker {

namespace {
// Waits until the job lets clips open, or the worker is stopped: false when stopped, which
// is no fault of the clip's (a later run tries it as ever).
bool WaitForClips(const Job& job) {
    while (std::chrono::steady_clock::now() < job.clipsFrom && !job.shared->stop.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!job.shared->stop.load()) return true;
    ReportDecodeFailure(PictureFailure::TimeOut);
    return false;
}
}  // namespace

bool DecodeEntry(const Job& job, const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
    MotionRef motion;
    if (job.videos == kVideosOff || !FindMotion(path, job.videos, PictureSources(), motion))
        return job.decoder(path, target, out);
    ClipRequest request;
    request.place.path = motion.clip;
    request.place.offset = motion.offset;
    request.place.length = motion.length;
    request.maxSeconds = job.maxVideoSeconds;
    if (motion.kind == MotionKind::Clip) {
        if (!WaitForClips(job) || !OpenClip(request, PictureSources(), out)) return false;
        // Its caption from its container's date and place, as the index reads them.
        PhotoFacts facts;
        if (job.captions.mode != CaptionMode::None && ReadPhotoFacts(motion.clip, facts) == FactsRead::Known)
            out.facts = CaptionFactsOf(facts);
        return true;
    }
    if (!job.decoder(motion.still.empty() ? path : motion.still, target, out)) return false;
    request.liveMotion = true;
    const uint32_t width = out.width, height = out.height;
    if (WaitForClips(job)) OpenClip(request, PictureSources(), out);
    // The still's own size places the picture; its motion is drawn into the same place.
    out.width = width;
    out.height = height;
    return true;
}

}  // namespace StreamWorker
}  // namespace WorkSpace
