// Windows-only extras of the Direct3D 9 backend that tests and tools use: reading the back
// buffer back and the device limits the texture loader honours. No <windows.h> here.
#pragma once
#include <cstdint>
#include <vector>

#include "gfx/graphics_ops.h"

namespace WorkSpace {

// Copies the device's back buffer as 0xAARRGGBB pixels, rows top-down.
bool ReadBackBuffer(GraphicsDevice* device, uint32_t& width, uint32_t& height, std::vector<uint32_t>& pixels);

}  // namespace WorkSpace
