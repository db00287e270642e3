// The particle renderer on the recording backend, with a resource archive of its own:
// the set-up log, the states and effect calls around the draw, and populations above the
// 16-bit index limit drawn in batches instead of wrapping the indices; and how the speed and
// size settings scale the clock step and the particles' squares.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "app/workspace.h"
#include "settings/settings.h"
#include "particles/particle_system.h"
#include "platform/platform.h"
#include "scene/frame_layer.h"
#include "scene/logo_layer.h"
#include "scene/picture_layer.h"
#include "gfx/recording_graphics.h"
#include "scene/scene.h"
#include "scene/window.h"
#include "resources/archive_members.h"
#include "resources/logger.h"
#include "resources/program_folder.h"
#include "resources/zip_reader.h"
#include "resources/zip_writer.h"

using namespace WorkSpace;

namespace {

std::wstring W(const std::string& s) { return Platform::Utf8ToWide(s.data(), s.size()); }

}  // namespace

// The effect file the saver ships: from the source tree natively, and from the archive
// beside the test program under Wine, where the source tree's path means nothing.
std::vector<uint8_t> ShippedEffectFile() {
#ifdef _WIN32
    ZipReader shipped;
    uint32_t size = 0;
    uint8_t* data = shipped.Open(GetProgramFolder() + L"LMRResource.dat", kArchivePassword)
                        ? shipped.ReadMember(kEffectMember, size)
                        : nullptr;
    std::vector<uint8_t> bytes(data, data + (data ? size : 0));
    if (data) shipped.FreeBuffer();
    return bytes;
#else
    std::ifstream fx(LUMORA_SOURCE_DIR "/assets/archive/Resource/ParticleShader.fx", std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(fx), std::istreambuf_iterator<char>());
#endif
}

// This suite's (and the rebuild tests') own archive with the three members the scene reads
// (contents the recorder accepts), so it leaves the process-wide reader to whoever uses the
// real one.
ZipReader& SceneArchive() {
    static ZipReader* archive = [] {
        const std::string dir = ::testing::TempDir() + "effect_archive";
        Platform::MakeFolder(W(dir));
        std::vector<ZipWriterMember> members(3);
        // The real effect file, so the recorded effect's pass sets the file's sampler states.
        members[0].name = "Resource/ParticleShader.fx";
        const std::vector<uint8_t> fx = ShippedEffectFile();
        members[0].bytes.assign(fx.begin(), fx.end());
        members[1].name = "Resource/Particle.tga";
        members[1].bytes.assign(18 + 4 * 4, 0);
        members[1].bytes[12] = 2;  // 2x2
        members[1].bytes[14] = 2;
        const uint8_t png[24] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                 0, 0, 0, 100, 0, 0, 0, 40};  // 100 x 40
        members[2].name = "Resource/logo.png";
        members[2].bytes.assign(png, png + sizeof(png));
        const std::wstring path = W(dir + "/LMRResource.dat");
        auto* reader = new ZipReader();
        if (!WriteZipArchive(path, members, "5829316") || !reader->Open(path, kArchivePassword))
            ADD_FAILURE() << "cannot make the scene's archive";
        return reader;
    }();
    return *archive;
}

namespace {

// The whole client area as one view, with the window's camera.
View WholeWindow() {
    const Window& w = GetWindow();
    View view;
    view.rect = PixelRect{0, 0, w.Width(), w.Height()};
    view.camera = w.camera;
    return view;
}

// One frame of the particle layer over the whole window, at the record's speed and size.
void RenderParticles() {
    Window& w = GetWindow();
    const FrameSettings settings = ReadFrameSettings(w.settings, 0);
    w.effect.Advance(settings.simulationStep, settings.particleSizeScale);
    w.effect.Render(WholeWindow());
}

class Renderer : public ::testing::Test {
protected:
    void SetUp() override {
        GetWindow().archive = &SceneArchive();
        dir = ::testing::TempDir() + "renderer_log";
        Platform::MakeFolder(W(dir));
        GetLogger().SetFolder(W(dir));
        UseRecordingGraphics(&record, 1024, 768);
        ASSERT_TRUE(GetWindow().Create(&window));
    }
    void TearDown() override {
        GetWindow().Release();
        GetWindow().archive = &ZipReader::Instance();
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
    const std::vector<uint32_t> before = samplerZero();
    record.Clear();
    RenderParticles();
    system.SetSpawnRate(6000.0f);
    const int draw = record.Find("DrawIndexedPrimitiveUP(4, 0, ");
    ASSERT_GE(draw, 0);
    // The pass filters and clamps the particle texture (linear min, mag and mip)...
    EXPECT_LT(record.Find("SetSamplerState(0, MINFILTER, 2)"), draw);
    EXPECT_LT(record.Find("SetSamplerState(0, ADDRESSU, 3)"), draw);
    // ...and after End sampler 0 is as the scene left it: point sampling for the logo.
    EXPECT_EQ(samplerZero(), before);
    EXPECT_EQ(before[6 - 1], 0u);
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

TEST_F(Renderer, TheCameraLooksAtTheOriginFrom300UnitsWithSeventyDegrees) {
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

namespace {

DisplayLayout Monitors(int32_t width, int32_t height, std::initializer_list<PixelRect> monitors) {
    DisplayLayout layout;
    layout.client.right = width;
    layout.client.bottom = height;
    for (const PixelRect& m : monitors) layout.monitors[layout.monitorCount++] = m;
    return layout;
}

PixelRect Rect(int32_t l, int32_t t, int32_t r, int32_t b) {
    PixelRect p;
    p.left = l;
    p.top = t;
    p.right = r;
    p.bottom = b;
    return p;
}

std::vector<std::string> CallsStarting(const GraphicsRecord& record, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& call : record.calls)
        if (call.rfind(prefix, 0) == 0) out.push_back(call);
    return out;
}

// A few particles alive, so each view has something to draw.
void SpawnSome() {
    GetParticleSystem().SetSpawnRate(100000.0f);
    GetWindow().effect.Advance(0.001f, 1.0f);
    GetParticleSystem().SetSpawnRate(6000.0f);
}

class PerMonitor : public Renderer {
protected:
    void UseMonitors(int32_t width, int32_t height, std::initializer_list<PixelRect> monitors) {
        UseRecordingGraphics(&record, width, height);
        record.layout = Monitors(width, height, monitors);
        ASSERT_TRUE(GetWindow().Create(&window));
        InitScene();
        UpdateMatrices(0);
        SpawnSome();
        GetWindow().showPictures = 0;
        GetSettings().Set(SettingKey::SpanMonitors, 0);
        GetSettings().Set(SettingKey::PictureFit, 0);
    }
    void TearDown() override {
        GetSettings().Set(SettingKey::SpanMonitors, 0);
        GetSettings().Set(SettingKey::PictureFit, 0);
        UserTextures::Instance().Clear();
        Renderer::TearDown();
    }
};

}  // namespace

TEST_F(PerMonitor, OneMonitorDrawsTheWholeWindowFrameWithOneViewportCallMore) {
    UseMonitors(1024, 768, {Rect(0, 0, 1024, 768)});
    // One frame first, so that both recorded frames start from the states a frame leaves
    // behind (the effect's End puts back what it found at Begin).
    EXPECT_EQ(RenderFrame(false), kOk);
    record.Clear();
    EXPECT_EQ(RenderFrame(false), kOk);
    std::vector<std::string> perView = record.calls;

    // The same frame through the whole-window operations, in the classic order.
    Window& w = GetWindow();
    record.Clear();
    UpdateMatrices(0);
    w.device->SetTransform(D3D::TS_VIEW, w.camera.view);
    w.device->SetTransform(D3D::TS_PROJECTION, w.camera.projection);
    w.device->Clear(0, D3D::CLEAR_TARGET | D3D::CLEAR_ZBUFFER, w.background, 1.0f, 0);
    w.device->BeginScene();
    RenderParticles();
    DrawLogo(WholeWindow());
    w.device->EndScene();
    w.device->Present();
    std::vector<std::string> whole = record.calls;

    ASSERT_EQ(CallsStarting(record, "DrawIndexedPrimitiveUP").size(), 1u);
    ASSERT_EQ(perView.size(), whole.size() + 1);
    EXPECT_EQ(perView[2], "SetViewport(0, 0, 1024, 768)");
    perView.erase(perView.begin() + 2);
    // The particle count grows by a frame's births between the two; the rest is identical.
    for (size_t i = 0; i < whole.size(); ++i) {
        if (whole[i].rfind("DrawIndexedPrimitiveUP", 0) == 0) continue;
        EXPECT_EQ(perView[i], whole[i]) << i;
    }
}

TEST_F(PerMonitor, EveryMonitorShowsTheSameStreamCentredWithItsOwnLogo) {
    UseMonitors(1600, 1080, {Rect(0, 0, 800, 600), Rect(800, 0, 1600, 600), Rect(0, 600, 640, 1080)});
    const float clock = SimulationClock();
    record.Clear();
    EXPECT_EQ(RenderFrame(false), kOk);
    EXPECT_FLOAT_EQ(SimulationClock(), clock + 0.001f);  // one step, not one per monitor

    const std::vector<std::string> viewports = CallsStarting(record, "SetViewport");
    const std::vector<std::string> expected = {"SetViewport(0, 0, 1600, 1080)", "SetViewport(0, 0, 800, 600)",
                                               "SetViewport(800, 0, 800, 600)", "SetViewport(0, 600, 640, 480)"};
    EXPECT_EQ(viewports, expected);
    EXPECT_LT(record.Find("SetViewport(0, 0, 1600"), record.Find("Clear("));

    const std::vector<std::string> draws = CallsStarting(record, "DrawIndexedPrimitiveUP");
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0], draws[1]);
    EXPECT_EQ(draws[0], draws[2]);
    // Each monitor's camera has its own 4:3 aspect, not the desktop's 40:27.
    const std::vector<std::string> matrices = CallsStarting(record, "Effect.SetMatrix");
    ASSERT_EQ(matrices.size(), 3u);
    EXPECT_EQ(matrices[0], matrices[1]);
    EXPECT_EQ(matrices[0], matrices[2]);
    GetSettings().Set(SettingKey::SpanMonitors, 1);
    record.Clear();
    RenderFrame(false);
    EXPECT_NE(CallsStarting(record, "Effect.SetMatrix").at(0), matrices[0]);

    // The logo at each monitor's bottom-left, 5 pixels in; 640x480 is large enough.
    GetSettings().Set(SettingKey::SpanMonitors, 0);
    record.Clear();
    RenderFrame(false);
    const std::vector<std::string> logos = CallsStarting(record, "DrawPrimitiveUP(6, 2, 24");
    ASSERT_EQ(logos.size(), 3u);
    EXPECT_NE(logos[0].find("(5 595)"), std::string::npos);
    EXPECT_NE(logos[1].find("(805 595)"), std::string::npos);
    EXPECT_NE(logos[2].find("(5 1075)"), std::string::npos);
}

TEST_F(PerMonitor, SpanModeIsOneSceneOverTheDesktop) {
    UseMonitors(1600, 600, {Rect(0, 0, 800, 600), Rect(800, 0, 1600, 600)});
    GetSettings().Set(SettingKey::SpanMonitors, 1);
    record.Clear();
    RenderFrame(true);
    const std::vector<std::string> viewports = CallsStarting(record, "SetViewport");
    ASSERT_EQ(viewports.size(), 1u);
    EXPECT_EQ(viewports[0], "SetViewport(0, 0, 1600, 600)");
    EXPECT_EQ(CallsStarting(record, "DrawIndexedPrimitiveUP").size(), 1u);
    const std::vector<std::string> logos = CallsStarting(record, "DrawPrimitiveUP(6, 2, 24");
    ASSERT_EQ(logos.size(), 1u);
    EXPECT_NE(logos[0].find("(5 595)"), std::string::npos);
}

TEST_F(PerMonitor, APictureIsFittedIntoEachMonitor) {
    UseMonitors(1600, 600, {Rect(0, 0, 800, 600), Rect(800, 0, 1600, 600)});
    // A 1600 x 600 picture, decoded small: its placement goes by its own size.
    DecodedPicture wide;
    wide.image.width = 16;
    wide.image.height = 6;
    wide.image.pixels.assign(16 * 6, 0xFF406080u);
    wide.width = 1600;
    wide.height = 600;
    UserTextures& pictures = UserTextures::Instance();
    pictures.Clear();
    pictures.SetDevice(GetWindow().device);
    ASSERT_TRUE(pictures.AddPicture(wide, 0));
    GetWindow().showPictures = 1;
    GetSettings().Set(SettingKey::PictureFit, 1);
    record.Clear();
    RenderFrame(false);
    const std::vector<std::string> quads = CallsStarting(record, "DrawPrimitiveUP(6, 2, 28");
    ASSERT_EQ(quads.size(), 2u);
    // 1600 x 600 into 800 x 600: 800 x 300 with bars of 150 above and below, per monitor.
    EXPECT_EQ(quads[0].substr(0, quads[0].find(" 0x")), "DrawPrimitiveUP(6, 2, 28, (0 150)");
    EXPECT_NE(quads[0].find("(800 450)"), std::string::npos);
    EXPECT_EQ(quads[1].substr(0, quads[1].find(" 0x")), "DrawPrimitiveUP(6, 2, 28, (800 150)");
    EXPECT_NE(quads[1].find("(1600 450)"), std::string::npos);
}

TEST_F(PerMonitor, PresentReportsALostDeviceAndTheRebuiltSceneDrawsAgain) {
    UseMonitors(1024, 768, {Rect(0, 0, 1024, 768)});
    record.results["Present"] = kDeviceLost;
    EXPECT_EQ(RenderFrame(false), kDeviceLost);
    record.results.clear();

    record.Clear();
    ASSERT_TRUE(RebuildScene(&window));
    EXPECT_LT(record.Find("Release(device)"), record.Find("System.CreateDevice()"));
    EXPECT_TRUE(GetWindow().effect.IsInitialised());
    record.Clear();
    EXPECT_EQ(RenderFrame(false), kOk);
    EXPECT_EQ(CallsStarting(record, "DrawIndexedPrimitiveUP").size(), 1u);

    // No device to be had: reported, and the caller tries again later.
    record.failing = {"System.CreateDevice"};
    EXPECT_FALSE(RebuildScene(&window));
    EXPECT_NE(Log().find("WorkSpace::RebuildScene() - Window::Create () - FAILED"), std::string::npos);
    record.failing.clear();
}

TEST_F(Renderer, EachFrameAdvancesTheClockByTheRecordsSpeed) {
    InitScene();
    UpdateMatrices(0);
    Settings& settings = GetSettings();
    settings.Set(SettingKey::BlobsSpeed, 80);
    const float before = SimulationClock() > 10.0f ? 0.0f : SimulationClock();
    RenderParticles();
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

TEST(SimulationSpeed, StepFollowsTheFrameRateSoTheMotionKeepsItsSpeed) {
    // 60 Hz, and the "default rate" 0 or 1, keep the classic float to the last digit.
    for (uint32_t hz : {0u, 1u, 60u}) {
        EXPECT_EQ(SimulationStep(40, DisplayFrameRate(hz)), 0.001f) << hz;
        EXPECT_EQ(FadeStep(DisplayFrameRate(hz)), 0.001f) << hz;
    }
    // Faster displays, and the 30 frames a second on battery: the same clock a second as at
    // 60 Hz (speed 80: 0.12); the pictures' cross-fade follows the frame rate alone.
    for (uint32_t hz : {30u, 120u, 144u, 240u}) {
        EXPECT_FLOAT_EQ(SimulationStep(80, DisplayFrameRate(hz)) * hz, 0.12f) << hz;
        EXPECT_FLOAT_EQ(FadeStep(DisplayFrameRate(hz)) * hz, 0.06f) << hz;
    }
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
