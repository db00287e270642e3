// The sampler states an effect's pass sets, read from the device before the pass and
// written back after it. Which ones, and on which stages, comes from the parsed effect file.
#include "gfx/effect_pass_state.h"

namespace WorkSpace {

void EffectPassState::ForEachPassState(const EffectSource& source,
                                       void (*visit)(void*, uint32_t, uint32_t, uint32_t), void* context) {
    for (const EffectSamplerBinding& binding : source.samplerBindings) {
        const EffectSampler* sampler = source.FindSampler(binding.sampler);
        if (!sampler) continue;
        for (const auto& state : sampler->states) visit(context, binding.stage, state.first, state.second);
    }
}

void EffectPassState::Save(GraphicsDevice& device, const EffectSource& source) {
    saved_.clear();
    struct Context {
        GraphicsDevice& device;
        std::vector<Saved>& saved;
    } context{device, saved_};
    ForEachPassState(
        source,
        [](void* c, uint32_t stage, uint32_t type, uint32_t) {
            Context& ctx = *static_cast<Context*>(c);
            uint32_t value = 0;
            if (!Failed(ctx.device.GetSamplerState(stage, type, &value))) ctx.saved.push_back(Saved{stage, type, value});
        },
        &context);
    holding_ = true;
}

void EffectPassState::Restore(GraphicsDevice& device) {
    if (!holding_) return;
    for (const Saved& s : saved_) device.SetSamplerState(s.stage, s.type, s.value);
    saved_.clear();
    holding_ = false;
}

}  // namespace WorkSpace
