// ANGEL: a ship that jumps about the upper field. Every 60 passes it may
// lock on (a reticle follows the player for 40 passes, stops, and 10 passes
// later a strike bursts there) or jump above the player and drop a bullet.
// A strike is a disc that shrinks to nothing in 40 passes.
#include "world/world.h"
#include "player/player.h"
#include "enemies/enemies.h"
#include "bosses/bosses.h"
#include "shell/assets.h"

#include <allegro.h>
#include <cstdlib>

const int ANGEL_X = 320, ANGEL_Y = 100;
const int JUMP_PERIOD = 80;
const int ANGEL_CHOICE_PERIOD = 60;
const int TRACKING_END = 39;   // the target follows the player while timer <= 39
const int STRIKE_AT = 50;      // the strike is made when timer reaches 50
const int RETICLE_END = 44;    // the reticle shows while timer <= 44
const int NO_LOCK = 101;       // timer before the first lock-on
const int STRIKE_SIZE = 80;    // a strike's hp; it shrinks 2 a pass, radius hp / 2
const int STRIKE_SHRINK = 2;

void angel_i()
{
    boss.parts.clear();
    boss.body.x = ANGEL_X;
    boss.body.y = ANGEL_Y;
    boss.body.hp = boss_kinds[ANGEL].full_hp;
    boss.mode = 0;
    boss.timer = NO_LOCK;
    load_boss_images(ANGEL);
}

void a_move()
{
    boss.body.x = 158 + rnd() % 324;
    boss.body.y = 50 + rnd() % 180;
}

void a_fire(int x, int y)
{
    ship strike = ship();
    strike.x = x;
    strike.y = y;
    strike.hp = STRIKE_SIZE;
    strike.pattern = 1;  // a live strike: it hurts
    boss.parts.push_back(strike);
}

void a_lock()
{
    if (boss.timer <= TRACKING_END) {
        boss.mode = player.x;
        boss.param = player.y;
    } else if (boss.timer == STRIKE_AT) {
        a_fire(boss.mode, boss.param);
    }
    boss.timer += 1;
}

// Strikes hurt strictly inside their square of half-size hp / 2, then shrink.
static void strikes()
{
    for (size_t i = 0; i < boss.parts.size();) {
        ship& s = boss.parts[i];
        int reach = s.hp / 2;
        if (abs(player.x - s.x) < reach && abs(player.y - s.y) < reach && player_hurtable() &&
            s.pattern > 0)
            hurt_player();
        s.hp -= STRIKE_SHRINK;
        if (s.hp == 0)
            boss.parts.erase(boss.parts.begin() + i);
        else
            i++;
    }
}

void angel()
{
    strikes();
    boss_shot_damage(39, 34);
    boss_contact(boss.body, 39, 39);
    if (loop_num % JUMP_PERIOD == 0)
        a_move();
    if (loop_num % ANGEL_CHOICE_PERIOD == 0) {
        if (rnd() % 3 > 0) {
            boss.timer = 0;
        } else if (rnd() % 2 == 0) {
            boss.body.x = player.x;
            efire(boss.body);
        }
    }
    if (boss.timer <= STRIKE_AT)
        a_lock();
    boss_death();
}

void draw_angel()
{
    draw_centred(0, boss.body.x, boss.body.y);
    for (const ship& s : boss.parts) {
        circlefill(buffer, s.x, s.y, s.hp / 2, makecol(210, 210, 210));
        circlefill(buffer, s.x, s.y, (s.hp * 3) / 8, makecol(255, 255, 255));
        circle(buffer, s.x, s.y, s.hp / 2, makecol(100, 100, 100));
    }
    if (boss.timer <= RETICLE_END) {
        // Two pairs of arcs turning opposite ways, one turn per 64 passes.
        int m = loop_num % 64;
        int white = makecol(255, 255, 255);
        int x = boss.mode, y = boss.param;
        // Angles are 256 to a turn; the inner pair is shifted one turn up so
        // that no angle is negative (the fixed-point conversion shifts left).
        arc(buffer, x, y, itofix(4 * m), itofix(4 * m + 64), 28, white);
        arc(buffer, x, y, itofix(4 * m + 128), itofix(4 * m + 196), 28, white);
        arc(buffer, x, y, itofix(256 - 4 * m), itofix(320 - 4 * m), 21, white);
        arc(buffer, x, y, itofix(384 - 4 * m), itofix(452 - 4 * m), 21, white);
    }
}
