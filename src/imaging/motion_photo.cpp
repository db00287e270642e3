// A motion photo's clip inside its JPEG: the XMP packet's directory or MicroVideo offset
// (xmp.h), else Samsung's SEF trailer, whose "MotionPhoto_Data" item holds the MP4.
#include "imaging/motion_photo.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/byte_order.h"
#include "imaging/containers.h"
#include "imaging/xmp.h"

namespace WorkSpace {

namespace {
// A JPEG's XMP segment follows its Exif segment (64 KiB at most): well inside this.
constexpr size_t kHeadRead = 256 * 1024;
constexpr size_t kTailRead = 64 * 1024;
constexpr size_t kSamsungItemRead = 64;

bool ReadRange(PictureReader& file, uint64_t offset, size_t size, std::vector<uint8_t>& bytes) {
    bytes.resize(size);
    size_t have = 0;
    while (have < size) {
        const int64_t got = file.ReadAt(offset + have, bytes.data() + have, size - have);
        if (got <= 0) break;
        have += static_cast<size_t>(got);
    }
    bytes.resize(have);
    return have == size;
}

// An MP4 (or QuickTime) file starts with its `ftyp` box.
bool ClipStartsAt(PictureReader& file, uint64_t offset) {
    std::vector<uint8_t> bytes;
    return ReadRange(file, offset, 8, bytes) && std::memcmp(bytes.data() + 4, "ftyp", 4) == 0;
}

MotionPhotoFind FromXmp(PictureReader& file, uint64_t fileSize, uint64_t& offset, uint64_t& length) {
    std::vector<uint8_t> head;
    ReadRange(file, 0, static_cast<size_t>(std::min<uint64_t>(fileSize, kHeadRead)), head);
    const uint8_t* xmp = nullptr;
    size_t xmpSize = 0;
    XmpMotion motion;
    if (head.size() < 4 || head[0] != 0xFF || head[1] != 0xD8) return MotionPhotoFind::None;
    if (!FindXmpPacket(head.data(), head.size(), xmp, xmpSize) || !ReadXmpMotion(xmp, xmpSize, motion))
        return MotionPhotoFind::None;
    if (motion.after > fileSize || motion.length > fileSize - motion.after) return MotionPhotoFind::Misplaced;
    offset = fileSize - motion.after - motion.length;
    length = motion.length;
    return ClipStartsAt(file, offset) ? MotionPhotoFind::Found : MotionPhotoFind::Misplaced;
}

// Samsung's trailer ends with its directory's length and "SEFT"; the directory opens with
// "SEFH", a version and a count, then 12 bytes an item: a type, the item's distance back
// from the directory and its size. Each item opens with its type, its name's length and
// its name; the MotionPhoto_Data item's bytes after its name are the MP4.
MotionPhotoFind FromSamsungTrailer(PictureReader& file, uint64_t fileSize, uint64_t& offset, uint64_t& length) {
    std::vector<uint8_t> tail;
    const size_t tailSize = static_cast<size_t>(std::min<uint64_t>(fileSize, kTailRead));
    if (!ReadRange(file, fileSize - tailSize, tailSize, tail) || tailSize < 20) return MotionPhotoFind::None;
    if (std::memcmp(tail.data() + tailSize - 4, "SEFT", 4) != 0) return MotionPhotoFind::None;
    const uint32_t dirSize = Le32(tail.data() + tailSize - 8);
    if (dirSize < 12 || dirSize > tailSize - 8) return MotionPhotoFind::None;
    const size_t dir = tailSize - 8 - dirSize;
    const uint64_t dirPos = fileSize - 8 - dirSize;
    if (std::memcmp(tail.data() + dir, "SEFH", 4) != 0) return MotionPhotoFind::None;
    const uint32_t count = Le32(tail.data() + dir + 8);
    static const char kMarker[] = "MotionPhoto_Data";
    bool named = false;
    for (uint32_t i = 0; i < count && 12 + (i + 1) * size_t(12) <= dirSize; ++i) {
        const uint8_t* entry = tail.data() + dir + 12 + i * 12;
        const uint32_t back = Le32(entry + 4), size = Le32(entry + 8);
        if (back > dirPos || size > back) continue;
        std::vector<uint8_t> item;
        ReadRange(file, dirPos - back, std::min<size_t>(size, kSamsungItemRead), item);
        const uint8_t* found = std::search(item.data(), item.data() + item.size(), kMarker, kMarker + 16);
        if (found == item.data() + item.size()) continue;
        named = true;
        const uint64_t skip = uint64_t(found - item.data()) + 16;
        offset = dirPos - back + skip;
        length = size - skip;
        if (length > 8 && ClipStartsAt(file, offset)) return MotionPhotoFind::Found;
    }
    return named ? MotionPhotoFind::Misplaced : MotionPhotoFind::None;
}
}  // namespace

MotionPhotoFind FindMotionPhotoClip(PictureReader& file, uint64_t& offset, uint64_t& length) {
    offset = length = 0;
    const uint64_t fileSize = file.Size();
    if (fileSize < 16) return MotionPhotoFind::None;
    const MotionPhotoFind xmp = FromXmp(file, fileSize, offset, length);
    if (xmp == MotionPhotoFind::Found) return xmp;
    const MotionPhotoFind trailer = FromSamsungTrailer(file, fileSize, offset, length);
    if (trailer == MotionPhotoFind::Found) return trailer;
    offset = length = 0;
    return xmp == MotionPhotoFind::Misplaced ? xmp : trailer;
}

}  // namespace WorkSpace
