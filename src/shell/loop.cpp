// The three loops and the game pass. Every pass is one logic tick and one
// frame: it reads input, advances the world once, draws the frame, shows it
// and waits out the rest of its 19 ms. Nothing is made up after a slow pass.
#include "shell/loop.h"
#include "world/world.h"
#include "world/pads.h"
#include "player/player.h"
#include "enemies/enemies.h"
#include "bosses/bosses.h"
#include "render/render.h"
#include "shell/assets.h"
#include "shell/frames.h"
#include "shell/screens.h"
#include "shell/scores.h"
#include "shell/startup.h"
#include "shell/runs/replays.h"
#include "shell/runs/runs.h"
#include "shell/machine/clock.h"
#include "shell/machine/display.h"
#include "shell/machine/music.h"
#include "shell/menu.h"

#include <allegro.h>
#include <atomic>

void (*after_pass)() = nullptr;
bool pass_shown = true;
int practice_at = 0;

static void pass_done()
{
    pass_ended();
    if (after_pass)
        after_pass();
}






// A pass not shown (a replay running ahead) is not waited for either. The
// screenshot key saves the frame of any screen.
static void show_and_wait()
{
    if (!pass_shown)
        return;
    present();
    if (action_held(BIND_SCREENSHOT))
        screenshot();
    wait_pass();
}

// ---- Input ---------------------------------------------------------------------
// A pass reads Esc at its start and the controls later, in their fixed
// places; a recording or a replay sees both as one pass's input.

static pass_input this_pass;

static void read_esc()
{
    if (!recorded_input(this_pass))
        this_pass.esc = key[KEY_ESC];
    if (this_pass.esc)
        end_game = true;
}

static void read_controls()
{
    if (input_is_recorded())
        controls = this_pass.flags;
    else
        controls.update();
    if (play_chosen)
        controls.fire = true;  // Play in the title menu starts the run as fire does, recorded so
    this_pass.flags = controls;
    note_input(this_pass);
}

// A slide-in pass reads no input, but a recording keeps a place for it, so
// that a run quit during the slide-in plays back to the same pass.
static void no_input()
{
    pass_input none = pass_input();
    if (recorded_input(none) && none.esc)
        end_game = true;
    note_input(pass_input());
}

// ---- Title and slide-in ----------------------------------------------------

const int TITLE_MIN_PASSES = 25;  // the title shows at least this long, even with fire held

bool title_continues()
{
    return (!controls.fire && !end_game) || loop_num < TITLE_MIN_PASSES;
}

void title_pass()
{
    pads_watch();
    begin_pass();
    read_esc();
    read_controls();
    title_menu();  // X opens the menu: passes of its own, outside the run
    star_handle();
    draw_title();
    show_and_wait();
    loop_num++;
    pass_done();
}

void title_loop()
{
    while (title_continues())
        title_pass();
    play_chosen = false;  // the run has begun: fire is the player's again
}

void slide_pass(int offset)
{
    begin_pass();
    no_input();
    star_handle();
    draw_slide_in(offset);
    show_and_wait();
    pass_done();
}

void slide_in()
{
    loop_num = 0;
    music_play(combat);
    music_set_volume(combat, MUSIC_VOLUME_MAX);
    for (int i = 0; i <= SLIDE_END && !end_game; i += SLIDE_STEP)
        slide_pass(i);
    if (!end_game && practice_at)
        start_practice();
    if (!end_game)
        keep_first_run();
}

// ---- Stage flow ----------------------------------------------------------------

const int WARP_MAX = 35;       // warp speed ceiling during a stage clear
const int WARP_FALL = 5;       // warp speed lost per pass elsewhere
const int OPENING_WAVE = 62;   // regular enemies in a new run's first stage
const int STAGE_CLEAR_MARK = -255;  // e_left once the stage-clear song has started
const int NEW_RUN_LIVES = 2;   // the first run starts with 3 but gives one up at its entry
const int RESPAWN_X = 320, RESPAWN_Y = 240;  // where a new ship enters

static void start_song(song* s)
{
    music_play(s);
    music_set_volume(s, MUSIC_VOLUME_MAX);
}

static bool stage_is_clear()
{
    return e_left <= 0 && enemy.empty() && !boss_stage;
}

void stage_advance()
{
    music_stop_all();
    r_stage++;
    boss.type = r_stage / 4;
    boss_start();
    boss_stage = true;
    if (r_stage % 4 == 0)
        lives++;
    start_song(drama);
    // One regular enemy may spawn in this pass; the boss step rewrites it.
    e_left = 1250 / spawn_interval();
    lives++;
    // Protected entry: d is 61 on this pass, so no respawn and no life taken.
    last_hit = loop_num - (RESPAWN_AGE + 1);
    play_sound(enter, 100, 1000);
}

void new_game()
{
    stage = -3;
    r_stage = 0;
    enemy.clear();
    eshot.clear();
    spark.clear();
    bonus.clear();
    lives = NEW_RUN_LIVES;
    score = 0;
    e_left = OPENING_WAVE;
    loop_num = 0;
    last_hit = -60;
    music_stop_all();
    start_song(combat);
    boss_stage = false;
    saved = false;
    if (practice_at)
        start_practice();
    keep_next_run();
}

// A new run's ship, lives and score, at the stage advance that first brings
// the chosen boss in (the stage before it just cleared). saved stays set: a
// practice run is not offered to the table.
void start_practice()
{
    enemy.clear();
    eshot.clear();
    bonus.clear();
    r_stage = practice_at - 1;
    stage_advance();
    lives = NEW_RUN_LIVES;
    score = 0;
    player.x = RESPAWN_X;
    player.y = RESPAWN_Y;
    saved = true;
}

// ---- The game pass ---------------------------------------------------------------

bool run_is_over()
{
    return lives <= 0 && hit_age() <= RESPAWN_AGE - 1;
}

void game_pass()
{
    begin_pass();
    read_esc();  // a quit still lets the pass run to its end
    star_handle();
    read_controls();
    if (hit_age() > RESPAWN_AGE)
        player_step();

    if (stage_is_clear()) {
        if (controls.next)
            stage_advance();
        if (++wrp_spd > WARP_MAX)
            wrp_spd = WARP_MAX;
    } else {
        wrp_spd -= WARP_FALL;
        if (wrp_spd < 0)
            wrp_spd = 0;
    }

    shot_handle();
    eshot_handle();
    enemy_handle();
    spark_handle();
    gem_handle();
    shot_enemy_hits();

    if (boss_stage) {
        boss_tick();
        // One regular enemy at a time beside the boss.
        e_left = enemy.empty() ? 1 : 0;
    }

    draw_field();  // with the respawn check in its place
    if (boss_stage)
        draw_boss();

    if (run_is_over()) {
        draw_game_over();
        e_left = 2;  // enemies keep coming under the game-over screen
        if (!saved) {
            record_run();
            keep_scored_run();
        }
        if (controls.next)
            new_game();
    }

    draw_panels();
    if (boss_stage)
        draw_health_bar();
    if (stage_is_clear()) {
        draw_stage_clear();
        if (e_left > STAGE_CLEAR_MARK) {
            music_stop_all();
            start_song(stage_clear);
            e_left = STAGE_CLEAR_MARK;
        }
    }
    draw_hud();
    if (boss_stage)
        draw_boss_banner();
    if (r_stage > 11)
        draw_credits();

    show_and_wait();
    loop_num++;
    pass_done();
}

// ---- Pause -----------------------------------------------------------------------
// Pausing sits around the game: a paused pass reads only P and Esc, keeps the
// last frame on screen and lets no game time pass (loop_num, the world, the
// music choice all stay as they were).

bool paused = false;
bool pause_on_focus_loss = true;

// Set by the library's thread when the window loses the focus; the game
// thread takes it at the top of a game loop pass.
static std::atomic<bool> focus_gone(false);

void focus_lost()
{
    focus_gone = true;
}
END_OF_FUNCTION(focus_lost)

// Between the window and the fullscreen the library makes a new window, and
// the old one's focus goes with it: losses this soon after are the game's own.
const int SWITCH_QUIET_PASSES = 50;

static bool just_switched()
{
    static bool was_fullscreen = false;
    static int quiet = 0;
    if (in_fullscreen != was_fullscreen) {
        was_fullscreen = in_fullscreen;
        quiet = SWITCH_QUIET_PASSES;
    }
    return quiet > 0 && quiet--;
}

// The window lost the focus in play: not while watching or replaying a run
// (its input is not the player's), nor on the game-over screen. The pause
// itself is kept out of recordings, as P's is.
static bool focus_pause_due()
{
    bool switched = just_switched();
    bool lost = focus_gone.exchange(false);
    return lost && !switched && pause_on_focus_loss && !input_is_recorded() && !run_is_over();
}

// P toggles on its press, not while it is held.
static bool pause_key_pressed()
{
    static bool was_down = false;
    bool down = action_held(BIND_PAUSE);
    bool pressed = down && !was_down;
    was_down = down;
    return pressed;
}

// The pause is a menu (Resume, Options, Quit); Esc on its first page still quits.
void paused_pass()
{
    if (menu_left != MENU_OPEN)
        open_menu(MENU_PAUSE);  // still paused after a quit that was called off
    if (!menu_pass() && menu_left == MENU_RESUME)
        paused = false;
}

// A pad pulled out pauses as P does; the pause is kept out of a recording
// the same way, and play goes on from the keyboard or another pad.
void game_loop_pass()
{
    bool pulled = pads_watch();  // a pad in use was pulled out
    bool away = focus_pause_due();
    bool pressed = pause_key_pressed() || pad_pause_pressed();
    if (pulled || away) {
        if (!paused)
            open_menu(MENU_PAUSE);
        paused = true;  // and only the player resumes
    } else if (pressed) {
        paused = !paused;
        if (paused)
            open_menu(MENU_PAUSE);
        else
            close_menu();
    }
    if (!paused)
        pad_pulled = false;
    if (paused)
        paused_pass();
    else
        game_pass();
}

void game_loop()
{
    // The title and the slide-in ignore the focus; from here on a loss pauses.
    if (screen)
        set_display_switch_callback(SWITCH_OUT, focus_lost);
    focus_gone = false;
    while (!end_game)
        game_loop_pass();
}
