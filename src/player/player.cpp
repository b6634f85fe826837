// The player's ship, its shots and the hit-age cycle.
#include "world/world.h"
#include "player/player.h"
#include "render/render.h"
#include "shell/assets.h"

#include <allegro.h>
#include <cstdlib>

const int STEER = 10;                   // pixels per pass per held direction
const int TOP = 0, BOTTOM = 480;        // the ship's y range; x keeps to the play column
const int FIRE_PERIOD = 4;              // a shot leaves on passes that are multiples of 4
const int SHOT_SPEED = -18;             // pixels per pass, upward
const int SHOT_REACH = 19;              // a shot hits an enemy within 19 on both axes

int hit_age()
{
    return loop_num - last_hit;
}

bool player_hurtable()
{
    return hit_age() > GHOST_AGE;
}

bool hazard_reaches_player(int x, int y, int hx, int hy)
{
    return abs(player.x - x) <= hx && abs(player.y - y) <= hy && player_hurtable();
}

void hurt_player()
{
    explode(180, 18, player);
    play_sound(boom, 200, 1000);
    last_hit = loop_num;
}

void player_step()
{
    if (hit_age() <= RESPAWN_AGE)
        return;
    if (controls.up) player.y -= STEER;
    if (controls.right) player.x += STEER;
    if (controls.down) player.y += STEER;
    if (controls.left) player.x -= STEER;

    if (player.y < TOP) player.y = TOP;
    if (player.y > BOTTOM) player.y = BOTTOM;
    if (player.x < COLUMN_LEFT) player.x = COLUMN_LEFT;
    if (player.x > COLUMN_RIGHT) player.x = COLUMN_RIGHT;

    // The cadence follows the clock, not the key press.
    if (controls.fire && loop_num % FIRE_PERIOD == 0)
        fire();
}

void fire()
{
    shot.push_back(projectile{player.x, player.y, 0, SHOT_SPEED});
    play_sound(laser, 50, 1000);
}

void shot_handle()
{
    for (size_t i = 0; i < shot.size();) {
        projectile& s = shot[i];
        s.y += s.dy;
        s.x += s.dx;
        if (s.y < 0)
            shot.erase(shot.begin() + i);
        else
            i++;
    }
}

void shot_enemy_hits()
{
    // Nothing is erased here: a hit enemy dies in the enemy handler's next
    // pass and a spent shot in the next shot_handle. A spent shot can still
    // hit an enemy near its new place above the top edge.
    for (size_t i = 0; i < enemy.size(); i++)
        for (size_t j = 0; j < shot.size(); j++)
            if (abs(shot[j].x - enemy[i].x) <= SHOT_REACH && abs(shot[j].y - enemy[i].y) <= SHOT_REACH) {
                enemy[i].hp -= 1;
                shot[j].y = SPENT_SHOT_Y;
            }
}

void respawn_check()
{
    if (hit_age() != RESPAWN_AGE)
        return;
    if (lives > 0) {
        play_sound(enter, 100, 1000);
        player.x = 320;
        player.y = 240;
        lives -= 1;
    } else {
        // Out of ships: stay down for good, d cycling 0..60.
        last_hit = loop_num;
    }
}
