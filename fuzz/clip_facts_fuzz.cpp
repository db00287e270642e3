// A clip's boxes and a motion photo's XMP and trailer come from any file a user has: any
// bytes must give facts in range (a real place, a turn of 0/90/180/270, a day of the
// calendar) or none, a clip range inside the file, and never a read outside the bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/clip_facts.h"
#include "imaging/motion_photo.h"
#include "imaging/xmp.h"

namespace {
struct Bytes : WorkSpace::PictureReader {
    std::vector<uint8_t> bytes;
    uint64_t Size() const override { return bytes.size(); }
    int64_t ReadAt(uint64_t offset, void* buffer, size_t size) override {
        if (offset >= bytes.size()) return 0;
        const size_t count = size < bytes.size() - offset ? size : size_t(bytes.size() - offset);
        std::memcpy(buffer, bytes.data() + offset, count);
        return int64_t(count);
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace WorkSpace;
    Bytes file;
    file.bytes.assign(data, data + size);
    ClipFacts facts;
    if (ReadClipFacts(file, facts) == ClipRead::Known) {
        if (facts.placed && !(facts.latitude >= -90 && facts.latitude <= 90 && facts.longitude >= -180 &&
                              facts.longitude <= 180))
            abort();
        if (facts.rotation % 90 != 0 || facts.rotation > 270) abort();
    }
    uint64_t offset = 0, length = 0;
    if (FindMotionPhotoClip(file, offset, length) == MotionPhotoFind::Found &&
        (length == 0 || offset > size || length > size - offset))
        abort();
    XmpMotion motion;
    if (ReadXmpMotion(file.bytes.data(), file.bytes.size(), motion) && motion.length == 0) abort();
    return 0;
}
