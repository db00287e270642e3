// Linux has no image codecs of its own here: TGA only, which is enough for the tests and tools.
#include <string>

#include "platform/platform.h"
#include "imaging/picture_decode.h"
#include "imaging/tga.h"

namespace WorkSpace {

bool DecodePictureFrom(const std::wstring& path, const PictureTarget& target, DecodedPicture& out,
                       PictureSource& source) {
    std::string bytes;
    if (!ReadPictureFile(path, bytes, source)) return false;
    Image image;
    if (!DecodeTga(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image)) return false;
    return FinishPicture(image, 1, target, out);
}

bool BeginDecoderThread() { return true; }
void EndDecoderThread(bool) {}

}  // namespace WorkSpace
