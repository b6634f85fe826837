// Effects and drawing: sparks, the starfield and its warp, the translucent
// blitter and the play field.
#pragma once

#include "world/world.h"

struct BITMAP;

// Sparks: n at s, each velocity component in -spread .. spread-1.
void flash(int n, int spread, ship s);    // cool blue sparks
void explode(int n, int spread, ship s);  // hot red-to-yellow sparks
void spark_handle();                      // move, slow, bounce, remove at rest

// Stars.
snow add_star();                          // a new star above the top edge
void seed_stars();                        // the 25 stars the title opens on
void star_handle();                       // births, falls, removes the old
void draw_star(BITMAP* bmp, int x, int y);  // a five-pixel white plus
void draw_stars();                        // the whole field: pluses, or streaks at warp

// Translucent 16-bit blending.
int merge16(int p, int q);                // channel-wise average of two colours
void trans_draw_16(BITMAP* dst, BITMAP* src, int x, int y);

// The play field of a game pass, with the respawn check in its place.
void draw_field();
