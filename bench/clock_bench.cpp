// One 1920x1080 frame on the recording backend with the clock off and with the time and the
// date: the particles, the logo and no photos, so the difference is the clock's own share of
// the render thread (its text is painted on its worker, once a minute, not here).
#include <benchmark/benchmark.h>

#include "app/workspace.h"
#include "gfx/recording_graphics.h"
#include "platform/platform.h"
#include "resources/zip_reader.h"
#include "scene/clock_layer.h"
#include "scene/scene.h"
#include "scene/window.h"

namespace {
using namespace WorkSpace;

void BM_ClockFrame(benchmark::State& state) {
    static ZipReader archive;
    static const bool opened = archive.Open(L"dist/LMRResource.dat", kArchivePassword);
    if (!opened) {
        state.SkipWithError("dist/LMRResource.dat is missing (./lumora build makes it)");
        return;
    }
    Platform::SetDebugOutputForTesting([](const std::wstring&) {});
    static GraphicsRecord record;
    Window& w = GetWindow();
    w.archive = &archive;
    UseRecordingGraphics(&record, 1920, 1080);
    static int window = 0;
    if (!w.Create(&window) || !InitScene()) {
        state.SkipWithError("the recorded scene could not be set up");
        return;
    }
    w.showPictures = 0;
    w.settings.Set(SettingKey::Clock, static_cast<int32_t>(state.range(0)));
    // The particle stream at its steady size (six simulated seconds), the clock's first
    // picture uploaded.
    for (int frame = 0; frame < 6000; ++frame) {
        if (frame == 1 && ClockLayerData(w).maker.Running()) ClockLayerData(w).maker.WaitForPictures(1);
        RenderFrame(false);
        record.Clear();
    }
    RenderFrame(false);
    size_t quads = 0;
    for (const std::string& call : record.calls) quads += call.rfind("DrawPrimitiveUP", 0) == 0;
    state.counters["quads"] = static_cast<double>(quads);
    record.Clear();
    record.keepCalls = false;
    for (auto _ : state) RenderFrame(false);
    record.keepCalls = true;
    w.settings.Set(SettingKey::Clock, 0);
    ReleaseScene();
    UseRecordingGraphics(nullptr, 0, 0);
    w.archive = &ZipReader::Instance();
}
BENCHMARK(BM_ClockFrame)->Arg(0)->Arg(2)->ArgName("clock")->Unit(benchmark::kMicrosecond);

}  // namespace
