// The PROPFIND multistatus answer of one folder, read through ParseXml: each response's href,
// collection or not, ETag, length and last-modified from the propstats whose status is 2xx.
// Bounded: a few fields per member are kept, and members past the bound are only counted.
#include "sources/webdav_listing.h"

#include <cstdio>
#include <cstring>

#include "sources/http_transport.h"
#include "sources/server_version.h"

namespace WorkSpace {

const char kPropfindBody[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:resourcetype/><D:getetag/><D:getcontentlength/>"
    "<D:getlastmodified/></D:prop></D:propfind>";

namespace {

// The DAV: elements the reader cares for; everything else is Other.
enum Tag : uint8_t {
    Other, Multistatus, Response, Href, Propstat, Prop, Status, ResourceType, Collection, GetEtag,
    GetContentLength, GetLastModified
};

Tag TagOf(const std::string& uri, const std::string& local) {
    if (uri != "DAV:") return Other;
    static const struct { const char* name; Tag tag; } kTags[] = {
        {"multistatus", Multistatus}, {"response", Response}, {"href", Href}, {"propstat", Propstat},
        {"prop", Prop}, {"status", Status}, {"resourcetype", ResourceType}, {"collection", Collection},
        {"getetag", GetEtag}, {"getcontentlength", GetContentLength}, {"getlastmodified", GetLastModified}};
    for (const auto& known : kTags)
        if (local == known.name) return known.tag;
    return Other;
}

// "HTTP/1.1 200 OK" -> 200; 0 when it is not a status line.
int StatusCode(const std::string& line) {
    const size_t space = line.find(' ');
    if (space == std::string::npos || line.size() < space + 4) return 0;
    int code = 0;
    for (size_t i = space + 1; i < space + 4; ++i) {
        if (line[i] < '0' || line[i] > '9') return 0;
        code = code * 10 + (line[i] - '0');
    }
    return code;
}

class MultistatusReader {
public:
    MultistatusReader(const ServerUrl& asked, DavListing& listing, size_t maxMembers)
        : asked_(asked), listing_(listing), maxMembers_(maxMembers) {}

    void Start(const std::string& uri, const std::string& local) {
        const Tag tag = TagOf(uri, local);
        if (stack_.empty()) rootIsMultistatus_ = tag == Multistatus;
        stack_.push_back(tag);
        text_.clear();
        overflow_ = false;
        if (tag == Response) response_ = Pending();
        if (tag == Propstat) propstat_ = PropstatPending();
        if (tag == Collection && Inside(ResourceType)) propstat_.collection = true;
    }

    void End() {
        if (stack_.empty()) return;
        const Tag tag = stack_.back();
        stack_.pop_back();
        if (overflow_) text_.clear();  // a field cut short would name another file or size
        if (tag == Href && Inside(Response) && !Inside(Propstat)) response_.href = text_;
        else if (tag == Status && Inside(Propstat)) propstat_.status = StatusCode(Trimmed());
        else if (tag == Status && Inside(Response)) response_.status = StatusCode(Trimmed());
        else if (tag == GetEtag && Inside(Prop)) propstat_.etag = Trimmed();
        else if (tag == GetContentLength && Inside(Prop)) propstat_.length = Trimmed();
        else if (tag == GetLastModified && Inside(Prop)) propstat_.modified = Trimmed();
        else if (tag == Propstat) TakePropstat();
        else if (tag == Response) TakeResponse();
        text_.clear();
        overflow_ = false;
    }

    // No field of ours is longer than a few KiB, but an href holds a whole path of names.
    void Text(const std::string& text) {
        const size_t bound = !stack_.empty() && stack_.back() == Href ? 65536 : 4096;
        if (text_.size() + text.size() <= bound) text_ += text;
        else overflow_ = true;
    }

    bool RootIsMultistatus() const { return rootIsMultistatus_; }

private:
    struct PropstatPending {
        int status = 0;
        bool collection = false;
        std::string etag, length, modified;
    };
    struct Pending {
        std::string href;
        int status = 0;  // a response without propstats carries its own
        bool anyGood = false;
        DavEntry entry;
    };

    bool Inside(Tag tag) const {
        for (Tag open : stack_)
            if (open == tag) return true;
        return false;
    }
    std::string Trimmed() const {
        const size_t begin = text_.find_first_not_of(" \t\r\n");
        if (begin == std::string::npos) return std::string();
        return text_.substr(begin, text_.find_last_not_of(" \t\r\n") - begin + 1);
    }

    void TakePropstat() {
        // A propstat of 404 names the properties the server does not have.
        if (propstat_.status < 200 || propstat_.status > 299) return;
        DavEntry& entry = response_.entry;
        response_.anyGood = true;
        entry.collection = entry.collection || propstat_.collection;
        if (!NormalETag(propstat_.etag).empty()) entry.etag = NormalETag(propstat_.etag);
        if (!propstat_.length.empty()) {
            uint64_t size = 0;
            bool digits = propstat_.length.size() <= 19;
            for (char c : propstat_.length) digits = digits && c >= '0' && c <= '9';
            for (char c : digits ? propstat_.length : std::string()) size = size * 10 + uint64_t(c - '0');
            entry.size = size;
        }
        int64_t seconds = 0;
        if (!propstat_.modified.empty() && ParseHttpDate(propstat_.modified, seconds)) entry.modified = seconds;
    }

    void TakeResponse() {
        if (!response_.anyGood) {
            ++listing_.failed;
            return;
        }
        std::wstring path;
        const HrefResult decoded = DecodeHref(response_.href, asked_, path);
        if (decoded == HrefResult::NotUtf8) {
            ++listing_.notUtf8;
            return;
        }
        if (decoded == HrefResult::OtherServer) {
            ++listing_.strayHref;
            return;
        }
        if (decoded != HrefResult::Ok) {
            ++listing_.badHref;
            return;
        }
        std::wstring folder = asked_.path;
        if (folder.empty() || folder.back() != L'/') folder.push_back(L'/');
        std::wstring bare = path;
        if (bare.size() > 1 && bare.back() == L'/') bare.pop_back();
        if (bare + L"/" == folder || path == folder) {
            listing_.ownSeen = true;
            listing_.own = response_.entry;
            return;
        }
        // Only the folder's direct members: a server that answers deeper is not followed here.
        // An href that does not spell the folder as asked may be a member spelt otherwise.
        if (bare.compare(0, folder.size(), folder) != 0) {
            ++listing_.badHref;
            return;
        }
        if (bare.find(L'/', folder.size()) != std::wstring::npos) {
            ++listing_.strayHref;
            return;
        }
        // "." and ".." (decoded from "%2e" too) would walk the folder again or climb out of
        // the entry, where its credential would follow; so would the empty name of
        // "photos//", which names the folder once more. A control character (from "%0A")
        // stands in no Windows file name, the walk's addresses refuse it, and it would break
        // the log line that names the file.
        // No file system the servers use holds a name of over 255 UTF-16 units (so counted
        // where wchar_t is UTF-32 too).
        const std::wstring name = bare.substr(folder.size());
        size_t units = 0;
        for (wchar_t c : name) {
            const uint32_t code = static_cast<uint32_t>(c);  // above 0xFFFF only where wchar_t is UTF-32
            units += code > 0xFFFF ? 2 : 1;
        }
        if (name.empty() || name == L"." || name == L".." || HasControlCharacter(name) || units > 255) {
            ++listing_.badName;
            return;
        }
        if (listing_.members.size() >= maxMembers_) {
            ++listing_.pastBound;
            return;
        }
        response_.entry.name = name;
        listing_.members.push_back(std::move(response_.entry));
    }

    const ServerUrl& asked_;
    DavListing& listing_;
    size_t maxMembers_;
    std::vector<Tag> stack_;
    std::string text_;
    bool overflow_ = false;  // text_ dropped some of the element's text
    bool rootIsMultistatus_ = false;
    Pending response_;
    PropstatPending propstat_;
};

int MonthOf(const std::string& name) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int i = 0; i < 12; ++i)
        if (name == kMonths[i]) return i + 1;
    return 0;
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

}  // namespace

bool ParseHttpDate(const std::string& text, int64_t& seconds) {
    const size_t comma = text.find(',');
    const char* p = text.c_str() + (comma == std::string::npos ? 0 : comma + 1);
    int day = 0, year = 0, hour = 0, minute = 0, second = 0;
    char month[4] = {0}, zone[4] = {0}, tail = 0;
    if (std::sscanf(p, " %2d %3s %4d %2d:%2d:%2d %3s%c", &day, month, &year, &hour, &minute, &second, zone, &tail) !=
        7)
        return false;
    const int m = MonthOf(month);
    if (!m || std::strcmp(zone, "GMT") != 0 || day < 1 || day > 31 || year < 1970 || hour > 23 || minute > 59 ||
        second > 60 || hour < 0 || minute < 0 || second < 0)
        return false;
    seconds = DaysFromCivil(year, m, day) * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}

DavParse ParseMultistatus(const std::string& body, const ServerUrl& asked, DavListing& listing, size_t maxMembers) {
    listing = DavListing();
    MultistatusReader reader(asked, listing, maxMembers);
    XmlEvents events;
    events.start = [&](const std::string& uri, const std::string& local) { reader.Start(uri, local); };
    events.end = [&](const std::string&, const std::string&) { reader.End(); };
    events.text = [&](const std::string& text) { reader.Text(text); };
    const bool parsed = ParseXml(body, events);
    if (!parsed) {
        listing = DavListing();
        return DavParse::Malformed;
    }
    if (!reader.RootIsMultistatus()) {
        listing = DavListing();
        return DavParse::NotMultistatus;
    }
    return DavParse::Ok;
}

}  // namespace WorkSpace
