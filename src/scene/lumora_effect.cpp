// The particle renderer: the simulation's step on its clock and the emitter's path, the
// effect, particle texture and vertex declaration it makes, and the additive draw of every
// particle, in batches that 16-bit indices can address.
#include "scene/lumora_effect.h"

#include <cmath>

#include "settings/settings.h"
#include "gfx/archive_texture.h"
#include "scene/frame_layer.h"
#include "scene/scene.h"
#include "resources/archive_members.h"
#include "resources/logger.h"
#include "resources/zip_reader.h"

namespace WorkSpace {

namespace {
const VertexElement kParticleDeclaration[] = {
    {0, 0, D3D::DECLTYPE_FLOAT3, 0, D3D::DECLUSAGE_POSITION, 0},
    {0, 12, D3D::DECLTYPE_FLOAT2, 0, D3D::DECLUSAGE_TEXCOORD, 0},
    {0, 20, D3D::DECLTYPE_FLOAT4, 0, D3D::DECLUSAGE_TEXCOORD, 1},
    {0xFF, 0, D3D::DECLTYPE_UNUSED, 0, 0, 0},
};

// sin/cos of a float argument (the product t x c rounded to float first), rounded to float.
float Sin(float t, double c) { return static_cast<float>(std::sin(static_cast<double>(static_cast<float>(t * c)))); }
float Cos(float t, double c) { return static_cast<float>(std::cos(static_cast<double>(static_cast<float>(t * c)))); }

// Every state the particles' draw relies on outside the effect: additive blending, no culling
// or depth test, so the squares show from either side in any order. The effect's pass sets
// sampler 0 itself and its End puts back what it found at Begin: the shared states set that
// here, so what End leaves is the same on a device's first frame as on any later one.
void SetupParticleRenderState(GraphicsDevice* device) {
    SetupSharedRenderState(device);
    device->SetRenderState(D3D::RS_ALPHABLENDENABLE, 1);
    device->SetTextureStageState(0, D3D::TSS_ALPHAARG1, D3D::TA_TEXTURE);
    device->SetRenderState(D3D::RS_SRCBLEND, D3D::BLEND_ONE);
    device->SetRenderState(D3D::RS_DESTBLEND, D3D::BLEND_ONE);
}
}  // namespace

Vec3 EmitterPath(float t) {
    Vec3 p;
    p.x = 300.0f * Cos(t, 3.314) * Sin(t, 1.321);
    p.y = 100.0f * Sin(t, 1.31) * Cos(t, 1.714) - 100.0f;
    p.z = 300.0f * Sin(t, 2.312) * Cos(t, 2.8142) + 50.0f;
    return p;
}

double DisplayFrameRate(uint32_t refreshRate) { return refreshRate > 1 ? static_cast<double>(refreshRate) : 60.0; }

float SimulationStep(int32_t speed, double framesPerSecond) {
    // Computed in double and rounded once, so 40 at 60 frames a second lands on the very
    // float 0.001f that the clock has always advanced by.
    return static_cast<float>(0.001 * ClampSetting(SettingKey::BlobsSpeed, speed) / 40.0 * FrameRateFactor(framesPerSecond));
}

float ParticleSizeScale(int32_t size) {
    return static_cast<float>(ClampSetting(SettingKey::BlobsSize, size) / 80.0);
}

float StepSimulation(ParticleSystem& system, float& clock, float step) {
    // Particles, the emitter's path and the wrap all run on this clock, so a faster step
    // speeds everything up alike and the stream keeps its density.
    if (clock > 10.0f) {
        clock = 0.0f;
        system.ResetClock();
    }
    clock = clock + step;
    system.Update(clock);
    Vec3 e = EmitterPath(clock);
    system.SetEmitterPosition(e.x, e.y, e.z);
    return clock;
}

const ParticleVertex* BuildParticleVertices(ParticleSystem& system, float sizeScale) {
    // Scaling the square's axes scales each corner's offset (axis x size) and leaves the
    // particles' own sizes alone, so a new size shows on the whole stream at once.
    return system.BuildVertices(Vec3{sizeScale, 0.0f, 0.0f}, Vec3{0.0f, sizeScale, 0.0f});
}

bool LumoraEffect::InitEffect(CameraBlock* camera, GraphicsDevice* device, ZipReader& reader) {
    Logger& log = GetLogger();
    camera_ = camera;
    device_ = device;
    if (const HResult hr = device_ ? device_->GetDeviceCaps() : kFail; Failed(hr)) {
        log.WriteFailed(hr, L"LumoraEffect::InitEffect() - GetDeviceCaps() - FAILED");
        return false;
    }
    log.Write(L"LumoraEffect::InitEffect() - GetDeviceCaps() - OK");

    ApplyParticlePreset(GetParticleSystem());

    SafeRelease(declaration_);
    if (const HResult hr = device_->CreateVertexDeclaration(kParticleDeclaration, &declaration_); Failed(hr)) {
        log.WriteFailed(hr, L"LumoraEffect::InitEffect() - CreateVertexDeclaration () - FAILED");
        return false;
    }

    bool result = true;
    uint32_t size = 0;
    SafeRelease(effect_);
    if (uint8_t* data = reader.ReadMember(kEffectMember, size)) {
        if (size != 0) {
            if (const HResult hr = device_->CreateEffect(data, size, &effect_); Failed(hr)) {
                log.WriteFailed(hr, L"LumoraEffect::InitEffect() - D3DXCreateEffect(Resource/ParticleShader.fx) - FAILED");
                result = false;
            } else {
                log.Write(L"LumoraEffect::InitEffect() - D3DXCreateEffect(Resource/ParticleShader.fx) - OK");
            }
        }
        reader.FreeBuffer();
    }

    SafeRelease(texture_);
    TextureOptions options;
    options.mipLevels = 3;
    bool created = false;
    HResult hr = kOk;
    if (!TextureFromArchive(reader, device_, kParticleMember, options, nullptr, &texture_, created, &hr)) return false;
    if (created) {
        log.Write(L"LumoraEffect::InitEffect() - D3DXCreateTextureFromFileInMemoryEx(Resource/Particle.tga) - OK");
    } else {
        log.WriteFailed(hr, L"LumoraEffect::InitEffect() - D3DXCreateTextureFromFileInMemoryEx(Resource/Particle.tga) - FAILED");
        result = false;
    }
    return result;
}

void LumoraEffect::Advance(float& clock, float step, float sizeScale) {
    if (!camera_) return;
    ParticleSystem& system = GetParticleSystem();
    StepSimulation(system, clock, step);
    vertices_ = BuildParticleVertices(system, sizeScale);
    indices_ = system.BuildIndices();
    count_ = system.Count();
}

void LumoraEffect::Render(const View& view) {
    if (!camera_) return;
    const Matrix m = MatrixTranspose(view.camera.worldViewProjection);
    const ParticleVertex* vertices = vertices_;
    const uint16_t* indices = indices_;
    const uint32_t n = count_;
    if (!vertices || !indices || !effect_) return;

    SetupParticleRenderState(device_);

    effect_->SetTechnique("TechniqueNoInst");
    effect_->SetMatrix("matWorldViewProjection", m);
    effect_->SetTexture("texParticle", texture_);
    effect_->Begin(nullptr, 0);
    effect_->BeginPass(0);
    effect_->CommitChanges();

    device_->SetVertexDeclaration(declaration_);
    // 16-bit indices reach 16384 particles; a larger population is drawn in batches that
    // reuse the same index pattern over the next slice of vertices. One batch (the usual
    // case, about 7,000 particles) is exactly the single draw of the classic renderer.
    uint32_t first = 0;
    do {
        const uint32_t count = n - first < kBatchParticles ? n - first : kBatchParticles;
        device_->DrawIndexedPrimitiveUP(D3D::PT_TRIANGLELIST, 0, 4 * count, 2 * count, indices,
                                        D3D::FMT_INDEX16, vertices + 4 * static_cast<size_t>(first),
                                        sizeof(ParticleVertex));
        first += count;
    } while (first < n);

    effect_->EndPass();
    effect_->End();
    device_->SetRenderState(D3D::RS_ALPHABLENDENABLE, 0);
}

void LumoraEffect::Release() {
    camera_ = nullptr;
    vertices_ = nullptr;
    indices_ = nullptr;
    count_ = 0;
    SafeRelease(declaration_);
    SafeRelease(texture_);
    SafeRelease(effect_);
}

}  // namespace WorkSpace
