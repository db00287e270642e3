// The WebDAV picture source's requests and walk: each request with its entry's credential and
// its redirects followed by hand within the host, folders listed with PROPFIND "Depth: 1",
// stamps and attributes from what the listings said, and the offline cache while the server is away.
#include "sources/webdav_source.h"

#include "platform/picture_extensions.h"
#include "platform/platform.h"
#include "resources/logger.h"

namespace WorkSpace {

namespace {

bool IsClip(const std::wstring& name) {
    const size_t dot = name.find_last_of(L'.');
    if (dot == std::wstring::npos) return false;
    std::wstring extension;
    for (size_t i = dot; i < name.size(); ++i)
        extension.push_back(name[i] >= L'A' && name[i] <= L'Z' ? static_cast<wchar_t>(name[i] + 32) : name[i]);
    for (const std::wstring& clip : Platform::ClipExtensions())
        if (extension == clip) return true;
    return false;
}

bool IsRedirect(int status) { return status == 301 || status == 302 || status == 303 || status == 307 || status == 308; }

const wchar_t* OutcomeText(DavOutcome outcome) {
    switch (outcome) {
        case DavOutcome::Missing: return L"not found";
        case DavOutcome::Denied: return L"access denied";
        case DavOutcome::WrongPassword: return L"the user name or password was refused";
        case DavOutcome::Untrusted: return L"the server's certificate is not trusted";
        case DavOutcome::NoAnswer: return L"no answer";
        case DavOutcome::BadAddress: return L"the address cannot be used";
        case DavOutcome::NotDav: return L"not a WebDAV folder";
        case DavOutcome::TooLarge: return L"answer too large";
        default: return L"failed";
    }
}

// A folder's identity on a server: its key, hashed. Two entries that lead to one folder are
// walked once.
Platform::FolderId IdOf(const std::wstring& key) {
    uint64_t a = 0xcbf29ce484222325ull, b = 0x84222325cbf29ce4ull;
    for (wchar_t c : key) {
        a = (a ^ uint64_t(c)) * 0x100000001b3ull;
        b = (b ^ uint64_t(c)) * 0x100000001b3ull;
    }
    Platform::FolderId id;
    id.volume = 0x5EB7E7;  // no disk's volume serial: a server's
    id.high = a;
    id.low = b;
    id.known = true;
    return id;
}

// A redirect's Location (an absolute URL or an absolute path) from `from`: false for another
// server, a step down from https, or an address that cannot be read.
bool ResolveLocation(const std::string& location, const ServerUrl& from, ServerUrl& next) {
    if (location.empty()) return false;
    next = from;
    size_t pathAt = 0;
    if (location[0] != '/') {
        const size_t scheme = location.find("://");
        if (scheme == std::string::npos) return false;
        pathAt = location.find('/', scheme + 3);
        const std::string origin = location.substr(0, pathAt);
        if (!ParseServerUrl(std::wstring(origin.begin(), origin.end()) + L"/", next) || !SameServer(from, next))
            return false;
        if (pathAt == std::string::npos) {
            next.path = L"/";
            return true;
        }
    }
    return DecodeHref(location.substr(pathAt), next, next.path) == HrefResult::Ok;
}

}  // namespace

DavOutcome OutcomeOf(HttpFailure failure, int status) {
    switch (failure) {
        case HttpFailure::None: break;
        case HttpFailure::BadAddress: return DavOutcome::BadAddress;
        case HttpFailure::NoAnswer:
        case HttpFailure::TimeOut: return DavOutcome::NoAnswer;
        case HttpFailure::Certificate: return DavOutcome::Untrusted;
        case HttpFailure::TooLarge: return DavOutcome::TooLarge;
        default: return DavOutcome::Failed;
    }
    if (status >= 200 && status <= 299) return DavOutcome::Ok;
    if (status == 401) return DavOutcome::WrongPassword;
    if (status == 403) return DavOutcome::Denied;
    if (status == 404 || status == 410) return DavOutcome::Missing;
    if (status == 405 || status == 501) return DavOutcome::NotDav;
    return DavOutcome::Failed;
}

PictureStamp DavStamp(const DavEntry& entry) {
    PictureStamp stamp;
    stamp.size = static_cast<int64_t>(entry.size);
    stamp.tag = entry.etag;
    // A server's ETag changes with each version; size and time stand in where it gives none.
    if (entry.etag.empty()) stamp.modified = entry.modified;
    return stamp;
}

WebDavSource::WebDavSource(HttpTransport& transport, CredentialLookup credentials, ServerCache* cache,
                           WebDavOptions options)
    : transport_(transport), credentials_(std::move(credentials)), cache_(cache), options_(options) {}

void WebDavSource::SetEntries(const std::vector<std::wstring>& entries) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
    for (const std::wstring& entry : entries) entries_.push_back(entry);
}

const ServerCredential* WebDavSource::CredentialFor(const std::wstring& url, ServerCredential& held) {
    std::wstring entry;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::wstring key = ServerEntryKey(url);
        for (const std::wstring& candidate : entries_) {
            const std::wstring candidateKey = ServerEntryKey(candidate);
            if (key.compare(0, candidateKey.size(), candidateKey) == 0 && candidate.size() > entry.size())
                entry = candidate;
        }
    }
    if (entry.empty()) entry = url;
    return credentials_ && credentials_(entry, held) ? &held : nullptr;
}

void WebDavSource::LogOnce(const ServerUrl& url, DavOutcome outcome, int status) {
    const std::wstring origin = ServerOrigin(url);
    const std::wstring key = L"WebDavSource\n" + origin + L"\n" + OutcomeText(outcome);
    if (status == 0)  // no answer came: no status to tell
        GetLogger().WriteOncePerRun(key, L"WebDavSource - %ls - %ls", FormatServerUrl(url).c_str(), OutcomeText(outcome));
    else
        GetLogger().WriteOncePerRun(key, L"WebDavSource - %ls - %ls (status %d)", FormatServerUrl(url).c_str(),
                                    OutcomeText(outcome), status);
}

HttpFailure WebDavSource::Send(HttpRequest request, ServerUrl& url, HttpResponse& response) {
    // A server that just gave no answer is not asked again for a while: each request would
    // wait out its time-out, and the show goes on from the cache meanwhile.
    const std::wstring origin = ServerEntryKey(ServerOrigin(url) + L"/");
    const int64_t now = Platform::PerfCounter();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto away = awayUntil_.find(origin);
        if (away != awayUntil_.end() && now < away->second) return HttpFailure::NoAnswer;
    }
    const HttpFailure failure = SendFollowing(request, url, response);
    if (failure == HttpFailure::NoAnswer || failure == HttpFailure::TimeOut) {
        std::lock_guard<std::mutex> lock(mutex_);
        awayUntil_[origin] = now + static_cast<int64_t>(options_.awaySeconds * double(Platform::PerfFrequency()));
    }
    return failure;
}

HttpFailure WebDavSource::SendFollowing(HttpRequest& request, ServerUrl& url, HttpResponse& response) {
    ServerCredential held;
    const ServerCredential* credential = CredentialFor(FormatServerUrl(url), held);
    // The worker's own flag where it set one: one source serves the old worker and its successor.
    const std::atomic<bool>* stop = ThreadStopFlag() ? ThreadStopFlag() : stop_;
    for (int hop = 0;; ++hop) {
        request.url = RequestUrl(url);
        response = HttpResponse();
        const HttpFailure failure = transport_.Send(request, credential, response, stop);
        if (failure != HttpFailure::None || !IsRedirect(response.status)) return failure;
        ServerUrl next;
        const bool usable = ResolveLocation(response.headers["location"], url, next);
        if (!usable || hop >= options_.maxRedirects) {
            GetLogger().WriteOncePerRun(L"WebDavSource\n" + ServerOrigin(url) + (usable ? L"\nloop" : L"\nelsewhere"),
                                        usable ? L"WebDavSource - %ls - more than %d redirects, given up"
                                               : L"WebDavSource - %ls - redirect to another server refused",
                                        FormatServerUrl(url).c_str(), options_.maxRedirects);
            return HttpFailure::Other;
        }
        url = next;
    }
}

DavOutcome WebDavSource::Propfind(ServerUrl& url, const char* depth, DavListing& listing, int* status) {
    HttpRequest request;
    request.method = "PROPFIND";
    request.headers["Depth"] = depth;
    request.headers["Content-Type"] = "application/xml; charset=utf-8";
    request.body = kPropfindBody;
    request.maxBody = options_.listingLimit;
    request.deadlineSeconds = options_.listingSeconds;
    HttpResponse response;
    const HttpFailure failure = Send(request, url, response);
    if (status) *status = failure == HttpFailure::None ? response.status : 0;
    DavOutcome outcome = OutcomeOf(failure, response.status);
    if (outcome == DavOutcome::Ok) {
        const DavParse parsed = ParseMultistatus(response.body, url, listing);
        if (parsed == DavParse::NotMultistatus || (parsed == DavParse::Ok && !listing.ownSeen && *depth == '0'))
            outcome = DavOutcome::NotDav;
        if (parsed == DavParse::Malformed) {
            GetLogger().WriteOncePerRun(L"WebDavSource\nxml\n" + FormatServerUrl(url),
                                        L"WebDavSource - %ls - the answer is not well-formed XML",
                                        FormatServerUrl(url).c_str());
            return DavOutcome::Failed;
        }
    }
    // A redirect that was not followed has had its line.
    const bool told = failure == HttpFailure::Cancelled || (failure == HttpFailure::Other && IsRedirect(response.status));
    if (outcome != DavOutcome::Ok && !told) LogOnce(url, outcome, response.status);
    return outcome;
}

void WebDavSource::Remember(const std::wstring& folder, const DavListing& listing) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (facts_.size() > 1000000) facts_.clear();  // a bound: what is forgotten is asked again
    for (const DavEntry& member : listing.members) facts_[ServerEntryKey(folder + member.name)] = member;
}

bool WebDavSource::Listed(const std::wstring& path, DavEntry& entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = facts_.find(ServerEntryKey(path));
    if (found == facts_.end()) return false;
    entry = found->second;
    return true;
}

void WebDavSource::NoteVersion(const std::wstring& path, const DavEntry& read) {
    std::lock_guard<std::mutex> lock(mutex_);
    DavEntry& entry = facts_[ServerEntryKey(path)];
    if (entry.name.empty()) entry.name = path.substr(path.find_last_of(L'/') + 1);
    entry.etag = read.etag;
    entry.size = read.size;
    entry.modified = read.modified;
}

bool WebDavSource::Facts(const std::wstring& path, DavEntry& entry) {
    if (Listed(path, entry)) return true;
    ServerUrl url;
    DavListing listing;
    if (!ParseServerUrl(path, url) || Propfind(url, "0", listing) != DavOutcome::Ok) return false;
    entry = listing.own;
    const std::wstring bare = path.back() == L'/' ? path.substr(0, path.size() - 1) : path;
    entry.name = bare.substr(bare.find_last_of(L'/') + 1);
    return true;
}

Platform::Listing WebDavSource::List(const std::wstring& folder, std::vector<Platform::FolderItem>& items,
                                     Platform::FolderId& id, Platform::FolderHold& hold) {
    items.clear();
    hold = 0;
    id = IdOf(ServerEntryKey(folder));
    Platform::Listing result;
    ServerUrl url;
    if (!ParseServerUrl(folder, url)) {
        result.end = Platform::ListingEnd::Refused;
        return result;
    }
    DavListing listing;
    int status = 0;
    const DavOutcome outcome = Propfind(url, "1", listing, &status);
    if (outcome == DavOutcome::Ok) {
        Remember(folder, listing);
        uint32_t clips = 0;
        for (const DavEntry& member : listing.members) {
            if (!member.collection && IsClip(member.name)) {
                ++clips;
                continue;
            }
            Platform::FolderItem item;
            item.name = member.name;
            item.folder = member.collection;
            item.hidden = !member.name.empty() && member.name[0] == L'.';
            items.push_back(std::move(item));
        }
        if (clips && clips_.fetch_add(clips) == 0)
            GetLogger().Write(L"WebDavSource - clips on servers are left out (%u in %ls)", clips, folder.c_str());
        if (listing.notUtf8)
            GetLogger().WriteOncePerRun(L"WebDavSource\nutf8\n" + folder,
                                        L"WebDavSource - %ls - %u names that are not UTF-8 left out", folder.c_str(),
                                        listing.notUtf8);
        // A server that spells the folder otherwise than it was asked (letter case, another
        // Unicode form) has all its members left out here: the empty folder says why.
        if (listing.badHref || listing.strayHref)
            GetLogger().WriteOncePerRun(
                L"WebDavSource\nhref\n" + folder,
                L"WebDavSource - %ls - %u entries whose address names nothing in this folder left out", folder.c_str(),
                listing.badHref + listing.strayHref);
        // Such as the "Icon\r" a Mac leaves in a folder with its own icon.
        if (listing.badName)
            GetLogger().WriteOncePerRun(L"WebDavSource\nname\n" + folder,
                                        L"WebDavSource - %ls - %u names that cannot be used here left out",
                                        folder.c_str(), listing.badName);
        if (listing.pastBound)
            GetLogger().WriteOncePerRun(L"WebDavSource\nbound\n" + folder,
                                        L"WebDavSource - %ls - %u entries past the first %u left out", folder.c_str(),
                                        listing.pastBound, unsigned(listing.members.size()));
        // Copies of what was deleted or moved on the server go, once a listing is known whole:
        // the folder's own entry answered as asked (not from a server that spells the folder
        // otherwise), no href that may be a member spelt otherwise or unread, no name that is
        // not UTF-8, none past the bound. A name that cannot be used here was never kept, and
        // an href elsewhere or deeper names no member.
        if (cache_ && listing.ownSeen && !listing.badHref && !listing.pastBound && !listing.notUtf8)
            cache_->KeepOnly(folder, items);
        return result;
    }
    // The server away: the folder as far as the offline cache knows it, so the lap goes on.
    if (cache_ && (outcome == DavOutcome::NoAnswer || outcome == DavOutcome::Failed)) {
        items = cache_->Members(folder);
        if (!items.empty()) return result;
    }
    result.error = static_cast<uint32_t>(status);
    result.end = outcome == DavOutcome::Missing ? Platform::ListingEnd::Missing
                 : (outcome == DavOutcome::NoAnswer || outcome == DavOutcome::Failed) ? Platform::ListingEnd::Broken
                                                                                       : Platform::ListingEnd::Refused;
    return result;
}

bool WebDavSource::Describe(const std::wstring& path, Platform::FolderItem& item) {
    DavEntry entry;
    PictureStamp stamp;
    if (!Facts(path, entry)) {
        if (!cache_ || !cache_->Find(path, stamp)) return false;
        entry.name = path.substr(path.find_last_of(L'/') + 1);
    }
    item = Platform::FolderItem();
    item.name = entry.name;
    item.folder = entry.collection;
    return true;
}

bool WebDavSource::Stamp(const std::wstring& path, PictureStamp& stamp) {
    DavEntry entry;
    if (Facts(path, entry)) {
        stamp = DavStamp(entry);
        return true;
    }
    return cache_ && cache_->Find(path, stamp);
}

std::wstring WebDavSource::Key(const std::wstring& path) { return ServerEntryKey(path); }

}  // namespace WorkSpace
