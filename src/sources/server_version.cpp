// The version rules of a server file's ranged reads: which condition header names the version
// a reader expects, and what a server's answer to it says about that version (RFC 9110's
// If-Range, If-Unmodified-Since and the ETag comparisons).
#include "sources/server_version.h"

#include <cstdio>

#include "sources/webdav_listing.h"

namespace WorkSpace {

namespace {

std::string Opaque(const std::string& etag) { return IsWeakETag(etag) ? etag.substr(2) : etag; }

std::string Header(const std::map<std::string, std::string>& headers, const char* name) {
    const auto found = headers.find(name);
    return found == headers.end() ? std::string() : found->second;
}

std::string Trim(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return std::string();
    return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

// Digits from `at` up to `end` as a number; false where there are none, or other characters.
bool Number(const std::string& text, size_t at, size_t end, uint64_t& value) {
    if (at >= end || end - at > 18) return false;
    value = 0;
    for (size_t i = at; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + uint64_t(text[i] - '0');
    }
    return true;
}

}  // namespace

std::string NormalETag(const std::string& etag) {
    const std::string trimmed = Trim(etag);
    const bool weak = IsWeakETag(trimmed);
    const std::string opaque = Trim(weak ? trimmed.substr(2) : trimmed);
    if (opaque.empty()) return std::string();
    const bool quoted = opaque.size() >= 2 && opaque.front() == '"' && opaque.back() == '"';
    // A tag with quotes in odd places stays as it came: compared as it is, never an If-Range.
    const bool bare = opaque.find('"') == std::string::npos;
    return (weak ? "W/" : "") + (bare && !quoted ? '"' + opaque + '"' : opaque);
}

bool IsWeakETag(const std::string& etag) { return etag.size() >= 2 && etag[0] == 'W' && etag[1] == '/'; }

bool IsStrongETag(const std::string& etag) {
    if (etag.size() < 2 || etag.front() != '"' || etag.back() != '"') return false;
    for (size_t i = 1; i + 1 < etag.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(etag[i]);
        if (c <= 0x20 || c == '"' || c == 0x7F) return false;
    }
    return true;
}

VersionMatch CompareVersions(const FileVersion& a, const FileVersion& b) {
    if (a.size >= 0 && b.size >= 0 && a.size != b.size) return VersionMatch::Different;
    if (!a.etag.empty() && !b.etag.empty())
        return Opaque(a.etag) == Opaque(b.etag) ? VersionMatch::Same : VersionMatch::Different;
    int64_t aTime = 0, bTime = 0;
    if (ParseHttpDate(a.lastModified, aTime) && ParseHttpDate(b.lastModified, bTime))
        return aTime == bTime ? VersionMatch::Same : VersionMatch::Different;
    return VersionMatch::Unknown;
}

FileVersion VersionOfAnswer(const std::map<std::string, std::string>& headers) {
    FileVersion version;
    version.etag = NormalETag(Header(headers, "etag"));
    version.lastModified = Header(headers, "last-modified");
    return version;
}

bool ParseContentRange(const std::string& text, ContentRange& range) {
    const size_t dash = text.find('-'), slash = text.find('/');
    if (text.compare(0, 6, "bytes ") != 0 || dash == std::string::npos || slash == std::string::npos || dash > slash)
        return false;
    uint64_t total = 0;
    if (!Number(text, 6, dash, range.first) || !Number(text, dash + 1, slash, range.last) || range.last < range.first)
        return false;
    if (text.compare(slash + 1, std::string::npos, "*") == 0) {
        range.total = -1;
        return true;
    }
    if (!Number(text, slash + 1, text.size(), total) || range.last >= total) return false;
    range.total = static_cast<int64_t>(total);
    return true;
}

bool RangeFits(const ContentRange& range, uint64_t offset, uint64_t bodySize) {
    return range.first == offset && bodySize == range.last - range.first + 1;
}

void AddVersionCondition(const FileVersion& expected, std::map<std::string, std::string>& headers) {
    if (IsStrongETag(expected.etag))
        headers["If-Range"] = expected.etag;
    else if (!expected.lastModified.empty())
        headers["If-Unmodified-Since"] = expected.lastModified;
}

RangeAnswer ClassifyRangeAnswer(const FileVersion& expected, int status,
                                const std::map<std::string, std::string>& headers) {
    switch (status) {
        case 200: return RangeAnswer::Whole;
        case 412: return RangeAnswer::Changed;
        case 416: return RangeAnswer::PastEnd;
        case 206: {
            // A server may ignore the condition (Apache does with If-Unmodified-Since on a
            // range): the part's own validators and total still tell its version.
            FileVersion told = VersionOfAnswer(headers);
            ContentRange range;
            if (ParseContentRange(Header(headers, "content-range"), range)) told.size = range.total;
            if (CompareVersions(expected, told) == VersionMatch::Different) return RangeAnswer::Changed;
            return told.Known() ? RangeAnswer::Part : RangeAnswer::Unverified;
        }
        default: return RangeAnswer::Other;
    }
}

std::string FormatHttpDate(int64_t seconds) {
    static const char* const kDays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (seconds < 0) seconds = 0;
    const int64_t days = seconds / 86400, inDay = seconds % 86400;
    // The civil date of a day count from 1970-01-01 (proleptic Gregorian).
    const int64_t z = days + 719468, era = z / 146097, doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1, month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2);
    char text[40];
    std::snprintf(text, sizeof(text), "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[days % 7], int(day),
                  kMonths[month - 1], int(year), int(inDay / 3600), int(inDay / 60 % 60), int(inDay % 60));
    return text;
}

}  // namespace WorkSpace
