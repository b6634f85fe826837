// How much of a boss image the frame shows, for tests that look for a boss.
#pragma once

#include "zelto.h"

#include <allegro.h>

// Share of a pool image's opaque pixels found unchanged in the buffer where
// it is drawn centred on (x, y).
inline double shown(int slot, int x, int y)
{
    BITMAP* b = pool[slot];
    int seen = 0, same = 0;
    for (int v = 0; v < b->h; v++)
        for (int u = 0; u < b->w; u++) {
            int c = getpixel(b, u, v);
            seen += c != bitmap_mask_color(b);
            same += c != bitmap_mask_color(b) && getpixel(buffer, x - b->w / 2 + u, y - b->h / 2 + v) == c;
        }
    return double(same) / seen;
}
