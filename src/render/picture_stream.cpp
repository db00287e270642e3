#include "render/picture_stream.h"

#include "settings/settings.h"
#include "platform/platform.h"

namespace WorkSpace {

namespace {
void ReportUnreadable() { Platform::DebugOutput(L"Failed to load texture. UserTextures::AddTexture ()\n"); }
}  // namespace

PictureStream& GetPictureStream() {
    static PictureStream* stream = new PictureStream();  // lives until the process ends
    return *stream;
}

PictureStream::~PictureStream() { Stop(); }

void PictureStream::SetTargetSize(uint32_t width, uint32_t height) {
    target_.width = width;
    target_.height = height;
}

bool PictureStream::Decode(uint32_t index, StreamedPicture& out) {
    out.listIndex = index;
    if (unreadable_[index]) return false;
    if (decoder_(paths_[index], target_, out.picture)) return true;
    unreadable_[index] = true;
    ReportUnreadable();
    return false;
}

void PictureStream::Start(const std::vector<std::wstring>& paths, uint32_t first) {
    Stop();
    paths_ = paths;
    unreadable_.assign(paths_.size(), false);
    target_.fit = static_cast<PictureFit>(GetSettings().GetClamped(SettingKey::PictureFit));
    const uint32_t count = static_cast<uint32_t>(paths_.size());
    if (count == 0) return;
    uint32_t pos = first < count ? first : 0, failures = 0;
    int64_t lastSuccess = -1;
    if (!firstOnWorker_) {
        StreamedPicture picture;
        while (failures < count && lastSuccess < 0) {
            if (Decode(pos, picture)) {
                lastSuccess = pos;
                slot_ = std::move(picture);
                full_ = true;
            } else {
                ++failures;
            }
            pos = (pos + 1) % count;
        }
        if (lastSuccess < 0) return;  // nothing readable: as an empty list
        failures = 0;
    }
    stop_ = false;
    holding_ = false;
    ended_ = false;
    worker_ = std::thread(&PictureStream::Run, this, pos, lastSuccess, failures);
}

void PictureStream::Run(uint32_t pos, int64_t lastSuccess, uint32_t failures) {
    const bool begun = BeginDecoderThread();
    const uint32_t count = static_cast<uint32_t>(paths_.size());
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stop_) break;
        }
        // Back at the last picture read with every other one failing: there is one picture
        // to show (or none), and it is already on its way.
        if (static_cast<int64_t>(pos) == lastSuccess || failures >= count) break;
        StreamedPicture picture;
        const uint32_t index = pos;
        pos = (pos + 1) % count;
        if (!Decode(index, picture)) {
            ++failures;
            continue;
        }
        failures = 0;
        lastSuccess = index;
        std::unique_lock<std::mutex> lock(mutex_);
        holding_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return stop_ || !full_; });
        holding_ = false;
        if (stop_) break;
        slot_ = std::move(picture);
        full_ = true;
    }
    EndDecoderThread(begun);
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    changed_.notify_all();
}

void PictureStream::Stop() {
    if (worker_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    slot_ = StreamedPicture();
    full_ = false;
    holding_ = false;
    ended_ = true;
}

bool PictureStream::Take(StreamedPicture& out) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!full_) return false;
        out = std::move(slot_);
        slot_ = StreamedPicture();
        full_ = false;
    }
    changed_.notify_all();
    return true;
}

void PictureStream::WaitUntilIdle() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return ended_ || (holding_ && full_); });
}

}  // namespace WorkSpace
