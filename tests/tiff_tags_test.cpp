// The TIFF tag reader against hand-built TIFF structures: the orientation in both byte
// orders, the date and the GPS position, and EXIF's stars.
#include "imaging/tiff_tags.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "imaging/exif.h"
#include "photo_bytes.h"

using namespace WorkSpace;
using namespace PhotoBytes;

TEST(TiffTags, OrientationInBothByteOrders) {
    uint32_t o = 0;
    const Bytes little = OrientedTiff(true, 6), big = OrientedTiff(false, 8);
    EXPECT_TRUE(ReadTiffOrientation(little.data(), little.size(), o));
    EXPECT_EQ(o, 6u);
    EXPECT_TRUE(ReadTiffOrientation(big.data(), big.size(), o));
    EXPECT_EQ(o, 8u);
}

TEST(TiffTags, MissingOrDamagedOrientationGivesNone) {
    Bytes farIfd = OrientedTiff(true, 6);
    farIfd[4] = 0xF0;  // IFD0 past the end
    const struct {
        const char* what;
        Bytes tiff;
    } cases[] = {
        {"0, out of range", OrientedTiff(true, 0)},
        {"9, out of range", OrientedTiff(true, 9)},
        {"a LONG, not a SHORT", OrientedTiff(true, 6, 4)},
        {"two values", OrientedTiff(true, 6, 3, 2)},
        {"IFD0 past the end", farIfd},
    };
    for (const auto& c : cases) {
        uint32_t o = 7;
        EXPECT_FALSE(ReadTiffOrientation(c.tiff.data(), c.tiff.size(), o)) << c.what;
        EXPECT_EQ(o, 7u) << c.what;  // untouched by every failure
    }
}

TEST(TiffTags, PhotoFactsFromTheExifAndGpsBlocks) {
    ExifFacts facts;
    const Bytes digitized = FactsTiff(0x9004, "2019:02:28 23:59:59");
    ASSERT_TRUE(ReadTiffFacts(digitized.data(), digitized.size(), facts));
    EXPECT_TRUE(facts.hasDate && facts.year == 2019 && facts.month == 2 && facts.day == 28);
    ASSERT_TRUE(facts.hasPosition);
    EXPECT_NEAR(facts.latitude, -33.86, 1e-9);
    EXPECT_NEAR(facts.longitude, -151.21, 1e-9);
    // A camera without a clock writes zeros: no date, never the file's time instead.
    facts = ExifFacts();
    const Bytes noClock = FactsTiff(0x9003, "0000:00:00 00:00:00");
    ASSERT_TRUE(ReadTiffFacts(noClock.data(), noClock.size(), facts));
    EXPECT_FALSE(facts.hasDate);
    EXPECT_TRUE(facts.hasPosition);
    facts = ExifFacts();
    const Bytes none = OrientedTiff(true, 6);
    ReadTiffFacts(none.data(), none.size(), facts);
    EXPECT_FALSE(facts.hasDate || facts.hasPosition || facts.hasRating);
    for (size_t n = 0; n < digitized.size(); ++n) {
        const Bytes cut(digitized.begin(), digitized.begin() + n);
        ReadTiffFacts(cut.data(), cut.size(), facts);  // never reads past the end (ASan run)
    }
}

TEST(TiffTags, ThePositionAndTheDayMustExist) {
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
        ReadTiffFacts(c.tiff.data(), c.tiff.size(), facts);
        EXPECT_EQ(facts.hasDate, c.date) << c.what;
        EXPECT_EQ(facts.hasPosition, c.position) << c.what;
    }
    ExifFacts facts;
    const Bytes lower = TiffWith({day}, Gps("s", "w"));
    ASSERT_TRUE(ReadTiffFacts(lower.data(), lower.size(), facts));
    EXPECT_NEAR(facts.latitude, -33.86, 1e-9);
    EXPECT_NEAR(facts.longitude, -151.21, 1e-9);
}

TEST(TiffTags, TheTimeTakenIsKeptWhole) {
    ExifFacts facts;
    const Bytes timed = FactsTiff(0x9003, "2023:07:14 10:42:07");
    ASSERT_TRUE(ReadTiffFacts(timed.data(), timed.size(), facts));
    EXPECT_EQ(facts.hour * 10000 + facts.minute * 100 + facts.second, 104207u);
    facts = ExifFacts();
    const Bytes dayOnly = FactsTiff(0x9003, "2023:07:14 1x:  :  ");
    ASSERT_TRUE(ReadTiffFacts(dayOnly.data(), dayOnly.size(), facts));
    EXPECT_TRUE(facts.hasDate);
    EXPECT_EQ(facts.hour + facts.minute + facts.second, 0u);
}

TEST(TiffTags, StarsFromRatingAndRatingPercent) {
    struct Case {
        const char* what;
        Bytes tiff;
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
        {"neither", Ifd0Tiff({Short(271, 0)}), false, 0},
    };
    for (const Case& c : cases) {
        ExifFacts facts;
        ReadTiffFacts(c.tiff.data(), c.tiff.size(), facts);
        EXPECT_EQ(facts.hasRating, c.rated) << c.what;
        EXPECT_EQ(facts.rating, c.stars) << c.what;
    }
}
