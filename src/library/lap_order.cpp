// The lap's arrangement from the photos' dates: see lap_order.h.
#include "library/lap_order.h"

#include <algorithm>
#include <ctime>
#include <cwctype>
#include <queue>
#include <utility>

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

std::vector<uint32_t> SpreadBursts(const std::vector<uint32_t>& order, const std::vector<uint32_t>& burst,
                                   uint64_t seed) {
    const size_t n = order.size();
    if (n < 2) return order;
    // The photos grouped by burst, each burst's photos in the lap's order.
    std::vector<uint32_t> rank(n), byBurst(order);
    for (uint32_t place = 0; place < n; ++place) rank[order[place]] = place;
    std::sort(byBurst.begin(), byBurst.end(), [&](uint32_t a, uint32_t b) {
        return burst[a] != burst[b] ? burst[a] < burst[b] : rank[a] < rank[b];
    });
    // Where each photo would like to stand: a lone photo at its own place, the photos of
    // a burst evenly over the whole lap from a point the seed chooses. `gap[photo]`: how
    // far its burst's next photo must stand from it.
    std::vector<double> want(n);
    std::vector<uint32_t> gap(n, 0), after(n, UINT32_MAX);
    std::vector<uint32_t> heads;
    for (size_t begin = 0; begin < n;) {
        size_t end = begin + 1;
        while (end < n && burst[byBurst[end]] == burst[byBurst[begin]]) ++end;
        const size_t k = end - begin;
        heads.push_back(byBurst[begin]);
        if (k == 1) {
            want[byBurst[begin]] = rank[byBurst[begin]] + 0.5;
        } else {
            // A burst too large for the lap is spread as evenly as the lap allows.
            const uint32_t spacing = static_cast<uint32_t>(std::min<size_t>(kBurstDistance, (n - 1) / (k - 1)));
            const double offset = static_cast<double>(Mix(seed ^ Mix(burst[byBurst[begin]])) >> 11) / 9007199254740992.0;
            for (size_t j = 0; j < k; ++j) {
                const uint32_t photo = byBurst[begin + j];
                want[photo] = (static_cast<double>(j) + offset) * static_cast<double>(n) / static_cast<double>(k);
                gap[photo] = spacing;
                if (j + 1 < k) after[photo] = byBurst[begin + j + 1];
            }
        }
        begin = end;
    }
    // Place by place, the photo that wants the earliest place among those whose burst
    // allows it here; one of a burst waits until its last photo is far enough behind.
    using Ready = std::pair<double, uint32_t>;              // want, photo
    using Waiting = std::pair<uint64_t, Ready>;             // the first place it may take
    std::priority_queue<Ready, std::vector<Ready>, std::greater<Ready>> ready;
    std::priority_queue<Waiting, std::vector<Waiting>, std::greater<Waiting>> waiting;
    for (uint32_t photo : heads) ready.push({want[photo], photo});
    std::vector<uint32_t> result;
    result.reserve(n);
    for (uint64_t place = 0; place < n; ++place) {
        while (!waiting.empty() && waiting.top().first <= place) {
            ready.push(waiting.top().second);
            waiting.pop();
        }
        uint32_t photo;
        if (!ready.empty()) {
            photo = ready.top().second;
            ready.pop();
        } else {
            // Only bursts' photos are left: the one that has waited longest goes closer.
            photo = waiting.top().second.second;
            waiting.pop();
        }
        result.push_back(photo);
        if (after[photo] != UINT32_MAX) waiting.push({place + gap[photo], {want[after[photo]], after[photo]}});
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
    std::wstring key;
    size_t start = 0;
    auto startsWith = [&](const wchar_t* prefix) {
        size_t i = 0;
        for (; prefix[i]; ++i)
            if (i >= path.size() || std::towupper(static_cast<wint_t>(path[i])) != static_cast<wint_t>(prefix[i]))
                return false;
        return true;
    };
    if (startsWith(L"\\\\?\\UNC\\")) {
        key = L"\\";
        start = 7;  // keeps one backslash of "\UNC\": "\\server\share"
    } else if (startsWith(L"\\\\?\\")) {
        start = 4;
    }
    for (size_t i = start; i < path.size(); ++i) {
        const wchar_t c = path[i] == L'/' ? L'\\' : path[i];
        key.push_back(static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))));
    }
    if (key.empty() || key.back() != L'\\') key.push_back(L'\\');
    return key;
}

bool IsWithinFolder(const std::wstring& path, const std::wstring& folder) {
    const std::wstring p = FolderKey(path), f = FolderKey(folder);
    return p.compare(0, f.size(), f) == 0;
}

}  // namespace WorkSpace
