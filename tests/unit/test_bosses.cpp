// The three bosses over real passes: attacks, damage, death and drawing.
// Regular enemies are kept off the field (a spawn interval that never comes
// round), so every bullet, hurt and pixel checked here is the boss's.
#include "harness.h"
#include "pool_shown.h"

#include <algorithm>
#include <cmath>

static rgb colour(int r, int g, int b)
{
    int c = makecol(r, g, b);
    return rgb{getr16(c), getg16(c), getb16(c)};
}

// How many of v (sparks, gems) stand exactly on s.
template <class T> static long on(const std::vector<T>& v, const ship& s)
{
    return std::count_if(v.begin(), v.end(), [&](const T& o) { return o.x == s.x && o.y == s.y; });
}

class Bosses : public Headless {
protected:
    // A game under way, then the boss set up as the stage advance does it.
    void meet(int type)
    {
        start_game();
        passes(1);
        stage = -100000;  // no regular enemy spawns in these tests
        boss.type = type;
        if (type == GLAIVE) glaive_i();
        if (type == VORTEX) vortex_i();
        if (type == ANGEL) angel_i();
        boss_stage = true;
    }
    inline static int fired;  // enemy bullets fired in the last pass
    // One pass with the player a ghost (d = 160) or open to harm (d = 161,
    // with the bullets of earlier attacks swept away).
    static void pass(bool hurtable = false)
    {
        if (hurtable)
            eshot.clear();
        last_hit = loop_num - (hurtable ? GHOST_AGE + 1 : GHOST_AGE);
        long staying = std::count_if(eshot.begin(), eshot.end(), [](const projectile& b) { return b.y + b.dy <= 480; });
        game_pass();
        fired = int(eshot.size() - staying);
    }
    static void run(int n) { while (n-- > 0) pass(); }
    static bool hurt_last_pass() { return last_hit == loop_num - 1; }
    // Passes until one in which the idle boss starts attack `want` (any for 0).
    static bool until_attack(int want = 0)
    {
        for (int i = 0; i < 8000; i++) {
            bool idle = boss.mode == 0;
            pass();
            if (idle && boss.mode != 0 && (want == 0 || boss.mode == want))
                return true;
        }
        return false;
    }
};

TEST_F(Bosses, GlaiveAttacksFromTheFarSide)
{
    meet(GLAIVE);
    for (int px : {319, 320}) {
        player.x = px;
        player.y = 150;
        ASSERT_TRUE(until_attack());
        int hand = px == 319 ? 1 : 0;
        EXPECT_EQ(boss.param, hand) << "player at x " << px;
        run(3);
        EXPECT_NE(boss.parts[hand].x, hand ? 420 : 220) << "the attacking hand moves";
        EXPECT_EQ(boss.parts[1 - hand].x, hand ? 220 : 420) << "the other one rests";
    }

    player.x = 200;  // the right hand comes
    player.y = 300;
    ASSERT_TRUE(until_attack(2));
    int bullets = fired, length = 1;  // counting the choice pass and the last
    for (; boss.mode == 2 && length < 40; length++) {
        pass();
        bullets += fired;
        EXPECT_EQ(boss.parts[1].y, 170) << "a bomb run keeps its height";
    }
    EXPECT_TRUE(length == 21 || length == 22) << length;
    EXPECT_EQ(bullets, 2);

    ASSERT_TRUE(until_attack(1));
    int sweep_y = -1, leftmost = 420;
    for (int i = 0; i < 60 && boss.mode == 1; i++) {
        pass();
        const ship& h = boss.parts[1];
        if (boss.mode == 1 && h.dx != 0) {
            sweep_y = sweep_y < 0 ? h.y : sweep_y;
            EXPECT_EQ(h.y, sweep_y) << "the sweep is level";
            leftmost = std::min(leftmost, h.x);
        }
    }
    EXPECT_GT(sweep_y, player.y - 10) << "the hand comes down to the player's height";
    EXPECT_LE(sweep_y, player.y + 3);
    EXPECT_LT(leftmost, player.x) << "and sweeps across the player";
}

TEST_F(Bosses, GlaiveHeadTakesTheDamageAndTheHandsBurstAtDeath)
{
    meet(GLAIVE);
    pass();  // the hands at rest; no attack choice before loop_num 40
    // After this pass's move: one shot on each hand, two on the head.
    shot = {{220, 188, 0, -18}, {420, 188, 0, -18}, {320, 103, 0, -18}, {340, 110, 0, -18}};
    pass();
    EXPECT_EQ(boss.body.hp, 68);
    ASSERT_EQ(shot.size(), 4u);
    EXPECT_EQ(shot[0].y, 170);
    EXPECT_EQ(shot[1].y, 170);
    pass();
    EXPECT_EQ(shot.size(), 2u) << "the spent shots go, those on the hands fly on";
    EXPECT_EQ(boss.body.hp, 68);

    player.x = 200;
    player.y = 400;
    ASSERT_TRUE(until_attack(1));
    run(15);  // the right hand is on its way down
    ASSERT_EQ(boss.mode, 1);
    boss.body.hp = 1;
    shot.push_back(projectile{320, 103, 0, -18});
    bonus.clear();
    spark.clear();
    sounds.clear();
    pass();
    EXPECT_FALSE(boss_stage);
    EXPECT_GT(boss.parts[1].y, 300) << "the right hand died in mid-attack";
    for (const ship& hand : boss.parts) {
        EXPECT_EQ(on(spark, hand), 60);
        EXPECT_GE(on(bonus, hand), 5);
        EXPECT_LE(on(bonus, hand), 14);
    }
    EXPECT_GE(on(bonus, boss.body), 50);
    EXPECT_LE(on(bonus, boss.body), 99);
    EXPECT_EQ(times_played(boom), 1);
}

TEST_F(Bosses, VortexShieldHoldsWhileAnyNodeLives)
{
    meet(VORTEX);
    player.x = 320;  // so a cannon leaves the core where it is
    player.y = 450;
    auto shoot_core = [] { shot.push_back(projectile{boss.body.x, boss.body.y + 18, 0, -18}); };
    // A full turn of shots on the core: all absorbed with blue sparks. Where
    // each node stands relative to the core is noted for every phase.
    int place[64][4][2];
    for (int i = 0; i < 64; i++) {
        spark.clear();
        shoot_core();
        pass();
        EXPECT_EQ(boss.body.hp, 70);
        EXPECT_EQ(shot.back().y, -10);
        ASSERT_EQ(spark.size(), 30u);
        EXPECT_TRUE(getr16(spark[0].colour) == 0 && getb16(spark[0].colour) == 255);
        for (int j = 0; j < 4; j++) {
            place[(loop_num - 1) % 64][j][0] = boss.parts[j].x - boss.body.x;
            place[(loop_num - 1) % 64][j][1] = boss.parts[j].y - boss.body.y;
        }
    }
    // Shots at node 0 wherever it stands clear of the core's box.
    int aimed = 0;
    ship node{};
    for (int i = 0; i < 600 && boss.parts.size() == 4; i++) {
        node = boss.parts[0];
        if (node.hp == 1)
            sounds.clear(), bonus.clear();
        if (abs(node.x - boss.body.x) > 34 || abs(node.y - boss.body.y) > 34) {
            shot.push_back(projectile{node.x, node.y + 18, 0, -18});
            aimed++;
        }
        pass();
        if (boss.parts.size() == 4) {
            EXPECT_EQ(boss.parts[0].hp, 7 - aimed);
        }
    }
    ASSERT_EQ(boss.parts.size(), 3u);
    EXPECT_EQ(aimed, 7);
    EXPECT_EQ(node.hp, 1);
    EXPECT_EQ(times_played(boom), 1);
    EXPECT_GE(on(bonus, node), 10);
    EXPECT_LE(on(bonus, node), 19);
    // The survivors close up into the first three places of the ring.
    for (int j = 0; j < 3; j++) {
        EXPECT_EQ(boss.parts[j].hp, 7);
        EXPECT_EQ(boss.parts[j].x - boss.body.x, place[(loop_num - 1) % 64][j][0]) << j;
        EXPECT_EQ(boss.parts[j].y - boss.body.y, place[(loop_num - 1) % 64][j][1]) << j;
    }
    // One node is shield enough; with none the core is open.
    for (int left = 1; left >= 0; left--) {
        while (int(boss.parts.size()) > left)
            boss.parts.erase(boss.parts.begin());
        shoot_core();
        pass();
        EXPECT_EQ(boss.body.hp, 70 - !left);
    }
}

TEST_F(Bosses, VortexVolleyAndCannon)
{
    meet(VORTEX);
    player.x = 300;
    player.y = 450;
    ASSERT_TRUE(until_attack(1));
    int start = loop_num - 1;
    std::vector<int> when(fired, 0);
    while (boss.mode == 1 && loop_num - start < 200) {
        pass();
        when.insert(when.end(), fired, loop_num - 1 - start);
    }
    EXPECT_EQ(when, (std::vector<int>{0, 16, 32, 48})) << "one bullet per node, every 16 passes";
    EXPECT_EQ(loop_num - 1 - start, 64) << "the volley ends when no node is left to fire";

    ASSERT_TRUE(until_attack(2));
    EXPECT_EQ(boss.body.x, 300);
    const rgb blue = colour(32, 128, 255);
    // Pass k after the choice: 20 passes of charge, then 39 of beam whose
    // half-width swells to 20 and shrinks; the player alternates between just
    // inside and just outside it, at the top or the bottom of the field.
    for (int k = 1; k < 60; k++) {
        int p = k - 39, w = p > -20 ? 20 - abs(p) : 0;
        bool inside = k % 2 == 0;
        player.x = 300 + (k % 4 < 2 ? 1 : -1) * (w > 0 ? (inside ? w - 1 : w) : 0);
        player.y = k % 3 == 0 ? 0 : 480;
        pass(true);
        EXPECT_EQ(hurt_last_pass(), w > 0 && inside) << "pass " << k;
        if (k == 59)
            break;
        EXPECT_EQ(boss.body.x, 300);
        if (w > 0) {
            EXPECT_EQ(pixel(buffer, 300 + w, 300), blue) << "pass " << k;
            EXPECT_EQ(pixel(buffer, 300 - w, 470), blue) << "pass " << k;
            EXPECT_FALSE(pixel(buffer, 300 + w + 1, 300) == blue) << "pass " << k;
        } else {
            EXPECT_FALSE(pixel(buffer, 300, 300) == blue) << "no beam while charging, pass " << k;
        }
        int r = -2 * p - 30;  // the charge ring shrinks 2 a pass
        if (p < -20 && r > pool[0]->w / 2) {
            EXPECT_EQ(pixel(buffer, 300 - r, boss.body.y), blue) << "ring, pass " << k;
        }
    }
    EXPECT_EQ(boss.mode, 0);
    EXPECT_EQ(boss.body.x, 320);
}

TEST_F(Bosses, AngelLockOnFollowsStopsAndStrikes)
{
    meet(ANGEL);
    player.x = 250;
    player.y = 300;
    for (int i = 0; i < 2000 && boss.timer != 1; i++)
        pass();
    ASSERT_EQ(boss.timer, 1);
    EXPECT_EQ((loop_num - 1) % 60, 0);
    const rgb white = colour(255, 255, 255);
    auto reticle = [&] {  // white pixels on the outer arcs' circle
        int n = 0;
        for (int v = -30; v <= 30; v++)
            for (int u = -30; u <= 30; u++)
                n += std::fabs(std::hypot(u, v) - 28) < 1.5 && pixel(buffer, boss.mode + u, boss.param + v) == white;
        return n;
    };
    for (int k = 2; k <= 51; k++) {
        player.x = k <= 40 ? 250 + k : 450;  // followed for 40 passes, then left
        player.y = k <= 40 ? 300 + k : 450;
        pass();
        EXPECT_EQ(boss.mode, 250 + std::min(k, 40)) << "pass " << k;
        EXPECT_EQ(boss.param, 300 + std::min(k, 40)) << "pass " << k;
        if (k < 51) {  // (in the last frame the strike covers the place)
            EXPECT_EQ(reticle() > 40, k <= 44) << "pass " << k;
        }
        EXPECT_EQ(boss.parts.size(), k == 51 ? 1u : 0u) << "pass " << k;
    }
    ASSERT_EQ(boss.parts.size(), 1u);
    const ship s = boss.parts[0];
    EXPECT_EQ(s.x, 290);
    EXPECT_EQ(s.y, 340);
    EXPECT_EQ(s.hp, 80);
    // Drawn at full size in the frame it is made, over the ship.
    EXPECT_EQ(pixel(buffer, s.x, s.y), white);
    EXPECT_EQ(pixel(buffer, s.x + 35, s.y), colour(210, 210, 210));
    EXPECT_EQ(pixel(buffer, s.x, s.y + 40), colour(100, 100, 100));
    EXPECT_GT(shown(0, boss.body.x, boss.body.y), 0.9);
}

TEST_F(Bosses, AngelJumpsAndStrikesOneAtATimeHurtingStrictlyInsideTheBox)
{
    meet(ANGEL);
    int lo_x = 999, hi_x = 0, lo_y = 999, hi_y = 0;
    for (int i = 0; i < 20000; i++) {
        a_move();
        lo_x = std::min(lo_x, boss.body.x), hi_x = std::max(hi_x, boss.body.x);
        lo_y = std::min(lo_y, boss.body.y), hi_y = std::max(hi_y, boss.body.y);
    }
    EXPECT_EQ(lo_x, 158);
    EXPECT_EQ(hi_x, 481);
    EXPECT_EQ(lo_y, 50);
    EXPECT_EQ(hi_y, 229);

    struct { int dx, dy, age, hurts; } cases[] = {
        {40, 0, 0, false}, {0, -40, 0, false}, {-39, 39, 0, true}, {1, 0, 39, false}, {0, 0, 39, true},
    };
    for (const auto& c : cases) {
        player.x = 320;
        player.y = 400;
        bool made = false;
        for (int i = 0; i < 3000 && !made; i++) {
            pass();
            ASSERT_LE(boss.parts.size(), 1u) << "one strike at a time";
            made = !boss.parts.empty() && boss.parts.back().hp == 80;
        }
        ASSERT_TRUE(made);
        ASSERT_EQ(boss.parts.back().x, 320);
        run(c.age);
        player.x = 320 + c.dx;
        player.y = 400 + c.dy;
        pass(true);
        EXPECT_EQ(hurt_last_pass(), bool(c.hurts)) << c.dx << ", " << c.dy << " at hp " << 80 - 2 * c.age;
    }
}

TEST_F(Bosses, EachBossDrawsItsImagesUnderTheJitteringCaption)
{
    meet(GLAIVE);
    run(2);
    EXPECT_GT(shown(0, 320, 85), 0.95);
    EXPECT_GT(shown(1, 220, 170), 0.95);
    EXPECT_GT(shown(2, 420, 170), 0.95);
    boss.type = VORTEX;
    vortex_i();
    run(2);
    EXPECT_GT(shown(0, 320, 85), 0.95);
    for (const ship& n : boss.parts)
        EXPECT_GT(shown(1, n.x, n.y), 0.5) << "the core may cover part of a node";
    boss.type = ANGEL;
    angel_i();
    run(2);
    EXPECT_GT(shown(0, boss.body.x, boss.body.y), 0.95);

    // The caption alone, in the final stage: its ink box, stars masked out.
    boss.type = NO_BOSS;
    const char* caption = "Don't Zelto!";
    int half = text_length(text, caption) / 2 + 4, bottom = 17 + 6 + text_height(text) + 4;
    std::vector<int> box[4];
    for (int f = 0; f < 300; f++) {
        game_pass();
        int x0 = 999, y0 = 999, x1 = -1, y1 = -1;
        for (int y = 0; y < bottom; y++)
            for (int x = 317 - half; x <= 323 + half; x++) {
                bool on_star = false;
                for (const snow& s : star)
                    on_star |= (abs(x - s.x) <= 1 && y == s.y) || (x == s.x && abs(y - s.y) <= 1);
                if (on_star || !(pixel(buffer, x, y) == colour(255, 255, 255)))
                    continue;
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
        ASSERT_GE(x1, 0) << "no caption in frame " << f;
        box[0].push_back(x0), box[1].push_back(y0), box[2].push_back(x1 - x0), box[3].push_back(y1 - y0);
    }
    auto spread = [](const std::vector<int>& v) {
        return *std::max_element(v.begin(), v.end()) - *std::min_element(v.begin(), v.end());
    };
    EXPECT_EQ(spread(box[0]), 6) << "x";
    EXPECT_EQ(spread(box[1]), 6) << "y";
    EXPECT_EQ(spread(box[2]) + spread(box[3]), 0) << "the caption is whole in every frame";
}
