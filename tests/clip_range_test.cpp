// The stream over a motion photo's clip range: where seeks land, where reads stop, and
// ranges whose ends would overflow.
#include "video/clip_range.h"

#include <gtest/gtest.h>

#include <limits>

using namespace WorkSpace;

namespace {
constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();
}  // namespace

TEST(ClipRange, Fits) {
    struct Case {
        ClipRange range;
        uint64_t entrySize;
        bool fits;
    } cases[] = {
        {{100, 50}, 150, true},      // up to the entry's last byte
        {{100, 51}, 150, false},     // one past it
        {{100, 50}, 0, true},        // a size the source cannot tell
        {{kMax - 10, 10}, 0, true},  // its end is the largest position there is
        {{kMax - 9, 10}, 0, false},  // its end overflows
        {{kMax, kMax}, kMax, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClipRangeFits(c.range, c.entrySize), c.fits) << c.range.offset << "+" << c.range.length;
}

TEST(ClipRange, Seeks) {
    struct Case {
        uint64_t position;
        SeekFrom from;
        int64_t move;
        bool ok;
        uint64_t landed;
    } cases[] = {
        {40, SeekFrom::Start, 10, true, 10},
        {40, SeekFrom::Current, -15, true, 25},
        {40, SeekFrom::End, -1, true, 99},
        {40, SeekFrom::End, 0, true, 100},
        {40, SeekFrom::End, 20, true, 120},       // past the end is allowed
        {40, SeekFrom::Start, -1, false, 0},      // before the start is not
        {40, SeekFrom::Current, -41, false, 0},
        {40, SeekFrom::End, kMin64, false, 0},    // the smallest move, not negated
        {kMax - 5, SeekFrom::Current, 6, false, 0},  // beyond 64 bits
        {kMax - 5, SeekFrom::Current, 5, true, kMax},
        {0, SeekFrom::Start, kMax64, true, uint64_t(kMax64)},
    };
    const ClipRange range{1000, 100};
    for (const Case& c : cases) {
        uint64_t landed = 0;
        EXPECT_EQ(ClipRangeSeek(range, c.position, c.from, c.move, landed), c.ok) << c.position << " " << c.move;
        if (c.ok) {
            EXPECT_EQ(landed, c.landed) << c.position << " " << c.move;
        }
    }
}

TEST(ClipRange, ReadsAreClippedAtTheRangesEnd) {
    struct Case {
        uint64_t position;
        size_t want, readable;
    } cases[] = {
        {0, 64, 64},
        {90, 64, 10},   // the last ten bytes, not the photo's bytes after
        {99, 1, 1},
        {100, 64, 0},   // at the end
        {500, 64, 0},   // past it, after a seek there
        {kMax, 64, 0},
        {0, 0, 0},
    };
    const ClipRange range{1000, 100};
    for (const Case& c : cases) EXPECT_EQ(ClipRangeReadable(range, c.position, c.want), c.readable) << c.position;
}
