// Which version of a server file a read is of: the condition a ranged GET names its expected
// version by (If-Range with a strong ETag, If-Unmodified-Since where the ETag is weak or
// missing), what an answer to it means, and its Content-Range, so that parts of two versions
// are never joined.
#pragma once
#include <cstdint>
#include <map>
#include <string>

namespace WorkSpace {

// A file's version as a server tells it. Any part may be missing: not told.
struct FileVersion {
    std::string etag;          // as NormalETag gives it: quoted, "W/" first for a weak one
    std::string lastModified;  // an HTTP date, as sent
    int64_t size = -1;         // bytes; -1 where not told
    bool Known() const { return !etag.empty() || !lastModified.empty(); }
};

// An ETag as one form for sending and comparing: spaces around it trimmed, a bare tag quoted
// (some servers list `getetag` without the quotes their answers carry), "W/" kept; empty
// where nothing is left.
std::string NormalETag(const std::string& etag);
bool IsWeakETag(const std::string& etag);
// A well-formed strong entity-tag: the only kind If-Range may carry.
bool IsStrongETag(const std::string& etag);
// Whether two versions are one: by their ETags' opaque tags where both have one (a weak one
// matches its strong twin: Apache marks a file written within the last second weak), else by
// their Last-Modified dates where both have one; two known sizes that differ are Different
// whatever else. Unknown where nothing compares.
enum class VersionMatch { Same, Different, Unknown };
VersionMatch CompareVersions(const FileVersion& a, const FileVersion& b);

// The version an answer's headers (names in lower case) carry; its size is left untold.
FileVersion VersionOfAnswer(const std::map<std::string, std::string>& headers);

// A 206's "bytes FIRST-LAST/TOTAL" (TOTAL may be "*": -1); false where malformed.
struct ContentRange {
    uint64_t first = 0, last = 0;
    int64_t total = -1;
};
bool ParseContentRange(const std::string& text, ContentRange& range);
// Whether a 206's Content-Range fits the request from `offset` and the body that came: it
// starts at the offset asked, spans the body exactly and ends within its total.
bool RangeFits(const ContentRange& range, uint64_t offset, uint64_t bodySize);

// Adds to a ranged request the header that names `expected`: If-Range with a strong ETag
// (a changed file then comes whole); If-Unmodified-Since with the date where the ETag is weak,
// malformed or missing, since a weak one never matches in If-Range (a changed file then answers 412);
// nothing where neither is known.
void AddVersionCondition(const FileVersion& expected, std::map<std::string, std::string>& headers);

// What the answer to a ranged request that named `expected` means.
enum class RangeAnswer {
    Part,     // 206 of the expected version (or of one nothing compares with)
    Unverified,  // 206 carrying no validator at all: never to be joined to other parts
    Whole,    // 200: the whole file, of the version the answer carries (a changed file, or a
              // server that ignores ranges)
    Changed,  // 412, or a 206 of another version (or of another size by its Content-Range
              // total): read the file whole again
    PastEnd,  // 416
    Other,    // any other status: not about the version
};
RangeAnswer ClassifyRangeAnswer(const FileVersion& expected, int status,
                                const std::map<std::string, std::string>& headers);

// Seconds since 1970 (UTC) as an HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT").
std::string FormatHttpDate(int64_t seconds);

}  // namespace WorkSpace
