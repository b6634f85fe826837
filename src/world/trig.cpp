#include "world/world.h"

#include <cmath>

int sine[256];
int cosine[256];

// 256 steps of 1 / 40.764328 radians: the divisor is the single-precision
// constant the tables were first built with, so a "turn" falls 0.003 radians
// short of 2 pi. Truncation, not rounding: sine peaks at 127, cosine[0] is 128.
void sin_cos_init()
{
    const double step = 40.764328f;
    for (int k = 0; k < 256; k++) {
        sine[k] = int(std::sin(k / step) * 128);
        cosine[k] = int(std::cos(k / step) * 128);
    }
}
