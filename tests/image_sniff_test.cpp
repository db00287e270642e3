// The size finder against the real assets and against made-up headers of each format, and
// which formats the decoders' check reads.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "imaging/image_sniff.h"
#include "photo_bytes.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {
using Bytes = std::vector<uint8_t>;
using Size = std::pair<uint32_t, uint32_t>;
}  // namespace

TEST(ImageSize, RealAssets) {
    struct Asset {
        const char* path;
        uint32_t w, h;
    } assets[] = {{"assets/archive/Resource/logo.png", 200, 60},
                  {"assets/archive/Resource/EnglishErrorFone.png", 800, 600},
                  {"assets/archive/Resource/ListBoxEnglishFone.png", 400, 212},
                  {"assets/archive/Resource/Particle.tga", 64, 64}};
    for (const Asset& a : assets) {
        const Bytes file = ReadAsset(a.path);
        ASSERT_FALSE(file.empty()) << a.path;
        uint32_t w = 0, h = 0;
        ASSERT_TRUE(ReadImageSize(file.data(), file.size(), w, h)) << a.path;
        EXPECT_EQ(w, a.w) << a.path;
        EXPECT_EQ(h, a.h) << a.path;
    }
}

TEST(ImageSize, MadeUpHeaders) {
    uint32_t w = 0, h = 0;
    // BMP with a 40-byte header and negative (top-down) height.
    Bytes bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0,
                 0x20, 0x03, 0, 0, 0xA8, 0xFD, 0xFF, 0xFF};  // 800, -600
    ASSERT_TRUE(ReadImageSize(bmp.data(), bmp.size(), w, h));
    EXPECT_EQ(Size(w, h), Size(800, 600));
    // BMP with the 12-byte core header.
    Bytes core = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 26, 0, 0, 0, 12, 0, 0, 0, 0x40, 0x01, 0xF0, 0x00, 1, 0, 24, 0};
    ASSERT_TRUE(ReadImageSize(core.data(), core.size(), w, h));
    EXPECT_EQ(Size(w, h), Size(320, 240));

    Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 0x10, 0x00, 0x20, 0x00, 0xF7, 0, 0};
    ASSERT_TRUE(ReadImageSize(gif.data(), gif.size(), w, h));
    EXPECT_EQ(Size(w, h), Size(16, 32));
    gif[4] = '7';
    ASSERT_TRUE(ReadImageSize(gif.data(), gif.size(), w, h));

    // JPEG: APP0, a fill byte, then a progressive frame header (SOF2) of 1024x768.
    Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x06, 'J', 'F', 'I', 'F', 0xFF, 0xFF, 0xC2,
                  0x00, 0x11, 0x08, 0x03, 0x00, 0x04, 0x00, 0x03, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
    ASSERT_TRUE(ReadImageSize(jpeg.data(), jpeg.size(), w, h));
    EXPECT_EQ(Size(w, h), Size(1024, 768));
    Bytes baseline = jpeg;
    baseline[12] = 0xC0;
    ASSERT_TRUE(ReadImageSize(baseline.data(), baseline.size(), w, h));
    // The scan starting before any frame header, or a lossless frame, tells us nothing.
    Bytes scanFirst = jpeg;
    scanFirst[12] = 0xDA;
    EXPECT_FALSE(ReadImageSize(scanFirst.data(), scanFirst.size(), w, h));
    Bytes lossless = jpeg;
    lossless[12] = 0xC3;
    EXPECT_FALSE(ReadImageSize(lossless.data(), lossless.size(), w, h));
    // A segment length pointing past the end.
    Bytes cut(jpeg.begin(), jpeg.begin() + 18);
    EXPECT_FALSE(ReadImageSize(cut.data(), cut.size(), w, h));

    TgaHeader t;
    t.imageType = 10;
    t.width = 640;
    t.height = 480;
    t.bitsPerPixel = 24;
    const Bytes tga = MakeTga(t, {});
    ASSERT_TRUE(ReadImageSize(tga.data(), tga.size(), w, h));
    EXPECT_EQ(Size(w, h), Size(640, 480));

    // Unknown or cut-off bytes are refused and leave w and h alone.
    w = h = 7;
    const Bytes text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!', '!', '!', '!', '!', '!', '!'};
    EXPECT_FALSE(ReadImageSize(text.data(), text.size(), w, h));
    const Bytes png = ReadAsset("assets/archive/Resource/logo.png");
    EXPECT_FALSE(ReadImageSize(png.data(), 20, w, h));
    EXPECT_FALSE(ReadImageSize(nullptr, 0, w, h));
    EXPECT_FALSE(ReadImageSize(bmp.data(), 10, w, h));
    EXPECT_EQ(Size(w, h), Size(7, 7));
}

TEST(ImageSize, TheDecodersCheckReadsFewerFormatsThanTheStoredSize) {
    using namespace PhotoBytes;
    TgaHeader t;
    t.width = 640;
    t.height = 480;
    const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xC2, 0x00, 0x11, 0x08, 0x03, 0x00, 0x04, 0x00, 0x03, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1,
                        0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9};
    Bytes lossless = jpeg;
    lossless[3] = 0xC3;
    const Bytes ispe = BoxOf("ispe", Cat({Be32Of(0), Be32Of(4032), Be32Of(3024)}));
    const struct {
        const char* what;
        Bytes file;
        bool checked;  // by ReadImageSize too
        Size size;
    } cases[] = {
        {"PNG", ReadAsset("assets/archive/Resource/logo.png"), true, {200, 60}},
        {"JPEG, progressive", jpeg, true, {1024, 768}},
        {"TGA", MakeTga(t, {}), true, {640, 480}},
        {"JPEG, lossless", lossless, false, {1024, 768}},
        {"WebP, lossless", WebpOf({WebpChunk("VP8L", Cat({{0x2F}, Le32Of(399 | (299u << 14)), {0}}))}), false, {400, 300}},
        {"TIFF", Ifd0Tiff({Short(256, 3000), Short(257, 2000)}), false, {3000, 2000}},
        {"HEIF", Cat({BoxOf("ftyp", Text(std::string("heic\0\0\0\0mif1heic", 16))),
                      BoxOf("meta", Cat({Be32Of(0), BoxOf("iprp", BoxOf("ipco", ispe))}))}), false, {4032, 3024}},
    };
    for (const auto& c : cases) {
        uint32_t w = 7, h = 7;
        ASSERT_TRUE(ReadStoredPictureSize(c.file.data(), c.file.size(), w, h)) << c.what;
        EXPECT_EQ(Size(w, h), c.size) << c.what;
        w = h = 7;
        EXPECT_EQ(ReadImageSize(c.file.data(), c.file.size(), w, h), c.checked) << c.what;
        EXPECT_EQ(Size(w, h), c.checked ? c.size : Size(7, 7)) << c.what;
    }
}
