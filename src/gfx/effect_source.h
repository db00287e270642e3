// Reads the subset of the standard effect-file syntax that our particle effect uses:
// matrix and texture parameters, sampler_state blocks bound to a texture parameter, one
// technique with one pass whose shaders are asm blocks, shader constants bound to
// parameters and samplers bound to stages. Anything else is refused, so a damaged or
// foreign effect file fails its creation instead of drawing something undefined.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace WorkSpace {

struct EffectParameter {
    enum Kind { Matrix4x4, Texture } kind;
    std::string name;
};

struct EffectSampler {
    std::string name;
    std::string texture;  // the texture parameter it samples
    // (D3DSAMPLERSTATETYPE, value) pairs, e.g. (D3DSAMP_MINFILTER, D3DTEXF_LINEAR)
    std::vector<std::pair<uint32_t, uint32_t>> states;
};

struct EffectConstantBinding {
    uint32_t firstRegister;  // c0 for VertexShaderConstant4[0]
    std::string parameter;   // a Matrix4x4 parameter, four registers from firstRegister
};

struct EffectSamplerBinding {
    uint32_t stage;
    std::string sampler;
};

struct EffectSource {
    std::vector<EffectParameter> parameters;
    std::vector<EffectSampler> samplers;
    std::string technique;
    std::string passName;
    std::string vertexShaderAsm;
    std::string pixelShaderAsm;
    std::vector<EffectConstantBinding> vertexConstants;
    std::vector<EffectSamplerBinding> samplerBindings;

    const EffectParameter* FindParameter(const std::string& name) const;
    const EffectSampler* FindSampler(const std::string& name) const;
};

// Parses effect text; false with a short reason in `error` when anything is not understood.
bool ParseEffectSource(const char* text, size_t size, EffectSource& out, std::string& error);

}  // namespace WorkSpace
