// Where every file goes: the game's data, and the player's folders for the
// scores, screenshots, replays and settings, by the XDG rules.
#pragma once

#include <string>

extern std::string data_dir;  // folder the assets are read from; "" is the working folder
extern std::string save_dir;  // folder of the score file and screenshot; "" likewise

std::string data_path(const char* name);
std::string save_path(const char* name);

// The installed data folder relative to the installed program's folder, as
// configured ("../share/games/zelto" by default).
extern const char* const data_from_program;

// Where the assets are: the installed data folder, reached from the
// program's own folder by RELATIVE, when the game is installed; otherwise "",
// the working folder (a game run from its source tree).
std::string find_data_dir(const std::string& program_path,
                          const std::string& relative = data_from_program);
// The player's home: $HOME, else the password database's; null for none.
const char* home_folder();
// The player's data folder: $XDG_DATA_HOME/zelto, else ~/.local/share/zelto
// (a relative XDG_DATA_HOME is ignored, as the XDG rules say); "" when there
// is no home either.
std::string user_data_dir(const char* xdg_data_home, const char* home);
// The player's settings file: $XDG_CONFIG_HOME/zelto/zelto.cfg, else
// ~/.config/zelto/zelto.cfg (a relative XDG_CONFIG_HOME is ignored); "" when
// there is no home either.
std::string user_settings_file(const char* xdg_config_home, const char* home);
// Creates a folder and its parents; false when it cannot.
bool make_folder(const std::string& path);
