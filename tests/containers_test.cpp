// Finding the EXIF block and the XMP packet in JPEG, PNG, WebP and TIFF files, and refusing
// segments and chunks that run past the bytes present.
#include "imaging/containers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "photo_bytes.h"

using namespace WorkSpace;
using namespace PhotoBytes;

namespace {
// Whether [at, at + n) lies inside `file`.
bool Inside(const Bytes& file, const uint8_t* at, size_t n) {
    return at >= file.data() && at <= file.data() + file.size() && n <= size_t(file.data() + file.size() - at);
}
}  // namespace

TEST(Containers, JpegExifAfterOtherApp1Segments) {
    const Bytes tiff = OrientedTiff(false, 3);
    // JFIF first, then an XMP APP1, then the Exif one.
    const Bytes jpeg = JpegWith({Segment(0xE0, {'J', 'F', 'I', 'F', 0}), Segment(0xE1, {'h', 't', 't', 'p', 0}),
                                 Segment(0xE1, Exif(tiff))});
    ExifBlock block;
    ASSERT_TRUE(FindExifBlock(jpeg.data(), jpeg.size(), block));
    EXPECT_EQ(Bytes(block.tiff, block.tiff + block.size), tiff);
    EXPECT_TRUE(block.orientationCounts);
}

TEST(Containers, MissingOrDamagedJpegSegmentsGiveNoBlock) {
    ExifBlock block;
    const Bytes noExif = JpegWith({Segment(0xE0, {'J', 'F', 'I', 'F', 0})});
    EXPECT_FALSE(FindExifBlock(noExif.data(), noExif.size(), block));
    // A segment length running past the end.
    const Bytes jpeg = JpegWith({Segment(0xE1, Exif(OrientedTiff(true, 6)))});
    Bytes longSegment = jpeg;
    longSegment[4] = 0x7F;
    EXPECT_FALSE(FindExifBlock(longSegment.data(), longSegment.size(), block));
    // Every truncation of a good file is refused or gives a block inside what is left.
    for (size_t n = 0; n < jpeg.size(); ++n) {
        const Bytes cut(jpeg.begin(), jpeg.begin() + n);
        if (FindExifBlock(cut.data(), cut.size(), block)) {
            EXPECT_TRUE(Inside(cut, block.tiff, block.size)) << n;
        }
    }
}

TEST(Containers, XmpPacketInEveryContainerThatKeepsXmp) {
    const Bytes xmp = Xmp("xmp:Rating=\"4\">");
    const struct {
        const char* what;
        Bytes photo;
    } cases[] = {
        {"JPEG", JpegXmp(xmp, Ifd0Tiff({Short(271, 0)}))},
        // Another iTXt chunk, one that mentions the name, before XMP's own.
        {"PNG", PngOf({PngChunk("iTXt", Text(std::string("Comment\0\0\0\0\0xmp:Rating=\"1\"", 26))),
                       PngChunk("iTXt", Cat({Text(std::string("XML:com.adobe.xmp\0\0\0\0\0", 22)), xmp}))})},
        {"WebP", WebpOf({WebpChunk("XMP ", xmp)})},
        {"TIFF", Ifd0Tiff({{700, 7, uint32_t(xmp.size()), xmp}})},
    };
    for (const auto& c : cases) {
        const uint8_t* packet = nullptr;
        size_t size = 0;
        ASSERT_TRUE(FindXmpPacket(c.photo.data(), c.photo.size(), packet, size)) << c.what;
        EXPECT_EQ(Bytes(packet, packet + size), xmp) << c.what;
        for (size_t n = 0; n < c.photo.size(); ++n) {
            const Bytes cut(c.photo.begin(), c.photo.begin() + n);
            if (FindXmpPacket(cut.data(), cut.size(), packet, size)) {
                EXPECT_TRUE(Inside(cut, packet, size)) << c.what;
            }
        }
    }
}
