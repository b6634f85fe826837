// The play field of a game pass, drawn from scratch: stars, sparks, gems,
// the ship, shots and enemies. Drawing only reads the world, except for the
// respawn check, which has its place in the middle.
#include "world/world.h"
#include "player/player.h"
#include "render/render.h"
#include "shell/assets.h"

#include <allegro.h>

// Top-left corner that centres a w x h image on (x, y).
static int corner(int centre, int size)
{
    return centre - size / 2;
}

void draw_field()
{
    clear_to_color(buffer, makecol(0, 0, 0));
    draw_stars();

    for (const partical& p : spark)
        line(buffer, p.x, p.y, p.x + p.dx, p.y + p.dy, p.colour);
    for (const projectile& g : bonus)
        draw_rle_sprite(buffer, gem, corner(g.x, xp->w), corner(g.y, xp->h));

    int px = corner(player.x, pship->w), py = corner(player.y, pship->h);
    if (hit_age() > GHOST_AGE)
        draw_sprite(buffer, pship, px, py);

    respawn_check();  // may bring the ship back: look again below
    px = corner(player.x, pship->w);
    py = corner(player.y, pship->h);
    int d = hit_age();
    if (d == GHOST_AGE) {
        // The last ghost pass: three quarters solid.
        trans_draw_16(buffer, pship, px, py);
        trans_draw_16(buffer, pship, px, py);
    } else if (d > RESPAWN_AGE && d < GHOST_AGE) {
        trans_draw_16(buffer, pship, px, py);
    }

    for (const projectile& s : shot)
        draw_rle_sprite(buffer, beam, corner(s.x, bullet->w), corner(s.y, bullet->h));
    for (const projectile& s : eshot)
        draw_rle_sprite(buffer, ebeam, corner(s.x, ebullet->w), corner(s.y, ebullet->h));
    for (const ship& e : enemy)
        draw_rle_sprite(buffer, nship[e.pattern], corner(e.x, eship[e.pattern]->w),
                        corner(e.y, eship[e.pattern]->h));
}
