// The picture stream with a decoder that reads nothing: its order, skipping, the end for lists with
// fewer than two readable pictures, the first picture's wait, a stop that never waits, the preview,
// and steering back and forth through the pictures handed out.
#include "pictures/picture_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "library/lap_state.h"
#include "library/photo_index.h"
#include "sources/local_folder_source.h"
#include "platform/platform.h"
#include "photo_bytes.h"
#include "test_support.h"
#include "video/clip_reader.h"

using namespace WorkSpace;

namespace {
// "ok:N" decodes to a 1 x 1 picture of value N; anything else fails.
std::atomic<int> g_decodes{0};
std::thread::id g_lastThread;
PictureTarget g_lastTarget;
bool FakeDecoder(const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
    ++g_decodes;
    g_lastThread = std::this_thread::get_id();
    g_lastTarget = target;
    if (path.compare(0, 3, L"ok:") != 0) return false;
    out.image.width = out.image.height = 1;
    out.image.pixels = {static_cast<uint32_t>(std::stoi(path.substr(3)))};
    out.width = 4;
    out.height = 3;
    return true;
}

PictureStreamOptions From(uint32_t first) {
    PictureStreamOptions options;
    options.first = first;
    return options;
}

class Stream : public ::testing::Test {
protected:
    void SetUp() override {
        stream.SetDecoder(FakeDecoder);
        g_decodes = 0;
    }
    // The list indices of the next `n` pictures, waiting for the worker before each.
    std::vector<uint32_t> Next(int n) {
        std::vector<uint32_t> got;
        for (int i = 0; i < n; ++i) {
            stream.WaitUntilIdle();
            StreamedPicture p;
            if (!stream.Take(p)) break;
            EXPECT_EQ(p.picture.image.pixels[0], p.listIndex);
            got.push_back(p.listIndex);
        }
        return got;
    }
    PictureStream stream;
};
}  // namespace

TEST_F(Stream, ListOrderRoundAndRoundSkippingUnreadable) {
    stream.Start({L"ok:0", L"bad", L"ok:2", L"ok:3", L"bad"}, From(0));
    EXPECT_EQ(Next(7), (std::vector<uint32_t>{0, 2, 3, 0, 2, 3, 0}));
    stream.Stop();
    // Each unreadable picture was tried once; later laps pass it by unread.
    EXPECT_LE(g_decodes.load(), 7 + 2 + 2);  // seven taken, two ahead, each unreadable one once
    // A reload starts where it is told, and an index past the end starts at the top.
    stream.Start({L"ok:0", L"bad", L"ok:2", L"ok:3"}, From(3));
    EXPECT_EQ(Next(3), (std::vector<uint32_t>{3, 0, 2}));
    stream.Start({L"ok:0", L"ok:1"}, From(9));
    EXPECT_EQ(Next(3), (std::vector<uint32_t>{0, 1, 0}));
}

TEST_F(Stream, StartWaitsBrieflyForTheFirstPictureDecodedOnTheWorker) {
    stream.Start({L"bad", L"ok:1", L"ok:2"}, From(0));
    StreamedPicture p;
    ASSERT_TRUE(stream.Take(p));  // the fake decoder answers within the wait
    EXPECT_EQ(p.listIndex, 1u);
    EXPECT_NE(g_lastThread, std::this_thread::get_id());
}

TEST_F(Stream, StopNeverWaitsForADecodeInProgress) {
    stream.SetDecoder([](const std::wstring&, const PictureTarget&, DecodedPicture&) {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        return false;
    });
    stream.SetFirstOnWorker(true);
    stream.Start({L"stalled"}, From(0));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto before = std::chrono::steady_clock::now();
    stream.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
}

// The list indices of the next `count` pictures the stream gives, within 5 s.
static std::vector<uint32_t> TakeListIndices(PictureStream& stream, size_t count) {
    std::vector<uint32_t> got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (StreamedPicture p; got.size() < count && std::chrono::steady_clock::now() < deadline;)
        if (stream.Take(p)) got.push_back(p.listIndex);
    return got;
}
TEST_F(Stream, AThrowingDecoderEndsTheLapWithOneLineAndTheNextLapGoesOn) {
    static std::atomic<int> throws{0};
    throws = 0;
    stream.SetDecoder([](const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
        if (path == L"ok:1" && throws++ == 0) throw std::runtime_error("a folder went away");
        return FakeDecoder(path, target, out);
    });
    static std::wstring debug;
    debug.clear();
    Platform::SetDebugOutputForTesting([](const std::wstring& text) { debug += text; });
    PictureStreamOptions options;
    options.retryRest = std::chrono::milliseconds(10);
    stream.Start({L"ok:0", L"ok:1", L"ok:2"}, options);
    // The lap ends after 0; the next goes on from 1, after the worker's rest.
    EXPECT_EQ(TakeListIndices(stream, 3), (std::vector<uint32_t>{0, 1, 2}));
    stream.Stop();
    Platform::SetDebugOutputForTesting(nullptr);
    EXPECT_NE(debug.find(L"PictureStream::Run() - a folder went away - FAILED"), std::wstring::npos);
}

// A lap ended by an exception while memory is short: the worker's last catch allocates
// nothing, so a second bad_alloc there does not end the process; the next lap goes on.
TEST_F(Stream, MemoryShortInTheWorkersLastCatchDoesNotEndTheProcess) {
    static std::atomic<int> throws{0};
    throws = 0;
    stream.SetDecoder([](const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
        if (path == L"ok:1" && throws++ == 0) {
            std::runtime_error failure("a folder went away");
            FailAllocationsOnThisThread(2);  // the catch's text and the log line it would write
            throw failure;
        }
        return FakeDecoder(path, target, out);
    });
    PictureStreamOptions options;
    options.retryRest = std::chrono::milliseconds(10);
    stream.Start({L"ok:0", L"ok:1", L"ok:2"}, options);
    EXPECT_EQ(TakeListIndices(stream, 3), (std::vector<uint32_t>{0, 1, 2}));
    stream.Stop();
}

TEST_F(Stream, OneReadablePictureComesOnceAndNoneMeansEmpty) {
    // Counted apart from g_decodes: an earlier case's worker, told to stop, may still finish
    // the decode it was in (Stop never waits for one) and count it after SetUp.
    static std::atomic<int> decodes{0};
    decodes = 0;
    stream.SetDecoder([](const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
        ++decodes;
        return FakeDecoder(path, target, out);
    });
    stream.Start({L"bad:a", L"ok:1", L"bad:b"}, From(0));
    EXPECT_EQ(Next(3), (std::vector<uint32_t>{1}));
    stream.WaitUntilIdle();  // ended: nothing more to come
    StreamedPicture p;
    EXPECT_FALSE(stream.Take(p));

    stream.Start({L"bad:a", L"bad:b"}, From(0));
    EXPECT_FALSE(stream.Take(p));
    stream.WaitUntilIdle();
    EXPECT_EQ(decodes.load(), 3 + 2);  // each tried once; no worker keeps trying them
    stream.Start({}, From(0));
    EXPECT_FALSE(stream.Take(p));
}

TEST_F(Stream, PreviewDecodesOnTheWorkerForTheTargetAndFit) {
    PictureStreamOptions options;
    options.target = {152, 112, PictureFit::Fill};
    stream.SetFirstOnWorker(true);
    stream.Start({L"ok:0", L"ok:1"}, options);
    EXPECT_EQ(Next(2), (std::vector<uint32_t>{0, 1}));
    EXPECT_NE(g_lastThread, std::this_thread::get_id());
    EXPECT_EQ(g_lastTarget.width, 152u);
    EXPECT_EQ(g_lastTarget.height, 112u);
    EXPECT_EQ(g_lastTarget.fit, PictureFit::Fill);
    stream.Stop();
}

namespace {
// "p:N" decodes as a 3 x 4 portrait, "l:N" as a 4 x 3 landscape, each of the colour N.
bool ShapeDecoder(const std::wstring& path, const PictureTarget&, DecodedPicture& out) {
    out.image.width = out.image.height = 2;
    out.image.pixels.assign(4, static_cast<uint32_t>(std::stoi(path.substr(2))));
    out.width = path[0] == L'p' ? 3 : 4;
    out.height = path[0] == L'p' ? 4 : 3;
    return true;
}
std::atomic<int> g_placeLoads{0};
// A table of one place, at 10 N 20 E, in one language.
bool OnePlaceTable(std::string& bytes) {
    ++g_placeLoads;
    const std::string pool("Land\0Town\0", 10);
    bytes = "LMGZ";
    auto put = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(char(v >> (8 * i)));
    };
    for (uint32_t v : {2u, 1u, 1u, 1u, 0u, uint32_t(pool.size())}) put(v);
    bytes += "LL";
    put(0);
    put(1000000);
    put(2000000);
    put(5000);
    bytes += std::string("\0\0", 2);
    put(5);
    bytes += pool;
    return true;
}
// "dated:N" and "placed:N": picture N taken on a day, or at the place too.
bool FactsDecoder(const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
    const size_t colon = path.find(L':');
    if (!FakeDecoder(L"ok" + path.substr(colon), target, out)) return false;
    out.facts.hasDate = true;
    out.facts.year = 2020, out.facts.month = 1, out.facts.day = 2;
    out.facts.hasPosition = path.compare(0, 6, L"placed") == 0;
    out.facts.latitude = 10.1, out.facts.longitude = 20.0;
    return true;
}
}  // namespace

TEST_F(Stream, PortraitsPairWithTheNextPortraitOrGetTheirBlurredCopy) {
    // What each picture came with: "N+M" paired, "N~" over its blurred copy, "N" alone.
    auto shown = [&](int32_t portraits, int n) {
        PictureStreamOptions options;
        options.target = {800, 600, PictureFit::Fit};
        options.portraits = portraits;
        stream.SetDecoder(ShapeDecoder);
        stream.Start({L"p:0", L"p:1", L"l:2", L"p:3", L"l:4"}, options);
        std::vector<std::string> got;
        for (int i = 0; i < n; ++i) {
            stream.WaitUntilIdle();
            StreamedPicture p;
            if (!stream.Take(p)) break;
            std::string item = std::to_string(p.listIndex);
            if (p.paired) item += "+" + std::to_string(p.partnerIndex);
            if (!p.backdrop.pixels.empty()) item += "~";
            got.push_back(item);
        }
        stream.Stop();
        return got;
    };
    EXPECT_EQ(shown(1, 4), (std::vector<std::string>{"0+1", "2", "3~", "4"}));
    EXPECT_EQ(shown(2, 5), (std::vector<std::string>{"0~", "1~", "2", "3~", "4"}));
    EXPECT_EQ(shown(0, 3), (std::vector<std::string>{"0", "1", "2"}));
}

TEST_F(Stream, CaptionsAreRenderedOnTheWorkerWithTheirPictures) {
    stream.SetDecoder(FactsDecoder);
    PictureStreamOptions options;
    options.target = {1024, 768, PictureFit::Fit};
    stream.Start({L"dated:0", L"placed:1"}, options);  // captions off: none made
    stream.WaitUntilIdle();
    StreamedPicture p;
    ASSERT_TRUE(stream.Take(p));
    EXPECT_TRUE(p.picture.caption.pixels.empty());
    options.captions = {CaptionMode::DateAndPlace, 0, OnePlaceTable};
    stream.Start({L"dated:0", L"placed:1"}, options);
    stream.WaitUntilIdle();
    ASSERT_TRUE(stream.Take(p));
    const uint32_t oneLine = p.picture.caption.height;
    EXPECT_GT(oneLine, 0u);
    stream.WaitUntilIdle();
    ASSERT_TRUE(stream.Take(p));
    EXPECT_GT(p.picture.caption.height, oneLine);  // the place's line below the date
    EXPECT_EQ(g_placeLoads.load(), 1);             // read once, for the process
    // None for a small view, as the display settings' preview.
    options.target = {152, 112, PictureFit::Fit};
    stream.Start({L"dated:0"}, options);
    stream.WaitUntilIdle();
    ASSERT_TRUE(stream.Take(p));
    EXPECT_TRUE(p.picture.caption.pixels.empty());
    stream.Stop();
}

namespace {
// Take, waiting for the worker with a deadline: a picture decoded again after a steer comes
// when the worker has it.
bool TakeSoon(PictureStream& stream, StreamedPicture& p) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (stream.Take(p)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}
}  // namespace

TEST_F(Stream, StepsBackThroughWhatWasHandedOutThenGoesOnWithTheLap) {
    stream.Start({L"ok:0", L"ok:1", L"bad", L"ok:3", L"ok:4"}, From(0));
    EXPECT_EQ(Next(3), (std::vector<uint32_t>{0, 1, 3}));
    EXPECT_EQ(stream.PathOf(2), L"ok:3");
    EXPECT_FALSE(stream.SteerTo(4));  // past the next new picture
    ASSERT_TRUE(stream.SteerTo(1));
    StreamedPicture p;
    std::vector<uint64_t> serials;
    std::vector<uint32_t> places;
    for (int i = 0; i < 3 && TakeSoon(stream, p); ++i) {
        EXPECT_EQ(p.picture.image.pixels[0], p.listIndex);
        serials.push_back(p.serial);
        places.push_back(p.listIndex);
    }
    EXPECT_EQ(serials, (std::vector<uint64_t>{1, 2, 3}));
    EXPECT_EQ(places, (std::vector<uint32_t>{1, 3, 4}));  // the picture from before, then the lap's next
    // A step forth to the next new picture takes it from the lap, as a plain Take would.
    ASSERT_TRUE(stream.SteerTo(4));
    ASSERT_TRUE(TakeSoon(stream, p));
    EXPECT_EQ(p.serial, 4u);
    EXPECT_EQ(p.listIndex, 0u);
}

TEST_F(Stream, RemembersTheLastPicturesHandedOutOnly) {
    stream.Start({L"ok:0", L"ok:1", L"ok:2"}, From(0));
    const int taken = static_cast<int>(kPictureHistory) + 6;
    EXPECT_EQ(Next(taken).size(), static_cast<size_t>(taken));
    EXPECT_FALSE(stream.SteerTo(5));
    EXPECT_EQ(stream.PathOf(5), L"");
    ASSERT_TRUE(stream.SteerTo(6));
    StreamedPicture p;
    ASSERT_TRUE(TakeSoon(stream, p));
    EXPECT_EQ(p.serial, 6u);
    EXPECT_EQ(p.listIndex, 0u);
}

TEST_F(Stream, ShuffledLapNeitherMovesBackNorSkipsWhenSteered) {
    const std::string statePath = UseLogFolder("stream_steer") + "/lap.state";
    std::remove(statePath.c_str());  // a fresh lap of six, not one an earlier run left
    const std::wstring state = W(statePath);
    PictureStreamOptions options;
    options.shuffle = true;
    options.statePath = state;
    options.moveLap = true;
    stream.Start({L"ok:0", L"ok:1", L"ok:2", L"ok:3", L"ok:4", L"ok:5"}, options);
    // In shuffle a picture's listIndex is its place in the lap; its pixel names its file.
    StreamedPicture p;
    std::vector<uint32_t> shown;
    for (int i = 0; i < 3 && TakeSoon(stream, p); ++i) shown.push_back(p.picture.image.pixels[0]);
    ASSERT_EQ(shown.size(), 3u);
    stream.WaitUntilIdle();  // the worker has marked the third as shown
    LapState before;
    ASSERT_TRUE(ReadLapState(state, before));
    ASSERT_TRUE(stream.SteerTo(0));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(TakeSoon(stream, p));
        EXPECT_EQ(p.picture.image.pixels[0], shown[static_cast<size_t>(i)]);
    }
    stream.WaitUntilIdle();
    LapState during;
    ASSERT_TRUE(ReadLapState(state, during));
    EXPECT_EQ(during.position, before.position);
    ASSERT_TRUE(TakeSoon(stream, p));  // the lap's next, a picture not shown yet
    EXPECT_EQ(std::count(shown.begin(), shown.end(), p.picture.image.pixels[0]), 0);
    stream.WaitUntilIdle();
    LapState after;
    ASSERT_TRUE(ReadLapState(state, after));
    EXPECT_EQ(after.position, before.position + 1);
}

// The filters hold at decode: a picture whose stars (unrated: 0) or shorter side fall short
// is passed over quietly, decoded once in the run, and is no failure.
TEST_F(Stream, PicturesTheFiltersRefuseArePassedOverQuietly) {
    static std::atomic<int> decodes{0};
    decodes = 0;
    // "place:stars:width:height", stars -1 for none.
    stream.SetDecoder([](const std::wstring& path, const PictureTarget&, DecodedPicture& out) {
        ++decodes;
        unsigned place = 0, w = 0, h = 0;
        int stars = 0;
        if (swscanf(path.c_str(), L"%u:%d:%u:%u", &place, &stars, &w, &h) != 4) return false;
        out.image.width = out.image.height = 1;
        out.image.pixels = {place};
        out.width = w;
        out.height = h;
        out.facts.hasRating = stars >= 0;
        out.facts.rating = stars;
        return true;
    });
    static std::wstring debug;
    debug.clear();
    Platform::SetDebugOutputForTesting([](const std::wstring& text) { debug += text; });
    PictureStreamOptions options;
    options.filter.minRating = 3;
    options.filter.minShortSide = 1000;
    stream.Start({L"0:3:2000:1500", L"1:2:2000:1500", L"2:5:1200:800", L"3:-1:4000:3000", L"4:4:1500:3000"}, options);
    EXPECT_EQ(Next(4), (std::vector<uint32_t>{0, 4, 0, 4}));
    stream.Stop();
    Platform::SetDebugOutputForTesting(nullptr);
    EXPECT_LE(decodes.load(), 4 + 3 + 1);  // four shown, each refused one once, one ahead
    EXPECT_EQ(debug, L"");
}

// The index knows every photo unrated and the filter wants stars: the worker waits instead of
// ending, and a photo rated meanwhile (its file written again) shows in the same run.
TEST_F(Stream, APhotoRatedWhileNothingPassesShowsInTheRun) {
    const std::string dir = UseLogFolder("stream_rated_later");
    const std::string a = dir + "/a.jpg", b = dir + "/b.jpg";
    for (const std::string& path : {a, b}) std::ofstream(path, std::ios::binary) << "0";
    std::remove((dir + "/index.db").c_str());
    {
        PhotoIndex index;
        ASSERT_TRUE(index.Open(W(dir + "/index.db")));
        std::vector<IndexedPhoto> rows(2);
        rows[0].path = W(a);
        rows[1].path = W(b);
        for (IndexedPhoto& row : rows) ASSERT_TRUE(LocalFolders().Stamp(row.path, row.stamp));
        ASSERT_EQ(PhotoIndex::Store::Stored, index.Put(rows));
    }
    // The file's first byte is its stars.
    stream.SetDecoder([](const std::wstring& path, const PictureTarget&, DecodedPicture& out) {
        std::ifstream file(Platform::WideToUtf8(path), std::ios::binary);
        const int stars = file.get() - '0';
        out.image.width = out.image.height = 1;
        out.image.pixels = {static_cast<uint32_t>(stars)};
        out.facts.hasRating = true;
        out.facts.rating = stars;
        return true;
    });
    PictureStreamOptions options;
    options.filter.minRating = 3;
    options.indexPath = W(dir + "/index.db");
    options.lapRest = std::chrono::milliseconds(20);
    stream.Start({W(dir + "/")}, options);
    stream.WaitUntilIdle();
    StreamedPicture p;
    EXPECT_FALSE(stream.Take(p));
    std::ofstream(b, std::ios::binary) << "5 stars";
    ASSERT_TRUE(TakeSoon(stream, p));
    EXPECT_EQ(p.picture.image.pixels[0], 5u);
}

namespace {
// A clip of one 64 x 48 frame.
struct OneFrameClip : ClipReader {
    bool given = false;
    bool Open(const ClipPlace&, PictureSource&, ClipInfo& info, std::wstring&) override {
        info = ClipInfo{64, 48, 0, VideoFormat::NV12};
        return true;
    }
    Read Next(VideoFrame& frame, std::wstring&) override {
        if (given) return Read::End;
        given = true;
        frame.width = 64, frame.height = 48;
        frame.luma.assign(64 * 48, 16);
        frame.chroma.assign(64 * 48 / 2, 128);
        return Read::Frame;
    }
};
}  // namespace

TEST_F(Stream, AClipIsCaptionedWithItsContainersDate) {
    using namespace PhotoBytes;
    const std::string dir = ::testing::TempDir() + "stream_clip_caption";
    Platform::MakeFolder(W(dir));
    const uint32_t created = 3771828000u;  // 2023-07-10 10:00:00 UTC, counted from 1904
    const Bytes mvhd = FullBox("mvhd", 0, Cat({Be32Of(created), Be32Of(created), Be32Of(600), Be32Of(600), Bytes(80, 0)}));
    const Bytes clip = Cat({BoxOf("ftyp", Text("qt  \0\0\0\0qt  ")), BoxOf("moov", mvhd)});
    std::ofstream(dir + "/clip.mp4", std::ios::binary).write(reinterpret_cast<const char*>(clip.data()), clip.size());
    SetClipReaderMaker([](std::wstring&) -> std::unique_ptr<ClipReader> { return std::make_unique<OneFrameClip>(); });
    PictureStreamOptions options;
    options.videos = 1;
    options.clipsAfter = std::chrono::milliseconds(0);
    options.target = {1024, 768, PictureFit::Fit};
    options.captions = {CaptionMode::Date, 0, OnePlaceTable};
    stream.Start({W(dir + "/clip.mp4"), L"ok:1"}, options);
    StreamedPicture p;
    const bool took = TakeSoon(stream, p);
    stream.Stop();
    SetClipReaderMaker(nullptr);
    ASSERT_TRUE(took);
    EXPECT_NE(p.picture.frames, nullptr);  // the clip, not a photo
    EXPECT_GT(p.picture.caption.height, 0u);
    EXPECT_TRUE(p.picture.facts.hasDate);
    EXPECT_EQ(p.picture.facts.year, 2023u);  // in this machine's local time: the 9th, 10th or 11th
    EXPECT_EQ(p.picture.facts.month, 7u);
}

// The first clip's decoder (on Windows, Media Foundation's start) waits out the start-up
// second, whose frames must have the processor.
TEST_F(Stream, NoClipOpensInTheStartUpWindow) {
    static std::atomic<int64_t> openedAt{0};
    openedAt = 0;
    SetClipReaderMaker([](std::wstring& why) -> std::unique_ptr<ClipReader> {
        openedAt = std::chrono::steady_clock::now().time_since_epoch().count();
        why = L"no decoder here";
        return nullptr;
    });
    PictureStreamOptions options;
    options.videos = 1;
    options.clipsAfter = std::chrono::milliseconds(300);
    const auto start = std::chrono::steady_clock::now();
    stream.Start({L"clip.mp4", L"ok:1"}, options);
    for (int i = 0; i < 500 && openedAt.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stream.Stop();
    SetClipReaderMaker(nullptr);
    ASSERT_NE(openedAt.load(), 0);
    const auto opened = std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(openedAt.load()));
    EXPECT_GE(opened - start, std::chrono::milliseconds(300));
}
