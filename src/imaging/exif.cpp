// Turning a picture upright, and the EXIF reader that says how. The reader sees the bytes of
// any picture a user picks, so every offset and count from the containers (JPEG segments,
// PNG and RIFF chunks, ISO BMFF boxes) and from the TIFF structure is compared with the
// bytes present before it is followed.
#include "imaging/exif.h"

#include <algorithm>
#include <cctype>

#include "imaging/byte_order.h"

namespace WorkSpace {

Image OrientImage(const Image& src, uint32_t orientation) {
    if (!ImageConsistent(src) || orientation < 2 || orientation > 8) return src;
    const uint32_t W = src.width, H = src.height;
    const bool swap = OrientationSwapsSides(orientation);
    Image out;
    out.width = swap ? H : W;
    out.height = swap ? W : H;
    out.pixels.resize(src.pixels.size());
    for (uint32_t y = 0; y < out.height; ++y) {
        for (uint32_t x = 0; x < out.width; ++x) {
            uint32_t sx = x, sy = y;
            switch (orientation) {
            case 2: sx = W - 1 - x; break;
            case 3: sx = W - 1 - x; sy = H - 1 - y; break;
            case 4: sy = H - 1 - y; break;
            case 5: sx = y; sy = x; break;
            case 6: sx = y; sy = H - 1 - x; break;
            case 7: sx = W - 1 - y; sy = H - 1 - x; break;
            case 8: sx = W - 1 - y; sy = x; break;
            }
            out.pixels[size_t(y) * out.width + x] = src.pixels[size_t(sy) * W + sx];
        }
    }
    return out;
}

namespace {

// Where a photo keeps its TIFF structure, and whether its orientation tag is the one that
// counts: HEIF turns its pictures by boxes of its own, which the decoder applies, and says
// the EXIF tag must not turn them again.
struct ExifBlock {
    const uint8_t* tiff = nullptr;
    size_t size = 0;
    bool orientationCounts = true;
};

constexpr uint32_t FourCc(const char (&s)[5]) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
           uint32_t(uint8_t(s[3]));
}

// PNG and WebP keep the bare TIFF structure; some writers put JPEG's "Exif\0\0" before it.
bool BareExif(const uint8_t* payload, size_t size, ExifBlock& block) {
    static const uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (size >= 6 && std::equal(kExif, kExif + 6, payload)) {
        payload += 6;
        size -= 6;
    }
    if (size < 8) return false;
    block.tiff = payload;
    block.size = size;
    return true;
}

// A JPEG's APP1 segment whose payload starts with `name` (its bytes, the 0 included),
// among the first markers, before the frame and scan headers; the payload after the name.
bool JpegApp1(const uint8_t* data, size_t size, const char* name, size_t nameSize, const uint8_t*& out,
              size_t& outSize) {
    size_t pos = 2;
    while (pos + 4 <= size) {
        if (data[pos] != 0xFF) return false;
        const uint8_t marker = data[pos + 1];
        if (marker == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return false;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            pos += 2;
            continue;
        }
        const uint32_t length = Be16(data + pos + 2);
        if (length < 2 || length > size - pos - 2) return false;
        const uint8_t* payload = data + pos + 4;
        const size_t payloadSize = length - 2;
        if (marker == 0xE1 && payloadSize >= nameSize && std::equal(name, name + nameSize, payload)) {
            out = payload + nameSize;
            outSize = payloadSize - nameSize;
            return true;
        }
        pos += 2 + length;
    }
    return false;
}

bool JpegExif(const uint8_t* data, size_t size, ExifBlock& block) {
    return JpegApp1(data, size, "Exif\0", 6, block.tiff, block.size);
}

// The payload of PNG's next chunk of `type` from `pos` (8: the first), wherever it lies
// before the end; `pos` is left at the chunk after it.
bool PngChunk(const uint8_t* data, size_t size, uint32_t type, const uint8_t*& out, size_t& outSize, size_t& pos) {
    while (pos <= size && size - pos >= 12) {
        const uint32_t length = Be32(data + pos), found = Be32(data + pos + 4);
        if (length > size - pos - 12) return false;
        const size_t at = pos;
        pos += 12 + size_t(length);
        if (found == type) {
            out = data + at + 8;
            outSize = length;
            return true;
        }
        if (found == FourCc("IEND")) return false;
    }
    return false;
}

bool PngExif(const uint8_t* data, size_t size, ExifBlock& block) {
    const uint8_t* payload = nullptr;
    size_t length = 0;
    size_t pos = 8;
    return PngChunk(data, size, FourCc("eXIf"), payload, length, pos) && BareExif(payload, length, block);
}

// The payload of WebP's first RIFF chunk of `type`; chunks are padded to an even size.
bool WebpChunk(const uint8_t* data, size_t size, uint32_t type, const uint8_t*& out, size_t& outSize) {
    size_t pos = 12;
    while (pos <= size && size - pos >= 8) {
        const uint32_t found = Be32(data + pos), length = Le32(data + pos + 4);
        if (length > size - pos - 8) return false;
        if (found == type) {
            out = data + pos + 8;
            outSize = length;
            return true;
        }
        pos += 8 + size_t(length) + (length & 1);
    }
    return false;
}

bool WebpExif(const uint8_t* data, size_t size, ExifBlock& block) {
    const uint8_t* payload = nullptr;
    size_t length = 0;
    return WebpChunk(data, size, FourCc("EXIF"), payload, length) && BareExif(payload, length, block);
}

// One ISO BMFF box inside [pos, limit): its type and its body [body, end).
struct Box {
    uint32_t type = 0;
    size_t body = 0, end = 0;
};
bool ReadBox(const uint8_t* d, size_t pos, size_t limit, Box& box) {
    if (pos > limit || limit - pos < 8) return false;
    uint64_t size = Be32(d + pos);
    size_t header = 8;
    box.type = Be32(d + pos + 4);
    if (size == 1) {  // a 64-bit size follows the type
        if (limit - pos < 16) return false;
        size = (uint64_t(Be32(d + pos + 8)) << 32) | Be32(d + pos + 12);
        header = 16;
    } else if (size == 0) {  // to the end of what holds it
        size = limit - pos;
    }
    if (size < header || size > limit - pos) return false;
    box.body = pos + header;
    box.end = pos + size_t(size);
    return true;
}

// A reader of big-endian fields inside [pos, end) that refuses to run past the end.
struct Fields {
    const uint8_t* d;
    size_t pos, end;
    bool Has(uint64_t n) const { return pos <= end && n <= end - pos; }
    // An unsigned field of 0, 2, 4 or 8 bytes (0 bytes: the field is absent and reads 0).
    bool Read(uint32_t bytes, uint64_t& value) {
        if (!Has(bytes)) return false;
        switch (bytes) {
        case 0: value = 0; break;
        case 2: value = Be16(d + pos); break;
        case 4: value = Be32(d + pos); break;
        case 8: value = (uint64_t(Be32(d + pos)) << 32) | Be32(d + pos + 4); break;
        default: return false;
        }
        pos += bytes;
        return true;
    }
};

// The ID of the item of type "Exif" in an `iinf` box (item infos of version 2 and 3 name types).
bool ExifItemId(const uint8_t* d, const Box& iinf, uint32_t& id) {
    Fields f{d, iinf.body, iinf.end};
    uint64_t versionAndFlags = 0, count = 0;
    if (!f.Read(4, versionAndFlags) || !f.Read(versionAndFlags >> 24 == 0 ? 2 : 4, count)) return false;
    Box infe;
    for (uint64_t i = 0; i < count && ReadBox(d, f.pos, iinf.end, infe); ++i, f.pos = infe.end) {
        if (infe.type != FourCc("infe")) continue;
        Fields e{d, infe.body, infe.end};
        uint64_t version = 0, item = 0, protection = 0, type = 0;
        if (!e.Read(4, version) || (version >>= 24) < 2) continue;
        if (e.Read(version == 2 ? 2 : 4, item) && e.Read(2, protection) && e.Read(4, type) && type == FourCc("Exif")) {
            id = uint32_t(item);
            return true;
        }
    }
    return false;
}

// Where the item `id` lies, from the `iloc` box: in the file, or in the `idat` box of the
// same `meta`. Only an item of one extent; a length of 0 runs to the end of its source.
bool ItemExtent(const uint8_t* d, size_t size, const Box& iloc, const Box* idat, uint32_t id, size_t& start,
                size_t& length) {
    Fields f{d, iloc.body, iloc.end};
    uint64_t versionAndFlags = 0, sizes = 0, count = 0;
    if (!f.Read(4, versionAndFlags) || !f.Read(2, sizes)) return false;
    const uint32_t version = uint32_t(versionAndFlags >> 24);
    if (version > 2) return false;
    const uint32_t offsetSize = uint32_t(sizes >> 12) & 15, lengthSize = uint32_t(sizes >> 8) & 15,
                   baseSize = uint32_t(sizes >> 4) & 15, indexSize = version >= 1 ? uint32_t(sizes) & 15 : 0;
    for (uint32_t s : {offsetSize, lengthSize, baseSize, indexSize})
        if (s != 0 && s != 4 && s != 8) return false;
    if (!f.Read(version < 2 ? 2 : 4, count)) return false;
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t item = 0, method = 0, reference = 0, base = 0, extents = 0;
        if (!f.Read(version < 2 ? 2 : 4, item) || (version >= 1 && !f.Read(2, method)) || !f.Read(2, reference) ||
            !f.Read(baseSize, base) || !f.Read(2, extents))
            return false;
        const uint64_t extentBytes = extents * (indexSize + offsetSize + lengthSize);
        if (!f.Has(extentBytes)) return false;
        if (item != id) {
            f.pos += size_t(extentBytes);
            continue;
        }
        uint64_t index = 0, offset = 0, bytes = 0;
        if (extents != 1 || !f.Read(indexSize, index) || !f.Read(offsetSize, offset) || !f.Read(lengthSize, bytes))
            return false;
        // Construction 0: offsets into the file; 1: into the idat box.
        size_t from = 0, to = size;
        if ((method & 15) == 1) {
            if (!idat) return false;
            from = idat->body;
            to = idat->end;
        } else if ((method & 15) != 0) {
            return false;
        }
        const uint64_t available = to - from;
        if (base > available || offset > available - base) return false;
        start = from + size_t(base + offset);
        if (bytes == 0) bytes = to - start;
        if (bytes > to - start) return false;
        length = size_t(bytes);
        return true;
    }
    return false;
}

// HEIF, HEIC and AVIF: the item of type "Exif" in the top-level `meta` box. Its payload
// starts with the offset of the TIFF header from the end of that field.
bool BmffExif(const uint8_t* data, size_t size, ExifBlock& block) {
    Box box, meta;
    if (!ReadBox(data, 0, size, box) || box.type != FourCc("ftyp")) return false;
    bool found = false;
    for (size_t pos = box.end; !found && ReadBox(data, pos, size, box); pos = box.end)
        if (box.type == FourCc("meta")) {
            meta = box;
            found = true;
        }
    if (!found) return false;
    Box iloc, idat;
    bool haveItem = false, haveIloc = false, haveIdat = false;
    uint32_t item = 0;
    for (size_t pos = meta.body + 4; ReadBox(data, pos, meta.end, box); pos = box.end) {
        if (box.type == FourCc("iinf") && !haveItem) haveItem = ExifItemId(data, box, item);
        if (box.type == FourCc("iloc") && !haveIloc) {
            iloc = box;
            haveIloc = true;
        }
        if (box.type == FourCc("idat") && !haveIdat) {
            idat = box;
            haveIdat = true;
        }
    }
    size_t start = 0, length = 0;
    if (!haveItem || !haveIloc || !ItemExtent(data, size, iloc, haveIdat ? &idat : nullptr, item, start, length) ||
        length < 4)
        return false;
    const uint32_t headerOffset = Be32(data + start);
    if (length - 4 < 8 || headerOffset > length - 4 - 8) return false;
    block.tiff = data + start + 4 + headerOffset;
    block.size = length - 4 - headerOffset;
    block.orientationCounts = false;
    return true;
}

// The TIFF structure of a TIFF or raw file, or inside a JPEG, PNG, WebP, HEIF or AVIF file.
bool FindExifTiff(const uint8_t* data, size_t size, ExifBlock& block) {
    block = ExifBlock();
    if (!data || size < 12) return false;
    if ((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M')) {
        block.tiff = data;
        block.size = size;
        return true;
    }
    if (data[0] == 0xFF && data[1] == 0xD8) return JpegExif(data, size, block);
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (std::equal(kPng, kPng + 8, data)) return PngExif(data, size, block);
    if (Be32(data) == FourCc("RIFF") && Be32(data + 8) == FourCc("WEBP")) return WebpExif(data, size, block);
    if (Be32(data + 4) == FourCc("ftyp")) return BmffExif(data, size, block);
    return false;
}

// One IFD entry's type, count and where its values lie inside the TIFF structure.
struct TiffEntry {
    uint32_t type = 0, count = 0;
    size_t values = 0;
};

class TiffReader {
public:
    TiffReader(const uint8_t* tiff, size_t size) : d_(tiff), size_(size) {}
    bool Header(uint32_t& ifd0) {
        if (size_ < 8) return false;
        if (d_[0] == 'I' && d_[1] == 'I') little_ = true;
        else if (d_[0] == 'M' && d_[1] == 'M') little_ = false;
        else return false;
        // 42 in TIFF; Olympus (ORF) and Panasonic (RW2) raw files use numbers of their own.
        const uint32_t magic = U16(2);
        if (magic != 42 && magic != 0x4F52 && magic != 0x5352 && magic != 0x55) return false;
        ifd0 = U32(4);
        return true;
    }
    uint32_t U16(size_t at) const { return little_ ? Le16(d_ + at) : Be16(d_ + at); }
    uint32_t U32(size_t at) const { return little_ ? Le32(d_ + at) : Be32(d_ + at); }
    const uint8_t* Bytes(size_t at) const { return d_ + at; }
    // The entry `tag` of the IFD at `ifd`, its values wholly inside the structure.
    bool Find(uint32_t ifd, uint32_t tag, TiffEntry& entry) const {
        if (ifd < 8 || ifd > size_ - 2) return false;
        const size_t available = (size_ - ifd - 2) / 12;
        const uint32_t entries = U16(ifd);
        for (size_t i = 0; i < entries && i < available; ++i) {
            const size_t e = ifd + 2 + i * 12;
            if (U16(e) != tag) continue;
            static const uint32_t kTypeSize[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8};
            entry.type = U16(e + 2);
            entry.count = U32(e + 4);
            if (entry.type == 0 || entry.type > 10) return false;
            const uint64_t bytes = uint64_t(kTypeSize[entry.type]) * entry.count;
            entry.values = bytes <= 4 ? e + 8 : U32(e + 8);
            return bytes <= size_ && entry.values <= size_ - bytes;
        }
        return false;
    }

private:
    const uint8_t* d_;
    size_t size_;
    bool little_ = true;
};

// IFD0 of a TIFF structure that starts at `tiff` and has `size` bytes.
bool TiffOrientation(const uint8_t* tiff, size_t size, uint32_t& orientation) {
    TiffReader reader(tiff, size);
    uint32_t ifd0 = 0;
    TiffEntry entry;
    if (!reader.Header(ifd0) || !reader.Find(ifd0, 274, entry)) return false;
    // SHORT, one value, held in the first two bytes of the value field.
    if (entry.type != 3 || entry.count != 1) return false;
    const uint32_t value = reader.U16(entry.values);
    if (value < 1 || value > 8) return false;
    orientation = value;
    return true;
}

uint32_t DaysInMonth(uint32_t year, uint32_t month) {
    static const uint32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// "YYYY:MM:DD HH:MM:SS"; cameras without a clock write blanks or zeros, which are no date.
bool ExifDate(const TiffReader& reader, uint32_t ifd, uint32_t tag, ExifFacts& facts) {
    TiffEntry entry;
    if (!reader.Find(ifd, tag, entry) || entry.type != 2 || entry.count < 10) return false;
    const uint8_t* t = reader.Bytes(entry.values);
    auto number = [&](size_t at, size_t digits, uint32_t& value) {
        value = 0;
        for (size_t i = 0; i < digits; ++i) {
            if (t[at + i] < '0' || t[at + i] > '9') return false;
            value = value * 10 + (t[at + i] - '0');
        }
        return true;
    };
    uint32_t y = 0, m = 0, d = 0;
    if (!number(0, 4, y) || t[4] != ':' || !number(5, 2, m) || t[7] != ':' || !number(8, 2, d)) return false;
    if (y == 0 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
    facts.hasDate = true;
    facts.year = y;
    facts.month = m;
    facts.day = d;
    // The time is kept only whole: a day without its hour still dates the photo.
    uint32_t hh = 0, mm = 0, ss = 0;
    if (entry.count >= 19 && t[10] == ' ' && number(11, 2, hh) && t[13] == ':' && number(14, 2, mm) &&
        t[16] == ':' && number(17, 2, ss) && hh < 24 && mm < 60 && ss < 61) {
        facts.hour = hh;
        facts.minute = mm;
        facts.second = ss;
    }
    return true;
}

// Degrees, minutes and seconds as three RATIONALs, and the reference letter that signs them,
// in either case; any other letter leaves the hemisphere unknown, and so the position.
bool GpsCoordinate(const TiffReader& reader, uint32_t ifd, uint32_t refTag, uint32_t tag, char positive,
                   char negative, double limit, double& out) {
    TiffEntry ref, value;
    if (!reader.Find(ifd, refTag, ref) || ref.type != 2 || ref.count < 1) return false;
    if (!reader.Find(ifd, tag, value) || value.type != 5 || value.count != 3) return false;
    const char letter = static_cast<char>(std::toupper(*reader.Bytes(ref.values)));
    if (letter != positive && letter != negative) return false;
    double degrees = 0.0, unit = 1.0;
    for (size_t i = 0; i < 3; ++i, unit *= 60.0) {
        const uint32_t num = reader.U32(value.values + i * 8), den = reader.U32(value.values + i * 8 + 4);
        if (den == 0) return false;
        const double part = double(num) / double(den);
        if (i > 0 && part >= 60.0) return false;  // minutes and seconds
        degrees += part / unit;
    }
    if (degrees > limit) return false;
    out = letter == negative ? -degrees : degrees;
    return true;
}

// GPSStatus "V": the receiver had no fix, and the position it wrote is an old one.
bool GpsVoid(const TiffReader& reader, uint32_t ifd) {
    TiffEntry status;
    return reader.Find(ifd, 9, status) && status.type == 2 && status.count >= 1 &&
           std::toupper(*reader.Bytes(status.values)) == 'V';
}

// EXIF's Rating (0x4746, stars) or else RatingPercent (0x4749), both in IFD0 as Windows
// writes them. Windows writes -1 (0xFFFF as a SHORT) for a photo it calls rejected.
bool ExifRating(const TiffReader& reader, uint32_t ifd0, int32_t& stars) {
    TiffEntry entry;
    auto value = [&](uint32_t tag, int32_t& out) {
        if (!reader.Find(ifd0, tag, entry) || entry.count != 1) return false;
        if (entry.type == 3 || entry.type == 8) out = int16_t(uint16_t(reader.U16(entry.values)));
        else if (entry.type == 4 || entry.type == 9) out = int32_t(reader.U32(entry.values));
        else return false;
        return true;
    };
    int32_t v = 0;
    if (value(0x4746, v) && v >= -1 && v <= 5) {
        stars = v < 0 ? 0 : v;
        return true;
    }
    if (value(0x4749, v) && v >= -1 && v <= 100) {
        stars = StarsOfRatingPercent(v);
        return true;
    }
    return false;
}

// The XMP packet: JPEG's APP1 "http://ns.adobe.com/xap/1.0/", PNG's iTXt chunk
// "XML:com.adobe.xmp" (uncompressed, as every writer we know stores it), WebP's "XMP "
// chunk, TIFF's (and the TIFF raw formats') tag 700. HEIF keeps it as an item of MIME type,
// not looked for: its photos carry their stars in EXIF too.
bool FindXmp(const uint8_t* data, size_t size, const uint8_t*& xmp, size_t& xmpSize) {
    if (!data || size < 12) return false;
    if ((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M')) {
        TiffReader reader(data, size);
        uint32_t ifd0 = 0;
        TiffEntry entry;
        if (!reader.Header(ifd0) || !reader.Find(ifd0, 700, entry) || (entry.type != 1 && entry.type != 7))
            return false;
        xmp = reader.Bytes(entry.values);
        xmpSize = entry.count;
        return true;
    }
    if (data[0] == 0xFF && data[1] == 0xD8)
        return JpegApp1(data, size, "http://ns.adobe.com/xap/1.0/\0", 29, xmp, xmpSize);
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (std::equal(kPng, kPng + 8, data)) {
        // Keyword, 0, compression flag and method, language tag, 0, translated keyword, 0, text;
        // other iTXt chunks (a comment, a title) may come first.
        static const char kKeyword[] = "XML:com.adobe.xmp";
        const uint8_t* chunk = nullptr;
        size_t length = 0, pos = 8;
        do {
            if (!PngChunk(data, size, FourCc("iTXt"), chunk, length, pos)) return false;
        } while (length < sizeof(kKeyword) + 2 || !std::equal(kKeyword, kKeyword + sizeof(kKeyword), chunk));
        if (chunk[sizeof(kKeyword)] != 0) return false;  // compressed
        size_t at = sizeof(kKeyword) + 2;
        for (int field = 0; field < 2; ++field) {
            const uint8_t* end = std::find(chunk + at, chunk + length, uint8_t(0));
            if (end == chunk + length) return false;
            at = size_t(end - chunk) + 1;
        }
        xmp = chunk + at;
        xmpSize = length - at;
        return true;
    }
    if (Be32(data) == FourCc("RIFF") && Be32(data + 8) == FourCc("WEBP"))
        return WebpChunk(data, size, FourCc("XMP "), xmp, xmpSize);
    return false;
}

// A number of IFD0 or another IFD that may be a SHORT or a LONG (the sides of a picture).
bool ShortOrLong(const TiffReader& reader, uint32_t ifd, uint32_t tag, uint32_t& value) {
    TiffEntry entry;
    if (!reader.Find(ifd, tag, entry) || entry.count != 1) return false;
    if (entry.type == 3) value = reader.U16(entry.values);
    else if (entry.type == 4) value = reader.U32(entry.values);
    else return false;
    return value > 0;
}

// A TIFF or raw file's picture is its largest: raw formats keep a small preview in IFD0 and
// the sensor's picture in a SubIFD (NEF, DNG) or a later IFD (CR2). Where no IFD tells
// (RW2 names its sides in tags of its own), the Exif IFD's PixelX/YDimension.
bool TiffPictureSize(const uint8_t* data, size_t size, uint32_t& w, uint32_t& h) {
    TiffReader reader(data, size);
    uint32_t ifd = 0;
    if (!reader.Header(ifd)) return false;
    uint64_t best = 0;
    auto consider = [&](uint32_t at) {
        uint32_t iw = 0, ih = 0;
        if (ShortOrLong(reader, at, 256, iw) && ShortOrLong(reader, at, 257, ih) && uint64_t(iw) * ih > best) {
            best = uint64_t(iw) * ih;
            w = iw;
            h = ih;
        }
    };
    const uint32_t ifd0 = ifd;
    // A few IFDs at most, which also ends a chain that loops.
    for (int i = 0; i < 4 && ifd >= 8 && ifd <= size - 2; ++i) {
        consider(ifd);
        TiffEntry subs;
        if (reader.Find(ifd, 330, subs) && subs.type == 4)
            for (uint32_t s = 0; s < subs.count && s < 8; ++s) consider(reader.U32(subs.values + 4 * s));
        const size_t next = ifd + 2 + size_t(reader.U16(ifd)) * 12;
        if (next > size - 4) break;
        ifd = reader.U32(next);
    }
    TiffEntry pointer;
    uint32_t pw = 0, ph = 0;
    if (best == 0 && reader.Find(ifd0, 0x8769, pointer) && pointer.type == 4 && pointer.count == 1 &&
        ShortOrLong(reader, reader.U32(pointer.values), 0xA002, pw) &&
        ShortOrLong(reader, reader.U32(pointer.values), 0xA003, ph)) {
        w = pw;
        h = ph;
        best = 1;
    }
    return best > 0;
}

// HEIF and AVIF: the largest image spatial extent (`ispe`) among the item properties, the
// primary picture's (tiles and thumbnails are smaller), its sides swapped where an `irot`
// turns it a quarter either way, as the decoder then shows it.
bool BmffPictureSize(const uint8_t* data, size_t size, uint32_t& w, uint32_t& h) {
    Box box;
    if (!ReadBox(data, 0, size, box) || box.type != FourCc("ftyp")) return false;
    Box meta, iprp, ipco;
    bool found = false;
    for (size_t pos = box.end; !found && ReadBox(data, pos, size, meta); pos = meta.end) found = meta.type == FourCc("meta");
    if (!found) return false;
    auto child = [&](const Box& parent, size_t skip, uint32_t type, Box& out) {
        for (size_t pos = parent.body + skip; ReadBox(data, pos, parent.end, out); pos = out.end)
            if (out.type == type) return true;
        return false;
    };
    if (!child(meta, 4, FourCc("iprp"), iprp) || !child(iprp, 0, FourCc("ipco"), ipco)) return false;
    uint64_t best = 0;
    bool turned = false;
    for (size_t pos = ipco.body; ReadBox(data, pos, ipco.end, box); pos = box.end) {
        if (box.type == FourCc("ispe") && box.end - box.body >= 12) {
            const uint32_t iw = Be32(data + box.body + 4), ih = Be32(data + box.body + 8);
            if (uint64_t(iw) * ih > best) {
                best = uint64_t(iw) * ih;
                w = iw;
                h = ih;
            }
        }
        if (box.type == FourCc("irot") && box.end > box.body) turned = turned || (data[box.body] & 1) != 0;
    }
    if (best == 0) return false;
    if (turned) std::swap(w, h);
    return true;
}

}  // namespace

bool ReadContainerPictureSize(const uint8_t* data, size_t size, uint32_t& w, uint32_t& h) {
    if (!data || size < 12) return false;
    if ((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M')) return TiffPictureSize(data, size, w, h);
    if (Be32(data + 4) == FourCc("ftyp")) return BmffPictureSize(data, size, w, h);
    return false;
}

int32_t StarsOfRatingPercent(int32_t percent) {
    if (percent <= 0) return 0;
    if (percent <= 12) return 1;
    if (percent <= 37) return 2;
    if (percent <= 62) return 3;
    if (percent <= 87) return 4;
    return 5;
}

bool ReadXmpRating(const uint8_t* xmp, size_t size, int32_t& stars) {
    static const char kName[] = "xmp:Rating";
    const size_t nameSize = sizeof(kName) - 1;
    const uint8_t* end = xmp + size;
    for (const uint8_t* at = xmp; at && size_t(end - at) > nameSize;) {
        const uint8_t* found = std::search(at, end, kName, kName + nameSize);
        if (found == end) return false;
        at = found + nameSize;
        // As an attribute, xmp:Rating="3" (or '3'); as an element, <xmp:Rating>3</xmp:Rating>.
        // Anything else (xmp:RatingPercent, the closing tag) is some other name.
        const uint8_t* p = at;
        if (p < end && *p == '>' && found > xmp && found[-1] == '<') {
            ++p;
        } else {
            while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) ++p;
            if (p == end || *p != '=') continue;
            ++p;
            while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) ++p;
            if (p == end || (*p != '"' && *p != '\'')) continue;
            ++p;
        }
        // A real number by the XMP schema, written as a whole one: "3", "-1", "4.0".
        const bool negative = p < end && *p == '-';
        if (negative) ++p;
        if (p == end || *p < '0' || *p > '9') return false;
        int32_t value = 0;
        while (p < end && *p >= '0' && *p <= '9' && value < 100) value = value * 10 + (*p++ - '0');
        if (negative) value = -value;
        if (value < -1 || value > 5) return false;
        stars = value < 0 ? 0 : value;  // -1: rejected
        return true;
    }
    return false;
}

bool ReadExifOrientation(const uint8_t* data, size_t size, uint32_t& orientation) {
    ExifBlock block;
    return FindExifTiff(data, size, block) && block.orientationCounts &&
           TiffOrientation(block.tiff, block.size, orientation);
}

bool ReadExifFacts(const uint8_t* data, size_t size, ExifFacts& facts) {
    facts = ExifFacts();
    ExifBlock block;
    TiffReader reader(nullptr, 0);
    uint32_t ifd0 = 0;
    const bool exif = FindExifTiff(data, size, block) && (reader = TiffReader(block.tiff, block.size)).Header(ifd0);
    TiffEntry pointer;
    if (exif && reader.Find(ifd0, 0x8769, pointer) && pointer.type == 4 && pointer.count == 1) {
        const uint32_t exifIfd = reader.U32(pointer.values);
        if (!ExifDate(reader, exifIfd, 0x9003, facts)) ExifDate(reader, exifIfd, 0x9004, facts);
    }
    if (exif && reader.Find(ifd0, 0x8825, pointer) && pointer.type == 4 && pointer.count == 1) {
        const uint32_t gps = reader.U32(pointer.values);
        double lat = 0.0, lon = 0.0;
        if (!GpsVoid(reader, gps) && GpsCoordinate(reader, gps, 1, 2, 'N', 'S', 90.0, lat) &&
            GpsCoordinate(reader, gps, 3, 4, 'E', 'W', 180.0, lon)) {
            facts.hasPosition = true;
            facts.latitude = lat;
            facts.longitude = lon;
        }
    }
    // XMP wins over EXIF: Lightroom, digiKam and darktable write their stars to XMP alone,
    // and leave a camera's EXIF Rating (often a fixed 0) as it was; Windows writes both
    // alike, so for its photos the choice makes no difference.
    int32_t stars = 0;
    const uint8_t* xmp = nullptr;
    size_t xmpSize = 0;
    if ((FindXmp(data, size, xmp, xmpSize) && ReadXmpRating(xmp, xmpSize, stars)) ||
        (exif && ExifRating(reader, ifd0, stars))) {
        facts.hasRating = true;
        facts.rating = stars;
    }
    return facts.hasDate || facts.hasPosition || facts.hasRating;
}

}  // namespace WorkSpace
