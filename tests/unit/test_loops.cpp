// The three loops over real passes: pacing, the title and slide-in counts,
// the first pass, stage advances and new games.
#include "harness.h"

#include <climits>

using Loops = Headless;

TEST_F(Loops, FireHeldGivesTwentyFiveTitlePassesThenNineteenSlideIn)
{
    hold(KEY_Z);
    title_loop();
    EXPECT_EQ(loop_num, 25);

    int before = logic_time;
    slide_in();
    // Each simulated pass lasts exactly the 19 ms of the pacing.
    EXPECT_EQ((logic_time - before) / PASS_TICKS, 19);
    EXPECT_EQ(loop_num, 0);
    ASSERT_EQ(songs_started().size(), 1u);
    EXPECT_EQ(songs_started()[0], combat);
}

TEST_F(Loops, TitleWaitsForFireAfterItsMinimum)
{
    for (int i = 0; i < 40; i++) {
        ASSERT_TRUE(title_continues());
        title_pass();
    }
    hold(KEY_Z);
    title_pass();  // this pass reads the key...
    EXPECT_FALSE(title_continues());  // ...and the next test ends the title
    EXPECT_EQ(loop_num, 41);
}

TEST_F(Loops, EscOnTheTitleSkipsTheSlideInAndTheGame)
{
    hold(KEY_ESC);
    title_loop();
    EXPECT_EQ(loop_num, 25);
    EXPECT_TRUE(end_game);

    int before = logic_time;
    slide_in();
    EXPECT_EQ(logic_time, before);  // no slide-in pass
    game_loop();
    EXPECT_EQ(logic_time, before);  // and no game pass
    EXPECT_EQ(loop_num, 0);
    ASSERT_EQ(songs_started().size(), 1u);  // combat starts before the slide-in test
}

TEST_F(Loops, FirstGamePassTakesTheEntryLife)
{
    start_game();
    sounds.clear();
    EXPECT_EQ(lives, 3);
    game_pass();
    EXPECT_EQ(lives, 2);
    EXPECT_EQ(times_played(enter), 1);
    EXPECT_EQ(player.x, 320);
    EXPECT_EQ(player.y, 240);
    EXPECT_EQ(loop_num, 1);
}

TEST_F(Loops, EscDuringPlayFinishesThePassThenStops)
{
    start_game();
    passes(10);
    hold(KEY_ESC);
    int before = loop_num;
    game_loop();
    EXPECT_EQ(loop_num, before + 1);
    EXPECT_TRUE(end_game);
}

TEST_F(Loops, PacingSurvivesTheTimerWrapping)
{
    logic_time = INT_MAX - 5;
    start_time = logic_time;
    wait_pass();
    // 19 ticks later, across the wrap, and not a tick more.
    EXPECT_EQ(unsigned(logic_time) - unsigned(INT_MAX - 5), unsigned(PASS_TICKS));
    start_game();
    passes(3);
}

// Clears the opening wave without playing it: what a cleared stage looks like.
static void clear_stage()
{
    e_left = 0;
    enemy.clear();
    boss_stage = false;
}

TEST_F(Loops, StageAdvanceGivesLivesProtectionAndTheBossSong)
{
    start_game();
    passes(200);
    clear_stage();
    int lives_before = lives;
    sounds.clear();
    music_log.clear();
    hold(KEY_X);
    game_pass();
    let_go(KEY_X);

    EXPECT_EQ(r_stage, 1);
    EXPECT_TRUE(boss_stage);
    EXPECT_EQ(boss.type, GLAIVE);
    EXPECT_EQ(lives, lives_before + 1);
    EXPECT_EQ(loop_num - 1 - last_hit, 61);  // d was 61 on the advance pass
    EXPECT_EQ(times_played(enter), 1);
    ASSERT_FALSE(songs_started().empty());
    EXPECT_EQ(songs_started().back(), drama);
    EXPECT_EQ(music_log.front().kind, music_event::STOP_ALL);
}

TEST_F(Loops, EveryFourthAdvanceGivesASecondLife)
{
    start_game();
    passes(1);
    r_stage = 3;
    clear_stage();
    int lives_before = lives;
    hold(KEY_X);
    game_pass();
    EXPECT_EQ(r_stage, 4);
    EXPECT_EQ(boss.type, VORTEX);
    EXPECT_EQ(lives, lives_before + 2);
}

TEST_F(Loops, StageClearWarpClimbsAndFalls)
{
    start_game();
    passes(1);
    clear_stage();
    passes(40);
    EXPECT_EQ(wrp_spd, 35);
    e_left = 5;  // a wave again
    passes(6);
    EXPECT_EQ(wrp_spd, 5);
    passes(1);
    EXPECT_EQ(wrp_spd, 0);
}

TEST_F(Loops, NewGameResetsTheRunAndNothingMore)
{
    start_game();
    passes(1);
    // A run in its last moments, with debris in every container.
    lives = 0;
    last_hit = loop_num - 10;
    score = 77;
    r_stage = 5;
    boss_stage = true;
    boss.type = VORTEX;
    vortex_i();
    stage = -3;
    enemy.push_back(new_enemy());
    eshot.push_back(projectile{300, 300, 0, 12});
    shot.push_back(projectile{300, 200, 0, -18});
    bonus.push_back(projectile{300, 100, 0, 0});
    spark.push_back(partical{300, 100, 1, 1, 0});
    player.x = 400;
    player.y = 300;
    size_t stars_before = star.size();

    music_log.clear();
    hold(KEY_X);
    game_pass();

    EXPECT_EQ(lives, 2);
    EXPECT_EQ(score, 0);
    EXPECT_EQ(r_stage, 0);
    EXPECT_EQ(stage, -3);
    EXPECT_EQ(e_left, 62);
    EXPECT_EQ(loop_num, 1);
    EXPECT_EQ(last_hit, -60);
    EXPECT_FALSE(boss_stage);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(enemy.empty());
    EXPECT_TRUE(eshot.empty());
    EXPECT_TRUE(bonus.empty());
    EXPECT_TRUE(spark.empty());
    // Left as they were: shots in flight, the sky, the boss record, the ship.
    EXPECT_FALSE(shot.empty());
    EXPECT_GE(star.size(), stars_before - 30);
    EXPECT_EQ(boss.parts.size(), 4u);
    EXPECT_EQ(player.x, 400);
    EXPECT_EQ(player.y, 300);
    // The run before was recorded, then the opening song starts again.
    EXPECT_EQ(highscore[0], 77);
    ASSERT_FALSE(songs_started().empty());
    EXPECT_EQ(songs_started().back(), combat);

    // The new run's first pass has d = 61: no entry sound, no life taken.
    let_go(KEY_X);
    sounds.clear();
    game_pass();
    EXPECT_EQ(lives, 2);
    EXPECT_EQ(times_played(enter), 0);
}
