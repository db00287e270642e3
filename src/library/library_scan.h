// The walk over the picture list's entries (files, and folders ending with a separator):
// a picture at a time in Explorer's name order, each folder listed when it is reached (a
// server's few at a time just ahead), through the picture source the entries live in.
#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sources/picture_sources.h"
#include "sources/picture_source.h"

namespace WorkSpace {

// Explorer's name order (StrCmpLogicalW): letters without regard to case, runs of digits by
// their value. Negative, zero or positive.
int CompareNamesLogically(const std::wstring& a, const std::wstring& b);

// A folder entry ends with a separator (a backslash; a slash too, for the tool off Windows).
bool IsFolderEntry(const std::wstring& entry);
// True when the name ends with one of `extensions` (lower case, with the dot), in any case.
bool HasExtension(const std::wstring& name, const std::vector<std::wstring>& extensions);

// The extensions a walk takes under the "Videos" option (imaging/motion.h): the pictures'
// alone, and with 1 the clips' too. With 2 only stills are entries: their motion comes along.
std::vector<std::wstring> LapExtensions(std::vector<std::wstring> pictures, int videos);

// One walk over the entries in list order, a picture at a time: a file entry as it is; a
// folder's own pictures (by name) before each subfolder's, depth first, hidden items left out.
// Nothing is listed long before it is needed, so the first picture comes before the walk is
// done. A folder is walked once, however many links and entries lead to it. Cloud-only
// items are never opened, and a camera's raw file is left out where its JPEG (any picture of
// the same name that is not raw) lies beside it, and so is a MOV or MP4 beside a still of
// its name (a live photo: the still is the entry, the clip its motion). A folder that cannot
// be read is left out, named in the log once a run; one that failed only this time (a share
// that dropped half-way) makes the walk not whole. Where the source reads several at a time
// (a server, whose listings mostly wait on round trips), the next folders' listings are
// asked for while the one before is walked, that many at once; they are taken in the same
// order, and asked for again where the walk comes to them late.
class LibraryScan {
public:

    LibraryScan(std::vector<std::wstring> entries, std::vector<std::wstring> extensions,
                PictureSource& source = PictureSources());
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
    // A listing asked for ahead and taken later than this is asked for again (30 s; tests
    // shorten it).
    void KeepListedAhead(std::chrono::milliseconds keep) { keepAhead_ = keep; }
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
    // A folder's listing: the one asked for ahead where there is one, else asked for now.
    struct Listed;
    Platform::Listing ListFolder(const std::wstring& folder, std::vector<Platform::FolderItem>& items,
                                 Platform::FolderId& id, Platform::FolderHold& hold);
    // Asks for the listings of the folders next in turn, as many at once as the source reads.
    void ListAhead(const std::atomic<bool>* stop);
    // Reached before: a loop or pictures already given.
    bool Seen(const Platform::FolderId& id);
    void CloseDone();
    void Failed(const std::wstring& folder, Platform::Listing listing);

    bool LeftOut(const std::wstring& folder) const;

    std::vector<std::wstring> entries_, extensions_;
    std::vector<std::wstring> leftOut_;  // as FolderKey gives them
    PictureSource& source_;
    size_t entry_ = 0;
    std::vector<std::wstring> folders_;  // still to walk, the next one last
    std::vector<std::wstring> files_;    // of the folder being walked, the next one last
    std::set<Platform::FolderId> walked_;
    std::vector<Open> path_;  // the folders from the entry down to the one being walked
    std::deque<std::unique_ptr<Listed>> ahead_;  // asked for ahead, in the walk's order
    std::chrono::milliseconds keepAhead_{30000};
    uint32_t cloudOnly_ = 0;
    bool whole_ = true;
};

}  // namespace WorkSpace
