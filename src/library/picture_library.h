// The user's photo library: the picture list's entries (files, and folders ending with a
// separator) walked into pictures lap after lap, in list order or shuffled, with the place
// in the shuffled lap kept in a small state file between runs, and failures told apart
// into those that last the run and those worth another try. Shared by the saver's picture
// worker and lumora-tool; only the folder listing is the platform's.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "library/lap_order.h"
#include "library/photo_facts.h"
#include "platform/folder_listing.h"

namespace WorkSpace {

// Explorer's name order (StrCmpLogicalW): letters without regard to case, runs of digits by
// their value. Negative, zero or positive.
int CompareNamesLogically(const std::wstring& a, const std::wstring& b);

// A folder entry ends with a separator (a backslash; a slash too, for the tool off Windows).
bool IsFolderEntry(const std::wstring& entry);
// True when the name ends with one of `extensions` (lower case, with the dot), in any case.
bool HasExtension(const std::wstring& name, const std::vector<std::wstring>& extensions);

// What the library asks of the file system; tests hand in a made-up one.
struct FileSystem {
    Platform::Listing (*list)(const std::wstring& folder, std::vector<Platform::FolderItem>& items,
                              Platform::FolderId& id, Platform::FolderHold& hold) = Platform::ListFolder;
    bool (*describe)(const std::wstring& path, Platform::FolderItem& item) = Platform::DescribeFile;
    void (*release)(Platform::FolderHold hold) = Platform::ReleaseFolder;
};

// One walk over the entries in list order, a picture at a time: a file entry as it is; a
// folder's own pictures (by name) before each subfolder's, depth first, hidden items left out.
// Nothing is listed before it is needed, so the first picture comes before the walk is done.
// A folder is walked once, however many links and entries lead to it. Cloud-only items are
// never opened, and a camera's raw file is left out where its JPEG (any picture of the same
// name that is not raw) lies beside it. A folder that cannot be read is left out, named in
// the log once a run; one that failed only this time (a share that dropped half-way) makes
// the walk not whole.
class LibraryScan {
public:
    LibraryScan(std::vector<std::wstring> entries, std::vector<std::wstring> extensions,
                FileSystem fileSystem = FileSystem());
    ~LibraryScan();
    LibraryScan(const LibraryScan&) = delete;
    LibraryScan& operator=(const LibraryScan&) = delete;
    // The next picture's full path; false at the end of the walk, or when `stop` is set
    // (looked at before each folder is listed).
    bool Next(std::wstring& path, const std::atomic<bool>* stop = nullptr);
    // Folders left out of the walk, with everything below them (see IsWithinFolder). A file
    // entry the user named is still given, wherever it lies.
    void LeaveOut(const std::vector<std::wstring>& folders);
    // The cloud-only pictures and folders left out so far.
    uint32_t CloudOnlySkipped() const { return cloudOnly_; }
    // No folder so far failed in a way that may pass: the walk, once ended, is the library.
    bool Whole() const { return whole_; }

private:
    // A folder being walked: its identity and its handle, held until the folders still to
    // walk are down to `below` (its subtree is done).
    struct Open {
        Platform::FolderId id;
        Platform::FolderHold hold;
        size_t below;
    };
    void TakeFolder(const std::wstring& folder, std::vector<Platform::FolderItem>& items, bool followLinks);
    // Reached before: a loop or pictures already given.
    bool Seen(const Platform::FolderId& id);
    void CloseDone();
    void Failed(const std::wstring& folder, Platform::Listing listing);

    bool LeftOut(const std::wstring& folder) const;

    std::vector<std::wstring> entries_, extensions_;
    std::vector<std::wstring> leftOut_;  // as FolderKey gives them
    FileSystem fileSystem_;
    size_t entry_ = 0;
    std::vector<std::wstring> folders_;  // still to walk, the next one last
    std::vector<std::wstring> files_;    // of the folder being walked, the next one last
    std::set<Platform::FolderId> walked_;
    std::vector<Open> path_;  // the folders from the entry down to the one being walked
    uint32_t cloudOnly_ = 0;
    bool whole_ = true;
};

// Why a picture could not be shown. Lasting for the run: not a picture, no codec, too large
// (in pixels, or a file over 1 GiB), gone since the folder was listed, access denied, a path
// too long; none of these mends itself while a saver runs. Passing, tried again on the next
// lap: read errors (a share that dropped, a drive waking), a sharing violation, a time-out,
// memory short, and a file whose data is back in the cloud (it may come back).
enum class PictureFailure {
    NotPicture, NoCodec, TooLarge, ReadError, SharingViolation, TimeOut, NoMemory,
    Missing, Denied, PathTooLong, CloudOnly
};
bool IsLastingFailure(PictureFailure failure);

// Where a shuffled lap stands, as kept between runs.
struct LapState {
    uint64_t seed = 0;        // gives the lap's order
    uint64_t library = 0;     // LibraryFingerprint of the pictures the lap was made from
    uint32_t position = 0;    // pictures of the lap already shown
    std::wstring last;        // the picture shown last, which the next lap does not start with
    std::wstring next;        // the lap's next picture, shown first by the next run before any scan
};
// False (and `state` unchanged) for a missing or damaged file.
bool ReadLapState(const std::wstring& path, LapState& state);
// Whole or not at all: through a temporary file of its own, then a rename.
bool WriteLapState(const std::wstring& path, const LapState& state);
// A name beside `path` that no other write, of this process or another, uses.
std::wstring LapStateTemporaryPath(const std::wstring& path);
// The state file beside the settings file.
std::wstring LapStatePath(const std::wstring& settingsPath);

uint64_t LibraryFingerprint(const std::vector<std::wstring>& pictures);
// A lap's order of `count` pictures for `seed`: the same seed, the same order.
std::vector<uint32_t> ShuffledOrder(size_t count, uint64_t seed);

// The pictures lap after lap. Each lap walks the entries again. In shuffle, a lap shows
// every picture once in a new order and never starts with the picture the last one ended
// with; with a state path, the lap goes on where the last run left it.
class PictureLibrary {
public:
    struct Options {
        bool shuffle = false;
        uint64_t seed = 0;        // the first lap's; 0 takes one from the clock
        std::wstring statePath;   // empty: nothing kept between runs
        uint32_t firstPlace = 0;  // list order: the first lap starts here (past the end: at the top)
        FileSystem fileSystem;
        // False: the state file is read, never written (a preview must not move the lap on).
        bool writeState = true;
        // What the photo index knows; null: nothing, every photo is shown as it comes. A
        // photo the source does not know passes `filter` here (it is checked when decoded).
        const PhotoFactsSource* facts = nullptr;
        PhotoFilter filter;
        // The photos taken on this day in earlier years first in each lap.
        bool memories = false;
        CivilDate (*today)() = LocalToday;
        std::vector<std::wstring> leftOut;  // folders not walked (LibraryScan::LeaveOut)
    };
    PictureLibrary(std::vector<std::wstring> entries, std::vector<std::wstring> extensions, Options options);
    ~PictureLibrary();
    PictureLibrary(const PictureLibrary&) = delete;
    PictureLibrary& operator=(const PictureLibrary&) = delete;

    // The next picture to try and its place in its lap. `stop` is looked at between
    // folders. False when it is set, or when a whole lap had nothing to try.
    bool Next(std::wstring& path, uint32_t& place, const std::atomic<bool>* stop = nullptr);
    // The picture Next gave last is a memory of this many years ago (0: it is none).
    uint32_t YearsAgo() const { return yearsAgo_; }
    // Laps begun so far (1 while in the first).
    uint32_t Laps() const { return lap_; }
    // Shuffled: the lap's last picture has been given (the next Next walks the library again).
    bool AtShuffledLapEnd() const { return options_.shuffle && lap_ > 0 && place_ >= order_.size(); }
    // A picture is on its way to the screen: in shuffle the state file moves on past it.
    void Shown(const std::wstring& path, uint32_t place);
    // A picture failed: a lasting failure skips it for the run, a passing one is tried again
    // on the next lap. True for the picture's first failure in the run (log that one).
    bool Failed(const std::wstring& path, PictureFailure failure);

private:
    bool NextInOrder(std::wstring& path, uint32_t& place, const std::atomic<bool>* stop);
    bool NextShuffled(std::wstring& path, uint32_t& place, const std::atomic<bool>* stop);
    bool ShuffleLap(const std::atomic<bool>* stop);
    void LapWalked(const LibraryScan& scan);
    // The state file's next picture may be shown before any folder is read: only when it
    // still belongs to the entries and is a picture that can be opened here.
    bool MayShowFirst(const std::wstring& path) const;
    uint64_t NextSeed();
    std::unique_ptr<LibraryScan> NewScan() const;
    // What the source knows of the lap's pictures: drops those the filter leaves out, and
    // finds the memories and bursts. The fingerprint of what the order is made from.
    uint64_t LearnLap(std::vector<std::wstring>& pictures);
    void MakeOrder(uint64_t seed);
    // The index knows the photo and the filter leaves it out.
    bool FilteredOut(const std::wstring& path, PhotoFacts* known = nullptr) const;
    void StartMemoriesInOrder(const std::atomic<bool>* stop);

    std::vector<std::wstring> entries_, extensions_;
    Options options_;
    std::set<std::wstring> skipped_;  // lasting failures, for the run
    std::set<std::wstring> logged_;
    uint32_t lap_ = 0;
    bool tried_ = false;              // the lap in progress gave a picture to try
    uint32_t place_ = 0;
    std::unique_ptr<LibraryScan> scan_;   // list order: the walk of the lap in progress
    std::vector<std::wstring> pictures_;  // shuffle: the lap's pictures in list order...
    std::vector<uint32_t> order_;         // ...and the order they are shown in
    std::vector<uint32_t> years_, bursts_;  // shuffle, with facts: each picture's memory years and burst
    std::vector<int64_t> taken_;
    uint32_t yearsAgo_ = 0;
    // List order with memories: the lap's memories (path, place, years), given first,
    // the next one last, and all of them, which the walk then passes by.
    struct Memory {
        std::wstring path;
        uint32_t place, years;
    };
    std::vector<Memory> memoriesToGive_;
    std::set<std::wstring> memoryPaths_;
    bool resumed_ = false;                // shuffle: the first run's picture came from the state file
    std::wstring given_;                  // that picture, given before the first scan
    LapState state_;
    // Shuffle: the lap the state file held at the start, kept (never written over) until a
    // whole walk goes on with it or replaces it. A walk that was not whole proves nothing
    // about the library.
    LapState saved_;
    bool keepSaved_ = true;
};

}  // namespace WorkSpace
