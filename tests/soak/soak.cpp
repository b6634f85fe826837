// soak PASSES [--data DIR] [--cycles N]
//
// Long headless runs of the whole game, drawing included, on seeded random
// input: half the passes with a ship that cannot be hurt (so the run goes
// through every boss into the final stage), the rest split over three seeds
// that play, die and start again. After every pass the world must be sane;
// resident memory may not grow by more than 1 MiB between pass 10,000 and
// the end. Then N game-over and new-game cycles in one run must leave memory
// flat. Prints its figures; exits 1 on the first fault.
#include "zelto.h"

#include <algorithm>
#include <allegro.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <unistd.h>

// Built with AddressSanitizer, the process's memory is the sanitizer's
// (quarantine, shadow): it finds leaks itself, so sizes are only reported.
#if defined(__SANITIZE_ADDRESS__)
const bool JUDGE_MEMORY = false;
#else
const bool JUDGE_MEMORY = true;
#endif

const long GROWTH_ALLOWED = 1024 * 1024;  // bytes, from pass 10,000 to the end
const long CYCLES_GROWTH_ALLOWED = 256 * 1024;
const int MEMORY_MARK = 10000;

// Far above anything the rules produce (a long soak's largest counts stay
// below a fifth of these); a container past them is growing without end.
struct bound {
    const char* name;
    size_t (*size)();
    size_t most;
};
static const bound BOUNDS[] = {
    {"enemy", [] { return enemy.size(); }, 100},
    {"eshot", [] { return eshot.size(); }, 400},
    {"shot", [] { return shot.size(); }, 100},
    {"bonus", [] { return bonus.size(); }, 3000},
    {"spark", [] { return spark.size(); }, 20000},
    {"star", [] { return star.size(); }, 1000},
    {"boss.parts", [] { return boss.parts.size(); }, 20},
};

static long resident_bytes()
{
    long pages_total = 0, pages_resident = 0;
    FILE* f = fopen("/proc/self/statm", "r");
    if (!f || fscanf(f, "%ld %ld", &pages_total, &pages_resident) != 2)
        pages_resident = 0;
    if (f)
        fclose(f);
    return pages_resident * sysconf(_SC_PAGESIZE);
}

static double seconds_since(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

[[noreturn]] static void fault(unsigned seed, int pass, const std::string& what)
{
    printf("FAULT: seed %u, pass %d: %s\n", seed, pass, what.c_str());
    fflush(stdout);
    exit(1);
}

static void check_world(unsigned seed, int pass)
{
    for (const bound& b : BOUNDS)
        if (b.size() > b.most)
            fault(seed, pass, std::string(b.name) + " holds " + std::to_string(b.size()));
    if (player.x < COLUMN_LEFT || player.x > COLUMN_RIGHT || player.y < 0 || player.y > 480)
        fault(seed, pass,
              "the ship is at " + std::to_string(player.x) + ", " + std::to_string(player.y));
    if (lives < 0 || score < 0)
        fault(seed, pass, "lives " + std::to_string(lives) + ", score " + std::to_string(score));
    if (r_stage < 0 || r_stage > 12 || wrp_spd < 0 || wrp_spd > 35)
        fault(seed, pass,
              "r_stage " + std::to_string(r_stage) + ", wrp_spd " + std::to_string(wrp_spd));
}

static void release_keys()
{
    for (int i = 0; i < KEY_MAX; i++)
        key[i] = 0;
}

// Random keys as a restless player presses them: a heading held for a
// while, fire nearly always, X often enough that cleared stages and game
// overs do not last, now and then Tab, and a short pause with P.
struct random_player {
    std::mt19937 gen;
    int hold = 0;

    explicit random_player(unsigned seed) : gen(seed) {}
    int roll(int n) { return int(gen() % unsigned(n)); }

    // A hunter heads for the boss in two stretches of three.
    void press(bool hunter)
    {
        if (--hold <= 0) {
            hold = 5 + roll(40);
            key[KEY_LEFT] = key[KEY_RIGHT] = key[KEY_UP] = key[KEY_DOWN] = 0;
            int h = roll(3), v = roll(3);
            if (hunter && boss_stage && roll(3) > 0) {
                int gap = boss.body.x - player.x;
                h = abs(gap) < 20 ? 0 : gap < 0 ? 1 : 2;
                hold = std::max(5, abs(gap) / 10);
            }
            if (h == 1) key[KEY_LEFT] = -1;
            if (h == 2) key[KEY_RIGHT] = -1;
            if (v == 1) key[KEY_UP] = -1;
            if (v == 2) key[KEY_DOWN] = -1;
        }
        key[KEY_Z] = roll(10) < 9 ? -1 : 0;
        key[KEY_X] = roll(8) == 0 ? -1 : 0;
        key[KEY_TAB] = roll(5000) == 0 ? -1 : 0;
        key[KEY_P] = roll(paused ? 20 : 2000) == 0 ? -1 : 0;
    }
};

struct totals {
    int passes = 0;
    long rss_mark = 0;  // resident bytes at MEMORY_MARK passes
};

static void start(unsigned seed)
{
    if (startup_headless(seed) != 0)
        exit(1);
    release_keys();
    key[KEY_Z] = -1;
    title_loop();
    slide_in();
}

// One seed: n game passes. A ghost is never hurt; a mortal player is kept
// from harm in every other stretch of 2,500 passes, so that it also reaches
// the bosses and loses ships, and whole runs, in their stages.
static void soak_seed(unsigned seed, int n, bool ghost, totals& t)
{
    auto began = std::chrono::steady_clock::now();
    start(seed);
    random_player p(seed);
    int furthest = 0, final_at = -1, game_overs = 0;
    bool over = false;
    size_t biggest[std::size(BOUNDS)] = {};
    for (int i = 0; i < n; i++) {
        p.press(ghost);
        if (ghost || (i / 2500) % 2 == 0)
            last_hit = loop_num - 100;
        game_loop_pass();
        check_world(seed, i);
        furthest = std::max(furthest, r_stage);
        if (r_stage == 12 && final_at < 0)
            final_at = i;
        for (size_t b = 0; b < std::size(BOUNDS); b++)
            biggest[b] = std::max(biggest[b], BOUNDS[b].size());
        bool now_over = lives <= 0 && hit_age() <= 60;
        game_overs += now_over && !over;
        over = now_over;
        if (++t.passes == MEMORY_MARK)
            t.rss_mark = resident_bytes();
    }
    if (ghost && n >= 40000 && final_at < 0)
        fault(seed, n, "the unhurtable run never reached the final stage: the soak covers too little");
    std::string final_stage =
        final_at < 0 ? "" : " (the final stage from pass " + std::to_string(final_at) + ")";
    printf("seed %u%s: %d passes in %.1f s, r_stage up to %d%s, %d game overs; most held:", seed,
           ghost ? " (unhurtable)" : "", n, seconds_since(began), furthest, final_stage.c_str(),
           game_overs);
    for (size_t b = 0; b < std::size(BOUNDS); b++)
        printf(" %s %zu", BOUNDS[b].name, biggest[b]);
    printf("\n");
    shutdown();
    release_keys();
}

// Game over and a new game, n times in one run: one ship a run, hit by an
// enemy shot dropped on it as soon as it can be hurt.
static void cycles(int n)
{
    auto began = std::chrono::steady_clock::now();
    start(99);
    long at_ten = 0;
    int pass = 0;
    for (int c = 1; c <= n; c++) {
        lives = 0;
        while (!(lives <= 0 && hit_age() < RESPAWN_AGE)) {
            if (player_hurtable() && eshot.empty())
                eshot.push_back(projectile{player.x, player.y - 12, 0, 12});
            key[KEY_Z] = -1;
            game_pass();
            check_world(99, ++pass);
            if (pass > 1000 * c)
                fault(99, pass, "the ship was not lost in cycle " + std::to_string(c));
        }
        if (!saved)
            fault(99, pass, "the game over did not record the run");
        key[KEY_X] = -1;
        game_pass();
        key[KEY_X] = 0;
        if (score != 0 || r_stage != 0 || saved)
            fault(99, pass, "X after game over did not start a new game");
        if (c == 10)
            at_ten = resident_bytes();
    }
    long end = resident_bytes();
    printf("%d game-over and new-game cycles (%d passes) in %.1f s: resident %ld KiB after 10, "
           "%ld KiB after %d\n",
           n, pass, seconds_since(began), at_ten / 1024, end / 1024, n);
    shutdown();
    release_keys();
    if (JUDGE_MEMORY && n >= 10 && end - at_ten > CYCLES_GROWTH_ALLOWED)
        fault(99, pass,
              "memory grew by " + std::to_string((end - at_ten) / 1024) + " KiB over the cycles");
}

int main(int argc, char** argv)
{
    int passes = argc > 1 ? atoi(argv[1]) : 0;
    int n_cycles = 100;
    data_dir = "data";
    for (int i = 2; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--data") == 0)
            data_dir = argv[i + 1];
        else if (strcmp(argv[i], "--cycles") == 0)
            n_cycles = atoi(argv[i + 1]);
    }
    if (passes < 4) {
        fprintf(stderr, "usage: soak PASSES [--data DIR] [--cycles N]\n");
        return 2;
    }
    static char folder[] = "/tmp/zelto_soak_XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    save_dir = folder;
    atexit([] {
        std::string rm = std::string("rm -rf '") + folder + "'";
        if (system(rm.c_str()) != 0)
            fprintf(stderr, "soak: cannot remove %s\n", folder);
    });

    auto began = std::chrono::steady_clock::now();
    totals t;
    soak_seed(1, passes / 2, true, t);
    int rest = passes - passes / 2;
    for (int k = 0; k < 3; k++)
        soak_seed(2 + k, rest / 3 + (k < rest % 3), false, t);
    long end = resident_bytes();
    printf("%d passes over 4 seeds in %.1f s: resident %ld KiB at pass %d, %ld KiB at the end\n",
           t.passes, seconds_since(began), t.rss_mark / 1024, MEMORY_MARK, end / 1024);
    if (JUDGE_MEMORY && t.rss_mark > 0 && end - t.rss_mark > GROWTH_ALLOWED)
        fault(0, t.passes, "memory grew by " + std::to_string((end - t.rss_mark) / 1024) + " KiB");

    if (n_cycles > 0)
        cycles(n_cycles);

    printf("soak passed\n");
    return 0;
}
