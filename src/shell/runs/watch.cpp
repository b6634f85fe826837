// Watching: the recorded input drives the passes, as in the headless replay,
// so both end in the same state; only the watching keys are read live.
#include "shell/runs/watch.h"
#include "shell/runs/recording.h"
#include "shell/runs/runs.h"
#include "world/world.h"
#include "bosses/bosses.h"
#include "shell/assets.h"
#include "shell/frames.h"
#include "shell/loop.h"
#include "shell/screens.h"
#include "shell/startup.h"
#include "shell/machine/clock.h"
#include "shell/machine/music.h"
#include "shell/machine/sound.h"
#include "shell/config/settings.h"

#include <algorithm>
#include <allegro.h>
#include <vector>

const int PROGRESS_EVERY = 250;  // ms between "Finding the run" frames
const int END_TEXT_Y = 130;      // above "Game Over" and "Stage Clear!"
const int BAR_Y = 452, BAR_H = 8, BAR_X = 140, BAR_W = 360;

// ---- Kept worlds -------------------------------------------------------------------
// Everything the state hash covers, the song playing and the pass it was
// kept before.

struct world_mark {
    size_t pass;
    int loop_num, score, wrp_spd, last_hit, lives, stage, r_stage, e_left;
    bool boss_stage, saved;
    int highscore[5];
    unsigned long long rnd;
    fleet boss;
    std::vector<ship> enemy;
    std::vector<projectile> eshot, shot, bonus;
    std::vector<partical> spark;
    std::vector<snow> star;
    ship player;
    control controls;
    song* playing;
};

static const recording* watched;
static std::vector<world_mark> marks;
static size_t first_game, last_pass, diverged;
static bool unseen;          // passes are neither shown nor heard: finding or seeking
static bool finding;         // the first, unseen play of the whole run
static int fast_phase;       // place of the pass in its group of FAST_PASSES
static int group_start;      // start_time of the group's first pass
static int progress_at;      // logic_time of the last progress frame
static bool watch_left;      // Esc was pressed while watching
static bool watch_quit;      // the recorded input quit (its own Esc) before its last pass
static bool show_inputs;     // I: the input display is on
static int bar_until;        // logic_time until which the bar shows

static song* song_playing()
{
    for (song* s : {combat, drama, stage_clear})
        if (s && music_playing(s))
            return s;
    return nullptr;
}

static void keep_mark()
{
    world_mark m;
    m.pass = recorded_passes_read();
    m.loop_num = loop_num, m.score = score, m.wrp_spd = wrp_spd, m.last_hit = last_hit;
    m.lives = lives, m.stage = stage, m.r_stage = r_stage, m.e_left = e_left;
    m.boss_stage = boss_stage, m.saved = saved;
    std::copy(highscore, highscore + 5, m.highscore);
    m.rnd = rnd_state();
    m.boss = boss, m.enemy = enemy, m.eshot = eshot, m.shot = shot, m.bonus = bonus;
    m.spark = spark, m.star = star, m.player = player, m.controls = controls;
    m.playing = song_playing();
    marks.push_back(m);
}

static void put_back(const world_mark& m)
{
    loop_num = m.loop_num, score = m.score, wrp_spd = m.wrp_spd, last_hit = m.last_hit;
    lives = m.lives, stage = m.stage, r_stage = m.r_stage, e_left = m.e_left;
    boss_stage = m.boss_stage, saved = m.saved;
    std::copy(m.highscore, m.highscore + 5, highscore);
    set_rnd_state(m.rnd);
    if (m.boss.type < NO_BOSS && m.boss.type != boss.type)
        load_boss_images(m.boss.type);
    boss = m.boss, enemy = m.enemy, eshot = m.eshot, shot = m.shot, bonus = m.bonus;
    spark = m.spark, star = m.star, player = m.player, controls = m.controls;
    music_stop_all();
    if (m.playing) {
        music_play(m.playing);
        music_set_volume(m.playing, MUSIC_VOLUME_MAX);
    }
    end_game = false;
    paused = false;
    resume_playing_at(m.pass);
}

static world_mark held;

void hold_world()
{
    marks.clear();
    keep_mark();
    held = marks.back();
    marks.clear();
}

void give_world_back()
{
    put_back(held);
    held = world_mark();
}

// ---- The input of a watched pass ---------------------------------------------------

static int white() { return makecol(255, 255, 255); }

// Finding a long run takes a moment: say so.
static void show_progress()
{
    if (recorded_passes_read() > 0 && logic_time - progress_at < PROGRESS_EVERY)
        return;
    progress_at = logic_time;
    BITMAP* frame = screen ? create_bitmap(640, 480) : nullptr;
    if (!frame)
        return;
    clear_to_color(frame, makecol(0, 0, 0));
    textprintf_centre_ex(frame, text, 320, 240, white(), -1, "Finding the run: %d%%",
                         int(100.0 * recorded_passes_read() / std::max<size_t>(1, watched->passes.size())));
    present_frame(frame);
    destroy_bitmap(frame);
}

bool watched_input(pass_input& in)
{
    if (key[KEY_ESC] && !finding) {
        watch_left = true;
        end_game = true;
    }
    sounds_heard = !unseen;
    if (unseen) {
        pass_shown = false;
        if (finding)
            show_progress();
    } else if (action_held(BIND_FAST)) {
        if (fast_phase == 0)
            group_start = start_time;
        pass_shown = fast_phase == FAST_PASSES - 1;
        if (pass_shown)
            start_time = group_start;  // the frame's wait covers its whole group
        fast_phase = (fast_phase + 1) % FAST_PASSES;
    } else {
        pass_shown = true;
        fast_phase = 0;
    }
    headless_input(in);
    watch_quit = in.esc;
    return true;
}

// ---- Finding, seeking, stepping ----------------------------------------------------

bool prepare_watch(const recording& run)
{
    watched = &run;
    marks.clear();
    restart_world(run.seed);
    begin_playing(run, RUN_WATCH);
    finding = unseen = true;
    progress_at = logic_time;
    void (*after)() = after_pass;
    after_pass = nullptr;  // finding is not watching: no pass of it counts
    title_loop();
    slide_in();
    first_game = recorded_passes_read();
    bool reached = !end_game;
    while (!end_game) {
        if (recorded_passes_read() == first_game || recorded_passes_read() % MARK_EVERY == 0)
            keep_mark();
        game_pass();
    }
    after_pass = after;
    diverged = diverged_at;
    last_pass = recorded_passes_read();
    finding = false;
    unseen = false;
    return reached;
}

size_t watch_start()
{
    return first_game + 1;
}

size_t watch_end()
{
    return last_pass;
}

void seek_watch(size_t pass)
{
    pass = std::max(watch_start(), std::min(pass, watch_end()));
    auto after = std::upper_bound(marks.begin(), marks.end(), pass - 1,
                                  [](size_t p, const world_mark& m) { return p < m.pass; });
    if (after == marks.begin())
        return;
    put_back(*(after - 1));
    unseen = true;
    while (recorded_passes_read() < pass && !end_game)
        game_pass();
    unseen = false;
    sounds_heard = true;
    pass_shown = true;
    bar_until = logic_time + BAR_LINGER;
}

void step_watch()
{
    if (!end_game)
        game_pass();
}

void finish_watch()
{
    marks.clear();
    marks.shrink_to_fit();
    end_playing();
    pass_shown = true;
    sounds_heard = true;
    paused = false;
    frame_overlay = nullptr;
}

// ---- What is drawn over the frame --------------------------------------------------

static void mmss(char* out, size_t passes)
{
    int s = int(passes * PASS_TICKS / 1000);
    sprintf(out, "%d:%02d", s / 60, s % 60);
}

void draw_watch_overlay(BITMAP* frame, bool bar, bool inputs)
{
    if (bar && watch_end() > watch_start()) {
        size_t now = recorded_passes_read(), from = watched->run_start, to = watch_end();
        now = std::max(from, std::min(now, to));
        int filled = int(double(now - from) / std::max<size_t>(1, to - from) * BAR_W);
        rectfill(frame, BAR_X - 2, BAR_Y - 2, BAR_X + BAR_W + 1, BAR_Y + BAR_H + 1, makecol(0, 0, 0));
        rect(frame, BAR_X - 2, BAR_Y - 2, BAR_X + BAR_W + 1, BAR_Y + BAR_H + 1, white());
        if (filled > 0)
            rectfill(frame, BAR_X, BAR_Y, BAR_X + filled - 1, BAR_Y + BAR_H - 1, makecol(90, 170, 255));
        char a[16], b[16];
        mmss(a, now - from);
        mmss(b, to - from);
        textprintf_ex(frame, text, BAR_X, BAR_Y - 22, white(), -1, "%s / %s", a, b);
    }
    if (inputs) {
        // Up, left, down, right as on the keys, fire to their right.
        const int at[5][2] = {{1, 0}, {0, 1}, {1, 1}, {2, 1}, {4, 1}};
        const bool held[5] = {controls.up, controls.left, controls.down, controls.right, controls.fire};
        for (int i = 0; i < 5; i++) {
            int x = INPUT_X + at[i][0] * (INPUT_BOX + 2), y = INPUT_Y + at[i][1] * (INPUT_BOX + 2);
            int w = i == 4 ? 2 * INPUT_BOX : INPUT_BOX;
            if (held[i])
                rectfill(frame, x, y, x + w - 1, y + INPUT_BOX - 1, makecol(255, 220, 60));
            else
                rect(frame, x, y, x + w - 1, y + INPUT_BOX - 1, makecol(120, 120, 120));
        }
    }
}

static bool bar_wanted()
{
    return paused || logic_time - bar_until < 0;
}

static void overlay(BITMAP* frame)
{
    draw_watch_overlay(frame, bar_wanted(), show_inputs);
    if (paused)
        draw_paused(frame);
}

// ---- The watching loop ---------------------------------------------------------------

enum watch_key { W_PAUSE, W_STEP, W_BACK, W_AHEAD, W_HOME, W_END, W_INPUTS, W_KEYS };

// Each on its press, not while held.
static bool pressed[W_KEYS];
static void read_watch_keys()
{
    static bool was[W_KEYS];
    bool down[W_KEYS] = {action_held(BIND_PAUSE), key[KEY_STOP] || key[KEY_S],
                         bool(key[KEY_LEFT]), bool(key[KEY_RIGHT]), bool(key[KEY_HOME]),
                         bool(key[KEY_END]), bool(key[KEY_I])};
    for (int k = 0; k < W_KEYS; k++) {
        pressed[k] = down[k] && !was[k];
        was[k] = down[k];
        if (pressed[k])
            bar_until = logic_time + BAR_LINGER;
    }
}

static void still_pass()
{
    begin_pass();
    if (key[KEY_ESC]) {
        watch_left = true;
        end_game = true;
    }
    present();
    if (action_held(BIND_SCREENSHOT))
        screenshot();
    wait_pass();
}

watched_run play_watched(const recording& run)
{
    watch_left = false;
    watch_quit = false;
    show_inputs = false;
    fast_phase = 0;
    bar_until = 0;
    bool seekable = prepare_watch(run);
    frame_overlay = overlay;

    if (run.run_start == 0 || !seekable) {
        restart_world(run.seed);
        begin_playing(run, RUN_WATCH);
        unseen = false;
        title_loop();
        slide_in();
    } else {
        seek_watch(run.run_start);
        if (!end_game)
            still_pass();  // the run's first frame, shown
    }
    read_watch_keys();  // keys held from before count from their next press
    while (!end_game) {
        read_watch_keys();
        size_t now = recorded_passes_read();
        size_t target = now;
        if (pressed[W_BACK])
            target = now > size_t(SEEK_PASSES) ? now - SEEK_PASSES : 0;
        if (pressed[W_AHEAD])
            target = now + SEEK_PASSES;
        if (pressed[W_HOME])
            target = watch_start();
        if (pressed[W_END]) {
            target = watch_end() > 0 ? watch_end() - 1 : 0;
            paused = true;
        }
        if (pressed[W_INPUTS])
            show_inputs = !show_inputs;
        if (pressed[W_PAUSE])
            paused = !paused;
        if (seekable && target != now) {
            bool was_paused = paused;
            seek_watch(std::min(target, watch_end() - 1));
            paused = was_paused;
            still_pass();
        } else if (paused && pressed[W_STEP]) {
            step_watch();
        } else if (paused) {
            still_pass();
        } else {
            game_pass();
        }
    }

    watched_run result;
    result.ended = (recording_played_out || watch_quit || diverged_at) && !watch_left;
    result.passes = int(recorded_passes_read());
    result.hash = state_hash();
    result.diverged = diverged_at;
    result.left = watch_left;
    finish_watch();
    return result;
}

// Z or X count when pressed, not while held from before.
void end_of_replay(const watched_run& w)
{
    BITMAP* frame = create_bitmap(640, 480);
    if (frame) {
        blit(buffer, frame, 0, 0, 0, 0, 640, 480);
        textout_centre_ex(frame, title, "End of replay", 320, END_TEXT_Y, white(), -1);
        if (w.diverged)
            textprintf_centre_ex(frame, text, 320, END_TEXT_Y + 60, white(), -1,
                                 "The run went another way by pass %d", int(w.diverged));
        textout_centre_ex(frame, text, "Esc, [Z] or [X] to leave", 320, END_TEXT_Y + 35, white(), -1);
    }
    end_game = false;  // the recording's own end; now the close button's
    control was;
    was.update();
    while (!end_game && !key[KEY_ESC]) {
        start_time = logic_time;
        control now;
        now.update();
        if ((now.fire && !was.fire) || (now.next && !was.next))
            break;
        was = now;
        present_frame(frame ? frame : buffer);
        if (action_held(BIND_SCREENSHOT))
            screenshot();
        wait_pass();
    }
    if (frame)
        destroy_bitmap(frame);
}
