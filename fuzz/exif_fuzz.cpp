// The EXIF orientation reader sees the first bytes of any picture a user picks: any bytes
// must give no orientation or one of the eight, and never a read outside them. A found
// orientation must also turn a small picture into one of the right shape. The captions'
// date and GPS reader sees the same bytes: a date it finds is a real day, a position a
// real place on the globe, stars 0 to 5; the photo index's size reader sees them too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/exif.h"
#include "imaging/image.h"
#include "imaging/image_sniff.h"
#include "imaging/resample.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace WorkSpace;
    // A copy of exactly `size` bytes, so the sanitizer catches a read one past the end.
    std::vector<uint8_t> bytes(data, data + size);
    ExifFacts facts;
    ReadExifFacts(bytes.data(), bytes.size(), facts);
    if (facts.hasDate && (facts.year < 1 || facts.year > 9999 || facts.month < 1 || facts.month > 12 ||
                          facts.day < 1 || facts.day > 31))
        abort();
    if (facts.hasPosition && !(facts.latitude >= -90.0 && facts.latitude <= 90.0 && facts.longitude >= -180.0 &&
                               facts.longitude <= 180.0))
        abort();
    if (facts.hasRating && (facts.rating < 0 || facts.rating > 5)) abort();
    uint32_t w = 0, h = 0;
    ReadStoredPictureSize(bytes.data(), bytes.size(), w, h);
    uint32_t orientation = 0;
    if (!ReadExifOrientation(bytes.data(), bytes.size(), orientation)) {
        if (orientation != 0) abort();  // a failure writes nothing
        return 0;
    }
    if (orientation < 1 || orientation > 8) abort();
    Image image;
    image.width = 3;
    image.height = 2;
    image.pixels = {0, 1, 2, 3, 4, 5};
    const Image turned = OrientImage(image, orientation);
    const bool swapped = orientation >= 5;
    if (turned.width != (swapped ? 2u : 3u) || turned.height != (swapped ? 3u : 2u) || turned.pixels.size() != 6) abort();
    return 0;
}
