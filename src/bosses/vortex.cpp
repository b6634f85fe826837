// VORTEX: a core with four nodes orbiting it on an ellipse. While a node is
// left the core is shielded. Every 80 passes, while idle, it may fire a
// volley (each node in turn) or its cannon (jump above the player, charge,
// then a beam that swells and shrinks).
#include "world/world.h"
#include "player/player.h"
#include "enemies/enemies.h"
#include "bosses/bosses.h"
#include "render/render.h"
#include "shell/assets.h"

#include <allegro.h>
#include <cstdlib>

const int CORE_X = 320, CORE_Y = 85;
const int NODES = 4, NODE_HP = 7;
const int ORBIT_RX = 60, ORBIT_RY = 40;  // half-axes of the orbit
const int VORTEX_CHOICE_PERIOD = 80;
const int VOLLEY_PERIOD = 16;
const int CHARGE_START = -40;   // cannon counter at the choice...
const int BEAM_START = -20;     // ...beam from above this...
const int BEAM_END = 19;        // ...to this; then the cannon ends
const int BEAM_HALF_MAX = 20;   // beam half-width is 20 - |param|
const int OFF_FIELD = -100;     // where new nodes wait for their first orbit step

void vortex_i()
{
    boss.parts.clear();
    boss.body.x = CORE_X;
    boss.body.y = CORE_Y;
    boss.body.hp = boss_kinds[VORTEX].full_hp;
    boss.mode = 0;
    boss.param = -1;
    ship node = ship();
    node.hp = NODE_HP;
    node.x = node.y = OFF_FIELD;  // nothing can touch them before the orbit places them
    for (int i = 0; i < NODES; i++)
        boss.parts.push_back(node);
    load_boss_images(VORTEX);
}

void v_shoot()
{
    if (loop_num % VOLLEY_PERIOD != 0)
        return;
    if (boss.param < int(boss.parts.size())) {
        efire(boss.parts[boss.param]);
        boss.param += 1;
    } else {
        boss.mode = 0;
    }
}

void v_cannon()
{
    boss.param += 1;
    if (boss.param <= BEAM_START)
        return;
    // Only x counts: the beam reaches every height.
    if (abs(player.x - boss.body.x) < BEAM_HALF_MAX - abs(boss.param) && player_hurtable())
        hurt_player();
    if (boss.param > BEAM_END) {
        boss.mode = 0;
        boss.body.x = CORE_X;
    }
}

// Player shots against the nodes; a node destroyed is erased at once and the
// next node slides into its index.
static void shots_on_nodes()
{
    for (projectile& s : shot) {
        for (size_t j = 0; j < boss.parts.size();) {
            ship& node = boss.parts[j];
            if (abs(s.x - node.x) <= 14 && abs(s.y - node.y) <= 14) {
                node.hp -= 1;
                s.y = SPENT_SHOT_Y;
                explode(15, 3, node);
            }
            if (node.hp <= 0) {
                explode(60, 15, node);
                drop_gem(10 + rnd() % 10, node);
                play_sound(boom, 100, 1000);
                boss.parts.erase(boss.parts.begin() + j);
            } else {
                j++;
            }
        }
    }
}

void vortex()
{
    boss_shot_damage(34, 34, !boss.parts.empty());
    boss_contact(boss.body, 14, 19);
    for (const ship& node : boss.parts)
        boss_contact(node, 14, 19);
    shots_on_nodes();

    if (loop_num % VORTEX_CHOICE_PERIOD == 0 && boss.mode == 0) {
        boss.mode = rnd() % 3;
        if (boss.mode == 1)
            boss.param = 0;
        if (boss.mode == 1 && boss.parts.empty())
            boss.mode = 2;
        if (boss.mode == 2) {
            boss.body.x = player.x;
            boss.param = CHARGE_START;
        }
    }
    if (boss.mode == 1)
        v_shoot();
    else if (boss.mode == 2)
        v_cannon();

    // All nodes turn together, a quarter turn apart by index, one turn per 64 passes.
    for (size_t j = 0; j < boss.parts.size(); j++) {
        int a = (4 * ((loop_num % 64) + 16 * int(j))) % 256;
        boss.parts[j].x = boss.body.x + ((cosine[a] * ORBIT_RX) >> 7);
        boss.parts[j].y = boss.body.y + ((sine[a] * ORBIT_RY) >> 7);
    }
    boss_death();
}

void draw_vortex()
{
    const int colour = makecol(32, 128, 255);
    for (const ship& node : boss.parts)
        draw_centred(1, node.x, node.y);
    if (boss.mode == 2 && boss.param > BEAM_START) {
        int w = BEAM_HALF_MAX - abs(boss.param);
        rectfill(buffer, boss.body.x - w, boss.body.y + 35, boss.body.x + w, 480, colour);
        ellipsefill(buffer, boss.body.x, boss.body.y + 35, w, 12, colour);
    }
    if (boss.mode == 2 && boss.param < BEAM_START)
        circle(buffer, boss.body.x, boss.body.y, -2 * boss.param - 30, colour);  // the charge ring
    draw_centred(0, boss.body.x, boss.body.y);
}
