// Sparks and gems through their makers, their handlers and the game pass.
#include "harness.h"

#include <algorithm>

using Effects = Headless;

static ship at(int x, int y)
{
    ship s = ship();
    s.x = x;
    s.y = y;
    return s;
}

TEST_F(Effects, MakersSpreadVelocitiesOverTheirRanges)
{
    for (int spread : {1, 18}) {
        spark.clear();
        explode(3000, spread, at(200, 100));
        flash(3000, spread, at(200, 100));
        int lo = 99, hi = -99;
        for (size_t i = 0; i < spark.size(); i++) {
            lo = std::min({lo, spark[i].dx, spark[i].dy});
            hi = std::max({hi, spark[i].dx, spark[i].dy});
            int c = spark[i].colour;  // hot red to yellow, then cool blue to cyan
            ASSERT_EQ(getr16(c) + getb16(c), 255);
            ASSERT_EQ(getr16(c), i < 3000 ? 255 : 0);
        }
        EXPECT_EQ(lo, -spread);
        EXPECT_EQ(hi, spread - 1);
    }
    drop_gem(2000, at(250, 150));
    int lo = 99, hi = -99;
    for (const projectile& g : bonus) {
        ASSERT_TRUE(g.x == 250 && g.y == 150);
        lo = std::min({lo, g.dx, g.dy});
        hi = std::max({hi, g.dx, g.dy});
    }
    EXPECT_EQ(lo, -5);
    EXPECT_EQ(hi, 4);
}

TEST_F(Effects, SparksSlowEveryThirdPassBounceAndStopAtRest)
{
    spark = {
        {300, 200, 5, -4, 0},  // free flight
        {130, 300, -5, 0, 0},  // crosses the left edge
        {510, 2, 5, -5, 0},    // crosses the right edge and the top
        {300, 478, 1, 5, 0},   // crosses the bottom
        {100, 300, 3, 0, 0},   // made outside the column: jitters in place
        {300, 300, 0, 0, 0},   // at rest from the start
    };
    const struct { int x, y, dx, dy; } after[3][5] = {
        {{305, 196, 5, -4}, {125, 300, 5, 0}, {515, -3, -5, 5}, {301, 483, 1, -5}, {103, 300, -3, 0}},
        {{310, 192, 5, -4}, {130, 300, 5, 0}, {510, 2, -5, 5}, {302, 478, 1, -5}, {100, 300, 3, 0}},
        {{315, 188, 4, -3}, {135, 300, 4, 0}, {505, 7, -4, 4}, {303, 473, 0, -4}, {103, 300, -2, 0}},
    };
    for (loop_num = 1; loop_num <= 3; loop_num++) {  // friction only on pass 3
        spark_handle();
        ASSERT_EQ(spark.size(), 5u);  // the one at rest went at once
        for (int i = 0; i < 5; i++) {
            const partical& p = spark[i];
            const auto& w = after[loop_num - 1][i];
            EXPECT_TRUE(p.x == w.x && p.y == w.y && p.dx == w.dx && p.dy == w.dy)
                << "pass " << loop_num << ", spark " << i << ": " << p.x << "," << p.y << " "
                << p.dx << "," << p.dy;
        }
    }
    // Spread 1 is at rest by the first third pass; spread 18 needs 18 of them.
    spark.clear();
    flash(60, 1, at(320, 240));
    for (loop_num = 1; loop_num <= 3; loop_num++)
        spark_handle();
    EXPECT_TRUE(spark.empty());
    explode(180, 18, at(320, 240));
    for (loop_num = 1; loop_num <= 54; loop_num++) {
        spark_handle();
        if (loop_num == 51) {
            EXPECT_FALSE(spark.empty());
        }
    }
    EXPECT_TRUE(spark.empty());
}

TEST_F(Effects, GemsFallStayInTheColumnAndComeToTheShip)
{
    player = at(300, 240);
    bonus = {
        {300, 240, 0, 0},     // on the ship, which is down
        {130, 100, -5, 3},    // leaves the column on the left: held, speed kept
        {510, 2, 5, -5},      // on the right, and above the top: no upper bound
        {200, 497, 0, 3},     // lands on 500: kept
        {200, 498, 0, 3},     // lands on 501: lost
        {200, 100, 30, -30},  // too fast
    };
    loop_num = 1000;  // gravity, no friction
    last_hit = loop_num - 60;
    gem_handle();
    const projectile after[] = {{300, 240, 0, 1}, {128, 103, -5, 4}, {512, -3, 5, -4},
                                {200, 500, 0, 4}, {230, 70, 11, -11}};
    ASSERT_EQ(bonus.size(), 5u);
    for (int i = 0; i < 5; i++)
        EXPECT_TRUE(bonus[i].x == after[i].x && bonus[i].y == after[i].y &&
                    bonus[i].dx == after[i].dx && bonus[i].dy == after[i].dy) << i;
    EXPECT_EQ(score, 0);

    // From d = 61 on, the ship pulls a gem 60 to its right, level with it:
    // -5 a pass, friction on pass 3, then the cap; none vertically.
    bonus = {{360, 240, 0, 0}};
    last_hit = 1 - 61;
    const int dx[] = {-5, -10, -11, -11};
    for (loop_num = 1; loop_num <= 4; loop_num++) {
        gem_handle();
        EXPECT_EQ(bonus[0].dx, dx[loop_num - 1]);
        EXPECT_EQ(bonus[0].dy, 0);
    }
    EXPECT_EQ(bonus[0].x, 334);
    sounds.clear();
    spark.clear();
    gem_handle();  // 23 away: collected, with its sound and a blue flash
    EXPECT_TRUE(bonus.empty());
    EXPECT_EQ(score, 1);
    ASSERT_EQ(times_played(collect), 1);
    EXPECT_EQ(sounds[0].volume, 150);
    EXPECT_TRUE(sounds[0].frequency >= 1000 && sounds[0].frequency <= 1002);
    ASSERT_EQ(spark.size(), 2u);
    EXPECT_EQ(getb16(spark[0].colour), 255);

    // The pick-up box reaches 24 each way.
    loop_num = 7;
    bonus = {{324, 264, 0, 0}, {276, 216, 0, 0}, {325, 240, 0, 0}, {300, 215, 0, 0}};
    gem_handle();
    EXPECT_EQ(score, 3);
    ASSERT_EQ(bonus.size(), 2u);
    EXPECT_EQ(bonus[0].dx, -5);
    EXPECT_EQ(bonus[1].dy, 5);
}

TEST_F(Effects, AnEnemysGemsAreCollectedInThePassItDies)
{
    start_game();
    passes(20);  // the ship is an untouchable ghost that collects
    enemy.clear();
    e_left = 0;
    ship e = at(player.x, player.y);
    e.hp = 0;
    enemy.push_back(e);
    sounds.clear();
    game_pass();
    EXPECT_TRUE(bonus.empty());
    EXPECT_TRUE(score >= 3 && score <= 6) << score;
    EXPECT_EQ(times_played(collect), score);  // one sound per gem
    EXPECT_EQ(times_played(boom), 1);
}
