// Quitting from every state of the game loop: the close button (quit())
// ends the loop before another pass, Esc after the pass it was read in, and
// shutdown then releases everything. The title and slide-in are tried
// through the real window in window_quit_states.sh.
#include "harness.h"

class QuitStates : public Headless {
protected:
    // Both ways out of the game loop, from the state the world is in now.
    void quit_both_ways(const char* state)
    {
        SCOPED_TRACE(state);
        int passes = loop_num;
        quit();
        game_loop();
        EXPECT_EQ(loop_num, passes) << "a pass ran after the close button";

        end_game = false;
        hold(KEY_ESC);
        game_loop();
        let_go(KEY_ESC);
        EXPECT_TRUE(end_game);
        EXPECT_EQ(loop_num, passes + (paused ? 0 : 1)) << "Esc ends the loop after its own pass";
        end_game = false;
    }
};

TEST_F(QuitStates, CloseButtonAndEscEndTheGameLoopInEveryState)
{
    start_game();
    passes(200);
    ASSERT_FALSE(boss_stage);
    ASSERT_GT(e_left, 0);
    quit_both_ways("wave");

    // The last enemy gone: the stage clears on the next pass.
    e_left = 0;
    enemy.clear();
    passes(2);
    ASSERT_EQ(e_left, -255);
    quit_both_ways("stage clear");

    hold(KEY_X);
    passes(1);
    let_go(KEY_X);
    passes(100);
    ASSERT_TRUE(boss_stage);
    ASSERT_EQ(boss.type, GLAIVE);
    quit_both_ways("boss");

    hold(KEY_P);
    game_loop_pass();
    let_go(KEY_P);
    ASSERT_TRUE(paused);
    quit_both_ways("paused");
    hold(KEY_P);
    game_loop_pass();
    let_go(KEY_P);
    ASSERT_FALSE(paused);

    // The last ship lost.
    lives = 0;
    last_hit = loop_num - 200;
    hurt_player();
    passes(1);
    ASSERT_TRUE(saved);
    quit_both_ways("game over");

    shutdown();
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(pship, nullptr);
    EXPECT_EQ(combat, nullptr);
    EXPECT_TRUE(enemy.empty() && star.empty() && boss.parts.empty());
}
