// Bosses: the shared rules (shot damage, hurting the player, death, the
// caption) and the three bosses GLAIVE, VORTEX and ANGEL. The boss record
// `boss` lives with the world; the images of the current boss in the pool.
#pragma once

#include "world/world.h"

const int GLAIVE = 0, VORTEX = 1, ANGEL = 2, NO_BOSS = 3;  // boss.type

// Shared rules.
// Hurts the player when it is within the box (inclusive) around s and may be hurt.
void boss_contact(const ship& s, int hx, int hy);
// Player shots against the body's box: each costs 1 hp with a burst, or,
// shielded, is absorbed with a blue flash.
void boss_shot_damage(int hx, int hy, bool shielded = false);
void boss_death();                                 // the burst, the gems, the end of the stage

// What sets each boss apart, one row per boss.type.
struct boss_kind {
    const char* name;       // on the banner at the right of the field
    int name_x;             // where the banner writes it
    int full_hp;            // hit points at its start: the health bar's full length
    const char* images[3];  // its image files by pool slot, null where unused
    void (*start)();        // set-up, when its stage begins
    void (*tick)();         // one pass of its behaviour
    void (*draw)();         // its body and parts (the caption is shared)
};
extern const boss_kind boss_kinds[NO_BOSS];

void boss_start(); // sets up the boss of boss.type (none for the final stage)
void boss_tick();  // one tick of the current boss (none for the final stage)
void draw_boss();  // the current boss and the caption

void load_boss_images(int type);  // empties the pool, then loads that boss's images
void draw_centred(int slot, int x, int y);  // a pool image centred on (x, y)

// GLAIVE: a head with two hands that swipe and bomb.
void glaive_i();
void glaive();
void g_swipe();
void g_bomb();
void draw_glaive();

// VORTEX: a shielded core with orbiting nodes, a volley and a beam cannon.
void vortex_i();
void vortex();
void v_shoot();
void v_cannon();
void draw_vortex();

// ANGEL: a ship that jumps about and strikes where it has locked on.
void angel_i();
void angel();
void a_move();
void a_lock();
void a_fire(int x, int y);
void draw_angel();
