// The pictures lap after lap: list order with the memories first, or shuffled laps made
// from a whole walk with their place kept between runs, the index's filter, and the
// failures that skip a picture for the run.
#include "library/picture_library.h"

#include <algorithm>
#include <chrono>

#include "platform/platform.h"
#include "resources/logger.h"

namespace WorkSpace {

namespace {
uint64_t SplitMix(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// One line a run, after the first whole lap, for pictures that were left in the cloud.
void ReportCloudOnly(uint32_t count) {
    static std::atomic<bool> reported{false};
    if (count == 0 || reported.exchange(true)) return;
    GetLogger().Write(L"PictureLibrary::Next() - %u cloud-only files or folders skipped, not on this device", count);
}
}  // namespace

std::vector<uint32_t> ShuffledOrder(size_t count, uint64_t seed) {
    // Our own Fisher-Yates: the standard library's shuffle differs between libraries, and the
    // tool on Linux must give the saver's order.
    std::vector<uint32_t> order(count);
    for (size_t i = 0; i < count; ++i) order[i] = static_cast<uint32_t>(i);
    uint64_t x = seed;
    for (size_t i = count; i > 1; --i) std::swap(order[i - 1], order[SplitMix(x) % i]);
    return order;
}

PictureLibrary::PictureLibrary(std::vector<std::wstring> entries, std::vector<std::wstring> extensions, Options options)
    : entries_(std::move(entries)),
      extensions_(LapExtensions(std::move(extensions), options.videos)),
      options_(std::move(options)) {}

PictureLibrary::~PictureLibrary() = default;

bool PictureLibrary::Next(std::wstring& path, uint32_t& place, const std::atomic<bool>* stop) {
    return options_.shuffle ? NextShuffled(path, place, stop) : NextInOrder(path, place, stop);
}

std::unique_ptr<LibraryScan> PictureLibrary::NewScan() const {
    std::unique_ptr<LibraryScan> scan(new LibraryScan(entries_, extensions_, *options_.source));
    scan->LeaveOut(options_.leftOut);
    return scan;
}

bool PictureLibrary::FilteredOut(const std::wstring& path, PhotoFacts* known) const {
    PhotoFacts facts;
    if (!options_.facts || !options_.facts->Find(path, facts)) return false;
    if (known) *known = facts;
    return !PassesFilter(facts, options_.filter);
}

void PictureLibrary::StartMemoriesInOrder(const std::atomic<bool>* stop) {
    memoriesToGive_.clear();
    memoryPaths_.clear();
    if (!options_.memories || !options_.facts) return;
    // The memories come before the first picture of the walk, so the whole library is
    // walked once first, as a shuffled lap is.
    const CivilDate today = options_.today();
    std::vector<std::pair<int64_t, Memory>> found;
    std::unique_ptr<LibraryScan> scan = NewScan();
    std::wstring path;
    for (uint32_t place = 0; scan->Next(path, stop); ++place) {
        PhotoFacts facts;
        if (FilteredOut(path, &facts) || !facts.dated) continue;
        if (const uint32_t years = MemoryYears(DateOfTime(facts.taken), today))
            found.push_back({facts.taken, Memory{path, place, years}});
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
        memoryPaths_.insert(it->second.path);
        memoriesToGive_.push_back(std::move(it->second));
    }
}

bool PictureLibrary::NextInOrder(std::wstring& path, uint32_t& place, const std::atomic<bool>* stop) {
    for (;;) {
        if (!scan_) {
            scan_ = NewScan();
            ++lap_;
            place_ = 0;
            tried_ = false;
            StartMemoriesInOrder(stop);
            if (stop && stop->load()) return false;
        }
        if (!memoriesToGive_.empty()) {
            Memory memory = std::move(memoriesToGive_.back());
            memoriesToGive_.pop_back();
            if (skipped_.count(memory.path)) continue;
            tried_ = true;
            path = std::move(memory.path);
            place = memory.place;
            yearsAgo_ = memory.years;
            return true;
        }
        std::wstring next;
        if (!scan_->Next(next, stop)) {
            if (stop && stop->load()) return false;
            LapWalked(*scan_);
            scan_.reset();
            // A first lap that began past the end starts again at the top.
            const bool startedLate = lap_ == 1 && options_.firstPlace > 0;
            if (!tried_ && !startedLate) return false;
            continue;
        }
        const uint32_t at = place_++;
        if (lap_ == 1 && at < options_.firstPlace) continue;
        if (skipped_.count(next) || memoryPaths_.count(next) || FilteredOut(next)) continue;
        tried_ = true;
        path = std::move(next);
        place = at;
        yearsAgo_ = 0;
        return true;
    }
}

uint64_t PictureLibrary::NextSeed() {
    if (lap_ == 1 && options_.seed != 0) return state_.seed = options_.seed;
    if (state_.seed == 0) {
        state_.seed = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) ^
                      static_cast<uint64_t>(Platform::PerfCounter());
    }
    uint64_t x = state_.seed;
    return state_.seed = SplitMix(x);
}

uint64_t PictureLibrary::LearnLap(std::vector<std::wstring>& pictures) {
    years_.clear();
    bursts_.clear();
    taken_.clear();
    if (!options_.facts) return LibraryFingerprint(pictures);
    const CivilDate today = options_.memories ? options_.today() : CivilDate();
    std::vector<std::wstring> kept;
    std::vector<BurstPhoto> photos;
    for (std::wstring& path : pictures) {
        PhotoFacts facts;
        if (FilteredOut(path, &facts)) continue;
        BurstPhoto photo;
        photo.folder = path.substr(0, path.find_last_of(L"\\/") + 1);
        photo.dated = facts.dated;
        photo.taken = facts.taken;
        years_.push_back(options_.memories && facts.dated ? MemoryYears(DateOfTime(facts.taken), today) : 0);
        taken_.push_back(facts.taken);
        photos.push_back(std::move(photo));
        kept.push_back(std::move(path));
    }
    pictures.swap(kept);
    bursts_ = FindBursts(photos);
    // The order depends on the memories and bursts as well: when the index learns more (or
    // a day passes), a kept lap's place would point at another picture, so a new lap starts.
    uint64_t hash = LibraryFingerprint(pictures);
    for (size_t i = 0; i < pictures.size(); ++i) {
        hash = (hash ^ bursts_[i]) * 0x100000001B3ull;
        hash = (hash ^ years_[i]) * 0x100000001B3ull;
    }
    return hash;
}

void PictureLibrary::MakeOrder(uint64_t seed) {
    order_ = ShuffledOrder(pictures_.size(), seed);
    if (!options_.facts) return;
    if (options_.memories) order_ = MemoriesFirst(order_, years_, taken_);
    // The bursts are kept apart in the rest of the lap, after the memories: moving them to
    // the front afterwards would bring two of a burst closer.
    const size_t memories = static_cast<size_t>(
        std::count_if(years_.begin(), years_.end(), [](uint32_t years) { return years != 0; }));
    const size_t rest = order_.size() - memories;
    std::vector<uint32_t> local(rest), bursts(rest);
    for (uint32_t i = 0; i < rest; ++i) {
        local[i] = i;
        bursts[i] = bursts_[order_[memories + i]];
    }
    const std::vector<uint32_t> spread = SpreadBursts(local, bursts, seed);
    std::vector<uint32_t> photos(order_.begin() + static_cast<std::ptrdiff_t>(memories), order_.end());
    for (size_t i = 0; i < rest; ++i) order_[memories + i] = photos[spread[i]];
}

bool PictureLibrary::ShuffleLap(const std::atomic<bool>* stop) {
    std::unique_ptr<LibraryScan> scan = NewScan();
    std::vector<std::wstring> pictures;
    std::wstring path;
    while (scan->Next(path, stop)) pictures.push_back(std::move(path));
    if (stop && stop->load()) return false;
    LapWalked(*scan);
    const uint64_t library = LearnLap(pictures);
    pictures.shrink_to_fit();
    pictures_.swap(pictures);
    if (pictures_.empty()) return false;
    ++lap_;
    tried_ = false;
    if (lap_ == 1 && !resumed_ && !options_.statePath.empty()) ReadLapState(options_.statePath, state_);
    if (lap_ == 1) saved_ = state_;
    // The lap the last run was in goes on, if the library is still the one it was made from;
    // only a whole walk can tell (a share away changes the list without changing the library).
    if (keepSaved_ && scan->Whole()) {
        keepSaved_ = false;
        if (saved_.library == library && saved_.position < pictures_.size() && saved_.seed != 0) {
            const std::wstring last = state_.last;
            state_ = saved_;
            state_.last = last;
            MakeOrder(state_.seed);
            place_ = state_.position;
            // The picture shown before the scan is the lap's picture at this place: asked for
            // again before it was shown (a portrait's partner is looked for first), it is not
            // given twice.
            if (!given_.empty() && place_ < order_.size() && pictures_[order_[place_]] == given_) ++place_;
            return true;
        }
    }
    // A lap of a walk that was not whole is never written, so its seed must not follow from
    // the saved one alone: a library with a share that stays away would start every run with
    // the same order.
    if (keepSaved_) state_.seed = 0;
    const uint64_t seed = NextSeed();
    MakeOrder(seed);
    place_ = 0;
    // The seam between two laps: never the same picture twice in a row. With bursts kept
    // apart, only by one place, so that it stays about as far from its burst.
    if (order_.size() > 1 && pictures_[order_[0]] == state_.last)
        std::swap(order_[0], order_[options_.facts ? 1 : 1 + seed % (order_.size() - 1)]);
    state_.library = library;
    state_.position = 0;
    return true;
}

bool PictureLibrary::NextShuffled(std::wstring& path, uint32_t& place, const std::atomic<bool>* stop) {
    // A new run first shows the picture the last one had next, before any folder is read.
    if (lap_ == 0 && !resumed_ && !options_.statePath.empty()) {
        resumed_ = true;
        if (ReadLapState(options_.statePath, state_) && !state_.next.empty() && MayShowFirst(state_.next)) {
            path = given_ = state_.next;
            place = state_.position;
            yearsAgo_ = 0;
            // While it is decoded the kept place is already past it: a codec that crashes
            // the process on it (third-party WIC codecs run in it) costs one start, not all.
            if (options_.writeState) {
                LapState passing = state_;
                passing.position = place + 1;
                passing.next.clear();
                WriteLapState(options_.statePath, passing);
            }
            return true;
        }
    }
    for (;;) {
        if (stop && stop->load()) return false;
        if (place_ >= order_.size()) {
            if (lap_ > 0 && !tried_ && !order_.empty()) return false;
            if (!ShuffleLap(stop)) return false;
            continue;
        }
        const uint32_t at = place_++;
        const std::wstring& next = pictures_[order_[at]];
        if (skipped_.count(next)) continue;
        tried_ = true;
        path = next;
        place = at;
        yearsAgo_ = years_.empty() ? 0 : years_[order_[at]];
        return true;
    }
}

void PictureLibrary::Shown(const std::wstring& path, uint32_t place) {
    state_.last = path;
    if (!options_.shuffle || options_.statePath.empty()) return;
    state_.position = place + 1;
    state_.next = place + 1 < order_.size() ? pictures_[order_[place + 1]] : std::wstring();
    // A state that cannot be kept only costs the place. A lap of a walk that was not whole
    // leaves the saved one as it is (the run's first picture, from the file, moves it on).
    if (options_.writeState && (lap_ == 0 || !keepSaved_)) WriteLapState(options_.statePath, state_);
}

bool PictureLibrary::MayShowFirst(const std::wstring& path) const {
    bool among = false;
    const bool leftOut = std::any_of(options_.leftOut.begin(), options_.leftOut.end(),
                                     [&](const std::wstring& folder) { return IsWithinFolder(path, folder); });
    for (const std::wstring& entry : entries_) {
        if (IsFolderEntry(entry) ? path.size() > entry.size() && path.compare(0, entry.size(), entry) == 0 &&
                                       HasExtension(path, extensions_) && !leftOut
                                 : path == entry) {
            among = true;
            break;
        }
    }
    // Gone, or moved to the cloud since: the scan decides.
    Platform::FolderItem item;
    return among && !FilteredOut(path) && options_.source->Describe(path, item) && !item.folder &&
           !item.cloudOnly;
}

void PictureLibrary::LapWalked(const LibraryScan& scan) { ReportCloudOnly(scan.CloudOnlySkipped()); }

bool PictureLibrary::Failed(const std::wstring& path, PictureFailure failure) {
    if (IsLastingFailure(failure)) skipped_.insert(path);
    return logged_.insert(path).second;
}

}  // namespace WorkSpace
