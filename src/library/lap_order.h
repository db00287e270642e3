// How a lap is arranged from what the photo index knows: the photos taken on this day in
// earlier years ("memories") first, and the photos of one burst kept apart in a shuffled
// lap. Pure functions on dates and orders, shared by the saver's library and lumora-tool.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace WorkSpace {

struct CivilDate {
    int32_t year = 1970, month = 1, day = 1;
};
// The day of a time in seconds since 1970-01-01 00:00 of the same clock.
CivilDate DateOfTime(int64_t seconds);
// Days since 1970-01-01 of a day (DateOfTime's inverse, times 86400).
int64_t DaysOfDate(const CivilDate& date);
// Today on the machine's local clock.
CivilDate LocalToday();
// A moment in UTC (seconds since 1970-01-01 00:00 UTC) as this machine's local clock showed
// it, in seconds since 1970-01-01 00:00 of that clock: how a clip's UTC time becomes a date
// taken like a photo's, which its camera wrote in its own local time.
int64_t LocalSecondsOfUtc(int64_t utc);

// A photo taken within this many days of today's month and day counts as a memory.
constexpr int32_t kMemoryDays = 3;
// How many years ago a photo taken on `taken` was taken, when its day lies within
// kMemoryDays of today's month and day of an earlier year (across a year's end too; on a
// year without 29 February, that day is 1 March); 0 when it is no memory.
uint32_t MemoryYears(const CivilDate& taken, const CivilDate& today);

// Photos taken this close after one another in one folder belong to one burst.
constexpr int64_t kBurstSeconds = 60;
// Two photos of one burst stand at least this many places apart in a shuffled lap (no
// two within 10 places of each other), where the lap is long enough.
constexpr uint32_t kBurstDistance = 11;

struct BurstPhoto {
    std::wstring folder;  // the photo's folder, as the walk gave it
    bool dated = false;
    int64_t taken = 0;
};
// Each photo's burst: photos of one folder chained by at most kBurstSeconds between one
// and the next share a number; every other photo has one of its own. O(n log n).
std::vector<uint32_t> FindBursts(const std::vector<BurstPhoto>& photos);

// `order` (a lap's order of photos 0..n-1) rearranged so that the photos of one burst
// stand kBurstDistance places apart, or as evenly spread as the lap allows, and otherwise
// keeping to `order` as closely as it can. Every photo stays exactly once; the same
// arguments give the same order. O(n log n).
std::vector<uint32_t> SpreadBursts(const std::vector<uint32_t>& order, const std::vector<uint32_t>& burst,
                                   uint64_t seed);

// `order` with the memories (photos whose `years` is not 0) moved to its front, oldest
// first (by `taken`, then by their place in `order`); the rest keep their order.
std::vector<uint32_t> MemoriesFirst(const std::vector<uint32_t>& order, const std::vector<uint32_t>& years,
                                    const std::vector<int64_t>& taken);

// Folders the way Windows compares them: case ignored, either separator, a trailing
// separator or not, the long-path prefix (\\?\ and \\?\UNC\) left aside.
std::wstring FolderKey(const std::wstring& path);
// True when `path` is `folder` or lies anywhere below it.
bool IsWithinFolder(const std::wstring& path, const std::wstring& folder);

}  // namespace WorkSpace
