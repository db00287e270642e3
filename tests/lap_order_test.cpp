// A lap's arrangement on made-up dates: which photos are memories (the year's end, 29
// February), the memories' order, bursts found and kept apart, and folders compared the
// Windows way.
#include "library/lap_order.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace WorkSpace;

namespace {
CivilDate Day(int32_t y, int32_t m, int32_t d) {
    CivilDate date;
    date.year = y;
    date.month = m;
    date.day = d;
    return date;
}

// The least distance between two of `members` in `order`.
uint32_t LeastDistance(const std::vector<uint32_t>& order, const std::vector<uint32_t>& members) {
    std::vector<uint32_t> places;
    for (uint32_t place = 0; place < order.size(); ++place)
        if (std::count(members.begin(), members.end(), order[place])) places.push_back(place);
    uint32_t least = UINT32_MAX;
    for (size_t i = 1; i < places.size(); ++i) least = std::min(least, places[i] - places[i - 1]);
    return least;
}

bool EachOnce(std::vector<uint32_t> order) {
    std::sort(order.begin(), order.end());
    for (uint32_t i = 0; i < order.size(); ++i)
        if (order[i] != i) return false;
    return true;
}
}  // namespace

TEST(LapOrder, DateOfTimeAroundTheEpochAndALeapDay) {
    const struct {
        int64_t seconds;
        CivilDate date;
    } cases[] = {
        {0, Day(1970, 1, 1)},
        {-1, Day(1969, 12, 31)},
        {951782400, Day(2000, 2, 29)},
        {1709251199, Day(2024, 2, 29)},
    };
    for (const auto& c : cases) {
        const CivilDate got = DateOfTime(c.seconds);
        EXPECT_EQ(got.year * 10000 + got.month * 100 + got.day, c.date.year * 10000 + c.date.month * 100 + c.date.day)
            << c.seconds;
    }
}

TEST(LapOrder, MemoriesWithinThreeDaysOfTodayInEarlierYears) {
    const struct {
        CivilDate taken, today;
        uint32_t years;
    } cases[] = {
        {Day(2023, 7, 14), Day(2026, 7, 14), 3},
        {Day(2023, 7, 11), Day(2026, 7, 14), 3},
        {Day(2023, 7, 17), Day(2026, 7, 14), 3},
        {Day(2023, 7, 18), Day(2026, 7, 14), 0},
        {Day(2026, 7, 14), Day(2026, 7, 14), 0},  // this year's is no memory
        {Day(2024, 12, 30), Day(2026, 1, 2), 1},  // across the year's end
        {Day(2025, 1, 2), Day(2026, 12, 30), 2},  // its day two years ago was 30 December
        {Day(2025, 12, 30), Day(2026, 1, 2), 0},  // three days ago, not an earlier year
        {Day(2024, 2, 29), Day(2026, 3, 1), 2},
        {Day(2023, 3, 4), Day(2028, 2, 29), 5},   // 29 February falls on 1 March in 2023
        {Day(2023, 3, 5), Day(2028, 2, 29), 0},
        {Day(2020, 2, 29), Day(2027, 2, 26), 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MemoryYears(c.taken, c.today), c.years)
            << c.taken.year << "-" << c.taken.month << "-" << c.taken.day << " on " << c.today.month << "-" << c.today.day;
}

TEST(LapOrder, MemoriesFirstOldestFirstTheRestInTheirOrder) {
    const std::vector<uint32_t> order = {5, 0, 3, 1, 4, 2};
    const std::vector<uint32_t> years = {0, 2, 0, 7, 2, 0};
    const std::vector<int64_t> taken = {0, 2000, 0, 1000, 2000, 0};
    EXPECT_EQ(MemoriesFirst(order, years, taken), (std::vector<uint32_t>{3, 1, 4, 5, 0, 2}));
}

TEST(LapOrder, BurstsChainWithinAFolderOnly) {
    std::vector<BurstPhoto> photos = {
        {L"A\\", true, 1000}, {L"A\\", true, 1060}, {L"A\\", true, 1120},  // chained, 120 s end to end
        {L"A\\", true, 1181},                                              // 61 s after
        {L"B\\", true, 1010},                                              // another folder
        {L"A\\", false, 0},  {L"A\\", false, 0},                           // no date: each alone
    };
    const std::vector<uint32_t> burst = FindBursts(photos);
    EXPECT_EQ(burst[0], burst[1]);
    EXPECT_EQ(burst[0], burst[2]);
    for (size_t i = 3; i < photos.size(); ++i)
        for (size_t j = 0; j < i; ++j) EXPECT_NE(burst[i], burst[j]) << i << " " << j;
}

TEST(LapOrder, ABurstStandsElevenPlacesApartWhereTheLapAllows) {
    for (const uint32_t singles : {100u, 40u}) {
        const uint32_t n = singles + 10;
        std::vector<uint32_t> burst(n), members;
        for (uint32_t i = 0; i < n; ++i) burst[i] = i < 10 ? 0 : i;
        for (uint32_t i = 0; i < 10; ++i) members.push_back(i);
        for (uint64_t seed = 1; seed <= 200; ++seed) {
            std::vector<uint32_t> order(n);
            for (uint32_t i = 0; i < n; ++i) order[i] = static_cast<uint32_t>((i * 37 + seed * 11) % n);
            if (!EachOnce(order)) continue;  // 37 shares a factor with n
            const std::vector<uint32_t> spread = SpreadBursts(order, burst, seed);
            ASSERT_TRUE(EachOnce(spread));
            EXPECT_EQ(spread, SpreadBursts(order, burst, seed));
            // 50 places hold ten of a burst five apart at best.
            EXPECT_GE(LeastDistance(spread, members), singles == 100 ? kBurstDistance : (n - 1) / 9) << seed;
        }
    }
}

TEST(LapOrder, WithoutBurstsTheOrderStays) {
    const std::vector<uint32_t> order = {3, 0, 4, 1, 2};
    EXPECT_EQ(SpreadBursts(order, {0, 1, 2, 3, 4}, 9), order);
}

TEST(LapOrder, FoldersComparedTheWindowsWay) {
    const struct {
        const wchar_t* path;
        const wchar_t* folder;
        bool within;
    } cases[] = {
        {L"C:\\Photos\\Private\\a.jpg", L"c:\\photos\\private", true},
        {L"C:\\Photos\\Private\\Deep\\a.jpg", L"C:/Photos/Private/", true},
        {L"\\\\?\\C:\\Photos\\Private\\a.jpg", L"C:\\Photos\\Private\\", true},
        {L"\\\\?\\UNC\\nas\\share\\x\\a.jpg", L"\\\\NAS\\share\\x", true},
        {L"C:\\Photos\\Private", L"C:\\Photos\\Private\\", true},
        {L"C:\\Photos\\PrivateMore\\a.jpg", L"C:\\Photos\\Private", false},
        {L"C:\\Photos\\a.jpg", L"C:\\Photos\\Private", false},
        // Case is ignored in every script, not only in ASCII.
        {L"C:\\Fotos\\\u00C4RGER\\a.jpg", L"c:\\fotos\\\u00E4rger", true},
        {L"D:\\\u0424\u041E\u0422\u041E\\a.jpg", L"D:\\\u0444\u043E\u0442\u043E\\", true},
    };
    for (const auto& c : cases) EXPECT_EQ(IsWithinFolder(c.path, c.folder), c.within) << c.path;
}

// A library of 100,000 photos in bursts of one to five: each burst kept apart, at once.
TEST(LapOrder, ManyBurstsOfALargeLibraryAllKeptApart) {
    const uint32_t n = 100000;
    std::vector<uint32_t> burst(n), order(n);
    for (uint32_t i = 0; i < n; ++i) {
        burst[i] = i - i % (1 + i / 1000 % 5);
        order[i] = static_cast<uint32_t>((static_cast<uint64_t>(i) * 7919) % n);
    }
    const std::vector<uint32_t> spread = SpreadBursts(order, burst, 77);
    ASSERT_TRUE(EachOnce(spread));
    std::vector<uint32_t> last(n, UINT32_MAX);
    uint32_t tooClose = 0;
    for (uint32_t place = 0; place < n; ++place) {
        uint32_t& before = last[burst[spread[place]]];
        if (before != UINT32_MAX && place - before < kBurstDistance) ++tooClose;
        before = place;
    }
    EXPECT_EQ(tooClose, 0u);
}
