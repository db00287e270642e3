// The C runtime's rand() sequence, reproduced so that Linux and Windows builds spawn the
// same particles. Each thread has its own state, starting from 1 (never seeded).
#pragma once
#include <cstdint>

namespace WorkSpace {

int CrtRand();
// Restores the calling thread's state (tests and tools start from a known point).
void CrtSeed(uint32_t state);

}  // namespace WorkSpace
