// GLAIVE: a head fixed at the top with two hands. Every 40 passes, while
// idle, it may send the hand away from the player on a swipe (drop to the
// player's height, then sweep) or a bomb run (sweep at rest height, dropping
// bullets). Only the head can be hurt.
#include "world/world.h"
#include "enemies/enemies.h"
#include "bosses/bosses.h"

#include <allegro.h>

const int HEAD_X = 320, HEAD_Y = 85;
const int HAND_SPREAD = 100;     // hands rest 100 to either side of the head...
const int HAND_REST_DROP = 85;   // ...and 85 below it
const int HAND_SETUP_DROP = 80;  // (80 at set-up, until the first tick)
const int GLAIVE_CHOICE_PERIOD = 40;
const int SWIPE_DROP = 13, SWIPE_SPEED = 12;
const int BOMB_SPEED = 14, BOMB_PERIOD = 12;

void glaive_i()
{
    boss.parts.clear();
    boss.body.x = HEAD_X;
    boss.body.y = HEAD_Y;
    boss.body.hp = boss_kinds[GLAIVE].full_hp;
    boss.mode = 0;
    ship hand = ship();
    hand.x = boss.body.x - HAND_SPREAD;
    hand.y = boss.body.y + HAND_SETUP_DROP;
    boss.parts.push_back(hand);
    hand.x = boss.body.x + HAND_SPREAD;
    boss.parts.push_back(hand);
    load_boss_images(GLAIVE);
}

// The attack ends once the hand has crossed the player's column.
static void end_sweep()
{
    if (boss.parts[1].x < COLUMN_LEFT || boss.parts[0].x > COLUMN_RIGHT)
        boss.mode = 0;
}

void g_swipe()
{
    ship& hand = boss.parts[boss.param];
    if (hand.y > player.y - 10) {
        if (boss.param == 0)
            boss.parts[0].dx = SWIPE_SPEED;
        else
            boss.parts[1].dx = -SWIPE_SPEED;
        hand.dy = 0;
    }
    end_sweep();
}

void g_bomb()
{
    if (boss.param == 0)
        boss.parts[0].dx = BOMB_SPEED;
    else
        boss.parts[1].dx = -BOMB_SPEED;
    if (loop_num % BOMB_PERIOD == 0)
        efire(boss.parts[boss.param]);
    end_sweep();
}

void glaive()
{
    for (ship& hand : boss.parts) {
        hand.x += hand.dx;
        hand.y += hand.dy;
    }
    boss_shot_damage(34, 34);
    boss_contact(boss.body, 44, 44);
    for (const ship& hand : boss.parts)
        boss_contact(hand, 29, 29);

    if (loop_num % GLAIVE_CHOICE_PERIOD == 0 && boss.mode == 0) {
        boss.mode = rnd() % 3;
        // The hand on the far side attacks, toward the player.
        boss.param = player.x <= 319 ? 1 : 0;
        boss.parts[0].dx = boss.parts[1].dx = 0;
        if (boss.mode == 1)
            boss.parts[boss.param].dy = SWIPE_DROP;
    }
    if (boss.mode == 1)
        g_swipe();
    else if (boss.mode == 2)
        g_bomb();

    // Hands not attacking sit at rest (velocities are left alone).
    if (boss.mode == 0 || boss.param == 1) {
        boss.parts[0].x = boss.body.x - HAND_SPREAD;
        boss.parts[0].y = boss.body.y + HAND_REST_DROP;
    }
    if (boss.mode == 0 || boss.param == 0) {
        boss.parts[1].x = boss.body.x + HAND_SPREAD;
        boss.parts[1].y = boss.body.y + HAND_REST_DROP;
    }
    boss_death();
}

void draw_glaive()
{
    for (size_t i = 0; i < boss.parts.size(); i++)
        draw_centred(1 + int(i), boss.parts[i].x, boss.parts[i].y);
    draw_centred(0, boss.body.x, boss.body.y);
}
