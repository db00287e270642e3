// The program's own error, raised when a growable array cannot grow (grow_array.h). Inside
// a frame it ends the effect like any other exception.
#pragma once
#include <cstdint>

namespace WorkSpace {

constexpr int32_t kEOutOfMemory = static_cast<int32_t>(0x8007000E);

struct ProgramError {
    int32_t code;
};

}  // namespace WorkSpace
