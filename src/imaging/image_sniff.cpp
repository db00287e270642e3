// A picture's stored size, found in one place for the decoders' check and for the photo's
// facts: BMP, GIF and TGA headers here, the containers' in containers.h and bmff.h. Their
// bytes are untrusted, so each reader checks the length of what it reads first; a size they
// report is a claim, checked again by the decoder.
#include "imaging/image_sniff.h"

#include "imaging/bmff.h"
#include "imaging/byte_order.h"
#include "imaging/containers.h"
#include "imaging/tga.h"

namespace WorkSpace {

namespace {

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

// Which formats a size is read from.
enum class SizeScope {
    // The size check before decoding: PNG, BMP, GIF, TGA and the JPEG frames it knows
    // (SOF0/1/2); the lossless, arithmetic and hierarchical frames are not its to report.
    DecoderCheck,
    // Every format the saver shows, every JPEG frame among them: the photo's facts.
    Stored,
};

// The one size finder, by the format's signature. The formats with a signature come first:
// TGA has none, and could be read into any of them.
bool PictureSize(const uint8_t* d, size_t size, SizeScope scope, uint32_t& w, uint32_t& h) {
    if (!d) return false;
    const bool every = scope == SizeScope::Stored;
    uint32_t rw = 0, rh = 0;
    bool found = false;
    if (every && TiffSignature(d, size)) {
        found = TiffPictureSize(d, size, rw, rh);  // nothing else opens with "II" or "MM"
    } else {
        found = (every && (BmffPictureSize(d, size, rw, rh) || WebpPictureSize(d, size, rw, rh))) ||
                JpegFrameSize(d, size, every, rw, rh) || PngPictureSize(d, size, rw, rh) ||
                BmpSize(d, size, rw, rh) || GifSize(d, size, rw, rh) || TgaSize(d, size, rw, rh);
    }
    if (!found) return false;
    w = rw;
    h = rh;
    return true;
}

}  // namespace

bool ReadImageSize(const uint8_t* data, size_t size, uint32_t& w, uint32_t& h) {
    return PictureSize(data, size, SizeScope::DecoderCheck, w, h);
}

bool ReadStoredPictureSize(const uint8_t* data, size_t size, uint32_t& w, uint32_t& h) {
    return PictureSize(data, size, SizeScope::Stored, w, h);
}

}  // namespace WorkSpace
