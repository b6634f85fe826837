#include "zelto.h"
#include "shell/enlarge.h"
#include "shell/files.h"

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
bool in_fullscreen = false;

// ---- Choices --------------------------------------------------------------------

int auto_scale(int desktop_w, int desktop_h)
{
    return std::max(1, std::min(desktop_w / FRAME_W, (desktop_h - DESKTOP_RESERVE) / FRAME_H));
}

frame_place place_frame(int screen_w, int screen_h)
{
    int scale = std::max(0, std::min(screen_w / FRAME_W, screen_h / FRAME_H));
    return frame_place{scale, (screen_w - FRAME_W * scale) / 2, (screen_h - FRAME_H * scale) / 2};
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
        fprintf(stderr, "zelto: the %d-bit screen cannot show the frame's colours exactly; the library converts them\n",
                depth);
    row.resize(size_t(SCREEN_W) * 4);
    shown.resize(FRAME_W * FRAME_H);
    shown_valid = false;

    clear_to_color(screen, 0);
    set_window_title(WINDOW_TITLE);
    set_close_button_callback(quit);
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
        largest = std::max(1, std::min({scale, width / FRAME_W, height / FRAME_H}));
    for (int n = largest; n >= 1; n--) {
        if (!set_mode(GFX_AUTODETECT_WINDOWED, FRAME_W * n, FRAME_H * n))
            continue;
        if (n < scale && n == largest && known)
            fprintf(stderr, "zelto: a %d x %d window does not fit the %d x %d desktop, using %d x %d\n",
                    FRAME_W * scale, FRAME_H * scale, width, height, FRAME_W * n, FRAME_H * n);
        else if (n < scale)
            fprintf(stderr, "zelto: a %d x %d window is not available, using %d x %d\n",
                    FRAME_W * scale, FRAME_H * scale, FRAME_W * n, FRAME_H * n);
        window_scale = windowed_scale = n;
        in_fullscreen = false;
        frame_x = frame_y = 0;
        return true;
    }
    return false;
}

static std::string display_name()
{
    const char* name = getenv("DISPLAY");
    return name ? name : "";
}

// The whole desktop at its own size; "" or why not.
static std::string open_fullscreen()
{
    int width, height;
    if (!desktop_size(width, height))
        return "the desktop's size is unknown";
    if (place_frame(width, height).scale == 0)
        return "the desktop is smaller than 640 x 480";
    if (!set_mode(GFX_AUTODETECT_FULLSCREEN, width, height))
        return allegro_error[0] ? allegro_error : "refused";
    frame_place at = place_frame(SCREEN_W, SCREEN_H);
    window_scale = std::max(1, at.scale);
    frame_x = std::max(0, at.x);
    frame_y = std::max(0, at.y);
    in_fullscreen = true;
    return "";
}

bool open_display(int scale, bool fullscreen)
{
    asked_scale = scale;
    if (desktop_color_depth() == 8)
        fprintf(stderr, "zelto: the X display %s has 8-bit colour; the game's colours are shown approximately\n",
                display_name().c_str());
    if (fullscreen) {
        std::string why = open_fullscreen();
        if (why.empty())
            return true;
        fprintf(stderr, "zelto: fullscreen is not available on the X display %s (%s); opening a window instead\n",
                display_name().c_str(), why.c_str());
    }
    return open_window(scale);
}

// A failed mode set leaves no screen at all: without one, the game ends.
static void lost_screen()
{
    fprintf(stderr, "zelto: cannot open a window again on the X display %s: %s; quitting\n",
            display_name().c_str(), allegro_error[0] ? allegro_error : "refused");
    end_game = true;
}

void toggle_fullscreen()
{
    if (in_fullscreen) {
        if (!open_window(windowed_scale ? windowed_scale : asked_scale))
            lost_screen();
        return;
    }
    std::string why = open_fullscreen();
    if (why.empty())
        return;
    fprintf(stderr, "zelto: fullscreen is not available on the X display %s (%s); staying in the window\n",
            display_name().c_str(), why.c_str());
    if (!screen && !open_window(windowed_scale ? windowed_scale : asked_scale))
        lost_screen();
}

void display_note(const char* text)
{
    if (screen)
        textout_ex(screen, font, text, frame_x + 15, frame_y + 155,
                   makecol_depth(bitmap_color_depth(screen), 255, 255, 255), -1);
}

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

// The pixels from `first` up to `end` hold every difference between a new
// row and the one shown; false when there is none. Most rows of a frame are
// as they were, so they are compared whole first, then four pixels at a time.
static bool changed_span(const uint16_t* row_now, const uint16_t* row_shown, int& first, int& end)
{
    if (std::memcmp(row_now, row_shown, FRAME_W * 2) == 0)
        return false;
    const int quads = FRAME_W / 4;
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
    for (int y = 0; y < FRAME_H; y++) {
        const uint16_t* src = reinterpret_cast<const uint16_t*>(frame->line[y]);
        uint16_t* old = &shown[size_t(y) * FRAME_W];
        int first = 0, end = FRAME_W;
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
        blit(frame, screen, 0, 0, frame_x, frame_y, FRAME_W, FRAME_H);
    } else {
        stretch_blit(frame, screen, 0, 0, FRAME_W, FRAME_H, frame_x, frame_y, FRAME_W * window_scale,
                     FRAME_H * window_scale);
    }
}

// Every pass shows a frame through here, whatever the game's state, so the
// toggle keys work in all of them; they touch nothing of the game.
static bool screen_ready()
{
    if (!screen)
        return false;
    if (toggle_wanted())
        toggle_fullscreen();
    return screen != NULL;
}

void present_frame(BITMAP* frame)
{
    if (screen_ready()) {
        show(frame);
        send_frame();
    }
}

void present()
{
    present_frame(buffer);
}

void present_paused()
{
    if (!screen)
        return;
    // The last frame stays as it was (a screenshot still saves it); the word
    // goes on a copy.
    BITMAP* frame = create_bitmap(FRAME_W, FRAME_H);
    if (!frame)
        return;
    blit(buffer, frame, 0, 0, 0, 0, FRAME_W, FRAME_H);
    textout_centre_ex(frame, title, "Paused", 320, 200, makecol(255, 255, 255), -1);
    present_frame(frame);
    destroy_bitmap(frame);
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
        fprintf(stderr, "zelto: cannot save the screenshot %s: %s\n", path.c_str(), problem.c_str());
    told = problem;
}
