// The EXIF reader (orientation, date and place) against hand-built TIFF structures and JPEG
// segments, and turning a picture upright by its orientation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "imaging/exif.h"
#include "imaging/image.h"

using namespace WorkSpace;

namespace {
using Bytes = std::vector<uint8_t>;
}  // namespace

namespace {
// A 3 x 2 picture whose pixels are their own index: 0 1 2 / 3 4 5.
Image Numbered() {
    Image im;
    im.width = 3;
    im.height = 2;
    im.pixels = {0, 1, 2, 3, 4, 5};
    return im;
}
}  // namespace

TEST(ImageOrient, AllEightOrientations) {
    struct Case {
        uint32_t orientation, width, height;
        std::vector<uint32_t> pixels;
    };
    const Case cases[] = {
        {1, 3, 2, {0, 1, 2, 3, 4, 5}},
        {2, 3, 2, {2, 1, 0, 5, 4, 3}},        // mirrored
        {3, 3, 2, {5, 4, 3, 2, 1, 0}},        // half a turn
        {4, 3, 2, {3, 4, 5, 0, 1, 2}},        // flipped
        {5, 2, 3, {0, 3, 1, 4, 2, 5}},        // transposed
        {6, 2, 3, {3, 0, 4, 1, 5, 2}},        // a quarter turn clockwise
        {7, 2, 3, {5, 2, 4, 1, 3, 0}},        // transposed across the other diagonal
        {8, 2, 3, {2, 5, 1, 4, 0, 3}},        // a quarter turn anticlockwise
        {0, 3, 2, {0, 1, 2, 3, 4, 5}},        // no tag
        {9, 3, 2, {0, 1, 2, 3, 4, 5}},        // not a valid value
    };
    for (const Case& c : cases) {
        const Image out = OrientImage(Numbered(), c.orientation);
        EXPECT_EQ(out.width, c.width) << c.orientation;
        EXPECT_EQ(out.height, c.height) << c.orientation;
        EXPECT_EQ(out.pixels, c.pixels) << c.orientation;
    }
}

namespace {
// A TIFF header with IFD0 holding `entries` tags; orientation as the last, as SHORT.
Bytes Tiff(bool little, uint32_t orientation, uint16_t type = 3, uint32_t count = 1) {
    Bytes b;
    auto p16 = [&](uint32_t v) {
        if (little) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); }
        else { b.push_back(uint8_t(v >> 8)); b.push_back(uint8_t(v)); }
    };
    auto p32 = [&](uint32_t v) {
        if (little) { p16(v & 0xFFFF); p16(v >> 16); }
        else { p16(v >> 16); p16(v & 0xFFFF); }
    };
    b.push_back(little ? 'I' : 'M');
    b.push_back(little ? 'I' : 'M');
    p16(42);
    p32(8);
    p16(2);
    p16(271); p16(2); p32(4); p32(0x41424344);  // Make, before the tag we look for
    p16(274); p16(type); p32(count); p16(orientation); p16(0);
    p32(0);
    return b;
}
Bytes JpegWith(const std::vector<Bytes>& segments) {
    Bytes b = {0xFF, 0xD8};
    for (const Bytes& s : segments) b.insert(b.end(), s.begin(), s.end());
    const Bytes tail = {0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9};
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}
// `head` then `tail`, copied into a vector of the final size: appending to a vector built
// from a brace list makes GCC 12 warn (-Warray-bounds) of a copy past its end that cannot happen.
Bytes Joined(const Bytes& head, const Bytes& tail) {
    Bytes b(head.size() + tail.size());
    std::copy(tail.begin(), tail.end(), std::copy(head.begin(), head.end(), b.begin()));
    return b;
}
Bytes Segment(uint8_t marker, const Bytes& payload) {
    return Joined({0xFF, marker, uint8_t((payload.size() + 2) >> 8), uint8_t(payload.size() + 2)}, payload);
}
Bytes Exif(const Bytes& tiff) { return Joined({'E', 'x', 'i', 'f', 0, 0}, tiff); }
}  // namespace

TEST(ImageExif, OrientationFromTiffAndJpegInBothByteOrders) {
    uint32_t o = 0;
    EXPECT_TRUE(ReadExifOrientation(Tiff(true, 6).data(), Tiff(true, 6).size(), o));
    EXPECT_EQ(o, 6u);
    EXPECT_TRUE(ReadExifOrientation(Tiff(false, 8).data(), Tiff(false, 8).size(), o));
    EXPECT_EQ(o, 8u);
    // JFIF first, then an XMP APP1, then the Exif one.
    const Bytes jpeg = JpegWith({Segment(0xE0, {'J', 'F', 'I', 'F', 0}), Segment(0xE1, {'h', 't', 't', 'p', 0}),
                                 Segment(0xE1, Exif(Tiff(false, 3)))});
    EXPECT_TRUE(ReadExifOrientation(jpeg.data(), jpeg.size(), o));
    EXPECT_EQ(o, 3u);
}

TEST(ImageExif, MissingOrDamagedTagsGiveNone) {
    uint32_t o = 7;
    const Bytes noExif = JpegWith({Segment(0xE0, {'J', 'F', 'I', 'F', 0})});
    EXPECT_FALSE(ReadExifOrientation(noExif.data(), noExif.size(), o));
    EXPECT_FALSE(ReadExifOrientation(Tiff(true, 0).data(), Tiff(true, 0).size(), o));      // out of range
    EXPECT_FALSE(ReadExifOrientation(Tiff(true, 9).data(), Tiff(true, 9).size(), o));
    EXPECT_FALSE(ReadExifOrientation(Tiff(true, 6, 4).data(), Tiff(true, 6, 4).size(), o));  // LONG, not SHORT
    EXPECT_FALSE(ReadExifOrientation(Tiff(true, 6, 3, 2).data(), Tiff(true, 6, 3, 2).size(), o));
    // Every truncation of a good file is refused or read without reading past its end.
    const Bytes jpeg = JpegWith({Segment(0xE1, Exif(Tiff(true, 6)))});
    for (size_t n = 0; n < jpeg.size(); ++n) {
        const Bytes cut(jpeg.begin(), jpeg.begin() + n);
        uint32_t v = 0;
        if (ReadExifOrientation(cut.data(), cut.size(), v)) {
            EXPECT_EQ(v, 6u);
        }
    }
    // A segment length running past the end, and an IFD offset past the end.
    Bytes longSegment = jpeg;
    longSegment[4] = 0x7F;
    EXPECT_FALSE(ReadExifOrientation(longSegment.data(), longSegment.size(), o));
    Bytes farIfd = Tiff(true, 6);
    farIfd[4] = 0xF0;
    EXPECT_FALSE(ReadExifOrientation(farIfd.data(), farIfd.size(), o));
    EXPECT_EQ(o, 7u);  // untouched by every failure
}

namespace {
void Put16(Bytes& b, uint32_t v) { b.push_back(uint8_t(v >> 8)); b.push_back(uint8_t(v)); }
void Put32(Bytes& b, uint32_t v) { Put16(b, v >> 16); Put16(b, v & 0xFFFF); }
Bytes Be32Of(uint32_t v) { Bytes b; Put32(b, v); return b; }
Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes b;
    for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
    return b;
}
Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// One IFD entry of a big-endian TIFF: its values as they are stored.
struct Entry {
    uint16_t tag, type;
    uint32_t count;
    Bytes value;
};
Entry Ascii(uint16_t tag, const std::string& text, size_t field) {
    Bytes v = Text(text);
    v.resize(field, 0);
    return {tag, 2, uint32_t(field), v};
}
Entry Rationals(uint16_t tag, std::initializer_list<uint32_t> parts) {
    Bytes v;
    for (uint32_t p : parts) Put32(v, p);
    return {tag, 5, uint32_t(parts.size() / 2), v};
}
// The IFD of `entries` placed at `at`; values of more than 4 bytes follow it.
Bytes Ifd(const std::vector<Entry>& entries, uint32_t at) {
    Bytes head, tail;
    const uint32_t tailAt = at + 2 + 12 * uint32_t(entries.size()) + 4;
    Put16(head, uint32_t(entries.size()));
    for (const Entry& e : entries) {
        Put16(head, e.tag);
        Put16(head, e.type);
        Put32(head, e.count);
        if (e.value.size() <= 4) {
            Bytes v = e.value;
            v.resize(4, 0);
            head.insert(head.end(), v.begin(), v.end());
        } else {
            Put32(head, tailAt + uint32_t(tail.size()));
            tail.insert(tail.end(), e.value.begin(), e.value.end());
        }
    }
    Put32(head, 0);
    return Cat({head, tail});
}
// A big-endian TIFF whose IFD0 points to an Exif IFD and a GPS IFD holding these entries.
Bytes TiffWith(const std::vector<Entry>& exif, const std::vector<Entry>& gps) {
    const uint32_t exifAt = 8 + 2 + 2 * 12 + 4;
    const Bytes exifIfd = Ifd(exif, exifAt);
    const uint32_t gpsAt = exifAt + uint32_t(exifIfd.size());
    return Cat({{'M', 'M', 0, 42, 0, 0, 0, 8},
                Ifd({{0x8769, 4, 1, Be32Of(exifAt)}, {0x8825, 4, 1, Be32Of(gpsAt)}}, 8), exifIfd, Ifd(gps, gpsAt)});
}
// 33°51'36" S, 151°12'36" W, with the reference letters and status given.
std::vector<Entry> Gps(const std::string& latRef = "S", const std::string& lonRef = "W",
                       const std::string& status = "") {
    std::vector<Entry> gps = {Ascii(1, latRef, 2), Rationals(2, {33, 1, 51, 1, 36, 1}), Ascii(3, lonRef, 2),
                              Rationals(4, {151, 1, 12, 1, 3600, 100})};
    if (!status.empty()) gps.push_back(Ascii(9, status, 2));
    return gps;
}
Bytes FactsTiff(uint16_t dateTag, const std::string& date) { return TiffWith({Ascii(dateTag, date, 20)}, Gps()); }
}  // namespace

TEST(ImageExif, PhotoFactsFromTheExifAndGpsBlocks) {
    ExifFacts facts;
    const Bytes digitized = FactsTiff(0x9004, "2019:02:28 23:59:59");
    ASSERT_TRUE(ReadExifFacts(digitized.data(), digitized.size(), facts));
    EXPECT_TRUE(facts.hasDate && facts.year == 2019 && facts.month == 2 && facts.day == 28);
    ASSERT_TRUE(facts.hasPosition);
    EXPECT_NEAR(facts.latitude, -33.86, 1e-9);
    EXPECT_NEAR(facts.longitude, -151.21, 1e-9);
    // A camera without a clock writes zeros: no date, never the file's time instead.
    const Bytes noClock = FactsTiff(0x9003, "0000:00:00 00:00:00");
    ASSERT_TRUE(ReadExifFacts(noClock.data(), noClock.size(), facts));
    EXPECT_FALSE(facts.hasDate);
    EXPECT_TRUE(facts.hasPosition);
    const Bytes none = Tiff(true, 6);
    EXPECT_FALSE(ReadExifFacts(none.data(), none.size(), facts));
    const Bytes jpeg = JpegWith({Segment(0xE1, Exif(digitized))});
    for (size_t n = 0; n < jpeg.size(); ++n) {
        const Bytes cut(jpeg.begin(), jpeg.begin() + n);
        ReadExifFacts(cut.data(), cut.size(), facts);  // never reads past the end (ASan run)
    }
}

TEST(ImageExif, ThePositionAndTheDayMustExist) {
    struct Case {
        const char* what;
        Bytes tiff;
        bool date, position;
    };
    const Entry day = Ascii(0x9003, "2023:07:14 10:00:00", 20);
    const Case cases[] = {
        {"lowercase letters", TiffWith({day}, Gps("s", "w")), true, true},
        {"a status of A", TiffWith({day}, Gps("N", "E", "A")), true, true},
        {"an unknown letter", TiffWith({day}, Gps("X", "E")), true, false},
        {"a void status", TiffWith({day}, Gps("N", "E", "V")), true, false},
        {"60 minutes", TiffWith({day}, {Ascii(1, "N", 2), Rationals(2, {33, 1, 60, 1, 0, 1}), Ascii(3, "E", 2),
                                        Rationals(4, {1, 1, 0, 1, 0, 1})}), true, false},
        {"60 seconds", TiffWith({day}, {Ascii(1, "N", 2), Rationals(2, {33, 1, 0, 1, 0, 1}), Ascii(3, "E", 2),
                                        Rationals(4, {1, 1, 0, 1, 6000, 100})}), true, false},
        {"29 Feb of a leap year", TiffWith({Ascii(0x9003, "2024:02:29 10:00:00", 20)}, {}), true, false},
        {"29 Feb 2000", TiffWith({Ascii(0x9003, "2000:02:29 10:00:00", 20)}, {}), true, false},
        {"29 Feb 2023", TiffWith({Ascii(0x9003, "2023:02:29 10:00:00", 20)}, {}), false, false},
        {"29 Feb 1900", TiffWith({Ascii(0x9003, "1900:02:29 10:00:00", 20)}, {}), false, false},
        {"31 April", TiffWith({Ascii(0x9003, "2023:04:31 10:00:00", 20)}, {}), false, false},
        {"the year 0", TiffWith({Ascii(0x9003, "0000:07:14 10:00:00", 20)}, {}), false, false},
        {"an impossible original, a digitized day", TiffWith({Ascii(0x9003, "2023:02:30 10:00:00", 20),
                                                              Ascii(0x9004, "2023:02:28 10:00:00", 20)}, {}), true, false},
    };
    for (const Case& c : cases) {
        ExifFacts facts;
        ReadExifFacts(c.tiff.data(), c.tiff.size(), facts);
        EXPECT_EQ(facts.hasDate, c.date) << c.what;
        EXPECT_EQ(facts.hasPosition, c.position) << c.what;
    }
    ExifFacts facts;
    const Bytes lower = TiffWith({day}, Gps("s", "w"));
    ASSERT_TRUE(ReadExifFacts(lower.data(), lower.size(), facts));
    EXPECT_NEAR(facts.latitude, -33.86, 1e-9);
    EXPECT_NEAR(facts.longitude, -151.21, 1e-9);
}

namespace {
// An ISO BMFF box, and one with a version and flags.
Bytes BoxOf(const char* type, const Bytes& body) {
    return Cat({Be32Of(uint32_t(body.size() + 8)), Text(type), body});
}
Bytes FullBox(const char* type, uint8_t version, const Bytes& body) { return BoxOf(type, Cat({{version, 0, 0, 0}, body})); }
// A HEIF file with a picture item and an Exif item, the latter in the file after `meta`
// (construction 0) or in meta's idat box (construction 1). Its payload has JPEG's "Exif\0\0"
// before the TIFF header, as cameras write it, and says so in its first four bytes. `wide`:
// the box versions with 32-bit counts and item IDs (iinf 1, infe 3, iloc 2).
Bytes Heif(const Bytes& tiff, bool inIdat, bool wide = false) {
    const Bytes payload = Cat({Be32Of(6), Text(std::string("Exif\0\0", 6)), tiff});
    const Bytes id1 = wide ? Bytes{0, 0, 0, 1} : Bytes{0, 1}, id2 = wide ? Bytes{0, 0, 0, 2} : Bytes{0, 2};
    const uint8_t infe = wide ? 3 : 2;
    const Bytes iinf = FullBox("iinf", wide ? 1 : 0,
                               Cat({wide ? Be32Of(2) : Bytes{0, 2}, FullBox("infe", infe, Cat({id1, {0, 0}, Text("hvc1"), {0}})),
                                    FullBox("infe", infe, Cat({id2, {0, 0}, Text("Exif"), {0}}))}));
    auto meta = [&](uint32_t offset) {
        const Bytes iloc = FullBox("iloc", wide ? 2 : 1,
                                   Cat({{0x44, 0x00}, wide ? Be32Of(2) : Bytes{0, 2}, id1, {0, 0, 0, 0, 0, 1},
                                        Be32Of(0), Be32Of(0), id2, {0, uint8_t(inIdat ? 1 : 0), 0, 0, 0, 1},
                                        Be32Of(offset), Be32Of(uint32_t(payload.size()))}));
        return FullBox("meta", 0, Cat({FullBox("hdlr", 0, Cat({{0, 0, 0, 0}, Text("pict")})), iloc, iinf,
                                       inIdat ? BoxOf("idat", payload) : Bytes()}));
    };
    const Bytes ftyp = BoxOf("ftyp", Text(std::string("heic\0\0\0\0mif1heic", 16)));
    if (inIdat) return Cat({ftyp, meta(0)});
    return Cat({ftyp, meta(uint32_t(ftyp.size() + meta(0).size() + 8)), BoxOf("mdat", payload)});
}
Bytes Png(const Bytes& tiff) {
    auto chunk = [](const char* type, const Bytes& data) { return Cat({Be32Of(uint32_t(data.size())), Text(type), data, Be32Of(0)}); };
    return Cat({{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, chunk("IHDR", Bytes(13, 1)), chunk("eXIf", tiff),
                chunk("IEND", {})});
}
// A WebP file whose odd-sized VP8X chunk is padded, its EXIF chunk with or without "Exif\0\0".
Bytes Webp(const Bytes& tiff, bool exifPrefix) {
    auto chunk = [](const char* type, const Bytes& data) {
        const uint32_t n = uint32_t(data.size());
        return Cat({Text(type), {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)}, data,
                    n % 2 ? Bytes{0} : Bytes()});
    };
    const Bytes body = Cat({Text("WEBP"), chunk("VP8X", Bytes(9, 0)),
                            chunk("EXIF", exifPrefix ? Exif(tiff) : tiff)});
    const uint32_t n = uint32_t(body.size());
    return Cat({Text("RIFF"), {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)}, body});
}
// A raw file: the TIFF structure with its maker's number in place of 42.
Bytes Raw(const Bytes& tiff, uint16_t magic) {
    Bytes b = tiff;
    b[2] = uint8_t(tiff[0] == 'I' ? magic : magic >> 8);
    b[3] = uint8_t(tiff[0] == 'I' ? magic >> 8 : magic);
    return b;
}
}  // namespace

TEST(ImageExif, EveryContainerGivesTheSameFacts) {
    using Wrap = Bytes (*)(const Bytes&);
    struct Case {
        const char* what;
        Wrap wrap;
        bool orientationCounts;
    };
    const Case cases[] = {
        {"JPEG", [](const Bytes& t) { return JpegWith({Segment(0xE1, Exif(t))}); }, true},
        {"HEIF, item in the file", [](const Bytes& t) { return Heif(t, false); }, false},
        {"HEIF, item in idat", [](const Bytes& t) { return Heif(t, true); }, false},
        {"HEIF, 32-bit IDs", [](const Bytes& t) { return Heif(t, false, true); }, false},
        {"PNG", [](const Bytes& t) { return Png(t); }, true},
        {"WebP", [](const Bytes& t) { return Webp(t, false); }, true},
        {"WebP with Exif\\0\\0", [](const Bytes& t) { return Webp(t, true); }, true},
        {"ORF (IIRO/MMOR)", [](const Bytes& t) { return Raw(t, 0x4F52); }, true},
        {"ORF (IIRS)", [](const Bytes& t) { return Raw(t, 0x5352); }, true},
        {"RW2", [](const Bytes& t) { return Raw(t, 0x55); }, true},
    };
    for (const Case& c : cases) {
        const Bytes photo = c.wrap(FactsTiff(0x9003, "2023:07:14 10:00:00"));
        ExifFacts facts;
        ASSERT_TRUE(ReadExifFacts(photo.data(), photo.size(), facts)) << c.what;
        EXPECT_TRUE(facts.hasDate && facts.year == 2023 && facts.month == 7 && facts.day == 14) << c.what;
        EXPECT_TRUE(facts.hasPosition && facts.latitude < -33.8 && facts.longitude < -151.2) << c.what;
        const Bytes turned = c.wrap(Tiff(true, 6));
        uint32_t o = 0;
        EXPECT_EQ(ReadExifOrientation(turned.data(), turned.size(), o), c.orientationCounts) << c.what;
        EXPECT_EQ(o, c.orientationCounts ? 6u : 0u) << c.what;
        for (size_t n = 0; n < photo.size(); ++n) {
            const Bytes cut(photo.begin(), photo.begin() + n);
            ReadExifFacts(cut.data(), cut.size(), facts);  // never reads past the end (ASan run)
        }
    }
}

namespace {
Bytes Ifd0Tiff(const std::vector<Entry>& entries) { return Cat({{'M', 'M', 0, 42, 0, 0, 0, 8}, Ifd(entries, 8)}); }
Entry Short(uint16_t tag, uint32_t value) { return {tag, 3, 1, {uint8_t(value >> 8), uint8_t(value)}}; }
Bytes Xmp(const std::string& inside) {
    return Text("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF><rdf:Description " + inside +
                "</rdf:Description></rdf:RDF></x:xmpmeta>");
}
Bytes JpegXmp(const Bytes& xmp, const Bytes& tiff) {
    return JpegWith({Segment(0xE1, Exif(tiff)), Segment(0xE1, Cat({Text(std::string("http://ns.adobe.com/xap/1.0/\0", 29)), xmp}))});
}
}  // namespace

TEST(ImageExif, StarsFromExifRatingRatingPercentAndXmp) {
    const Bytes none = Ifd0Tiff({Short(271, 0)});
    struct Case {
        const char* what;
        Bytes photo;
        bool rated;
        int32_t stars;
    };
    const Case cases[] = {
        {"Rating 3", Ifd0Tiff({Short(0x4746, 3)}), true, 3},
        {"Rating -1, rejected", Ifd0Tiff({Short(0x4746, 0xFFFF)}), true, 0},
        {"Rating as a LONG", Ifd0Tiff({{0x4746, 4, 1, Be32Of(3)}}), true, 3},
        {"Rating 6, out of range", Ifd0Tiff({Short(0x4746, 6)}), false, 0},
        {"RatingPercent 1", Ifd0Tiff({Short(0x4749, 1)}), true, 1},
        {"RatingPercent 12", Ifd0Tiff({Short(0x4749, 12)}), true, 1},
        {"RatingPercent 13", Ifd0Tiff({Short(0x4749, 13)}), true, 2},
        {"RatingPercent 50", Ifd0Tiff({Short(0x4749, 50)}), true, 3},
        {"RatingPercent 63", Ifd0Tiff({Short(0x4749, 63)}), true, 4},
        {"RatingPercent 87", Ifd0Tiff({Short(0x4749, 87)}), true, 4},
        {"RatingPercent 99", Ifd0Tiff({Short(0x4749, 99)}), true, 5},
        {"Rating before RatingPercent", Ifd0Tiff({Short(0x4746, 2), Short(0x4749, 99)}), true, 2},
        {"XMP attribute", JpegXmp(Xmp("xmp:Rating=\"4\">"), none), true, 4},
        {"XMP attribute in single quotes", JpegXmp(Xmp("xmp:Rating = '2'>"), none), true, 2},
        {"XMP element", JpegXmp(Xmp("><xmp:Rating>5</xmp:Rating>"), none), true, 5},
        {"XMP real number", JpegXmp(Xmp("xmp:Rating=\"1.0\">"), none), true, 1},
        {"XMP -1, rejected", JpegXmp(Xmp("xmp:Rating=\"-1\">"), none), true, 0},
        {"XMP RatingPercent is another name", JpegXmp(Xmp("xmp:RatingPercent=\"75\">"), none), false, 0},
        {"XMP over EXIF", JpegXmp(Xmp("xmp:Rating=\"1\">"), Ifd0Tiff({Short(0x4746, 5)})), true, 1},
        {"XMP without stars, then EXIF", JpegXmp(Xmp(">"), Ifd0Tiff({Short(0x4746, 5)})), true, 5},
        {"XMP out of range", JpegXmp(Xmp("xmp:Rating=\"7\">"), none), false, 0},
        {"none", none, false, 0},
    };
    for (const Case& c : cases) {
        ExifFacts facts;
        EXPECT_EQ(ReadExifFacts(c.photo.data(), c.photo.size(), facts), c.rated) << c.what;
        EXPECT_EQ(facts.hasRating, c.rated) << c.what;
        EXPECT_EQ(facts.rating, c.stars) << c.what;
    }
}

TEST(ImageExif, XmpStarsInEveryContainerThatKeepsXmp) {
    const Bytes xmp = Xmp("xmp:Rating=\"4\">");
    auto pngChunk = [](const char* type, const Bytes& data) {
        return Cat({Be32Of(uint32_t(data.size())), Text(type), data, Be32Of(0)});
    };
    auto le32 = [](uint32_t n) { return Bytes{uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)}; };
    const Bytes webpBody = Cat({Text("WEBP"), Text("XMP "), le32(uint32_t(xmp.size())), xmp, Bytes(xmp.size() % 2, 0)});
    const Bytes cases[] = {
        JpegXmp(xmp, Ifd0Tiff({Short(271, 0)})),
        Cat({{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, pngChunk("IHDR", Bytes(13, 1)),
             pngChunk("iTXt", Text(std::string("Comment\0\0\0\0\0xmp:Rating=\"1\"", 26))),
             pngChunk("iTXt", Cat({Text(std::string("XML:com.adobe.xmp\0\0\0\0\0", 22)), xmp})), pngChunk("IEND", {})}),
        Cat({Text("RIFF"), le32(uint32_t(webpBody.size())), webpBody}),
        Ifd0Tiff({{700, 7, uint32_t(xmp.size()), xmp}}),
    };
    for (const Bytes& photo : cases) {
        ExifFacts facts;
        ASSERT_TRUE(ReadExifFacts(photo.data(), photo.size(), facts)) << photo[0];
        EXPECT_EQ(facts.rating, 4) << photo[0];
        for (size_t n = 0; n < photo.size(); ++n) {
            const Bytes cut(photo.begin(), photo.begin() + n);
            ReadExifFacts(cut.data(), cut.size(), facts);  // never reads past the end (ASan run)
        }
    }
}

TEST(ImageExif, TheTimeTakenIsKeptWhole) {
    ExifFacts facts;
    const Bytes timed = FactsTiff(0x9003, "2023:07:14 10:42:07");
    ASSERT_TRUE(ReadExifFacts(timed.data(), timed.size(), facts));
    EXPECT_EQ(facts.hour * 10000 + facts.minute * 100 + facts.second, 104207u);
    const Bytes dayOnly = FactsTiff(0x9003, "2023:07:14 1x:  :  ");
    ASSERT_TRUE(ReadExifFacts(dayOnly.data(), dayOnly.size(), facts));
    EXPECT_TRUE(facts.hasDate);
    EXPECT_EQ(facts.hour + facts.minute + facts.second, 0u);
}
