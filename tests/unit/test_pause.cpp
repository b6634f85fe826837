// Pause sits around the game: while paused nothing advances, and the game
// goes on exactly where it stopped.
#include "harness.h"

#include <unistd.h>

using Pause = Headless;

TEST_F(Pause, NothingAdvancesWhilePausedAndEscStillQuits)
{
    start_game();
    hold(KEY_Z);
    hold(KEY_LEFT);
    passes(300);  // enemies, shots, sparks and gems about
    unsigned long long before = state_hash();
    int clock = loop_num;
    music_log.clear();
    sounds.clear();

    hold(KEY_P);
    game_loop_pass();
    EXPECT_TRUE(paused);
    for (int i = 0; i < 500; i++)
        game_loop_pass();  // P still held: no toggling back
    let_go(KEY_P);
    for (int i = 0; i < 500; i++)
        game_loop_pass();

    EXPECT_EQ(state_hash(), before);
    EXPECT_EQ(loop_num, clock);
    EXPECT_TRUE(music_log.empty());
    EXPECT_TRUE(sounds.empty());

    // The frame shown is the last one; the buffer itself keeps it unmarked.
    hold(KEY_P);
    game_loop_pass();  // resumes, and this pass is a game pass
    EXPECT_FALSE(paused);
    EXPECT_EQ(loop_num, clock + 1);
    let_go(KEY_P);

    game_loop_pass();
    hold(KEY_P);
    game_loop_pass();
    ASSERT_TRUE(paused);
    // Tab while paused saves the frame.
    const std::string shot = save_path("zelto_screen.bmp");
    unlink(shot.c_str());
    hold(KEY_TAB);
    game_loop_pass();
    let_go(KEY_TAB);
    EXPECT_EQ(access(shot.c_str(), F_OK), 0);
    hold(KEY_ESC);
    game_loop();  // ends at once: Esc works while paused
    EXPECT_TRUE(end_game);
    paused = false;
}

// The window losing the focus pauses play as P does, until P; not with the
// setting off, not on the game-over screen, not while a run is replayed, not
// in a switch between the window and the fullscreen.
TEST_F(Pause, LosingTheFocusInPlayPausesUntilP)
{
    start_game();
    passes(100);
    unsigned long long before = state_hash();
    focus_lost();
    game_loop_pass();
    EXPECT_TRUE(paused);
    for (int i = 0; i < 100; i++)
        game_loop_pass();  // the focus coming back changes nothing
    EXPECT_TRUE(paused);
    EXPECT_EQ(state_hash(), before);
    hold(KEY_P);
    game_loop_pass();
    let_go(KEY_P);
    EXPECT_FALSE(paused);

    // Also while P's own pause is on: it stays on.
    hold(KEY_P);
    game_loop_pass();
    let_go(KEY_P);
    focus_lost();
    game_loop_pass();
    EXPECT_TRUE(paused);
    hold(KEY_P);
    game_loop_pass();
    let_go(KEY_P);
    ASSERT_FALSE(paused);

    pause_on_focus_loss = false;
    focus_lost();
    game_loop_pass();
    EXPECT_FALSE(paused);
    pause_on_focus_loss = true;

    runs_mode = RUN_HEADLESS;  // a replay: the loss is not the player's
    focus_lost();
    game_loop_pass();
    runs_mode = RUN_NONE;
    EXPECT_FALSE(paused);
    game_loop_pass();  // nor is it kept for later
    EXPECT_FALSE(paused);

    lives = 0;
    last_hit = loop_num;  // game over
    focus_lost();
    game_loop_pass();
    EXPECT_FALSE(paused);
    lives = 1;

    // The old window's focus lost in a switch to the fullscreen is no pause.
    in_fullscreen = true;
    focus_lost();
    game_loop_pass();
    in_fullscreen = false;
    EXPECT_FALSE(paused);
}
