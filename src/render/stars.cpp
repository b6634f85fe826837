// The starfield: white stars falling at twelve speeds, doubled and drawn as
// streaks while the warp speed is up.
#include "world/world.h"
#include "render/render.h"
#include "shell/assets.h"

#include <allegro.h>

const int SEEDED_STARS = 25;  // stars already in the sky when the title opens
const int STAR_GONE_Y = 490;  // a star below this row is never seen again

snow add_star()
{
    snow s;
    s.x = rnd() % 640;
    s.y = -5;
    s.speed = rnd() % 12 + 1;
    return s;
}

void seed_stars()
{
    for (int i = 0; i < SEEDED_STARS; i++) {
        snow s = add_star();
        s.y = rnd() % 480;
        star.push_back(s);
    }
}

void star_handle()
{
    star.push_back(add_star());
    if (wrp_spd > 0)
        star.push_back(add_star());
    for (snow& s : star) {
        s.y += 3 * s.speed;
        if (wrp_spd > 0)
            s.y += wrp_spd / 4;
    }
    // Every star below the screen goes, not just the oldest: it draws the
    // same sky and keeps the array bounded however long the warp lasts.
    size_t kept = 0;
    for (const snow& s : star)
        if (s.y <= STAR_GONE_Y)
            star[kept++] = s;
    star.resize(kept);
}

void draw_star(BITMAP* bmp, int x, int y)
{
    int white = makecol(255, 255, 255);
    hline(bmp, x - 1, y, x + 1, white);
    putpixel(bmp, x, y - 1, white);
    putpixel(bmp, x, y + 1, white);
}

void draw_stars()
{
    int white = makecol(255, 255, 255);
    for (const snow& s : star) {
        if (wrp_spd == 0)
            draw_star(buffer, s.x, s.y);
        else
            vline(buffer, s.x, s.y, s.y + 2 * s.speed + wrp_spd / 8, white);
    }
}
