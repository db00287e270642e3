// The layout of a decoded frame in its buffer: which pitch is trusted when the buffer, its
// media type and its length say different things, and the frames refused rather than read
// past their buffer.
#include "video/frame_layout.h"

#include <gtest/gtest.h>

#include <string>

using namespace WorkSpace;

namespace {
struct LayoutCase {
    const char* name;
    FrameMemory memory;
    FrameRows rows;
    bool ok;
    int64_t pitch;
    uint64_t chromaOffset;
    PitchFrom from;
};

FrameMemory Memory(bool hasBuffer, int64_t buffer, bool hasStride, int64_t stride, bool hasLength, uint64_t length) {
    FrameMemory m;
    m.hasBufferPitch = hasBuffer, m.bufferPitch = buffer;
    m.hasStatedStride = hasStride, m.statedStride = stride;
    m.hasLength = hasLength, m.length = length;
    return m;
}
}  // namespace

TEST(FrameLayout, PitchComesFromTheBestSourceAndPlanesStayInside) {
    // 320x240 NV12: 320 bytes a row; a 1080p frame allocated as 1088 rows; P010 at 640 wide.
    const FrameRows small{320, 240, 240}, tall{1920, 1080, 1088}, wide{1280, 480, 480};
    const LayoutCase cases[] = {
        {"tight buffer, length only", Memory(false, 0, false, 0, true, 320 * 360), small, true, 320, 320 * 240,
         PitchFrom::Length},
        {"padded rows, length only", Memory(false, 0, false, 0, true, 384 * 360), small, true, 384, 384 * 240,
         PitchFrom::Length},
        {"stated stride beats the length's guess", Memory(false, 0, true, 352, true, 352 * 360 + 4096), small, true,
         352, 352 * 240, PitchFrom::MediaType},
        {"the surface's pitch beats the stated stride", Memory(true, 512, true, 320, true, 512 * 360), small, true,
         512, 512 * 240, PitchFrom::Buffer},
        {"a surface without bounds is trusted", Memory(true, 2048, false, 0, false, 0), tall, true, 2048,
         2048ull * 1088, PitchFrom::Buffer},
        {"chroma after all allocated rows", Memory(false, 0, false, 0, true, 1920 * 1632), tall, true, 1920,
         1920ull * 1088, PitchFrom::Length},
        {"ten-bit rows of two bytes", Memory(false, 0, true, 1280, true, 1280 * 720), wide, true, 1280, 1280 * 480,
         PitchFrom::MediaType},
        {"bottom-up surface", Memory(true, -320, false, 0, true, 320 * 360), small, false, -320, 0, PitchFrom::Buffer},
        {"bottom-up stated stride", Memory(false, 0, true, -320, true, 320 * 360), small, false, -320, 0,
         PitchFrom::MediaType},
        {"a stated stride shorter than a row gives way to the length", Memory(false, 0, true, 256, true, 320 * 360),
         small, true, 320, 320 * 240, PitchFrom::Length},
        {"a stated stride of 0 gives way to the length", Memory(false, 0, true, 0, true, 320 * 360), small, true, 320,
         320 * 240, PitchFrom::Length},
        {"pitch shorter than a row", Memory(true, 256, false, 0, true, 320 * 360), small, false, 256, 0,
         PitchFrom::Buffer},
        {"stated stride past the buffer", Memory(false, 0, true, 384, true, 320 * 360), small, false, 384, 0,
         PitchFrom::MediaType},
        {"a buffer a byte short of its last chroma row", Memory(false, 0, true, 320, true, 320 * 360 - 1), small, false,
         320, 0, PitchFrom::MediaType},
        {"surface bounds too short", Memory(true, 320, false, 0, true, 320 * 300), small, false, 320, 0,
         PitchFrom::Buffer},
        {"short buffer, length only", Memory(false, 0, false, 0, true, 300 * 360), small, false, 300, 0,
         PitchFrom::Length},
        {"nothing known", Memory(false, 0, false, 0, false, 0), small, false, 0, 0, PitchFrom::Length},
        {"no rows", Memory(false, 0, false, 0, true, 320 * 360), FrameRows{320, 0, 240}, false, 0, 0,
         PitchFrom::Length},
    };
    for (const LayoutCase& c : cases) {
        const FrameLayout layout = ChooseFrameLayout(c.memory, c.rows);
        EXPECT_EQ(layout.ok, c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(layout.pitch, c.pitch) << c.name;
            EXPECT_EQ(layout.chromaOffset, c.chromaOffset) << c.name;
            EXPECT_EQ(layout.from, c.from) << c.name;
            EXPECT_EQ(layout.refusal, nullptr) << c.name;
        } else {
            ASSERT_NE(layout.refusal, nullptr) << c.name;
            EXPECT_FALSE(std::wstring(layout.refusal).empty()) << c.name;
        }
    }
}

TEST(FrameLayout, ABottomUpFrameIsRefusedInWordsThatSaySo) {
    const FrameLayout layout = ChooseFrameLayout(Memory(true, -320, false, 0, false, 0), FrameRows{320, 240, 240});
    ASSERT_FALSE(layout.ok);
    EXPECT_NE(std::wstring(layout.refusal).find(L"bottom-up"), std::wstring::npos);
}

TEST(FrameLayout, ThreePlanesLieAtHalfThePitchAfterTheLuma) {
    struct PlanarCase {
        const char* name;
        FrameMemory memory;
        FrameRows rows;
        bool ok;
        uint64_t chromaOffset, secondChromaOffset;
        int64_t chromaPitch;
    };
    const PlanarCase cases[] = {
        {"tight buffer, length only", Memory(false, 0, false, 0, true, 320 * 360),
         FrameRows{320, 240, 240, ChromaPlanes::UFirst}, true, 320 * 240, 320 * 240 + 160 * 120, 160},
        {"a surface's pitch over 1088 allocated rows", Memory(true, 2048, false, 0, false, 0),
         FrameRows{1920, 1080, 1088, ChromaPlanes::VFirst}, true, 2048ull * 1088, 2048ull * 1088 + 1024 * 544, 1024},
        {"the second plane's last row a byte short", Memory(false, 0, true, 320, true, 320 * 360 - 1),
         FrameRows{320, 240, 240, ChromaPlanes::UFirst}, false, 0, 0, 0},
    };
    for (const PlanarCase& c : cases) {
        const FrameLayout layout = ChooseFrameLayout(c.memory, c.rows);
        EXPECT_EQ(layout.ok, c.ok) << c.name;
        if (!c.ok) continue;
        EXPECT_EQ(layout.chromaOffset, c.chromaOffset) << c.name;
        EXPECT_EQ(layout.secondChromaOffset, c.secondChromaOffset) << c.name;
        EXPECT_EQ(layout.chromaPitch, c.chromaPitch) << c.name;
    }
}

TEST(FrameLayout, ThreePlanesAreReadAsTheyComeWhereBothLayoutsAgree) {
    const struct {
        uint32_t width, height;
        bool taken;
    } cases[] = {{1920, 1080, true}, {1000, 480, true}, {852, 480, false}, {1004, 480, false}, {1920, 1081, false}};
    for (const auto& c : cases)
        EXPECT_EQ(ThreePlanesAsTheyCome(c.width, c.height), c.taken) << c.width << "x" << c.height;
}

TEST(FrameLayout, ThreePlanesChromaIsPairedUThenVWhicheverPlaneComesFirst) {
    // A 4x4 frame at pitch 6: the first chroma plane's rows are 1 2 and 3 4, the second's 7 8
    // and 5 6, each row followed by padding (9) that must not be read.
    const uint8_t buffer[] = {0, 0, 0, 0, 9, 9, 0, 0, 0, 0, 9, 9, 0, 0, 0, 0, 9, 9, 0, 0, 0, 0, 9, 9,
                              1, 2, 9, 3, 4, 9, 7, 8, 9, 5, 6, 9};
    const struct {
        ChromaPlanes planes;
        uint8_t pairs[8];
    } cases[] = {{ChromaPlanes::UFirst, {1, 7, 2, 8, 3, 5, 4, 6}}, {ChromaPlanes::VFirst, {7, 1, 8, 2, 5, 3, 6, 4}}};
    for (const auto& c : cases) {
        const FrameLayout layout =
            ChooseFrameLayout(Memory(true, 6, false, 0, true, sizeof(buffer)), FrameRows{4, 4, 4, c.planes});
        ASSERT_TRUE(layout.ok);
        uint8_t pairs[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0xEE, 0xEE};  // two bytes past the rows, never written
        PairChroma(buffer, layout, c.planes, 2, 2, pairs);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(pairs[i], c.pairs[i]) << static_cast<int>(c.planes) << " at " << i;
        EXPECT_EQ(pairs[8], 0xEE);
        EXPECT_EQ(pairs[9], 0xEE);
    }
}
