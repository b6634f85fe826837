// The player's ship over real game passes: steering and clamping, the fire
// cadence, shots leaving the top, the hurt rule and the hit-age cycle.
#include "harness.h"

#include <initializer_list>
#include <utility>

// Shots the player fired (enemy fire plays the same sample, louder and lower).
static int shots_fired()
{
    int n = 0;
    for (const played& p : sounds)
        n += p.sample == laser && p.volume == 50 && p.frequency == 1000;
    return n;
}

static std::pair<int, int> at() { return {player.x, player.y}; }
static std::pair<int, int> xy(int x, int y) { return {x, y}; }

class Player : public Headless {
protected:
    // Into the game past its entry pass, with the opening wave out of the
    // way: the ship is a ghost at (320, 240) and nothing else moves.
    void into_game()
    {
        start_game();
        enemy.clear();
        e_left = 0;
        passes(1);
    }
    // Exactly these keys held for n passes.
    static void hold_for(int n, std::initializer_list<int> keys)
    {
        release_all();
        for (int k : keys)
            hold(k);
        passes(n);
    }
};

TEST_F(Player, FireCadenceFollowsThePassCounterNotTheKey)
{
    into_game();
    passes(4);
    ASSERT_EQ(loop_num % 4, 1);
    sounds.clear();
    hold_for(3, {KEY_Z});  // 4k+1 .. 4k+3
    EXPECT_EQ(shots_fired(), 0);
    game_pass();  // 4k+4
    ASSERT_EQ(shot.size(), 1u);
    EXPECT_EQ(shots_fired(), 1);
    EXPECT_EQ(shot[0].x, 320);
    EXPECT_EQ(shot[0].y, 240 - 18);  // moved once in its own pass
    passes(4);
    EXPECT_EQ(shots_fired(), 2);

    // The first shot rises to y = 6, then leaves.
    hold_for(8, {});
    ASSERT_EQ(shot.size(), 2u);
    EXPECT_EQ(shot[0].y, 6);
    game_pass();
    ASSERT_EQ(shot.size(), 1u);
    EXPECT_EQ(shot[0].y, 240 - 18 * 10);

    // From y = 180 a shot reaches row 0, still on screen; from y = 0 it is
    // gone in the pass that fires it, never drawn.
    player.y = 180;
    while (loop_num % 4 != 0)
        game_pass();
    hold_for(1, {KEY_Z});
    hold_for(9, {});
    ASSERT_EQ(shot.size(), 1u);
    EXPECT_EQ(shot[0].y, 0);
    game_pass();
    EXPECT_TRUE(shot.empty());
    player.y = 0;
    sounds.clear();
    hold_for(8, {KEY_Z});
    EXPECT_EQ(shots_fired(), 2);
    EXPECT_TRUE(shot.empty());
}

TEST_F(Player, SteersInsideTheColumnAndOppositeKeysCancel)
{
    into_game();
    hold_for(1, {KEY_RIGHT, KEY_UP});
    EXPECT_EQ(at(), xy(330, 230));
    hold_for(3, {KEY_RIGHT, KEY_LEFT, KEY_UP, KEY_DOWN});
    EXPECT_EQ(at(), xy(330, 230));
    hold_for(30, {KEY_RIGHT});
    EXPECT_EQ(at(), xy(512, 230));
    hold_for(50, {KEY_LEFT});
    EXPECT_EQ(at(), xy(128, 230));
    hold_for(30, {KEY_UP});
    EXPECT_EQ(at(), xy(128, 0));
    hold_for(60, {KEY_DOWN});
    EXPECT_EQ(at(), xy(128, 480));
    // A step across an edge stops on it.
    player = ship{507, 475, 0, 0, 0, 0};
    hold_for(1, {KEY_RIGHT, KEY_DOWN});
    EXPECT_EQ(at(), xy(512, 480));
    player = ship{133, 5, 0, 0, 0, 0};
    hold_for(1, {KEY_LEFT, KEY_UP});
    EXPECT_EQ(at(), xy(128, 0));
}

TEST_F(Player, HazardsHurtOnlyPastTheGhostAge)
{
    into_game();
    player = ship{300, 300, 0, 0, 0, 0};
    const int lives_before = lives;

    // An enemy shot lands on the ship at d = 160 and is still on it at 161.
    last_hit = loop_num - 160;
    eshot.push_back(projectile{300, 288, 0, 12});
    sounds.clear();
    game_pass();
    EXPECT_EQ(loop_num - 1 - last_hit, 160);
    ASSERT_EQ(eshot.size(), 1u);
    EXPECT_EQ(eshot[0].y, 300);
    EXPECT_EQ(times_played(boom), 0);
    game_pass();
    EXPECT_EQ(last_hit, loop_num - 1);
    EXPECT_TRUE(eshot.empty());
    ASSERT_EQ(times_played(boom), 1);
    EXPECT_EQ(sounds.back().volume, 200);
    EXPECT_GT(spark.size(), 150u);

    // The same with an enemy ship flying into the player.
    last_hit = loop_num - 160;
    enemy.push_back(ship{300, 290, 1, 0, 0, 0});
    game_pass();
    ASSERT_EQ(enemy.size(), 1u);
    EXPECT_EQ(enemy[0].y, 300);
    EXPECT_EQ(times_played(boom), 1);
    game_pass();
    EXPECT_EQ(last_hit, loop_num - 1);
    EXPECT_TRUE(enemy.empty());
    EXPECT_EQ(times_played(boom), 2);
    // A hit moves nothing and takes no life: the respawn does that.
    EXPECT_EQ(lives, lives_before);
    EXPECT_EQ(at(), xy(300, 300));
}

TEST_F(Player, DownedShipRespawnsAtTheCentreAsAGhost)
{
    into_game();
    player = ship{200, 400, 0, 0, 0, 0};
    last_hit = loop_num;  // hit on the coming pass
    const int lives_before = lives;
    sounds.clear();
    hold_for(60, {KEY_RIGHT, KEY_Z});  // d = 0 .. 59: down, deaf to the controls
    EXPECT_EQ(at(), xy(200, 400));
    EXPECT_EQ(lives, lives_before);

    game_pass();  // d = 60: back, but not yet steering
    EXPECT_EQ(at(), xy(320, 240));
    EXPECT_EQ(lives, lives_before - 1);
    ASSERT_EQ(times_played(enter), 1);
    EXPECT_EQ(sounds.back().volume, 100);
    EXPECT_EQ(shots_fired(), 0);

    game_pass();  // d = 61: a ghost that steers
    EXPECT_EQ(at(), xy(330, 240));
}

TEST_F(Player, WithNoShipsLeftTheShipNeverReturns)
{
    into_game();
    lives = 0;
    player = ship{400, 100, 0, 0, 0, 0};
    last_hit = loop_num - 161;
    eshot.push_back(projectile{400, 88, 0, 12});
    game_pass();
    ASSERT_EQ(last_hit, loop_num - 1);

    sounds.clear();
    hold_for(0, {KEY_RIGHT, KEY_Z});
    int renewals = 0;
    for (int i = 0, last = last_hit; i < 300; i++, last = last_hit) {
        game_pass();
        ASSERT_GE(hit_age(), 1);
        ASSERT_LE(hit_age(), 60);
        renewals += last_hit != last;
    }
    EXPECT_EQ(renewals, 5);  // d = 60 is d = 0 again: every 60 passes
    EXPECT_EQ(lives, 0);
    EXPECT_EQ(times_played(enter), 0);
    EXPECT_EQ(shots_fired(), 0);
    EXPECT_EQ(at(), xy(400, 100));
}
