// The offline cache of server photos: the bytes the show's decoder hands down (already made
// as small as the screens need) kept in a folder of the user's local application data, so
// that the show and the lap go on while the server is away. Bounded in bytes, the photo
// shown longest ago goes first; its index file is rebuilt from the files when it is damaged.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "sources/picture_source.h"

namespace WorkSpace {

class ServerCache {
public:
    // `folder` ends with a separator and is made when missing; `limitBytes` bounds the photo
    // files, headers and all (the index beside them holds about 100 bytes a photo). Touches
    // no disk: the cache opens on its first use, on the pictures' worker.
    ServerCache(std::wstring folder, uint64_t limitBytes);

    // Reads the index, or, where it is missing or damaged, rebuilds it from the files' own
    // headers; once, on the first call of any kind. False when the folder cannot be made:
    // the cache then keeps nothing for the rest of the run.
    bool Open();

    // Keeps `bytes` for the entry at `path` (the walk's form), stamped `stamp`, in place of
    // what was kept for it before; the photos shown longest ago make room. False when it
    // does not fit at all or cannot be written.
    bool Put(const std::wstring& path, const PictureStamp& stamp, const std::string& bytes);
    // What is kept for `path`, whatever its stamp; false when nothing is (or its file is gone).
    bool Get(const std::wstring& path, std::string& bytes, PictureStamp& stamp);
    // The stamp kept for `path`; false when nothing is.
    bool Find(const std::wstring& path, PictureStamp& stamp);
    // `path` was shown: it goes out last. The order is written at the next Put, or with the
    // next Shown some minutes after the last write.
    void Shown(const std::wstring& path);
    // `path` is gone from its server: its copy goes too.
    void Forget(const std::wstring& path);
    // `folder` was just listed whole: its kept members that are not among `listed` (files by
    // name, folders by name) are gone from the server, and go from the cache too.
    void KeepOnly(const std::wstring& folder, const std::vector<Platform::FolderItem>& listed);
    // The members of `folder` that the cache knows: files kept directly in it and the folders
    // below it that hold any.
    std::vector<Platform::FolderItem> Members(const std::wstring& folder);

    uint64_t BytesKept();
    size_t Count();

    // A file's name in the cache: a hash of the entry's key and stamp, so that neither the
    // user nor the path shows in it.
    static std::wstring FileName(const std::wstring& key, const PictureStamp& stamp);
    // True for the names FileName makes, and only those: an index's names are checked so
    // that a damaged one never leads the cache to other files.
    static bool IsFileName(const std::wstring& name);

private:
    struct Kept {
        std::wstring path;
        PictureStamp stamp;
        std::wstring file;
        uint64_t bytes = 0;  // the file's, header and all
        uint64_t shown = 0;  // the order shown: larger is later
    };
    bool OpenHeld();  // with mutex_ held
    bool Load();
    void Rebuild();
    void SaveIndex();
    void Drop(const std::wstring& key);
    void MakeRoom(uint64_t bytes);

    std::wstring folder_;
    uint64_t limit_;
    uint64_t total_ = 0, clock_ = 0;
    enum class State { Closed, Open, Unusable } state_ = State::Closed;
    bool dirty_ = false;       // the order shown has changed since the index was written
    int64_t savedAt_ = 0;      // Platform::PerfCounter() at the last write of the index
    std::map<std::wstring, Kept> kept_;  // by the entry's key
    std::mutex mutex_;  // the picture worker and the index filler both reach it
};

}  // namespace WorkSpace
