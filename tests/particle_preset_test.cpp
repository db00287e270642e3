// The colour schemes as tabulated, and the preset with its log lines in order.
#include <gtest/gtest.h>

#include <string>

#include "particles/particle_system.h"
#include "test_support.h"

using namespace WorkSpace;

TEST(ColorSchemes, FlameIceSmokeCheerfulAsTabulated) {
    Color4 t[12];
    ASSERT_TRUE(FillColorScheme(0, t));
    EXPECT_FLOAT_EQ(t[11].r, 0.5f);
    EXPECT_FLOAT_EQ(t[11].g, 0.25f);
    EXPECT_FLOAT_EQ(t[11].b, 0.05f);
    EXPECT_EQ(t[0].r, 0.0f);
    EXPECT_EQ(t[5].a, 1.0f);
    ASSERT_TRUE(FillColorScheme(1, t));
    EXPECT_EQ(t[11].b, 5.5f);  // unclamped
    EXPECT_FLOAT_EQ(t[11].r, 0.55f);
    EXPECT_GT(t[3].b, 1.0f);
    ASSERT_TRUE(FillColorScheme(2, t));
    EXPECT_FLOAT_EQ(t[11].r, 11.0f / 222.0f);
    EXPECT_EQ(t[11].a, t[11].r);
    ASSERT_TRUE(FillColorScheme(3, t));
    EXPECT_EQ(t[11].r, 1.0f);
    EXPECT_EQ(t[11].g, 0.0f);
    EXPECT_EQ(t[4].g, 0.5f);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(t[i].a, 0.0f);
}

TEST(ColorSchemes, OutOfRangeIndexLeavesTheTable) {
    ParticleSystem s;
    s.SetColorScheme(1);
    const float blue = s.ColorTable()[11].b;
    s.SetColorScheme(4);
    s.SetColorScheme(0xFFFFFFFFu);  // an empty combo selection arrives as -1
    EXPECT_EQ(s.ColorTable()[11].b, blue);
}

TEST(ParticlePreset, WritesItsSevenLinesInOrder) {
    const std::string dir = UseLogFolder("preset_log");
    ParticleSystem s;
    ApplyParticlePreset(s);
    const std::string log = ReadLog(dir);
    const char* lines[] = {"SetSize OK \r\n", "SetLife OK \r\n", "SetSpeed OK \r\n", "SetSpawnRate OK \r\n",
                           "SetFrictionFactor OK \r\n", "SetColorScheme OK \r\n",
                           "WorkSpace::GetParticleSystem () - OK \r\n"};
    size_t at = log.find("ParticleSystem::ParticleSystem () - OK \r\n");
    ASSERT_NE(at, std::string::npos) << log;
    for (const char* l : lines) {
        size_t next = log.find(std::string("WorkSpace::GetParticleSystem () - ") + l, at);
        if (std::string(l).rfind("WorkSpace", 0) == 0) next = log.find(l, at);
        ASSERT_NE(next, std::string::npos) << l;
        at = next;
    }
    EXPECT_EQ(log.compare(0, 1, "["), 0);
}
