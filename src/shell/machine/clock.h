// The clock and the pacing of passes: a pass lasts at least PASS_TICKS
// milliseconds, and nothing is made up after a slow one. Headless runs
// replace the clock through the two seams.
#pragma once

extern volatile int logic_time;  // milliseconds (ticks) since start-up; wraps
extern int start_time;           // logic_time at the start of the current pass

const int PASS_TICKS = 19;  // a pass lasts at least 19 ms: at most 52.6 passes a second

void update_time();         // one tick of the simulated clock (headless runs)
extern void (*pace_rest)(int ms);  // lets ms milliseconds pass: up to that clock tick in the game, simulated headless
extern void (*pace_clock)();       // sets logic_time from the clock; null where pace_rest advances it
void wait_pass();           // waits until the pass has lasted PASS_TICKS
// Starts the pass: start_time from the clock.
void begin_pass();
// The clock at 0 from now (a headless run's simulated clock too).
void start_clock();
// Sleeps until the clock is ms whole ticks on (the game's pace_rest).
void sleep_to_tick(int ms);
// Reads the monotonic clock into logic_time (the game's pace_clock).
void read_ms_clock();
