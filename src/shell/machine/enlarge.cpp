#include "shell/machine/enlarge.h"

#include <allegro.h>
#include <cstring>

int pixel_bytes(int depth)
{
    switch (depth) {
    case 15:
    case 16: return 2;
    case 24: return 3;
    case 32: return 4;
    default: return 0;
    }
}

// Green's six bits widened to eight the way the library's 16 to 24/32-bit
// conversion does it (its high and low three bits looked up apart, with its
// own roundings), which is what the window has always shown.
static int green_8(int g6)
{
    int high = (g6 >> 3) << 5;
    if (high >= 68)
        high++;
    if (high >= 160)
        high++;
    int low = (g6 & 7) << 2;
    if (low == 0x1c)
        low++;
    return high + low;
}

std::vector<uint32_t> colour_table(const pixel_format& to)
{
    std::vector<uint32_t> table;
    if (pixel_bytes(to.depth) == 0)
        return table;
    table.resize(65536);
    for (uint32_t c = 0; c < 65536; c++) {
        int r5 = (c >> 11) & 31, g6 = (c >> 5) & 63, b5 = c & 31;
        uint32_t r, g, b;
        if (to.depth == 16) {
            r = r5, g = g6, b = b5;
        } else if (to.depth == 15) {
            r = r5, g = g6 >> 1, b = b5;
        } else {
            r = _rgb_scale_5[r5], g = green_8(g6), b = _rgb_scale_5[b5];
        }
        table[c] = (r << to.r_shift) | (g << to.g_shift) | (b << to.b_shift);
    }
    return table;
}

bool is_identity(const std::vector<uint32_t>& table)
{
    if (table.size() != 65536)
        return false;
    for (uint32_t c = 0; c < 65536; c++)
        if (table[c] != c)
            return false;
    return true;
}

// One loop per pixel size; a fixed scale lets the compiler unroll the copies.
template <typename P, int SCALE>
static void widen(const uint16_t* in, int count, int scale, const uint32_t* table, unsigned char* out)
{
    P* o = reinterpret_cast<P*>(out);
    if (SCALE > 0)
        scale = SCALE;
    for (int i = 0; i < count; i++) {
        P v = P(table[in[i]]);
        for (int k = 0; k < scale; k++)
            *o++ = v;
    }
}

template <typename P>
static void widen_any(const uint16_t* in, int count, int scale, const uint32_t* table, unsigned char* out)
{
    switch (scale) {
    case 1: widen<P, 1>(in, count, scale, table, out); break;
    case 2: widen<P, 2>(in, count, scale, table, out); break;
    case 3: widen<P, 3>(in, count, scale, table, out); break;
    case 4: widen<P, 4>(in, count, scale, table, out); break;
    default: widen<P, 0>(in, count, scale, table, out); break;
    }
}

void enlarge_row(const uint16_t* in, int count, int scale, const uint32_t* table, int bytes,
                 unsigned char* out)
{
    if (bytes == 2) {
        widen_any<uint16_t>(in, count, scale, table, out);
    } else if (bytes == 4) {
        widen_any<uint32_t>(in, count, scale, table, out);
    } else if (bytes == 3) {
        // Packed 24-bit pixels: low byte first, as the library stores them.
        for (int i = 0; i < count; i++) {
            uint32_t v = table[in[i]];
            for (int k = 0; k < scale; k++) {
                out[0] = (unsigned char)v;
                out[1] = (unsigned char)(v >> 8);
                out[2] = (unsigned char)(v >> 16);
                out += 3;
            }
        }
    }
}
