// The offline gazetteer: the populated places of the world with their countries, each name
// in the seven UI languages, read from the compact table that tools/gazetteer builds from
// Debian's GeoNames package and the resource archive ships. Nothing is ever looked up
// online. A lookup walks a one-degree grid, so it takes microseconds; it runs on the
// pictures' worker, never on the render thread.
//
// The table, little-endian:
//   "LMGZ", version 1, place count, country count, language count, name-pool bytes (u32 each)
//   countries: two-letter code, then one pool offset per language (u32)
//   places: latitude and longitude in 1e-5 degrees (i32), country index (u16), one pool
//           offset per language (u32)
//   the name pool: NUL-terminated UTF-8 names, ending with a NUL
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace WorkSpace {

// A place farther than this from the photo's position is no answer.
constexpr double kPlaceRadiusKm = 50.0;

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
    // The nearest place within kPlaceRadiusKm of the position, its names in `language`
    // (0..6; any other number means English). False when there is none.
    bool Nearest(double latitude, double longitude, uint32_t language, PlaceName& out) const;

private:
    struct Place {
        double latitude, longitude;
        uint16_t country;
        size_t names;  // byte offset of its language offsets in the table
    };
    const char* Name(size_t offsets, uint32_t language) const;

    std::string bytes_;
    uint32_t languages_ = 0;
    size_t countries_ = 0, pool_ = 0;  // where the country records and the name pool start
    std::vector<Place> places_;        // in grid-cell order
    std::vector<uint32_t> cellStart_;  // 180 x 360 one-degree cells, and one past the end
};

}  // namespace WorkSpace
