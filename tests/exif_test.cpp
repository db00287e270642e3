// A photo's orientation and facts as the callers read them: the same from every container,
// HEIF's orientation left to its own boxes, and XMP's stars before EXIF's.
#include "imaging/exif.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "photo_bytes.h"

using namespace WorkSpace;
using namespace PhotoBytes;

TEST(ImageExif, OrientationFromTiffAndJpegInBothByteOrders) {
    uint32_t o = 0;
    EXPECT_TRUE(ReadExifOrientation(OrientedTiff(true, 6).data(), OrientedTiff(true, 6).size(), o));
    EXPECT_EQ(o, 6u);
    EXPECT_TRUE(ReadExifOrientation(OrientedTiff(false, 8).data(), OrientedTiff(false, 8).size(), o));
    EXPECT_EQ(o, 8u);
    // JFIF first, then an XMP APP1, then the Exif one.
    const Bytes jpeg = JpegWith({Segment(0xE0, {'J', 'F', 'I', 'F', 0}), Segment(0xE1, {'h', 't', 't', 'p', 0}),
                                 Segment(0xE1, Exif(OrientedTiff(false, 3)))});
    EXPECT_TRUE(ReadExifOrientation(jpeg.data(), jpeg.size(), o));
    EXPECT_EQ(o, 3u);
}

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
        const Bytes turned = c.wrap(OrientedTiff(true, 6));
        uint32_t o = 0;
        EXPECT_EQ(ReadExifOrientation(turned.data(), turned.size(), o), c.orientationCounts) << c.what;
        EXPECT_EQ(o, c.orientationCounts ? 6u : 0u) << c.what;
        for (size_t n = 0; n < photo.size(); ++n) {
            const Bytes cut(photo.begin(), photo.begin() + n);
            ReadExifFacts(cut.data(), cut.size(), facts);  // never reads past the end (ASan run)
        }
    }
}

TEST(ImageExif, XmpStarsBeforeExifStars) {
    const Bytes none = Ifd0Tiff({Short(271, 0)});
    struct Case {
        const char* what;
        Bytes photo;
        bool rated;
        int32_t stars;
    };
    const Case cases[] = {
        {"XMP alone", JpegXmp(Xmp("xmp:Rating=\"4\">"), none), true, 4},
        {"XMP over EXIF", JpegXmp(Xmp("xmp:Rating=\"1\">"), Ifd0Tiff({Short(0x4746, 5)})), true, 1},
        {"XMP without stars, then EXIF", JpegXmp(Xmp(">"), Ifd0Tiff({Short(0x4746, 5)})), true, 5},
        {"XMP out of range, no EXIF stars", JpegXmp(Xmp("xmp:Rating=\"7\">"), none), false, 0},
        {"none", none, false, 0},
    };
    for (const Case& c : cases) {
        ExifFacts facts;
        EXPECT_EQ(ReadExifFacts(c.photo.data(), c.photo.size(), facts), c.rated) << c.what;
        EXPECT_EQ(facts.hasRating, c.rated) << c.what;
        EXPECT_EQ(facts.rating, c.stars) << c.what;
    }
}
