// What every picture source shares: when facts read at one stamp still hold for the entry
// as it is stamped now, and the threads that help a source's caller.
#include "sources/picture_source.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/platform.h"

using namespace WorkSpace;

TEST(PictureSource, FactsHoldOnlyWhileTheStampIsTheSame) {
    const auto stamp = [](int64_t size, int64_t modified, const char* tag) {
        PictureStamp s;
        s.size = size;
        s.modified = modified;
        s.tag = tag;
        return s;
    };
    const struct {
        PictureStamp kept, now;
        bool unchanged;
    } cases[] = {
        {stamp(100, 7, ""), stamp(100, 7, ""), true},
        {stamp(100, 7, ""), stamp(101, 7, ""), false},   // rewritten: another size
        {stamp(100, 7, ""), stamp(100, 8, ""), false},   // rewritten in place, same size
        {stamp(100, 8, ""), stamp(100, 7, ""), false},   // an older copy put back
        {stamp(100, 7, "a"), stamp(100, 7, "a"), true},  // a server's version tag
        {stamp(100, 7, "a"), stamp(100, 7, "b"), false},
        {stamp(100, 7, ""), stamp(100, 7, "a"), false},  // a row kept without the tag
        {stamp(0, 0, ""), stamp(0, 0, ""), false},       // a stamp that tells nothing
        {stamp(0, 5, ""), stamp(0, 5, ""), true},        // an empty file
    };
    for (const auto& c : cases)
        EXPECT_EQ(StillUnchanged(c.kept, c.now), c.unchanged) << c.kept.size << "/" << c.kept.modified << "/"
                                                               << c.kept.tag << " -> " << c.now.size << "/"
                                                               << c.now.modified << "/" << c.now.tag;
}

TEST(PictureSource, AHelperThreadHasItsCallersStopFlagAndPriority) {
    std::atomic<bool> stop{false};
    ThreadStopFlag() = &stop;
    const int callers = Platform::ThisThreadPriority();
    Platform::SetThisThreadPriority(-1);  // below normal on Windows; nothing elsewhere
    const int lowered = Platform::ThisThreadPriority();
    const std::atomic<bool>* seenStop = nullptr;
    int seenPriority = 99;
    HelperThread([&] {
        seenStop = ThreadStopFlag();
        seenPriority = Platform::ThisThreadPriority();
    }).join();
    Platform::SetThisThreadPriority(callers);
    ThreadStopFlag() = nullptr;
    EXPECT_EQ(seenStop, &stop);
    EXPECT_EQ(seenPriority, lowered);
}

TEST(PictureSource, AHelperThreadsExceptionEndsOnlyItsWork) {
    bool after = false;
    HelperThread([] { throw std::runtime_error("memory short"); }).join();
    HelperThread([&] { after = true; }).join();
    EXPECT_TRUE(after);  // the process goes on
}
