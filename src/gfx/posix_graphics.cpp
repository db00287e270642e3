// Linux has no Direct3D: by default no handle is a window, so Window::Create fails the way
// it does for a handle that is not a window. Tests and tools install the recorder instead.
#include "gfx/graphics_ops.h"

namespace WorkSpace {

const GraphicsPlatform& DefaultGraphicsPlatform() {
    static const GraphicsPlatform platform = {
        [](void*) { return false; },
        [](void*, int32_t rect[4]) {
            rect[0] = rect[1] = rect[2] = rect[3] = 0;
            return false;
        },
        [](uint32_t) -> GraphicsSystem* { return nullptr; },
        [](GraphicsDevice*, Font** out) -> HResult {
            *out = nullptr;
            return kFail;
        },
        [](void*, DisplayLayout* layout) { *layout = DisplayLayout(); },
    };
    return platform;
}

}  // namespace WorkSpace
