// The size rules of the Image type, shared by every decoder and by the pixel work.
#include "imaging/image.h"

#include <cstddef>

namespace WorkSpace {

bool ImageSizeAccepted(uint32_t width, uint32_t height) {
    return width != 0 && height != 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           static_cast<uint64_t>(width) * height <= kMaxImagePixels;
}

bool ImageConsistent(const Image& image) {
    return image.width > 0 && image.height > 0 &&
           image.pixels.size() == static_cast<size_t>(image.width) * image.height;
}

}  // namespace WorkSpace
