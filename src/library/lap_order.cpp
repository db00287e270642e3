// The lap's arrangement from the photos' dates: see lap_order.h.
#include "library/lap_order.h"

#include <algorithm>
#include <ctime>
#include <utility>

#include "platform/platform.h"
#include "sources/local_folder_source.h"

namespace WorkSpace {

namespace {
// Days since 1970-01-01 of a day of the proleptic Gregorian calendar. A day past its
// month's end runs on into the next month: 29 February of a common year is 1 March.
int64_t DaysFromCivil(int64_t y, int32_t m, int32_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}
}  // namespace

CivilDate DateOfTime(int64_t seconds) {
    int64_t z = (seconds >= 0 ? seconds : seconds - 86399) / 86400 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    CivilDate date;
    date.day = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
    date.month = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
    date.year = static_cast<int32_t>(yoe + era * 400 + (date.month <= 2));
    return date;
}

int64_t DaysOfDate(const CivilDate& date) { return DaysFromCivil(date.year, date.month, date.day); }

CivilDate LocalToday() {
    const std::time_t now = std::time(nullptr);
    std::tm parts = {};
#ifdef _WIN32
    localtime_s(&parts, &now);
#else
    localtime_r(&now, &parts);
#endif
    CivilDate date;
    date.year = parts.tm_year + 1900;
    date.month = parts.tm_mon + 1;
    date.day = parts.tm_mday;
    return date;
}

int64_t LocalSecondsOfUtc(int64_t utc) {
    const std::time_t when = static_cast<std::time_t>(utc);
    std::tm parts = {};
#ifdef _WIN32
    if (localtime_s(&parts, &when) != 0) return utc;
#else
    if (!localtime_r(&when, &parts)) return utc;
#endif
    const CivilDate date{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday};
    return DaysOfDate(date) * 86400 + int64_t(parts.tm_hour) * 3600 + parts.tm_min * 60 + parts.tm_sec;
}

uint32_t MemoryYears(const CivilDate& taken, const CivilDate& today) {
    const int64_t day = DaysFromCivil(taken.year, taken.month, taken.day);
    // Today's month and day in the year before, of and after the photo's: 30 December is
    // three days from 2 January of the next year.
    for (int32_t year = taken.year - 1; year <= taken.year + 1; ++year) {
        const int64_t distance = day - DaysFromCivil(year, today.month, today.day);
        if (distance >= -kMemoryDays && distance <= kMemoryDays)
            return today.year > year ? static_cast<uint32_t>(today.year - year) : 0;
    }
    return 0;
}

std::vector<uint32_t> FindBursts(const std::vector<BurstPhoto>& photos) {
    std::vector<uint32_t> burst(photos.size());
    std::vector<uint32_t> dated;
    for (uint32_t i = 0; i < photos.size(); ++i) {
        burst[i] = i;
        if (photos[i].dated) dated.push_back(i);
    }
    std::sort(dated.begin(), dated.end(), [&](uint32_t a, uint32_t b) {
        const int c = photos[a].folder.compare(photos[b].folder);
        if (c != 0) return c < 0;
        return photos[a].taken != photos[b].taken ? photos[a].taken < photos[b].taken : a < b;
    });
    for (size_t k = 1; k < dated.size(); ++k) {
        const BurstPhoto& before = photos[dated[k - 1]];
        const BurstPhoto& photo = photos[dated[k]];
        if (photo.folder == before.folder && photo.taken - before.taken <= kBurstSeconds)
            burst[dated[k]] = burst[dated[k - 1]];
    }
    return burst;
}

namespace {
// The free places of a lap: the first free one at or after a place, the last at or before
// it, each in about constant time (paths halved as they are followed).
class FreePlaces {
public:
    explicit FreePlaces(size_t n) : up_(n + 1), down_(n + 1) {
        for (size_t i = 0; i <= n; ++i) up_[i] = down_[i] = static_cast<uint32_t>(i);
    }
    // n when none is left from `place` on.
    uint32_t AtOrAfter(uint32_t place) { return Find(up_, place); }
    // n when none is left up to `place` (down_ is shifted by one: 0 stands for "none").
    uint32_t AtOrBefore(uint32_t place) {
        const uint32_t found = Find(down_, place + 1);
        return found == 0 ? static_cast<uint32_t>(up_.size() - 1) : found - 1;
    }
    void Take(uint32_t place) {
        up_[place] = place + 1;
        down_[place + 1] = place;
    }

private:
    static uint32_t Find(std::vector<uint32_t>& link, uint32_t x) {
        while (link[x] != x) {
            link[x] = link[link[x]];
            x = link[x];
        }
        return x;
    }
    std::vector<uint32_t> up_, down_;
};
}  // namespace

std::vector<uint32_t> SpreadBursts(const std::vector<uint32_t>& order, const std::vector<uint32_t>& burst,
                                   uint64_t seed) {
    const uint32_t n = static_cast<uint32_t>(order.size());
    if (n < 3) return order;
    // The photos grouped by burst, each burst's photos in the lap's order.
    std::vector<uint32_t> rank(n), byBurst(order);
    for (uint32_t place = 0; place < n; ++place) rank[order[place]] = place;
    std::sort(byBurst.begin(), byBurst.end(), [&](uint32_t a, uint32_t b) {
        return burst[a] != burst[b] ? burst[a] < burst[b] : rank[a] < rank[b];
    });
    struct Group {
        uint32_t begin, size;
    };
    std::vector<Group> groups;
    for (uint32_t begin = 0; begin < n;) {
        uint32_t end = begin + 1;
        while (end < n && burst[byBurst[end]] == burst[byBurst[begin]]) ++end;
        if (end - begin > 1) groups.push_back({begin, end - begin});
        begin = end;
    }
    if (groups.empty()) return order;
    // The largest bursts take their places first, while the lap is still open; of two as
    // large, the one the shuffle put first.
    std::sort(groups.begin(), groups.end(), [&](const Group& a, const Group& b) {
        return a.size != b.size ? a.size > b.size : rank[byBurst[a.begin]] < rank[byBurst[b.begin]];
    });
    std::vector<uint32_t> result(n, UINT32_MAX);
    FreePlaces free(n);
    for (const Group& group : groups) {
        const uint32_t k = group.size;
        // Evenly over the whole lap, never closer than kBurstDistance where the lap is long
        // enough, from a point the seed chooses.
        const uint32_t least = std::min<uint32_t>(kBurstDistance, (n - 1) / (k - 1));
        const double step = std::max<double>(least, static_cast<double>(n) / k);
        const double room = std::max(0.0, static_cast<double>(n - 1) - step * (k - 1));
        const double unit = static_cast<double>(Mix(seed ^ Mix(burst[byBurst[group.begin]])) >> 11) / 9007199254740992.0;
        uint32_t previous = 0;
        for (uint32_t j = 0; j < k; ++j) {
            double want = unit * room + step * j;
            if (j > 0) want = std::max(want, static_cast<double>(previous) + least);
            uint32_t place = free.AtOrAfter(std::min<uint32_t>(static_cast<uint32_t>(want), n));
            // Past the end: the last free place, as far from the one before as is left.
            if (place >= n) place = free.AtOrBefore(n - 1);
            free.Take(place);
            result[place] = byBurst[group.begin + j];
            previous = place;
        }
    }
    // The lone photos fill the places left, in the lap's order.
    uint32_t at = 0;
    std::vector<bool> placed(n, false);
    for (uint32_t photo : result)
        if (photo != UINT32_MAX) placed[photo] = true;
    for (uint32_t photo : order) {
        if (placed[photo]) continue;
        while (result[at] != UINT32_MAX) ++at;
        result[at] = photo;
    }
    return result;
}

std::vector<uint32_t> MemoriesFirst(const std::vector<uint32_t>& order, const std::vector<uint32_t>& years,
                                    const std::vector<int64_t>& taken) {
    std::vector<uint32_t> memories, rest;
    for (uint32_t photo : order) (years[photo] != 0 ? memories : rest).push_back(photo);
    std::stable_sort(memories.begin(), memories.end(), [&](uint32_t a, uint32_t b) { return taken[a] < taken[b]; });
    memories.insert(memories.end(), rest.begin(), rest.end());
    return memories;
}

std::wstring FolderKey(const std::wstring& path) {
    std::wstring key = LocalPathKey(path);
    if (key.empty() || key.back() != L'\\') key.push_back(L'\\');
    return key;
}

bool IsWithinFolder(const std::wstring& path, const std::wstring& folder) {
    const std::wstring p = FolderKey(path), f = FolderKey(folder);
    return p.compare(0, f.size(), f) == 0;
}

}  // namespace WorkSpace
