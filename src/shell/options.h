// The command line and the folders the game uses. With no options the game
// runs exactly as designed: one 640 x 480 window, sound on, its files in the
// working folder.
#pragma once

#include <string>

struct options {
    int scale = 1;          // window size in multiples of 640 x 480, 1..4; 0: the largest that fits
    bool fullscreen = false;  // the whole desktop instead of a window
    bool mute = false;      // no music and no sound effects
    bool help = false;
    bool version = false;
    bool stats = false;     // print pacing figures on exit
    std::string record;     // file to record the run into, or ""
};

const int MAX_SCALE = 4;

// Parses argv; false with a one-line error for an unknown option or a bad value.
bool parse_options(int argc, char** argv, options& out, std::string& error);
// The text --help prints.
const char* usage_text();

// Where the assets are: the share/zelto folder beside the program's bin/
// folder when the game is installed there; otherwise "", the working folder
// (a game run from its source tree).
std::string find_data_dir(const std::string& program_path);
// The player's data folder: $XDG_DATA_HOME/zelto, else ~/.local/share/zelto
// (a relative XDG_DATA_HOME is ignored, as the XDG rules say); "" when there
// is no home either.
std::string user_data_dir(const char* xdg_data_home, const char* home);
// Creates a folder and its parents; false when it cannot.
bool make_folder(const std::string& path);
