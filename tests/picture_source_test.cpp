// What every picture source shares: when facts read at one stamp still hold for the entry
// as it is stamped now.
#include "sources/picture_source.h"

#include <gtest/gtest.h>

using namespace WorkSpace;

TEST(PictureSource, FactsHoldOnlyWhileTheStampIsTheSame) {
    const auto stamp = [](int64_t size, int64_t modified, const char* tag) {
        PictureStamp s;
        s.size = size;
        s.modified = modified;
        s.tag = tag;
        return s;
    };
    const struct {
        PictureStamp kept, now;
        bool unchanged;
    } cases[] = {
        {stamp(100, 7, ""), stamp(100, 7, ""), true},
        {stamp(100, 7, ""), stamp(101, 7, ""), false},   // rewritten: another size
        {stamp(100, 7, ""), stamp(100, 8, ""), false},   // rewritten in place, same size
        {stamp(100, 8, ""), stamp(100, 7, ""), false},   // an older copy put back
        {stamp(100, 7, "a"), stamp(100, 7, "a"), true},  // a server's version tag
        {stamp(100, 7, "a"), stamp(100, 7, "b"), false},
        {stamp(100, 7, ""), stamp(100, 7, "a"), false},  // a row kept without the tag
        {stamp(0, 0, ""), stamp(0, 0, ""), false},       // a stamp that tells nothing
        {stamp(0, 5, ""), stamp(0, 5, ""), true},        // an empty file
    };
    for (const auto& c : cases)
        EXPECT_EQ(StillUnchanged(c.kept, c.now), c.unchanged) << c.kept.size << "/" << c.kept.modified << "/"
                                                               << c.kept.tag << " -> " << c.now.size << "/"
                                                               << c.now.modified << "/" << c.now.tag;
}
