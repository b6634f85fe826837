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
