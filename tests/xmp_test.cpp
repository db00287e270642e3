// The stars of an XMP packet, in the forms programs write them and those that only look alike.
#include "imaging/xmp.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "photo_bytes.h"

using namespace WorkSpace;
using namespace PhotoBytes;

TEST(XmpRating, AsAnAttributeOrAnElementFromMinusOneToFive) {
    struct Case {
        const char* what;
        const char* inside;
        bool rated;
        int32_t stars;
    };
    const Case cases[] = {
        {"attribute", "xmp:Rating=\"4\">", true, 4},
        {"attribute in single quotes", "xmp:Rating = '2'>", true, 2},
        {"element", "><xmp:Rating>5</xmp:Rating>", true, 5},
        {"real number", "xmp:Rating=\"1.0\">", true, 1},
        {"-1, rejected", "xmp:Rating=\"-1\">", true, 0},
        {"RatingPercent is another name", "xmp:RatingPercent=\"75\">", false, 0},
        {"out of range", "xmp:Rating=\"7\">", false, 0},
        {"no stars", ">", false, 0},
    };
    for (const Case& c : cases) {
        const Bytes xmp = Xmp(c.inside);
        int32_t stars = 0;
        EXPECT_EQ(ReadXmpRating(xmp.data(), xmp.size(), stars), c.rated) << c.what;
        EXPECT_EQ(stars, c.stars) << c.what;
    }
}
