// The command line and the folders the game uses. With no options the game
// runs exactly as designed: one 640 x 480 window, sound on, its files in the
// working folder.
#pragma once

#include <string>

// The settings among them (scale, fullscreen, mute, music, effects) hold
// for this run over the settings file; the *_given flags tell which were on
// the command line.
struct options {
    int scale = 1;          // window size in multiples of 640 x 480, 1..4; 0: the largest that fits
    bool scale_given = false;
    bool fullscreen = false;  // the whole desktop instead of a window
    bool fullscreen_given = false;  // --fullscreen or --window
    bool mute = false;      // no music and no sound effects
    int music = -1;         // music volume 0..100; -1 when not given
    int effects = -1;       // sound effects volume 0..100; -1 when not given
    std::string config;     // the settings file to use instead of the player's, or ""
    bool save_settings = false;  // write the settings in effect to the settings file and exit
    bool show_settings = false;  // print the settings in effect and exit
    bool help = false;
    bool version = false;
    bool stats = false;     // print pacing figures on exit
    std::string record;     // file to record the run into, or ""
    std::string replay;     // recorded run to watch instead of playing, or ""
    std::string verify;     // recorded run to play headless and check, or ""
    int practice = 0;       // the r_stage to practise at (1, 4, 8, 12), or 0
};

const int MAX_SCALE = 4;

// Parses argv; false with a one-line error for an unknown option or a bad value.
bool parse_options(int argc, char** argv, options& out, std::string& error);
// The text --help prints.
const char* usage_text();

