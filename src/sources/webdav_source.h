// A server folder as a picture source: WebDAV folders listed one at a time (PROPFIND
// "Depth: 1"), entries stamped by ETag or size and time, and opened for reading with Range
// requests where the server allows them, all through an HttpTransport. While the server is
// away, the offline cache (where one is given) lists, stamps and opens what it keeps.
#pragma once
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sources/http_transport.h"
#include "sources/picture_source.h"
#include "sources/server_cache.h"
#include "sources/webdav_listing.h"

namespace WorkSpace {

// The credential of the picture list's server entry `entry` (its URL as the list holds it);
// false when it has none.
using CredentialLookup = std::function<bool(const std::wstring& entry, ServerCredential& credential)>;

struct WebDavOptions {
    int maxRedirects = 5;
    uint64_t listingLimit = uint64_t(64) << 20;  // the most bytes of one folder's answer
    double listingSeconds = 60;  // one folder's answer, however slowly it comes
    double fileSeconds = 120;    // one file's reading, all its requests together
    uint64_t firstRead = 256 * 1024;  // the first range asked; each next one twice the last
    uint64_t largestRead = uint64_t(16) << 20;
    double awaySeconds = 30;  // how long a server that gave no answer is left alone
};

// What a request came to, as the source sees it.
enum class DavOutcome { Ok, Missing, Denied, WrongPassword, Untrusted, NoAnswer, BadAddress, NotDav, TooLarge, Failed };

// An answer's (or a failed request's) outcome: 2xx Ok, 401 WrongPassword, 403 Denied, 404
// and 410 Missing, 405 and 501 NotDav, anything else Failed; a failure by its kind.
DavOutcome OutcomeOf(HttpFailure failure, int status);
// What the photo index stamps a member by: its ETag where it has one, else size and time.
PictureStamp DavStamp(const DavEntry& entry);

class WebDavSource : public PictureSource {
public:
    WebDavSource(HttpTransport& transport, CredentialLookup credentials, ServerCache* cache = nullptr,
                 WebDavOptions options = WebDavOptions());

    // The picture list's server entries: a path's credential is its entry's.
    void SetEntries(const std::vector<std::wstring>& entries);
    // Raised, every request ends early (the saver is ending).
    void SetStop(const std::atomic<bool>* stop) { stop_ = stop; }

    Platform::Listing List(const std::wstring& folder, std::vector<Platform::FolderItem>& items,
                           Platform::FolderId& id, Platform::FolderHold& hold) override;
    void Release(Platform::FolderHold) override {}
    bool Describe(const std::wstring& path, Platform::FolderItem& item) override;
    bool Stamp(const std::wstring& path, PictureStamp& stamp) override;
    std::wstring Key(const std::wstring& path) override;
    std::unique_ptr<PictureReader> Open(const std::wstring& path, Platform::ReadFailure& why) override;
    // A header read waits on the server's round trip far longer than it works.
    unsigned ReadsAtOnce(const std::wstring&) override { return kServerReadsAtOnce; }
    static constexpr unsigned kServerReadsAtOnce = 4;

    // One request with the entry's credential, its redirects followed by hand within the
    // same host; `url` ends as the address that answered. For the readers and the check.
    HttpFailure Send(HttpRequest request, ServerUrl& url, HttpResponse& response);
    // The PROPFIND of `url` at `depth`, parsed; Ok with `listing` filled. `status` is the
    // server's status (0 for no answer).
    DavOutcome Propfind(ServerUrl& url, const char* depth, DavListing& listing, int* status = nullptr);
    // One line in the log, once a run for each server and kind of failure. Never a password.
    void LogOnce(const ServerUrl& url, DavOutcome outcome, int status);
    const WebDavOptions& Options() const { return options_; }
    // What the last listing said of `path`, without asking the server; false when none did.
    bool Listed(const std::wstring& path, DavEntry& entry);
    // A read found `path` at another version than its listing: the entry is stamped by the
    // version read from now on (the next listing tells again).
    void NoteVersion(const std::wstring& path, const DavEntry& read);

    uint32_t ClipsLeftOut() const { return clips_.load(); }

private:
    HttpFailure SendFollowing(HttpRequest& request, ServerUrl& url, HttpResponse& response);
    bool Facts(const std::wstring& path, DavEntry& entry);
    void Remember(const std::wstring& folder, const DavListing& listing);
    const ServerCredential* CredentialFor(const std::wstring& url, ServerCredential& held);

    HttpTransport& transport_;
    CredentialLookup credentials_;
    ServerCache* cache_;
    WebDavOptions options_;
    const std::atomic<bool>* stop_ = nullptr;
    std::atomic<uint32_t> clips_{0};
    std::mutex mutex_;
    std::vector<std::wstring> entries_;
    std::map<std::wstring, DavEntry> facts_;  // by key: what the last listings said
    std::map<std::wstring, int64_t> awayUntil_;  // by server: no request before this count
};

// What checking a server entry found, as the dialog tells it.
enum class ServerCheck { Ok, WrongPassword, NoFolder, Untrusted, NoAnswer, BadAddress, NotDav, Answered, Cancelled };
struct ServerCheckResult {
    ServerCheck check = ServerCheck::NoAnswer;
    int status = 0;       // the server's status, for Answered
    std::wstring entry;   // the folder found: the entry checked (or where it redirected), or a
                          // Nextcloud user's files
};
// Lists the folder of `entry` (in the list's form, as NormaliseServerEntry gives it; never
// decoded again) once with the credential. For a new entry (`findNextcloud`), a Nextcloud
// address without its WebDAV path is tried again as the user's files folder; an entry being
// edited stays the folder it is, which the walk lists. `cancel` ends it early.
ServerCheckResult CheckServerFolder(HttpTransport& transport, const std::wstring& entry,
                                    const ServerCredential& credential, const std::atomic<bool>* cancel,
                                    bool findNextcloud = true);

}  // namespace WorkSpace
