// Start-up and shutdown: straight-line sequences before and after the loops.
#include "shell/startup.h"
#include "world/world.h"
#include "render/render.h"
#include "bosses/bosses.h"
#include "shell/assets.h"
#include "shell/loop.h"
#include "shell/scores.h"
#include "shell/runs/runs.h"
#include "shell/machine/asset_files.h"
#include "shell/machine/clock.h"
#include "shell/machine/desktop.h"
#include "shell/machine/display.h"
#include "shell/machine/music.h"
#include "shell/machine/paths.h"
#include "shell/machine/signals.h"
#include "shell/machine/sound.h"
#include "shell/machine/say.h"

#include <allegro.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/prctl.h>
#include <thread>
#include <unistd.h>

BITMAP* buffer;
BITMAP* pship;
BITMAP* bullet;
RLE_SPRITE* beam;
BITMAP* ebullet;
RLE_SPRITE* ebeam;
BITMAP* eship[5];
RLE_SPRITE* nship[5];
BITMAP* xp;
RLE_SPRITE* gem;
SAMPLE* boom;
SAMPLE* laser;
SAMPLE* collect;
SAMPLE* enter;
FONT* title;
FONT* text;
song* combat;
song* drama;
song* stage_clear;

// Enemy sprites by pattern; the files are not in numeric order.
static const char* const ENEMY_FILES[5] = {
    "e_ship3.bmp", "e_ship1.bmp", "e_ship2.bmp", "e_ship4.bmp", "e_ship5.bmp"};

// Every asset is read once, checked, and decoded from the bytes that were
// checked (see assets.h); a failure prints one line naming the file.
static bool cannot_load(const char* name, const std::string& why)
{
    say("cannot load %s: %s", data_path(name).c_str(), why.c_str());
    return false;
}

static bool read_checked(const char* name, std::vector<unsigned char>& bytes)
{
    std::string why = read_asset(data_path(name), bytes);
    return why.empty() || cannot_load(name, why);
}

// A file that passed its check but that the loader still refused.
static bool refused(const char* name)
{
    return cannot_load(name, "damaged");
}

static bool image(BITMAP*& out, const char* name)
{
    std::vector<unsigned char> bytes;
    if (!read_checked(name, bytes))
        return false;
    out = decode_image(bytes);
    return out || refused(name);
}

static bool rle(RLE_SPRITE*& out, BITMAP* from)
{
    out = get_rle_sprite(from);
    return out != NULL;
}

static bool sample(SAMPLE*& out, const char* name)
{
    std::vector<unsigned char> bytes;
    if (!read_checked(name, bytes))
        return false;
    out = decode_sound(bytes);
    return out || refused(name);
}

static bool bitmap_font(FONT*& out, const char* name)
{
    std::vector<unsigned char> bytes;
    if (!read_checked(name, bytes))
        return false;
    std::string why;
    out = decode_font(bytes, why);
    return out || cannot_load(name, why);
}

static bool tune(song*& out, const char* name)
{
    std::vector<unsigned char> bytes;
    if (!read_checked(name, bytes))
        return false;
    out = music_load_memory(bytes.data(), bytes.size());
    return out || refused(name);
}

// A boss image is decoded here and kept for the pool, which copies it at
// each boss stage.
static bool boss_image(const char* name)
{
    BITMAP* b = nullptr;
    if (!image(b, name))
        return false;
    BITMAP*& kept = pool_images[data_path(name)];
    if (kept)
        destroy_bitmap(kept);
    kept = b;
    return true;
}

// Every asset, in the game's load order; stops at the first that fails.
static bool load_assets()
{
    if (!image(pship, "p_ship.bmp") || !image(bullet, "p_shot.bmp") || !rle(beam, bullet) ||
        !image(ebullet, "e_shot.bmp") || !rle(ebeam, ebullet))
        return false;
    for (int i = 0; i < 5; i++)
        if (!image(eship[i], ENEMY_FILES[i]))
            return false;
    for (int i = 0; i < 5; i++)
        if (!rle(nship[i], eship[i]))
            return false;
    if (!image(xp, "exp.bmp") || !rle(gem, xp) ||
        !sample(boom, "p_boom.wav") || !sample(laser, "p_laser.wav") ||
        !sample(collect, "p_collect.wav") || !sample(enter, "p_enter.wav") ||
        !bitmap_font(title, "zelto_lfont.pcx") || !bitmap_font(text, "zelto_sfont.pcx") ||
        !tune(combat, "SHOPPING.XM") || !tune(drama, "EXP4A.XM") ||
        !tune(stage_clear, "LOUNGE.XM"))
        return false;
    // Boss images are decoded when each boss stage begins, from the bytes
    // checked here, so that a run never dies at a boss.
    for (const boss_kind& kind : boss_kinds)
        for (const char* name : kind.images)
            if (name && !boss_image(name))
                return false;
    return true;
}


// What start-up sets once the generator is seeded (the stars draw from it).
static void place_world()
{
    player.x = 320;
    player.y = 240;
    loop_num = 0;
    seed_stars();
}

// The steps both start-ups share once the library, the sound and the clock
// are up: tables, buffer, assets, the player, the score table, the stars.
static int load_world(bool on_screen)
{
    sin_cos_init();
    buffer = create_bitmap(640, 480);
    if (!buffer) {
        say("out of memory for the back buffer");
        return 1;
    }
    if (!load_assets()) {
        shutdown();
        return 1;
    }
    bool missing;
    bool loaded = read_scores(save_path(SCORE_FILE).c_str(), &missing);
    if (on_screen) {
        // Shown until the first title frame covers it.
        display_note(loaded    ? "zelto_score.dat loaded"
                     : missing ? "no zelto_score.dat yet: scores start at 0"
                               : "zelto_score.dat unreadable: scores start at 0");
    }
    place_world();
    return 0;
}

void quit()
{
    end_game = true;
}
END_OF_FUNCTION(quit)

void restart_world(unsigned seed)
{
    bool joystick = is_joy;
    reset_world();
    start_clock();
    is_joy = joystick;
    paused = false;
    run_seed = seed;
    srnd(seed);
    place_world();
}

// Without a window there is no game: say what is missing, the X display
// above all, with the library's reason when it gives one.
static int no_display()
{
    const char* display = getenv("DISPLAY");
    if (!display || !display[0])
        say("no X display is set (DISPLAY is empty); the game needs one for its window");
    else
        say("cannot reach the X display %s%s%s", display,
            allegro_error[0] ? ": " : "", allegro_error);
    return 1;
}

static int no_window()
{
    const char* display = getenv("DISPLAY");
    say("cannot open a 640 x 480 window on the X display %s: %s",
        display ? display : "", allegro_error[0] ? allegro_error : "refused");
    return 1;
}

// The library's X thread wakes every millisecond to look for events it
// handles every 10 ms. Started with some timer slack (threads inherit it),
// it is woken a few times less often; the game's own thread keeps exact
// sleeps for its pacing.
const unsigned long LIBRARY_TIMER_SLACK_NS = 4000000;

static int init_library()
{
    int kept = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    prctl(PR_SET_TIMERSLACK, LIBRARY_TIMER_SLACK_NS, 0, 0, 0);
    int status = allegro_init();
    if (kept > 0)
        prctl(PR_SET_TIMERSLACK, (unsigned long)kept, 0, 0, 0);
    return status;
}

static int start_everything(int scale, bool mute, bool fullscreen)
{
    name_the_window();
    if (init_library() != 0)
        return no_display();
    catch_window_errors();
    install_keyboard();
    install_timer();

    set_color_depth(16);
    window_closed = quit;
    if (!open_display(scale, fullscreen))
        return no_window();
    if (mute)
        install_sound(DIGI_NONE, MIDI_NONE, NULL);
    else
        install_sound_quietly();
    music_open();

    start_clock();
    pace_clock = read_ms_clock;
    pace_rest = sleep_to_tick;

    run_seed = unsigned(time(NULL));
    srnd(run_seed);
    detect_joystick();
    return load_world(true);
}

int startup(int scale, bool mute, bool fullscreen)
{
    // The library starts threads of its own; they must never be the ones a
    // quit signal lands on, and its own handlers must not stay in place.
    hold_quit_signals();
    int status = start_everything(scale, mute, fullscreen);
    catch_quit_signals(&end_game);
    release_quit_signals();
    return status;
}

// Without a timer the clock is the wait itself: each simulated millisecond
// advances logic_time, so a pass lasts exactly PASS_TICKS.
static void simulated_ms(int ms)
{
    for (int i = 0; i < ms; i++)
        update_time();
}

int startup_headless(unsigned seed)
{
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        say("cannot start the game library: %s", allegro_error);
        return 1;
    }
    set_color_depth(16);
    // The 5-6-5 layout a real 16-bit window gives, so colours match the game's.
    _rgb_r_shift_16 = 11;
    _rgb_g_shift_16 = 5;
    _rgb_b_shift_16 = 0;

    reset_world();
    start_clock();
    paused = false;
    for (int& h : highscore)
        h = 0;
    pace_rest = simulated_ms;
    pace_clock = nullptr;
    run_seed = seed;
    srnd(seed);
    return load_world(false);
}

template <class T>
static void release(T*& handle, void (*destroy)(T*))
{
    if (handle)
        destroy(handle);
    handle = NULL;
}

void shutdown()
{
    music_stop_all();
    forget_pool_images();
    release(combat, music_free);
    release(stage_clear, music_free);
    release(drama, music_free);
    release(title, destroy_font);
    release(text, destroy_font);
    release(buffer, destroy_bitmap);
    release(bullet, destroy_bitmap);
    release(ebullet, destroy_bitmap);
    release(pship, destroy_bitmap);
    release(xp, destroy_bitmap);
    release(gem, destroy_rle_sprite);
    release(beam, destroy_rle_sprite);
    release(ebeam, destroy_rle_sprite);
    for (int i = 0; i < 5; i++) {
        release(eship[i], destroy_bitmap);
        release(nship[i], destroy_rle_sprite);
    }
    release(laser, destroy_sample);
    release(boom, destroy_sample);
    release(collect, destroy_sample);
    release(enter, destroy_sample);
    star.clear();
    enemy.clear();
    shot.clear();
    eshot.clear();
    bonus.clear();
    spark.clear();
    boss.parts.clear();
    music_close();
}
