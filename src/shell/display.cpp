#include "zelto.h"

#include <allegro.h>
#include <cstdio>

int window_scale = 1;

int open_window(int scale)
{
    for (int n = scale; n >= 1; n--) {
        if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, 640 * n, 480 * n, 0, 0) == 0) {
            if (n < scale)
                fprintf(stderr, "zelto: a %d x %d window is not available, using %d x %d\n",
                        640 * scale, 480 * scale, 640 * n, 480 * n);
            return n;
        }
    }
    return 0;
}

// Shows a frame in the window, enlarged by whole pixels when it is bigger
// than 640 x 480.
static void show(BITMAP* frame)
{
    if (!screen)
        return;
    if (window_scale == 1)
        blit(frame, screen, 0, 0, 0, 0, 640, 480);
    else
        stretch_blit(frame, screen, 0, 0, 640, 480, 0, 0, 640 * window_scale, 480 * window_scale);
}

void present()
{
    show(buffer);
}

void present_paused()
{
    // The last frame stays as it was (a screenshot still saves it); the word
    // goes on a copy.
    BITMAP* frame = create_bitmap(640, 480);
    if (!frame)
        return;
    blit(buffer, frame, 0, 0, 0, 0, 640, 480);
    textout_centre_ex(frame, title, "Paused", 320, 200, makecol(255, 255, 255), -1);
    show(frame);
    destroy_bitmap(frame);
}

void screenshot()
{
    // Written whole and then renamed, so that nobody ever reads half a frame.
    std::string path = save_path("zelto_screen.bmp");
    std::string temp = save_path("zelto_screen.tmp.bmp");  // the extension picks the format
    if (save_bitmap(temp.c_str(), buffer, NULL) == 0)
        rename(temp.c_str(), path.c_str());
    else
        remove(temp.c_str());
}
