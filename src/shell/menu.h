// The menus: the title's (X opens it) and the pause's (P), with the options
// pages for sound, screen and controls. A menu pass reads the keyboard and
// the pad itself and touches nothing of the world, so nothing done in a
// menu is part of a run: a recording never sees a menu pass.
#pragma once

#include <string>

struct BITMAP;
struct settings;

enum menu_kind { MENU_TITLE, MENU_PAUSE };
enum menu_page { PAGE_TOP, PAGE_OPTIONS, PAGE_SOUND, PAGE_SCREEN, PAGE_CONTROLS };
// What leaving a menu chose.
enum menu_result { MENU_OPEN, MENU_BACK, MENU_PLAY, MENU_RESUME, MENU_QUIT };

extern menu_kind menu_now;      // the menu open (or last open)
extern menu_page page_now;      // its page
extern int entry_now;           // the chosen entry of that page, from 0
extern menu_result menu_left;   // MENU_OPEN while the menu is open, then how it was left
extern bool play_chosen;        // Play was chosen: the title's passes hold fire until the run begins
extern std::string menu_note;   // the line under the entries: a key moved, a save that failed

const int MENU_REPEAT_DELAY = 18;  // passes a direction is held before it repeats (about 0.35 s)
const int MENU_REPEAT_EVERY = 6;   // ...then a step every this many passes (about 9 a second)
const int MENU_SWITCH_QUIET = 40;  // passes after a switch of screen mode in which presses are not taken
const int VOLUME_STEP = 10;        // the sliders move in tens

// The settings in effect at start-up (command line included) and the file
// that leaving Options saves to ("" when there is none).
void menu_settings(const settings& in_effect, const std::string& path);

// On the title: the next key's press (live play only, never a replay)
// opens the menu, which runs its own passes before the title goes on.
void title_menu();
// Opens a menu at its first page; close_menu() puts it away unchosen (P on the pause).
void open_menu(menu_kind kind);
void close_menu();
// One menu pass: input, a step, the frame shown, the wait. False once the
// menu has been left (menu_left says how).
bool menu_pass();
// Draws the menu as it stands into a 640 x 480 frame.
void draw_menu(BITMAP* frame);
