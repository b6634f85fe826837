// What all bosses share: shot damage, contact, death, and the caption.
#include "world/world.h"
#include "player/player.h"
#include "bosses/bosses.h"
#include "render/render.h"
#include "shell/assets.h"

#include <allegro.h>
#include <cstdlib>

void boss_contact(const ship& s, int hx, int hy)
{
    if (hazard_reaches_player(s.x, s.y, hx, hy))
        hurt_player();
}

void boss_shot_damage(int hx, int hy, bool shielded)
{
    for (projectile& s : shot) {
        if (abs(s.x - boss.body.x) > hx || abs(s.y - boss.body.y) > hy)
            continue;
        s.y = SPENT_SHOT_Y;
        if (shielded) {
            flash(30, 5, boss.body);
        } else {
            boss.body.hp -= 1;
            explode(30, 5, boss.body);
        }
    }
}

void boss_death()
{
    if (boss.body.hp > 0)
        return;
    explode(150, 30, boss.body);
    drop_gem(50 + rnd() % 50, boss.body);
    if (boss.type == GLAIVE) {
        for (const ship& hand : boss.parts) {
            explode(60, 10, hand);
            drop_gem(5 + rnd() % 10, hand);
        }
    }
    play_sound(boom, 150, 1000);
    boss_stage = false;
    // The enemies still on the field die on the enemy handler's next pass.
    for (ship& e : enemy)
        e.hp = 0;
    if (!enemy.empty())
        e_left = 0;
}

const boss_kind boss_kinds[NO_BOSS] = {
    {"GLAIVE", 536, 70,
     {"ZS BOSS - GLAIVE//head.bmp", "ZS BOSS - GLAIVE//l_hand.bmp", "ZS BOSS - GLAIVE//r_hand.bmp"},
     glaive_i, glaive, draw_glaive},
    {"VORTEX", 536, 70,
     {"ZS BOSS - VORTEX//core.bmp", "ZS BOSS - VORTEX//node.bmp", nullptr},
     vortex_i, vortex, draw_vortex},
    {"ANGEL", 538, 105,
     {"ZS BOSS - ANGEL//ship.bmp", nullptr, nullptr},
     angel_i, angel, draw_angel},
};

// The final stage (boss.type NO_BOSS) has no boss: no row, nothing to do.
void boss_start()
{
    if (boss.type < NO_BOSS)
        boss_kinds[boss.type].start();
}

void boss_tick()
{
    if (boss.type < NO_BOSS)
        boss_kinds[boss.type].tick();
}

void draw_boss()
{
    if (boss.type < NO_BOSS)
        boss_kinds[boss.type].draw();
    // The caption jitters within a 7 x 7 box; y is drawn before x.
    int jy = rnd() % 7;
    int jx = rnd() % 7;
    textout_centre_ex(buffer, text, "Don't Zelto!", 317 + jx, 17 + jy, makecol(255, 255, 255), -1);
}

void load_boss_images(int type)
{
    clean_pool();
    for (int slot = 0; slot < 3; slot++)
        if (const char* name = boss_kinds[type].images[slot])
            load_bitmap_pool(data_path(name).c_str(), slot);
}

void draw_centred(int slot, int x, int y)
{
    BITMAP* b = pool[slot];
    if (!b)
        return;  // an image that could not be had is not drawn
    draw_sprite(buffer, b, x - b->w / 2, y - b->h / 2);
}
