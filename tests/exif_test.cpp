// The EXIF reader (orientation, date and place) against hand-built TIFF structures and JPEG
// segments, and turning a picture upright by its orientation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pictures/exif.h"
#include "pictures/image.h"

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
// A big-endian TIFF whose IFD0 points to an Exif IFD holding `dateTag` with `date`, and to a
// GPS IFD at 33°51'36" S, 151°12'36" W.
Bytes FactsTiff(uint16_t dateTag, const std::string& date) {
    Bytes b = {'M', 'M', 0, 42, 0, 0, 0, 8};
    auto p16 = [&](uint32_t v) { b.push_back(uint8_t(v >> 8)); b.push_back(uint8_t(v)); };
    auto p32 = [&](uint32_t v) { p16(v >> 16); p16(v & 0xFFFF); };
    const uint32_t exif = 8 + 2 + 2 * 12 + 4, exifValues = exif + 2 + 12 + 4, gps = exifValues + 20,
                   gpsValues = gps + 2 + 4 * 12 + 4;
    p16(2);
    p16(0x8769); p16(4); p32(1); p32(exif);
    p16(0x8825); p16(4); p32(1); p32(gps);
    p32(0);
    p16(1);
    p16(dateTag); p16(2); p32(20); p32(exifValues);
    p32(0);
    for (size_t i = 0; i < 20; ++i) b.push_back(i < date.size() ? uint8_t(date[i]) : 0);
    p16(4);
    p16(1); p16(2); p32(2); p16('S' << 8); p16(0);
    p16(2); p16(5); p32(3); p32(gpsValues);
    p16(3); p16(2); p32(2); p16('W' << 8); p16(0);
    p16(4); p16(5); p32(3); p32(gpsValues + 24);
    p32(0);
    for (uint32_t v : {33u, 1u, 51u, 1u, 36u, 1u, 151u, 1u, 12u, 1u, 3600u, 100u}) p32(v);
    return b;
}
}  // namespace

TEST(ImageExif, PhotoFactsFromTheExifAndGpsBlocks) {
    PhotoFacts facts;
    const Bytes digitized = FactsTiff(0x9004, "2019:02:28 23:59:59");
    ASSERT_TRUE(ReadPhotoFacts(digitized.data(), digitized.size(), facts));
    EXPECT_TRUE(facts.hasDate && facts.year == 2019 && facts.month == 2 && facts.day == 28);
    ASSERT_TRUE(facts.hasPosition);
    EXPECT_NEAR(facts.latitude, -33.86, 1e-9);
    EXPECT_NEAR(facts.longitude, -151.21, 1e-9);
    // A camera without a clock writes zeros: no date, never the file's time instead.
    const Bytes noClock = FactsTiff(0x9003, "0000:00:00 00:00:00");
    ASSERT_TRUE(ReadPhotoFacts(noClock.data(), noClock.size(), facts));
    EXPECT_FALSE(facts.hasDate);
    EXPECT_TRUE(facts.hasPosition);
    const Bytes none = Tiff(true, 6);
    EXPECT_FALSE(ReadPhotoFacts(none.data(), none.size(), facts));
    const Bytes jpeg = JpegWith({Segment(0xE1, Exif(digitized))});
    for (size_t n = 0; n < jpeg.size(); ++n) {
        const Bytes cut(jpeg.begin(), jpeg.begin() + n);
        ReadPhotoFacts(cut.data(), cut.size(), facts);  // never reads past the end (ASan run)
    }
}
