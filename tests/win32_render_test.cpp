// The real scene under Wine: a 1024x768 window, the archive from dist/ beside the test
// program, the render thread drawing through Direct3D 9, and the back buffer read back to
// check what a person would see. Images are kept as BMP artefacts in build/windows/tests/
// artefacts/ (the test script turns them into PNG).
#include <gtest/gtest.h>
#include <windows.h>
#include <wincodec.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/run_state.h"
#include "app/workspace.h"
#include "particles/particle_system.h"
#include "platform/platform.h"
#include "gfx/d3d9_graphics.h"
#include "scene/lumora_effect.h"
#include "imaging/picture_decode.h"
#include "scene/picture_layer.h"
#include "scene/scene.h"
#include "scene/window.h"
#include "resources/logger.h"
#include "resources/program_folder.h"
#include "resources/zip_reader.h"
#include "test_support.h"

using namespace WorkSpace;

namespace {

struct Shot {
    uint32_t w = 0, h = 0;
    std::vector<uint32_t> px;
    uint32_t At(uint32_t x, uint32_t y) const { return px[static_cast<size_t>(y) * w + x]; }
    static int R(uint32_t c) { return (c >> 16) & 0xFF; }
    static int G(uint32_t c) { return (c >> 8) & 0xFF; }
    static int B(uint32_t c) { return c & 0xFF; }
    // Pixels brighter than `level` in a rectangle.
    int Lit(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, int level = 24) const {
        int n = 0;
        for (uint32_t y = y0; y < y1 && y < h; ++y)
            for (uint32_t x = x0; x < x1 && x < w; ++x) {
                uint32_t c = At(x, y);
                if (R(c) > level || G(c) > level || B(c) > level) ++n;
            }
        return n;
    }
    void Sum(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, double& r, double& g, double& b) const {
        r = g = b = 0;
        for (uint32_t y = y0; y < y1 && y < h; ++y)
            for (uint32_t x = x0; x < x1 && x < w; ++x) {
                uint32_t c = At(x, y);
                r += R(c);
                g += G(c);
                b += B(c);
            }
    }
};

// A 32-bit BMP, rows top-down; the artefacts and the test pictures share it.
void WriteBmp(const Shot& s, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    const uint32_t bytes = s.w * s.h * 4;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(ih);
    fh.bfSize = fh.bfOffBits + bytes;
    ih.biSize = sizeof(ih);
    ih.biWidth = static_cast<LONG>(s.w);
    ih.biHeight = -static_cast<LONG>(s.h);
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    out.write(reinterpret_cast<const char*>(&fh), sizeof(fh));
    out.write(reinterpret_cast<const char*>(&ih), sizeof(ih));
    out.write(reinterpret_cast<const char*>(s.px.data()), bytes);
}

void SaveBmp(const Shot& s, const std::string& name) {
    CreateDirectoryA("artefacts", nullptr);
    WriteBmp(s, "artefacts/" + name + ".bmp");
}

void WriteBmpPicture(const std::string& path, uint32_t colour) {
    Shot s;
    s.w = 64;
    s.h = 48;
    s.px.assign(s.w * s.h, colour);
    WriteBmp(s, path);
}

void Pump(DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    while (static_cast<LONG>(until - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(10);
    }
}

// A picture file's pixels as 0xAARRGGBB, not premultiplied, through the system's codecs.
bool DecodeWithWic(const uint8_t* data, uint32_t size, Shot& out) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    UINT w = 0, h = 0;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
              SUCCEEDED(factory->CreateStream(&stream)) &&
              SUCCEEDED(stream->InitializeFromMemory(const_cast<BYTE*>(data), size)) &&
              SUCCEEDED(factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) &&
              SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetSize(&w, &h)) &&
              SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
              SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                              0.0, WICBitmapPaletteTypeCustom));
    if (ok) {
        out.w = w;
        out.h = h;
        out.px.assign(static_cast<size_t>(w) * h, 0);
        ok = SUCCEEDED(converter->CopyPixels(nullptr, w * 4, w * h * 4, reinterpret_cast<BYTE*>(out.px.data())));
    }
    for (IUnknown* p : {static_cast<IUnknown*>(converter), static_cast<IUnknown*>(frame),
                        static_cast<IUnknown*>(decoder), static_cast<IUnknown*>(stream),
                        static_cast<IUnknown*>(factory)})
        if (p) p->Release();
    return ok;
}

class Scene : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* archive = getenv("LUMORA_TEST_ARCHIVE");
        std::wstring path = archive ? W(archive) : GetProgramFolder() + L"LMRResource.dat";
        ZipReader::Instance().Open(path, kArchivePassword);
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"LumoraRenderTest";
        RegisterClassW(&wc);
    }

    void SetUp() override {
        if (!ZipReader::Instance().IsOpen()) GTEST_SKIP() << "no LMRResource.dat beside the test program";
    }

    // Runs the saver's set-up on a new window for `ms` milliseconds, then stops and reads
    // back. The test machine is shared with builds and other tests; a run that missed the
    // 20-frames-in-the-first-second rule is tried again (at most three times in all), and
    // the caller still checks that the last one passed.
    Shot Run(int width, int height, const std::string& settings, DWORD ms) {
        Shot shot;
        for (int attempt = 0; attempt < 3; ++attempt) {
            shot = RunOnce(width, height, settings, ms);
            if (startFailed == 0) break;
            Sleep(1000);  // let a passing load settle
        }
        return shot;
    }

    Shot RunOnce(int width, int height, const std::string& settings, DWORD ms) {
        startFailed = 1;
        // The particle system lives as long as the process and keeps its particles from one
        // run to the next, as in a second preview. With Wine's software renderer, the
        // thousands left by the earlier runs of this program would make the start-up second
        // miss its 20 frames; each run starts from an empty stream instead, as a saver does.
        ParticleSystem& particles = GetParticleSystem();
        particles.SetSpawnRate(0.0f);
        particles.Update(particles.LastTime() + 1000.0f);
        particles.ResetClock();
        GetWindow().simulationClock = 0.0f;
        HWND window = CreateWindowExW(0, L"LumoraRenderTest", L"render test", WS_POPUP | WS_VISIBLE, 0, 0, width,
                                      height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        EXPECT_NE(window, nullptr);
        const std::string path = "render_test.settings";
        { std::ofstream(path, std::ios::binary) << settings; }
        RunState& state = GetRunState();
        state.appWindow = window;
        state.startFailed.store(1);
        state.stopRequested.store(0);
        Shot shot;
        if (GetWindow().Create(window)) {
            LoadScene(W(path), SceneBuild::Full, PictureTextures::Load);
            state.startFailed.store(0);
            StartRenderThread();
            Pump(ms);
            StopRenderThread();
            startFailed = state.startFailed.load();
            EXPECT_TRUE(ReadBackBuffer(GetWindow().device, shot.w, shot.h, shot.px));
        } else {
            ADD_FAILURE() << "Window::Create failed";
        }
        ReleaseScene();
        DestroyWindow(window);
        return shot;
    }

    static std::string Settings(int scheme, int showImages, const std::vector<std::string>& pictures = {}) {
        std::string s = "#Picture Info _ begin\r\n";
        for (const auto& p : pictures) s += p + "\r\n";
        s += "#Picture Info _ end\r\nBlobsSpeed 40\r\nBlobsSize 80\r\nShowImages " + std::to_string(showImages) +
             "\r\nSelectCubeMap 0\r\nSelectLumoraEffect " + std::to_string(scheme) + "\r\n";
        return s;
    }

    uint8_t startFailed = 1;
};

}  // namespace

TEST_F(Scene, StartUpSecondIsBlack) {
    Shot s = Run(1024, 768, Settings(0, 0), 400);
    ASSERT_EQ(s.w, 1024u);
    EXPECT_EQ(s.Lit(0, 0, s.w, s.h, 4), 0);
    SaveBmp(s, "startup_black");
}

TEST_F(Scene, EachSchemeDrawsParticlesInItsColoursAndTheLogo) {
    const char* names[] = {"flame", "ice", "smoke", "cheerful"};
    for (int scheme = 0; scheme < 4; ++scheme) {
        Shot s = Run(1024, 768, Settings(scheme, 0), 3000);
        ASSERT_EQ(s.w, 1024u);
        EXPECT_EQ(startFailed, 0) << names[scheme] << ": the machine counted as too slow";
        SaveBmp(s, std::string("scheme_") + names[scheme]);
        // The logo (200x60 in the archive) sits 5 pixels from the bottom-left corner.
        EXPECT_GT(s.Lit(5, 768 - 65, 205, 768 - 5, 60), 300) << names[scheme];
        // Particles above the logo, along the emitter's path.
        const int lit = s.Lit(0, 0, 1024, 600, scheme == 2 ? 0 : 16);
        EXPECT_GT(lit, 200) << names[scheme];
        double r, g, b;
        s.Sum(0, 0, 1024, 600, r, g, b);
        switch (scheme) {
        case 0: EXPECT_GT(r, g); EXPECT_GT(g, b); break;          // flame: orange
        case 1: EXPECT_GT(b, r * 1.1); EXPECT_GT(b, g * 1.1); break;  // ice: white core, blue glow
        case 2: EXPECT_LT(r / (1024.0 * 600.0), 40.0); break;     // smoke: faint
        case 3: EXPECT_GT(r + g + b, 0.0); break;                  // cheerful: colourful
        }
    }
    GetParticleSystem().SetColorScheme(0);
}

TEST_F(Scene, OnePictureCoversTheScreen) {
    WriteBmpPicture("picture_red.bmp", 0xFFC02010);
    char full[MAX_PATH];
    GetFullPathNameA("picture_red.bmp", MAX_PATH, full, nullptr);
    Shot s = Run(1024, 768, Settings(0, 1, {full}), 2000);
    ASSERT_EQ(s.w, 1024u);
    EXPECT_EQ(startFailed, 0);
    SaveBmp(s, "one_picture");
    const uint32_t corner = s.At(1010, 10);
    EXPECT_NEAR(Shot::R(corner), 0xC0, 8);
    EXPECT_NEAR(Shot::G(corner), 0x20, 8);
}

TEST_F(Scene, AHugePhotoLoadsAsAPicture) {
    // 6000 x 4000, as a camera writes it: it must load (scaled down where the device's
    // textures are smaller), not fail.
    Shot photo;
    photo.w = 6000;
    photo.h = 4000;
    photo.px.assign(static_cast<size_t>(photo.w) * photo.h, 0xFF3060C0);
    WriteBmp(photo, "huge_photo.bmp");
    photo.px.clear();
    HWND window = CreateWindowExW(0, L"LumoraRenderTest", L"t", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(GetWindow().Create(window));
    UserTextures& pictures = UserTextures::Instance();
    pictures.Clear();
    pictures.SetDevice(GetWindow().device);
    char full[MAX_PATH];
    GetFullPathNameA("huge_photo.bmp", MAX_PATH, full, nullptr);
    // Decoded for the window: shrunk to 640 x 427 (Fit) before it ever reaches the device.
    PictureTarget target;
    target.width = 640;
    target.height = 480;
    target.fit = PictureFit::Fit;
    DecodedPicture picture;
    ASSERT_TRUE(DecodePictureFile(W(full), target, picture));
    EXPECT_EQ(picture.width, 6000u);
    EXPECT_EQ(picture.image.width, 640u);
    EXPECT_EQ(picture.image.height, 427u);
    EXPECT_EQ(picture.image.pixels[1000], 0xFF3060C0u);
    EXPECT_TRUE(pictures.AddPicture(picture, 0));
    EXPECT_EQ(pictures.Count(), 1u);
    ReleaseScene();
    DestroyWindow(window);
    DeleteFileA("huge_photo.bmp");
}

TEST_F(Scene, TheLogoMatchesItsPictureTexelForTexelFrameAfterFrame) {
    // Over black, away from the particles, each screen pixel of the logo is its texel
    // blended by its own alpha: no neighbouring texel may bleed in, from the second frame on
    // (after the particles' effect has filtered its own texture) as in the first.
    uint32_t size = 0;
    const uint8_t* png = ZipReader::Instance().ReadMember(L"Resource/logo.png", size);
    ASSERT_NE(png, nullptr);
    Shot logo;
    const bool decoded = DecodeWithWic(png, size, logo);
    ZipReader::Instance().FreeBuffer();
    ASSERT_TRUE(decoded);

    HWND window = CreateWindowExW(0, L"LumoraRenderTest", L"t", WS_POPUP | WS_VISIBLE, 0, 0, 1024, 768, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(GetWindow().Create(window));
    const std::string path = "logo_test.settings";
    { std::ofstream(path, std::ios::binary) << Settings(0, 0); }
    LoadScene(W(path), SceneBuild::Full, PictureTextures::Load);
    ASSERT_TRUE(GetWindow().effect.IsInitialised());
    for (int frame = 0; frame < 3; ++frame) RenderFrame(false);
    Shot s;
    ASSERT_TRUE(ReadBackBuffer(GetWindow().device, s.w, s.h, s.px));
    ReleaseScene();
    DestroyWindow(window);
    SaveBmp(s, "logo_texels");
    // Pixel centres fall exactly on texel edges (the quad has whole-pixel corners), and
    // point sampling may take the texel on either side of an edge; a filtered sample is
    // neither of them but a mix.
    auto shows = [&](uint32_t p, uint32_t t) {
        const int a = static_cast<int>(t >> 24);
        return std::abs(Shot::R(p) - Shot::R(t) * a / 255) <= 2 && std::abs(Shot::G(p) - Shot::G(t) * a / 255) <= 2 &&
               std::abs(Shot::B(p) - Shot::B(t) * a / 255) <= 2;
    };
    int wrong = 0;
    const uint32_t left = 5, top = 768 - 5 - logo.h;
    for (uint32_t y = 0; y < logo.h; ++y)
        for (uint32_t x = 0; x < logo.w; ++x) {
            const uint32_t p = s.At(left + x, top + y);
            const uint32_t x0 = x ? x - 1 : 0, y0 = y ? y - 1 : 0;
            if (!shows(p, logo.At(x, y)) && !shows(p, logo.At(x0, y)) && !shows(p, logo.At(x, y0)) &&
                !shows(p, logo.At(x0, y0)))
                ++wrong;
        }
    EXPECT_EQ(wrong, 0) << "of " << logo.w * logo.h << " logo pixels show no single texel";
}

TEST_F(Scene, FiftyPicturesWithUnreadableOnesCrossFadeInOrderWithoutAGap) {
    // Every third entry a picture of its own colour, the others damaged or missing; the
    // fade is driven frame by frame, as the render thread drives it, without the clock.
    std::vector<std::wstring> paths;
    std::vector<uint32_t> readable;
    for (uint32_t i = 0; i < 50; ++i) {
        const std::string name = "stream_" + std::to_string(i) + ".bmp";
        if (i % 3 == 0) {
            WriteBmpPicture(name, 0xFF000000u | (i * 5) << 16 | 0x4080);
            readable.push_back(i);
        } else if (i % 3 == 1) {
            std::ofstream(name, std::ios::binary) << "BM not a bitmap";
        }
        char full[MAX_PATH];
        GetFullPathNameA(name.c_str(), MAX_PATH, full, nullptr);
        paths.push_back(W(full));
    }
    HWND window = CreateWindowExW(0, L"LumoraRenderTest", L"t", WS_POPUP | WS_VISIBLE, 0, 0, 160, 120, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(GetWindow().Create(window));
    PictureLayerData(GetWindow()).fade = CrossFade();
    LoadScene(L"", SceneBuild::Full, PictureTextures::Skip);
    GetWindow().settings.pictures = paths;
    GetWindow().showPictures = 1;
    LoadPictureTextures();
    std::vector<uint32_t> shown;
    for (uint32_t frame = 0; frame < 1000 * (readable.size() + 1); ++frame) {
        PictureLayerData(GetWindow()).stream.WaitUntilIdle();
        AdvancePictureFade(GetWindow());
        ASSERT_GE(UserTextures::Instance().Count(), 1u) << "frame " << frame << " has no picture";
        ASSERT_LE(UserTextures::Instance().Count(), 3u);
        if (shown.empty() || shown.back() != PictureLayerData(GetWindow()).fade.current) shown.push_back(PictureLayerData(GetWindow()).fade.current);
        if (frame % 700 == 350) {
            // Now and then the real frame: the middle of the client area is never black.
            RenderFrame(false);
            Shot s;
            ASSERT_TRUE(ReadBackBuffer(GetWindow().device, s.w, s.h, s.px));
            const uint32_t c = s.At(80, 60);
            EXPECT_GT(Shot::R(c) + Shot::G(c) + Shot::B(c), 8) << "frame " << frame;
        }
    }
    ASSERT_GE(shown.size(), readable.size() + 1);
    EXPECT_EQ(std::vector<uint32_t>(shown.begin(), shown.begin() + readable.size()), readable);
    EXPECT_EQ(shown[readable.size()], 0u);
    ReleaseScene();
    DestroyWindow(window);
    for (uint32_t i = 0; i < 50; ++i) DeleteFileA(("stream_" + std::to_string(i) + ".bmp").c_str());
}

TEST_F(Scene, SmallWindowShowsNoLogo) {
    Shot small = Run(639, 480, Settings(2, 0), 1600);
    ASSERT_EQ(small.w, 639u);
    EXPECT_EQ(startFailed, 0);
    SaveBmp(small, "no_logo_639x480");
    // The lower part of the logo's place: the young stream's tail can reach its top edge.
    EXPECT_EQ(small.Lit(5, 480 - 40, 205, 480 - 5, 120), 0);
    Shot large = Run(640, 480, Settings(2, 0), 1600);
    EXPECT_GT(large.Lit(5, 480 - 40, 205, 480 - 5, 120), 100);
}

TEST_F(Scene, LogLinesOfTheSetUpEndInOk) {
    Run(1024, 768, Settings(0, 0), 1200);
    const std::string log = ReadFile(Platform::WideToUtf8(GetLogger().Path()));
    const char* steps[] = {
        "Window::Create() - Direct3DCreate9 () - OK",
        "Window::Create() - GetDeviceCaps () - OK",
        "Window::Create() - CreateDevice () - OK",
        "Window::Create() - D3DXCreateFont () - OK",
        "Window::Create() - OK",
        "Window::InitLogo() - OK",
        "LumoraEffect::InitEffect() - GetDeviceCaps() - OK",
        "WorkSpace::GetParticleSystem () - OK ",
        "LumoraEffect::InitEffect() - D3DXCreateEffect(Resource/ParticleShader.fx) - OK",
        "LumoraEffect::InitEffect() - D3DXCreateTextureFromFileInMemoryEx(Resource/Particle.tga) - OK",
    };
    size_t at = log.rfind(" --------------------------- Lumora Screen Saver -------------------");
    ASSERT_NE(at, std::string::npos);
    for (const char* step : steps) {
        size_t next = log.find(step, at);
        ASSERT_NE(next, std::string::npos) << step << "\n" << log.substr(at);
        at = next;
    }
    EXPECT_EQ(log.find("FAILED", log.rfind(" ----")), std::string::npos);
}

// Run with LUMORA_TEST_ARCHIVE pointing to an archive without the effect file.
TEST_F(Scene, WithoutTheEffectFileLogoButNoParticles) {
    if (!getenv("LUMORA_TEST_ARCHIVE")) GTEST_SKIP() << "needs LUMORA_TEST_ARCHIVE (an archive without the effect)";
    HWND window = CreateWindowExW(0, L"LumoraRenderTest", L"t", WS_POPUP | WS_VISIBLE, 0, 0, 1024, 768, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(GetWindow().Create(window));
    ASSERT_TRUE(GetWindow().InitLogo());
    UpdateMatrices(0);
    EXPECT_TRUE(GetWindow().effect.InitEffect(&GetWindow().camera, GetWindow().device, *GetWindow().archive));
    ReleaseScene();
    DestroyWindow(window);
    Shot s = Run(1024, 768, Settings(0, 0), 2500);
    SaveBmp(s, "no_effect");
    EXPECT_GT(s.Lit(5, 768 - 65, 205, 768 - 5, 60), 300);
    EXPECT_EQ(s.Lit(0, 0, 1024, 600, 16), 0);
}

// Two monitors side by side, the way EnumDisplayMonitors would report them: each half of
// the back buffer gets the whole stream in its middle and a logo at its bottom-left.
// Frames are drawn straight from the test, after the start-up second's black frames.
TEST_F(Scene, TwoMonitorsEachShowTheStreamCentredAndTheLogo) {
    ParticleSystem& particles = GetParticleSystem();
    particles.SetSpawnRate(0.0f);
    particles.Update(particles.LastTime() + 1000.0f);
    particles.ResetClock();
    GetWindow().simulationClock = 0.0f;
    HWND window = CreateWindowExW(0, L"LumoraRenderTest", L"t", WS_POPUP | WS_VISIBLE, 0, 0, 1600, 600, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(GetWindow().Create(window));
    DisplayLayout& layout = GetWindow().layout;
    layout = DisplayLayout();
    layout.client.right = 1600;
    layout.client.bottom = 600;
    layout.monitorCount = 2;
    layout.monitors[0].right = 800;
    layout.monitors[0].bottom = 600;
    layout.monitors[1].left = 800;
    layout.monitors[1].right = 1600;
    layout.monitors[1].bottom = 600;
    const std::string path = "render_test.settings";
    { std::ofstream(path, std::ios::binary) << Settings(0, 0); }
    LoadScene(W(path), SceneBuild::Full, PictureTextures::Load);
    for (int frame = 0; frame < 200; ++frame) EXPECT_EQ(RenderFrame(false), 0);
    Shot s;
    ASSERT_TRUE(ReadBackBuffer(GetWindow().device, s.w, s.h, s.px));
    ReleaseScene();
    DestroyWindow(window);
    ASSERT_EQ(s.w, 1600u);
    SaveBmp(s, "two_monitors");
    for (uint32_t left : {0u, 800u}) {
        EXPECT_GT(s.Lit(left + 5, 600 - 65, left + 205, 600 - 5, 60), 300) << "logo at " << left;
        // The lit pixels above the logo lie around the middle of their own monitor.
        double sumX = 0;
        int n = 0;
        for (uint32_t y = 0; y < 500; ++y)
            for (uint32_t x = left; x < left + 800; ++x) {
                const uint32_t c = s.At(x, y);
                if (Shot::R(c) > 40 || Shot::G(c) > 40 || Shot::B(c) > 40) {
                    sumX += x - left;
                    ++n;
                }
            }
        ASSERT_GT(n, 100) << "particles on the monitor at " << left;
        EXPECT_NEAR(sumX / n / 800.0, 0.5, 0.15) << "monitor at " << left;
    }
}
