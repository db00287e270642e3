// The places table read (every offset and index checked against its size before use) and
// the place for a position looked up over its one-degree grid of cells, by great-circle
// distance.
#include "captions/gazetteer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace WorkSpace {

const wchar_t kPlacesFileName[] = L"LumoraPlaces.dat";

namespace {
constexpr double kEarthRadiusKm = 6371.0088;
constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kRows = 180, kColumns = 360;
constexpr size_t kHeaderBytes = 28, kPlaceBytes = 18;
constexpr uint32_t kTranslated = 0x80000000u;

uint32_t U32(const std::string& b, size_t at) {
    const auto* p = reinterpret_cast<const uint8_t*>(b.data() + at);
    return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint32_t Row(double latitude) {
    return std::min(static_cast<uint32_t>(std::max(latitude + 90.0, 0.0)), kRows - 1);
}

uint32_t Column(double longitude) {
    const int c = static_cast<int>(std::floor(longitude + 180.0));
    return static_cast<uint32_t>(((c % int(kColumns)) + int(kColumns)) % int(kColumns));
}

double DistanceKm(double lat1, double lon1, double lat2, double lon2) {
    const double r = kPi / 180.0;
    const double dLat = (lat2 - lat1) * r, dLon = (lon2 - lon1) * r;
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1 * r) * std::cos(lat2 * r) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2.0 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(a)));
}
}  // namespace

double PlaceReachKm(uint32_t population) {
    return 2.5 * std::sqrt(double(population) / 100000.0);
}

bool Gazetteer::Load(std::string bytes) {
    *this = Gazetteer();
    if (bytes.size() < kHeaderBytes || bytes.compare(0, 4, "LMGZ") != 0 || U32(bytes, 4) != 2) return false;
    const uint64_t places = U32(bytes, 8), countries = U32(bytes, 12), languages = U32(bytes, 16),
                   rows = U32(bytes, 20), poolBytes = U32(bytes, 24);
    if (languages == 0 || countries > 0xFFFF) return false;
    const uint64_t countryBytes = countries * (2 + 4 * languages), rowBytes = rows * 4 * languages,
                   placeBytes = places * kPlaceBytes;
    if (kHeaderBytes + countryBytes + rowBytes + placeBytes + poolBytes != bytes.size()) return false;
    const size_t rowsAt = kHeaderBytes + countryBytes, placesAt = rowsAt + rowBytes, pool = placesAt + placeBytes;
    // Every name ends inside the pool, because the pool itself ends with a NUL.
    if (poolBytes == 0 || bytes.back() != '\0') return false;
    auto namesInPool = [&](size_t at) {
        for (uint64_t l = 0; l < languages; ++l)
            if (U32(bytes, at + 4 * l) >= poolBytes) return false;
        return true;
    };
    for (uint64_t c = 0; c < countries; ++c)
        if (!namesInPool(kHeaderBytes + c * (2 + 4 * languages) + 2)) return false;
    for (uint64_t r = 0; r < rows; ++r)
        if (!namesInPool(rowsAt + r * 4 * languages)) return false;
    std::vector<Place> list;
    list.reserve(places);
    for (uint64_t i = 0; i < places; ++i) {
        const size_t at = placesAt + i * kPlaceBytes;
        const double lat = static_cast<int32_t>(U32(bytes, at)) * 1e-5, lon = static_cast<int32_t>(U32(bytes, at + 4)) * 1e-5;
        const uint32_t population = U32(bytes, at + 8), names = U32(bytes, at + 14);
        const uint16_t country = static_cast<uint16_t>(uint8_t(bytes[at + 12]) | (uint8_t(bytes[at + 13]) << 8));
        const bool namesGood = (names & kTranslated) ? (names & ~kTranslated) < rows : names < poolBytes;
        if (std::fabs(lat) > 90.0 || std::fabs(lon) > 180.0 || country >= countries || !namesGood) return false;
        list.push_back(Place{float(lat), float(lon), population, names, country});
    }
    // Counting sort into one-degree cells.
    std::vector<uint32_t> start(kRows * kColumns + 1, 0);
    for (const Place& p : list) ++start[Row(p.latitude) * kColumns + Column(p.longitude) + 1];
    for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    places_.resize(list.size());
    for (const Place& p : list) places_[fill[Row(p.latitude) * kColumns + Column(p.longitude)]++] = p;
    cellStart_ = std::move(start);
    bytes_ = std::move(bytes);
    languages_ = static_cast<uint32_t>(languages);
    countries_ = kHeaderBytes;
    rows_ = rowsAt;
    pool_ = pool;
    return true;
}

const char* Gazetteer::Name(size_t offsets, uint32_t language) const {
    if (language >= languages_) language = 0;
    return bytes_.data() + pool_ + U32(bytes_, offsets + 4 * language);
}

const char* Gazetteer::PlaceText(const Place& place, uint32_t language) const {
    if (!(place.names & kTranslated)) return bytes_.data() + pool_ + place.names;
    return Name(rows_ + size_t(place.names & ~kTranslated) * 4 * languages_, language);
}

bool Gazetteer::Nearest(double latitude, double longitude, uint32_t language, PlaceName& out) const {
    if (places_.empty() || !(std::fabs(latitude) <= 90.0) || !(std::fabs(longitude) <= 180.0)) return false;
    // 50 km is under half a degree of latitude; of longitude it is more, the nearer the pole.
    const double reachLat = kPlaceRadiusKm / (kEarthRadiusKm * kPi / 180.0) + 1e-6;
    const double southmost = std::max(latitude - reachLat, -90.0), northmost = std::min(latitude + reachLat, 90.0);
    const double widest = std::max(std::fabs(southmost), std::fabs(northmost));
    const double cosWidest = std::cos(widest * kPi / 180.0);
    const double reachLon = cosWidest > 1e-9 ? reachLat / cosWidest : 360.0;
    const int firstColumn = static_cast<int>(std::floor(longitude + 180.0 - reachLon));
    const int columns = reachLon >= 180.0 ? int(kColumns)
                                          : static_cast<int>(std::floor(longitude + 180.0 + reachLon)) - firstColumn + 1;
    // The place whose area holds the position most deeply, the nearest one with a known
    // population, and the nearest of unknown population.
    const Place *covering = nullptr, *nearest = nullptr, *nearestUnknown = nullptr;
    double coveringKm = 0.0, coveringDepth = 1.0, nearestKm = kPlaceRadiusKm, unknownKm = kPlaceRadiusKm;
    for (uint32_t row = Row(southmost); row <= Row(northmost); ++row) {
        for (int c = 0; c < std::min(columns, int(kColumns)); ++c) {
            const uint32_t cell = row * kColumns + Column(firstColumn + c - 180.0 + 0.5);
            for (uint32_t i = cellStart_[cell]; i < cellStart_[cell + 1]; ++i) {
                const Place& p = places_[i];
                const double km = DistanceKm(latitude, longitude, p.latitude, p.longitude);
                if (km > kPlaceRadiusKm) continue;
                if (p.population == 0) {
                    if (km <= unknownKm) {
                        unknownKm = km;
                        nearestUnknown = &p;
                    }
                    continue;
                }
                if (km <= nearestKm) {
                    nearestKm = km;
                    nearest = &p;
                }
                // Where areas overlap, the position belongs to the place it lies deepest in: a
                // city of its own beside a larger one (Kawasaki by Tokyo, El Paso by Ciudad
                // Juárez) keeps its own centre, while a suburb's small area gives way to the city.
                const double depth = km / PlaceReachKm(p.population);
                if (depth <= 1.0 && (!covering || depth < coveringDepth)) {
                    coveringDepth = depth;
                    coveringKm = km;
                    covering = &p;
                }
            }
        }
    }
    const Place* best = covering ? covering : nearest ? nearest : nearestUnknown;
    if (!best) return false;
    out.place = PlaceText(*best, language);
    out.country = Name(countries_ + size_t(best->country) * (2 + 4 * languages_) + 2, language);
    out.distanceKm = covering ? coveringKm : nearest ? nearestKm : unknownKm;
    return true;
}

}  // namespace WorkSpace
