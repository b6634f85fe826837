// Sparks: bursts that fly out, slow down in steps, bounce off the play
// column and vanish at rest. A spark has no lifetime of its own.
#include "world/world.h"
#include "render/render.h"

#include <allegro.h>

const int SPARK_FRICTION_PERIOD = 3;  // each velocity moves 1 toward 0 on multiples of 3

static void sparks(int n, int spread, ship s, bool hot)
{
    for (int i = 0; i < n; i++) {
        partical p{s.x, s.y, 0, 0, 0};
        p.dx = rnd() % (2 * spread) - spread;
        p.dy = rnd() % (2 * spread) - spread;
        int g = rnd() % 256;
        p.colour = hot ? makecol(255, g, 0) : makecol(0, g, 255);
        spark.push_back(p);
    }
}

void flash(int n, int spread, ship s)
{
    sparks(n, spread, s, false);
}

void explode(int n, int spread, ship s)
{
    sparks(n, spread, s, true);
}

static void toward_zero(int& v)
{
    if (v < 0) v += 1;
    if (v > 0) v -= 1;
}

void spark_handle()
{
    for (size_t i = 0; i < spark.size();) {
        partical& p = spark[i];
        p.y += p.dy;
        p.x += p.dx;
        if (loop_num % SPARK_FRICTION_PERIOD == 0) {
            toward_zero(p.dx);
            toward_zero(p.dy);
        }
        // Positions are never clamped: a spark past an edge turns back next pass.
        if (p.x < COLUMN_LEFT || p.x > COLUMN_RIGHT)
            p.dx = -p.dx;
        if (p.y < 0 || p.y > 480)
            p.dy = -p.dy;
        if (p.dx == 0 && p.dy == 0)
            spark.erase(spark.begin() + i);
        else
            i++;
    }
}
