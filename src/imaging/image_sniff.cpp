// The header sniffers, one per format. Their bytes are untrusted, so each checks the length
// of what it reads first; a size they report is a claim, checked again by the decoder.
#include "imaging/image_sniff.h"

#include <algorithm>

#include "imaging/byte_order.h"
#include "imaging/exif.h"
#include "imaging/tga.h"

namespace WorkSpace {

namespace {

bool PngSize(const uint8_t* d, size_t size, uint32_t& w, uint32_t& h) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size < 24 || !std::equal(kSignature, kSignature + 8, d)) return false;
    if (d[12] != 'I' || d[13] != 'H' || d[14] != 'D' || d[15] != 'R') return false;
    w = Be32(d + 16);
    h = Be32(d + 20);
    return w > 0 && h > 0;
}

bool BmpSize(const uint8_t* d, size_t size, uint32_t& w, uint32_t& h) {
    if (size < 26 || d[0] != 'B' || d[1] != 'M') return false;
    const uint32_t headerSize = Le32(d + 14);
    if (headerSize == 12) {  // the old OS/2 core header has 16-bit sides
        w = Le16(d + 18);
        h = Le16(d + 20);
    } else if (headerSize >= 16 && headerSize <= 256) {
        const int32_t sw = static_cast<int32_t>(Le32(d + 18));
        const int32_t sh = static_cast<int32_t>(Le32(d + 22));
        if (sw <= 0 || sh == 0 || sh == INT32_MIN) return false;
        w = static_cast<uint32_t>(sw);
        h = static_cast<uint32_t>(sh < 0 ? -sh : sh);  // negative height means top-down rows
    } else {
        return false;
    }
    return w > 0 && h > 0;
}

bool GifSize(const uint8_t* d, size_t size, uint32_t& w, uint32_t& h) {
    if (size < 10 || d[0] != 'G' || d[1] != 'I' || d[2] != 'F' || d[3] != '8' || (d[4] != '7' && d[4] != '9') ||
        d[5] != 'a')
        return false;
    w = Le16(d + 6);
    h = Le16(d + 8);
    return w > 0 && h > 0;
}

// `anyFrame`: the lossless, arithmetic and hierarchical frame headers tell a size too, which
// the photo's facts take; the size check before decoding stays with the frames it knows.
bool JpegSize(const uint8_t* d, size_t size, uint32_t& w, uint32_t& h, bool anyFrame = false) {
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

// WebP's first chunk: the extended header's canvas, or the lossy or lossless bitstream's
// own header.
bool WebpSize(const uint8_t* d, size_t size, uint32_t& w, uint32_t& h) {
    if (size < 25 || Be32(d) != 0x52494646u || Be32(d + 8) != 0x57454250u) return false;  // "RIFF", "WEBP"
    const uint32_t chunk = Be32(d + 12);
    const uint8_t* p = d + 20;
    if (chunk != 0x5650384Cu && size < 30) return false;  // all but VP8L need 10 bytes
    if (chunk == 0x56503858u) {  // "VP8X"
        w = (uint32_t(p[4]) | uint32_t(p[5]) << 8 | uint32_t(p[6]) << 16) + 1;  // 24 bits each
        h = (uint32_t(p[7]) | uint32_t(p[8]) << 8 | uint32_t(p[9]) << 16) + 1;
    } else if (chunk == 0x56503820u) {  // "VP8 ": a key frame's start code, then 14-bit sides
        if (p[3] != 0x9D || p[4] != 0x01 || p[5] != 0x2A) return false;
        w = Le16(p + 6) & 0x3FFF;
        h = Le16(p + 8) & 0x3FFF;
    } else if (chunk == 0x5650384Cu) {  // "VP8L": its signature byte, then 14-bit sides less one
        if (p[0] != 0x2F) return false;
        const uint32_t bits = Le32(p + 1);
        w = (bits & 0x3FFF) + 1;
        h = ((bits >> 14) & 0x3FFF) + 1;
    } else {
        return false;
    }
    return w > 0 && h > 0;
}

// TGA has no signature, so it is tried last and only a self-consistent header counts.
bool TgaSize(const uint8_t* d, size_t size, uint32_t& w, uint32_t& h) {
    if (size < kTgaHeaderSize) return false;
    const uint32_t mapType = d[1], type = d[2], bits = d[16];
    if (mapType > 1) return false;
    const bool mapped = type == 1 || type == 9, trueColour = type == 2 || type == 10,
               grey = type == 3 || type == 11;
    if (mapped) {
        if (mapType != 1 || (bits != 8 && bits != 16)) return false;
    } else if (trueColour) {
        if (bits != 15 && bits != 16 && bits != 24 && bits != 32) return false;
    } else if (grey) {
        if (bits != 8 && bits != 16) return false;
    } else {
        return false;
    }
    w = Le16(d + 12);
    h = Le16(d + 14);
    return w > 0 && h > 0;
}

}  // namespace

bool ReadImageSize(const uint8_t* data, size_t size, uint32_t& w, uint32_t& h) {
    if (!data) return false;
    uint32_t rw = 0, rh = 0;
    if (PngSize(data, size, rw, rh) || BmpSize(data, size, rw, rh) || GifSize(data, size, rw, rh) ||
        JpegSize(data, size, rw, rh) || TgaSize(data, size, rw, rh)) {
        w = rw;
        h = rh;
        return true;
    }
    return false;
}

bool ReadStoredPictureSize(const uint8_t* data, size_t size, uint32_t& w, uint32_t& h) {
    if (!data) return false;
    uint32_t rw = 0, rh = 0;
    // The formats with a signature first: TGA has none, and could be read into any of them.
    if (ReadContainerPictureSize(data, size, rw, rh) || WebpSize(data, size, rw, rh) ||
        JpegSize(data, size, rw, rh, true) || ReadImageSize(data, size, rw, rh)) {
        w = rw;
        h = rh;
        return true;
    }
    return false;
}

}  // namespace WorkSpace
