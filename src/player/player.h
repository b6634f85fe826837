// The player: the ship, its shots, the hit-age cycle and the gems it collects.
// Everything in the cycle counts from last_hit, as d = loop_num - last_hit:
// down while d <= 60, respawned at d = 60, an untouchable ghost up to 160,
// solid and vulnerable above it.
#pragma once

#include "world/world.h"

const int RESPAWN_AGE = 60;  // d at which a downed ship comes back
const int GHOST_AGE = 160;   // last d at which the ship cannot be hurt

int hit_age();               // d = loop_num - last_hit
const int SPENT_SHOT_Y = -10;  // where a player shot that hit goes, for shot_handle to remove

bool player_hurtable();      // d > GHOST_AGE: hazards may hurt now
// A hazard at (x, y) reaches the player: within hx across and hy down, inclusive,
// while the player may be hurt.
bool hazard_reaches_player(int x, int y, int hx, int hy);
// Hurts the player: 180 sparks, the explosion, last_hit = loop_num. Callers
// test player_hurtable() first; no hazard touches lives.
void hurt_player();

void player_step();          // steer, clamp to the column and fire (d > 60 only)
void fire();                 // one shot from the ship
void shot_handle();          // moves the shots, removes those above the top
void shot_enemy_hits();      // every shot against every enemy
void respawn_check();        // at d = 60: bring the ship back, or keep it down for good

void drop_gem(int n, ship s);  // n gems at s's position
void gem_handle();             // drift, fall, pull toward the ship, collect
