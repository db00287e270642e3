// The clip player over a scripted reader: frames at their own times from the first sample's,
// a ring that stays small, and each bad clip (no video, too large, a throw, a hang, damage)
// skipped with one log line and without holding anyone up.
#include "video/clip_player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "test_support.h"

using namespace WorkSpace;

namespace {
// One reader's script: each step a frame stamped `stamp`, or what else Next does.
struct Step {
    enum Kind { Frame, End, Fail, Hang, Throw } kind;
    double stamp;
};
struct Script {
    ClipInfo info{64, 48, 0, VideoFormat::NV12};
    std::wstring openFails;  // Open's why, when it fails
    bool throwOnOpen = false;
    std::vector<Step> steps;
    std::atomic<int> reads{0};
    std::atomic<int> readInto{0};  // reads handed a frame that already had the clip's planes
};
Script* g_script = nullptr;
// What the hanging readers wait for: released when each test ends.
std::mutex g_hangMutex;
std::condition_variable g_hangEnds;
bool g_hangReleased = false;

class ScriptedReader : public ClipReader {
public:
    bool Open(const ClipPlace&, PictureSource&, ClipInfo& info, std::wstring& why) override {
        if (g_script->throwOnOpen) throw std::runtime_error("codec");
        info = g_script->info;
        why = g_script->openFails;
        return why.empty();
    }
    Read Next(VideoFrame& frame, std::wstring& why) override {
        const size_t at = static_cast<size_t>(g_script->reads++);
        if (at >= g_script->steps.size()) return Read::End;
        const Step step = g_script->steps[at];
        if (step.kind == Step::Hang) {
            std::unique_lock<std::mutex> lock(g_hangMutex);
            g_hangEnds.wait(lock, [] { return g_hangReleased; });
            return Read::Failed;
        }
        if (step.kind == Step::Throw) throw std::runtime_error("codec");
        if (step.kind == Step::Fail) why = L"damaged";
        if (step.kind != Step::Frame) return step.kind == Step::End ? Read::End : Read::Failed;
        if (frame.luma.size() == size_t{g_script->info.width} * g_script->info.height) ++g_script->readInto;
        frame.width = g_script->info.width;
        frame.height = g_script->info.height;
        frame.format = VideoFormat::NV12;
        frame.time = step.stamp;
        frame.luma.assign(size_t{frame.width} * frame.height, static_cast<uint8_t>(at));
        frame.chroma.assign(size_t{frame.width} * frame.height / 2, 128);
        return Read::Frame;
    }
};

class ClipPlayer : public ::testing::Test {
protected:
    void SetUp() override {
        dir = UseLogFolder("clip_player");
        g_script = &script;
        g_hangReleased = false;
        SetClipReaderMaker([](std::wstring&) -> std::unique_ptr<ClipReader> { return std::make_unique<ScriptedReader>(); });
    }
    void TearDown() override {
        {
            std::lock_guard<std::mutex> lock(g_hangMutex);
            g_hangReleased = true;
        }
        g_hangEnds.notify_all();
        frames.reset();
        // A worker that is still reading finishes with the script it was given.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        SetClipReaderMaker(nullptr);
        SetPictureTextureLimits(0, 0, false);
    }
    bool Open(double maxSeconds = 30.0, bool live = false) {
        ClipRequest request;
        request.place.path = path;
        request.maxSeconds = maxSeconds;
        request.liveMotion = live;
        request.startWithin = std::chrono::milliseconds(300);
        DecodedPicture out;
        const bool opened = OpenClip(request, source, out);
        frames = out.frames;
        width = out.width, height = out.height;
        return opened;
    }
    // The frame due at `seconds`, waiting a little for the worker to have decoded it.
    bool FrameAt(double seconds, VideoFrame& frame) {
        for (int i = 0; i < 200; ++i) {
            if (frames->VideoFrameAt(seconds, frame)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    std::vector<std::string> Lines() { return LogMessages(ReadLog(dir)); }
    // Eventually true, or false after a second.
    template <typename Predicate>
    static bool Eventually(Predicate predicate) {
        for (int i = 0; i < 200 && !predicate(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return predicate();
    }
    Script script;
    std::wstring path = L"C:\\clips\\a.mp4";
    FakeFolders source;
    std::shared_ptr<FrameSource> frames;
    uint32_t width = 0, height = 0;
    std::string dir;
};
}  // namespace

TEST_F(ClipPlayer, FramesShowAtTheirTimesFromTheFirstSample) {
    script.steps = {{Step::Frame, 5.0}, {Step::Frame, 5.5}, {Step::Frame, 6.0}, {Step::Frame, 6.5}};
    ASSERT_TRUE(Open());
    EXPECT_EQ(width, 64u);
    VideoFrame frame;
    ASSERT_TRUE(frames->VideoFrameAt(0.0, frame));
    EXPECT_EQ(frame.time, 0.0);
    EXPECT_FALSE(FrameAt(0.4, frame));
    // Late: the frame of 0.5 is passed over for the one of 1.0.
    ASSERT_TRUE(FrameAt(1.2, frame));
    EXPECT_EQ(frame.time, 1.0);
    EXPECT_EQ(frame.luma[0], 2);
}

TEST_F(ClipPlayer, AFrameShownGoesBackToTheWorkerToBeReadIntoAgain) {
    for (int i = 0; i < 30; ++i) script.steps.push_back({Step::Frame, i / 30.0});
    ASSERT_TRUE(Open());
    VideoFrame frame;  // kept from frame to frame, as the picture textures keep a clip's
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(FrameAt(i / 30.0, frame));
        EXPECT_EQ(frame.luma[0], i);
    }
    EXPECT_TRUE(Eventually([&] { return script.readInto.load() > 0; }));
}

TEST_F(ClipPlayer, ALongClipKeepsOnlyAFewFramesDecoded) {
    for (int i = 0; i < 300; ++i) script.steps.push_back({Step::Frame, i / 30.0});
    ASSERT_TRUE(Open());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_LE(script.reads.load(), static_cast<int>(kClipRingFrames) + 1);
}

TEST_F(ClipPlayer, A4KClipKeepsFewerFramesAhead) {
    script.info = ClipInfo{3840, 2160, 0, VideoFormat::NV12};
    for (int i = 0; i < 300; ++i) script.steps.push_back({Step::Frame, i / 30.0});
    ASSERT_TRUE(Open());
    EXPECT_TRUE(Eventually([&] { return script.reads.load() >= 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(script.reads.load(), 2);  // two ahead; the worker waits for room
}

TEST(ClipRingFrames, AsManyAsTheBytesHoldWithinTwoAndFour) {
    const struct {
        uint32_t width, height;
        VideoFormat format;
        size_t frames;
    } cases[] = {
        {64, 48, VideoFormat::NV12, 4},
        {1920, 1080, VideoFormat::NV12, 4},
        {2560, 1440, VideoFormat::NV12, 4},
        {2560, 1440, VideoFormat::P010, 2},
        {3840, 2160, VideoFormat::NV12, 2},
        {7680, 4320, VideoFormat::P010, 2},
        {0, 0, VideoFormat::NV12, 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClipRingFrames(c.width, c.height, c.format), c.frames) << c.width << "x" << c.height;
}

TEST_F(ClipPlayer, AClipHoldsTheScreenUntilItsLongestThenItsLastFrameStays) {
    for (int i = 0; i < 90; ++i) script.steps.push_back({Step::Frame, i / 30.0});
    ASSERT_TRUE(Open(1.0));
    EXPECT_TRUE(frames->HoldsFade(0.5));
    EXPECT_FALSE(frames->HoldsFade(1.0));
    VideoFrame frame;
    EXPECT_FALSE(FrameAt(1.5, frame));
    EXPECT_FALSE(frames->StillShows(0.5));
}

TEST_F(ClipPlayer, ALivePhotosMotionPlaysOnceThenItsStillShows) {
    script.steps = {{Step::Frame, 0.0}, {Step::Frame, 0.5}, {Step::End, 0.0}};
    ASSERT_TRUE(Open(30.0, true));
    VideoFrame frame;
    ASSERT_TRUE(FrameAt(0.5, frame));
    EXPECT_FALSE(frames->StillShows(0.9));
    EXPECT_TRUE(Eventually([&] { return frames->StillShows(1.0); }));
    EXPECT_FALSE(frames->HoldsFade(0.2));
}

TEST_F(ClipPlayer, AClipDamagedHalfWayPlaysWhatItHad) {
    script.steps = {{Step::Frame, 0.0}, {Step::Frame, 0.1}, {Step::Fail, 0.0}};
    ASSERT_TRUE(Open());
    VideoFrame frame;
    ASSERT_TRUE(FrameAt(0.1, frame));
    EXPECT_TRUE(Eventually([&] { return !frames->HoldsFade(0.2); }));
}

TEST_F(ClipPlayer, EachClipThatCannotPlayIsSkippedWithOneLogLine) {
    struct Case {
        const char* name;
        void (*prepare)(Script&);
        const char* why;
    } cases[] = {
        {"no video", [](Script& s) { s.openFails = L"no video stream"; }, "no video stream"},
        {"a throw on open", [](Script& s) { s.throwOnOpen = true; }, "the decoder threw"},
        {"a throw on read", [](Script& s) { s.steps = {{Step::Throw, 0}}; }, "the decoder threw"},
        {"truncated", [](Script& s) { s.steps = {{Step::Fail, 0}}; }, "damaged"},
        {"no frames", [](Script& s) { s.steps = {{Step::End, 0}}; }, "no frames"},
        {"a damaged frame", [](Script& s) { s.steps = {{Step::Frame, 0}}; s.info.width = 63; }, "a damaged frame"},
        {"too large", [](Script& s) { s.info = ClipInfo{8192, 4320, 0, VideoFormat::NV12}; }, "larger than the device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        script.openFails.clear();
        script.throwOnOpen = false;
        script.steps.clear();
        script.reads = 0;
        script.info = ClipInfo{64, 48, 0, VideoFormat::NV12};
        c.prepare(script);
        SetPictureTextureLimits(4096, 4096, false);
        const std::string name = std::string("clip_") + c.name;
        dir = UseLogFolder(name);
        path = L"C:\\clips\\" + W(c.name) + L".mp4";
        EXPECT_FALSE(Open());
        const std::vector<std::string> lines = Lines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find("OpenClip() - C:\\clips\\"), std::string::npos) << lines[0];
        EXPECT_NE(lines[0].find(c.why), std::string::npos) << lines[0];
    }
}

TEST_F(ClipPlayer, ADecoderThatHangsIsLeftBehindInTime) {
    script.steps = {{Step::Hang, 0}};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Open());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_NE(Lines()[0].find("did not start in time"), std::string::npos);
}

#ifndef _WIN32
TEST_F(ClipPlayer, WithoutADecoderOnTheSystemClipsAreSkipped) {
    SetClipReaderMaker(nullptr);
    EXPECT_FALSE(Open());
    ASSERT_EQ(Lines().size(), 1u);
}
#endif
