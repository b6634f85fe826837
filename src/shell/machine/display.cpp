#include "shell/machine/display.h"
#include "shell/machine/desktop.h"
#include "shell/machine/enlarge.h"
#include "shell/machine/files.h"
#include "shell/machine/say.h"

#include <algorithm>
#include <allegro.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

int window_scale = 1;
void (*window_closed)() = nullptr;
bool screen_lost = false;
bool in_fullscreen = false;

// ---- Choices --------------------------------------------------------------------

int auto_scale(int desktop_w, int desktop_h)
{
    return std::max(1, std::min(desktop_w / VIEW_W, (desktop_h - DESKTOP_RESERVE) / VIEW_H));
}

frame_place place_frame(int screen_w, int screen_h)
{
    int scale = std::max(0, std::min(screen_w / VIEW_W, screen_h / VIEW_H));
    return frame_place{scale, (screen_w - VIEW_W * scale) / 2, (screen_h - VIEW_H * scale) / 2};
}

int screen_depth_for(int desktop_depth)
{
    return pixel_bytes(desktop_depth) > 0 ? desktop_depth : 16;
}

// ---- The screen as it is now ---------------------------------------------------

static int frame_x, frame_y;          // the frame's top left corner on the screen
static int asked_scale = 1;           // the window the player asked for (0: the largest that fits)
static int windowed_scale;            // the window last had, 0 before any
static std::vector<uint32_t> table;   // 16-bit colour to screen pixel; empty: the library converts
static int table_bytes;               // bytes of a screen pixel
static bool straight_copy;            // the screen is 5-6-5 itself: rows are copied as they are
static std::vector<uint16_t> shown;   // the frame now on the screen, to skip rows that stay
static bool shown_valid;              // false after a mode change: every row is written
static std::vector<unsigned char> row;  // one converted, enlarged row
static bool wm_fullscreen;            // the fullscreen is a managed window the window manager fills the screen with
static bool following;                // a window manager may put the window in or out of fullscreen itself

// The window's title and close button, and the game's 5-6-5 drawing format,
// after every mode set; then a black screen and a table for its format.
static void adopt_screen()
{
    int depth = bitmap_color_depth(screen);
    pixel_format to = {depth, 0, 0, 0};
    switch (depth) {
    case 15: to = {15, _rgb_r_shift_15, _rgb_g_shift_15, _rgb_b_shift_15}; break;
    case 16: to = {16, _rgb_r_shift_16, _rgb_g_shift_16, _rgb_b_shift_16}; break;
    case 24: to = {24, _rgb_r_shift_24, _rgb_g_shift_24, _rgb_b_shift_24}; break;
    case 32: to = {32, _rgb_r_shift_32, _rgb_g_shift_32, _rgb_b_shift_32}; break;
    }
    // The buffer, every loaded image and makecol stay 16-bit 5-6-5, whatever
    // the screen: a 16-bit screen may have set its own order.
    set_color_depth(16);
    _rgb_r_shift_16 = 11;
    _rgb_g_shift_16 = 5;
    _rgb_b_shift_16 = 0;

    table.clear();
    table_bytes = 0;
    if (is_linear_bitmap(screen)) {
        table = colour_table(to);
        table_bytes = pixel_bytes(depth);
    }
    straight_copy = table_bytes == 2 && is_identity(table);
    if (table.empty())
        say("the %d-bit screen cannot show the frame's colours exactly; the library converts them",
            depth);
    row.resize(size_t(SCREEN_W) * 4);
    shown.resize(VIEW_W * VIEW_H);
    shown_valid = false;

    clear_to_color(screen, 0);
    set_window_title(WINDOW_TITLE);
    set_close_button_callback(window_closed);
    set_window_icon();
}

// Sets a mode at the desktop's own depth when the frame can be converted to
// it, else (or when that fails) at 16 bits.
static bool set_mode(int card, int w, int h)
{
    int depth = screen_depth_for(desktop_color_depth());
    bool opened = false;
    if (depth != 16) {
        set_color_depth(depth);
        opened = set_gfx_mode(card, w, h, 0, 0) == 0;
    }
    if (!opened) {
        set_color_depth(16);
        opened = set_gfx_mode(card, w, h, 0, 0) == 0;
    }
    if (opened)
        adopt_screen();
    set_color_depth(16);
    return opened;
}

static bool desktop_size(int& width, int& height)
{
    return get_desktop_resolution(&width, &height) == 0 && width > 0 && height > 0;
}

// ---- Following the window manager -------------------------------------------------
// The desktop's own fullscreen command (and leaving it) gives the same
// picture as F11 and back: the state the window manager reports is looked at
// every few passes, and a change the game did not ask for is followed.

const int FOLLOW_PASSES = 5;    // passes between two looks at the reported state
const int AWAIT_LOOKS = 20;     // looks to wait for the state the game asked for

static int follow_wait;         // passes to the next look
static int awaiting = -1;       // the state asked for and not yet reported, -1 none
static int await_left;          // looks left before giving up on it
static int reported = -1;       // the state last reported

// After each mode set, with the state just asked for (a window is not
// fullscreen, even where the manager kept an old state for it).
static void watch_wm(bool fullscreen)
{
    following = wm_has_fullscreen();
    awaiting = fullscreen;
    await_left = AWAIT_LOOKS;
    follow_wait = FOLLOW_PASSES;
}

static void follow_wm()
{
    if (!following || --follow_wait > 0)
        return;
    follow_wait = FOLLOW_PASSES;
    int says = wm_says_fullscreen();
    if (says < 0)
        return;
    if (awaiting >= 0) {
        // A mode set maps the window anew: until the manager has caught up,
        // what it says is about the old one.
        if (says == awaiting || --await_left <= 0) {
            awaiting = -1;
            reported = says;
        }
        return;
    }
    if (says == reported)
        return;
    reported = says;
    if (says != in_fullscreen)
        toggle_fullscreen();
}

// The largest window of at most `scale` times 640 x 480 (0: the largest that
// fits the desktop) that can be had.
static bool open_window(int scale)
{
    int width, height;
    bool known = desktop_size(width, height);
    if (scale == 0)
        scale = known ? auto_scale(width, height) : 1;
    // Never a window larger than the desktop: it would open off the screen.
    int largest = scale;
    if (known)
        largest = std::max(1, std::min({scale, width / VIEW_W, height / VIEW_H}));
    for (int n = largest; n >= 1; n--) {
        if (!set_mode(GFX_AUTODETECT_WINDOWED, VIEW_W * n, VIEW_H * n))
            continue;
        if (n < scale && n == largest && known)
            say("a %d x %d window does not fit the %d x %d desktop, using %d x %d",
                VIEW_W * scale, VIEW_H * scale, width, height, VIEW_W * n, VIEW_H * n);
        else if (n < scale)
            say("a %d x %d window is not available, using %d x %d",
                VIEW_W * scale, VIEW_H * scale, VIEW_W * n, VIEW_H * n);
        window_scale = windowed_scale = n;
        if (wm_fullscreen)
            ask_wm_fullscreen(false);  // a window manager may keep the state of the window it knew
        in_fullscreen = wm_fullscreen = false;
        frame_x = frame_y = 0;
        watch_wm(false);
        return true;
    }
    return false;
}

static std::string display_name()
{
    const char* name = getenv("DISPLAY");
    return name ? name : "";
}

// The whole desktop at its own size; "" or why not. Under a window manager
// that can do it, a window of the desktop's size that it makes fullscreen,
// so that focus, the task switcher and the panels treat it as any other;
// without one, the library's own, which covers the screen and takes the
// keyboard.
static std::string open_fullscreen()
{
    int width, height;
    if (!desktop_size(width, height))
        return "the desktop's size is unknown";
    if (place_frame(width, height).scale == 0)
        return "the desktop is smaller than 640 x 480";
    bool managed = wm_has_fullscreen();
    if (!set_mode(managed ? GFX_AUTODETECT_WINDOWED : GFX_AUTODETECT_FULLSCREEN, width, height))
        return allegro_error[0] ? allegro_error : "refused";
    if (managed)
        ask_wm_fullscreen(true);
    frame_place at = place_frame(SCREEN_W, SCREEN_H);
    window_scale = std::max(1, at.scale);
    frame_x = std::max(0, at.x);
    frame_y = std::max(0, at.y);
    in_fullscreen = true;
    wm_fullscreen = managed;
    watch_wm(true);
    return "";
}

bool open_display(int scale, bool fullscreen)
{
    asked_scale = scale;
    if (desktop_color_depth() == 8)
        say("the X display %s has 8-bit colour; the game's colours are shown approximately",
            display_name().c_str());
    if (fullscreen) {
        std::string why = open_fullscreen();
        if (why.empty())
            return true;
        say("fullscreen is not available on the X display %s (%s); opening a window instead",
            display_name().c_str(), why.c_str());
    }
    return open_window(scale);
}

// A failed mode set leaves no screen at all: without one, the game ends.
static void lost_screen()
{
    say("cannot open a window again on the X display %s: %s; quitting",
        display_name().c_str(), allegro_error[0] ? allegro_error : "refused");
    screen_lost = true;
}

void toggle_fullscreen()
{
    note_held_keys();
    if (in_fullscreen) {
        if (!open_window(windowed_scale ? windowed_scale : asked_scale))
            lost_screen();
        return;
    }
    std::string why = open_fullscreen();
    if (why.empty())
        return;
    say("fullscreen is not available on the X display %s (%s); staying in the window",
        display_name().c_str(), why.c_str());
    if (!screen && !open_window(windowed_scale ? windowed_scale : asked_scale))
        lost_screen();
}

void choose_window_scale(int scale)
{
    asked_scale = scale;
    windowed_scale = 0;  // leaving the fullscreen opens the size asked for
    if (in_fullscreen || !screen)
        return;
    note_held_keys();
    if (!open_window(scale))
        lost_screen();
}

int largest_window_scale(int most)
{
    int width, height;
    if (!desktop_size(width, height))
        return 1;
    return std::max(1, std::min({most, width / VIEW_W, height / VIEW_H}));
}

void display_note(const char* text)
{
    if (screen)
        textout_ex(screen, font, text, frame_x + 15, frame_y + 155,
                   makecol_depth(bitmap_color_depth(screen), 255, 255, 255), -1);
}

// ---- Showing a frame ---------------------------------------------------------------

// The pixels from `first` up to `end` hold every difference between a new
// row and the one shown; false when there is none. Most rows of a frame are
// as they were, so they are compared whole first, then four pixels at a time.
static bool changed_span(const uint16_t* row_now, const uint16_t* row_shown, int& first, int& end)
{
    if (std::memcmp(row_now, row_shown, VIEW_W * 2) == 0)
        return false;
    const int quads = VIEW_W / 4;
    auto quad = [](const uint16_t* p, int i) {
        uint64_t v;
        std::memcpy(&v, p + 4 * i, 8);
        return v;
    };
    int a = 0, b = quads;
    while (quad(row_now, a) == quad(row_shown, a))
        a++;
    while (quad(row_now, b - 1) == quad(row_shown, b - 1))
        b--;
    first = 4 * a;
    end = 4 * b;
    return true;
}

// Converts and enlarges the rows that changed since the frame last shown,
// straight into the screen's rows. Each row written is sent to the X server
// when the next is selected (or at the end), so rows that stay cost nothing.
static void write_frame(BITMAP* frame)
{
    const int scale = window_scale, bytes = table_bytes;
    acquire_screen();
    for (int y = 0; y < VIEW_H; y++) {
        const uint16_t* src = reinterpret_cast<const uint16_t*>(frame->line[y]);
        uint16_t* old = &shown[size_t(y) * VIEW_W];
        int first = 0, end = VIEW_W;
        if (shown_valid && !changed_span(src, old, first, end))
            continue;
        std::memcpy(old + first, src + first, size_t(end - first) * 2);
        size_t at = size_t(frame_x + first * scale) * bytes;
        size_t length = size_t(end - first) * scale * bytes;
        if (!straight_copy || scale != 1)
            enlarge_row(src + first, end - first, scale, table.data(), bytes, row.data());
        const unsigned char* from = straight_copy && scale == 1
                                        ? reinterpret_cast<const unsigned char*>(src + first)
                                        : row.data();
        for (int k = 0; k < scale; k++) {
            unsigned char* to = reinterpret_cast<unsigned char*>(bmp_write_line(screen, frame_y + y * scale + k));
            std::memcpy(to + at, from, length);
        }
    }
    bmp_unwrite_line(screen);
    release_screen();
    shown_valid = true;
}

static void show(BITMAP* frame)
{
    if (!table.empty()) {
        write_frame(frame);
    } else if (window_scale == 1) {
        blit(frame, screen, 0, 0, frame_x, frame_y, VIEW_W, VIEW_H);
    } else {
        stretch_blit(frame, screen, 0, 0, VIEW_W, VIEW_H, frame_x, frame_y, VIEW_W * window_scale,
                     VIEW_H * window_scale);
    }
}

void show_frame(BITMAP* frame)
{
    if (!screen || window_lost)
        return;
    follow_wm();
    keep_held_keys();
    if (screen && !window_lost) {
        show(frame);
        send_frame();
    }
}
