// A server file opened for reading: ranges fetched with GET and a Range header, each next one
// twice the last while the reads go on in order, or the whole body at once where the server
// ignores ranges (within 1 GiB); all the file's requests within one deadline, so that a server
// that trickles bytes is given up. While the server is away, the cache's copy is read instead.
#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "resources/logger.h"
#include "sources/server_version.h"
#include "sources/webdav_source.h"

namespace WorkSpace {

namespace {

class BytesReader : public PictureReader {
public:
    BytesReader(std::string bytes, const PictureStamp& stamp) : bytes_(std::move(bytes)), stamp_(stamp) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool ReadStamp(PictureStamp& stamp) const override {
        stamp = stamp_;
        return true;
    }
    bool Kept() const override { return true; }
    int64_t ReadAt(uint64_t offset, void* buffer, size_t size) override {
        if (offset >= bytes_.size()) return 0;
        const size_t count = std::min<uint64_t>(size, bytes_.size() - offset);
        std::memcpy(buffer, bytes_.data() + offset, count);
        return static_cast<int64_t>(count);
    }

private:
    std::string bytes_;
    PictureStamp stamp_;  // the copy's, kept with it
};

// Every read names the version it expects (the listing's, then the one the first answer
// carried): a file replaced meanwhile comes whole in its new version (where no larger than
// the part asked), or is asked for again, and a part of one version is never joined to a
// part of another.
class DavReader : public PictureReader {
public:
    DavReader(WebDavSource& source, const std::wstring& path, const ServerUrl& url)
        : source_(source), path_(path), url_(url), options_(source.Options()), next_(options_.firstRead),
          deadline_(Platform::PerfCounter() + static_cast<int64_t>(options_.fileSeconds * double(Platform::PerfFrequency()))) {
        listed_ = source.Listed(path, listing_);
        if (listed_) version_ = ListedFileVersion();
    }

    uint64_t Size() const override { return size_; }
    bool Changed() const override { return changes_ > 0; }

    bool ReadStamp(PictureStamp& stamp) const override {
        if (!sizeKnown_ || !version_.Known()) return false;
        if (listed_ && ListedVersion() == VersionMatch::Same && listing_.size == size_) {
            stamp = DavStamp(listing_);  // the very stamp the index and the cache know it by
            return true;
        }
        stamp = DavStamp(Entry());
        return true;
    }

    int64_t ReadAt(uint64_t offset, void* buffer, size_t size) override {
        // Once a change is found, a read elsewhere would be of the new version beside what was
        // handed out of the old: only a read from the start again ends that.
        if (stale_ && offset != 0) return -1;
        stale_ = false;
        if (!Holds(offset)) {
            if ((sizeKnown_ && offset >= size_) || whole_) return 0;
            // Reads in order ask more each time (a whole file in a few requests); a jump
            // (a header read elsewhere) starts small again.
            next_ = offset == start_ + bytes_.size() ? std::min(next_ * 2, options_.largestRead)
                                                      : std::max<uint64_t>(size, options_.firstRead);
            const unsigned changes = changes_;
            if (Fetch(offset, next_) != DavOutcome::Ok) return -1;
            if (changes_ != changes) return -1;  // what was handed out is of the old version
            if (!Holds(offset)) return 0;
        }
        handedOut_ = true;
        const size_t count = std::min<uint64_t>(size, start_ + bytes_.size() - offset);
        std::memcpy(buffer, bytes_.data() + (offset - start_), count);
        return static_cast<int64_t>(count);
    }

    DavOutcome Fetch(uint64_t offset, uint64_t length) {
        HttpResponse response;
        HttpFailure failure = HttpFailure::None;
        const bool capped = IsStrongETag(version_.etag);
        DavOutcome sent = Send(true, offset, length, response, failure);
        if (sent == DavOutcome::TooLarge && capped) {
            // Another version came whole in answer to a part (up to 1 GiB for a header read):
            // not taken. Nothing handed out yet: the part asked again of whatever is there now.
            if (!ForgetVersion()) return DavOutcome::Ok;
            sent = Send(true, offset, length, response, failure);
        }
        if (sent != DavOutcome::Ok) return sent;
        RangeAnswer answer = ClassifyRangeAnswer(version_, response.status, response.headers);
        if (answer == RangeAnswer::PastEnd) {
            sizeKnown_ = true;
            size_ = std::min(size_, offset);
            bytes_.clear();
            return DavOutcome::Ok;
        }
        ContentRange range;
        if (response.status == 206 && !(ParseContentRange(response.headers["content-range"], range) &&
                                        RangeFits(range, offset, response.body.size())))
            return NotAsked();
        // A part that tells no version cannot be shown to be of the same file as the next
        // part: the whole file instead, unless this part is all of it.
        if (answer == RangeAnswer::Unverified && !(offset == 0 && range.total == int64_t(response.body.size())))
            answer = RangeAnswer::Changed;
        if (answer == RangeAnswer::Changed) {  // asked for whole, with no condition
            const DavOutcome again = Send(false, 0, 0, response, failure);
            if (again != DavOutcome::Ok) return again;
        }
        const DavOutcome outcome = OutcomeOf(failure, response.status);
        if (outcome != DavOutcome::Ok) {
            source_.LogOnce(url_, outcome, response.status);
            return outcome;
        }
        if (response.status == 206 && answer == RangeAnswer::Changed) return NotAsked();
        if (response.status == 206) {
            TakePart(offset, range, response);
        } else {
            TakeWhole(response);
        }
        return DavOutcome::Ok;
    }

private:
    bool Holds(uint64_t offset) const { return offset >= start_ && offset < start_ + bytes_.size(); }
    // The listing's facts as a version: its ETag, else its time; its size where it told one.
    FileVersion ListedFileVersion() const {
        FileVersion listed;
        listed.etag = listing_.etag;
        if (listing_.modified) listed.lastModified = FormatHttpDate(listing_.modified);
        if (listing_.size > 0) listed.size = static_cast<int64_t>(listing_.size);
        return listed;
    }
    VersionMatch ListedVersion() const { return CompareVersions(ListedFileVersion(), version_); }
    DavEntry Entry() const {
        DavEntry entry;
        entry.etag = version_.etag;
        entry.size = size_;
        if (!ParseHttpDate(version_.lastModified, entry.modified)) entry.modified = 0;
        return entry;
    }

    // One GET, ranged and naming the expected version, or whole; Ok where an answer came
    // (its status is for the caller), else the failure's outcome, logged.
    DavOutcome Send(bool ranged, uint64_t offset, uint64_t length, HttpResponse& response, HttpFailure& failure) {
        const double left = double(deadline_ - Platform::PerfCounter()) / double(Platform::PerfFrequency());
        if (left <= 0) return Late();
        HttpRequest request;
        request.ranged = ranged;
        request.rangeFrom = offset;
        request.rangeLength = length;
        if (ranged) AddVersionCondition(version_, request.headers);
        // A server that ignores the range sends the whole file: up to the decoders' limit. To
        // an If-Range, a whole answer larger than the part is mostly another version: capped.
        const bool capped = request.headers.count("If-Range") != 0;
        request.maxBody = capped ? length : kPictureFileLimit;
        request.deadlineSeconds = left;
        ServerUrl url = url_;
        failure = source_.Send(request, url, response);
        if (failure == HttpFailure::TimeOut) return Late();
        if (failure == HttpFailure::None) return DavOutcome::Ok;
        const DavOutcome outcome = OutcomeOf(failure, response.status);
        if (failure != HttpFailure::Cancelled && !(capped && failure == HttpFailure::TooLarge))
            source_.LogOnce(url_, outcome, response.status);
        return outcome;
    }

    // The version the reads were pinned to is gone: the next read asks for whatever is there
    // now. False where bytes of it were handed out: that read fails, and reads until one
    // from the start again.
    bool ForgetVersion() {
        version_ = FileVersion();
        bytes_.clear();
        start_ = size_ = 0;
        sizeKnown_ = false;
        if (!handedOut_) return true;
        NoteChange();
        return false;
    }

    void NoteChange() {
        ++changes_;
        stale_ = true;
        GetLogger().WriteOncePerRun(L"WebDavSource\nchanged\n" + ServerOrigin(url_),
                                    L"WebDavSource - %ls - a file changed on the server while it was read: read again whole",
                                    FormatServerUrl(url_).c_str());
    }

    void TakePart(uint64_t offset, const ContentRange& range, HttpResponse& response) {
        if (range.total >= 0) {
            size_ = static_cast<uint64_t>(range.total);
            sizeKnown_ = true;
            version_.size = range.total;
        }
        // The part's own validators pin the version the next parts must be of (a weak ETag
        // of the listing may have become strong since).
        const FileVersion told = VersionOfAnswer(response.headers);
        if (!told.etag.empty()) version_.etag = told.etag;
        if (!told.lastModified.empty()) version_.lastModified = told.lastModified;
        start_ = offset;
        bytes_ = std::move(response.body);
        NoteIfNew();
    }

    // The whole file came, from its first byte: a server that ignores ranges, or a file
    // replaced since its version was pinned.
    void TakeWhole(HttpResponse& response) {
        FileVersion told = VersionOfAnswer(response.headers);
        told.size = static_cast<int64_t>(response.body.size());
        if (handedOut_ && CompareVersions(version_, told) != VersionMatch::Same) NoteChange();
        version_ = told;
        whole_ = sizeKnown_ = true;
        size_ = response.body.size();
        start_ = 0;
        bytes_ = std::move(response.body);
        NoteIfNew();
    }

    // The listing's stamp goes where the bytes are of another version.
    void NoteIfNew() {
        const std::string key = version_.etag + '\n' + version_.lastModified + '\n' + std::to_string(version_.size);
        if (!listed_ || ListedVersion() != VersionMatch::Different || noted_ == key) return;
        noted_ = key;
        source_.NoteVersion(path_, Entry());
    }

    // A 206 whose Content-Range is not the part asked for (or none): nothing of it is used.
    DavOutcome NotAsked() {
        GetLogger().WriteOncePerRun(L"WebDavSource\nrange\n" + ServerOrigin(url_),
                                    L"WebDavSource - %ls - a server sent another part of a file than the one asked for, not used",
                                    FormatServerUrl(url_).c_str());
        return DavOutcome::Failed;
    }

    DavOutcome Late() {
        GetLogger().WriteOncePerRun(L"WebDavSource\nlate\n" + ServerOrigin(url_),
                                    L"WebDavSource - %ls - a file did not come in time (at most %.0f s), given up",
                                    FormatServerUrl(url_).c_str(), options_.fileSeconds);
        return DavOutcome::NoAnswer;
    }

    WebDavSource& source_;
    std::wstring path_;
    ServerUrl url_;
    const WebDavOptions& options_;
    uint64_t next_;
    int64_t deadline_;
    uint64_t size_ = 0, start_ = 0;
    bool sizeKnown_ = false, whole_ = false, handedOut_ = false;
    bool stale_ = false;  // a change was found: reads fail until one starts from 0 again
    unsigned changes_ = 0;  // the times the file was found replaced after bytes were handed out
    std::string bytes_;  // the last range fetched, from `start_`
    DavEntry listing_;   // what the listing said, where `listed_`
    bool listed_ = false;
    FileVersion version_;  // the version the bytes are of, and the next parts must be of
    std::string noted_;    // the version last handed to the source as the entry's new stamp
};

Platform::ReadFailure ReadFailureOf(DavOutcome outcome) {
    switch (outcome) {
        case DavOutcome::Missing: return Platform::ReadFailure::Missing;
        case DavOutcome::Denied:
        case DavOutcome::WrongPassword:
        case DavOutcome::Untrusted: return Platform::ReadFailure::Denied;
        case DavOutcome::TooLarge: return Platform::ReadFailure::TooLarge;
        default: return Platform::ReadFailure::Other;
    }
}

}  // namespace

std::unique_ptr<PictureReader> WebDavSource::Open(const std::wstring& path, Platform::ReadFailure& why) {
    why = Platform::ReadFailure::None;
    ServerUrl url;
    if (!ParseServerUrl(path, url)) {
        why = Platform::ReadFailure::Other;
        return nullptr;
    }
    std::unique_ptr<DavReader> reader(new DavReader(*this, path, url));
    const DavOutcome outcome = reader->Fetch(0, options_.firstRead);
    if (outcome == DavOutcome::Ok) return reader;
    // The server away: the copy the show kept, so the show goes on.
    std::string bytes;
    PictureStamp stamp;
    if (cache_ && (outcome == DavOutcome::NoAnswer || outcome == DavOutcome::Failed) && cache_->Get(path, bytes, stamp))
        return std::unique_ptr<PictureReader>(new BytesReader(std::move(bytes), stamp));
    // Gone from the server: its copy must not come back while the server is away.
    if (cache_ && outcome == DavOutcome::Missing) cache_->Forget(path);
    why = ReadFailureOf(outcome);
    return nullptr;
}

}  // namespace WorkSpace
