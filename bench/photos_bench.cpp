// One frame of three monitors (800x600 each, side by side) on the recording backend, with the
// photo options off and with all four on (captions with date and place, portraits side by
// side, a picture per monitor, pan and zoom): the same pictures (portraits and landscapes
// mixed), the same particles. The recorder stands in for the device, kept quiet, so the
// figure is the frame's own processor time. And the memory of a pair of 24-megapixel
// portraits on a 4K monitor with Fill: the bytes of the textures they are uploaded as.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/workspace.h"
#include "gfx/recording_graphics.h"
#include "platform/platform.h"
#include "resources/zip_reader.h"
#include "scene/picture_layer.h"
#include "scene/scene.h"
#include "scene/window.h"

namespace {
using namespace WorkSpace;

[[maybe_unused]] const bool g_quietLog = (Platform::SetDebugOutputForTesting([](const std::wstring&) {}), true);

std::wstring WriteTga(const std::string& path, uint32_t w, uint32_t h, uint32_t colour) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return std::wstring();
    const uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(w), uint8_t(w >> 8), uint8_t(h),
                                uint8_t(h >> 8), 32, 0x20};
    std::fwrite(header, 1, sizeof(header), file);
    const std::vector<uint32_t> pixels(static_cast<size_t>(w) * h, colour);
    std::fwrite(pixels.data(), 4, pixels.size(), file);
    std::fclose(file);
    return std::wstring(path.begin(), path.end());
}

// The platform's decoder, and the date and place of a photo taken in Paris.
bool DatedDecoder(const std::wstring& path, const PictureTarget& target, DecodedPicture& out) {
    if (!DecodePictureFile(path, target, out)) return false;
    out.facts.hasDate = true;
    out.facts.year = 2023, out.facts.month = 7, out.facts.day = 14;
    out.facts.hasPosition = true;
    out.facts.latitude = 48.8566, out.facts.longitude = 2.3522;
    return true;
}

void BM_ThreeMonitorFrame(benchmark::State& state) {
    const bool photoOptions = state.range(0) != 0;
    static ZipReader archive;
    static const bool opened = archive.Open(L"dist/LMRResource.dat", kArchivePassword);
    if (!opened) {
        state.SkipWithError("dist/LMRResource.dat is missing (./lumora build makes it)");
        return;
    }
    static GraphicsRecord record;
    Window& w = GetWindow();
    w.archive = &archive;
    UseRecordingGraphics(&record, 2400, 600);
    record.layout.client.right = 2400;
    record.layout.client.bottom = 600;
    record.layout.monitorCount = 3;
    for (int32_t i = 0; i < 3; ++i) record.layout.monitors[i] = PixelRect{800 * i, 0, 800 * (i + 1), 600};
    static int window = 0;
    if (!w.Create(&window) || !InitScene()) {
        state.SkipWithError("the recorded scene could not be set up");
        return;
    }
    // Portraits and landscapes mixed, 320 x 240 or 240 x 320, each its own colour.
    const std::string dir = "/tmp/lumora_photos_bench";
    Platform::MakeFolder(std::wstring(dir.begin(), dir.end()));
    w.settings.ClearPictures();
    const char shapes[] = "PPLPLLPL";
    for (uint32_t i = 0; shapes[i]; ++i) {
        const bool portrait = shapes[i] == 'P';
        w.settings.AddPicture(WriteTga(dir + "/p" + std::to_string(i) + ".tga", portrait ? 240 : 320,
                                       portrait ? 320 : 240, 0xFF102030u + i * 0x101010u));
    }
    w.settings.Set(SettingKey::Captions, photoOptions ? 2 : 0);
    PictureLayerData(w).stream.SetDecoder(photoOptions ? DatedDecoder : nullptr);
    w.settings.Set(SettingKey::Portraits, photoOptions ? 1 : 0);
    w.settings.Set(SettingKey::PicturesPerMonitor, photoOptions ? 1 : 0);
    w.settings.Set(SettingKey::PanZoom, photoOptions ? 1 : 0);
    w.showPictures = 1;
    SetPictureDevice(w, w.device);
    LoadPictureTextures();
    // Every monitor has its two pictures and the stream has grown to its steady size (six
    // simulated seconds: the oldest particles live four).
    for (int frame = 0; frame < 6000; ++frame) {
        if (frame < 20) PictureLayerData(w).stream.WaitUntilIdle();
        RenderFrame(false);
        record.Clear();
    }
    // The quads of one frame, so the figure shows what was drawn (pictures, pairs, strips,
    // captions, logos).
    RenderFrame(false);
    size_t quads = 0;
    for (const std::string& call : record.calls) quads += call.rfind("DrawPrimitiveUP", 0) == 0;
    state.counters["quads"] = static_cast<double>(quads);
    record.Clear();
    PictureLayerData(w).stream.SetDecoder(nullptr);
    record.keepCalls = false;
    for (auto _ : state) RenderFrame(false);
    record.keepCalls = true;
    ReleaseScene();
    UseRecordingGraphics(nullptr, 0, 0);
    w.archive = &ZipReader::Instance();
}
BENCHMARK(BM_ThreeMonitorFrame)->Arg(0)->Arg(1)->ArgName("photo_options")->Unit(benchmark::kMicrosecond);

// A 24-megapixel portrait (4000 x 6000), decoded for the target as the platform's codec
// would: scaled from the whole picture.
bool BigPortraitDecoder(const std::wstring&, const PictureTarget& target, DecodedPicture& out) {
    Image raw;
    raw.width = 4000;
    raw.height = 6000;
    raw.pixels.assign(size_t(raw.width) * raw.height, 0xFF304050u);
    return FinishPicture(raw, 1, target, out);
}

void BM_PortraitPairAt4KFill(benchmark::State& state) {
    static GraphicsRecord record;
    Window& w = GetWindow();
    UseRecordingGraphics(&record, 3840, 2160);
    static int window = 0;
    if (!w.Create(&window)) {
        state.SkipWithError("the recorded device could not be made");
        return;
    }
    w.settings.ClearPictures();
    w.settings.AddPicture(L"p.jpg");
    w.settings.AddPicture(L"q.jpg");
    w.settings.Set(SettingKey::PictureFit, 2);
    w.settings.Set(SettingKey::Portraits, 1);
    w.showPictures = 1;
    PictureLayerData(w).stream.SetDecoder(BigPortraitDecoder);
    SetPictureDevice(w, w.device);
    double bytes = 0.0;
    for (auto _ : state) {
        record.Clear();
        LoadPictureTextures();
        PictureLayerData(w).stream.WaitUntilIdle();
        AdvancePictureFade(w);
        // The textures of the pair as uploaded: "CreateTextureFromImage(image:WxH:...".
        bytes = 0.0;
        for (const std::string& call : record.calls) {
            unsigned tw = 0, th = 0;
            if (std::sscanf(call.c_str(), "CreateTextureFromImage(image:%ux%u:", &tw, &th) == 2) bytes += 4.0 * tw * th;
        }
    }
    state.counters["pair_MB"] = bytes / 1e6;
    StopPictures(w);
    PictureLayerData(w).stream.SetDecoder(nullptr);
    w.settings = Settings();
    w.Release();
    UseRecordingGraphics(nullptr, 0, 0);
}
BENCHMARK(BM_PortraitPairAt4KFill)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
