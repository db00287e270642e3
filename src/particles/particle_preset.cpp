// The four colour schemes and the fixed preset that configure the particle system.
#include "particles/particle_system.h"
#include "resources/logger.h"

namespace WorkSpace {

namespace {
// "Cheerful": born red, then yellow, green, cyan and blue to black. Alpha is 0 throughout;
// additive blending with factors one/one never reads it.
const Color4 kCheerful[ParticleSystem::kColorEntries] = {
    {0.0f, 0.0f, 0.0f, 0.0f},  {0.0f, 0.0f, 0.25f, 0.0f}, {0.0f, 0.0f, 0.5f, 0.0f},
    {0.0f, 0.0f, 1.0f, 0.0f},  {0.0f, 0.5f, 1.0f, 0.0f},  {0.0f, 1.0f, 1.0f, 0.0f},
    {0.0f, 1.0f, 0.5f, 0.0f},  {0.0f, 1.0f, 0.0f, 0.0f},  {0.5f, 1.0f, 0.0f, 0.0f},
    {1.0f, 1.0f, 0.0f, 0.0f},  {1.0f, 0.5f, 0.0f, 0.0f},  {1.0f, 0.0f, 0.0f, 0.0f},
};
}  // namespace

bool FillColorScheme(unsigned index, Color4* table) {
    switch (index) {
    case 0:  // Flame: black through dark red to orange
        for (int i = 0; i < ParticleSystem::kColorEntries; ++i) {
            float r = static_cast<float>(static_cast<double>(static_cast<float>(i)) / 22.0);
            table[i] = Color4{r, r * 0.5f, static_cast<float>(static_cast<double>(r) / 10.0), 1.0f};
        }
        return true;
    case 1:  // Ice: blue, unclamped above 1 from entry 3 on
        for (int i = 0; i < ParticleSystem::kColorEntries; ++i) {
            float h = static_cast<float>(i) * 0.5f;
            float rg = static_cast<float>(static_cast<double>(h) / 10.0);
            table[i] = Color4{rg, rg, h, 1.0f};
        }
        return true;
    case 2:  // Smoke: faint grey
        for (int i = 0; i < ParticleSystem::kColorEntries; ++i) {
            float v = static_cast<float>(static_cast<double>(static_cast<float>(i)) / 222.0);
            table[i] = Color4{v, v, v, v};
        }
        return true;
    case 3:
        for (int i = 0; i < ParticleSystem::kColorEntries; ++i) table[i] = kCheerful[i];
        return true;
    default:
        return false;
    }
}

void ApplyParticlePreset(ParticleSystem& system) {
    Logger& log = GetLogger();
    system.SetSize(5.0f, 2.0f);
    log.Write(L"WorkSpace::GetParticleSystem () - SetSize OK ");
    system.SetLife(1.0f, 3.0f);
    log.Write(L"WorkSpace::GetParticleSystem () - SetLife OK ");
    system.SetSpeed(200.0f, 50.0f);
    log.Write(L"WorkSpace::GetParticleSystem () - SetSpeed OK ");
    system.SetSpawnRate(6000.0f);
    log.Write(L"WorkSpace::GetParticleSystem () - SetSpawnRate OK ");
    system.SetFrictionFactor(1.0f);
    log.Write(L"WorkSpace::GetParticleSystem () - SetFrictionFactor OK ");
    system.SetColorScheme(0);
    log.Write(L"WorkSpace::GetParticleSystem () - SetColorScheme OK ");
    log.Write(L"WorkSpace::GetParticleSystem () - OK ");
}

}  // namespace WorkSpace
