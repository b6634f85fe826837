// --stats: how long start-up took, how long a game pass really lasts, how
// evenly its frames reach the X server and how much of a processor the game
// uses while playing, printed on exit.
#pragma once

void stats_start();       // the program has started: the clock for start-up
void stats_count_pass();  // an after_pass hook: counts and times the passes
void stats_count_send();  // an after_send hook: times the gaps between frames sent
void stats_game_began();  // from here on passes are game passes
void stats_report();      // prints the figures on stderr
// Prints the game's state hash as the run ends (before shutdown), the one a
// replay of its recording ends with.
void stats_final_state();
