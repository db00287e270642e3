// Linux has no image codecs of its own here: TGA only, which is enough for the tests and tools.
#include <cstdio>
#include <vector>

#include "platform/platform.h"
#include "render/picture_decode.h"

namespace WorkSpace {

bool DecodePictureFile(const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
    FILE* f = Platform::OpenFile(path, "rb");
    if (!f) return false;
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0 && bytes.size() < (1u << 30)) bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(f);
    Image image;
    if (!DecodeTga(bytes.data(), bytes.size(), image)) return false;
    return FinishPicture(image, 1, target, out);
}

bool BeginDecoderThread() { return true; }
void EndDecoderThread(bool) {}

}  // namespace WorkSpace
