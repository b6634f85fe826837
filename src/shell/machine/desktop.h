// The window among the desktop's others, through the X connection the
// library opened: the game's own class and icon, the window manager's
// fullscreen (asked for, and followed when the desktop sets it), keys held
// across a change of mode, and a window destroyed from outside.
#pragma once

extern volatile bool window_lost;  // the window was destroyed from outside: the game quits, X is not touched again

const char* const WINDOW_CLASS = "Zelto";  // as the desktop entry's StartupWMClass
const char* const WINDOW_NAME = "zelto";

// Before the library starts: the class every window it opens will carry.
void name_the_window();

// Once the library's X connection is up: errors about the game's own
// window mean it was destroyed, which ends the game instead of the process.
void catch_window_errors();

// After each mode set: the icon on the window the desktop manages.
void set_window_icon();

// A window manager runs that puts a window in fullscreen on request.
bool wm_has_fullscreen();

// Asks the window manager to put the window in or out of fullscreen.
void ask_wm_fullscreen(bool on);

// What the window manager says of the window: 1 fullscreen, 0 not, -1 unknown.
int wm_says_fullscreen();

// The keys down now (key[] as it reads) and, for a while after a change of
// mode, those of them the server still has down though the library let go
// of them when the focus moved.
void note_held_keys();
void keep_held_keys();

// The icon, made from dist/zelto.svg with the package's icons
// (tools/make_icons.sh) and built in: WINDOW_ICON_SIZE squared pixels, RGBA.
extern const int WINDOW_ICON_SIZE;
extern const unsigned char WINDOW_ICON_RGBA[];
