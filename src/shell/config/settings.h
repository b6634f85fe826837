// The player's settings: keys, joystick buttons, volumes and the window,
// kept in a settings file in the game library's configuration format and
// laid over by the command line for one run. Every setting defaults to the
// game's own choice, so with no settings file the game runs as designed.
// The game reads the file at start-up; --save-settings and leaving the
// menus' Options are what write it.
#pragma once

#include "shell/machine/files.h"
#include "shell/config/keys.h"
#include "world/world.h"

#include <cstddef>
#include <string>
#include <vector>

struct options;

// Every setting, in the order the file and --settings list them: the keys
// of each action (in key_action order), then the rest.
enum setting_id {
    SET_KEYS,
    SET_JOY_FIRE = SET_KEYS + KEY_ACTIONS,
    SET_JOY_NEXT,
    SET_MUSIC,
    SET_EFFECTS,
    SET_MUTE,
    SET_SCALE,
    SET_FULLSCREEN,
    SET_FOCUS_PAUSE,
    SETTINGS
};

// Where a setting in effect came from.
enum setting_source { FROM_DEFAULT, FROM_FILE, FROM_OPTION };

struct settings {
    int keys[KEY_ACTIONS][KEYS_PER_ACTION];  // scancodes by action; 0 = none
    unsigned fire_buttons;                   // joystick buttons that fire, bit b for button b
    unsigned next_buttons;                   // ...and that continue
    int music = 100;                         // volumes 0..100; 100 is the game's own level
    int effects = 100;
    bool mute = false;                       // no sound at all
    int scale = 1;                           // window size 1..4; 0: the largest that fits
    bool fullscreen = false;
    bool pause_on_focus_loss = true;         // the window losing the focus in play pauses it
    setting_source from[SETTINGS] = {};      // where each came from

    settings();  // the game's own choices, all FROM_DEFAULT
};

const size_t SETTINGS_LIMIT = 64u << 10;  // a larger file is no settings file
const size_t SETTINGS_NOTES_SHOWN = 10;   // lines of complaint about one file, then a count
const unsigned EVEN_BUTTONS = 0x55555555u;  // buttons 0, 2, 4...: the game's fire buttons
const unsigned ODD_BUTTONS = 0xaaaaaaaau;   // buttons 1, 3, 5...: its continue buttons

// Section and key of a setting in the file ("keys", "fire"...).
const char* setting_section(int id);
const char* setting_key(int id);
// A setting's value as the file writes it: "LEFT A", "even", "100", "yes", "auto".
std::string setting_value(const settings& s, int id);


// Lays the settings that a settings file's text gives over `into`, whose
// values are the fallbacks. Every bad thing in it (a bad value, a key bound
// twice, a setting or section that does not exist, a text that is not a
// settings file) adds one line to `notes`, naming `file` and, where there
// is one, the section, key and value; the setting then keeps its fallback.
// A setting given twice keeps the first and says so. After
// SETTINGS_NOTES_SHOWN lines, one more says how many were left unsaid.
// False when the text is no settings file (binary, or a line that is no
// section, setting or comment): one that must not be replaced.
bool parse_settings(const std::string& file, const std::vector<unsigned char>& text,
                    settings& into, std::vector<std::string>& notes);
// The same from a file. One that is not there is no settings file, said
// only when `named` (the player named it with --config); one that cannot
// be read, is no regular file, too large, empty or binary gets one line.
// False when something is there that is no settings file.
bool read_settings(const std::string& path, bool named, settings& into,
                   std::vector<std::string>& notes);
// The command line's settings over the file's, for this run.
void apply_options(const options& opt, settings& s);

// The text of a settings file holding s, a comment line before each key.
std::string settings_text(const settings& s);
// What --settings prints: the file, then each setting, its value and where
// it came from.
std::string settings_report(const settings& s, const std::string& path);

// Writes s to path (through links) via a temporary file beside it, synced
// and renamed over the old one, so the old file stays whole if anything
// fails; the folder is made when missing. Refuses to replace a file that is
// no settings file. False with a one-line reason.
bool save_settings(const std::string& path, const settings& s, std::string& why);
// The steps of that write, in order: the folder, then replace_file's.
enum { SETTINGS_STEP_FOLDER, SETTINGS_STEP_CREATE, SETTINGS_STEP_WRITE, SETTINGS_STEP_SYNC,
       SETTINGS_STEP_CLOSE, SETTINGS_STEP_RENAME, SETTINGS_STEPS };
static_assert(SETTINGS_STEPS == SETTINGS_STEP_CREATE + REPLACE_STEPS &&
                  SETTINGS_STEP_RENAME == SETTINGS_STEP_CREATE + REPLACE_RENAME,
              "the write's steps are replace_file's");
// Test seam: when set, asked before each step; true makes that step fail.
extern bool (*settings_write_fails)(int step);

// Puts the keys, the buttons, the volumes and the pause on focus loss into
// the game; the window and mute are start-up's arguments.
void use_settings(const settings& s);
