// Translucent drawing for 16-bit memory bitmaps: every opaque sprite pixel
// becomes the channel-wise average of sprite and background.
#include "world/world.h"
#include "render/render.h"

#include <allegro.h>
#include <cstdint>

int merge16(int p, int q)
{
    // Average the 0..255 expansions, not the raw 5- and 6-bit fields.
    int r = (getr16(p) + getr16(q)) >> 1;
    int g = (getg16(p) + getg16(q)) >> 1;
    int b = (getb16(p) + getb16(q)) >> 1;
    return makecol16(r, g, b);
}

void trans_draw_16(BITMAP* dst, BITMAP* src, int x, int y)
{
    const int mask = makecol16(255, 0, 255);
    // Clip against the whole destination, never its clip rectangle, and
    // touch only pixels that lie inside both bitmaps.
    int i0 = x < 0 ? -x : 0;
    int j0 = y < 0 ? -y : 0;
    int i1 = src->w, j1 = src->h;
    if (x + i1 > dst->w) i1 = dst->w - x;
    if (y + j1 > dst->h) j1 = dst->h - y;
    for (int i = i0; i < i1; i++) {
        for (int j = j0; j < j1; j++) {
            int s = reinterpret_cast<uint16_t*>(src->line[j])[i];
            if (s == mask)
                continue;
            uint16_t* d = reinterpret_cast<uint16_t*>(dst->line[j + y]) + i + x;
            *d = uint16_t(merge16(s, *d));
        }
    }
}
