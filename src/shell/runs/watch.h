// Watching a recorded run in the window: paused, stepped, sped up, sought
// through, with a progress bar and the input of each pass on demand.
//
// Before the run is shown it is played once unseen, keeping the world every
// MARK_EVERY passes; a seek puts back the nearest kept world before the
// pass sought and plays the rest unseen, so any point is a moment away.
#pragma once

#include <cstddef>

struct recording;
struct BITMAP;
struct control;

const int FAST_PASSES = 4;         // passes a shown frame while the fast key is held
const int MARK_EVERY = 250;        // passes between the worlds kept for seeking
const int SEEK_PASSES = 526;       // Left and Right: 10 s of passes (19 ms each)
const int BAR_LINGER = 2000;       // ms the bar stays after a key
const int INPUT_BOX = 12;          // the input display: one box a direction, and fire
const int INPUT_X = 20, INPUT_Y = 420;  // its top-left corner

struct watched_run {
    bool ended;                // the recording played to its end or its own quit (not left with Esc)
    int passes;                // recorded passes played
    unsigned long long hash;   // state_hash() where it stopped
    size_t diverged;           // the pass where it went another way than its hashes say, or 0
    bool left;                 // Esc left it
};

// Plays the run in the window from the world start-up would make of its
// seed and table: found first (played unseen, "Finding the run"), then
// shown from the start of its run at the game's pace. Esc leaves, P
// pauses, period or S steps a paused run by one pass, the fast key runs
// FAST_PASSES passes a frame, Left and Right seek SEEK_PASSES back or
// ahead, Home and End go to the start and to the last pass (paused), I
// shows the input, the screenshot key saves the frame as played. Neither
// the score file nor any replay is written.
watched_run play_watched(const recording& run);
// The last frame with "End of replay" over it (and, for a run that went
// another way, at which pass), until Esc, Z or X (or the close button).
void end_of_replay(const watched_run& w);

// The session's world set aside while a run is watched from the menu, and
// put back afterwards as it was.
void hold_world();
void give_world_back();

// ---- The parts, for the tests and the benchmark (headless too) ------------------

// Plays the run once unseen from start-up, keeping worlds on the way; false
// when it never reaches a game pass (nothing to seek in).
bool prepare_watch(const recording& run);
size_t watch_start();  // the first pass a seek can reach: the run's first game pass
size_t watch_end();    // the last pass: the recording's, or where it went another way
// The world as watching reaches it after `pass` recorded passes, its frame
// in the buffer and its song playing.
void seek_watch(size_t pass);
void step_watch();     // one more pass, shown
void finish_watch();   // forgets the kept worlds and leaves the playing mode
// The bar (time watched, the run's length) and, when shown, the input
// display of this pass's controls, over a frame.
void draw_watch_overlay(BITMAP* frame, bool bar, bool inputs);
