// The particle renderer: applies the preset, owns the effect, the particle texture and the
// vertex declaration, and each frame advances the simulation, moves the emitter along its
// path and draws every particle with additive blending.
#pragma once
#include "particles/particle_system.h"
#include "gfx/graphics_ops.h"
#include "gfx/view.h"

namespace WorkSpace {

class ZipReader;

class LumoraEffect {
public:
    LumoraEffect() = default;

    // The effect file and the particle texture come from `archive`.
    bool InitEffect(CameraBlock* camera, GraphicsDevice* device, ZipReader& archive);
    // The simulation step of `step` simulated seconds on `clock` and the vertex and index
    // build, with every particle `sizeScale` times its own size; once per frame.
    void Advance(float& clock, float step, float sizeScale);
    // Draws the arrays of the last Advance through the view's camera, every state it relies
    // on set first; nothing else changes, so every view sees the same stream.
    void Render(const View& view);
    void Release();
    bool IsInitialised() const { return camera_ != nullptr; }

    // One indexed draw addresses at most this many particles with 16-bit indices.
    static constexpr uint32_t kBatchParticles = 16384;

private:
    GraphicsDevice* device_ = nullptr;
    CameraBlock* camera_ = nullptr;
    Texture* texture_ = nullptr;
    Effect* effect_ = nullptr;
    VertexDeclaration* declaration_ = nullptr;
    const ParticleVertex* vertices_ = nullptr;
    const uint16_t* indices_ = nullptr;
    uint32_t count_ = 0;
};

// The emitter's Lissajous-like path at simulation time t.
Vec3 EmitterPath(float t);
// The frames a second of a display refreshed `refreshRate` times a second; 0 and 1 (the
// adapter's "default rate") count as 60.
double DisplayFrameRate(uint32_t refreshRate);
// The simulated time of one frame for a "BlobsSpeed" value (brought into 1..100 first) at
// `framesPerSecond`: 0.001 x speed / 40 x 60 / framesPerSecond. The default 40 at 60 frames
// a second gives exactly 0.001, and every display shows the stream at the same speed.
float SimulationStep(int32_t speed, double framesPerSecond = 60.0);
// The factor on every particle's size for a "BlobsSize" value (brought into 1..100 first):
// size / 80, so the default 80 gives exactly 1.
float ParticleSizeScale(int32_t size);
// The renderer's per-frame simulation step: wrap the clock above 10 (resetting the
// system's clock), add `step`, Update, move the emitter. Returns the new clock.
float StepSimulation(ParticleSystem& system, float& clock, float step = 0.001f);
// The camera-facing squares of every particle, each `sizeScale` times its own size.
const ParticleVertex* BuildParticleVertices(ParticleSystem& system, float sizeScale);

}  // namespace WorkSpace
