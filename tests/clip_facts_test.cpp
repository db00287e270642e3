// A clip's facts from QuickTime/MP4 boxes built here: Apple's keyed date and place, the
// movie header's UTC time, udta's ©xyz, the video track's turn, a `moov` after a large `mdat`.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "imaging/clip_facts.h"
#include "library/lap_order.h"
#include "pictures/photo_facts_reader.h"
#include "photo_bytes.h"
#include "test_support.h"

using namespace WorkSpace;
using namespace PhotoBytes;

namespace {
constexpr uint32_t kCreated1904 = 3771828000u;  // 2023-07-10 10:00:00 UTC, from 1904

Bytes Zeros(size_t n) { return Bytes(n, 0); }

Bytes Mvhd(uint32_t created, uint32_t scale, uint32_t duration) {
    return FullBox("mvhd", 0, Cat({Be32Of(created), Be32Of(created), Be32Of(scale), Be32Of(duration), Zeros(80)}));
}

// A track header whose matrix's first four values are a b c d (1 is 0x10000), and its size.
Bytes Tkhd(int a, int b, int c, int d, uint32_t w, uint32_t h) {
    auto fixed = [](int v) { return Be32Of(uint32_t(v * 0x10000)); };
    return FullBox("tkhd", 0, Cat({Zeros(20), Zeros(8), Zeros(8), fixed(a), fixed(b), Zeros(4), fixed(c), fixed(d),
                                   Zeros(4), Zeros(8), Be32Of(0x40000000), Be32Of(w << 16), Be32Of(h << 16)}));
}

Bytes Trak(const char* handler, const Bytes& tkhd) {
    return BoxOf("trak", Cat({tkhd, BoxOf("mdia", FullBox("hdlr", 0, Cat({Zeros(4), Text(handler), Zeros(12)})))}));
}

// Apple's keyed metadata: keys, then ilst's UTF-8 values under each key's number.
Bytes KeyedMeta(const std::vector<std::pair<std::string, std::string>>& entries, bool fullBox = false) {
    Bytes keys = Cat({Zeros(4), Be32Of(uint32_t(entries.size()))}), ilst;
    for (size_t i = 0; i < entries.size(); ++i) {
        keys = Joined(keys, Cat({Be32Of(uint32_t(entries[i].first.size() + 8)), Text("mdta"), Text(entries[i].first)}));
        const Bytes data = BoxOf("data", Cat({Be32Of(1), Zeros(4), Text(entries[i].second)}));
        ilst = Joined(ilst, Cat({Be32Of(uint32_t(data.size() + 8)), Be32Of(uint32_t(i + 1)), data}));
    }
    const Bytes body = Cat({FullBox("hdlr", 0, Cat({Zeros(4), Text("mdta"), Zeros(12)})), BoxOf("keys", keys),
                            BoxOf("ilst", ilst)});
    return BoxOf("meta", fullBox ? Joined(Zeros(4), body) : body);
}

Bytes Xyz(const std::string& place) {
    return BoxOf("\xA9xyz", Cat({{uint8_t(place.size() >> 8), uint8_t(place.size()), 0x15, 0xC7}, Text(place)}));
}

// ftyp, a large mdat (written with a 64-bit size), then `moov` at the end, as cameras write.
Bytes Clip(const Bytes& moovBody) {
    const Bytes mdat = Cat({Be32Of(1), Text("mdat"), Be32Of(0), Be32Of(300000 + 16), Bytes(300000, 0x55)});
    return Cat({BoxOf("ftyp", Text("qt  \0\0\0\0qt  ")), mdat, BoxOf("moov", moovBody)});
}

// Made-up files by path, opened as their bytes.
struct ClipFiles : FakeFolders {
    std::map<std::wstring, Bytes> files;
    std::unique_ptr<PictureReader> Open(const std::wstring& path, Platform::ReadFailure& why) override {
        auto it = files.find(path);
        if (it == files.end()) return why = Platform::ReadFailure::Missing, nullptr;
        return std::unique_ptr<PictureReader>(new BytesReader(it->second));
    }
};

int64_t Civil(int32_t y, int32_t mo, int32_t d, int h, int mi, int s) {
    return DaysOfDate(CivilDate{y, mo, d}) * 86400 + h * 3600 + mi * 60 + s;
}
}  // namespace

TEST(ClipFacts, ReadFromTheBoxesWhereverTheyLie) {
    const Bytes iphone = Clip(Cat({Mvhd(kCreated1904, 600, 1800), Trak("soun", Tkhd(1, 0, 0, 1, 0, 0)),
                                   Trak("vide", Tkhd(0, 1, -1, 0, 1920, 1080)),
                                   KeyedMeta({{"com.apple.quicktime.location.ISO6709", "+52.3740+004.8897+000.000/"},
                                              {"com.apple.quicktime.creationdate", "2023-07-14T18:02:11+0200"}})}));
    BytesReader file(iphone);
    ClipFacts facts;
    ASSERT_EQ(ReadClipFacts(file, facts), ClipRead::Known);
    EXPECT_TRUE(facts.dated);
    EXPECT_FALSE(facts.utc);  // the key's local time wins over the header's UTC
    EXPECT_EQ(facts.taken, Civil(2023, 7, 14, 18, 2, 11));
    EXPECT_TRUE(facts.placed);
    EXPECT_NEAR(facts.latitude, 52.374, 1e-9);
    EXPECT_NEAR(facts.longitude, 4.8897, 1e-9);
    EXPECT_EQ(facts.rotation, 90u);
    EXPECT_EQ(facts.width, 1080u);  // shown upright: portrait
    EXPECT_EQ(facts.height, 1920u);
    EXPECT_DOUBLE_EQ(facts.seconds, 3.0);
}

TEST(ClipFacts, TheHeaderTimeIsUtcAndUdtaHoldsThePlace) {
    const Bytes android = Clip(Cat({Mvhd(kCreated1904, 1000, 5000), Trak("vide", Tkhd(-1, 0, 0, -1, 640, 480)),
                                    BoxOf("udta", Xyz("-33.8688+151.2093/")), KeyedMeta({}, true)}));
    BytesReader file(android);
    ClipFacts facts;
    ASSERT_EQ(ReadClipFacts(file, facts), ClipRead::Known);
    EXPECT_TRUE(facts.dated && facts.utc);
    EXPECT_EQ(facts.taken, Civil(2023, 7, 10, 10, 0, 0));
    EXPECT_NEAR(facts.latitude, -33.8688, 1e-9);
    EXPECT_NEAR(facts.longitude, 151.2093, 1e-9);
    EXPECT_EQ(facts.rotation, 180u);
    EXPECT_EQ(facts.width, 640u);
}

TEST(ClipFacts, FilesWithoutAMovieAreNoClip) {
    const Bytes whole = Clip(Mvhd(kCreated1904, 600, 600));
    const Bytes cut(whole.begin(), whole.end() - 20);  // the moov box runs past the end
    for (const Bytes& bytes : {cut, JpegWith({}), Bytes()}) {
        BytesReader file(bytes);
        ClipFacts facts;
        EXPECT_EQ(ReadClipFacts(file, facts), ClipRead::NotClip);
        EXPECT_FALSE(facts.dated);
    }
}

TEST(ClipFacts, Iso6709Places) {
    const struct {
        const char* text;
        bool ok;
        double latitude, longitude;
    } rows[] = {
        {"+52.3740+004.8897+000.000/", true, 52.374, 4.8897},
        {"-33.8688+151.2093/", true, -33.8688, 151.2093},
        {"+4807.038-01131.000/", true, 48 + 7.038 / 60, -(11 + 31.0 / 60)},  // degrees and minutes
        {"+401213.1-0750015.1/", true, 40 + 12 / 60.0 + 13.1 / 3600, -(75 + 0 / 60.0 + 15.1 / 3600)},
        {"+52.3740", false, 0, 0},
        {"+95.0000+004.0000/", false, 0, 0},
        {"52.3740+004.8897/", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const auto& row : rows) {
        double latitude = 0, longitude = 0;
        EXPECT_EQ(ParseIso6709(row.text, std::strlen(row.text), latitude, longitude), row.ok) << row.text;
        EXPECT_NEAR(latitude, row.latitude, 1e-9) << row.text;
        EXPECT_NEAR(longitude, row.longitude, 1e-9) << row.text;
    }
}

TEST(ClipFacts, QuickTimeDates) {
    const struct {
        const char* text;
        bool ok;
        int64_t seconds;
    } rows[] = {
        {"2023-07-14T18:02:11+0200", true, Civil(2023, 7, 14, 18, 2, 11)},
        {"2023-07-14T18:02:11-07:00", true, Civil(2023, 7, 14, 18, 2, 11)},
        {"2019-12-31T23:59:59Z", true, Civil(2019, 12, 31, 23, 59, 59)},
        {"2023-13-01T00:00:00+0000", false, 0},
        {"2023-07-14", false, 0},
        {"2023:07:14 18:02:11", false, 0},
    };
    for (const auto& row : rows) {
        int64_t seconds = 0;
        EXPECT_EQ(ParseQuickTimeDate(row.text, std::strlen(row.text), seconds), row.ok) << row.text;
        EXPECT_EQ(seconds, row.seconds) << row.text;
    }
}

// In the photo index a clip is a photo without stars, dated on this machine's clock.
TEST(ClipFacts, AClipIsIndexedAsAnUnratedPhotoOfLocalTime) {
#ifndef _WIN32
    const char* zone = std::getenv("TZ");
    const std::string saved = zone ? zone : "";
    setenv("TZ", "XYZ-2", 1);  // two hours east of UTC, no summer time
    tzset();
#endif
    ClipFiles source;
    source.files[L"C:\\v\\a.mp4"] = Clip(Cat({Mvhd(kCreated1904, 600, 600), Trak("vide", Tkhd(1, 0, 0, 1, 1920, 1080))}));
    source.files[L"C:\\v\\b.mov"] = JpegWith({});
    PhotoFacts facts;
    ASSERT_EQ(ReadPhotoFacts(L"C:\\v\\a.mp4", facts, source), FactsRead::Known);
    EXPECT_TRUE(facts.dated);
    EXPECT_EQ(facts.rating, 0);
    EXPECT_EQ(facts.width, 1920u);
#ifndef _WIN32
    EXPECT_EQ(facts.taken, Civil(2023, 7, 10, 12, 0, 0));
    if (zone) setenv("TZ", saved.c_str(), 1); else unsetenv("TZ");
    tzset();
#endif
    EXPECT_EQ(ReadPhotoFacts(L"C:\\v\\b.mov", facts, source), FactsRead::NoneKnown);
    EXPECT_EQ(ReadPhotoFacts(L"C:\\v\\gone.mp4", facts, source), FactsRead::Failed);
}
