// Walking the containers of the photo formats to the blocks the facts come from and to the
// header that tells the picture's size. The bytes are any file a user picks, so every
// segment length, chunk length and IFD offset is compared with the bytes present first.
#include "imaging/containers.h"

#include <algorithm>

#include "imaging/bmff.h"
#include "imaging/byte_order.h"
#include "imaging/tiff_tags.h"

namespace WorkSpace {

namespace {

bool PngSignature(const uint8_t* d, size_t size) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return size >= 8 && std::equal(kSignature, kSignature + 8, d);
}

bool WebpSignature(const uint8_t* d, size_t size) {
    return size >= 12 && Be32(d) == FourCc("RIFF") && Be32(d + 8) == FourCc("WEBP");
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

// Keyword, 0, compression flag and method, language tag, 0, translated keyword, 0, text;
// other iTXt chunks (a comment, a title) may come first.
bool PngXmp(const uint8_t* data, size_t size, const uint8_t*& xmp, size_t& xmpSize) {
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

// A number of an IFD that may be a SHORT or a LONG (the sides of a picture).
bool ShortOrLong(const TiffReader& reader, uint32_t ifd, uint32_t tag, uint32_t& value) {
    TiffEntry entry;
    if (!reader.Find(ifd, tag, entry) || entry.count != 1) return false;
    if (entry.type == 3) value = reader.U16(entry.values);
    else if (entry.type == 4) value = reader.U32(entry.values);
    else return false;
    return value > 0;
}

}  // namespace

bool TiffSignature(const uint8_t* data, size_t size) {
    return data && size >= 12 && ((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M'));
}

bool FindExifBlock(const uint8_t* data, size_t size, ExifBlock& block) {
    block = ExifBlock();
    if (!data || size < 12) return false;
    if (TiffSignature(data, size)) {
        block.tiff = data;
        block.size = size;
        return true;
    }
    const uint8_t* payload = nullptr;
    size_t length = 0, pos = 8;
    if (data[0] == 0xFF && data[1] == 0xD8) return JpegApp1(data, size, "Exif\0", 6, block.tiff, block.size);
    if (PngSignature(data, size))
        return PngChunk(data, size, FourCc("eXIf"), payload, length, pos) && BareExif(payload, length, block);
    if (WebpSignature(data, size))
        return WebpChunk(data, size, FourCc("EXIF"), payload, length) && BareExif(payload, length, block);
    if (Be32(data + 4) == FourCc("ftyp") && FindBmffExif(data, size, block.tiff, block.size)) {
        block.orientationCounts = false;
        return true;
    }
    return false;
}

bool FindXmpPacket(const uint8_t* data, size_t size, const uint8_t*& xmp, size_t& xmpSize) {
    if (!data || size < 12) return false;
    if (TiffSignature(data, size)) {
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
    if (PngSignature(data, size)) return PngXmp(data, size, xmp, xmpSize);
    if (WebpSignature(data, size)) return WebpChunk(data, size, FourCc("XMP "), xmp, xmpSize);
    return false;
}

bool JpegFrameSize(const uint8_t* d, size_t size, bool anyFrame, uint32_t& w, uint32_t& h) {
    if (size < 4 || d[0] != 0xFF || d[1] != 0xD8) return false;
    size_t pos = 2;
    while (pos < size) {
        if (d[pos] != 0xFF) return false;
        while (pos < size && d[pos] == 0xFF) ++pos;  // fill bytes before a marker
        if (pos >= size) return false;
        const uint8_t marker = d[pos++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length field
        if (marker == 0xD9 || marker == 0xDA) return false;  // image data before any frame header
        if (size - pos < 2) return false;
        const uint32_t length = Be16(d + pos);
        if (length < 2) return false;
        const bool frame = (marker >= 0xC0 && marker <= 0xCF) && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if ((marker >= 0xC0 && marker <= 0xC2) || (anyFrame && frame)) {
            if (length < 7 || size - pos < 7) return false;
            h = Be16(d + pos + 3);
            w = Be16(d + pos + 5);
            return w > 0 && h > 0;  // height 0 defers to a DNL marker later in the scan
        }
        // Other frame types (lossless, arithmetic, hierarchical) are not ours to report.
        if (frame) return false;
        pos += length;
    }
    return false;
}

bool PngPictureSize(const uint8_t* d, size_t size, uint32_t& w, uint32_t& h) {
    if (size < 24 || !PngSignature(d, size)) return false;
    if (d[12] != 'I' || d[13] != 'H' || d[14] != 'D' || d[15] != 'R') return false;
    w = Be32(d + 16);
    h = Be32(d + 20);
    return w > 0 && h > 0;
}

bool WebpPictureSize(const uint8_t* d, size_t size, uint32_t& w, uint32_t& h) {
    if (size < 25 || !WebpSignature(d, size)) return false;
    const uint32_t chunk = Be32(d + 12);
    const uint8_t* p = d + 20;
    if (chunk != FourCc("VP8L") && size < 30) return false;  // all but VP8L need 10 bytes
    if (chunk == FourCc("VP8X")) {
        w = (uint32_t(p[4]) | uint32_t(p[5]) << 8 | uint32_t(p[6]) << 16) + 1;  // 24 bits each
        h = (uint32_t(p[7]) | uint32_t(p[8]) << 8 | uint32_t(p[9]) << 16) + 1;
    } else if (chunk == FourCc("VP8 ")) {  // a key frame's start code, then 14-bit sides
        if (p[3] != 0x9D || p[4] != 0x01 || p[5] != 0x2A) return false;
        w = Le16(p + 6) & 0x3FFF;
        h = Le16(p + 8) & 0x3FFF;
    } else if (chunk == FourCc("VP8L")) {  // its signature byte, then 14-bit sides less one
        if (p[0] != 0x2F) return false;
        const uint32_t bits = Le32(p + 1);
        w = (bits & 0x3FFF) + 1;
        h = ((bits >> 14) & 0x3FFF) + 1;
    } else {
        return false;
    }
    return w > 0 && h > 0;
}

// Raw formats keep a small preview in IFD0 and the sensor's picture in a SubIFD (NEF, DNG)
// or a later IFD (CR2); RW2 names its sides in tags of its own, and only the Exif IFD's
// PixelX/YDimension tell them.
bool TiffPictureSize(const uint8_t* data, size_t size, uint32_t& w, uint32_t& h) {
    TiffReader reader(data, size);
    uint32_t ifd = 0;
    if (!TiffSignature(data, size) || !reader.Header(ifd)) return false;
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
    uint32_t exif = 0, pw = 0, ph = 0;
    if (best == 0 && reader.Pointer(ifd0, 0x8769, exif) && ShortOrLong(reader, exif, 0xA002, pw) &&
        ShortOrLong(reader, exif, 0xA003, ph)) {
        w = pw;
        h = ph;
        best = 1;
    }
    return best > 0;
}

}  // namespace WorkSpace
