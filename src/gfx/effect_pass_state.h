// The device state that an effect's pass changes, saved by Begin with flags 0 and put back
// by End, as the effect framework's own state block does. Without it the pass's linear
// filtering and clamping stay on its samplers, and the screen-space quads drawn after the
// particles (the logo, next frame's pictures) are filtered too.
#pragma once
#include <cstdint>
#include <vector>

#include "gfx/effect_source.h"
#include "gfx/graphics_ops.h"

namespace WorkSpace {

class EffectPassState {
public:
    // Reads every sampler state that the pass of `source` sets, on the stages it binds.
    void Save(GraphicsDevice& device, const EffectSource& source);
    // Writes the saved values back; nothing when nothing was saved.
    void Restore(GraphicsDevice& device);
    // Each (stage, sampler state, value) the pass sets, in the order it sets them.
    static void ForEachPassState(const EffectSource& source, void (*visit)(void*, uint32_t, uint32_t, uint32_t),
                                 void* context);

private:
    struct Saved {
        uint32_t stage, type, value;
    };
    std::vector<Saved> saved_;
    bool holding_ = false;
};

}  // namespace WorkSpace
