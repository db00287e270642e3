// The C runtime's linear congruential rand(), so that Linux and Windows builds spawn the same
// particles; each thread has a state of its own, as in the runtime.
#include "particles/crt_rand.h"

namespace WorkSpace {

namespace {
thread_local uint32_t t_state = 1;
}

int CrtRand() {
    t_state = t_state * 214013u + 2531011u;
    return static_cast<int>((t_state >> 16) & 0x7FFF);
}

void CrtSeed(uint32_t state) { t_state = state; }

}  // namespace WorkSpace
