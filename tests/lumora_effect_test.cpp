// The particle renderer on the recording backend, with a resource archive of its own:
// the set-up log, the states and effect calls around the draw, and populations above the
// 16-bit index limit drawn in batches instead of wrapping the indices; and how the speed and
// size settings scale the clock step and the particles' squares.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "particles/particle_system.h"
#include "platform/platform.h"
#include "render/recording_graphics.h"
#include "render/scene.h"
#include "render/window.h"
#include "resources/logger.h"
#include "resources/zip_reader.h"
#include "resources/zip_writer.h"

using namespace WorkSpace;

namespace {

std::wstring W(const std::string& s) { return Platform::Utf8ToWide(s.data(), s.size()); }

// The process-wide reader is opened once per process; this suite gives it an archive with
// the three members the scene reads (contents the recorder accepts).
void OpenSceneArchive() {
    static bool opened = [] {
        const std::string dir = ::testing::TempDir() + "effect_archive";
        Platform::MakeFolder(W(dir));
        std::vector<ZipWriterMember> members(3);
        members[0].name = "Resource/ParticleShader.fx";
        members[0].bytes.assign(100, 'x');
        members[1].name = "Resource/Particle.tga";
        members[1].bytes.assign(18 + 4 * 4, 0);
        members[1].bytes[12] = 2;  // 2x2
        members[1].bytes[14] = 2;
        const uint8_t png[24] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                 0, 0, 0, 100, 0, 0, 0, 40};  // 100 x 40
        members[2].name = "Resource/logo.png";
        members[2].bytes.assign(png, png + sizeof(png));
        const std::wstring path = W(dir + "/LMRResource.dat");
        return WriteZipArchive(path, members, "5829316") && ZipReader::Instance().Open(path, kArchivePassword);
    }();
    ASSERT_TRUE(opened || ZipReader::Instance().IsOpen());
}

class Renderer : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        // There the process-wide reader belongs to the real archive of the scene tests.
        GTEST_SKIP() << "the recording renderer tests run in the native build";
#endif
        OpenSceneArchive();
        dir = ::testing::TempDir() + "renderer_log";
        Platform::MakeFolder(W(dir));
        GetLogger().SetFolder(W(dir));
        UseRecordingGraphics(&record, 1024, 768);
        ASSERT_TRUE(GetWindow().Create(&window));
    }
    void TearDown() override {
        GetWindow().Release();
        UseRecordingGraphics(nullptr, 0, 0);
    }
    std::string Log() {
        std::ifstream in(dir + "/log_output.txt", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    GraphicsRecord record;
    std::string dir;
    int window = 0;
};

}  // namespace

TEST_F(Renderer, SceneSetUpLogsEachStepAndTheLogoKeepsItsSize) {
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

TEST_F(Renderer, DrawsAdditivelyThroughTheEffectAndRestoresBlending) {
    InitScene();
    UpdateMatrices(0);
    ParticleSystem& system = GetParticleSystem();
    system.SetSpawnRate(100000.0f);  // about 100 particles in the first 0.001 s
    record.Clear();
    GetWindow().effect.Render();
    system.SetSpawnRate(6000.0f);
    const std::vector<std::string>& c = record.calls;
    const int draw = record.Find("DrawIndexedPrimitiveUP(4, 0, ");
    ASSERT_GE(draw, 0);
    EXPECT_LT(record.Find("SetRenderState(27, 1)"), draw);  // blending on
    EXPECT_LT(record.Find("SetRenderState(19, 2)"), draw);  // one
    EXPECT_LT(record.Find("SetRenderState(20, 2)"), draw);  // one
    EXPECT_LT(record.Find("SetTextureStageState(0, 5, 2)"), draw);
    EXPECT_LT(record.Find("Effect.SetTechnique(TechniqueNoInst)"), draw);
    EXPECT_LT(record.Find("Effect.SetMatrix(matWorldViewProjection"), draw);
    EXPECT_LT(record.Find("Effect.SetTexture(texParticle, memory:34)"), draw);
    EXPECT_LT(record.Find("Effect.BeginPass(0)"), draw);
    EXPECT_LT(record.Find("Effect.CommitChanges()"), draw);
    EXPECT_LT(record.Find("SetVertexDeclaration(declaration)"), draw);
    EXPECT_EQ(c[draw].substr(c[draw].rfind(", ") - 3), "101, 36)");  // 16-bit indices, 36-byte vertices
    EXPECT_EQ(c.back(), "SetRenderState(27, 0)");
    EXPECT_GT(record.Find("Effect.End()"), draw);
}

TEST_F(Renderer, MoreThan16383ParticlesAreDrawnInBatches) {
    InitScene();
    UpdateMatrices(0);
    ParticleSystem& system = GetParticleSystem();
    system.SetLife(100.0f, 0.0f);
    system.SetSpawnRate(40000.0f * 1000.0f);  // about 40,000 in one frame
    record.Clear();
    GetWindow().effect.Render();
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

TEST_F(Renderer, EachFrameAdvancesTheClockByTheRecordsSpeed) {
    InitScene();
    UpdateMatrices(0);
    Settings& settings = GetSettings();
    settings.Set(SettingKey::BlobsSpeed, 80);
    const float before = SimulationClock() > 10.0f ? 0.0f : SimulationClock();
    GetWindow().effect.Render();
    const float after = SimulationClock();
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
