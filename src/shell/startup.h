// Start-up and shutdown: straight-line sequences before and after the
// loops, and the songs and other handles only the shell itself uses.
#pragma once

struct song;

extern song* combat;         // opening-wave song
extern song* drama;          // boss-stage song
extern song* stage_clear;    // stage-clear song

// Opens the screen (see open_display: scale 0 is the largest window that
// fits), sound (none when muted), timer and input, and loads everything.
// Returns 0, or an exit status after printing one line that says what is
// missing.
int startup(int scale = 1, bool mute = false, bool fullscreen = false);
// The same world with no window, sound, timer or joystick, for tests, tools
// and the benchmark: the clock is simulated and the random generator seeded.
int startup_headless(unsigned seed);
// Puts the world back as start-up leaves it, from this seed (a replay in
// the window starts here); the score table is left alone.
void restart_world(unsigned seed);
// Releases everything start-up made, in the fixed order; safe after a
// start-up that failed part way.
void shutdown();

void quit();  // the window's close button: ends the game as Esc does
