// A WebDAV server's folder listing is whatever the server sent: any bytes must be read or
// refused without a crash, and what is kept must stay within its bound and name only direct
// members of the folder asked, by names the walk can use: not empty, ".", "..", nor holding a
// "/" or a control character.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sources/webdav_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace WorkSpace;
    ServerUrl asked;
    if (!ParseServerUrl(L"https://nas/dav/photos/", asked)) abort();
    DavListing listing;
    const DavParse parsed =
        ParseMultistatus(std::string(reinterpret_cast<const char*>(data), size), asked, listing, 64);
    if (parsed != DavParse::Ok && (!listing.members.empty() || listing.ownSeen)) abort();
    if (listing.members.size() > 64) abort();
    for (const DavEntry& member : listing.members) {
        if (member.name.empty() || member.name == L"." || member.name == L".." ||
            member.name.find(L'/') != std::wstring::npos)
            abort();
        for (wchar_t c : member.name)
            if (c < 0x20 || c == 0x7F) abort();
    }
    std::wstring path;
    DecodeHref(std::string(reinterpret_cast<const char*>(data), size), asked, path);
    return 0;
}
