// The walk that fills the photo index behind the show: a batch of new and changed files at a
// time, the failed reads left for a later walk, and after a whole walk of the saved list the
// rows of files it no longer finds removed.
#include "library/photo_index.h"

namespace WorkSpace {

PhotoIndexer::PhotoIndexer(PhotoIndex& index, std::vector<std::wstring> entries, std::vector<std::wstring> extensions,
                           PhotoFactsReader read, PictureSource& source)
    : index_(index), scan_(entries, std::move(extensions), source), source_(source), readFacts_(read),
      entries_(std::move(entries)) {}

bool PhotoIndexer::Step(std::chrono::milliseconds budget, const std::atomic<bool>* stop) {
    // A batch stays small, so that its transaction is short and other processes wait little.
    constexpr size_t kMostInBatch = 1000;
    if (!index_.Growing()) return false;
    const bool wasDone = done_;
    const auto start = std::chrono::steady_clock::now();
    std::wstring path;
    while (!done_ && pending_.size() < kMostInBatch) {
        if (!scan_.Next(path, stop)) {
            done_ = !(stop && stop->load());
            break;
        }
        IndexedPhoto photo;
        photo.path = path;
        PictureStamp known;
        if (source_.Stamp(path, photo.stamp)) {
            if (forget_) found_.insert(source_.Key(path));
            if (!index_.Lookup(path, known, photo.facts) || !StillUnchanged(known, photo.stamp)) {
                // A file the reader cannot make out is kept too, with no facts: it is not
                // read again at every start, and changes are seen by its stamp. One that
                // could not be read this time is not: it would pass for such a file.
                photo.facts = PhotoFacts();
                const FactsRead got = readFacts_(path, photo.facts, source_);
                if (got != FactsRead::Failed) pending_.push_back(photo);
                ++read_;
            }
            if (keepWalked_) walked_.push_back(std::move(photo));
        }
        if (std::chrono::steady_clock::now() - start >= budget || (stop && stop->load())) break;
    }
    if (!pending_.empty()) {
        const PhotoIndex::Store stored = index_.Put(pending_);
        if (stored == PhotoIndex::Store::Stopped) return false;
        if (stored == PhotoIndex::Store::Stored) pending_.clear();
    }
    // The walk just ended: a whole one is the library as it is, a broken one proves nothing.
    if (done_ && !wasDone && forget_ && scan_.Whole()) index_.Forget(entries_, found_);
    if (done_) std::set<std::wstring>().swap(found_);
    return !done_ || !pending_.empty();
}

}  // namespace WorkSpace
