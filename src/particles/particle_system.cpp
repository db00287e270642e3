// Float arithmetic follows the documented order step by step (no reassociation), so a
// run reproduces the same particles on every build and can be checked independently.
#include "particles/particle_system.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "particles/crt_rand.h"
#include "resources/logger.h"

namespace WorkSpace {

namespace {
// A draw in [-1, 1]: computed in double, rounded to float.
float SignedDraw() {
    int r = CrtRand();
    return static_cast<float>(static_cast<double>(r) / 32767.0 * 2.0 - 1.0);
}

// s * |s|: concentrates values near the base while keeping the sign.
float Shaped(float s) { return s * std::fabs(s); }
}  // namespace

ParticleSystem::ParticleSystem() {
    FillColorScheme(0, colors_);
    GetLogger().Write(L"ParticleSystem::ParticleSystem () - OK ");
}

ParticleSystem::~ParticleSystem() = default;

void ParticleSystem::SetColorScheme(unsigned index) { FillColorScheme(index, colors_); }

Particle ParticleSystem::Spawn() {
    Particle p;
    p.x = emitter_.x;
    p.y = emitter_.y;
    p.z = emitter_.z;
    const float spread = 0.3f;
    float a = SignedDraw();
    float b = SignedDraw();
    Vec3 dir = Vec3Normalize(Vec3{spread * Shaped(b), 1.0f, spread * Shaped(a)});
    float c = SignedDraw();
    float speed = speedBase_ + speedSpread_ * Shaped(c);
    p.vx = dir.x * speed;
    p.vy = dir.y * speed;
    p.vz = dir.z * speed;
    float d = SignedDraw();
    p.size = sizeBase_ + sizeSpread_ * Shaped(d);
    float e = SignedDraw();
    p.life = lifeBase_ + lifeSpread_ * Shaped(e);
    p.invLife = 1.0f / p.life;
    return p;
}

void ParticleSystem::Update(float time) {
    float dt = time - lastTime_;
    lastTime_ = time;

    float x = spawnRate_ * dt + spawnRemainder_;
    // A clock that ran backwards would make x negative; converting that to an unsigned
    // count would ask for billions of particles. Spawn none and carry x as it is.
    uint32_t n = 0;
    if (x >= 1.0f) n = x >= 4294967295.0f ? 0xFFFFFFFFu : static_cast<uint32_t>(x);
    spawnRemainder_ = x - static_cast<float>(n);

    particles_.Reserve(static_cast<uint64_t>(particles_.Count()) + n);
    for (uint32_t i = 0; i < n; ++i) particles_.PushBack(Spawn());

    float k = static_cast<float>(std::pow(static_cast<double>(friction_), static_cast<double>(dt)));

    // One stable pass: survivors slide down over the dead, birth order kept.
    Particle* data = particles_.Data();
    uint32_t count = particles_.Count();
    uint32_t kept = 0;
    for (uint32_t i = 0; i < count; ++i) {
        Particle p = data[i];
        p.life = p.life - dt;
        if (p.life < 0.0f) continue;
        p.vx = p.vx * k;
        p.vy = p.vy * k;
        p.vz = p.vz * k;
        p.x = p.x + p.vx * dt;
        p.y = p.y + p.vy * dt;
        p.z = p.z + p.vz * dt;
        data[kept++] = p;
    }
    particles_.Truncate(kept);
}

namespace {
// The colour of a particle from the share of its life left: f = life / initial life x 11
// picks two neighbouring table entries and blends them linearly.
inline Color4 Interpolate(const Color4* table, float life, float invLife) {
    float f = life * invLife * 11.0f;
    // f lies in [0, 11]; rounding can put it a hair above 11, and entry 12 does not exist.
    if (!(f < 11.0f)) return table[11];
    int i = f > 0.0f ? static_cast<int>(f) : 0;
    float t = f - static_cast<float>(i);
    const Color4& lo = table[i];
    const Color4& hi = table[i + 1];
    return Color4{lo.r + t * (hi.r - lo.r), lo.g + t * (hi.g - lo.g), lo.b + t * (hi.b - lo.b),
                  lo.a + t * (hi.a - lo.a)};
}
}  // namespace

Color4 ParticleSystem::ColorOf(const Particle& p) const { return Interpolate(colors_, p.life, p.invLife); }

const ParticleVertex* ParticleSystem::BuildVertices(const Vec3& right, const Vec3& up) {
    const uint32_t count = particles_.Count();
    const uint64_t bytes = static_cast<uint64_t>(count) * 4 * sizeof(ParticleVertex);
    if (vertexCapacity_ < bytes) {
        if (bytes > 0xFFFFFFFFull) throw std::bad_alloc();
        vertices_.reset();
        vertices_.reset(new ParticleVertex[static_cast<size_t>(count) * 4]);
        vertexCapacity_ = static_cast<uint32_t>(bytes);
    }
    if (!vertices_) return nullptr;

    // Locals and restrict pointers: the vertex stores are floats and would otherwise force
    // the compiler to reload the colour table and the particle after every store.
    Color4 table[kColorEntries];
    for (int i = 0; i < kColorEntries; ++i) table[i] = colors_[i];
    const float o0x = -right.x + up.x, o0y = -right.y + up.y, o0z = -right.z + up.z;
    const float o1x = right.x + up.x, o1y = right.y + up.y, o1z = right.z + up.z;
    const float o2x = right.x - up.x, o2y = right.y - up.y, o2z = right.z - up.z;
    const float o3x = -right.x - up.x, o3y = -right.y - up.y, o3z = -right.z - up.z;

    ParticleVertex* __restrict out = vertices_.get();
    const Particle* __restrict data = particles_.Data();
#if defined(__SSE2__)
    // The same additions and multiplications as the scalar loop below, four lanes at a
    // time, and the 36 floats of a particle's four vertices written as nine 16-byte
    // stores: this loop is most of a frame's simulation cost.
    const __m128 o0 = _mm_setr_ps(o0x, o0y, o0z, 0.0f), o1 = _mm_setr_ps(o1x, o1y, o1z, 0.0f);
    const __m128 o2 = _mm_setr_ps(o2x, o2y, o2z, 0.0f), o3 = _mm_setr_ps(o3x, o3y, o3z, 0.0f);
    const __m128 xyzMask = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0));
    const __m128 ones = _mm_set1_ps(1.0f);
    const __m128 uv1 = _mm_setr_ps(1.0f, 0.0f, 0.0f, 0.0f);  // u, v of the top-right corner
    const __m128 uv3 = _mm_setr_ps(0.0f, 1.0f, 0.0f, 0.0f);  // u, v of the bottom-left corner
    float* __restrict f = &out->x;
    for (uint32_t i = 0; i < count; ++i, f += 36) {
        const Particle& p = data[i];
        const Color4 c = Interpolate(table, p.life, p.invLife);
        const __m128 C = _mm_loadu_ps(&c.r);
        const __m128 P = _mm_loadu_ps(&p.x);  // x, y, z, size
        const __m128 S = _mm_set1_ps(p.size);
        const __m128 P0 = _mm_add_ps(P, _mm_mul_ps(o0, S));
        const __m128 P1 = _mm_add_ps(P, _mm_mul_ps(o1, S));
        const __m128 P2 = _mm_add_ps(P, _mm_mul_ps(o2, S));
        const __m128 P3 = _mm_add_ps(P, _mm_mul_ps(o3, S));
        const __m128 A = _mm_shuffle_ps(C, C, _MM_SHUFFLE(3, 3, 3, 3));
        _mm_storeu_ps(f + 0, _mm_and_ps(P0, xyzMask));                                        // x0 y0 z0 u0
        _mm_storeu_ps(f + 4, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(C), 4)));      // v0 r g b
        _mm_storeu_ps(f + 8, _mm_move_ss(_mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(P1), 4)), A));  // a x1 y1 z1
        _mm_storeu_ps(f + 12, _mm_movelh_ps(uv1, C));                                        // u1 v1 r g
        _mm_storeu_ps(f + 16, _mm_shuffle_ps(C, P2, _MM_SHUFFLE(1, 0, 3, 2)));               // b a x2 y2
        _mm_storeu_ps(f + 20, _mm_shuffle_ps(_mm_unpackhi_ps(P2, ones), _mm_unpacklo_ps(ones, C),
                                             _MM_SHUFFLE(1, 0, 1, 0)));                      // z2 u2 v2 r
        _mm_storeu_ps(f + 24, _mm_shuffle_ps(C, _mm_unpacklo_ps(A, P3), _MM_SHUFFLE(1, 0, 2, 1)));  // g b a x3
        _mm_storeu_ps(f + 28, _mm_shuffle_ps(P3, uv3, _MM_SHUFFLE(1, 0, 2, 1)));             // y3 z3 u3 v3
        _mm_storeu_ps(f + 32, C);                                                            // r g b a
    }
#else
    for (uint32_t i = 0; i < count; ++i) {
        const Particle p = data[i];
        const Color4 c = Interpolate(table, p.life, p.invLife);
        const float s = p.size;
        out[0] = ParticleVertex{p.x + o0x * s, p.y + o0y * s, p.z + o0z * s, 0.0f, 0.0f, c.r, c.g, c.b, c.a};
        out[1] = ParticleVertex{p.x + o1x * s, p.y + o1y * s, p.z + o1z * s, 1.0f, 0.0f, c.r, c.g, c.b, c.a};
        out[2] = ParticleVertex{p.x + o2x * s, p.y + o2y * s, p.z + o2z * s, 1.0f, 1.0f, c.r, c.g, c.b, c.a};
        out[3] = ParticleVertex{p.x + o3x * s, p.y + o3y * s, p.z + o3z * s, 0.0f, 1.0f, c.r, c.g, c.b, c.a};
        out += 4;
    }
#endif
    return vertices_.get();
}

const uint16_t* ParticleSystem::BuildIndices() {
    const uint64_t wanted = static_cast<uint64_t>(particles_.Count()) * 6;
    if (indexCapacity_ < wanted) {
        if (wanted > 0xFFFFFFFFull) throw std::bad_alloc();
        indices_.reset();
        indices_.reset(new uint16_t[static_cast<size_t>(wanted)]);
        indexCapacity_ = static_cast<uint32_t>(wanted);
        uint16_t* out = indices_.get();
        const uint32_t quads = indexCapacity_ / 6;
        for (uint32_t i = 0; i < quads; ++i) {
            // 16-bit: the pattern repeats every 16384 particles, which lets the renderer
            // draw a larger population in batches with the same indices.
            uint16_t a = static_cast<uint16_t>(4 * i);
            out[0] = a;
            out[1] = static_cast<uint16_t>(a + 1);
            out[2] = static_cast<uint16_t>(a + 3);
            out[3] = static_cast<uint16_t>(a + 3);
            out[4] = static_cast<uint16_t>(a + 1);
            out[5] = static_cast<uint16_t>(a + 2);
            out += 6;
        }
    }
    return indices_.get();
}

ParticleSystem& GetParticleSystem() {
    static ParticleSystem* system = new ParticleSystem();  // lives until the process ends
    return *system;
}

}  // namespace WorkSpace
