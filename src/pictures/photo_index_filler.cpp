// The worker's photo index: the index file with its walk over the library's entries (in the
// entries' picture source), which is made at the first batch and dropped when done, and made
// again when the worker asks for another walk.
#include "pictures/photo_index_filler.h"

#include "library/library_scan.h"
#include "library/photo_index.h"
#include "pictures/photo_facts_reader.h"
#include "platform/picture_extensions.h"

namespace WorkSpace {

std::wstring PhotoIndexPath(const std::wstring& besidePath) {
    const size_t sep = besidePath.find_last_of(L"\\/");
    const std::wstring folder = sep == std::wstring::npos ? std::wstring() : besidePath.substr(0, sep + 1);
    return folder + L"LumoraPhotos.db";
}

struct PhotoIndexFiller::State {
    explicit State(PictureSource& from) : source(from) {}
    PictureSource& source;
    PhotoIndex index;
    std::vector<std::wstring> entries;
    std::vector<std::wstring> leftOut;  // never walked: the user left them out
    std::unique_ptr<PhotoIndexer> indexer;
    bool savedList = false;
    bool done = false;
    int32_t videos = 0;
};

std::unique_ptr<PhotoIndexFiller> PhotoIndexFiller::Open(const std::wstring& path, std::vector<std::wstring> entries,
                                                        std::vector<std::wstring> leftOut, bool savedList,
                                                        PictureSource& source) {
    std::unique_ptr<State> state(new State(source));
    if (!state->index.Open(path, source)) return nullptr;
    state->savedList = savedList;
    state->entries = std::move(entries);
    state->leftOut = std::move(leftOut);
    return std::unique_ptr<PhotoIndexFiller>(new PhotoIndexFiller(std::move(state)));
}

PhotoIndexFiller::PhotoIndexFiller(std::unique_ptr<State> state) : state_(std::move(state)) {}
PhotoIndexFiller::~PhotoIndexFiller() = default;

const PhotoFactsSource& PhotoIndexFiller::Facts() const { return state_->index; }

void PhotoIndexFiller::SetVideos(int32_t videos) { state_->videos = videos; }

bool PhotoIndexFiller::Step(std::chrono::milliseconds budget, const std::atomic<bool>* stop) {
    State& s = *state_;
    if (s.done) return false;
    if (!s.indexer) {
        s.indexer.reset(
            new PhotoIndexer(s.index, s.entries, LapExtensions(Platform::PictureExtensions(), s.videos), ReadPhotoFacts,
                             s.source));
        s.indexer->LeaveOut(s.leftOut);
        s.indexer->ForgetGone(s.savedList);
    }
    if (s.indexer->Step(budget, stop)) return true;
    s.done = true;
    s.indexer.reset();  // the walk's folders and names are not needed until the next
    return false;
}

void PhotoIndexFiller::Again() {
    if (state_->index.Growing()) state_->done = false;
}

}  // namespace WorkSpace
