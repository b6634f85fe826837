// Converting and enlarging the 16-bit frame for a screen of another pixel
// format in one pass: each source pixel is looked up once in a table of all
// 65,536 colours and written N times, instead of being enlarged at 16 bits
// and then converted again, pixel by enlarged pixel, by the library.
#pragma once

#include <cstdint>
#include <vector>

// A screen's pixel format: 2, 3 or 4 bytes a pixel, and where each channel
// sits. Channels are 5 bits wide at depth 15, 5-6-5 at 16, 8 at 24 and 32.
struct pixel_format {
    int depth;
    int r_shift, g_shift, b_shift;
};

// Bytes a pixel of the depth takes: 2 for 15 and 16, 3 for 24, 4 for 32,
// 0 for a depth these functions do not convert to (8: a palette).
int pixel_bytes(int depth);

// The screen pixel for every 16-bit 5-6-5 colour (red at bit 11, green at 5,
// blue at 0), rounded as the library's own conversion rounds it, so the
// picture does not change by a single pixel. Empty for depth 8.
std::vector<uint32_t> colour_table(const pixel_format& to);

// Whether the table maps every colour to itself (a 5-6-5 screen).
bool is_identity(const std::vector<uint32_t>& table);

// Writes `count` source pixels, each `scale` times side by side, as screen
// pixels of `bytes` bytes into `out`.
void enlarge_row(const uint16_t* in, int count, int scale, const uint32_t* table, int bytes,
                 unsigned char* out);
