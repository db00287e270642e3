// The walk that fills the photo index behind the show: a batch of new and changed files at a
// time, the failed reads left for a later walk, and after a whole walk of the saved list the
// rows of files it no longer finds removed.
#include "library/photo_index.h"

#include <algorithm>
#include <thread>

namespace WorkSpace {

PhotoIndexer::PhotoIndexer(PhotoIndex& index, std::vector<std::wstring> entries, std::vector<std::wstring> extensions,
                           PhotoFactsReader read, PictureSource& source)
    : index_(index), scan_(entries, std::move(extensions), source), source_(source), readFacts_(read),
      entries_(std::move(entries)) {}

namespace {
// Files read by one group's threads between two looks at the walk: each thread a few, so
// that a thread's start (costly under Wine) is shared by several reads.
constexpr unsigned kReadsPerThread = 8;

// Reads `files` from the first, by up to `threads` threads, this one among them, each taking
// the next file not yet taken. Once `until` has passed or `stop` is raised no further file is
// taken (the first is, where `first`, but for a stop). How many were read: the first ones.
template <typename File>
size_t ReadFacts(const std::vector<File*>& files, unsigned threads, PhotoFactsReader read, PictureSource& source,
                 std::chrono::steady_clock::time_point until, const std::atomic<bool>* stop, bool first) {
    std::atomic<size_t> next{0};
    auto readOn = [&] {
        for (size_t i = next.load();;) {
            if (i >= files.size() || (stop && stop->load()) ||
                (!(first && i == 0) && std::chrono::steady_clock::now() >= until))
                return;
            if (!next.compare_exchange_weak(i, i + 1)) continue;  // another thread took it: i is the next
            try {
                files[i]->got = read(files[i]->photo.path, files[i]->photo.facts, source);
            } catch (...) {
                files[i]->got = FactsRead::Failed;  // memory short: read again at a later walk
            }
            i = next.load();
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(threads);
    for (unsigned i = 1; i < threads && i < files.size(); ++i) {
        try {
            helpers.push_back(HelperThread(readOn));
        } catch (...) {
            break;  // no more threads to be had: fewer read
        }
    }
    readOn();
    for (std::thread& helper : helpers) helper.join();
    return std::min(next.load(), files.size());
}
}  // namespace

size_t PhotoIndexer::ReadGroup(std::chrono::steady_clock::time_point until, const std::atomic<bool>* stop,
                               bool first) {
    std::vector<WalkedFile*> files;
    for (WalkedFile& file : group_)
        if (file.toRead) files.push_back(&file);
    const size_t read = ReadFacts(files, atOnce_, readFacts_, source_, until, stop, first);
    size_t seen = 0, kept = 0;
    for (; kept < group_.size(); ++kept) {
        WalkedFile& file = group_[kept];
        if (file.toRead) {
            if (seen == read) break;
            ++seen;
            // A stamp that moved while the file was read (a server's file replaced since its
            // listing): the facts may be of either version, so none is kept this walk.
            PictureStamp after;
            const bool moved =
                file.got != FactsRead::Failed && source_.Stamp(file.photo.path, after) && !(after == file.photo.stamp);
            if (file.got != FactsRead::Failed && !moved) pending_.push_back(file.photo);
            ++read_;
        }
        if (keepWalked_) walked_.push_back(std::move(file.photo));
    }
    group_.erase(group_.begin(), group_.begin() + static_cast<std::ptrdiff_t>(kept));
    toRead_ -= seen;
    return seen;
}

bool PhotoIndexer::Step(std::chrono::milliseconds budget, const std::atomic<bool>* stop) {
    // A batch stays small, so that its transaction is short and other processes wait little.
    constexpr size_t kMostInBatch = 1000;
    if (!index_.Growing()) return false;
    const bool wasDone = done_;
    const auto until = std::chrono::steady_clock::now() + budget;
    // At least one file is read a step, the first one, whatever the budget; after it, none
    // once the budget has passed. Files the last step had no time for come first.
    size_t read = 0;
    if (!group_.empty()) read += ReadGroup(until, stop, read == 0);
    std::wstring path;
    while (!done_ && pending_.size() + toRead_ < kMostInBatch) {
        if ((read > 0 && std::chrono::steady_clock::now() >= until) || (stop && stop->load())) break;
        if (!scan_.Next(path, stop)) {
            done_ = !(stop && stop->load());
            break;
        }
        WalkedFile file;
        file.photo.path = path;
        PictureStamp known;
        if (source_.Stamp(path, file.photo.stamp)) {
            if (forget_) found_.insert(source_.Key(path));
            // A file the reader cannot make out is kept too, with no facts: it is not read
            // again at every start, and changes are seen by its stamp. One that could not be
            // read this time is not: it would pass for such a file.
            file.toRead = !index_.Lookup(path, known, file.photo.facts) || !StillUnchanged(known, file.photo.stamp);
            if (file.toRead) {
                file.photo.facts = PhotoFacts();
                ++toRead_;
                // A source that reads better several at a time (a server) gets that many together.
                atOnce_ = source_.ReadsAtOnce(path);
            }
            group_.push_back(std::move(file));
            if (toRead_ >= (atOnce_ > 1 ? atOnce_ * kReadsPerThread : 1)) read += ReadGroup(until, stop, read == 0);
        }
        if (std::chrono::steady_clock::now() >= until) break;
    }
    if (!group_.empty()) ReadGroup(until, stop, read == 0);
    if (!pending_.empty()) {
        const PhotoIndex::Store stored = index_.Put(pending_);
        if (stored == PhotoIndex::Store::Stopped) return false;
        if (stored == PhotoIndex::Store::Stored) pending_.clear();
    }
    // The walk just ended: a whole one is the library as it is, a broken one proves nothing.
    if (done_ && !wasDone && forget_ && scan_.Whole()) index_.Forget(entries_, found_);
    if (done_) std::set<std::wstring>().swap(found_);
    return !done_ || !pending_.empty() || !group_.empty();
}

}  // namespace WorkSpace
