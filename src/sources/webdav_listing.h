// A WebDAV folder's listing: the PROPFIND "Depth: 1" multistatus answer read through the
// platform's XML reader (elements by namespace URI, never by text search) into the folder's
// own entry and its members, each with what the photo index stamps it by.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sources/server_url.h"

namespace WorkSpace {

// The body a PROPFIND sends: only the properties read below.
extern const char kPropfindBody[];

struct DavEntry {
    std::wstring name;   // the member's decoded name (empty for the folder's own entry)
    bool collection = false;
    std::string etag;    // quoted as NormalETag gives it, "W/" first for a weak one
    uint64_t size = 0;
    int64_t modified = 0;  // seconds since 1970 (UTC); 0 unknown
};

struct DavListing {
    bool ownSeen = false;
    DavEntry own;                 // the folder itself
    std::vector<DavEntry> members;
    // Responses passed over: a name that is not UTF-8, an href that is malformed, overlong or
    // does not spell the folder as asked (perhaps a member spelt otherwise), an href on another
    // server or deeper in the folder (no member), a name the walk cannot use (empty, ".", "..",
    // a control character, over 255 UTF-16 units), a member that answered an error status,
    // members past the bound.
    uint32_t notUtf8 = 0, badHref = 0, strayHref = 0, badName = 0, failed = 0, pastBound = 0;
};

enum class DavParse { Ok, Malformed, NotMultistatus };

// The answer to a PROPFIND of `asked` (a folder's address). Only the folder's own entry and
// its direct members are kept, at most `maxMembers` of them.
DavParse ParseMultistatus(const std::string& body, const ServerUrl& asked, DavListing& listing,
                          size_t maxMembers = 200000);

// An HTTP date (RFC 1123 "Sun, 06 Nov 1994 08:49:37 GMT", the weekday optional) as seconds
// since 1970; false for anything else.
bool ParseHttpDate(const std::string& text, int64_t& seconds);

}  // namespace WorkSpace
