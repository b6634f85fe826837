// Presenting the frame: the window or the fullscreen, and the copy of each
// 640 x 480 frame from the back buffer onto it. The game draws every frame
// the same way whatever the screen; only this part knows how it reaches it.
#pragma once

extern int window_scale;    // the frame is shown enlarged this many times
extern bool in_fullscreen;  // the screen is the whole desktop, the frame centred on black
extern bool screen_lost;    // a switch left no screen at all (said): the game must end
extern void (*window_closed)();  // called (on the library's thread) when the close button is pressed

const int VIEW_W = 640, VIEW_H = 480;  // the frame every pass hands over

const int DESKTOP_RESERVE = 80;  // height --scale auto leaves free for a title bar and a panel
const char* const WINDOW_TITLE = "Zelto Star!";

// ---- Choices, from the desktop alone ---------------------------------------------

// The largest whole factor whose window fits the desktop's width and its
// height less DESKTOP_RESERVE; 1 when nothing larger fits.
int auto_scale(int desktop_w, int desktop_h);

// Where the frame goes on a screen of that size: enlarged by the largest
// whole factor that fits, centred. scale is 0 when not even 640 x 480 fits.
struct frame_place {
    int scale, x, y;
};
frame_place place_frame(int screen_w, int screen_h);

// The colour depth to open the screen at on a desktop of that depth: its
// own when the frame can be converted to it in one pass, else 16 (the
// library then converts).
int screen_depth_for(int desktop_depth);

// ---- The screen --------------------------------------------------------------------

// Opens the screen: the whole desktop when `fullscreen` (a window when that
// cannot be had, saying so), else a window of `scale` times 640 x 480 (0:
// the largest that fits the desktop) or the largest smaller one that can be
// had. False, with allegro_error set, when not even 640 x 480 can.
bool open_display(int scale, bool fullscreen);

// Between the window and the fullscreen; the game itself is not touched and
// keys held stay held.
// When neither can be had again, says so and ends the game.
void toggle_fullscreen();

// The window size chosen in the menu (0: auto): at once in a window, on
// leaving the fullscreen otherwise.
void choose_window_scale(int scale);
// The largest whole scale up to `most` whose window fits the desktop (1 when unknown).
int largest_window_scale(int most);

// Text shown on the screen until the first frame covers it.
void display_note(const char* text);

struct BITMAP;

// Shows a 640 x 480 frame, enlarged and placed as the screen is; nothing
// where there is no screen. The window manager's own fullscreen is followed
// here too.
void show_frame(BITMAP* frame);
void send_frame();      // the frame just shown goes to the X server now, not on the library's clock
extern void (*after_send)();  // when set, called after each frame is sent (for statistics)
