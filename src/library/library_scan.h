// The walk over the picture list's entries (files, and folders ending with a separator):
// a picture at a time in Explorer's name order, each folder listed only when it is reached,
// through the picture source the entries live in.
#pragma once
#include <atomic>
#include <cstdint>
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
    PictureSource& source_;
    size_t entry_ = 0;
    std::vector<std::wstring> folders_;  // still to walk, the next one last
    std::vector<std::wstring> files_;    // of the folder being walked, the next one last
    std::set<Platform::FolderId> walked_;
    std::vector<Open> path_;  // the folders from the entry down to the one being walked
    uint32_t cloudOnly_ = 0;
    bool whole_ = true;
};

}  // namespace WorkSpace
