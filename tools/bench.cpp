// bench [--passes N] [--data DIR]
//
// Times whole game passes (logic and drawing into the buffer) of headless
// scenes set up through the game's own state and functions, and prints the
// median and 99th-percentile cost, passes per second and peak memory.
#include "zelto.h"
#include "pilot.h"

#include <algorithm>
#include <allegro.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

static int measured = 2000;  // passes timed per scene
static int warm_up = 200;    // passes run first, untimed

struct scene {
    const char* name;
    void (*pass)();                 // the pass timed
    std::function<void()> set_up;   // once, before the warm-up
    std::function<void()> refresh;  // before each pass, untimed
};

static void release_keys()
{
    for (int i = 0; i < KEY_MAX; i++)
        key[i] = 0;
}

// A player that cannot be hurt, so a scene keeps its shape.
static void keep_ghost()
{
    last_hit = loop_num - 100;
}

static void enter_game()
{
    key[KEY_Z] = -1;
    title_loop();
    slide_in();
    release_keys();
    game_pass();
}

static void start_boss(int type)
{
    enter_game();
    r_stage = type == GLAIVE ? 0 : type == VORTEX ? 3 : 7;
    e_left = 0;
    enemy.clear();
    key[KEY_X] = -1;
    game_pass();
    release_keys();
}

static double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * v.size()))];
}

static long peak_kib()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

static void run(const scene& s)
{
    if (startup_headless(1) != 0)
        exit(1);
    s.set_up();
    std::vector<double> us;
    for (int i = 0; i < warm_up + measured; i++) {
        s.refresh();
        auto t0 = std::chrono::steady_clock::now();
        s.pass();
        auto t1 = std::chrono::steady_clock::now();
        if (i >= warm_up)
            us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    double median = percentile(us, 0.5);
    printf("| %-26s | %8.1f | %8.1f | %9.0f | %8ld |\n", s.name, median, percentile(us, 0.99),
           1e6 / median, peak_kib());
    shutdown();
    release_keys();
}

// Seeking in a watched run: a run made by the pilot (15 minutes of passes,
// or 1 minute for a short bench), recorded as the game records, found once,
// then sought to points all over it, far back and far ahead in turn.
static void seek_figures()
{
    const int minutes = measured >= 2000 ? 15 : 1;
    static int length;
    length = minutes * 60 * 1000 / PASS_TICKS;
    std::string path = save_dir + "/pilot.zrec";
    if (startup_headless(15) != 0 || !start_runs(RUN_RECORD, path.c_str()))
        exit(1);
    after_pass = [] {
        weave_and_fire();
        key[KEY_X] = run_is_over() ? -1 : 0;  // a new run after each game over
        key[KEY_ESC] = session_passes() >= size_t(length) ? -1 : 0;
    };
    title_loop();
    slide_in();
    game_loop();
    after_pass = nullptr;
    end_runs();
    shutdown();
    release_keys();

    recording run;
    std::string error;
    if (!load_recording(path.c_str(), run, error) || startup_headless(15) != 0) {
        fprintf(stderr, "bench: %s\n", error.c_str());
        exit(1);
    }
    auto t0 = std::chrono::steady_clock::now();
    prepare_watch(run);
    double found = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::vector<double> ms;
    const size_t span = watch_end() - watch_start();
    for (int i = 0; i < 40; i++) {
        size_t to = watch_start() + (i % 2 ? span - 1 - span * i / 80 : span * i / 80);
        auto a = std::chrono::steady_clock::now();
        seek_watch(to);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - a).count());
    }
    finish_watch();
    shutdown();
    printf("\nSeeking in a %d-minute run of the pilot (%zu passes): found in %.2f s, then "
           "40 seeks: median %.1f ms, longest %.1f ms.\n",
           minutes, run.passes.size(), found, percentile(ms, 0.5), percentile(ms, 1.0));
}

int main(int argc, char** argv)
{
    data_dir = "data";
    // A private folder: a scene that ends a run writes the score file.
    char folder[] = "/tmp/zelto_bench_XXXXXX";
    if (!mkdtemp(folder)) {
        perror("bench: cannot make a temporary folder");
        return 1;
    }
    save_dir = folder;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--passes") == 0) {
            measured = std::max(1, atoi(argv[i + 1]));
            warm_up = std::min(warm_up, measured);
        } else if (strcmp(argv[i], "--data") == 0) {
            data_dir = argv[i + 1];
        }
    }

    const scene scenes[] = {
        {"title", title_pass, [] {}, [] {}},
        {"opening wave", game_pass, [] { enter_game(); },
         [] {
             // Busy: a steady crowd of enemies, shots, gems and sparks.
             weave_and_fire();
             keep_ghost();
             while (enemy.size() < 8)
                 enemy.push_back(new_enemy());
             if (spark.size() < 400)
                 explode(60, 15, enemy[0]);
             if (bonus.size() < 40)
                 drop_gem(5, enemy[0]);
             if (eshot.size() < 10)
                 efire(enemy[0]);
         }},
        {"stage clear at full warp", game_pass,
         [] {
             enter_game();
             e_left = 0;
             enemy.clear();
             for (int i = 0; i < 5000; i++)
                 game_pass();
         },
         [] {}},
        {"GLAIVE dying", game_pass, [] { start_boss(GLAIVE); },
         [] {
             keep_ghost();
             // A fresh death every 60 passes: 150 + 120 sparks and their gems.
             if (loop_num % 60 == 0) {
                 boss_stage = true;
                 boss.type = GLAIVE;
                 glaive_i();
                 boss.body.hp = 0;
             }
         }},
        {"VORTEX beam, all nodes", game_pass, [] { start_boss(VORTEX); },
         [] {
             keep_ghost();
             boss_stage = true;
             if (boss.parts.size() < 4 || boss.mode != 2 || boss.param > 15) {
                 vortex_i();
                 boss.mode = 2;
                 boss.param = -19;  // the beam at its start
             }
         }},
        {"ANGEL strike and reticle", game_pass, [] { start_boss(ANGEL); },
         [] {
             keep_ghost();
             boss_stage = true;
             if (boss.parts.empty())
                 a_fire(player.x + 60, player.y);
             if (boss.timer > 40)
                 boss.timer = 0;
         }},
        {"stress", game_pass, [] { enter_game(); },
         [] {
             // 5,000 sparks, 500 gems, 200 enemy shots and the warp starfield.
             keep_ghost();
             wrp_spd = 35;
             ship at = ship();
             at.x = 320;
             at.y = 100;
             while (spark.size() < 5000)
                 explode(100, 30, at);
             while (bonus.size() < 500)
                 drop_gem(50, at);
             while (eshot.size() < 200) {
                 at.x = COLUMN_LEFT + int(eshot.size()) % 384;
                 efire(at);
             }
             for (projectile& g : bonus)
                 g.y = 100;
         }},
    };

    printf("| scene                      | median us | p99 us | passes/s | peak KiB |\n");
    printf("|---|---:|---:|---:|---:|\n");
    for (const scene& s : scenes)
        run(s);
    seek_figures();
    std::string rm = "rm -rf '" + save_dir + "'";
    return system(rm.c_str()) == 0 ? 0 : 1;
}
