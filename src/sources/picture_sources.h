// Every source the picture list can name, behind one: each entry goes to the source whose
// prefix it starts with (a server folder's "https://", say), anything else to the local
// folders. A new kind of source is one file pair and one Add at the start; the walk, the
// index filler and the decoders are handed this one and never change for it.
#pragma once
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "sources/picture_source.h"

namespace WorkSpace {

class PictureSourceRouter : public PictureSource {
public:
    explicit PictureSourceRouter(PictureSource& fallback) : fallback_(fallback) {}

    // Entries starting with `prefix` (compared without ASCII case, as URL schemes are) go to
    // `source`, which lives as long as the router. Called before any walk starts.
    void Add(const std::wstring& prefix, PictureSource& source);
    // The source that serves `path`.
    PictureSource& For(const std::wstring& path);

    Platform::Listing List(const std::wstring& folder, std::vector<Platform::FolderItem>& items,
                           Platform::FolderId& id, Platform::FolderHold& hold) override;
    // Goes back to the source that gave the hold, with its own.
    void Release(Platform::FolderHold hold) override;
    bool Describe(const std::wstring& path, Platform::FolderItem& item) override {
        return For(path).Describe(path, item);
    }
    bool Stamp(const std::wstring& path, PictureStamp& stamp) override { return For(path).Stamp(path, stamp); }
    std::wstring Key(const std::wstring& path) override { return For(path).Key(path); }
    std::unique_ptr<PictureReader> Open(const std::wstring& path, Platform::ReadFailure& why) override {
        return For(path).Open(path, why);
    }
    unsigned ReadsAtOnce(const std::wstring& path) override { return For(path).ReadsAtOnce(path); }

private:
    PictureSource& fallback_;
    std::vector<std::pair<std::wstring, PictureSource*>> routes_;
    // The holds given out: the router's own numbers, each standing for a source's hold, since
    // two sources' holds may have the same value. Several threads walk at once (the stream,
    // the index filler).
    std::mutex mutex_;
    Platform::FolderHold lastHold_ = 0;
    std::map<Platform::FolderHold, std::pair<PictureSource*, Platform::FolderHold>> holds_;
};

// The process's sources: the local folders and whatever was added to them. The default of
// every walk, index filler, facts reader and decoder.
PictureSourceRouter& PictureSources();

}  // namespace WorkSpace
