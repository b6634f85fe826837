// Presenting the frame: the window, and the copy of each 640 x 480 frame
// from the back buffer into it. The game draws every frame the same way
// whatever the window; only this part knows how it reaches the screen.
#pragma once

extern int window_scale;  // the window is this many times 640 x 480

// Opens the largest window of at most `scale` times 640 x 480 that can be
// had; returns that scale, or 0 when not even 640 x 480 can.
int open_window(int scale);

void present();         // shows the buffer in the window
void present_paused();  // the last frame with "Paused" over it
void screenshot();      // saves the buffer (while the screenshot key is held)
