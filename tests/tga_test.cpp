// The TGA reader against small hand-built files whose every pixel we know, and against the
// particle sprite the archive ships.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/image.h"
#include "imaging/tga.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {

using Bytes = std::vector<uint8_t>;

// A8R8G8B8 value -> the bytes a TGA stores for it.
void PutPixel(Bytes& b, uint32_t argb, int bpp) {
    b.push_back(static_cast<uint8_t>(argb));
    b.push_back(static_cast<uint8_t>(argb >> 8));
    b.push_back(static_cast<uint8_t>(argb >> 16));
    if (bpp == 32) b.push_back(static_cast<uint8_t>(argb >> 24));
}

Bytes Raw(const std::vector<uint32_t>& pixels, int bpp) {
    Bytes b;
    for (uint32_t p : pixels) PutPixel(b, p, bpp);
    return b;
}

uint32_t At(const Image& img, uint32_t x, uint32_t y) { return img.pixels[size_t(y) * img.width + x]; }

uint32_t Channel(uint32_t p, int c) { return (p >> (8 * c)) & 0xFF; }

// Six distinct colours for a 3x2 picture, listed top row first, left to right.
const std::vector<uint32_t> kSix = {0xFF102030, 0x80405060, 0x00708090, 0x11A0B0C0, 0x22D0E0F0, 0x33010203};

}  // namespace

TEST(ImageTga, Uncompressed24BottomUpGetsOpaqueAlpha) {
    TgaHeader h;
    h.width = 3;
    h.height = 2;
    h.bitsPerPixel = 24;
    // Bottom-up: the file holds the bottom row first.
    std::vector<uint32_t> fileOrder = {kSix[3], kSix[4], kSix[5], kSix[0], kSix[1], kSix[2]};
    const Bytes file = MakeTga(h, Raw(fileOrder, 24));
    Image img;
    ASSERT_TRUE(DecodeTga(file.data(), file.size(), img));
    ASSERT_EQ(img.width, 3u);
    ASSERT_EQ(img.height, 2u);
    ASSERT_EQ(img.pixels.size(), 6u);
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(img.pixels[i], (kSix[i] & 0x00FFFFFF) | 0xFF000000) << i;
}

TEST(ImageTga, Uncompressed32TopDownKeepsAlpha) {
    TgaHeader h;
    h.width = 3;
    h.height = 2;
    h.descriptor = 0x28;  // top-left origin, 8 alpha bits
    const Bytes file = MakeTga(h, Raw(kSix, 32));
    Image img;
    ASSERT_TRUE(DecodeTga(file.data(), file.size(), img));
    EXPECT_EQ(img.pixels, kSix);
}

TEST(ImageTga, Uncompressed32BottomUpAndRightToLeft) {
    TgaHeader h;
    h.width = 3;
    h.height = 2;
    h.descriptor = 0x08;
    const Bytes bottomUp = MakeTga(h, Raw({kSix[3], kSix[4], kSix[5], kSix[0], kSix[1], kSix[2]}, 32));
    Image img;
    ASSERT_TRUE(DecodeTga(bottomUp.data(), bottomUp.size(), img));
    EXPECT_EQ(img.pixels, kSix);

    h.descriptor = 0x30;  // top-down, each row stored right to left
    const Bytes mirrored = MakeTga(h, Raw({kSix[2], kSix[1], kSix[0], kSix[5], kSix[4], kSix[3]}, 32));
    ASSERT_TRUE(DecodeTga(mirrored.data(), mirrored.size(), img));
    EXPECT_EQ(img.pixels, kSix);

    h.descriptor = 0x10;  // bottom-up and right to left: the file is the picture turned round
    const Bytes rotated = MakeTga(h, Raw({kSix[5], kSix[4], kSix[3], kSix[2], kSix[1], kSix[0]}, 32));
    ASSERT_TRUE(DecodeTga(rotated.data(), rotated.size(), img));
    EXPECT_EQ(img.pixels, kSix);
}

TEST(ImageTga, RleRunAndRawPacketsAcrossRows) {
    TgaHeader h;
    h.imageType = 10;
    h.width = 3;
    h.height = 3;
    h.descriptor = 0x20;
    const uint32_t a = 0xFF112233, b = 0x80445566, c = 0x01778899, d = 0x7FAABBCC;
    Bytes payload;
    payload.push_back(0x80 | 3);  // run of 4: all of row 0 and the first pixel of row 1
    PutPixel(payload, a, 32);
    payload.push_back(2);  // raw packet of 3: the rest of row 1 and the first of row 2
    PutPixel(payload, b, 32);
    PutPixel(payload, c, 32);
    PutPixel(payload, d, 32);
    payload.push_back(0x80 | 1);  // run of 2 to finish
    PutPixel(payload, b, 32);
    const Bytes file = MakeTga(h, payload);
    Image img;
    ASSERT_TRUE(DecodeTga(file.data(), file.size(), img));
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{a, a, a, a, b, c, d, b, b}));

    // The same stream bottom-up puts the first row decoded at the bottom.
    h.descriptor = 0;
    const Bytes bottomUp = MakeTga(h, payload);
    ASSERT_TRUE(DecodeTga(bottomUp.data(), bottomUp.size(), img));
    EXPECT_EQ(img.pixels, (std::vector<uint32_t>{d, b, b, a, b, c, a, a, a}));
}

TEST(ImageTga, Rle24BitWithMaximumPacketLength) {
    TgaHeader h;
    h.imageType = 10;
    h.bitsPerPixel = 24;
    h.width = 200;
    h.height = 1;
    h.descriptor = 0x20;
    Bytes payload;
    payload.push_back(0xFF);  // run of 128
    PutPixel(payload, 0x00123456, 24);
    payload.push_back(0x7F - 56);  // raw packet of 72
    for (int i = 0; i < 72; ++i) PutPixel(payload, uint32_t(i), 24);
    const Bytes file = MakeTga(h, payload);
    Image img;
    ASSERT_TRUE(DecodeTga(file.data(), file.size(), img));
    for (int x = 0; x < 128; ++x) EXPECT_EQ(At(img, x, 0), 0xFF123456u);
    for (int i = 0; i < 72; ++i) EXPECT_EQ(At(img, 128 + i, 0), 0xFF000000u | uint32_t(i));
}

TEST(ImageTga, ImageIdAndColourMapAreSkipped) {
    TgaHeader h;
    h.width = 3;
    h.height = 2;
    h.descriptor = 0x20;
    h.idLength = 255;
    Bytes file = MakeTga(h, Raw(kSix, 32));
    Image img;
    ASSERT_TRUE(DecodeTga(file.data(), file.size(), img));
    EXPECT_EQ(img.pixels, kSix);

    // An unused colour map in front of true-colour pixels: 24-bit entries take 3 bytes each,
    // 15-bit ones 2, 32-bit ones 4.
    const uint8_t entryBits[] = {15, 16, 24, 32};
    for (uint8_t bits : entryBits) {
        h.idLength = 7;
        h.colorMapType = 1;
        h.colorMapFirst = 4;
        h.colorMapLength = 5;
        h.colorMapBits = bits;
        for (uint8_t type : {uint8_t(2), uint8_t(10)}) {
            h.imageType = type;
            Bytes payload = Raw(kSix, 32);
            if (type == 10) payload.insert(payload.begin(), uint8_t(5));  // one raw packet of 6
            file = MakeTga(h, payload);
            ASSERT_TRUE(DecodeTga(file.data(), file.size(), img)) << int(bits) << " " << int(type);
            EXPECT_EQ(img.pixels, kSix) << int(bits) << " " << int(type);
        }
    }

    // With map type 0 the map fields are meaningless and must not move the pixels.
    h = TgaHeader{};
    h.width = 3;
    h.height = 2;
    h.descriptor = 0x20;
    h.colorMapLength = 9;
    h.colorMapBits = 24;
    file = MakeTga(h, Raw(kSix, 32));
    ASSERT_TRUE(DecodeTga(file.data(), file.size(), img));
    EXPECT_EQ(img.pixels, kSix);
}

TEST(ImageTga, TrailingAreasAndFooterIgnored) {
    TgaHeader h;
    h.width = 3;
    h.height = 2;
    h.descriptor = 0x20;
    Bytes file = MakeTga(h, Raw(kSix, 32));
    const std::string footer = std::string(8, '\0') + "TRUEVISION-XFILE.";
    file.insert(file.end(), 495, 0x5A);  // an extension area's worth of bytes
    file.insert(file.end(), footer.begin(), footer.end());
    file.push_back(0);
    Image img;
    ASSERT_TRUE(DecodeTga(file.data(), file.size(), img));
    EXPECT_EQ(img.pixels, kSix);
}

TEST(ImageTga, LargestSideAccepted) {
    TgaHeader h;
    h.width = 16384;
    h.height = 1;
    h.bitsPerPixel = 24;
    const Bytes file = MakeTga(h, Bytes(16384 * 3, 0x7F));
    Image img;
    ASSERT_TRUE(DecodeTga(file.data(), file.size(), img));
    EXPECT_EQ(img.width, 16384u);
    EXPECT_EQ(img.pixels.back(), 0xFF7F7F7Fu);
}

TEST(ImageTga, MorePixelsThanAnyPictureMayHoldAreRefusedUnread) {
    // The same rule the system's decoders get: a 6000 x 4000 photo passes, a one-bit PNG
    // that claims 65000 x 65000 (17 GB as 32-bit pixels) does not.
    EXPECT_TRUE(ImageSizeAccepted(6000, 4000));
    EXPECT_TRUE(ImageSizeAccepted(8192, 8192));
    EXPECT_FALSE(ImageSizeAccepted(65000, 65000));
    EXPECT_FALSE(ImageSizeAccepted(8193, 8192));
    EXPECT_FALSE(ImageSizeAccepted(0, 1));
    // A valid run-length TGA of 8193 x 8192 black pixels: 2 MB on disk, 256 MB decoded.
    TgaHeader h;
    h.imageType = 10;
    h.width = 8193;
    h.height = 8192;
    h.bitsPerPixel = 24;
    const size_t pixels = size_t{8193} * 8192;
    Bytes runs;
    for (size_t done = 0; done < pixels; done += 128) {
        const size_t n = std::min<size_t>(128, pixels - done);
        runs.push_back(static_cast<uint8_t>(0x80 | (n - 1)));
        runs.insert(runs.end(), 3, 0);
    }
    const Bytes file = MakeTga(h, runs);
    Image img;
    EXPECT_FALSE(DecodeTga(file.data(), file.size(), img));
    EXPECT_EQ(img.width, 0u);
}

TEST(ImageTga, UnsupportedKindsRejected) {
    TgaHeader good;
    good.width = 2;
    good.height = 2;
    const Bytes valid = MakeTga(good, Bytes(2 * 2 * 4, 0x33));
    Image img;
    ASSERT_TRUE(DecodeTga(valid.data(), valid.size(), img));

    auto rejects = [&](TgaHeader h, const char* what) {
        const Bytes file = MakeTga(h, Bytes(4096, 0x33));
        Image out;
        EXPECT_FALSE(DecodeTga(file.data(), file.size(), out)) << what;
        EXPECT_EQ(out.width, 0u) << what;
        EXPECT_TRUE(out.pixels.empty()) << what;
    };
    for (uint8_t type : {0, 1, 3, 9, 11, 32, 33, 255}) {
        TgaHeader h = good;
        h.imageType = type;
        if (type == 1 || type == 9) {
            h.colorMapType = 1;
            h.colorMapLength = 2;
            h.colorMapBits = 24;
            h.bitsPerPixel = 8;
        }
        rejects(h, ("type " + std::to_string(type)).c_str());
    }
    for (uint8_t bits : {0, 1, 8, 15, 16, 31, 48}) {
        TgaHeader h = good;
        h.bitsPerPixel = bits;
        rejects(h, ("bits " + std::to_string(bits)).c_str());
    }
    TgaHeader h = good;
    h.width = 0;
    rejects(h, "zero width");
    h = good;
    h.height = 0;
    rejects(h, "zero height");
    h = good;
    h.width = 16385;
    h.height = 1;
    rejects(h, "too wide");
    h = good;
    h.height = 65535;
    h.width = 1;
    rejects(h, "too tall");
    h = good;
    h.colorMapType = 2;
    rejects(h, "colour map type 2");
    h = good;
    h.descriptor = 0x40;
    rejects(h, "interleaved rows");
}

TEST(ImageTga, TruncatedAndDamagedInputsRejected) {
    Image img;
    EXPECT_FALSE(DecodeTga(nullptr, 0, img));
    EXPECT_FALSE(DecodeTga(nullptr, 100, img));

    // Every proper prefix of a valid file fails, and a failure leaves `out` as it was.
    TgaHeader h;
    h.width = 3;
    h.height = 2;
    h.idLength = 3;
    h.colorMapType = 1;
    h.colorMapLength = 2;
    h.colorMapBits = 32;
    for (uint8_t type : {uint8_t(2), uint8_t(10)}) {
        h.imageType = type;
        Bytes payload = Raw(kSix, 32);
        if (type == 10) {
            payload = {0x81};
            PutPixel(payload, kSix[0], 32);
            payload.push_back(3);
            for (int i = 0; i < 4; ++i) PutPixel(payload, kSix[2 + i], 32);
        }
        const Bytes file = MakeTga(h, payload);
        ASSERT_TRUE(DecodeTga(file.data(), file.size(), img));
        const Image before = img;
        for (size_t n = 0; n < file.size(); ++n) {
            const Bytes prefix(file.begin(), file.begin() + n);
            EXPECT_FALSE(DecodeTga(prefix.data(), prefix.size(), img)) << "type " << int(type) << " cut at " << n;
            EXPECT_EQ(img.pixels, before.pixels);
        }
    }

    // RLE packets that run past the last pixel, as a run and as a raw packet.
    TgaHeader rle;
    rle.imageType = 10;
    rle.width = 2;
    rle.height = 2;
    Bytes overRun = {0x84};  // run of 5 into 4 pixels
    PutPixel(overRun, 0xFFFFFFFF, 32);
    overRun.insert(overRun.end(), 64, 0);
    Bytes file = MakeTga(rle, overRun);
    EXPECT_FALSE(DecodeTga(file.data(), file.size(), img));
    Bytes lateOverRun = {0x82};  // run of 3, then raw of 2 into the 1 left
    PutPixel(lateOverRun, 0xFFFFFFFF, 32);
    lateOverRun.push_back(1);
    lateOverRun.insert(lateOverRun.end(), 64, 0);
    file = MakeTga(rle, lateOverRun);
    EXPECT_FALSE(DecodeTga(file.data(), file.size(), img));

    // A header claiming the largest picture over a handful of bytes fails without trying to
    // hold a gigabyte of pixels.
    rle.width = 16384;
    rle.height = 16384;
    file = MakeTga(rle, Bytes(64, 0xFF));
    EXPECT_FALSE(DecodeTga(file.data(), file.size(), img));
    TgaHeader raw;
    raw.width = 16384;
    raw.height = 16384;
    file = MakeTga(raw, Bytes(64, 0xFF));
    EXPECT_FALSE(DecodeTga(file.data(), file.size(), img));

    // An ID or colour-map length that points past the end.
    TgaHeader id;
    id.width = 1;
    id.height = 1;
    Bytes shortId = MakeTga(id, Raw({1}, 32));
    shortId[0] = 200;
    EXPECT_FALSE(DecodeTga(shortId.data(), shortId.size(), img));
    Bytes shortMap = MakeTga(id, Raw({1}, 32));
    shortMap[1] = 1;
    shortMap[5] = 0xFF;
    shortMap[6] = 0xFF;
    shortMap[7] = 32;
    EXPECT_FALSE(DecodeTga(shortMap.data(), shortMap.size(), img));
}

TEST(ImageTga, ParticleSpriteHasBrightCentreAndDarkCorners) {
    const Bytes file = ReadAsset("assets/archive/Resource/Particle.tga");
    ASSERT_FALSE(file.empty());
    Image img;
    ASSERT_TRUE(DecodeTga(file.data(), file.size(), img));
    ASSERT_EQ(img.width, 64u);
    ASSERT_EQ(img.height, 64u);
    ASSERT_EQ(img.pixels.size(), 64u * 64u);
    for (int c = 0; c < 4; ++c) {
        EXPECT_GT(Channel(At(img, 32, 32), c), 240u) << c;
        EXPECT_GT(Channel(At(img, 31, 31), c), 240u) << c;
        for (uint32_t corner : {At(img, 0, 0), At(img, 63, 0), At(img, 0, 63), At(img, 63, 63)})
            EXPECT_LT(Channel(corner, c), 16u) << c;
    }
    // Brightness falls from the centre outwards along a row.
    EXPECT_GT(Channel(At(img, 32, 32), 0), Channel(At(img, 16, 32), 0));
    EXPECT_GT(Channel(At(img, 16, 32), 0), Channel(At(img, 2, 32), 0));
}
