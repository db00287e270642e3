// The TGA reader. Its bytes are untrusted (a user can put any file in the archive or pick any
// picture), so every read is bounds-checked up front and no size from the header is trusted
// before it has been compared with the bytes present.
#include "imaging/tga.h"

#include <utility>

#include "imaging/byte_order.h"

namespace WorkSpace {

namespace {

uint32_t TgaPixel(const uint8_t* p, uint32_t bytesPerPixel) {
    // Stored as B, G, R(, A), which is already the byte order of an A8R8G8B8 value.
    const uint32_t alpha = bytesPerPixel == 4 ? p[3] : 0xFFu;
    return (alpha << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

}  // namespace

bool DecodeTga(const uint8_t* data, size_t size, Image& out) {
    if (!data || size < kTgaHeaderSize) return false;
    const uint32_t idLength = data[0];
    const uint32_t colorMapType = data[1];
    const uint32_t imageType = data[2];
    const uint32_t colorMapLength = Le16(data + 5);
    const uint32_t colorMapEntryBits = data[7];
    const uint32_t width = Le16(data + 12);
    const uint32_t height = Le16(data + 14);
    const uint32_t bitsPerPixel = data[16];
    const uint32_t descriptor = data[17];

    if (imageType != 2 && imageType != 10) return false;
    // A true-colour image may still carry a colour map (type 1) that nobody uses; we skip it.
    if (colorMapType > 1) return false;
    if (bitsPerPixel != 24 && bitsPerPixel != 32) return false;
    if (!ImageSizeAccepted(width, height)) return false;
    // Bits 6-7 ask for interleaved rows, a layout from old display hardware we do not lay out.
    if (descriptor & 0xC0) return false;
    const bool rightToLeft = (descriptor & 0x10) != 0;
    const bool topDown = (descriptor & 0x20) != 0;

    // When the map type is 0 the map fields carry no meaning and occupy no bytes.
    const size_t colorMapBytes =
        colorMapType == 1 ? static_cast<size_t>(colorMapLength) * ((colorMapEntryBits + 7) / 8) : 0;
    size_t pos = kTgaHeaderSize + idLength;
    if (pos > size || colorMapBytes > size - pos) return false;
    pos += colorMapBytes;

    const uint32_t bpp = bitsPerPixel / 8;
    const size_t pixelCount = static_cast<size_t>(width) * height;
    const size_t remaining = size - pos;
    // Check the bytes against the smallest encoding of this many pixels before allocating, so
    // a tiny damaged file cannot make us reserve a gigabyte. An RLE packet covers at most 128
    // pixels and takes at least 1 + bpp bytes.
    if (imageType == 2) {
        if (remaining / bpp < pixelCount) return false;
    } else {
        const size_t minPackets = (pixelCount + 127) / 128;
        if (remaining / (1 + bpp) < minPackets) return false;
    }

    Image image;
    image.width = width;
    image.height = height;
    image.pixels.assign(pixelCount, 0);

    // Pixels arrive in file order; n counts them and decides where each one lands.
    auto place = [&](size_t n, uint32_t value) {
        const uint32_t row = static_cast<uint32_t>(n / width);
        const uint32_t col = static_cast<uint32_t>(n % width);
        const uint32_t y = topDown ? row : height - 1 - row;
        const uint32_t x = rightToLeft ? width - 1 - col : col;
        image.pixels[static_cast<size_t>(y) * width + x] = value;
    };

    const uint8_t* p = data + pos;
    const uint8_t* end = data + size;
    if (imageType == 2) {
        for (size_t n = 0; n < pixelCount; ++n, p += bpp) place(n, TgaPixel(p, bpp));
    } else {
        size_t n = 0;
        while (n < pixelCount) {
            if (end - p < 1) return false;
            const uint8_t header = *p++;
            const size_t count = (header & 0x7Fu) + 1;
            // Packets may run across rows but never past the last pixel.
            if (count > pixelCount - n) return false;
            if (header & 0x80) {
                if (static_cast<size_t>(end - p) < bpp) return false;
                const uint32_t value = TgaPixel(p, bpp);
                p += bpp;
                for (size_t i = 0; i < count; ++i) place(n++, value);
            } else {
                if (static_cast<size_t>(end - p) / bpp < count) return false;
                for (size_t i = 0; i < count; ++i, p += bpp) place(n++, TgaPixel(p, bpp));
            }
        }
    }
    // Anything after the pixels (developer and extension areas, the 26-byte footer) is
    // metadata we have no use for.
    out = std::move(image);
    return true;
}

}  // namespace WorkSpace
