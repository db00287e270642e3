// The TIFF tag reader. A photo's TIFF structure comes from any file a user picks, so every
// IFD offset, count and value offset is compared with the bytes present before it is read.
#include "imaging/tiff_tags.h"

#include <cctype>

#include "imaging/exif.h"

namespace WorkSpace {

bool TiffReader::Header(uint32_t& ifd0) {
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

bool TiffReader::Find(uint32_t ifd, uint32_t tag, TiffEntry& entry) const {
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

bool TiffReader::Pointer(uint32_t ifd, uint32_t tag, uint32_t& at) const {
    TiffEntry entry;
    if (!Find(ifd, tag, entry) || entry.type != 4 || entry.count != 1) return false;
    at = U32(entry.values);
    return true;
}

bool ReadTiffOrientation(const uint8_t* tiff, size_t size, uint32_t& orientation) {
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

namespace {

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

}  // namespace

bool ReadTiffFacts(const uint8_t* tiff, size_t size, ExifFacts& facts) {
    TiffReader reader(tiff, size);
    uint32_t ifd0 = 0, at = 0;
    if (!reader.Header(ifd0)) return false;
    if (reader.Pointer(ifd0, 0x8769, at) && !ExifDate(reader, at, 0x9003, facts)) ExifDate(reader, at, 0x9004, facts);
    double lat = 0.0, lon = 0.0;
    if (reader.Pointer(ifd0, 0x8825, at) && !GpsVoid(reader, at) && GpsCoordinate(reader, at, 1, 2, 'N', 'S', 90.0, lat) &&
        GpsCoordinate(reader, at, 3, 4, 'E', 'W', 180.0, lon)) {
        facts.hasPosition = true;
        facts.latitude = lat;
        facts.longitude = lon;
    }
    int32_t stars = 0;
    if (ExifRating(reader, ifd0, stars)) {
        facts.hasRating = true;
        facts.rating = stars;
    }
    return true;
}

int32_t StarsOfRatingPercent(int32_t percent) {
    if (percent <= 0) return 0;
    if (percent <= 12) return 1;
    if (percent <= 37) return 2;
    if (percent <= 62) return 3;
    if (percent <= 87) return 4;
    return 5;
}

}  // namespace WorkSpace
