// Every frame the game shows goes through here, whatever its state: the
// fullscreen keys work in all of them, a window closed from outside ends the
// game, and the screenshot key saves the frame.
#include "shell/frames.h"
#include "shell/assets.h"
#include "shell/machine/desktop.h"
#include "shell/machine/display.h"
#include "shell/machine/files.h"
#include "shell/machine/paths.h"
#include "world/world.h"
#include "shell/machine/say.h"

#include <allegro.h>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

static_assert(VIEW_W == FRAME_W && VIEW_H == FRAME_H, "the screen shows the frame the game draws");

// ---- Toggle keys -----------------------------------------------------------------

// After a switch the X server may let go of every key (the focus moves) and
// then repeat a still-held F11 as a new press: presses this soon after a
// switch are not taken as another toggle.
const int TOGGLE_QUIET_PASSES = 40;

static bool toggle_wanted()
{
    static bool was_down = false;
    static int quiet = 0;
    bool down = action_held(BIND_FULLSCREEN) || ((key[KEY_ALT] || key[KEY_ALTGR]) && key[KEY_ENTER]);
    bool pressed = down && !was_down;
    was_down = down;
    if (quiet > 0) {
        quiet--;
        return false;
    }
    if (pressed)
        quiet = TOGGLE_QUIET_PASSES;
    return pressed;
}

// ---- Showing a frame ---------------------------------------------------------------

// False once the window is gone: the game then ends as Esc ends it.
static bool window_there()
{
    if (screen_lost) {
        end_game = true;
        return false;
    }
    if (window_lost) {
        static bool told = false;
        if (!told)
            say("the window was closed from outside; quitting");
        told = true;
        end_game = true;
        return false;
    }
    return screen != NULL;
}

void present_frame(BITMAP* frame)
{
    if (!window_there())
        return;
    if (toggle_wanted())
        toggle_fullscreen();
    show_frame(frame);
}
void (*frame_overlay)(BITMAP*) = nullptr;

void present()
{
    BITMAP* copy = frame_overlay && screen ? create_bitmap(FRAME_W, FRAME_H) : nullptr;
    if (!copy)
        return present_frame(buffer);
    blit(buffer, copy, 0, 0, 0, 0, FRAME_W, FRAME_H);
    frame_overlay(copy);
    present_frame(copy);
    destroy_bitmap(copy);
}

const char* const SCREENSHOT_FILE = "zelto_screen.bmp";

// Makes the BMP in memory and puts it in place whole (replace_file), so
// nobody ever reads half a frame. "" or what went wrong.
static std::string save_screenshot(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return std::string("its place is taken by ") + kind_of_file(st.st_mode);
    std::vector<unsigned char> bmp;
    PACKFILE* out = memory_out_packfile(bmp);
    if (!out)
        return "out of memory";
    bool made = save_bmp_pf(out, buffer, NULL) == 0;
    pack_fclose(out);
    if (!made)
        return "out of memory";
    // Rewritten on every pass the key is held: not synced each time.
    std::string why;
    return replace_file(path, bmp.data(), bmp.size(), false, why) ? "" : why;
}

void screenshot()
{
    // Called on every pass the key is held: a problem is told once, not 50 times a second.
    static std::string told;
    std::string path = save_path(SCREENSHOT_FILE);
    std::string problem = save_screenshot(path);
    if (!problem.empty() && problem != told)
        say("cannot save the screenshot %s: %s", path.c_str(), problem.c_str());
    told = problem;
}
