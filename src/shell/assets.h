// What the game's rules take from the shell, and all they take: the back
// buffer they draw into, the images, fonts and sounds start-up loaded, a
// sound effect played, and the path of a data file.
#pragma once

#include <string>

struct BITMAP;
struct RLE_SPRITE;
struct SAMPLE;
struct FONT;

// Set at start-up, released at shutdown.
extern BITMAP* buffer;       // 640 x 480 back buffer; every frame is drawn here
extern BITMAP* pship;        // player ship; its width also places the side panels
extern BITMAP* bullet;       // player shot
extern RLE_SPRITE* beam;     // run-length copy of bullet
extern BITMAP* ebullet;      // enemy shot
extern RLE_SPRITE* ebeam;    // run-length copy of ebullet
extern BITMAP* eship[5];     // enemy ships by pattern
extern RLE_SPRITE* nship[5]; // run-length copies of eship
extern BITMAP* xp;           // gem image
extern RLE_SPRITE* gem;      // run-length copy of xp; what a gem is drawn with
extern SAMPLE* boom;         // explosion
extern SAMPLE* laser;        // shot
extern SAMPLE* collect;      // gem picked up
extern SAMPLE* enter;        // the ship enters: start, respawn, new stage
extern FONT* title;          // large bitmap font
extern FONT* text;           // small bitmap font

// Plays a sound effect once, centred: volume 0..255, frequency 1000 = as
// recorded (the levels and the seams are in machine/sound.h).
void play_sound(SAMPLE* sample, int volume, int frequency);

// A data file's path: in the installed data folder, or the working folder.
std::string data_path(const char* name);
