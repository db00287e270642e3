// The captions' place lookup: the nearest of the built gazetteer's places to a photo's
// position, on the pictures' worker, must stay well under a millisecond. Positions are
// spread over the land and the sea alike, the nearest place near or beyond 50 km.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "captions/caption.h"
#include "captions/gazetteer.h"
#include "platform/platform.h"

using namespace WorkSpace;

namespace {
// The table the build made.
const std::string& TableBytes() {
    static const std::string bytes = [] {
        std::string b;
#ifdef LUMORA_PLACES_FILE
        Platform::ReadWholeFile(Platform::Utf8ToWide(LUMORA_PLACES_FILE, sizeof(LUMORA_PLACES_FILE) - 1), b);
#endif
        return b;
    }();
    return bytes;
}

const Gazetteer* Built(benchmark::State& state) {
    static Gazetteer g;
    static const bool loaded = g.Load(TableBytes());
    if (!loaded) state.SkipWithError("no places table built");
    return loaded ? &g : nullptr;
}

void BM_PlaceLookup(benchmark::State& state) {
    const Gazetteer* g = Built(state);
    if (!g) return;
    // A fixed walk over the globe: every 7th degree of latitude and 13th of longitude.
    std::vector<std::pair<double, double>> positions;
    for (double lat = -85.0; lat <= 85.0; lat += 7.3)
        for (double lon = -180.0; lon < 180.0; lon += 13.1) positions.push_back({lat, lon});
    size_t i = 0, found = 0;
    PlaceName out;
    for (auto _ : state) {
        const auto& p = positions[i++ % positions.size()];
        found += g->Nearest(p.first, p.second, 2, out);
    }
    state.counters["found"] = double(found) / double(state.iterations());
}
BENCHMARK(BM_PlaceLookup);

// A position in a city's middle, where the most places lie near.
void BM_PlaceLookupInACity(benchmark::State& state) {
    const Gazetteer* g = Built(state);
    PlaceName out;
    if (g)
        for (auto _ : state) benchmark::DoNotOptimize(g->Nearest(51.5, -0.12, 0, out));
}
BENCHMARK(BM_PlaceLookupInACity);

// Reading the table into the grid: once per run, on the worker, at the first GPS photo.
void BM_GazetteerLoad(benchmark::State& state) {
    if (!Built(state)) return;
    for (auto _ : state) {
        Gazetteer g;
        benchmark::DoNotOptimize(g.Load(TableBytes()));
    }
}
BENCHMARK(BM_GazetteerLoad)->Unit(benchmark::kMillisecond);

// A caption rendered into pixels (the block renderer on Linux; GDI on Windows), for 1080 lines.
void BM_CaptionRender(benchmark::State& state) {
    CaptionText text;
    text.date = L"14. Juli 2023";
    text.place = L"München, Deutschland";
    Image out;
    for (auto _ : state) benchmark::DoNotOptimize(RenderCaption(text, 1080, out));
}
BENCHMARK(BM_CaptionRender)->Unit(benchmark::kMicrosecond);
}  // namespace
