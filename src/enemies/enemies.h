// Regular enemies: the spawn budget and interval, the five entry and
// movement patterns, ramming, destruction, and enemy fire.
#pragma once

#include "world/world.h"

typedef void (*pattern)(ship&);

// Entry patterns, one per kind: place a new enemy and give it its first velocity.
void basic(ship& e);    // 0: above the screen, nudged toward the player's column
void l_or_r(ship& e);   // 1: above the screen at either edge of the column
void across(ship& e);   // 2: in from a side edge, high up
void fall(ship& e);     // 3: falls from above at 8 a pass
void side(ship& e);     // 4: across the top from one side, fast

// Movement patterns: steer (change dx, dy) before each move.
void drop_down(ship& e);   // 0: straight down
void weave_side(ship& e);  // 1: weaves about the centre column like a spring
void v_chase(ship& e);     // 2: homes on the player's height while crossing
void h_chase(ship& e);     // 3: dashes sideways once level with the player
void slide(ship& e);       // 4: fires once above the player, then climbs

extern pattern init[5];  // entry pattern by kind
extern pattern move[5];  // movement pattern by kind

int spawn_interval();    // passes between spawns: 20 - 2 x stage
ship new_enemy();        // a random kind, placed by its entry pattern
void enemy_handle();     // spawn, then move, ram, remove and destroy

void efire(ship& source);  // one enemy shot straight down from source
void eshot_handle();       // move the shots, hit the player, remove below the field
