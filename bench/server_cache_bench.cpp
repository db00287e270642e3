// The offline cache of server photos: 500 photos of 60 to 340 KB (the sizes a re-encode for a
// screen gives) put through a 50 MB cache, each then shown once, with the bytes it keeps on
// disk after the run against its bound, and the time of one put with its index written.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "sources/server_cache.h"

namespace {
using namespace WorkSpace;

void BM_ServerCachePuts(benchmark::State& state) {
    Platform::SetDebugOutputForTesting([](const std::wstring&) {});
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "lumora_cache_bench";
    constexpr uint64_t kBound = uint64_t(50) << 20;
    uint64_t onDisk = 0, kept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(folder);
        ServerCache cache(Platform::AnsiToWide(folder.string() + "/"), kBound);
        cache.Open();
        state.ResumeTiming();
        for (int i = 0; i < 500; ++i) {
            const std::wstring path = L"https://nas/dav/photos/" + std::to_wstring(i) + L".jpg";
            PictureStamp stamp;
            stamp.tag = "\"" + std::to_string(i) + "\"";
            cache.Put(path, stamp, std::string(60000 + (i * 7919) % 280000, char(i)));
            cache.Shown(path);
        }
        state.PauseTiming();
        onDisk = 0;
        for (const auto& file : std::filesystem::directory_iterator(folder)) onDisk += file.file_size();
        kept = cache.Count();
        state.ResumeTiming();
    }
    state.counters["bound_MB"] = double(kBound) / 1048576.0;
    state.counters["on_disk_MB"] = double(onDisk) / 1048576.0;
    state.counters["photos_kept"] = double(kept);
    state.counters["s_per_put"] = benchmark::Counter(double(state.iterations()) * 500.0, benchmark::Counter::kIsRate |
                                                                                              benchmark::Counter::kInvert);
    std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_ServerCachePuts)->Unit(benchmark::kMillisecond)->Iterations(1);
