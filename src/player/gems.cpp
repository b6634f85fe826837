// Gems: the only score. They drift, slow, fall, are pulled toward the ship
// and collected on contact.
#include "world/world.h"
#include "player/player.h"
#include "render/render.h"
#include "shell/assets.h"

#include <cstdlib>

const int FRICTION_PERIOD = 3;  // dx moves 1 toward 0 on multiples of 3
const int GRAVITY_PERIOD = 5;   // dy grows by 1 on multiples of 5
const int PULL_RANGE = 79;      // the ship pulls gems within 79 on both axes
const int PULL = 5;             // velocity change per pass toward the ship
const int PICK_UP = 24;         // collected within 24 on both axes
const int GEM_SPEED_MAX = 11;   // per-axis speed limit
const int LOST_BELOW = 500;     // a gem below this row is gone
const int COLLECTED_Y = 960;    // where a collected gem goes to be removed

void drop_gem(int n, ship s)
{
    for (int i = 0; i < n; i++) {
        projectile g{s.x, s.y, 0, 0};
        g.dx = rnd() % 10 - 5;
        g.dy = rnd() % 10 - 5;
        bonus.push_back(g);
    }
}

static int limit(int v, int most)
{
    if (v > most) return most;
    if (v < -most) return -most;
    return v;
}

void gem_handle()
{
    for (size_t i = 0; i < bonus.size();) {
        projectile& g = bonus[i];
        g.y += g.dy;
        g.x += g.dx;
        if (loop_num % FRICTION_PERIOD == 0) {
            if (g.dx > 0) g.dx -= 1;
            if (g.dx < 0) g.dx += 1;
        }
        if (loop_num % GRAVITY_PERIOD == 0)
            g.dy += 1;

        if (hit_age() > RESPAWN_AGE) {
            int ex = g.x - player.x, ey = g.y - player.y;
            if (abs(ex) <= PULL_RANGE && abs(ey) <= PULL_RANGE) {
                if (ey < 0) g.dy += PULL;
                if (ey > 0) g.dy -= PULL;
                if (ex < 0) g.dx += PULL;
                if (ex > 0) g.dx -= PULL;
            }
            if (abs(ex) <= PICK_UP && abs(ey) <= PICK_UP) {
                g.y = COLLECTED_Y;
                play_sound(collect, 150, 1000 + rnd() % 3);
                flash(2, 4, player);
                score += 1;
            }
        }

        g.dy = limit(g.dy, GEM_SPEED_MAX);
        g.dx = limit(g.dx, GEM_SPEED_MAX);
        if (g.x < COLUMN_LEFT) g.x = COLUMN_LEFT;
        if (g.x > COLUMN_RIGHT) g.x = COLUMN_RIGHT;

        if (g.y > LOST_BELOW)
            bonus.erase(bonus.begin() + i);
        else
            i++;
    }
}
