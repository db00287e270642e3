// The photo index: every picture file's facts (date taken, size as shown, stars, place) kept
// in one SQLite database beside the settings file, so that a lap knows them without reading
// the files again. It is only a cache: a damaged or foreign file is moved aside (one copy
// kept) and built again, a newer version's is left alone, a full disk stops it growing, and
// nothing in it is ever the only copy of anything.
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "library/photo_facts.h"
#include "library/library_scan.h"
#include "sources/picture_sources.h"
#include "sources/picture_source.h"

struct sqlite3;
struct sqlite3_stmt;

namespace WorkSpace {

// One picture file as the index keeps it.
struct IndexedPhoto {
    std::wstring path;  // kept under its source's key
    // Its size, time and tag (a server's ETag) as the index keeps them.
    PictureStamp stamp;
    PhotoFacts facts;
};

// Several processes may use one index at once (the small preview, the dialog's preview and
// the saver): SQLite's write-ahead log lets them read while one writes, and writes are short
// transactions that wait a while for each other. All members may be called from any thread.
class PhotoIndex : public PhotoFactsSource {
public:
    PhotoIndex() = default;
    ~PhotoIndex() override;
    PhotoIndex(const PhotoIndex&) = delete;
    PhotoIndex& operator=(const PhotoIndex&) = delete;

    // Opens the index at `path`, made when missing. A file that is not an index of ours, or
    // is damaged, is moved aside to ".old" (over the one before) and a new index is made
    // (logged once); an older version's keys are brought up to date. False when there is no
    // index to be had this run (a folder that cannot be written, a newer version's index).
    // The files are keyed and stamped by `source`.
    bool Open(const std::wstring& path, PictureSource& source = PictureSources());
    bool IsOpen() const;

    // The facts only while the file is as they were read from (StillUnchanged).
    bool Find(const std::wstring& path, PhotoFacts& facts) const override;
    // Its facts and the stamp they were read at, whatever the file is now; false when the
    // file is not known.
    bool Lookup(const std::wstring& path, PictureStamp& stamp, PhotoFacts& facts) const;
    enum class Store { Stored, Busy, Stopped };
    // In one transaction. Busy: another process held the index too long, try again later.
    // Stopped: the index no longer grows this run (a full disk, a write error).
    Store Put(const std::vector<IndexedPhoto>& photos);
    bool Growing() const { return growing_.load(); }
    // After a whole walk of `entries`: removes the rows of files of them, or under them, whose
    // keys (the source's) are not in `found`.
    Store Forget(const std::vector<std::wstring>& entries, const std::set<std::wstring>& found);

    // Tests: at most this many pages of the file, so that writes fail as on a full disk.
    void LimitPagesForTesting(int pages);

private:
    bool OpenFile();
    // What the opened file is: ours, of this version, with our table; empty and new; not
    // ours (another program's database, another version, damaged), to be moved aside; or
    // not known, as when it is busy or a read of it fails, to be left alone.
    // Older and Newer: ours, of another version.
    enum class FileKind { Ours, Older, Newer, Empty, NotOurs, Unknown };
    FileKind Recognise();
    bool MakeTables();
    bool Migrate();
    std::string Key(const std::wstring& path) const;
    bool Prepare();
    void CloseLocked();
    bool MoveAside();
    // A damaged file found while in use is rebuilt once in the run.
    void Damaged(int code) const;

    std::wstring path_;
    mutable std::mutex mutex_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* find_ = nullptr;
    sqlite3_stmt* put_ = nullptr;
    sqlite3_stmt* forget_ = nullptr;
    PictureSource* source_ = &PictureSources();
    mutable bool damaged_ = false;
    bool onNetwork_ = false;
    bool rebuilt_ = false;
    std::atomic<bool> growing_{true};
};

// The journal of an index in a folder on a file server or not. The write-ahead log keeps
// its index in memory that every process using the file maps, which processes on two
// machines (a saver run from one writable share by several) cannot share, and the file is
// damaged; there the rollback journal, whose locks the server keeps.
const char* IndexJournalMode(bool onNetwork);

// Reads one picture's facts from its file's headers (ReadPhotoFacts on the saver).
using PhotoFactsReader = FactsRead (*)(const std::wstring& path, PhotoFacts& facts, PictureSource& source);

// Fills the index from the library's entries, a batch at a time, behind the show: a file
// whose stamp the index already holds is not read again, and one whose read failed is not
// kept (the next walk tries it again). The walk, the stamps and the reads all go through
// `source`.
class PhotoIndexer {
public:
    PhotoIndexer(PhotoIndex& index, std::vector<std::wstring> entries, std::vector<std::wstring> extensions,
                 PhotoFactsReader read, PictureSource& source = PictureSources());
    // Goes on with the walk for about `budget` (at least one file), then stores what it read
    // in one transaction. False once the walk is done or the index stopped growing.
    bool Step(std::chrono::milliseconds budget, const std::atomic<bool>* stop = nullptr);
    // Folders the walk does not enter (LibraryScan::LeaveOut); before the first Step.
    void LeaveOut(const std::vector<std::wstring>& folders) { scan_.LeaveOut(folders); }
    // A whole walk removes the rows of files under the entries it no longer finds: only for
    // the saved picture list (a preview's unsaved one may lack what the saved one holds).
    void ForgetGone(bool forget) { forget_ = forget; }
    // Every file of the walk so far, with its facts; for the tool's counts.
    void KeepWalked(bool keep) { keepWalked_ = keep; }
    const std::vector<IndexedPhoto>& Walked() const { return walked_; }
    uint32_t FilesRead() const { return read_; }

private:
    // A file of the walk, with whether its facts are to be read and what the read gave.
    struct WalkedFile {
        IndexedPhoto photo;
        bool toRead = false;
        FactsRead got = FactsRead::Failed;
    };
    // Reads the group's files (a few at once where the source reads so), the first ones
    // until `until` (the first one anyway where `first`) or the stop, and keeps what they
    // gave; the files after the first one not read wait in the group for the next Step.
    // How many were read.
    size_t ReadGroup(std::chrono::steady_clock::time_point until, const std::atomic<bool>* stop, bool first);

    PhotoIndex& index_;
    LibraryScan scan_;
    PictureSource& source_;
    PhotoFactsReader readFacts_;
    std::vector<IndexedPhoto> pending_;  // read, not yet stored (the index was busy)
    std::vector<IndexedPhoto> walked_;
    std::vector<WalkedFile> group_;  // walked since the last reads, in the walk's order
    size_t toRead_ = 0;          // of group_, to be read
    unsigned atOnce_ = 1;        // reads at once for the group's files
    std::vector<std::wstring> entries_;
    std::set<std::wstring> found_;  // the keys walked, while forgetting
    bool keepWalked_ = false;
    bool forget_ = false;
    bool done_ = false;
    uint32_t read_ = 0;
};

}  // namespace WorkSpace
