#include "library/picture_library.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwctype>

#include "platform/picture_extensions.h"
#include "platform/platform.h"
#include "resources/logger.h"

namespace WorkSpace {

namespace {
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
wchar_t Fold(wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))); }
bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

uint64_t SplitMix(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Digits of the run starting at `i`, without leading zeros: [begin, end).
void DigitRun(const std::wstring& s, size_t i, size_t& begin, size_t& end) {
    while (i < s.size() && s[i] == L'0' && i + 1 < s.size() && IsDigit(s[i + 1])) ++i;
    begin = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    end = i;
}

const char kStateHeader[] = "LumoraPictureLap 1";

// A file name without its extension, case folded: "IMG_1234.CR2" and "img_1234.jpg" match.
std::wstring Stem(const std::wstring& name) {
    const size_t dot = name.find_last_of(L'.');
    std::wstring stem;
    for (size_t i = 0; i < (dot == std::wstring::npos ? name.size() : dot); ++i) stem.push_back(Fold(name[i]));
    return stem;
}

// One line a run, after the first whole lap, for pictures that were left in the cloud.
void ReportCloudOnly(uint32_t count) {
    static std::atomic<bool> reported{false};
    if (count == 0 || reported.exchange(true)) return;
    GetLogger().Write(L"PictureLibrary::Next() - %u cloud-only files or folders skipped, not on this device", count);
}
}  // namespace

int CompareNamesLogically(const std::wstring& a, const std::wstring& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            size_t ab, ae, bb, be;
            DigitRun(a, i, ab, ae);
            DigitRun(b, j, bb, be);
            // A longer run without leading zeros is the larger number.
            if (ae - ab != be - bb) return ae - ab < be - bb ? -1 : 1;
            for (size_t k = 0; k < ae - ab; ++k)
                if (a[ab + k] != b[bb + k]) return a[ab + k] < b[bb + k] ? -1 : 1;
            i = ae;
            j = be;
            continue;
        }
        const wchar_t ca = Fold(a[i]), cb = Fold(b[j]);
        if (ca != cb) return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    // Equal to the eye ("a1" and "A01"): one fixed order all the same.
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool IsFolderEntry(const std::wstring& entry) { return !entry.empty() && IsSeparator(entry.back()); }

bool HasExtension(const std::wstring& name, const std::vector<std::wstring>& extensions) {
    const size_t dot = name.find_last_of(L'.');
    if (dot == std::wstring::npos) return false;
    const size_t sep = name.find_last_of(L"\\/:");
    if (sep != std::wstring::npos && dot < sep) return false;
    std::wstring extension;
    for (size_t i = dot; i < name.size(); ++i) extension.push_back(Fold(name[i]));
    return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

LibraryScan::LibraryScan(std::vector<std::wstring> entries, std::vector<std::wstring> extensions,
                         FileSystem fileSystem)
    : entries_(std::move(entries)), extensions_(std::move(extensions)), fileSystem_(fileSystem) {}

LibraryScan::~LibraryScan() {
    for (const Open& open : path_) fileSystem_.release(open.hold);
}

void LibraryScan::LeaveOut(const std::vector<std::wstring>& folders) {
    leftOut_.clear();
    for (const std::wstring& folder : folders)
        if (!folder.empty()) leftOut_.push_back(FolderKey(folder));
}

bool LibraryScan::LeftOut(const std::wstring& folder) const {
    if (leftOut_.empty()) return false;
    const std::wstring key = FolderKey(folder);
    return std::any_of(leftOut_.begin(), leftOut_.end(),
                       [&](const std::wstring& out) { return key.compare(0, out.size(), out) == 0; });
}

void LibraryScan::CloseDone() {
    while (!path_.empty() && path_.back().below >= folders_.size()) {
        fileSystem_.release(path_.back().hold);
        path_.pop_back();
    }
}

bool LibraryScan::Seen(const Platform::FolderId& id) {
    if (!id.known) return false;
    // An ID that holds only while open is compared with the open folders alone: a loop is
    // still found, and a folder that got the index of one closed before is still walked.
    if (id.whileOpen)
        return std::any_of(path_.begin(), path_.end(), [&](const Open& open) { return open.id == id; });
    return !walked_.insert(id).second;
}

void LibraryScan::Failed(const std::wstring& folder, Platform::Listing listing) {
    // Gone: nothing to tell, as for a picture that was deleted.
    if (listing.end == Platform::ListingEnd::Missing) return;
    const bool passing = listing.end == Platform::ListingEnd::Broken;
    if (passing) whole_ = false;
    GetLogger().WriteOncePerRun(L"LibraryScan\n" + folder,
                                passing ? L"LibraryScan::Next() - %ls - not read whole (error %u), left out this round"
                                        : L"LibraryScan::Next() - %ls - cannot be read (error %u), left out",
                                folder.c_str(), listing.error);
}

void LibraryScan::TakeFolder(const std::wstring& folder, std::vector<Platform::FolderItem>& items, bool followLinks) {
    std::vector<std::wstring> files, subfolders;
    std::set<std::wstring> partners;  // the names, without extension, of the pictures that are not raw
    for (Platform::FolderItem& item : items) {
        if (item.hidden) continue;
        if (item.folder) {
            if (item.cloudOnly)
                ++cloudOnly_;
            else if (followLinks || !item.link)
                subfolders.push_back(std::move(item.name));
        } else if (HasExtension(item.name, extensions_)) {
            if (item.cloudOnly) {
                ++cloudOnly_;
                continue;
            }
            if (!HasExtension(item.name, Platform::RawPictureExtensions())) partners.insert(Stem(item.name));
            files.push_back(std::move(item.name));
        }
    }
    if (!partners.empty())
        files.erase(std::remove_if(files.begin(), files.end(),
                                   [&](const std::wstring& name) {
                                       return HasExtension(name, Platform::RawPictureExtensions()) &&
                                              partners.count(Stem(name)) > 0;
                                   }),
                    files.end());
    // Both kept last-first, so that the next one is popped from the back.
    auto later = [](const std::wstring& x, const std::wstring& y) { return CompareNamesLogically(x, y) > 0; };
    std::sort(files.begin(), files.end(), later);
    std::sort(subfolders.begin(), subfolders.end(), later);
    const wchar_t separator = folder.back();
    for (const std::wstring& name : files) files_.push_back(folder + name);
    for (const std::wstring& name : subfolders) folders_.push_back(folder + name + separator);
}

bool LibraryScan::Next(std::wstring& path, const std::atomic<bool>* stop) {
    for (;;) {
        if (!files_.empty()) {
            path = std::move(files_.back());
            files_.pop_back();
            return true;
        }
        if (stop && stop->load()) return false;
        CloseDone();
        if (!folders_.empty()) {
            const std::wstring folder = std::move(folders_.back());
            folders_.pop_back();
            // Never even listed: the user left it out, and it may be slow or large.
            if (LeftOut(folder)) continue;
            std::vector<Platform::FolderItem> items;
            Platform::FolderId id;
            Platform::FolderHold hold = 0;
            // A folder that cannot be listed (gone, offline) has no pictures this lap.
            const Platform::Listing listing = fileSystem_.list(folder, items, id, hold);
            if (listing.end != Platform::ListingEnd::Whole) {
                Failed(folder, listing);
                continue;
            }
            // Reached again through a link or another entry: a loop, or pictures already given.
            if (Seen(id)) {
                fileSystem_.release(hold);
                continue;
            }
            // Held open until its subtree is walked, so that no folder below takes its ID.
            path_.push_back(Open{id, hold, folders_.size()});
            // Where the file system cannot tell folders apart, a link could close a loop that
            // would never be noticed: only real subfolders are walked there.
            TakeFolder(folder, items, id.known);
            continue;
        }
        if (entry_ >= entries_.size()) return false;
        const std::wstring& entry = entries_[entry_++];
        if (IsFolderEntry(entry)) {
            folders_.push_back(entry);
        } else if (!entry.empty()) {
            Platform::FolderItem item;
            if (fileSystem_.describe(entry, item) && item.cloudOnly) {
                ++cloudOnly_;
                continue;
            }
            path = entry;
            return true;
        }
    }
}

bool IsLastingFailure(PictureFailure failure) {
    return failure == PictureFailure::NotPicture || failure == PictureFailure::NoCodec ||
           failure == PictureFailure::TooLarge || failure == PictureFailure::Missing ||
           failure == PictureFailure::Denied || failure == PictureFailure::PathTooLong;
}

bool ReadLapState(const std::wstring& path, LapState& state) {
    std::string bytes;
    if (!Platform::ReadWholeFile(path, bytes, 1 << 16)) return false;
    // Every line ends with its line feed: a file cut anywhere, even within the last name, is
    // damaged.
    if (bytes.empty() || bytes.back() != '\n') return false;
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    if (lines.size() < 6 || lines[0] != kStateHeader) return false;
    LapState read;
    unsigned long long seed = 0, library = 0;
    unsigned position = 0;
    char tail = 0;
    if (std::sscanf(lines[1].c_str(), "seed=%llu%c", &seed, &tail) != 1 ||
        std::sscanf(lines[2].c_str(), "library=%llu%c", &library, &tail) != 1 ||
        std::sscanf(lines[3].c_str(), "position=%u%c", &position, &tail) != 1 ||
        lines[4].compare(0, 5, "last=") != 0 || lines[5].compare(0, 5, "next=") != 0)
        return false;
    if (!Platform::IsValidUtf8(lines[4].data(), lines[4].size()) ||
        !Platform::IsValidUtf8(lines[5].data(), lines[5].size()))
        return false;
    read.seed = seed;
    read.library = library;
    read.position = position;
    read.last = Platform::Utf8ToWide(lines[4].data() + 5, lines[4].size() - 5);
    read.next = Platform::Utf8ToWide(lines[5].data() + 5, lines[5].size() - 5);
    state = read;
    return true;
}

bool WriteLapState(const std::wstring& path, const LapState& state) {
    char numbers[128];
    std::snprintf(numbers, sizeof numbers, "%s\nseed=%llu\nlibrary=%llu\nposition=%u\n", kStateHeader,
                  static_cast<unsigned long long>(state.seed), static_cast<unsigned long long>(state.library),
                  static_cast<unsigned>(state.position));
    const std::string text = std::string(numbers) + "last=" + Platform::WideToUtf8(state.last) + "\nnext=" +
                             Platform::WideToUtf8(state.next) + "\n";
    // Written whole beside it and put in its place in one step: a crash leaves the old file or
    // the new one, never a cut one, and two savers at once never mix their lines. Nothing is
    // flushed: a place lost to a power cut only costs a new lap.
    const std::wstring temporary = LapStateTemporaryPath(path);
    FILE* file = Platform::OpenFile(temporary, "wb");
    if (!file) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = std::fclose(file) == 0 && ok;
    ok = ok && Platform::RenameOver(temporary, path);
    if (!ok) Platform::RemoveFile(temporary);
    return ok;
}

std::wstring LapStateTemporaryPath(const std::wstring& path) {
    return Platform::UniqueTemporaryName(path);
}

std::wstring LapStatePath(const std::wstring& settingsPath) {
    const size_t sep = settingsPath.find_last_of(L"\\/");
    const std::wstring folder = sep == std::wstring::npos ? std::wstring() : settingsPath.substr(0, sep + 1);
    return folder + L"LumoraPictureLap.txt";
}

uint64_t LibraryFingerprint(const std::vector<std::wstring>& pictures) {
    uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a over the paths and their ends
    for (const std::wstring& path : pictures) {
        for (wchar_t c : path) hash = (hash ^ static_cast<uint32_t>(c)) * 0x100000001B3ull;
        hash = (hash ^ 0xFFFFu) * 0x100000001B3ull;
    }
    return hash;
}

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
    : entries_(std::move(entries)), extensions_(std::move(extensions)), options_(std::move(options)) {}

PictureLibrary::~PictureLibrary() = default;

bool PictureLibrary::Next(std::wstring& path, uint32_t& place, const std::atomic<bool>* stop) {
    return options_.shuffle ? NextShuffled(path, place, stop) : NextInOrder(path, place, stop);
}

std::unique_ptr<LibraryScan> PictureLibrary::NewScan() const {
    std::unique_ptr<LibraryScan> scan(new LibraryScan(entries_, extensions_, options_.fileSystem));
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
    return among && !FilteredOut(path) && options_.fileSystem.describe(path, item) && !item.folder &&
           !item.cloudOnly;
}

void PictureLibrary::LapWalked(const LibraryScan& scan) { ReportCloudOnly(scan.CloudOnlySkipped()); }

bool PictureLibrary::Failed(const std::wstring& path, PictureFailure failure) {
    if (IsLastingFailure(failure)) skipped_.insert(path);
    return logged_.insert(path).second;
}

}  // namespace WorkSpace
