// Sound effects at the player's level, and the sound device brought up
// quietly.
#pragma once

struct SAMPLE;

// Plays a sound effect once, centred: volume 0..255, frequency 1000 = as
// recorded; heard at effects_level percent of that volume, and not at all
// where that comes to nothing.
void play_sound(SAMPLE* sample, int volume, int frequency);
extern int effects_level;  // percent of each effect's volume heard, 0..100 (100: as designed)
extern void (*sound_observer)(SAMPLE* sample, int volume, int frequency);  // tests listen here
extern bool sounds_heard;  // false while a replay runs ahead unheard; true in the game

// Installs the sound device, or silence when there is none or it takes no
// sound, with one line saying so rather than the library's own probing.
void install_sound_quietly();
