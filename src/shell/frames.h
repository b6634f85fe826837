// Showing the game's frames: the fullscreen keys, overlays and the
// screenshot, over the machine's screen.
#pragma once

struct BITMAP;

void present();         // shows the buffer; F11 or Alt+Enter first toggles the fullscreen
// When set, drawn over a copy of each frame present() shows (a replay's bar
// and input display); the buffer and the screenshot stay as played.
extern void (*frame_overlay)(BITMAP* frame);
void present_frame(BITMAP* frame);  // the same for a 640 x 480 frame of another bitmap
void screenshot();      // saves the buffer (while the screenshot key is held)
