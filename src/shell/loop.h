// The three paced loops and the game pass, stage progression, and the
// seams through which tests, tools, recordings and replays take part in a
// pass. The game's states are not stored anywhere: they follow from
// boss_stage, e_left, enemy, lives, last_hit and r_stage, tested in the pass.
#pragma once

#include "world/world.h"

// ---- Input of a pass ---------------------------------------------------------------

// The input one pass reads: the six control flags and Esc.
struct pass_input {
    control flags;
    bool esc;
};
// When set, called at the end of every title, slide-in and game pass (for
// statistics, checks and hashes; the game itself never sets it).
extern void (*after_pass)();

// A replay running ahead: a pass still draws into the buffer (drawing draws
// random numbers too) but is not shown or waited for; before the run being
// watched its sounds are not played either.
extern bool pass_shown;     // true in the game

// Practice: the r_stage a practice run begins at (1 GLAIVE, 4 VORTEX, 8
// ANGEL, 12 the final stage), 0 for the game's own runs. A practice run
// starts there after the slide-in and again at each new game, and never
// enters the score table.
extern int practice_at;
void start_practice();

// ---- The three loops -----------------------------------------------------------

bool title_continues();     // the title loop's test
void title_pass();
const int SLIDE_STEP = 7;   // the side panels slide in 7 pixels a pass...
const int SLIDE_END = 126;  // ...from offset 0 to 126: 19 passes
void slide_pass(int offset);
void game_pass();
bool run_is_over();         // lives are out and the ship is down: "Game Over" shows
extern bool paused;         // P has paused the game loop
extern bool pause_on_focus_loss;  // the window losing the focus in play pauses it too
void focus_lost();          // the display-switch callback: the window lost the focus
void paused_pass();         // a pass of the paused game: nothing advances
void game_loop_pass();      // one pass of the game loop: P toggles the pause, then a pass

void title_loop();
void slide_in();
void game_loop();

void stage_advance();       // X on a cleared stage: the next boss stage
void new_game();            // X after game over
