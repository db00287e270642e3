// One steady-state frame of the particle heart (Update + BuildVertices + BuildIndices),
// reported per live particle, beside two yardsticks measured in the same run:
//   - a memory-bandwidth bound: memcpy of the same number of vertex bytes;
//   - the straightforward reference that removes each dead particle with its own shift.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "particles/crt_rand.h"
#include "platform/platform.h"
#include "particles/particle_system.h"
#include "scene/lumora_effect.h"

namespace {
using namespace WorkSpace;

// The particle system logs its creation; those lines belong in log_output.txt, not
// between the rows of the benchmark's table.
[[maybe_unused]] const bool g_quietLog = (Platform::SetDebugOutputForTesting([](const std::wstring&) {}), true);

// Brings a fresh system to a steady population of about `target` particles: the preset's
// own stream (rate 6000, lives up to 4) settles near 7,000; a higher rate gives more.
void WarmUp(ParticleSystem& system, float& clock, uint32_t target) {
    system.SetSize(5.0f, 2.0f);
    system.SetLife(1.0f, 3.0f);
    system.SetSpeed(200.0f, 50.0f);
    system.SetSpawnRate(6000.0f * static_cast<float>(target) / 7000.0f);
    system.SetFrictionFactor(1.0f);
    system.SetColorScheme(0);
    for (int i = 0; i < 5000; ++i) StepSimulation(system, clock);
}

void BM_Frame(benchmark::State& state) {
    CrtSeed(1);
    ParticleSystem system;
    float clock = 0.0f;
    WarmUp(system, clock, static_cast<uint32_t>(state.range(0)));
    uint64_t particles = 0;
    for (auto _ : state) {
        StepSimulation(system, clock);
        const ParticleVertex* v = system.BuildVertices(Vec3{1, 0, 0}, Vec3{0, 1, 0});
        const uint16_t* i = system.BuildIndices();
        benchmark::DoNotOptimize(v);
        benchmark::DoNotOptimize(i);
        particles += system.Count();
    }
    state.counters["live"] = static_cast<double>(system.Count());
    // Seconds per live particle (shown with an SI prefix, e.g. "2.1n" = 2.1 ns).
    state.counters["per_particle"] =
        benchmark::Counter(static_cast<double>(particles), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Frame)->Arg(7000)->Arg(16000)->Unit(benchmark::kMicrosecond);

void BM_MemcpyBound(benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(state.range(0)) * 4 * sizeof(ParticleVertex);
    std::vector<char> src(bytes, 1), dst(bytes);
    uint64_t particles = 0;
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), bytes);
        benchmark::ClobberMemory();
        particles += static_cast<uint64_t>(state.range(0));
    }
    // Seconds per live particle (shown with an SI prefix, e.g. "2.1n" = 2.1 ns).
    state.counters["per_particle"] =
        benchmark::Counter(static_cast<double>(particles), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_MemcpyBound)->Arg(7000)->Arg(16000)->Unit(benchmark::kMicrosecond);

// Ages a copy of the steady population by a large step, so that a realistic share dies per
// pass (about 1 in 166 per frame at 0.001 s; 0.02 s keeps the removal cost visible at the
// same population), with the removal strategy `Age` under test.
template <typename Age>
void AgeSteadyPopulation(benchmark::State& state, Age age) {
    CrtSeed(1);
    ParticleSystem system;
    float clock = 0.0f;
    WarmUp(system, clock, static_cast<uint32_t>(state.range(0)));
    const std::vector<Particle> steady(system.Particles(), system.Particles() + system.Count());
    std::vector<Particle> work;
    uint64_t particles = 0;
    for (auto _ : state) {
        state.PauseTiming();
        work = steady;
        state.ResumeTiming();
        age(work, 0.02f);
        benchmark::DoNotOptimize(work.data());
        particles += steady.size();
    }
    // Seconds per live particle (shown with an SI prefix, e.g. "2.1n" = 2.1 ns).
    state.counters["per_particle"] =
        benchmark::Counter(static_cast<double>(particles), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The straightforward reference: one array shift per dead particle.
void BM_ShiftPerDeadReference(benchmark::State& state) {
    AgeSteadyPopulation(state, [](std::vector<Particle>& work, float dt) {
        size_t i = 0;
        while (i < work.size()) {
            Particle& p = work[i];
            p.life -= dt;
            if (p.life < 0.0f) {
                work.erase(work.begin() + static_cast<long>(i));
                continue;
            }
            p.x += p.vx * dt;
            p.y += p.vy * dt;
            p.z += p.vz * dt;
            ++i;
        }
    });
}
BENCHMARK(BM_ShiftPerDeadReference)->Arg(7000)->Arg(16000)->Unit(benchmark::kMicrosecond);

// The same ageing with the one stable compaction the particle system uses.
void BM_StablePassReference(benchmark::State& state) {
    AgeSteadyPopulation(state, [](std::vector<Particle>& work, float dt) {
        size_t kept = 0;
        for (size_t i = 0; i < work.size(); ++i) {
            Particle p = work[i];
            p.life -= dt;
            if (p.life < 0.0f) continue;
            p.x += p.vx * dt;
            p.y += p.vy * dt;
            p.z += p.vz * dt;
            work[kept++] = p;
        }
        work.resize(kept);
    });
}
BENCHMARK(BM_StablePassReference)->Arg(7000)->Arg(16000)->Unit(benchmark::kMicrosecond);

}  // namespace
