// TGA files come from the archive or from pictures a user picks: any bytes must either be
// refused or give a picture that is exactly what its size says, and that picture must
// resample and build mip levels without reading outside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imaging/image.h"
#include "imaging/image_sniff.h"
#include "imaging/resample.h"
#include "imaging/tga.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace WorkSpace;
    uint32_t w = 0, h = 0;
    ReadImageSize(data, size, w, h);

    Image image;
    if (!DecodeTga(data, size, image)) {
        if (image.width != 0 || !image.pixels.empty()) abort();  // a failure writes nothing
        return 0;
    }
    if (image.width == 0 || image.height == 0 || image.width > kMaxImageSide || image.height > kMaxImageSide)
        abort();
    if (image.pixels.size() != static_cast<size_t>(image.width) * image.height) abort();
    // The header the decoder accepted must also be one the sniffer reports the same size for.
    if (!ReadImageSize(data, size, w, h) || w != image.width || h != image.height) abort();

    // Sizes from the input's last bytes, so both shrinking and growing get exercised.
    const uint32_t tw = 1 + (size > 0 ? data[size - 1] % 24 : 0);
    const uint32_t th = 1 + (size > 1 ? data[size - 2] % 24 : 0);
    const Image scaled = ScaleImage(image, tw, th);
    if (scaled.width != tw || scaled.height != th || scaled.pixels.size() != size_t(tw) * th) abort();
    // Averages never leave the range of the source: a flat source stays flat.
    bool flat = true;
    for (uint32_t p : image.pixels) flat = flat && p == image.pixels[0];
    if (flat)
        for (uint32_t p : scaled.pixels)
            if (p != image.pixels[0]) abort();

    const Image mip = NextMipLevel(scaled);
    if (mip.width != (tw > 1 ? tw / 2 : 1) || mip.height != (th > 1 ? th / 2 : 1)) abort();
    return 0;
}
