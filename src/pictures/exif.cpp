// Turning a picture upright, and the EXIF reader that says how. The reader sees the bytes of
// any picture a user picks, so every offset and count from the containers (JPEG segments,
// PNG and RIFF chunks, ISO BMFF boxes) and from the TIFF structure is compared with the
// bytes present before it is followed.
#include "pictures/exif.h"

#include <algorithm>
#include <cctype>

#include "pictures/byte_order.h"

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

// A JPEG's APP1 Exif segment, among the first markers, before the frame and scan headers.
bool JpegExif(const uint8_t* data, size_t size, ExifBlock& block) {
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
        static const uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
        if (marker == 0xE1 && payloadSize >= 6 && std::equal(kExif, kExif + 6, payload)) {
            block.tiff = payload + 6;
            block.size = payloadSize - 6;
            return true;
        }
        pos += 2 + length;
    }
    return false;
}

// PNG's eXIf chunk, wherever it lies before the end.
bool PngExif(const uint8_t* data, size_t size, ExifBlock& block) {
    size_t pos = 8;
    while (pos <= size && size - pos >= 12) {
        const uint32_t length = Be32(data + pos), type = Be32(data + pos + 4);
        if (length > size - pos - 12) return false;
        if (type == FourCc("eXIf")) return BareExif(data + pos + 8, length, block);
        if (type == FourCc("IEND")) return false;
        pos += 12 + size_t(length);
    }
    return false;
}

// WebP's RIFF chunk "EXIF"; chunks are padded to an even size.
bool WebpExif(const uint8_t* data, size_t size, ExifBlock& block) {
    size_t pos = 12;
    while (pos <= size && size - pos >= 8) {
        const uint32_t type = Be32(data + pos), length = Le32(data + pos + 4);
        if (length > size - pos - 8) return false;
        if (type == FourCc("EXIF")) return BareExif(data + pos + 8, length, block);
        pos += 8 + size_t(length) + (length & 1);
    }
    return false;
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

}  // namespace

bool ReadExifOrientation(const uint8_t* data, size_t size, uint32_t& orientation) {
    ExifBlock block;
    return FindExifTiff(data, size, block) && block.orientationCounts &&
           TiffOrientation(block.tiff, block.size, orientation);
}

bool ReadExifFacts(const uint8_t* data, size_t size, ExifFacts& facts) {
    facts = ExifFacts();
    ExifBlock block;
    if (!FindExifTiff(data, size, block)) return false;
    TiffReader reader(block.tiff, block.size);
    uint32_t ifd0 = 0;
    if (!reader.Header(ifd0)) return false;
    TiffEntry pointer;
    if (reader.Find(ifd0, 0x8769, pointer) && pointer.type == 4 && pointer.count == 1) {
        const uint32_t exif = reader.U32(pointer.values);
        if (!ExifDate(reader, exif, 0x9003, facts)) ExifDate(reader, exif, 0x9004, facts);
    }
    if (reader.Find(ifd0, 0x8825, pointer) && pointer.type == 4 && pointer.count == 1) {
        const uint32_t gps = reader.U32(pointer.values);
        double lat = 0.0, lon = 0.0;
        if (!GpsVoid(reader, gps) && GpsCoordinate(reader, gps, 1, 2, 'N', 'S', 90.0, lat) &&
            GpsCoordinate(reader, gps, 3, 4, 'E', 'W', 180.0, lon)) {
            facts.hasPosition = true;
            facts.latitude = lat;
            facts.longitude = lon;
        }
    }
    return facts.hasDate || facts.hasPosition;
}

}  // namespace WorkSpace
