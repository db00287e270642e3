// The particle renderer on the recording backend, with a resource archive of its own: the
// states and effect calls around the draw, its set-up failures, populations above the 16-bit
// index limit drawn in batches instead of wrapping the indices; and how the speed and size
// settings scale the clock step and the particles' squares.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/recording_graphics.h"
#include "particles/particle_system.h"
#include "scene/frame_layer.h"
#include "scene/lumora_effect.h"
#include "scene/scene.h"
#include "scene/window.h"
#include "settings/settings.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {
class Renderer : public RecordedScene {};
}  // namespace

TEST_F(Renderer, DrawsAdditivelyThroughTheEffectAndRestoresBlending) {
    InitScene();
    UpdateMatrices(0);
    ParticleSystem& system = GetParticleSystem();
    system.SetSpawnRate(100000.0f);  // about 100 particles in the first 0.001 s
    record.Clear();
    RenderParticles();
    system.SetSpawnRate(6000.0f);
    const std::vector<std::string>& c = record.calls;
    const int draw = record.Find("DrawIndexedPrimitiveUP(4, 0, ");
    ASSERT_GE(draw, 0);
    EXPECT_LT(record.Find("SetRenderState(ALPHABLENDENABLE, 1)"), draw);  // blending on
    EXPECT_LT(record.Find("SetRenderState(SRCBLEND, 2)"), draw);          // one
    EXPECT_LT(record.Find("SetRenderState(DESTBLEND, 2)"), draw);         // one
    EXPECT_LT(record.Find("SetTextureStageState(0, ALPHAARG1, 2)"), draw);
    EXPECT_LT(record.Find("Effect.SetTechnique(TechniqueNoInst)"), draw);
    EXPECT_LT(record.Find("Effect.SetMatrix(matWorldViewProjection"), draw);
    EXPECT_LT(record.Find("Effect.SetTexture(texParticle, memory:34)"), draw);
    EXPECT_LT(record.Find("Effect.BeginPass(0)"), draw);
    EXPECT_LT(record.Find("Effect.CommitChanges()"), draw);
    EXPECT_LT(record.Find("SetVertexDeclaration(declaration)"), draw);
    EXPECT_EQ(c[draw].substr(c[draw].rfind(", ") - 3), "101, 36)");  // 16-bit indices, 36-byte vertices
    EXPECT_EQ(c.back(), "SetRenderState(ALPHABLENDENABLE, 0)");
    EXPECT_GT(record.Find("Effect.End()"), draw);
}

TEST_F(Renderer, MoreThan16383ParticlesAreDrawnInBatches) {
    InitScene();
    UpdateMatrices(0);
    ParticleSystem& system = GetParticleSystem();
    system.SetLife(100.0f, 0.0f);
    system.SetSpawnRate(40000.0f * 1000.0f);  // about 40,000 in one frame
    record.Clear();
    RenderParticles();
    const uint32_t n = system.Count();
    // Leave the shared system as the saver would find it: everyone dies, nobody is born.
    system.SetSpawnRate(0.0f);
    system.Update(system.LastTime() + 1000.0f);
    system.ResetClock();
    system.SetSpawnRate(6000.0f);
    system.SetLife(1.0f, 3.0f);
    ASSERT_GT(n, 2 * 16384u);
    std::vector<std::string> draws;
    for (const std::string& call : record.calls)
        if (call.rfind("DrawIndexedPrimitiveUP", 0) == 0) draws.push_back(call);
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0], "DrawIndexedPrimitiveUP(4, 0, 65536, 32768, 101, 36)");
    EXPECT_EQ(draws[1], "DrawIndexedPrimitiveUP(4, 0, 65536, 32768, 101, 36)");
    const uint32_t rest = n - 2 * 16384;
    EXPECT_EQ(draws[2], "DrawIndexedPrimitiveUP(4, 0, " + std::to_string(4 * rest) + ", " + std::to_string(2 * rest) +
                            ", 101, 36)");
}

TEST_F(Renderer, TheEffectPutsBackTheSamplerStatesItsPassChanged) {
    InitScene();
    UpdateMatrices(0);
    ParticleSystem& system = GetParticleSystem();
    system.SetSpawnRate(100000.0f);
    // Every state of sampler 0, as the device reports it.
    auto samplerZero = [] {
        std::vector<uint32_t> states;
        for (uint32_t type = 1; type <= 13; ++type) {
            uint32_t value = 0;
            GetWindow().device->GetSamplerState(0, type, &value);
            states.push_back(value);
        }
        return states;
    };
    SetupSharedRenderState(GetWindow().device);  // as the layer sets them before Begin
    const std::vector<uint32_t> before = samplerZero();
    record.Clear();
    RenderParticles();
    system.SetSpawnRate(6000.0f);
    const int draw = record.Find("DrawIndexedPrimitiveUP(4, 0, ");
    ASSERT_GE(draw, 0);
    // The pass filters and clamps the particle texture (linear min, mag and mip)...
    EXPECT_LT(record.Find("SetSamplerState(0, MINFILTER, 2)"), draw);
    EXPECT_LT(record.Find("SetSamplerState(0, ADDRESSU, 3)"), draw);
    // ...and after End sampler 0 is as the layer set it: point sampling for the logo.
    EXPECT_EQ(samplerZero(), before);
    EXPECT_EQ(before[6 - 1], D3D::TEXF_POINT);
}

TEST_F(Renderer, EachFailedStepOfTheSetUpIsLogged) {
    const struct {
        const char* failing;
        const char* line;
    } steps[] = {
        {"GetDeviceCaps", "LumoraEffect::InitEffect() - GetDeviceCaps() - FAILED"},
        {"CreateVertexDeclaration", "LumoraEffect::InitEffect() - CreateVertexDeclaration () - FAILED"},
        {"CreateEffect", "LumoraEffect::InitEffect() - D3DXCreateEffect(Resource/ParticleShader.fx) - FAILED"},
        {"CreateTextureFromMemory",
         "LumoraEffect::InitEffect() - D3DXCreateTextureFromFileInMemoryEx(Resource/Particle.tga) - FAILED"},
    };
    Window& w = GetWindow();
    for (const auto& step : steps) {
        record.failing = {step.failing};
        EXPECT_FALSE(w.effect.InitEffect(&w.camera, w.device, *w.archive)) << step.failing;
        EXPECT_NE(Log().find(step.line), std::string::npos) << step.line;
    }
    record.failing = {"CreateTextureFromMemory"};
    EXPECT_FALSE(w.InitLogo());
    EXPECT_NE(Log().find("Window::InitLogo() - FAILED"), std::string::npos);
    record.failing.clear();
}

TEST_F(Renderer, EachFrameAdvancesTheClockByTheRecordsSpeed) {
    InitScene();
    UpdateMatrices(0);
    Settings& settings = GetWindow().settings;
    settings.Set(SettingKey::BlobsSpeed, 80);
    const float before = GetWindow().simulationClock > 10.0f ? 0.0f : GetWindow().simulationClock;
    RenderParticles();
    const float after = GetWindow().simulationClock;
    settings.Set(SettingKey::BlobsSpeed, 40);
    EXPECT_EQ(after, before + 0.002f);
    EXPECT_EQ(GetParticleSystem().LastTime(), after);
}

TEST(SimulationSpeed, StepIsExactlyTheClassicOneAtTheDefaultAndClamped) {
    EXPECT_EQ(SimulationStep(40), 0.001f);
    EXPECT_EQ(SimulationStep(80), 0.002f);
    EXPECT_EQ(SimulationStep(100), 0.0025f);
    EXPECT_EQ(SimulationStep(1), 0.000025f);
    // A hand-edited 0 must not freeze the stream, nor 10^9 blow it up.
    EXPECT_EQ(SimulationStep(0), SimulationStep(1));
    EXPECT_EQ(SimulationStep(-7), SimulationStep(1));
    EXPECT_EQ(SimulationStep(1000000000), SimulationStep(100));
}

TEST(SimulationSpeed, StepFollowsTheFrameRateSoTheMotionKeepsItsSpeed) {
    // 60 Hz, and the "default rate" 0 or 1, keep the classic float to the last digit.
    for (uint32_t hz : {0u, 1u, 60u}) EXPECT_EQ(SimulationStep(40, DisplayFrameRate(hz)), 0.001f) << hz;
    // Faster displays, and the 30 frames a second on battery: the same clock a second as at
    // 60 Hz (speed 80: 0.12).
    for (uint32_t hz : {30u, 120u, 144u, 240u})
        EXPECT_FLOAT_EQ(SimulationStep(80, DisplayFrameRate(hz)) * hz, 0.12f) << hz;
}

TEST(SimulationSpeed, SizeScaleIsOneAtTheDefaultAndClamped) {
    EXPECT_EQ(ParticleSizeScale(80), 1.0f);
    EXPECT_EQ(ParticleSizeScale(40), 0.5f);
    EXPECT_EQ(ParticleSizeScale(100), 1.25f);
    EXPECT_EQ(ParticleSizeScale(0), ParticleSizeScale(1));
    EXPECT_EQ(ParticleSizeScale(1000000000), 1.25f);
}

TEST(SimulationSpeed, ParticlesEmitterAndWrapFollowTheFasterClock) {
    ParticleSystem system;
    float clock = 0.0f;
    const float step = SimulationStep(100);
    int frames = 0;
    float previous = 0.0f;
    do {
        previous = clock;
        StepSimulation(system, clock, step);
        ++frames;
        ASSERT_EQ(system.LastTime(), clock);
        const Vec3 e = EmitterPath(clock);
        ASSERT_EQ(system.EmitterPosition().x, e.x);
        ASSERT_EQ(system.EmitterPosition().z, e.z);
    } while (clock > previous && frames < 20000);
    // Past 10 simulated seconds after about 4,000 frames instead of 10,000; the wrap then
    // restarts both clocks, so the step after it is a single step again.
    EXPECT_NEAR(frames, 4002, 3);
    EXPECT_EQ(clock, step);
}

TEST(SimulationSpeed, SizeScaleScalesEveryCornerOffset) {
    ParticleSystem system;
    system.SetSpawnRate(10000.0f);
    system.Update(0.001f);
    ASSERT_GT(system.Count(), 0u);
    const Particle p = system.Particles()[0];
    const ParticleVertex* v = BuildParticleVertices(system, ParticleSizeScale(40));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v[0].x, p.x - 0.5f * p.size);
    EXPECT_EQ(v[0].y, p.y + 0.5f * p.size);
    EXPECT_EQ(v[2].x, p.x + 0.5f * p.size);
    EXPECT_EQ(v[2].y, p.y - 0.5f * p.size);
    v = BuildParticleVertices(system, ParticleSizeScale(80));
    EXPECT_EQ(v[1].x, p.x + p.size);
    EXPECT_EQ(v[1].y, p.y + p.size);
}
