// HEIF's item location table: only the field sizes a writer can give are read, and an item
// whose table is refused gives no EXIF block.
#include "imaging/bmff.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "photo_bytes.h"

using namespace WorkSpace;
using namespace PhotoBytes;

namespace {
// `value` as a big-endian field of `bytes` bytes, whatever their number.
Bytes Field(uint64_t value, uint32_t bytes) {
    Bytes b(bytes, 0);
    for (uint32_t i = 0; i < bytes && i < 8; ++i) b[bytes - 1 - i] = uint8_t(value >> (8 * i));
    return b;
}
struct Sizes {
    uint32_t offset, length, base, index;
};
// An iloc box of one item (ID 2, one extent of 4 bytes at `at`), each field written in the
// size the table declares, so that a reader that took any size would find the item. Version
// 0 keeps the index size's bits reserved and has no index field.
Bytes Iloc(uint8_t version, Sizes s, uint32_t at) {
    const uint32_t index = version == 0 ? 0 : s.index;
    const Bytes id = version < 2 ? Bytes{0, 2} : Bytes{0, 0, 0, 2};
    return FullBox("iloc", version,
                   Cat({{uint8_t(s.offset << 4 | s.length), uint8_t(s.base << 4 | s.index)}, version < 2 ? Bytes{0, 1} : Be32Of(1),
                        id, version == 0 ? Bytes() : Bytes{0, 0}, {0, 0}, Field(0, s.base), {0, 1}, Field(0, index),
                        Field(at, s.offset), Field(4, s.length)}));
}
}  // namespace

TEST(Bmff, AnItemLocationTableWithImpossibleFieldSizesIsNotRead) {
    struct Case {
        const char* what;
        uint8_t version;
        Sizes sizes;
        bool read;
    };
    const Case cases[] = {
        {"version 0, 4-byte offset and length", 0, {4, 4, 0, 0}, true},
        {"version 0, its reserved bits set", 0, {4, 4, 0, 3}, true},
        {"version 1, every field 8 bytes", 1, {8, 8, 8, 8}, true},
        {"version 2, every field 4 bytes", 2, {4, 4, 4, 4}, true},
        {"offset of 2 bytes", 1, {2, 4, 0, 0}, false},
        {"offset of 1 byte", 0, {1, 4, 0, 0}, false},
        {"offset of 15 bytes", 0, {15, 4, 0, 0}, false},
        {"length of 2 bytes", 0, {4, 2, 0, 0}, false},
        {"length of 3 bytes", 2, {4, 3, 0, 0}, false},
        {"base offset of 2 bytes", 1, {4, 4, 2, 0}, false},
        {"base offset of 5 bytes", 0, {4, 4, 5, 0}, false},
        {"index of 2 bytes, version 1", 1, {4, 4, 0, 2}, false},
        {"index of 1 byte, version 1", 1, {4, 4, 0, 1}, false},
        {"index of 3 bytes, version 2", 2, {4, 4, 0, 3}, false},
        {"version 3", 3, {4, 4, 0, 0}, false},
    };
    for (const Case& c : cases) {
        const size_t at = Iloc(c.version, c.sizes, 0).size();
        const Bytes file = Cat({Iloc(c.version, c.sizes, uint32_t(at)), {'T', 'I', 'F', 'F'}});
        BmffBox iloc;
        ASSERT_TRUE(ReadBmffBox(file.data(), 0, file.size(), iloc)) << c.what;
        size_t start = 99, length = 99;
        EXPECT_EQ(BmffItemExtent(file.data(), file.size(), iloc, nullptr, 2, start, length), c.read) << c.what;
        EXPECT_EQ(start, c.read ? at : 99u) << c.what;
        EXPECT_EQ(length, c.read ? 4u : 99u) << c.what;
    }
    // In a whole file: the Exif item of a table with 2-byte offsets gives no block.
    Bytes heif = Heif(OrientedTiff(true, 6), false);
    const uint8_t* tiff = nullptr;
    size_t size = 0;
    ASSERT_TRUE(FindBmffExif(heif.data(), heif.size(), tiff, size));
    const size_t sizes = std::string(heif.begin(), heif.end()).find("iloc") + 8;
    heif[sizes] = 0x24;
    EXPECT_FALSE(FindBmffExif(heif.data(), heif.size(), tiff, size));
}
