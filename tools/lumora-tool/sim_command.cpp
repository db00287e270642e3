// lumora-tool sim: drives the particle system exactly as the renderer does each frame,
// without a device, and prints the state after the last frame.
#include <cstdint>
#include <cstdio>

#include "particles/particle_system.h"
#include "scene/lumora_effect.h"
#include "tool.h"

namespace LumoraTool {
namespace {

int Sim(const Args& args) {
    using namespace WorkSpace;
    std::string text;
    long long frames = 0, scheme = 0, speed = 40, size = 80, refresh = 60;
    if (!Option(args, "--frames", text) || !ParseInt(text, frames) || frames < 0) {
        fprintf(stderr, "sim: --frames N (N >= 0) is required\n");
        return 2;
    }
    if (Option(args, "--scheme", text) && !ParseInt(text, scheme)) {
        fprintf(stderr, "sim: --scheme takes a number\n");
        return 2;
    }
    // As the settings file holds them: out-of-range numbers are clamped where they are used.
    if (Option(args, "--speed", text) && (!ParseInt(text, speed) || speed < INT32_MIN || speed > INT32_MAX)) {
        fprintf(stderr, "sim: --speed takes a number\n");
        return 2;
    }
    if (Option(args, "--size", text) && (!ParseInt(text, size) || size < INT32_MIN || size > INT32_MAX)) {
        fprintf(stderr, "sim: --size takes a number\n");
        return 2;
    }
    // The display's refresh rate: the step per frame follows it, so the stream keeps its speed.
    if (Option(args, "--refresh", text) && (!ParseInt(text, refresh) || refresh < 0 || refresh > UINT32_MAX)) {
        fprintf(stderr, "sim: --refresh takes a rate in Hz (0 or 1: 60)\n");
        return 2;
    }
    const bool withVertices = Flag(args, "--vertices");
    const float step =
        SimulationStep(static_cast<int32_t>(speed), DisplayFrameRate(static_cast<uint32_t>(refresh)));
    const float sizeScale = ParticleSizeScale(static_cast<int32_t>(size));

    ParticleSystem& system = GetParticleSystem();
    ApplyParticlePreset(system);
    system.SetColorScheme(static_cast<unsigned>(scheme));
    float clock = 0.0f;  // a new run's clock, as the saver's starts
    for (long long i = 0; i < frames; ++i) StepSimulation(system, clock, step);

    const Vec3& e = system.EmitterPosition();
    const uint32_t count = system.Count();
    printf("frames %lld clock %.9g emitter %.9g %.9g %.9g count %u\n", frames, clock, e.x, e.y, e.z, count);
    const Particle* p = system.Particles();
    for (uint32_t i = 0; i < count; ++i)
        printf("p %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g\n", p[i].x, p[i].y, p[i].z, p[i].size, p[i].vx,
               p[i].vy, p[i].vz, p[i].life, p[i].invLife);
    if (withVertices) {
        const ParticleVertex* v = BuildParticleVertices(system, sizeScale);
        for (uint32_t i = 0; v && i < 4 * count; ++i)
            printf("v %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g\n", v[i].x, v[i].y, v[i].z, v[i].u, v[i].v,
                   v[i].r, v[i].g, v[i].b, v[i].a);
    }
    return 0;
}

const Registrar registrar({"sim", "sim --frames N [--scheme K] [--speed N] [--size N] [--refresh HZ] [--vertices]",
                           Sim, "--frames= --scheme= --speed= --size= --refresh= --vertices"});

}  // namespace
}  // namespace LumoraTool
