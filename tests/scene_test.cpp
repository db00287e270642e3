// The scene's set-up on the recording backend: its log lines in order, the logo's size and
// the fixed camera.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "gfx/recording_graphics.h"
#include "scene/scene.h"
#include "scene/window.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {
class SceneSetUp : public RecordedScene {};
}  // namespace

TEST_F(SceneSetUp, SceneSetUpLogsEachStepAndTheLogoKeepsItsSize) {
    InitScene();
    const std::string log = Log();
    const char* steps[] = {"Window::InitLogo() - OK", "LumoraEffect::InitEffect() - GetDeviceCaps() - OK",
                           "WorkSpace::GetParticleSystem () - OK ",
                           "LumoraEffect::InitEffect() - D3DXCreateEffect(Resource/ParticleShader.fx) - OK",
                           "LumoraEffect::InitEffect() - D3DXCreateTextureFromFileInMemoryEx(Resource/Particle.tga) - OK"};
    size_t at = 0;
    for (const char* step : steps) {
        at = log.find(step, at);
        ASSERT_NE(at, std::string::npos) << step << "\n" << log;
    }
    EXPECT_EQ(GetWindow().logoInfo.width, 100u);
    EXPECT_EQ(GetWindow().logoInfo.height, 40u);
    EXPECT_TRUE(GetWindow().effect.IsInitialised());
    // The particle texture is asked for with three mip levels, the logo with one.
    EXPECT_TRUE(record.Contains("CreateTextureFromMemory(34, 3)"));
    EXPECT_TRUE(record.Contains("CreateTextureFromMemory(24, 1)"));
}

TEST_F(SceneSetUp, TheCameraLooksAtTheOriginFrom300UnitsWithSeventyDegrees) {
    InitScene();
    const CameraBlock& c = GetWindow().camera;
    // Vertical field of view 70 degrees, aspect 1024 / 768, near 1, far 1000.
    const float yScale = 1.0f / std::tan(35.0f * 3.14159265f / 180.0f);
    EXPECT_NEAR(c.projection.m[1][1], yScale, 1e-4);
    EXPECT_NEAR(c.projection.m[0][0], yScale * 768.0f / 1024.0f, 1e-4);
    EXPECT_NEAR(c.projection.m[2][2], 1000.0f / 999.0f, 1e-5);
    EXPECT_NEAR(c.projection.m[3][2], -1000.0f / 999.0f, 1e-5);
    EXPECT_EQ(c.projection.m[2][3], 1.0f);
    // The eye (0, -10, 300) maps to the view's origin, the origin straight ahead of it.
    auto toView = [&](float x, float y, float z, int column) {
        return x * c.view.m[0][column] + y * c.view.m[1][column] + z * c.view.m[2][column] + c.view.m[3][column];
    };
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(toView(0, -10, 300, k), 0.0f, 1e-3) << k;
    EXPECT_NEAR(toView(0, 0, 0, 0), 0.0f, 1e-3);
    EXPECT_NEAR(toView(0, 0, 0, 1), 0.0f, 1e-3);
    EXPECT_NEAR(toView(0, 0, 0, 2), std::sqrt(300.0f * 300.0f + 100.0f), 1e-2);
    // Up stays up: a point above the origin is above the view's centre.
    EXPECT_GT(toView(0, 50, 0, 1), 0.0f);
}
