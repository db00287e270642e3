// Image work for the texture loader. Everything here reads untrusted bytes (a user can put
// any file in the archive or pick any picture), so every read is bounds-checked up front and
// no size from a header is trusted before it has been compared with the bytes present.
#include "pictures/image.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <utility>

namespace WorkSpace {

namespace {

uint32_t Le16(const uint8_t* p) { return p[0] | (uint32_t(p[1]) << 8); }
uint32_t Le32(const uint8_t* p) { return Le16(p) | (Le16(p + 2) << 16); }
uint32_t Be16(const uint8_t* p) { return (uint32_t(p[0]) << 8) | p[1]; }
uint32_t Be32(const uint8_t* p) { return (Be16(p) << 16) | Be16(p + 2); }

// ---------------------------------------------------------------------------------------
// TGA

constexpr size_t kTgaHeaderSize = 18;

uint32_t TgaPixel(const uint8_t* p, uint32_t bytesPerPixel) {
    // Stored as B, G, R(, A), which is already the byte order of an A8R8G8B8 value.
    const uint32_t alpha = bytesPerPixel == 4 ? p[3] : 0xFFu;
    return (alpha << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

}  // namespace

bool ImageSizeAccepted(uint32_t width, uint32_t height) {
    return width != 0 && height != 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           static_cast<uint64_t>(width) * height <= kMaxImagePixels;
}

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

// ---------------------------------------------------------------------------------------
// Resampling

namespace {

// One output sample along an axis is a weighted sum of source samples: taps[first..first+count).
struct Tap {
    uint32_t index;
    double weight;
};
struct AxisFilter {
    std::vector<uint32_t> first;  // per output sample, plus one past the end
    std::vector<Tap> taps;
};

AxisFilter MakeAxisFilter(uint32_t src, uint32_t dst) {
    AxisFilter f;
    f.first.reserve(dst + 1);
    if (dst < src) {
        // Area average: output i covers source [i*src/dst, (i+1)*src/dst). Measured in units of
        // 1/dst all boundaries are integers, so the overlaps and weights are exact and every
        // output's weights sum to one (a flat picture stays flat).
        for (uint32_t i = 0; i < dst; ++i) {
            f.first.push_back(static_cast<uint32_t>(f.taps.size()));
            const uint64_t a = uint64_t(i) * src, b = uint64_t(i + 1) * src;
            for (uint64_t j = a / dst; j * dst < b; ++j) {
                const uint64_t lo = std::max(a, j * dst), hi = std::min(b, (j + 1) * dst);
                if (hi > lo) f.taps.push_back({static_cast<uint32_t>(j), double(hi - lo) / double(src)});
            }
        }
    } else {
        // Bilinear with pixel centres aligned (output centre i+0.5 maps to source
        // (i+0.5)*src/dst), so an unchanged size is an exact copy; edges clamp.
        for (uint32_t i = 0; i < dst; ++i) {
            f.first.push_back(static_cast<uint32_t>(f.taps.size()));
            double c = (i + 0.5) * double(src) / double(dst) - 0.5;
            c = std::min(std::max(c, 0.0), double(src - 1));
            const uint32_t j0 = static_cast<uint32_t>(c);
            const double t = c - j0;
            const uint32_t j1 = std::min(j0 + 1, src - 1);
            if (t == 0.0 || j1 == j0) {
                f.taps.push_back({j0, 1.0});
            } else {
                f.taps.push_back({j0, 1.0 - t});
                f.taps.push_back({j1, t});
            }
        }
    }
    f.first.push_back(static_cast<uint32_t>(f.taps.size()));
    return f;
}

uint8_t ToByte(double v) {
    const double r = std::floor(v + 0.5);
    return static_cast<uint8_t>(r < 0.0 ? 0.0 : (r > 255.0 ? 255.0 : r));
}

bool Consistent(const Image& image) {
    return image.width > 0 && image.height > 0 &&
           image.pixels.size() == static_cast<size_t>(image.width) * image.height;
}

}  // namespace

Image BlurredBackdrop(const Image& src, uint32_t longSide, float brightness) {
    if (src.width == 0 || src.height == 0 || longSide == 0) return Image();
    const bool wide = src.width >= src.height;
    const uint64_t shortSide = (static_cast<uint64_t>(longSide) * (wide ? src.height : src.width)) /
                               (wide ? src.width : src.height);
    const uint32_t s = shortSide > 0 ? static_cast<uint32_t>(shortSide) : 1u;
    Image out = ScaleImage(src, wide ? longSide : s, wide ? s : longSide);
    if (out.pixels.empty()) return out;
    // Three passes of a 3-tap box each way come close to a Gaussian; the edges repeat.
    const uint32_t w = out.width, h = out.height;
    std::vector<uint32_t> line;
    auto blur = [&](uint32_t count, uint32_t stride, uint32_t first) {
        line.resize(count);
        for (uint32_t i = 0; i < count; ++i) line[i] = out.pixels[first + i * stride];
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t a = line[i > 0 ? i - 1 : 0], b = line[i], c = line[i + 1 < count ? i + 1 : i];
            uint32_t mixed = 0;
            for (int shift = 0; shift < 32; shift += 8)
                mixed |= ((((a >> shift) & 0xFF) + ((b >> shift) & 0xFF) + ((c >> shift) & 0xFF) + 1) / 3) << shift;
            out.pixels[first + i * stride] = mixed;
        }
    };
    for (int pass = 0; pass < 3; ++pass) {
        for (uint32_t y = 0; y < h; ++y) blur(w, 1, y * w);
        for (uint32_t x = 0; x < w; ++x) blur(h, w, x);
    }
    const float kept = brightness < 0.0f ? 0.0f : (brightness > 1.0f ? 1.0f : brightness);
    const uint32_t scale = static_cast<uint32_t>(kept * 256.0f);
    for (uint32_t& p : out.pixels) {
        uint32_t dark = 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) dark |= ((((p >> shift) & 0xFF) * scale) >> 8) << shift;
        p = dark;
    }
    return out;
}

Image ScaleImage(const Image& src, uint32_t width, uint32_t height) {
    Image out;
    if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide) return out;
    out.width = width;
    out.height = height;
    out.pixels.assign(static_cast<size_t>(width) * height, 0);
    if (!Consistent(src)) return out;

    const AxisFilter hf = MakeAxisFilter(src.width, width);
    const AxisFilter vf = MakeAxisFilter(src.height, height);

    // Separable: each source row is filtered horizontally once into a row of width x 4
    // channels, then output rows are weighted sums of those. Vertical taps only move
    // forward, so a short queue of filtered rows is all we keep, whatever the picture size.
    std::deque<std::pair<uint32_t, std::vector<double>>> rows;
    auto filteredRow = [&](uint32_t sy) -> const std::vector<double>& {
        for (auto& r : rows)
            if (r.first == sy) return r.second;
        std::vector<double> row(static_cast<size_t>(width) * 4, 0.0);
        const uint32_t* s = &src.pixels[static_cast<size_t>(sy) * src.width];
        for (uint32_t x = 0; x < width; ++x) {
            double acc[4] = {0, 0, 0, 0};
            for (uint32_t k = hf.first[x]; k < hf.first[x + 1]; ++k) {
                const uint32_t p = s[hf.taps[k].index];
                const double w = hf.taps[k].weight;
                for (int c = 0; c < 4; ++c) acc[c] += w * double((p >> (8 * c)) & 0xFFu);
            }
            for (int c = 0; c < 4; ++c) row[static_cast<size_t>(x) * 4 + c] = acc[c];
        }
        rows.emplace_back(sy, std::move(row));
        return rows.back().second;
    };

    std::vector<double> acc(static_cast<size_t>(width) * 4);
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t begin = vf.first[y], end = vf.first[y + 1];
        const uint32_t lowest = vf.taps[begin].index;
        while (!rows.empty() && rows.front().first < lowest) rows.pop_front();
        std::fill(acc.begin(), acc.end(), 0.0);
        for (uint32_t k = begin; k < end; ++k) {
            const std::vector<double>& row = filteredRow(vf.taps[k].index);
            const double w = vf.taps[k].weight;
            for (size_t i = 0; i < acc.size(); ++i) acc[i] += w * row[i];
        }
        uint32_t* d = &out.pixels[static_cast<size_t>(y) * width];
        for (uint32_t x = 0; x < width; ++x) {
            const double* a = &acc[static_cast<size_t>(x) * 4];
            d[x] = uint32_t(ToByte(a[0])) | (uint32_t(ToByte(a[1])) << 8) | (uint32_t(ToByte(a[2])) << 16) |
                   (uint32_t(ToByte(a[3])) << 24);
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------
// Texture sizes and mip chains

namespace {

uint64_t NextPowerOfTwo(uint64_t v) {
    uint64_t p = 1;
    while (p < v) p <<= 1;
    return p;
}

uint32_t PreviousPowerOfTwo(uint32_t v) {
    uint32_t p = 1;
    while (p <= v / 2) p <<= 1;
    return p;
}

}  // namespace

// The rule, in order:
//  1. A zero source side counts as 1. A zero maximum counts as 1 and a maximum above
//     kMaxImageSide counts as kMaxImageSide, because ScaleImage cannot make anything larger.
//  2. With powerOfTwo, each side is rounded UP to the next power of two (6000x4000 becomes
//     8192x4096), so a picture is never shrunk just to meet the rule.
//  3. If either side now exceeds its maximum, both are scaled by the one factor
//     f = min(maxW / W, maxH / H): the side that limits becomes exactly its maximum and the
//     other is round(side * f), at least 1 and never above its own maximum.
//     6000x4000 into 4096x4096 gives 4096x2731 (4000 * 4096 / 6000 = 2730.67).
//  4. With powerOfTwo, each side is then rounded DOWN to a power of two, which can only make
//     it smaller, so it still fits: 8192x4096 into 4096x4096 gives 4096x2048, and into
//     3000x3000 gives 3000x1500, then 2048x1024.
// Results are always within 1..max on each side.
void FitTextureSize(uint32_t srcW, uint32_t srcH, uint32_t maxW, uint32_t maxH, bool powerOfTwo, uint32_t& w,
                    uint32_t& h) {
    const uint64_t limitW = std::min<uint64_t>(std::max<uint32_t>(maxW, 1), kMaxImageSide);
    const uint64_t limitH = std::min<uint64_t>(std::max<uint32_t>(maxH, 1), kMaxImageSide);
    uint64_t sw = std::max<uint32_t>(srcW, 1), sh = std::max<uint32_t>(srcH, 1);
    if (powerOfTwo) {
        sw = NextPowerOfTwo(sw);
        sh = NextPowerOfTwo(sh);
    }
    if (sw > limitW || sh > limitH) {
        // Compare limitW/sw with limitH/sh without division: the smaller ratio binds.
        if (limitW * sh <= limitH * sw) {
            sh = (2 * sh * limitW + sw) / (2 * sw);
            sw = limitW;
        } else {
            sw = (2 * sw * limitH + sh) / (2 * sh);
            sh = limitH;
        }
        sw = std::min(std::max<uint64_t>(sw, 1), limitW);
        sh = std::min(std::max<uint64_t>(sh, 1), limitH);
    }
    w = static_cast<uint32_t>(sw);
    h = static_cast<uint32_t>(sh);
    if (powerOfTwo) {
        w = PreviousPowerOfTwo(w);
        h = PreviousPowerOfTwo(h);
    }
}

uint32_t MipLevelCount(uint32_t w, uint32_t h, uint32_t requested) {
    uint32_t side = std::max(std::max(w, h), 1u);
    uint32_t full = 1;
    while (side > 1) {
        side >>= 1;
        ++full;
    }
    return requested == 0 ? full : std::min(requested, full);
}

Image NextMipLevel(const Image& src) {
    Image out;
    if (!Consistent(src)) return out;
    out.width = std::max(1u, src.width / 2);
    out.height = std::max(1u, src.height / 2);
    out.pixels.resize(static_cast<size_t>(out.width) * out.height);
    const uint32_t lastX = src.width - 1, lastY = src.height - 1;
    for (uint32_t y = 0; y < out.height; ++y) {
        const uint32_t y0 = std::min(2 * y, lastY), y1 = std::min(2 * y + 1, lastY);
        for (uint32_t x = 0; x < out.width; ++x) {
            const uint32_t x0 = std::min(2 * x, lastX), x1 = std::min(2 * x + 1, lastX);
            const uint32_t q[4] = {src.pixels[size_t(y0) * src.width + x0], src.pixels[size_t(y0) * src.width + x1],
                                   src.pixels[size_t(y1) * src.width + x0], src.pixels[size_t(y1) * src.width + x1]};
            uint32_t v = 0;
            for (int c = 0; c < 4; ++c) {
                uint32_t sum = 2;  // rounds the average to nearest
                for (uint32_t p : q) sum += (p >> (8 * c)) & 0xFFu;
                v |= (sum / 4) << (8 * c);
            }
            out.pixels[size_t(y) * out.width + x] = v;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------
// Orientation

Image OrientImage(const Image& src, uint32_t orientation) {
    if (!Consistent(src) || orientation < 2 || orientation > 8) return src;
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

// The TIFF structure of a TIFF file, or of a JPEG's APP1 Exif segment.
bool FindExifTiff(const uint8_t* data, size_t size, const uint8_t*& tiff, size_t& tiffSize) {
    if (!data || size < 8) return false;
    if ((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M')) {
        tiff = data;
        tiffSize = size;
        return true;
    }
    if (data[0] != 0xFF || data[1] != 0xD8) return false;
    size_t pos = 2;
    // The Exif segment sits among the first markers, before the frame and scan headers.
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
            tiff = payload + 6;
            tiffSize = payloadSize - 6;
            return true;
        }
        pos += 2 + length;
    }
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
        if (U16(2) != 42) return false;
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

// "YYYY:MM:DD HH:MM:SS"; cameras without a clock write blanks or zeros, which are no date.
bool ExifDate(const TiffReader& reader, uint32_t ifd, uint32_t tag, PhotoFacts& facts) {
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
    static const uint32_t kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y == 0 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1]) return false;
    facts.hasDate = true;
    facts.year = y;
    facts.month = m;
    facts.day = d;
    return true;
}

// Degrees, minutes and seconds as three RATIONALs, and the reference letter that signs them.
bool GpsCoordinate(const TiffReader& reader, uint32_t ifd, uint32_t refTag, uint32_t tag, char negative,
                   double limit, double& out) {
    TiffEntry ref, value;
    if (!reader.Find(ifd, refTag, ref) || ref.type != 2 || ref.count < 1) return false;
    if (!reader.Find(ifd, tag, value) || value.type != 5 || value.count != 3) return false;
    double degrees = 0.0, unit = 1.0;
    for (size_t i = 0; i < 3; ++i, unit *= 60.0) {
        const uint32_t num = reader.U32(value.values + i * 8), den = reader.U32(value.values + i * 8 + 4);
        if (den == 0) return false;
        degrees += double(num) / double(den) / unit;
    }
    if (degrees > limit) return false;
    const char letter = static_cast<char>(*reader.Bytes(ref.values));
    out = letter == negative ? -degrees : degrees;
    return true;
}

}  // namespace

bool ReadExifOrientation(const uint8_t* data, size_t size, uint32_t& orientation) {
    const uint8_t* tiff = nullptr;
    size_t tiffSize = 0;
    return FindExifTiff(data, size, tiff, tiffSize) && TiffOrientation(tiff, tiffSize, orientation);
}

bool ReadPhotoFacts(const uint8_t* data, size_t size, PhotoFacts& facts) {
    facts = PhotoFacts();
    const uint8_t* tiff = nullptr;
    size_t tiffSize = 0;
    if (!FindExifTiff(data, size, tiff, tiffSize)) return false;
    TiffReader reader(tiff, tiffSize);
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
        if (GpsCoordinate(reader, gps, 1, 2, 'S', 90.0, lat) && GpsCoordinate(reader, gps, 3, 4, 'W', 180.0, lon)) {
            facts.hasPosition = true;
            facts.latitude = lat;
            facts.longitude = lon;
        }
    }
    return facts.hasDate || facts.hasPosition;
}

// ---------------------------------------------------------------------------------------
// Header sniffing

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

bool JpegSize(const uint8_t* d, size_t size, uint32_t& w, uint32_t& h) {
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
        if (marker >= 0xC0 && marker <= 0xC2) {
            if (length < 7 || size - pos < 7) return false;
            h = Be16(d + pos + 3);
            w = Be16(d + pos + 5);
            return w > 0 && h > 0;  // height 0 defers to a DNL marker later in the scan
        }
        // Other frame types (lossless, arithmetic, hierarchical) are not ours to report.
        if ((marker >= 0xC3 && marker <= 0xCF) && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) return false;
        pos += length;
    }
    return false;
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

}  // namespace WorkSpace
