// Showing the game's frames: the fullscreen keys, the pause picture and the
// screenshot, over the machine's screen.
#pragma once

struct BITMAP;

void present();         // shows the buffer; F11 or Alt+Enter first toggles the fullscreen
// When set, drawn over a copy of each frame present() shows (a replay's bar
// and input display); the buffer and the screenshot stay as played.
extern void (*frame_overlay)(BITMAP* frame);
void present_frame(BITMAP* frame);  // the same for a 640 x 480 frame of another bitmap
void present_paused();  // the last frame with "Paused" over it; the same keys
void screenshot();      // saves the buffer (while the screenshot key is held)
