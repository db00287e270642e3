// The photo index as the pictures' worker sees it: opened when the worker starts, filled a
// batch at a time from the files' headers while a picture waits on screen. Kept apart from
// the index's own header so that the worker's files need not see its types.
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sources/picture_sources.h"
#include "sources/picture_source.h"

namespace WorkSpace {

class PhotoFactsSource;

// The index file in the folder of `besidePath`: a file there, or the folder itself ending
// with its separator (local_files.h decides which folder).
std::wstring PhotoIndexPath(const std::wstring& besidePath);

class PhotoIndexFiller {
public:
    // nullptr when no index can be had at `path` this run (said in the log). The entries'
    // folders and files are read through `source`. `savedList`: the entries are the saved
    // picture list, and a whole walk removes the rows of files it no longer finds.
    static std::unique_ptr<PhotoIndexFiller> Open(const std::wstring& path, std::vector<std::wstring> entries,
                                                  std::vector<std::wstring> leftOut, bool savedList = false,
                                                  PictureSource& source = PictureSources());
    ~PhotoIndexFiller();
    // Where the lap may ask for the photos' facts.
    const PhotoFactsSource& Facts() const;
    // The "Videos" option of the lap it fills for: with 1, clips are indexed as well.
    void SetVideos(int32_t videos);
    // One batch of about `budget`; false once the library is walked or the index stopped growing.
    bool Step(std::chrono::milliseconds budget, const std::atomic<bool>* stop);
    // Once the library is walked: the next Step begins another walk (files changed or failed
    // since are read again).
    void Again();

private:
    struct State;
    explicit PhotoIndexFiller(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace WorkSpace
