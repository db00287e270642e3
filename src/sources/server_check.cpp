// The server dialog's check of an address before OK: the folder listed once with the typed
// credential, a Nextcloud address without its WebDAV path tried as the user's files folder,
// and what failed told as one of the few things the dialog can say in words.
#include "sources/webdav_source.h"

namespace WorkSpace {

namespace {

ServerCheck CheckOf(DavOutcome outcome) {
    switch (outcome) {
        case DavOutcome::Ok: return ServerCheck::Ok;
        case DavOutcome::WrongPassword: return ServerCheck::WrongPassword;
        case DavOutcome::Missing: return ServerCheck::NoFolder;
        case DavOutcome::Untrusted: return ServerCheck::Untrusted;
        case DavOutcome::NoAnswer: return ServerCheck::NoAnswer;
        case DavOutcome::BadAddress: return ServerCheck::BadAddress;
        case DavOutcome::NotDav: return ServerCheck::NotDav;
        default: return ServerCheck::Answered;
    }
}

ServerCheckResult ListOnce(HttpTransport& transport, const ServerUrl& folder, const ServerCredential& credential,
                           const std::atomic<bool>* cancel) {
    WebDavSource source(transport, [&](const std::wstring&, ServerCredential& out) {
        out = credential;
        return true;
    });
    source.SetStop(cancel);
    ServerUrl url = folder;
    DavListing listing;
    ServerCheckResult result;
    DavOutcome outcome = source.Propfind(url, "1", listing, &result.status);
    // The address of a file, or a server that answered with no entry for the folder itself.
    if (outcome == DavOutcome::Ok && (!listing.ownSeen || !listing.own.collection)) outcome = DavOutcome::Missing;
    result.check = cancel && cancel->load() ? ServerCheck::Cancelled : CheckOf(outcome);
    // Where a redirect led (a folder's address without its last "/") is the entry.
    if (url.path.empty() || url.path.back() != L'/') url.path.push_back(L'/');
    result.entry = FormatServerUrl(url);
    return result;
}

}  // namespace

ServerCheckResult CheckServerFolder(HttpTransport& transport, const std::wstring& entry,
                                    const ServerCredential& credential, const std::atomic<bool>* cancel,
                                    bool findNextcloud) {
    ServerCheckResult result;
    ServerUrl url;
    if (!ParseServerUrl(entry, url)) {
        result.check = ServerCheck::BadAddress;
        return result;
    }
    result = ListOnce(transport, url, credential, cancel);
    const bool notThere = result.check == ServerCheck::NoFolder || result.check == ServerCheck::NotDav ||
                          (result.check == ServerCheck::Answered && result.status >= 200 && result.status < 400);
    ServerUrl files;
    if (findNextcloud && notThere && NextcloudFilesUrl(url, credential.user, files)) {
        const ServerCheckResult nextcloud = ListOnce(transport, files, credential, cancel);
        // The user's files folder answered (even to say the password is wrong): a Nextcloud.
        if (nextcloud.check == ServerCheck::Ok || nextcloud.check == ServerCheck::WrongPassword ||
            nextcloud.check == ServerCheck::Cancelled)
            return nextcloud;
    }
    return result;
}

}  // namespace WorkSpace
