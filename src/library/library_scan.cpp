// The walk over the picture list's entries: Explorer's name order, the folders listed one at
// a time through the picture source, loops and second ways to a folder found by its
// identity, raw files beside their JPEGs, cloud-only and hidden items, and folders left out.
#include "library/library_scan.h"

#include <algorithm>
#include <cwctype>
#include <chrono>
#include <thread>

#include "imaging/motion.h"
#include "library/lap_order.h"
#include "platform/picture_extensions.h"
#include "resources/logger.h"

namespace WorkSpace {

namespace {
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
wchar_t Fold(wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))); }
bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Digits of the run starting at `i`, without leading zeros: [begin, end).
void DigitRun(const std::wstring& s, size_t i, size_t& begin, size_t& end) {
    while (i < s.size() && s[i] == L'0' && i + 1 < s.size() && IsDigit(s[i + 1])) ++i;
    begin = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    end = i;
}

// A file name without its extension, case folded: "IMG_1234.CR2" and "img_1234.jpg" match.
std::wstring Stem(const std::wstring& name) {
    const size_t dot = name.find_last_of(L'.');
    std::wstring stem;
    for (size_t i = 0; i < (dot == std::wstring::npos ? name.size() : dot); ++i) stem.push_back(Fold(name[i]));
    return stem;
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

std::vector<std::wstring> LapExtensions(std::vector<std::wstring> pictures, int videos) {
    if (videos == kVideosAll)
        for (const std::wstring& clip : Platform::ClipExtensions())
            if (std::find(pictures.begin(), pictures.end(), clip) == pictures.end()) pictures.push_back(clip);
    return pictures;
}

LibraryScan::LibraryScan(std::vector<std::wstring> entries, std::vector<std::wstring> extensions,
                         PictureSource& source)
    : entries_(std::move(entries)), extensions_(std::move(extensions)), source_(source) {}

// A listing asked for ahead, on a thread of its own.
struct LibraryScan::Listed {
    std::wstring folder;
    std::thread thread;
    Platform::Listing listing;
    std::vector<Platform::FolderItem> items;
    Platform::FolderId id;
    Platform::FolderHold hold = 0;
    std::chrono::steady_clock::time_point listedAt;
};

LibraryScan::~LibraryScan() {
    for (const std::unique_ptr<Listed>& listed : ahead_) {
        listed->thread.join();
        if (listed->listing.end == Platform::ListingEnd::Whole) source_.Release(listed->hold);
    }
    for (const Open& open : path_) source_.Release(open.hold);
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
        source_.Release(path_.back().hold);
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

Platform::Listing LibraryScan::ListFolder(const std::wstring& folder, std::vector<Platform::FolderItem>& items,
                                         Platform::FolderId& id, Platform::FolderHold& hold) {
    const auto asked = std::find_if(ahead_.begin(), ahead_.end(),
                                    [&](const std::unique_ptr<Listed>& listed) { return listed->folder == folder; });
    if (asked != ahead_.end()) {
        const std::unique_ptr<Listed> listed = std::move(*asked);
        ahead_.erase(asked);
        listed->thread.join();
        // Taken late (a show that walks a picture at a time): what it says may be old news.
        if (std::chrono::steady_clock::now() - listed->listedAt <= keepAhead_) {
            items = std::move(listed->items);
            id = listed->id;
            hold = listed->hold;
            return listed->listing;
        }
        if (listed->listing.end == Platform::ListingEnd::Whole) source_.Release(listed->hold);
    }
    return source_.List(folder, items, id, hold);
}

void LibraryScan::ListAhead(const std::atomic<bool>* stop) {
    if (folders_.empty() || (stop && stop->load())) return;
    const size_t most = source_.ReadsAtOnce(folders_.back());
    if (most < 2) return;
    // The folders next in turn are the last ones of folders_.
    for (size_t next = folders_.size(); ahead_.size() < most && next > 0;) {
        const std::wstring& folder = folders_[--next];
        if (LeftOut(folder) || source_.ReadsAtOnce(folder) < 2) continue;
        if (std::any_of(ahead_.begin(), ahead_.end(),
                        [&](const std::unique_ptr<Listed>& listed) { return listed->folder == folder; }))
            continue;
        ahead_.push_back(std::unique_ptr<Listed>(new Listed));
        Listed* into = ahead_.back().get();
        into->folder = folder;
        try {
            into->thread = HelperThread([this, into] {
                try {
                    into->listing = source_.List(into->folder, into->items, into->id, into->hold);
                } catch (...) {
                    into->items.clear();  // memory short: not read whole this time
                    into->listing = Platform::Listing{Platform::ListingEnd::Broken, 0};
                }
                into->listedAt = std::chrono::steady_clock::now();
            });
        } catch (...) {
            ahead_.pop_back();  // no thread to be had: the folder is listed when it is reached
            break;
        }
    }
}

void LibraryScan::TakeFolder(const std::wstring& folder, std::vector<Platform::FolderItem>& items, bool followLinks) {
    std::vector<std::wstring> files, subfolders;
    std::set<std::wstring> partners;  // the names, without extension, of the pictures that are not raw
    std::set<std::wstring> stills;    // ...and of those that may be a live photo's still
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
            if (!IsClipName(item.name) && !HasExtension(item.name, Platform::RawPictureExtensions())) {
                partners.insert(Stem(item.name));
                if (IsMotionStillName(item.name)) stills.insert(Stem(item.name));
            }
            files.push_back(std::move(item.name));
        }
    }
    // A live photo's clip is its still's motion, not an entry of its own (FindMotion finds
    // it again by the same name).
    if (!partners.empty())
        files.erase(std::remove_if(files.begin(), files.end(),
                                   [&](const std::wstring& name) {
                                       if (IsClipName(name)) return IsLivePhotoClipName(name) && stills.count(Stem(name)) > 0;
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
            ListAhead(stop);
            const std::wstring folder = std::move(folders_.back());
            folders_.pop_back();
            // Never even listed: the user left it out, and it may be slow or large.
            if (LeftOut(folder)) continue;
            std::vector<Platform::FolderItem> items;
            Platform::FolderId id;
            Platform::FolderHold hold = 0;
            // A folder that cannot be listed (gone, offline) has no pictures this lap.
            const Platform::Listing listing = ListFolder(folder, items, id, hold);
            if (listing.end != Platform::ListingEnd::Whole) {
                // A listing cut short by the stop is no failure of the folder's.
                if (stop && stop->load()) return false;
                Failed(folder, listing);
                continue;
            }
            // Reached again through a link or another entry: a loop, or pictures already given.
            if (Seen(id)) {
                source_.Release(hold);
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
            if (source_.Describe(entry, item) && item.cloudOnly) {
                ++cloudOnly_;
                continue;
            }
            path = entry;
            return true;
        }
    }
}

}  // namespace WorkSpace
