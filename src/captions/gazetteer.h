// The offline gazetteer: GeoNames' places of 1,000 people or more with their populations and
// countries, the names in the seven UI languages, read from the compact table that
// tools/gazetteer builds and that ships as a file of its own beside the saver
// (kPlacesFileName). Nothing is ever looked up online. A lookup walks a one-degree grid, so
// it takes microseconds; it runs on the pictures' worker, never on the render thread.
//
// The table, little-endian:
//   "LMGZ", version 2, place count, country count, language count, translated-row count,
//           name-pool bytes (u32 each)
//   countries: two-letter code, then one pool offset per language (u32)
//   translated rows: one pool offset per language (u32)
//   places: latitude and longitude in 1e-5 degrees (i32), population (u32, 0 when unknown),
//           country index (u16), names (u32): the pool offset of the one name it has in
//           every language, or 0x80000000 | the index of its translated row
//   the name pool: NUL-terminated UTF-8 names, ending with a NUL
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace WorkSpace {

// A place farther than this from the photo's position is no answer.
constexpr double kPlaceRadiusKm = 50.0;
// The places table's file, in the program's folder. It stays outside the password-protected
// resource archive: GeoNames' licence (CC BY 4.0) allows no technical measure on its data.
extern const wchar_t kPlacesFileName[];  // L"LumoraPlaces.dat"

// How far a place of `population` people reaches, in km: 2.5 km for 100,000 people, growing
// with the square root (its area, with the population).
double PlaceReachKm(uint32_t population);

struct PlaceName {
    std::string place, country;  // UTF-8, in the language asked for
    double distanceKm = 0.0;
};

class Gazetteer {
public:
    // Takes the table's bytes; false (and an empty gazetteer) when they are no such table
    // or any offset or index in it points outside it.
    bool Load(std::string bytes);
    uint32_t Places() const { return static_cast<uint32_t>(places_.size()); }
    // The place a person would name for the position, its names in `language` (0..6; any
    // other number means English): among the places within kPlaceRadiusKm whose reach
    // (PlaceReachKm) covers the position, the one it lies deepest in (the smallest distance
    // for its reach); where none covers it, the nearest one.
    // Places of unknown population count only where no other place is within reach.
    // False when there is none.
    bool Nearest(double latitude, double longitude, uint32_t language, PlaceName& out) const;

private:
    struct Place {
        float latitude, longitude;  // to within 2 m: 130,000 places stay small in memory
        uint32_t population;
        uint32_t names;  // as in the table
        uint16_t country;
    };
    const char* Name(size_t offsets, uint32_t language) const;
    const char* PlaceText(const Place& place, uint32_t language) const;

    std::string bytes_;
    uint32_t languages_ = 0;
    size_t countries_ = 0, rows_ = 0, pool_ = 0;  // where the countries, translated rows and pool start
    std::vector<Place> places_;        // in grid-cell order
    std::vector<uint32_t> cellStart_;  // 180 x 360 one-degree cells, and one past the end
};

}  // namespace WorkSpace
