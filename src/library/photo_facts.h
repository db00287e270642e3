// What the library knows of a photo without decoding it: when it was taken, its size, its
// stars and where it was taken, as read from the file's headers and kept in the photo
// index. The filters, the memories and the burst spacing of a lap are decided on these.
#pragma once
#include <cstdint>
#include <string>

namespace WorkSpace {

struct PhotoFacts {
    // The date and time taken as the camera wrote it (its own local time), in seconds since
    // 1970-01-01 00:00 of that clock; meaningful only when `dated`.
    int64_t taken = 0;
    bool dated = false;
    // The size as shown, after the EXIF orientation; 0 when the header did not tell.
    uint32_t width = 0, height = 0;
    // Stars, 0 (none) to 5, from EXIF Rating, System.Rating or XMP xmp:Rating.
    int32_t rating = 0;
    // Degrees, meaningful only when `placed`.
    double latitude = 0, longitude = 0;
    bool placed = false;
};

// What a read of a photo's headers gave: its facts; none, as the file holds none this program
// knows (kept so, and not read again while it is unchanged); or nothing to go by, as the
// file could not be read this time (a sharing violation, no access, a share that dropped, a
// cloud-only file, a time-out), when no facts are kept and the file is tried again later.
enum class FactsRead { Known, NoneKnown, Failed };

// The filters of the Photos group: 0 takes every photo.
struct PhotoFilter {
    int32_t minRating = 0;     // stars
    int32_t minShortSide = 0;  // pixels of the shorter side
    bool Any() const { return minRating > 0 || minShortSide > 0; }
};

// Whether a photo with these facts may be shown. A size the header did not tell passes
// here and is checked again when the picture is decoded.
inline bool PassesFilter(const PhotoFacts& facts, const PhotoFilter& filter) {
    if (filter.minRating > 0 && facts.rating < filter.minRating) return false;
    if (filter.minShortSide > 0 && facts.width > 0 && facts.height > 0) {
        const uint32_t shortSide = facts.width < facts.height ? facts.width : facts.height;
        if (shortSide < static_cast<uint32_t>(filter.minShortSide)) return false;
    }
    return true;
}

// Where the library asks for a photo's facts: the photo index on the saver, a made-up table
// in tests. False when the photo is not known (yet).
class PhotoFactsSource {
public:
    virtual ~PhotoFactsSource() = default;
    virtual bool Find(const std::wstring& path, PhotoFacts& facts) const = 0;
};

}  // namespace WorkSpace
