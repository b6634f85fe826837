// The five kinds of regular enemy: an entry pattern that places a new enemy
// and a movement pattern that steers it every pass. A pattern keeps no state
// outside the record; h_chase and slide use their own velocity as the "done
// it" mark.
#include "world/world.h"
#include "enemies/enemies.h"

#include <cstdlib>

const int ABOVE_TOP = -10;  // where enemies entering from above start

// 0: a straight dive, starting up to 45 pixels nearer the player's column.
void basic(ship& e)
{
    const int NUDGE = 45;
    e.x = COLUMN_LEFT + rnd() % 384;
    for (int i = 0; i < NUDGE && e.x != player.x; i++)
        e.x += e.x < player.x ? 1 : -1;
    e.y = ABOVE_TOP;
    e.hp = 1;
    e.dx = e.dy = 0;
}

void drop_down(ship& e)
{
    e.dy = 10;
    e.dx = 0;
}

// 1: falls from either edge of the column, weaving about its centre.
void l_or_r(ship& e)
{
    e.x = rnd() % 2 == 0 ? COLUMN_LEFT : COLUMN_RIGHT;
    e.y = ABOVE_TOP;
    e.hp = 1;
    e.dx = e.dy = 0;
}

void weave_side(ship& e)
{
    const int WEAVE_MAX = 8;
    e.dy = 6;
    if (loop_num % 2 == 0) {
        if (e.x <= 319) e.dx += 1;
        if (e.x > 320) e.dx -= 1;
    }
    if (e.dx > WEAVE_MAX) e.dx = WEAVE_MAX;
    if (e.dx < -WEAVE_MAX) e.dx = -WEAVE_MAX;
}

// 2: crosses from a side edge, homing on the player's height.
void across(ship& e)
{
    e.x = rnd() % 2 == 0 ? 0 : 640;
    e.y = rnd() % 160;
    e.hp = 1;
    e.dx = e.x <= 319 ? 7 : -7;
    e.dy = 0;
}

void v_chase(ship& e)
{
    const int CLIMB_MAX = 5;
    if (loop_num % 3 == 0) {
        if (e.y > player.y) e.dy -= 1;
        if (e.y < player.y) e.dy += 1;
    }
    if (e.dy > CLIMB_MAX) e.dy = CLIMB_MAX;
    if (e.dy < -CLIMB_MAX) e.dy = -CLIMB_MAX;
}

// 3: falls until level with the player, then dashes at it sideways.
void fall(ship& e)
{
    e.x = COLUMN_LEFT + rnd() % 384;
    e.y = ABOVE_TOP;
    e.hp = 1;
    e.dx = 0;
    e.dy = 8;
}

void h_chase(ship& e)
{
    const int LEVEL = 19;  // "level with the player": within 19 rows
    const int DASH = 10;
    if (e.dx != 0 || abs(e.y - player.y) > LEVEL)
        return;
    if (e.x > player.x) e.dx = -DASH;
    if (e.x < player.x) e.dx = DASH;
    // In the player's very column it hangs in mid-air until the columns differ.
    e.dy = 0;
}

// 4: sweeps across the top, fires once over the player, then climbs away.
void side(ship& e)
{
    e.x = rnd() % 2 == 0 ? 113 : COLUMN_RIGHT;
    e.y = 20 + rnd() % 40;
    e.hp = 1;
    e.dx = e.x <= 319 ? 11 : -11;
    e.dy = 0;
}

void slide(ship& e)
{
    const int OVER = 29;  // "over the player": columns within 29
    if (e.dy != 0 || abs(e.x - player.x) > OVER)
        return;
    e.dy = -3;
    efire(e);
}

pattern init[5] = {basic, l_or_r, across, fall, side};
pattern move[5] = {drop_down, weave_side, v_chase, h_chase, slide};
