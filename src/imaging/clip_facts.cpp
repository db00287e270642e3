// A clip's facts from its QuickTime/MP4 boxes, read by ranges: the movie header's time and
// length, the video track's header (turn and size), Apple's keyed metadata and udta's ©xyz.
#include "imaging/clip_facts.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/byte_order.h"
#include "library/lap_order.h"

namespace WorkSpace {

namespace {
// Seconds from 1904-01-01 (QuickTime's epoch) to 1970-01-01.
constexpr int64_t kQuickTimeEpoch = 2082844800;
// The boxes read whole: a metadata box is a few hundred bytes; one past this is damaged.
constexpr uint64_t kLargestReadBox = 1024 * 1024;
constexpr int kMostBoxes = 4096;

struct Box {
    uint32_t type = 0;
    uint64_t body = 0, end = 0;
};

// The file read by ranges, remembering a read error.
struct Ranges {
    PictureReader& file;
    uint64_t size;
    bool failed = false;
    bool Read(uint64_t offset, size_t count, std::vector<uint8_t>& bytes) {
        bytes.resize(count);
        size_t have = 0;
        while (have < count) {
            const int64_t got = file.ReadAt(offset + have, bytes.data() + have, count - have);
            if (got < 0) failed = true;
            if (got <= 0) break;
            have += static_cast<size_t>(got);
        }
        bytes.resize(have);
        return have == count;
    }
    // The box whose header starts at `at`, inside [at, end): false past the end or for a
    // header that cannot be (a size smaller than its header, or past `end`).
    bool BoxAt(uint64_t at, uint64_t end, Box& box) {
        std::vector<uint8_t> head;
        if (end - at < 8) return false;
        Read(at, static_cast<size_t>(std::min<uint64_t>(16, end - at)), head);
        if (head.size() < 8) return false;
        uint64_t size = Be32(head.data());
        uint64_t header = 8;
        if (size == 1) {
            if (head.size() < 16) return false;
            size = (uint64_t(Be32(head.data() + 8)) << 32) | Be32(head.data() + 12);
            header = 16;
        } else if (size == 0) {
            size = end - at;  // to the end of what holds it
        }
        if (size < header || size > end - at) return false;
        box.type = Be32(head.data() + 4);
        box.body = at + header;
        box.end = at + size;
        return true;
    }
    bool Body(const Box& box, uint64_t most, std::vector<uint8_t>& bytes) {
        const uint64_t size = box.end - box.body;
        return size <= most && Read(box.body, static_cast<size_t>(size), bytes);
    }
};

// The child boxes of a box held in memory, as [type, body, size].
template <typename Visit>
void EachChild(const uint8_t* data, size_t size, Visit visit) {
    for (size_t at = 0; size - at >= 8;) {
        const uint32_t length = Be32(data + at);
        if (length < 8 || length > size - at) return;
        visit(Be32(data + at + 4), data + at + 8, size_t(length - 8));
        at += length;
    }
}

bool IsKey(const std::string& key, const char* name) { return key == name; }

// Apple's keyed metadata: `keys` names each entry, `ilst` holds entry N's `data` box under
// the type N. Only UTF-8 text values (type 1) are read.
void ReadKeyedMeta(const uint8_t* data, size_t size, ClipFacts& facts) {
    // QuickTime's meta box is a plain box, ISO's a full box: four bytes of version first.
    if (size >= 12 && Be32(data) == 0) {
        data += 4;
        size -= 4;
    }
    std::vector<std::string> keys;
    EachChild(data, size, [&](uint32_t type, const uint8_t* body, size_t bodySize) {
        if (type != FourCc("keys") || bodySize < 8) return;
        const uint32_t count = Be32(body + 4);
        size_t at = 8;
        for (uint32_t i = 0; i < count && bodySize - at >= 8; ++i) {
            const uint32_t length = Be32(body + at);
            if (length < 8 || length > bodySize - at) break;
            keys.emplace_back(reinterpret_cast<const char*>(body + at + 8), length - 8);
            at += length;
        }
    });
    EachChild(data, size, [&](uint32_t type, const uint8_t* body, size_t bodySize) {
        if (type != FourCc("ilst")) return;
        EachChild(body, bodySize, [&](uint32_t index, const uint8_t* item, size_t itemSize) {
            if (index == 0 || index > keys.size()) return;
            const std::string& key = keys[index - 1];
            EachChild(item, itemSize, [&](uint32_t dataType, const uint8_t* value, size_t valueSize) {
                if (dataType != FourCc("data") || valueSize < 8 || Be32(value) != 1) return;
                const char* text = reinterpret_cast<const char*>(value + 8);
                if (IsKey(key, "com.apple.quicktime.creationdate") &&
                    ParseQuickTimeDate(text, valueSize - 8, facts.taken)) {
                    facts.dated = true;
                    facts.utc = false;
                } else if (IsKey(key, "com.apple.quicktime.location.ISO6709") && !facts.placed) {
                    facts.placed = ParseIso6709(text, valueSize - 8, facts.latitude, facts.longitude);
                }
            });
        });
    });
}

// udta: ©xyz, a 16-bit length and language, then the ISO 6709 text; a meta box of its own.
void ReadUserData(const uint8_t* data, size_t size, ClipFacts& facts) {
    EachChild(data, size, [&](uint32_t type, const uint8_t* body, size_t bodySize) {
        if (type == FourCc("\xA9xyz") && bodySize >= 4 && !facts.placed) {
            const size_t length = std::min<size_t>(Be16(body), bodySize - 4);
            facts.placed = ParseIso6709(reinterpret_cast<const char*>(body + 4), length, facts.latitude, facts.longitude);
        } else if (type == FourCc("meta")) {
            ReadKeyedMeta(body, bodySize, facts);
        }
    });
}

void ReadMovieHeader(const std::vector<uint8_t>& b, ClipFacts& facts) {
    const bool v1 = !b.empty() && b[0] == 1;
    if (b.size() < (v1 ? 32u : 20u)) return;
    const uint64_t created = v1 ? (uint64_t(Be32(b.data() + 4)) << 32) | Be32(b.data() + 8) : Be32(b.data() + 4);
    const uint32_t scale = Be32(b.data() + (v1 ? 20 : 12));
    const uint64_t duration = v1 ? (uint64_t(Be32(b.data() + 24)) << 32) | Be32(b.data() + 28) : Be32(b.data() + 16);
    if (scale > 0) facts.seconds = double(duration) / scale;
    // 0 is "not set"; a time before 1970 is a camera whose clock was never set.
    if (!facts.dated && created > uint64_t(kQuickTimeEpoch) && created < (uint64_t(1) << 40)) {
        facts.taken = int64_t(created) - kQuickTimeEpoch;
        facts.dated = facts.utc = true;
    }
}

// The track header's matrix [a b u; c d v; x y w] turns the picture: a quarter turn
// clockwise is a = d = 0, b = 1, c = -1.
void ReadTrackHeader(const std::vector<uint8_t>& b, ClipFacts& facts) {
    const size_t matrix = (!b.empty() && b[0] == 1) ? 52 : 40;
    if (b.size() < matrix + 44) return;
    const int32_t a = int32_t(Be32(b.data() + matrix)), bb = int32_t(Be32(b.data() + matrix + 4));
    const int32_t d = int32_t(Be32(b.data() + matrix + 16));
    facts.rotation = (a == 0 && d == 0) ? (bb > 0 ? 90 : 270) : (a < 0 && d < 0 ? 180 : 0);
    const uint32_t w = Be32(b.data() + matrix + 36) >> 16, h = Be32(b.data() + matrix + 40) >> 16;
    const bool turned = facts.rotation == 90 || facts.rotation == 270;
    facts.width = turned ? h : w;
    facts.height = turned ? w : h;
}

// A track: its header counts when its media handler is video's ('vide'), the first such.
void ReadTrack(Ranges& file, const Box& trak, ClipFacts& facts, bool& haveVideo) {
    std::vector<uint8_t> header;
    bool video = false;
    Box box, inner;
    int boxes = 0;  // a clip made of millions of empty boxes is read no further than a sane one
    for (uint64_t at = trak.body; !haveVideo && ++boxes < kMostBoxes && file.BoxAt(at, trak.end, box); at = box.end) {
        if (box.type == FourCc("tkhd")) {
            file.Read(box.body, static_cast<size_t>(std::min<uint64_t>(box.end - box.body, 100)), header);
        } else if (box.type == FourCc("mdia")) {
            for (uint64_t in = box.body; ++boxes < kMostBoxes && file.BoxAt(in, box.end, inner); in = inner.end) {
                std::vector<uint8_t> handler;
                if (inner.type == FourCc("hdlr") && file.Read(inner.body, 12, handler))
                    video = Be32(handler.data() + 8) == FourCc("vide");
            }
        }
    }
    if (!video || header.empty()) return;
    haveVideo = true;
    ReadTrackHeader(header, facts);
}

void ReadMovie(Ranges& file, const Box& moov, ClipFacts& facts) {
    std::vector<uint8_t> bytes;
    bool haveVideo = false;
    Box box;
    int boxes = 0;
    for (uint64_t at = moov.body; ++boxes < kMostBoxes && file.BoxAt(at, moov.end, box); at = box.end) {
        if (box.type == FourCc("mvhd") && file.Read(box.body, 32, bytes)) {
            ReadMovieHeader(bytes, facts);
        } else if (box.type == FourCc("trak") && !haveVideo) {
            ReadTrack(file, box, facts, haveVideo);
        } else if ((box.type == FourCc("meta") || box.type == FourCc("udta")) && file.Body(box, kLargestReadBox, bytes)) {
            (box.type == FourCc("meta") ? ReadKeyedMeta : ReadUserData)(bytes.data(), bytes.size(), facts);
        }
    }
}

bool Digits(const char* p, int count, uint32_t& value) {
    value = 0;
    for (int i = 0; i < count; ++i) {
        if (p[i] < '0' || p[i] > '9') return false;
        value = value * 10 + uint32_t(p[i] - '0');
    }
    return true;
}

// One coordinate: a sign, 2 (latitude) or 3 (longitude) digits of degrees, optionally 2 of
// minutes and 2 of seconds, then an optional decimal fraction of the last unit.
bool Coordinate(const char*& p, const char* end, int degreeDigits, double& value) {
    if (p == end || (*p != '+' && *p != '-')) return false;
    const bool negative = *p++ == '-';
    const char* start = p;
    while (p < end && *p >= '0' && *p <= '9') ++p;
    const int whole = int(p - start);
    double fraction = 0, scale = 0.1;
    if (p < end && *p == '.')
        for (++p; p < end && *p >= '0' && *p <= '9'; ++p, scale /= 10) fraction += (*p - '0') * scale;
    const int units = (whole - degreeDigits) / 2;  // 0: degrees; 1: and minutes; 2: and seconds
    if (whole < degreeDigits || (whole - degreeDigits) % 2 != 0 || units > 2) return false;
    uint32_t degrees = 0, minutes = 0, seconds = 0;
    Digits(start, degreeDigits, degrees);
    if (units > 0) Digits(start + degreeDigits, 2, minutes);
    if (units > 1) Digits(start + degreeDigits + 2, 2, seconds);
    const double last = units == 0 ? 1.0 : units == 1 ? 1.0 / 60 : 1.0 / 3600;
    value = degrees + minutes / 60.0 + seconds / 3600.0 + fraction * last;
    if (negative) value = -value;
    return true;
}
}  // namespace

bool ParseIso6709(const char* text, size_t size, double& latitude, double& longitude) {
    const char* p = text;
    const char* end = text + size;
    double lat = 0, lon = 0;
    if (!Coordinate(p, end, 2, lat) || !Coordinate(p, end, 3, lon)) return false;
    if (lat < -90 || lat > 90 || lon < -180 || lon > 180) return false;
    latitude = lat;
    longitude = lon;
    return true;
}

bool ParseQuickTimeDate(const char* text, size_t size, int64_t& seconds) {
    uint32_t year, month, day, hour, minute, second;
    if (size < 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':')
        return false;
    if (!Digits(text, 4, year) || !Digits(text + 5, 2, month) || !Digits(text + 8, 2, day) ||
        !Digits(text + 11, 2, hour) || !Digits(text + 14, 2, minute) || !Digits(text + 17, 2, second))
        return false;
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return false;
    const CivilDate date{int32_t(year), int32_t(month), int32_t(day)};
    seconds = DaysOfDate(date) * 86400 + int64_t(hour) * 3600 + minute * 60 + second;
    return true;
}

ClipRead ReadClipFacts(PictureReader& reader, ClipFacts& facts) {
    facts = ClipFacts();
    const uint64_t size = reader.Size();
    Ranges file{reader, size ? size : UINT64_MAX};
    Box box;
    int boxes = 0;
    for (uint64_t at = 0; ++boxes < kMostBoxes && file.BoxAt(at, file.size, box); at = box.end) {
        if (box.type != FourCc("moov")) continue;
        ReadMovie(file, box, facts);
        return file.failed ? ClipRead::Failed : ClipRead::Known;
    }
    return file.failed ? ClipRead::Failed : ClipRead::NotClip;
}

}  // namespace WorkSpace
