// The forms a server folder's address takes: as the user types it, as the picture list and
// the walk hold it (scheme, host and the path's decoded names, a folder ending with "/"), as
// a request sends it (percent-encoded UTF-8), and as a WebDAV answer names its entries.
// Pure functions, so that every rule is tested off Windows.
#pragma once
#include <cstdint>
#include <string>

namespace WorkSpace {

struct ServerUrl {
    bool https = true;
    std::wstring host;   // as given: a name, an IPv4 address or "[v6]"
    uint16_t port = 0;   // 0: the scheme's own (80, 443)
    std::wstring path;   // starts with "/", names decoded; a folder's ends with "/"
};

// An entry that is a server folder's address, or a path below one: http:// or https://, in
// any case of letters. Whether the address can be used is ParseServerUrl's to say.
bool IsServerEntry(const std::wstring& entry);
// An http or https address as the walk holds it: nothing in it is decoded, and "?" or "#" in
// its path is a name's own. False for any other scheme, a user or password in the address, a
// control character, a bad port or a host that is not plain ASCII.
bool ParseServerUrl(const std::wstring& text, ServerUrl& url);
// A character below 0x20 or DEL: in no path the walk holds.
bool HasControlCharacter(const std::wstring& text);
// What the user typed as a picture list entry: trimmed, escapes such as "%20" decoded where
// they spell UTF-8 (never a "/"), the scheme's own port dropped, the path ending with "/".
// False when the address cannot be used or has a query or fragment.
bool NormaliseServerEntry(const std::wstring& typed, std::wstring& entry);
// "https://host[:port]" and the whole address in the walk's form.
std::wstring ServerOrigin(const ServerUrl& url);
std::wstring FormatServerUrl(const ServerUrl& url);

// A path's UTF-8 with every byte but the unreserved ones (letters, digits, "-._~") and "/"
// written as %XX: what goes on the wire.
std::string PercentEncodePath(const std::wstring& path);
// The address as a request sends it: origin and encoded path.
std::wstring RequestUrl(const ServerUrl& url);

enum class HrefResult { Ok, OtherServer, Malformed, NotUtf8 };
// An href of a WebDAV answer (an absolute URL or an absolute path, percent-encoded) against
// the address that was asked: the decoded path on that server.
HrefResult DecodeHref(const std::string& href, const ServerUrl& asked, std::wstring& path);

// Whether a redirect from `from` to `to` may be followed: the same host, and never from https
// down to http.
bool SameServer(const ServerUrl& from, const ServerUrl& to);

// A Nextcloud server's address without its WebDAV path ("https://cloud.example/" or
// "https://example/nextcloud/"): the user's files folder below it,
// ".../remote.php/dav/files/USER/". False where the address already is a WebDAV one or the
// user name cannot stand in a path.
bool NextcloudFilesUrl(const ServerUrl& typed, const std::wstring& user, ServerUrl& files);

// The photo index's key of an address in the walk's form: the scheme and the host without case,
// the scheme's own port dropped, the path byte for byte. Anything else is its own key.
std::wstring ServerEntryKey(const std::wstring& text);

}  // namespace WorkSpace
