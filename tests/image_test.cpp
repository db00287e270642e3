// TGA reading, resampling, texture sizes, mip levels and header sniffing, against small
// hand-built files whose every pixel we know, and against the real assets.
#include <gtest/gtest.h>

#include <algorithm>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "pictures/image.h"

using namespace WorkSpace;

namespace {

using Bytes = std::vector<uint8_t>;

struct TgaHeader {
    uint8_t idLength = 0;
    uint8_t colorMapType = 0;
    uint8_t imageType = 2;
    uint16_t colorMapFirst = 0;
    uint16_t colorMapLength = 0;
    uint8_t colorMapBits = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t bitsPerPixel = 32;
    uint8_t descriptor = 0;
};

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

// Header, then the ID field and colour map filled with junk (so skipping them wrongly shows
// up as wrong pixels), then the payload as given.
Bytes MakeTga(const TgaHeader& h, const Bytes& payload) {
    Bytes b;
    b.push_back(h.idLength);
    b.push_back(h.colorMapType);
    b.push_back(h.imageType);
    Put16(b, h.colorMapFirst);
    Put16(b, h.colorMapLength);
    b.push_back(h.colorMapBits);
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, h.width);
    Put16(b, h.height);
    b.push_back(h.bitsPerPixel);
    b.push_back(h.descriptor);
    for (int i = 0; i < h.idLength; ++i) b.push_back(static_cast<uint8_t>(0xA0 + i));
    if (h.colorMapType == 1) {
        const size_t mapBytes = size_t(h.colorMapLength) * ((h.colorMapBits + 7) / 8);
        for (size_t i = 0; i < mapBytes; ++i) b.push_back(static_cast<uint8_t>(0x50 + i));
    }
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

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

Bytes ReadAsset(const std::string& relative) {
    std::ifstream f(std::string(LUMORA_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

Image Filled(uint32_t w, uint32_t h, uint32_t value) {
    Image img;
    img.width = w;
    img.height = h;
    img.pixels.assign(size_t(w) * h, value);
    return img;
}

// Six distinct colours for a 3x2 picture, listed top row first, left to right.
const std::vector<uint32_t> kSix = {0xFF102030, 0x80405060, 0x00708090, 0x11A0B0C0, 0x22D0E0F0, 0x33010203};

}  // namespace

// ---------------------------------------------------------------------------------------

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

// ---------------------------------------------------------------------------------------

TEST(ImageScale, FlatColourStaysFlat) {
    const uint32_t colour = 0x80C08041;
    const Image src = Filled(37, 23, colour);
    const uint32_t sizes[][2] = {{10, 7}, {100, 50}, {37, 23}, {80, 5}, {1, 1}, {36, 22}, {38, 24}, {1, 400}};
    for (auto& s : sizes) {
        const Image out = ScaleImage(src, s[0], s[1]);
        ASSERT_EQ(out.width, s[0]);
        ASSERT_EQ(out.height, s[1]);
        ASSERT_EQ(out.pixels.size(), size_t(s[0]) * s[1]);
        for (uint32_t p : out.pixels) ASSERT_EQ(p, colour) << s[0] << "x" << s[1];
    }
    const Image one = ScaleImage(Filled(1, 1, colour), 5, 3);
    for (uint32_t p : one.pixels) EXPECT_EQ(p, colour);
}

TEST(ImageScale, HalvingCheckerboardGivesGrey) {
    Image src = Filled(8, 8, 0);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x) src.pixels[y * 8 + x] = ((x + y) & 1) ? 0xFFFFFFFF : 0xFF000000;
    const Image out = ScaleImage(src, 4, 4);
    ASSERT_EQ(out.pixels.size(), 16u);
    for (uint32_t p : out.pixels) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_GE(Channel(p, c), 127u);
            EXPECT_LE(Channel(p, c), 128u);
        }
        EXPECT_EQ(Channel(p, 3), 255u);
    }
    // Alpha is averaged like any other channel.
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x) src.pixels[y * 8 + x] = ((x + y) & 1) ? 0xC8000000 : 0x00000000;
    for (uint32_t p : ScaleImage(src, 4, 4).pixels) EXPECT_EQ(p, 0x64000000u);
}

TEST(ImageScale, SameSizeIsAnExactCopy) {
    Image src = Filled(13, 9, 0);
    std::mt19937 rng(7);
    for (uint32_t& p : src.pixels) p = rng();
    EXPECT_EQ(ScaleImage(src, 13, 9).pixels, src.pixels);
}

TEST(ImageScale, BoxWeightsCoverFractionalPixels) {
    // Three pixels into two: each output covers one and a half source pixels.
    Image src = Filled(3, 1, 0);
    src.pixels = {0x00000000, 0x5A5A5A5A, 0xB4B4B4B4};  // 0, 90, 180
    const Image out = ScaleImage(src, 2, 1);
    EXPECT_EQ(out.pixels[0], 0x1E1E1E1Eu);  // (0 + 90 / 2) / 1.5 = 30
    EXPECT_EQ(out.pixels[1], 0x96969696u);  // (90 / 2 + 180) / 1.5 = 150
    // The same along the vertical axis.
    Image col = Filled(1, 3, 0);
    col.pixels = src.pixels;
    EXPECT_EQ(ScaleImage(col, 1, 2).pixels, out.pixels);
}

TEST(ImageScale, BilinearUpscaleWithAlignedCentres) {
    Image src = Filled(2, 1, 0);
    src.pixels = {0x00000000, 0xC8C8C8C8};  // 0 and 200
    const Image out = ScaleImage(src, 4, 1);
    // Output centres fall at source -0.25 (clamped), 0.25, 0.75 and 1.25 (clamped).
    EXPECT_EQ(out.pixels, (std::vector<uint32_t>{0x00000000, 0x32323232, 0x96969696, 0xC8C8C8C8}));
    Image col = Filled(1, 2, 0);
    col.pixels = src.pixels;
    EXPECT_EQ(ScaleImage(col, 1, 4).pixels, out.pixels);
}

TEST(ImageScale, ShrinkOneAxisGrowTheOther) {
    // Columns 0,100,200,... across; rows identical. Halving the width averages pairs, and
    // growing the height repeats rows.
    Image src = Filled(4, 2, 0);
    const uint32_t v[4] = {0, 100, 200, 250};
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 4; ++x) src.pixels[y * 4 + x] = 0xFF000000 | v[x];
    const Image out = ScaleImage(src, 2, 5);
    ASSERT_EQ(out.pixels.size(), 10u);
    for (uint32_t y = 0; y < 5; ++y) {
        EXPECT_EQ(At(out, 0, y), 0xFF000032u);
        EXPECT_EQ(At(out, 1, y), 0xFF0000E1u);
    }
}

TEST(ImageScale, SizeLimits) {
    const Image src = Filled(4, 4, 0x12345678);
    EXPECT_TRUE(ScaleImage(src, 0, 4).pixels.empty());
    EXPECT_TRUE(ScaleImage(src, 4, 0).pixels.empty());
    EXPECT_TRUE(ScaleImage(src, 16385, 1).pixels.empty());
    const Image wide = ScaleImage(src, 16384, 1);
    EXPECT_EQ(wide.width, 16384u);
    EXPECT_EQ(wide.pixels.size(), 16384u);
    EXPECT_EQ(wide.pixels.back(), 0x12345678u);
    // A source that does not hold what its size says gives a blank picture of the size asked.
    Image broken = src;
    broken.pixels.pop_back();
    const Image blank = ScaleImage(broken, 3, 2);
    EXPECT_EQ(blank.width, 3u);
    EXPECT_EQ(blank.pixels, std::vector<uint32_t>(6, 0));
    EXPECT_EQ(ScaleImage(Image{}, 2, 2).pixels.size(), 4u);
}

// ---------------------------------------------------------------------------------------

namespace {
std::pair<uint32_t, uint32_t> Fit(uint32_t sw, uint32_t sh, uint32_t mw, uint32_t mh, bool pow2) {
    uint32_t w = 0, h = 0;
    FitTextureSize(sw, sh, mw, mh, pow2, w, h);
    return {w, h};
}
using Size = std::pair<uint32_t, uint32_t>;
bool IsPowerOfTwo(uint32_t v) { return v && !(v & (v - 1)); }
}  // namespace

TEST(ImageFit, LargePhoto) {
    EXPECT_EQ(Fit(6000, 4000, 4096, 4096, false), Size(4096, 2731));
    EXPECT_EQ(Fit(6000, 4000, 4096, 4096, true), Size(4096, 2048));
    EXPECT_EQ(Fit(4000, 6000, 4096, 4096, false), Size(2731, 4096));
    EXPECT_EQ(Fit(4000, 6000, 4096, 4096, true), Size(2048, 4096));
    EXPECT_EQ(Fit(6000, 4000, 2048, 2048, false), Size(2048, 1365));
    // The tighter of two different maxima decides.
    EXPECT_EQ(Fit(6000, 4000, 4096, 1024, false), Size(1536, 1024));
    EXPECT_EQ(Fit(1000, 1000, 512, 256, false), Size(256, 256));
    // Maxima that are not powers of two: scale, then round down.
    EXPECT_EQ(Fit(6000, 4000, 3000, 3000, false), Size(3000, 2000));
    EXPECT_EQ(Fit(6000, 4000, 3000, 3000, true), Size(2048, 1024));
}

TEST(ImageFit, PicturesThatAlreadyFit) {
    EXPECT_EQ(Fit(800, 600, 4096, 4096, false), Size(800, 600));
    EXPECT_EQ(Fit(800, 600, 4096, 4096, true), Size(1024, 1024));
    EXPECT_EQ(Fit(4096, 4096, 4096, 4096, true), Size(4096, 4096));
    EXPECT_EQ(Fit(4096, 4096, 4096, 4096, false), Size(4096, 4096));
    // Rounding up would overflow the maximum, so the rounded size is scaled back.
    EXPECT_EQ(Fit(1500, 600, 1024, 1024, true), Size(1024, 512));
    EXPECT_EQ(Fit(1025, 1, 1024, 1024, true), Size(1024, 1));
}

TEST(ImageFit, TinyAndThinPictures) {
    EXPECT_EQ(Fit(1, 1, 4096, 4096, false), Size(1, 1));
    EXPECT_EQ(Fit(1, 1, 4096, 4096, true), Size(1, 1));
    EXPECT_EQ(Fit(3, 5, 4096, 4096, true), Size(4, 8));
    EXPECT_EQ(Fit(1, 10000, 4096, 4096, false), Size(1, 4096));
    EXPECT_EQ(Fit(1, 10000, 4096, 4096, true), Size(1, 4096));
    EXPECT_EQ(Fit(10000, 1, 4096, 4096, false), Size(4096, 1));
    EXPECT_EQ(Fit(1, 300, 4096, 4096, false), Size(1, 300));
    EXPECT_EQ(Fit(1, 300, 4096, 4096, true), Size(1, 512));
    EXPECT_EQ(Fit(0, 0, 4096, 4096, false), Size(1, 1));
    EXPECT_EQ(Fit(100, 100, 0, 0, false), Size(1, 1));
    EXPECT_EQ(Fit(0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, true), Size(16384, 16384));
    EXPECT_EQ(Fit(0xFFFFFFFF, 2, 4096, 4096, false), Size(4096, 1));
}

TEST(ImageFit, NeverExceedsTheMaximaAndKeepsPowersOfTwo) {
    std::mt19937 rng(1234);
    auto side = [&]() -> uint32_t {
        switch (rng() % 3) {
            case 0: return 1 + rng() % 16;
            case 1: return 1 + rng() % 5000;
            default: return 1 + rng() % 70000;
        }
    };
    for (int i = 0; i < 20000; ++i) {
        const uint32_t sw = side(), sh = side(), mw = side(), mh = side();
        for (bool pow2 : {false, true}) {
            const Size s = Fit(sw, sh, mw, mh, pow2);
            ASSERT_GE(s.first, 1u);
            ASSERT_GE(s.second, 1u);
            ASSERT_LE(s.first, std::min(mw, 16384u)) << sw << "x" << sh << " in " << mw << "x" << mh;
            ASSERT_LE(s.second, std::min(mh, 16384u)) << sw << "x" << sh << " in " << mw << "x" << mh;
            if (pow2) {
                ASSERT_TRUE(IsPowerOfTwo(s.first) && IsPowerOfTwo(s.second));
            } else if (sw <= std::min(mw, 16384u) && sh <= std::min(mh, 16384u)) {
                ASSERT_EQ(s, Size(sw, sh));
            } else {
                // Shrunk: one side meets its maximum, and the proportions are kept to within
                // the rounding of the other side.
                ASSERT_TRUE(s.first == std::min(mw, 16384u) || s.second == std::min(mh, 16384u));
                const double ratio = double(sw) / sh;
                if (s.first > 1 && s.second > 1) {
                    ASSERT_NEAR(double(s.first) / s.second, ratio,
                                ratio * (1.0 / s.first + 1.0 / s.second) + 1e-9);
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------------------

TEST(ImageMip, LevelCounts) {
    EXPECT_EQ(MipLevelCount(256, 64, 0), 9u);
    EXPECT_EQ(MipLevelCount(256, 64, 3), 3u);
    EXPECT_EQ(MipLevelCount(256, 64, 9), 9u);
    EXPECT_EQ(MipLevelCount(256, 64, 100), 9u);
    EXPECT_EQ(MipLevelCount(64, 256, 0), 9u);
    EXPECT_EQ(MipLevelCount(1, 1, 0), 1u);
    EXPECT_EQ(MipLevelCount(1, 1, 5), 1u);
    EXPECT_EQ(MipLevelCount(5, 3, 0), 3u);  // 5x3, 2x1, 1x1
    EXPECT_EQ(MipLevelCount(4096, 2731, 0), 13u);
    EXPECT_EQ(MipLevelCount(16384, 1, 0), 15u);
    EXPECT_EQ(MipLevelCount(0, 0, 0), 1u);
}

TEST(ImageMip, NextLevelAveragesAndHandlesOddSizes) {
    Image src = Filled(5, 3, 0);
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 5; ++x) src.pixels[y * 5 + x] = (10 * (y * 5 + x)) * 0x01010101u;
    const Image out = NextMipLevel(src);
    ASSERT_EQ(out.width, 2u);
    ASSERT_EQ(out.height, 1u);
    // (0 + 10 + 50 + 60) / 4 = 30 and (20 + 30 + 70 + 80) / 4 = 50.
    EXPECT_EQ(out.pixels, (std::vector<uint32_t>{30 * 0x01010101u, 50 * 0x01010101u}));

    // A side of one averages with itself; rounding is to nearest.
    Image column = Filled(1, 4, 0);
    column.pixels = {0x00000000, 0x03030303, 0xFFFFFFFF, 0xFDFDFDFD};
    const Image half = NextMipLevel(column);
    ASSERT_EQ(half.width, 1u);
    ASSERT_EQ(half.height, 2u);
    EXPECT_EQ(half.pixels, (std::vector<uint32_t>{0x02020202, 0xFEFEFEFE}));

    const Image single = NextMipLevel(Filled(1, 1, 0x89ABCDEF));
    EXPECT_EQ(single.width, 1u);
    EXPECT_EQ(single.pixels, std::vector<uint32_t>{0x89ABCDEF});
    EXPECT_TRUE(NextMipLevel(Image{}).pixels.empty());
}

TEST(ImageMip, FullChainReachesOneByOne) {
    Image level = Filled(256, 64, 0x40806080);
    const uint32_t levels = MipLevelCount(256, 64, 0);
    for (uint32_t i = 1; i < levels; ++i) level = NextMipLevel(level);
    EXPECT_EQ(level.width, 1u);
    EXPECT_EQ(level.height, 1u);
    EXPECT_EQ(level.pixels, std::vector<uint32_t>{0x40806080});
}

// ---------------------------------------------------------------------------------------

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

// ---------------------------------------------------------------------------------------
// Orientation

namespace {
// A 3 x 2 picture whose pixels are their own index: 0 1 2 / 3 4 5.
Image Numbered() {
    Image im;
    im.width = 3;
    im.height = 2;
    im.pixels = {0, 1, 2, 3, 4, 5};
    return im;
}
}  // namespace

TEST(ImageOrient, AllEightOrientations) {
    struct Case {
        uint32_t orientation, width, height;
        std::vector<uint32_t> pixels;
    };
    const Case cases[] = {
        {1, 3, 2, {0, 1, 2, 3, 4, 5}},
        {2, 3, 2, {2, 1, 0, 5, 4, 3}},        // mirrored
        {3, 3, 2, {5, 4, 3, 2, 1, 0}},        // half a turn
        {4, 3, 2, {3, 4, 5, 0, 1, 2}},        // flipped
        {5, 2, 3, {0, 3, 1, 4, 2, 5}},        // transposed
        {6, 2, 3, {3, 0, 4, 1, 5, 2}},        // a quarter turn clockwise
        {7, 2, 3, {5, 2, 4, 1, 3, 0}},        // transposed across the other diagonal
        {8, 2, 3, {2, 5, 1, 4, 0, 3}},        // a quarter turn anticlockwise
        {0, 3, 2, {0, 1, 2, 3, 4, 5}},        // no tag
        {9, 3, 2, {0, 1, 2, 3, 4, 5}},        // not a valid value
    };
    for (const Case& c : cases) {
        const Image out = OrientImage(Numbered(), c.orientation);
        EXPECT_EQ(out.width, c.width) << c.orientation;
        EXPECT_EQ(out.height, c.height) << c.orientation;
        EXPECT_EQ(out.pixels, c.pixels) << c.orientation;
    }
}

namespace {
// A TIFF header with IFD0 holding `entries` tags; orientation as the last, as SHORT.
Bytes Tiff(bool little, uint32_t orientation, uint16_t type = 3, uint32_t count = 1) {
    Bytes b;
    auto p16 = [&](uint32_t v) {
        if (little) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); }
        else { b.push_back(uint8_t(v >> 8)); b.push_back(uint8_t(v)); }
    };
    auto p32 = [&](uint32_t v) {
        if (little) { p16(v & 0xFFFF); p16(v >> 16); }
        else { p16(v >> 16); p16(v & 0xFFFF); }
    };
    b.push_back(little ? 'I' : 'M');
    b.push_back(little ? 'I' : 'M');
    p16(42);
    p32(8);
    p16(2);
    p16(271); p16(2); p32(4); p32(0x41424344);  // Make, before the tag we look for
    p16(274); p16(type); p32(count); p16(orientation); p16(0);
    p32(0);
    return b;
}
Bytes JpegWith(const std::vector<Bytes>& segments) {
    Bytes b = {0xFF, 0xD8};
    for (const Bytes& s : segments) b.insert(b.end(), s.begin(), s.end());
    const Bytes tail = {0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9};
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}
Bytes Segment(uint8_t marker, const Bytes& payload) {
    Bytes b = {0xFF, marker, uint8_t((payload.size() + 2) >> 8), uint8_t(payload.size() + 2)};
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}
Bytes Exif(const Bytes& tiff) {
    Bytes b = {'E', 'x', 'i', 'f', 0, 0};
    b.insert(b.end(), tiff.begin(), tiff.end());
    return b;
}
}  // namespace

TEST(ImageExif, OrientationFromTiffAndJpegInBothByteOrders) {
    uint32_t o = 0;
    EXPECT_TRUE(ReadExifOrientation(Tiff(true, 6).data(), Tiff(true, 6).size(), o));
    EXPECT_EQ(o, 6u);
    EXPECT_TRUE(ReadExifOrientation(Tiff(false, 8).data(), Tiff(false, 8).size(), o));
    EXPECT_EQ(o, 8u);
    // JFIF first, then an XMP APP1, then the Exif one.
    const Bytes jpeg = JpegWith({Segment(0xE0, {'J', 'F', 'I', 'F', 0}), Segment(0xE1, {'h', 't', 't', 'p', 0}),
                                 Segment(0xE1, Exif(Tiff(false, 3)))});
    EXPECT_TRUE(ReadExifOrientation(jpeg.data(), jpeg.size(), o));
    EXPECT_EQ(o, 3u);
}

TEST(ImageExif, MissingOrDamagedTagsGiveNone) {
    uint32_t o = 7;
    const Bytes noExif = JpegWith({Segment(0xE0, {'J', 'F', 'I', 'F', 0})});
    EXPECT_FALSE(ReadExifOrientation(noExif.data(), noExif.size(), o));
    EXPECT_FALSE(ReadExifOrientation(Tiff(true, 0).data(), Tiff(true, 0).size(), o));      // out of range
    EXPECT_FALSE(ReadExifOrientation(Tiff(true, 9).data(), Tiff(true, 9).size(), o));
    EXPECT_FALSE(ReadExifOrientation(Tiff(true, 6, 4).data(), Tiff(true, 6, 4).size(), o));  // LONG, not SHORT
    EXPECT_FALSE(ReadExifOrientation(Tiff(true, 6, 3, 2).data(), Tiff(true, 6, 3, 2).size(), o));
    // Every truncation of a good file is refused or read without reading past its end.
    const Bytes jpeg = JpegWith({Segment(0xE1, Exif(Tiff(true, 6)))});
    for (size_t n = 0; n < jpeg.size(); ++n) {
        const Bytes cut(jpeg.begin(), jpeg.begin() + n);
        uint32_t v = 0;
        if (ReadExifOrientation(cut.data(), cut.size(), v)) EXPECT_EQ(v, 6u);
    }
    // A segment length running past the end, and an IFD offset past the end.
    Bytes longSegment = jpeg;
    longSegment[4] = 0x7F;
    EXPECT_FALSE(ReadExifOrientation(longSegment.data(), longSegment.size(), o));
    Bytes farIfd = Tiff(true, 6);
    farIfd[4] = 0xF0;
    EXPECT_FALSE(ReadExifOrientation(farIfd.data(), farIfd.size(), o));
    EXPECT_EQ(o, 7u);  // untouched by every failure
}

TEST(ImageBackdrop, SmallBlurredAndDarkened) {
    Image src;
    src.width = 300;
    src.height = 400;
    src.pixels.assign(300 * 400, 0xFF000000u);
    src.pixels[200 * 300 + 150] = 0xFFFFFFFFu;  // one white pixel in the middle
    for (uint32_t x = 0; x < 300; ++x) src.pixels[x] = 0xFFC8C8C8u;  // a grey top row
    const Image out = BlurredBackdrop(src, 40, 0.5f);
    ASSERT_EQ(out.width, 30u);
    ASSERT_EQ(out.height, 40u);
    for (uint32_t p : out.pixels) {
        EXPECT_EQ(p >> 24, 0xFFu);
        EXPECT_LE(p & 0xFF, 0x64u);  // at most half the brightest grey
    }
    // The grey top row has run down a few rows: blurred, not just shrunk.
    EXPECT_GT(out.pixels[2 * 30 + 15] & 0xFF, 0u);
    EXPECT_TRUE(BlurredBackdrop(Image()).pixels.empty());
}

namespace {
// A big-endian TIFF whose IFD0 points to an Exif IFD holding `dateTag` with `date`, and to a
// GPS IFD at 33°51'36" S, 151°12'36" W.
Bytes FactsTiff(uint16_t dateTag, const std::string& date) {
    Bytes b = {'M', 'M', 0, 42, 0, 0, 0, 8};
    auto p16 = [&](uint32_t v) { b.push_back(uint8_t(v >> 8)); b.push_back(uint8_t(v)); };
    auto p32 = [&](uint32_t v) { p16(v >> 16); p16(v & 0xFFFF); };
    const uint32_t exif = 8 + 2 + 2 * 12 + 4, exifValues = exif + 2 + 12 + 4, gps = exifValues + 20,
                   gpsValues = gps + 2 + 4 * 12 + 4;
    p16(2);
    p16(0x8769); p16(4); p32(1); p32(exif);
    p16(0x8825); p16(4); p32(1); p32(gps);
    p32(0);
    p16(1);
    p16(dateTag); p16(2); p32(20); p32(exifValues);
    p32(0);
    for (size_t i = 0; i < 20; ++i) b.push_back(i < date.size() ? uint8_t(date[i]) : 0);
    p16(4);
    p16(1); p16(2); p32(2); p16('S' << 8); p16(0);
    p16(2); p16(5); p32(3); p32(gpsValues);
    p16(3); p16(2); p32(2); p16('W' << 8); p16(0);
    p16(4); p16(5); p32(3); p32(gpsValues + 24);
    p32(0);
    for (uint32_t v : {33u, 1u, 51u, 1u, 36u, 1u, 151u, 1u, 12u, 1u, 3600u, 100u}) p32(v);
    return b;
}
}  // namespace

TEST(ImageExif, PhotoFactsFromTheExifAndGpsBlocks) {
    PhotoFacts facts;
    const Bytes digitized = FactsTiff(0x9004, "2019:02:28 23:59:59");
    ASSERT_TRUE(ReadPhotoFacts(digitized.data(), digitized.size(), facts));
    EXPECT_TRUE(facts.hasDate && facts.year == 2019 && facts.month == 2 && facts.day == 28);
    ASSERT_TRUE(facts.hasPosition);
    EXPECT_NEAR(facts.latitude, -33.86, 1e-9);
    EXPECT_NEAR(facts.longitude, -151.21, 1e-9);
    // A camera without a clock writes zeros: no date, never the file's time instead.
    const Bytes noClock = FactsTiff(0x9003, "0000:00:00 00:00:00");
    ASSERT_TRUE(ReadPhotoFacts(noClock.data(), noClock.size(), facts));
    EXPECT_FALSE(facts.hasDate);
    EXPECT_TRUE(facts.hasPosition);
    const Bytes none = Tiff(true, 6);
    EXPECT_FALSE(ReadPhotoFacts(none.data(), none.size(), facts));
    const Bytes jpeg = JpegWith({Segment(0xE1, Exif(digitized))});
    for (size_t n = 0; n < jpeg.size(); ++n) {
        const Bytes cut(jpeg.begin(), jpeg.begin() + n);
        ReadPhotoFacts(cut.data(), cut.size(), facts);  // never reads past the end (ASan run)
    }
}
