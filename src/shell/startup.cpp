// Start-up and shutdown: straight-line sequences before and after the loops.
#include "zelto.h"
#include "shell/assets.h"
#include "shell/signals.h"
#include "shell/sound_device.h"

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

std::string data_dir;
std::string save_dir;

// The game's clock: milliseconds since start-up, read whenever the loops
// look at it. A 1 ms timer ticking it would wake the process a thousand
// times a second for nothing.
static std::chrono::steady_clock::time_point clock_zero;

static void read_ms_clock()
{
    long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - clock_zero).count();
    logic_time = int(unsigned(ms));  // wraps after about 25 days, harmlessly
}

static std::string in_dir(const std::string& dir, const char* name)
{
    return dir.empty() ? std::string(name) : dir + "/" + name;
}

std::string data_path(const char* name) { return in_dir(data_dir, name); }
std::string save_path(const char* name) { return in_dir(save_dir, name); }

// Enemy sprites by pattern; the files are not in numeric order.
static const char* const ENEMY_FILES[5] = {
    "e_ship3.bmp", "e_ship1.bmp", "e_ship2.bmp", "e_ship4.bmp", "e_ship5.bmp"};

// Every asset is read once, checked, and decoded from the bytes that were
// checked (see assets.h); a failure prints one line naming the file.
static bool cannot_load(const char* name, const std::string& why)
{
    fprintf(stderr, "zelto: cannot load %s: %s\n", data_path(name).c_str(), why.c_str());
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

// A boss image is decoded once here to know it loads, and its bytes are
// kept for the pool, which decodes them again at each boss stage.
static bool boss_image(const char* name)
{
    std::vector<unsigned char> bytes;
    if (!read_checked(name, bytes))
        return false;
    BITMAP* b = decode_image(bytes);
    if (!b)
        return refused(name);
    destroy_bitmap(b);
    pool_files[data_path(name)] = std::move(bytes);
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
    for (const auto& images : boss_images)
        for (const char* name : images)
            if (name && !boss_image(name))
                return false;
    return true;
}

// install_sound() lets the sound system print its probing errors; a machine
// without a card should only hear from us, once.
static void install_sound_quietly()
{
    fflush(stderr);
    int kept = dup(2);
    int null = open("/dev/null", O_WRONLY);
    if (kept >= 0 && null >= 0)
        dup2(null, 2);
    if (null >= 0)
        close(null);
    const char* device = get_config_string("sound", "alsa_device", "default");
    bool refuses = sound_device_refuses(device);
    if (refuses || install_sound(DIGI_AUTODETECT, MIDI_NONE, "") != 0)
        install_sound(DIGI_NONE, MIDI_NONE, NULL);
    fflush(stderr);
    if (kept >= 0) {
        dup2(kept, 2);
        close(kept);
    }
    if (refuses)
        fprintf(stderr, "zelto: sound device '%s' takes no sound, playing silently\n", device);
    else if (!digi_driver || digi_driver->id == DIGI_NONE)
        fprintf(stderr, "zelto: no sound device found, playing silently\n");
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
        fprintf(stderr, "zelto: out of memory for the back buffer\n");
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

void restart_world(unsigned seed)
{
    bool joystick = is_joy;
    reset_world();
    is_joy = joystick;
    paused = false;
    run_seed = seed;
    srnd(seed);
    place_world();
}

// Sleeps until the clock reaches `ms` more whole milliseconds: to the tick
// itself, not `ms` from now, so that a pass that began just after a tick
// lasts its 19 ms and not a fraction of one more or less, and frames go
// out evenly.
static void sleep_ms(int ms)
{
    std::chrono::steady_clock::duration since = std::chrono::steady_clock::now() - clock_zero;
    std::this_thread::sleep_until(clock_zero + std::chrono::floor<std::chrono::milliseconds>(since) +
                                  std::chrono::milliseconds(ms));
}

// Without a window there is no game: say what is missing, the X display
// above all, with the library's reason when it gives one.
static int no_display()
{
    const char* display = getenv("DISPLAY");
    if (!display || !display[0])
        fprintf(stderr, "zelto: no X display is set (DISPLAY is empty); the game needs one for its window\n");
    else
        fprintf(stderr, "zelto: cannot reach the X display %s%s%s\n", display,
                allegro_error[0] ? ": " : "", allegro_error);
    return 1;
}

static int no_window()
{
    const char* display = getenv("DISPLAY");
    fprintf(stderr, "zelto: cannot open a 640 x 480 window on the X display %s: %s\n",
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
    if (init_library() != 0)
        return no_display();
    install_keyboard();
    install_timer();

    set_color_depth(16);
    if (!open_display(scale, fullscreen))
        return no_window();
    if (mute)
        install_sound(DIGI_NONE, MIDI_NONE, NULL);
    else
        install_sound_quietly();
    music_open();

    clock_zero = std::chrono::steady_clock::now();
    pace_clock = read_ms_clock;
    pace_rest = sleep_ms;

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
    catch_quit_signals();
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
        fprintf(stderr, "zelto: cannot start the game library: %s\n", allegro_error);
        return 1;
    }
    set_color_depth(16);
    // The 5-6-5 layout a real 16-bit window gives, so colours match the game's.
    _rgb_r_shift_16 = 11;
    _rgb_g_shift_16 = 5;
    _rgb_b_shift_16 = 0;

    reset_world();
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
    clean_pool();
    pool_files.clear();
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
