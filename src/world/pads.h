// Pads: every joystick the library finds, read into one state each per
// pass, and watched for pads plugged in or pulled out while the game runs.
// The control flags take the pads' state in control::update(); the menus
// and the pause read it here.
#pragma once

const int MAX_PADS = 8;            // pads read at once (the library's most)
const int PAD_WATCH_PASSES = 52;   // the device files are looked at once in this many passes (1 s)

// One pad's input as the last pass read it.
struct pad_state {
    bool up, right, down, left;  // a stick or the d-pad past the library's threshold
    bool fire, next, pause;      // a button bound to each is held
};

extern int pad_count;              // usable pads (two buttons and a stick at least) read into pads
extern pad_state pads[MAX_PADS];   // their state, first pad first
extern bool pad_pulled;            // a pad in use was pulled out: the pause says so until play goes on

// Starts the joystick with the pads plugged in now, and the watch for
// others from then on. Only the game in its window calls it.
void detect_joystick();
// Polls the library and reads every pad into pads[].
void read_pads();
// Once a pass of the title and the game loop: once a second looks at the
// device files and, where pads came or went, starts the joystick again with
// those there. True on the pass a pad in use was found pulled out.
bool pads_watch();
// The pads' word to pause or go on: a pause button pressed (not held from
// before), or after a pull, a fire button pressed on any pad. Reads the pads.
bool pad_pause_pressed();
