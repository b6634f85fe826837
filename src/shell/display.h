// Presenting the frame: the window or the fullscreen, and the copy of each
// 640 x 480 frame from the back buffer onto it. The game draws every frame
// the same way whatever the screen; only this part knows how it reaches it.
#pragma once

extern int window_scale;    // the frame is shown enlarged this many times
extern bool in_fullscreen;  // the screen is the whole desktop, the frame centred on black

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

// Between the window and the fullscreen; the game itself is not touched.
// When neither can be had again, says so and ends the game.
void toggle_fullscreen();

// Text shown on the screen until the first frame covers it.
void display_note(const char* text);

struct BITMAP;

void present();         // shows the buffer; F11 or Alt+Enter first toggles the fullscreen
void present_frame(BITMAP* frame);  // the same for a 640 x 480 frame of another bitmap
void send_frame();      // the frame just shown goes to the X server now, not on the library's clock
extern void (*after_send)();  // when set, called after each frame is sent (for statistics)
void present_paused();  // the last frame with "Paused" over it; the same keys
void screenshot();      // saves the buffer (while the screenshot key is held)
