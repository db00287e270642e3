// Turning a picture upright, and the EXIF reader that says how. The reader sees the first
// bytes of any picture a user picks, so every offset and count from the TIFF structure is
// compared with the bytes present before it is followed.
#include "pictures/exif.h"

#include <algorithm>

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

}  // namespace WorkSpace
