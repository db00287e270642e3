// The user's photo library: the picture list's entries walked (library_scan.h) into pictures
// lap after lap, in list order or shuffled, with the place in the shuffled lap kept between
// runs (lap_state.h), the index's facts filtering and ordering each lap, and failures told
// apart into those that last the run and those worth another try. Shared by the saver's
// picture worker and lumora-tool; the folders and files are the picture source's.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "library/lap_order.h"
#include "library/lap_state.h"
#include "library/library_scan.h"
#include "library/photo_facts.h"
#include "sources/picture_sources.h"
#include "sources/picture_source.h"

namespace WorkSpace {

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
        PictureSource* source = &PictureSources();  // where the entries' folders and files are
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
        // The "Videos" option: with 1, clips are pictures of the lap too (LapExtensions).
        int32_t videos = 0;
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
