// A photo's facts from its headers alone: the size as shown for each format, the time taken
// as seconds, and the file read through the pictures' own open.
#include "pictures/photo_facts_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

using namespace WorkSpace;

namespace {
using Bytes = std::vector<uint8_t>;
using Size = std::pair<uint32_t, uint32_t>;

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes b;
    for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
    return b;
}
Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes Be16(uint32_t v) { return {uint8_t(v >> 8), uint8_t(v)}; }
Bytes Be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }
Bytes Le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

// A big-endian IFD of SHORT or LONG entries (tag, type, value) at `at`, the next IFD after it.
Bytes Ifd(std::initializer_list<std::vector<uint32_t>> entries, uint32_t next = 0) {
    Bytes b = Be16(uint32_t(entries.size()));
    for (const std::vector<uint32_t>& e : entries)
        b = Cat({b, Be16(e[0]), Be16(e[1]), Be32(1), e[1] == 3 ? Cat({Be16(e[2]), Be16(0)}) : Be32(e[2])});
    return Cat({b, Be32(next)});
}
const Bytes kTiffHead = {'M', 'M', 0, 42, 0, 0, 0, 8};

Bytes Jpeg(uint8_t frame, const Bytes& app1) {
    const Bytes sof = {0xFF, frame, 0x00, 0x11, 0x08, 0x03, 0x00, 0x04, 0x00, 0x03, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
    const Bytes segment = app1.empty() ? Bytes() : Cat({{0xFF, 0xE1}, Be16(uint32_t(app1.size() + 2)), app1});
    return Cat({{0xFF, 0xD8}, segment, sof, {0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9}});
}
// JPEG's Exif segment with IFD0 holding `entries`.
Bytes ExifOf(std::initializer_list<std::vector<uint32_t>> entries) {
    return Cat({Text(std::string("Exif\0\0", 6)), kTiffHead, Ifd(entries)});
}
Bytes Webp(const char* chunk, const Bytes& payload) {
    const Bytes body = Cat({Text("WEBP"), Text(chunk), Le32(uint32_t(payload.size())), payload});
    return Cat({Text("RIFF"), Le32(uint32_t(body.size())), body});
}
Bytes Box(const char* type, const Bytes& body) { return Cat({Be32(uint32_t(body.size() + 8)), Text(type), body}); }
Bytes Ispe(uint32_t w, uint32_t h) { return Box("ispe", Cat({Be32(0), Be32(w), Be32(h)})); }
Bytes Heif(const Bytes& properties) {
    return Cat({Box("ftyp", Text(std::string("heic\0\0\0\0mif1heic", 16))),
                Box("meta", Cat({Be32(0), Box("hdlr", Bytes(20, 0)), Box("iprp", Box("ipco", properties))}))});
}
}  // namespace

TEST(PhotoFactsReader, TheSizeAsShownFromEachFormatsHeaders) {
    // TIFF: a 160 x 120 preview in IFD0, the picture in its SubIFD (NEF, DNG).
    const Bytes tiffSub = Cat({kTiffHead, Ifd({{256, 3, 160}, {257, 3, 120}, {330, 4, 8 + 42}}),
                               Ifd({{256, 4, 6000}, {257, 4, 4000}})});
    // RW2-like: no sides in any IFD, the Exif IFD's PixelX/YDimension.
    const Bytes tiffExif = Cat({kTiffHead, Ifd({{0x8769, 4, 8 + 18}}), Ifd({{0xA002, 4, 5184}, {0xA003, 4, 3888}})});
    // CR2-like: IFD0's preview, then a larger picture in the next IFD.
    const Bytes tiffChain = Cat({kTiffHead, Ifd({{256, 3, 1536}, {257, 3, 1024}}, 8 + 30),
                                 Ifd({{256, 3, 5472}, {257, 3, 3648}})});
    struct Case {
        const char* what;
        Bytes photo;
        Size shown;
    };
    const Case cases[] = {
        {"JPEG, baseline", Jpeg(0xC0, {}), {1024, 768}},
        {"JPEG, lossless", Jpeg(0xC3, {}), {1024, 768}},
        {"JPEG turned by EXIF 6", Jpeg(0xC2, ExifOf({{274, 3, 6}})), {768, 1024}},
        {"JPEG mirrored by EXIF 2", Jpeg(0xC1, ExifOf({{274, 3, 2}})), {1024, 768}},
        {"WebP, lossy", Webp("VP8 ", {0, 0, 0, 0x9D, 0x01, 0x2A, 0x80, 0x07, 0x38, 0x04}), {1920, 1080}},
        // 14 bits each of width - 1 (399) and height - 1 (299).
        {"WebP, lossless", Webp("VP8L", Cat({{0x2F}, Le32(399 | (299u << 14)), {0}})), {400, 300}},
        {"WebP, extended", Webp("VP8X", {0, 0, 0, 0, 0x9F, 0x0F, 0, 0xFF, 0x0B, 0}), {4000, 3072}},
        {"TIFF, SubIFD", tiffSub, {6000, 4000}},
        {"TIFF, next IFD", tiffChain, {5472, 3648}},
        {"TIFF, Exif dimensions", tiffExif, {5184, 3888}},
        {"HEIF, the largest ispe", Heif(Cat({Ispe(512, 512), Ispe(4032, 3024)})), {4032, 3024}},
        {"HEIF, turned by irot", Heif(Cat({Ispe(4032, 3024), Box("irot", {3})})), {3024, 4032}},
        {"HEIF, half a turn", Heif(Cat({Ispe(4032, 3024), Box("irot", {2})})), {4032, 3024}},
    };
    for (const Case& c : cases) {
        PhotoFacts facts;
        ASSERT_TRUE(PhotoFactsOfHeaders(c.photo.data(), c.photo.size(), facts)) << c.what;
        EXPECT_EQ(Size(facts.width, facts.height), c.shown) << c.what;
        for (size_t n = 0; n < c.photo.size(); ++n) {
            const Bytes cut(c.photo.begin(), c.photo.begin() + n);
            PhotoFactsOfHeaders(cut.data(), cut.size(), facts);  // never reads past the end (ASan run)
        }
    }
    PhotoFacts facts;
    const Bytes text = Text("not a picture at all");
    EXPECT_FALSE(PhotoFactsOfHeaders(text.data(), text.size(), facts));
}

TEST(PhotoFactsReader, SecondsOfTheCamerasClock) {
    EXPECT_EQ(SecondsOfCivilTime(1970, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(SecondsOfCivilTime(2000, 3, 1, 0, 0, 0), 951868800);
    EXPECT_EQ(SecondsOfCivilTime(2024, 2, 29, 12, 0, 1), 1709208001);
    EXPECT_EQ(SecondsOfCivilTime(1969, 12, 31, 23, 59, 59), -1);
}

TEST(PhotoFactsReader, ACaptionShowsTheIndexedDateAndPlace) {
    const struct {
        int64_t taken;
        bool dated;
        uint32_t year, month, day, hour, minute, second;
    } cases[] = {
        {SecondsOfCivilTime(2023, 7, 14, 18, 2, 11), true, 2023, 7, 14, 18, 2, 11},
        {SecondsOfCivilTime(2023, 7, 14, 18, 0, 5), true, 2023, 7, 14, 18, 0, 5},
        {SecondsOfCivilTime(2024, 2, 29, 23, 59, 59), true, 2024, 2, 29, 23, 59, 59},
        {SecondsOfCivilTime(1969, 12, 31, 0, 0, 1), true, 1969, 12, 31, 0, 0, 1},
        {SecondsOfCivilTime(2023, 7, 14, 18, 2, 11), false, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        PhotoFacts facts;
        facts.dated = c.dated;
        facts.taken = c.taken;
        const ExifFacts caption = CaptionFactsOf(facts);
        EXPECT_EQ(caption.hasDate, c.dated) << c.taken;
        EXPECT_EQ(std::vector<uint32_t>({caption.year, caption.month, caption.day, caption.hour, caption.minute,
                                         caption.second}),
                  std::vector<uint32_t>({c.year, c.month, c.day, c.hour, c.minute, c.second}))
            << c.taken;
        EXPECT_FALSE(caption.hasPosition);
    }
    PhotoFacts placed;
    placed.placed = true;
    placed.latitude = -33.8688;
    placed.longitude = 151.2093;
    const ExifFacts caption = CaptionFactsOf(placed);
    EXPECT_TRUE(caption.hasPosition && !caption.hasDate);
    EXPECT_EQ(caption.latitude, -33.8688);
    EXPECT_EQ(caption.longitude, 151.2093);
}

TEST(PhotoFactsReader, AFileIsReadThroughItsHeaders) {
    const std::string dir = UseLogFolder("photo_facts_reader");
    // Date taken in the Exif IFD, stars in IFD0, a frame header after them.
    const Bytes date = Text(std::string("2021:06:05 14:30:00\0", 20));
    const Bytes exif = Cat({Text(std::string("Exif\0\0", 6)), kTiffHead, Ifd({{0x4746, 3, 4}, {0x8769, 4, 8 + 30}}),
                            Be16(1), Be16(0x9003), Be16(2), Be32(20), Be32(8 + 30 + 18), Be32(0), date});
    const Bytes photo = Jpeg(0xC0, exif);
    const std::string path = dir + "/photo.jpg";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(photo.data()), std::streamsize(photo.size()));
    PhotoFacts facts;
    ASSERT_EQ(ReadPhotoFacts(W(path), facts), FactsRead::Known);
    EXPECT_TRUE(facts.dated);
    EXPECT_EQ(facts.taken, SecondsOfCivilTime(2021, 6, 5, 14, 30, 0));
    EXPECT_EQ(facts.rating, 4);
    EXPECT_EQ(Size(facts.width, facts.height), Size(1024, 768));
    EXPECT_FALSE(facts.placed);
    // Segments of 192 KiB before the frame header: the read goes on past its first part.
    const Bytes app2 = Cat({{0xFF, 0xE2, 0xFF, 0xFF}, Bytes(0xFFFD, 0)});
    const Bytes plain = Jpeg(0xC0, {});
    const Bytes tall = Cat({{0xFF, 0xD8}, app2, app2, app2, Bytes(plain.begin() + 2, plain.end())});
    std::ofstream(dir + "/tall.jpg", std::ios::binary).write(reinterpret_cast<const char*>(tall.data()), std::streamsize(tall.size()));
    ASSERT_EQ(ReadPhotoFacts(W(dir + "/tall.jpg"), facts), FactsRead::Known);
    EXPECT_EQ(Size(facts.width, facts.height), Size(1024, 768));
    EXPECT_EQ(ReadPhotoFacts(W(dir + "/missing.jpg"), facts), FactsRead::Failed);
    EXPECT_EQ(facts.width, 0u);
}
