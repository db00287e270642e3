// The simulation behind the effect: one moving emitter, a stream of particles with a
// random direction, speed, size and life, coloured from a 12-entry table by the share of
// life left, and the vertex and index arrays the renderer hands to the device unchanged.
#pragma once
#include <cstdint>
#include <memory>

#include "base/grow_array.h"
#include "base/d3dx_math.h"

namespace WorkSpace {

struct Particle {
    float x, y, z;
    float size;
    float vx, vy, vz;
    float life;
    float invLife;  // 1 / life at birth
};

// The vertex layout of the particle declaration: position, uv, colour (36 bytes).
struct ParticleVertex {
    float x, y, z;
    float u, v;
    float r, g, b, a;
};
static_assert(sizeof(ParticleVertex) == 36, "vertex declaration expects 36 bytes");

struct Color4 {
    float r, g, b, a;
};

class ParticleSystem {
public:
    static constexpr int kColorEntries = 12;

    ParticleSystem();
    ~ParticleSystem();
    ParticleSystem(const ParticleSystem&) = delete;
    ParticleSystem& operator=(const ParticleSystem&) = delete;

    void SetSize(float base, float spread) { sizeBase_ = base; sizeSpread_ = spread; }
    void SetLife(float base, float spread) { lifeBase_ = base; lifeSpread_ = spread; }
    void SetSpeed(float base, float spread) { speedBase_ = base; speedSpread_ = spread; }
    void SetSpawnRate(float rate) { spawnRate_ = rate; }
    void SetFrictionFactor(float factor) { friction_ = factor; }
    // 0..3 fill the colour table from that scheme; any other index changes nothing.
    void SetColorScheme(unsigned index);
    void SetEmitterPosition(float x, float y, float z) { emitter_ = Vec3{x, y, z}; }
    void ResetClock() { lastTime_ = 0.0f; }

    // Advances to `time`: spawns, ages, moves and removes particles.
    void Update(float time);
    uint32_t Count() const { return particles_.Count(); }

    // 4 vertices per particle, oldest first; nullptr before any array was ever needed.
    const ParticleVertex* BuildVertices(const Vec3& right, const Vec3& up);
    // 6 indices per particle; nullptr before any array was ever needed.
    const uint16_t* BuildIndices();

    const Particle* Particles() const { return particles_.Data(); }
    const Color4* ColorTable() const { return colors_; }
    Color4 ColorOf(const Particle& p) const;
    const Vec3& EmitterPosition() const { return emitter_; }
    float LastTime() const { return lastTime_; }
    uint32_t VertexCapacityBytes() const { return vertexCapacity_; }
    uint32_t IndexCapacity() const { return indexCapacity_; }

private:
    Particle Spawn();

    GrowArray<Particle> particles_;
    float lastTime_ = 0.0f;
    float spawnRemainder_ = 0.0f;
    Color4 colors_[kColorEntries];
    Vec3 emitter_ = {0.0f, 0.0f, 0.0f};
    float spawnRate_ = 10.0f;
    float speedBase_ = 100.0f, speedSpread_ = 25.0f;
    float sizeBase_ = 100.0f, sizeSpread_ = 10.0f;
    float lifeBase_ = 2.5f, lifeSpread_ = 0.5f;
    float friction_ = 0.7f;
    std::unique_ptr<ParticleVertex[]> vertices_;
    uint32_t vertexCapacity_ = 0;  // bytes
    std::unique_ptr<uint16_t[]> indices_;
    uint32_t indexCapacity_ = 0;  // indices
};

// The process-wide particle system, built on first use.
ParticleSystem& GetParticleSystem();

// Fills a 12-entry table with colour scheme `index` (0 Flame, 1 Ice, 2 Smoke,
// 3 Cheerful); returns false, table untouched, for any other index.
bool FillColorScheme(unsigned index, Color4* table);

// The fixed preset the renderer applies at every initialisation, with its log lines.
void ApplyParticlePreset(ParticleSystem& system);

}  // namespace WorkSpace
