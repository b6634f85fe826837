// A whole run through the stage sequence over real passes: the opening
// wave, the eleven boss stages and the final stage, each boss brought down
// by its hit points and each stage left with X once it is clear.
#include "harness.h"

using Stages = Headless;

// White ink in the right panel below the boss banner: the credits.
static int credits_ink()
{
    int n = 0;
    for (int y = 100; y <= 340; y++)
        for (int x = 530; x < 640; x++)
            n += pixel(buffer, x, y) == rgb{255, 255, 255};
    return n;
}

// One pass in which the player cannot be hurt and every regular enemy on the
// field and every boss still standing has been brought down to nothing.
static void clearing_pass()
{
    last_hit = loop_num - GHOST_AGE;
    for (ship& e : enemy)
        e.hp = 0;
    if (boss_stage && boss.type != NO_BOSS)
        boss.body.hp = 0;
    game_pass();
}

TEST_F(Stages, TwelveAdvancesMeetEveryBossThenTheEndlessFinalStage)
{
    start_game();
    game_pass();  // the entry
    const int want_type[13] = {-1, GLAIVE, GLAIVE, GLAIVE, VORTEX, VORTEX, VORTEX, VORTEX,
                               ANGEL, ANGEL, ANGEL, ANGEL, NO_BOSS};
    std::vector<const song*> want_songs = {combat};
    for (int advance = 1; advance <= 12; advance++) {
        int guard = 0;
        while (e_left != -255 && guard++ < 3000)
            clearing_pass();
        ASSERT_EQ(e_left, -255) << "stage " << r_stage << " never cleared";
        EXPECT_FALSE(boss_stage);
        EXPECT_EQ(credits_ink(), 0) << "no credits at stage " << r_stage;
        want_songs.push_back(stage_clear);
        for (int i = 0; i < 5; i++)  // the clear screen waits for X
            clearing_pass();
        EXPECT_EQ(r_stage, advance - 1);
        EXPECT_EQ(songs_started(), want_songs) << "stage " << r_stage;

        int lives_before = lives;
        sounds.clear();
        hold(KEY_X);
        game_pass();
        let_go(KEY_X);
        want_songs.push_back(drama);
        SCOPED_TRACE("advance to r_stage " + std::to_string(advance));
        EXPECT_EQ(r_stage, advance);
        EXPECT_TRUE(boss_stage);
        EXPECT_EQ(boss.type, want_type[advance]);
        EXPECT_EQ(lives - lives_before, advance % 4 == 0 ? 2 : 1);
        EXPECT_EQ(times_played(enter), 1);
        EXPECT_EQ(songs_started(), want_songs);
        if (boss.type != NO_BOSS) {  // set up, then ticked once in the advance pass
            EXPECT_EQ(boss.parts.size(), boss.type == GLAIVE ? 2u : boss.type == VORTEX ? 4u : 0u);
            EXPECT_EQ(boss.body.hp, boss.type == ANGEL ? 105 : 70);
        }
        EXPECT_EQ(credits_ink() > 0, advance == 12);
    }

    // The final stage: no boss to bring down, so it never clears, X or not,
    // and the credits stay up.
    hold(KEY_X);
    for (int i = 0; i < 600; i++) {
        clearing_pass();
        ASSERT_TRUE(boss_stage) << "pass " << i;
    }
    EXPECT_EQ(r_stage, 12);
    EXPECT_EQ(boss.type, NO_BOSS);
    EXPECT_EQ(songs_started(), want_songs);
    EXPECT_GT(credits_ink(), 100);
}
