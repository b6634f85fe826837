// Regular enemies and their fire through the real handlers: where each kind
// enters and how it steers, ramming and shots, and removal while walking.
#include "harness.h"

#include <algorithm>

namespace {

class Enemies : public Headless {
protected:
    void SetUp() override
    {
        Headless::SetUp();
        e_left = 0;                  // nothing spawns unless a test asks
        loop_num = 1040;             // a spawn tick: even, and a multiple of 26
        last_hit = loop_num - 1000;  // the ship can be hurt
        player.x = 320;
        player.y = 240;
    }

    // One enemy pass at the current tick; then the clock moves on.
    static void tick()
    {
        enemy_handle();
        loop_num++;
    }

    static ship kind(int pattern, int x, int y, int dx = 0, int dy = 0)
    {
        return ship{x, y, 1, pattern, dx, dy};
    }
};

// A seed whose first draw, taken modulo m, is r.
unsigned seed_drawing(int r, int m)
{
    unsigned s = 0;
    for (;; s++) {
        srnd(s);
        if (rnd() % m == r)
            return s;
    }
}

TEST_F(Enemies, BasicStartsUpTo45PixelsNearerThePlayer)
{
    const unsigned column_200 = seed_drawing(200 - 128, 384);
    const int cases[][2] = {{230, 230}, {400, 245}, {246, 245}, {154, 155}, {200, 200}};
    for (const auto& c : cases) {
        player.x = c[0];
        srnd(column_200);
        ship e = ship();
        basic(e);
        EXPECT_EQ(e.x, c[1]) << "player at " << c[0];
        EXPECT_EQ(e.y, -10);
    }

    // Spawned on a spawn tick, it makes its first move at once: drawn at y = 0.
    player.x = 600;  // out of its way
    e_left = -255;   // the stage-clear mark spawns nothing
    tick();
    EXPECT_TRUE(enemy.empty());
    loop_num = 1066;
    e_left = 1;
    srnd(seed_drawing(0, 5));
    tick();
    ASSERT_EQ(enemy.size(), 1u);
    EXPECT_EQ(enemy[0].pattern, 0);
    EXPECT_EQ(enemy[0].y, 0);
    for (int i = 0; i < 30; i++)
        tick();
    ASSERT_EQ(enemy.size(), 1u);  // nothing more to spawn
    EXPECT_EQ(enemy[0].y, 300);   // straight down at 10 a pass
}

TEST_F(Enemies, WeaveSideSwingsAboutTheCentreAndLeavesOnItsEightySecondMove)
{
    player.x = 600;  // out of its way
    struct { int start, lo, hi; } cases[] = {{128, 129, 384}, {512, 256, 511}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        enemy = {kind(1, c.start, -10)};
        int lo = 9999, hi = -9999, moves = 0;
        while (!enemy.empty() && moves < 200) {
            tick();
            moves++;
            if (!enemy.empty()) {
                lo = std::min(lo, enemy[0].x);
                hi = std::max(hi, enemy[0].x);
            }
        }
        EXPECT_EQ(moves, 82);
        EXPECT_EQ(lo, c.lo);
        EXPECT_EQ(hi, c.hi);
    }

    // Exactly on the centre column an even tick leaves dx alone.
    loop_num = 2000;
    ship e = kind(1, 320, 100, 5);
    weave_side(e);
    EXPECT_EQ(e.dx, 5);
}

TEST_F(Enemies, CrossersEnterFromEitherSideAndHomeOnThePlayersHeight)
{
    int sides = 0;
    for (unsigned s = 0; s < 40; s++) {
        srnd(s);
        ship a = ship(), w = ship();
        across(a);
        side(w);
        EXPECT_TRUE((a.x == 0 && a.dx == 7) || (a.x == 640 && a.dx == -7)) << a.x;
        EXPECT_TRUE(a.y >= 0 && a.y < 160) << a.y;
        EXPECT_TRUE((w.x == 113 && w.dx == 11) || (w.x == 512 && w.dx == -11)) << w.x;
        EXPECT_TRUE(w.y >= 20 && w.y < 60) << w.y;
        sides |= a.x == 0 ? 1 : 2;
    }
    EXPECT_EQ(sides, 3);

    // A step toward the player's height every third tick; the clamp on every tick.
    ship e = kind(2, 300, 100, 7, 4);
    loop_num = 999;
    v_chase(e);
    EXPECT_EQ(e.dy, 5);
    e.dy = 9;
    loop_num = 1000;
    v_chase(e);
    EXPECT_EQ(e.dy, 5);
    e.y = player.y;
    loop_num = 1002;
    v_chase(e);
    EXPECT_EQ(e.dy, 5);  // level: kept
}

TEST_F(Enemies, FallHangsInThePlayersColumnAndDashesOnlyOnce)
{
    last_hit = loop_num;  // the ship cannot be rammed while this plays out
    player.x = 300;
    enemy = {kind(3, 300, 213, 0, 8)};
    tick();  // 27 rows above the ship: still falling
    EXPECT_EQ(enemy[0].y, 221);
    for (int i = 0; i < 10; i++)
        tick();  // level, in the very same column: it hangs
    EXPECT_TRUE(enemy[0].x == 300 && enemy[0].y == 221 && enemy[0].dx == 0);

    player.x = 280;
    tick();
    EXPECT_TRUE(enemy[0].dx == -10 && enemy[0].x == 290);
    player.x = 400;  // behind it now, and still level: it keeps its course
    tick();
    EXPECT_TRUE(enemy[0].x == 280 && enemy[0].y == 221);
}

TEST_F(Enemies, SideFiresOnceOverThePlayerThenClimbsAway)
{
    player.x = 128;
    player.y = 400;
    enemy = {kind(4, 113, 40, 11, 0)};
    tick();  // 15 columns off: it fires in its first tick, from where it stood
    ASSERT_EQ(eshot.size(), 1u);
    EXPECT_TRUE(eshot[0].x == 113 && eshot[0].y == 40 && eshot[0].dx == 0 && eshot[0].dy == 12);
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_TRUE(sounds[0].sample == laser && sounds[0].volume == 60 && sounds[0].frequency == 700);
    EXPECT_TRUE(enemy[0].x == 124 && enemy[0].y == 37);

    // Right over the ship on every tick after: no second shot. It climbs out
    // of sight, is kept there, and goes only when it passes the side.
    int ticks = 0, highest = 0;
    while (!enemy.empty() && ticks < 100) {
        player.x = enemy[0].x;
        highest = std::min(highest, enemy[0].y);
        tick();
        ticks++;
    }
    EXPECT_EQ(ticks, 47);  // 124 + 47 x 11 = 641
    EXPECT_LT(highest, -90);
    EXPECT_EQ(eshot.size(), 1u);
    EXPECT_EQ(times_played(laser), 1);

    // "Over the player" is 29 columns either way.
    ship e = kind(4, 300, 40, -11, 0);
    player.x = 330;
    slide(e);
    EXPECT_EQ(e.dy, 0);
    player.x = 271;
    slide(e);
    EXPECT_EQ(e.dy, -3);
    EXPECT_EQ(eshot.size(), 2u);
}

TEST_F(Enemies, RemovalKeepsTheWalkGoing)
{
    player.x = 600;
    enemy = {
        ship{300, 100, 0, 0, 0, 0},  // shot down: burst, gems, sound where it moved to
        ship{636, 100, 0, 2, 7, 0},  // also shot down, but out by the side: silent
        ship{633, 100, 1, 2, 7, 0},  // reaches 640 and stays
        ship{200, 471, 1, 0, 0, 0},  // reaches 481: gone below
        ship{200, 470, 1, 0, 0, 0},  // reaches 480 and stays
    };
    tick();
    ASSERT_EQ(enemy.size(), 2u);
    EXPECT_EQ(enemy[0].x, 640);
    EXPECT_EQ(enemy[1].y, 480);
    ASSERT_EQ(times_played(boom), 1);
    EXPECT_EQ(sounds[0].volume, 100);
    EXPECT_EQ(spark.size(), 60u);
    EXPECT_TRUE(bonus.size() >= 3 && bonus.size() <= 6) << bonus.size();
    for (const projectile& g : bonus)
        EXPECT_TRUE(g.x == 300 && g.y == 110);

    eshot = {projectile{200, 470, 0, 12}, projectile{200, 468, 0, 12}};
    eshot_handle();
    ASSERT_EQ(eshot.size(), 1u);
    EXPECT_EQ(eshot[0].y, 480);
}

TEST_F(Enemies, BodiesHurtWithin14By19AndShotsWithin19By19)
{
    struct { int x, y; bool body, shot; } cases[] = {
        {14, 19, true, true},   {-14, -19, true, true}, {15, 0, false, true},
        {-19, 19, false, true}, {19, -19, false, true}, {20, 0, false, false},
        {0, 20, false, false},  {0, -20, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
        // A diving body (10 a pass) and a shot (12 a pass) that end their move there.
        sounds.clear();
        spark.clear();
        enemy = {kind(0, 320 + c.x, 240 + c.y - 10)};
        last_hit = loop_num - 161;
        tick();
        EXPECT_EQ(times_played(boom), c.body ? 1 : 0);  // nothing here is shot down
        EXPECT_EQ(last_hit == loop_num - 1, c.body);
        EXPECT_EQ(enemy.empty(), c.body);  // a rammer goes, without burst or gems
        EXPECT_EQ(spark.size(), c.body ? 180u : 0u);
        EXPECT_TRUE(bonus.empty());

        eshot = {projectile{320 + c.x, 240 + c.y - 12, 0, 12}};
        last_hit = loop_num - 161;
        eshot_handle();
        EXPECT_EQ(last_hit == loop_num, c.shot);
        EXPECT_EQ(eshot.empty(), c.shot);
        loop_num++;
    }

    // At d = 160 the ship is still a ghost: the body flies through.
    enemy = {kind(0, 320, 230)};
    last_hit = loop_num - 160;
    tick();
    EXPECT_EQ(enemy.size(), 1u);
    EXPECT_EQ(last_hit, loop_num - 161);
}

TEST_F(Enemies, OneHurtPerPassHoweverManyHazardsOverlap)
{
    last_hit = loop_num - 200;
    eshot = {projectile{320, 230, 0, 12}, projectile{325, 232, 0, 12}};
    enemy = {kind(0, 320, 232), kind(0, 318, 235)};
    game_pass();
    EXPECT_EQ(times_played(boom), 1);
    EXPECT_EQ(last_hit, loop_num - 1);
    ASSERT_EQ(eshot.size(), 1u);  // the first shot hit; the second flies on
    EXPECT_EQ(eshot[0].y, 244);
    EXPECT_EQ(enemy.size(), 2u);  // and both bodies fly through

    // Hurtable again with two bodies on the ship: the first in the array rams.
    eshot.clear();
    sounds.clear();
    last_hit = loop_num - 161;
    game_pass();
    EXPECT_EQ(times_played(boom), 1);
    ASSERT_EQ(enemy.size(), 1u);
    EXPECT_TRUE(enemy[0].x == 318 && enemy[0].y == 255);
}

}  // namespace
