#include "world/world.h"

#include <cstdint>

// A 64-bit linear congruential generator (Knuth's MMIX constants); the top
// 31 bits of the state are the result. Small, fast and identical everywhere.
static uint64_t state = 1;

void srnd(unsigned seed)
{
    state = uint64_t(seed) * 0x9E3779B97F4A7C15ull + 1;
}

int rnd()
{
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return int(state >> 33);
}

unsigned long long rnd_state()
{
    return state;
}

void set_rnd_state(unsigned long long s)
{
    state = s;
}
