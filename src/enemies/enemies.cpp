// Regular enemies: spawned one at a time from the stage's budget e_left,
// moved by their patterns, ramming the player, leaving or destroyed.
#include "world/world.h"
#include "player/player.h"
#include "enemies/enemies.h"
#include "render/render.h"
#include "shell/assets.h"

const int RAM_X = 14, RAM_Y = 19;  // an enemy body hurts within 14 across, 19 down
const int RAMMED_Y = 960;          // where a ramming enemy goes, to be removed

int spawn_interval()
{
    return 20 - 2 * stage;
}

ship new_enemy()
{
    ship e = ship();
    e.pattern = rnd() % 5;
    init[e.pattern](e);
    return e;
}

// Moves one enemy; false once it is to be removed.
static bool enemy_step(ship& e)
{
    move[e.pattern](e);
    e.y += e.dy;
    e.x += e.dx;

    if (hazard_reaches_player(e.x, e.y, RAM_X, RAM_Y)) {
        e.y = RAMMED_Y;
        hurt_player();
    }
    if (e.x > 640 || e.x < 0)
        return false;  // left by a side: no burst, no gems
    if (e.hp <= 0) {
        explode(60, 15, e);
        drop_gem(3 + rnd() % 4, e);
        play_sound(boom, 100, 1000);
        return false;
    }
    // No removal at the top: an enemy above the field may come down again.
    return e.y <= 480;
}

void enemy_handle()
{
    if (loop_num % spawn_interval() == 0 && e_left > 0) {
        enemy.push_back(new_enemy());
        e_left -= 1;
    }
    for (size_t i = 0; i < enemy.size();) {
        if (enemy_step(enemy[i]))
            i++;
        else
            enemy.erase(enemy.begin() + i);
    }
}
