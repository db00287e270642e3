// What every picture source shares: the whole-entry read a decoder needs, over the source's
// own open and range reads, and which failures last the run.
#include "sources/picture_source.h"

#include "platform/platform.h"

namespace WorkSpace {

const std::atomic<bool>*& ThreadStopFlag() {
    thread_local const std::atomic<bool>* stop = nullptr;
    return stop;
}

std::thread HelperThread(std::function<void()> work) {
    const std::atomic<bool>* stop = ThreadStopFlag();
    const int priority = Platform::ThisThreadPriority();
    return std::thread([stop, priority, work] {
        ThreadStopFlag() = stop;
        Platform::SetThisThreadPriority(priority);
        try {
            work();
        } catch (...) {
            // Nothing may leave a thread: the work says itself what it did not do.
        }
    });
}

bool IsLastingFailure(PictureFailure failure) {
    return failure == PictureFailure::NotPicture || failure == PictureFailure::NoCodec ||
           failure == PictureFailure::TooLarge || failure == PictureFailure::Missing ||
           failure == PictureFailure::Denied || failure == PictureFailure::PathTooLong;
}

bool StillUnchanged(const PictureStamp& kept, const PictureStamp& now) {
    if (now.size == 0 && now.modified == 0 && now.tag.empty()) return false;
    return kept == now;
}

bool PictureSource::ReadWhole(const std::wstring& path, std::string& bytes, Platform::ReadFailure& why,
                              uint64_t limit, PictureStamp* stamp) {
    using Platform::ReadFailure;
    bytes.clear();
    why = ReadFailure::None;
    const std::unique_ptr<PictureReader> reader = Open(path, why);
    if (!reader) return false;
    int64_t got = 0;
    for (bool again = false;; again = true) {
        if (reader->Size() > limit) {
            why = ReadFailure::TooLarge;
            break;
        }
        // One allocation of the entry's size: growing by doubling would hold up to twice the
        // photo's bytes, and for a moment three times, while the next picture is read.
        bytes.clear();
        bytes.reserve(static_cast<size_t>(reader->Size()));
        char chunk[65536];
        while ((got = reader->ReadAt(bytes.size(), chunk, sizeof(chunk))) > 0) {
            // A size the source did not know, or an entry that grew since it was opened.
            if (bytes.size() + static_cast<uint64_t>(got) > limit) {
                why = ReadFailure::TooLarge;
                break;
            }
            bytes.append(chunk, static_cast<size_t>(got));
        }
        // Replaced while it was read: the bytes so far are of its old version.
        if (why != ReadFailure::None || got >= 0 || again || !reader->Changed()) break;
    }
    if (why == ReadFailure::None && got != 0) why = ReadFailure::Other;
    if (why != ReadFailure::None) std::string().swap(bytes);
    if (why == ReadFailure::None && stamp && !reader->ReadStamp(*stamp) && !Stamp(path, *stamp)) *stamp = PictureStamp();
    return why == ReadFailure::None;
}

}  // namespace WorkSpace
