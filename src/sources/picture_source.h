// Where pictures come from: a source lists its folders, stamps an entry (so that the photo
// index knows an unchanged one) and opens an entry for reading, whole or a range at a time.
// The walk, the index filler, the facts reader and the decoders reach files only through
// one; the local folders are the first (local_folder_source.h), and tests hand in their own.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/folder_listing.h"
#include "platform/picture_read.h"

namespace WorkSpace {

// The stop flag of the job this thread runs (the picture stream's worker sets its own), null
// where none was set: once it is raised, a source's network requests end early. A worker let
// go of (a preview restarted, a device rebuilt) so stops asking while its successor goes on.
const std::atomic<bool>*& ThreadStopFlag();
// A thread that does part of the calling thread's work (a server's reads ahead): it has the
// caller's stop flag and runs at the caller's priority; an exception `work` lets out ends
// it quietly, so `work` records its own failures. Throws as std::thread does where no
// thread can be had.
std::thread HelperThread(std::function<void()> work);

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

// The entries larger than this are no picture the saver decodes: never read whole.
constexpr uint64_t kPictureFileLimit = uint64_t(1) << 30;

// When an entry was last seen as it is. A local file: its size and last-write time (in the
// system's own ticks, only ever compared with another of its kind). A server's entry may
// carry the tag the server gives each version of it (an HTTP ETag) instead; local files have
// none.
struct PictureStamp {
    int64_t size = 0, modified = 0;
    std::string tag;
    bool operator==(const PictureStamp& other) const {
        return size == other.size && modified == other.modified && tag == other.tag;
    }
};

// Whether facts read at stamp `kept` still hold for the entry now stamped `now`: the size and
// the time (and a tag, where the source gives one) all the same. A stamp that tells nothing
// (no size, no time, no tag) never vouches for anything.
bool StillUnchanged(const PictureStamp& kept, const PictureStamp& now);

// An entry open for reading. Any range, in any order: a decoder reads the whole entry from
// its start, a clip decoder the range of a motion photo's JPEG that holds its video.
class PictureReader {
public:
    virtual ~PictureReader() = default;
    // The entry's size in bytes; 0 when the source cannot tell.
    virtual uint64_t Size() const = 0;
    // Up to `size` bytes from `offset` into `buffer`: the count read (it may be fewer before
    // the end: ask again), 0 at or past the end, -1 on a read error.
    virtual int64_t ReadAt(uint64_t offset, void* buffer, size_t size) = 0;
    // The stamp of the version the bytes read are of, where the reader knows it (a server's
    // reader does: its file may be replaced between the listing and the reading); false
    // where it does not, and the source's Stamp stands.
    virtual bool ReadStamp(PictureStamp& stamp) const {
        (void)stamp;
        return false;
    }
    // True once the entry was found replaced after bytes of its earlier version were handed
    // out: the read that found it failed, and reads from offset 0 give the new version.
    virtual bool Changed() const { return false; }
    // True for a copy read while the entry's own place did not answer (a server photo from
    // the offline cache): its bytes are of the version ReadStamp tells, which may be older
    // than the one the source lists.
    virtual bool Kept() const { return false; }
};

class PictureSource {
public:
    virtual ~PictureSource() = default;
    // The items of `folder` (a path ending with a separator) with the folder's identity, as
    // Platform::ListFolder gives them: items only for a whole listing, and `hold` keeping the
    // folder's identity its own until it is given back to Release.
    virtual Platform::Listing List(const std::wstring& folder, std::vector<Platform::FolderItem>& items,
                                   Platform::FolderId& id, Platform::FolderHold& hold) = 0;
    virtual void Release(Platform::FolderHold hold) = 0;
    // One entry's attributes as its folder's listing gives them, without opening it; false
    // when it cannot be found.
    virtual bool Describe(const std::wstring& path, Platform::FolderItem& item) = 0;
    // The entry's stamp, without opening it (a cloud-only file is not fetched); false when it
    // cannot be found.
    virtual bool Stamp(const std::wstring& path, PictureStamp& stamp) = 0;
    // The entry's key in the photo index: two paths the source takes for one entry have one
    // key. The path itself unless the source compares its names otherwise.
    virtual std::wstring Key(const std::wstring& path) { return path; }
    // The entry opened for reading; null with `why` (never None) for one that is not to be
    // read: missing, denied, a path too long, cloud-only, or any other failure.
    virtual std::unique_ptr<PictureReader> Open(const std::wstring& path, Platform::ReadFailure& why) = 0;
    // How many entries' headers the photo index may read at once here: one where reads take
    // turns on a disk, more where each mostly waits on a network's round trips.
    virtual unsigned ReadsAtOnce(const std::wstring& path) {
        (void)path;
        return 1;
    }

    // The whole entry's bytes for a decoder, in one allocation of its size; false with `why`
    // when they cannot be had, TooLarge for an entry of more than `limit` bytes. An entry
    // replaced while it is read is read again from its start, once. `stamp`, where given,
    // gets the stamp of the version read where the reader knows it, else the source's.
    bool ReadWhole(const std::wstring& path, std::string& bytes, Platform::ReadFailure& why,
                   uint64_t limit = kPictureFileLimit, PictureStamp* stamp = nullptr);
};

}  // namespace WorkSpace
