// make_golden DATA_DIR OUT_DIR
//
// Makes the golden runs the replay test plays back: a scripted pilot plays
// each run headless through the keyboard, as a person would, while the
// game records it (the same recording as zelto --record). For each run,
// seeds are tried in turn until one meets the run's goal; then the
// recording is played back and NAME.zrec and NAME.expected (the figures with
// a hash every 250 passes) are written to OUT_DIR.
//
// Run it again only after a deliberate change to the game's rules: the
// golden runs exist to catch the changes nobody meant.
#include "zelto.h"
#include "replay_figures.h"

#include <algorithm>
#include <allegro.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>


// ---- The pilot ---------------------------------------------------------------

// Something that hurts within (rx, ry) of its centre, moving (dx, dy) a pass.
struct threat {
    int x, y, dx, dy, rx, ry;
};

static std::vector<threat> threats()
{
    std::vector<threat> t;
    for (const projectile& s : eshot)
        t.push_back({s.x, s.y, 0, 12, 19, 19});
    for (const ship& e : enemy)
        t.push_back({e.x, e.y, e.dx, e.dy, 14, 19});
    if (!boss_stage)
        return t;
    const ship& b = boss.body;
    switch (boss.type) {
    case GLAIVE:
        t.push_back({b.x, b.y, 0, 0, 44, 44});
        for (const ship& hand : boss.parts)
            t.push_back({hand.x, hand.y, hand.dx, hand.dy, 29, 29});
        break;
    case VORTEX:
        t.push_back({b.x, b.y, 0, 0, 14, 19});
        for (const ship& node : boss.parts)
            t.push_back({node.x, node.y, 0, 0, 20, 25});
        if (boss.mode == 2)  // the cannon: a column down from the core
            t.push_back({b.x, 480, 0, 0, 22, 480});
        break;
    case ANGEL:
        t.push_back({b.x, b.y, 0, 0, 39, 39});
        for (const ship& s : boss.parts)
            t.push_back({s.x, s.y, 0, 0, s.hp / 2, s.hp / 2});
        if (boss.timer > 30 && boss.timer <= 50)  // a strike is coming where it locked on
            t.push_back({boss.mode, boss.param, 0, 0, 45, 45});
        break;
    default:
        break;
    }
    return t;
}

// How dangerous it is to stand at (x, y) over the next few passes.
static int danger(const std::vector<threat>& ts, int x, int y)
{
    int cost = 0;
    for (const threat& t : ts) {
        for (int k = 0; k <= 8; k++) {
            if (abs(t.x + t.dx * k - x) <= t.rx + 8 && abs(t.y + t.dy * k - y) <= t.ry + 8) {
                cost += 1000 / (k + 1);
                break;
            }
        }
    }
    return cost;
}

// Where to stand: under the boss, or under the lowest enemy still above us.
static int target_x()
{
    if (boss_stage && boss.type != NO_BOSS)
        return boss.body.x;
    int best = 320, lowest = INT_MIN;
    for (const ship& e : enemy)
        if (e.y < player.y - 40 && e.y > lowest && e.x >= COLUMN_LEFT && e.x <= COLUMN_RIGHT)
            lowest = e.y, best = e.x;
    return best;
}

// A careful pilot steps where the danger is least, then nearest its aim; a
// careless one only sweeps across the column. Both fire all the time.
static void steer(bool careful)
{
    key[KEY_Z] = -1;
    key[KEY_UP] = key[KEY_DOWN] = key[KEY_LEFT] = key[KEY_RIGHT] = 0;
    if (!careful) {
        static int heading = 1;
        if (player.x >= COLUMN_RIGHT - 20) heading = -1;
        if (player.x <= COLUMN_LEFT + 20) heading = 1;
        key[heading > 0 ? KEY_RIGHT : KEY_LEFT] = -1;
        key[KEY_DOWN] = player.y < 400 ? -1 : 0;
        return;
    }
    std::vector<threat> ts = threats();
    int aim = target_x(), best = INT_MAX, best_dx = 0, best_dy = 0;
    for (int dx = -10; dx <= 10; dx += 10) {
        for (int dy = -10; dy <= 10; dy += 10) {
            int x = std::clamp(player.x + dx, COLUMN_LEFT, COLUMN_RIGHT);
            int y = std::clamp(player.y + dy, 0, 480);
            int cost = danger(ts, x, y) * 100 + abs(x - aim) + abs(y - 400);
            if (cost < best)
                best = cost, best_dx = dx, best_dy = dy;
        }
    }
    key[KEY_LEFT] = best_dx < 0 ? -1 : 0;
    key[KEY_RIGHT] = best_dx > 0 ? -1 : 0;
    key[KEY_UP] = best_dy < 0 ? -1 : 0;
    key[KEY_DOWN] = best_dy > 0 ? -1 : 0;
}

// ---- The runs --------------------------------------------------------------------

static bool cleared() { return e_left <= 0 && enemy.empty() && !boss_stage; }
// Between passes a ship down for good shows d from 1 to 60.
static bool run_over() { return lives <= 0 && hit_age() <= RESPAWN_AGE; }

// What has happened so far in the run being made.
static struct {
    int passes;        // every pass, slide-in included
    int clear_for;     // passes the stage has been clear
    int over_for;      // passes the run has been over
    int game_overs;    // runs lost and begun again with X
    int advances;      // stages advanced
    int boss_since;    // passes since the last stage advance
    int new_game_at;   // pass of the last new game
    int furthest;      // the highest r_stage reached
} seen;

struct plan {
    const char* name;
    unsigned first_seed;        // where the search starts, so no two runs share a start
    int longest;                // give the seed up after this many passes
    bool careful;               // which pilot
    bool (*next_now)();         // hold X this pass
    bool (*done)();             // the goal is met: Esc now
    bool (*hold_fire)();        // fire this pass (null: always)
};

static const plan PLANS[] = {
    // Clears the opening wave and fights GLAIVE for a while.
    {"glaive", 1, 6000, true, [] { return cleared() && seen.clear_for > 40 && r_stage == 0; },
     [] { return r_stage == 1 && boss_stage && seen.boss_since >= 150; }, nullptr},
    // Loses every ship, stays on the game-over screen, then plays a new game.
    {"game_over", 1, 8000, false, [] { return run_over() && seen.over_for > 120; },
     [] { return seen.game_overs == 1 && seen.passes - seen.new_game_at >= 800; }, nullptr},
    // A long session: stages cleared, bosses fought, runs lost and begun again.
    {"long", 101, 30000, true,
     [] { return (cleared() && seen.clear_for > 30) || (run_over() && seen.over_for > 60); },
     [] { return seen.passes >= 24000 && seen.furthest >= 4 && seen.game_overs >= 1; }, nullptr},
    // Long stretches of each song for the listening tests: the wave, six
    // seconds of the cleared stage, twelve of GLAIVE, firing only in the wave.
    {"stages", 201, 8000, true, [] { return cleared() && seen.clear_for > 300 && r_stage == 0; },
     [] { return r_stage == 1 && boss_stage && seen.boss_since >= 600; },
     [] { return r_stage == 0 && !cleared(); }},
};

static const plan* current;
static unsigned long long made_hash;  // the state the run left

static void between_passes()
{
    seen.passes++;
    seen.clear_for = cleared() ? seen.clear_for + 1 : 0;
    seen.over_for = run_over() ? seen.over_for + 1 : 0;
    seen.boss_since++;
    seen.furthest = std::max(seen.furthest, r_stage);
    steer(current->careful);
    if (current->hold_fire && !current->hold_fire())
        key[KEY_Z] = 0;
    key[KEY_X] = 0;
    if (current->next_now()) {
        key[KEY_X] = -1;
        if (run_over()) {
            seen.game_overs++;
            seen.new_game_at = seen.passes;
        } else if (cleared()) {
            seen.advances++;
            seen.boss_since = 0;
        }
    }
    if (current->done() || seen.passes > current->longest)
        key[KEY_ESC] = -1;
}

static void release_keys()
{
    for (int i = 0; i < KEY_MAX; i++)
        key[i] = 0;
}

static std::string fresh_folder()
{
    char name[] = "/tmp/zelto_golden_XXXXXX";
    if (!mkdtemp(name)) {
        perror("make_golden");
        exit(1);
    }
    return name;
}

static void remove_folder(const std::string& folder)
{
    unlink((folder + "/" + SCORE_FILE).c_str());
    rmdir(folder.c_str());
}

// Plays one seed of the plan, recording it into path; true when the goal was met.
static bool attempt(const plan& p, unsigned seed, const std::string& path)
{
    current = &p;
    seen = {};
    save_dir = fresh_folder();
    if (startup_headless(seed) != 0)
        exit(1);
    if (!start_runs(RUN_RECORD, path.c_str()))
        exit(1);
    release_keys();
    key[KEY_Z] = -1;
    after_pass = between_passes;
    title_loop();
    slide_in();
    game_loop();
    after_pass = nullptr;
    end_runs();
    bool met = p.done();
    made_hash = state_hash();
    fprintf(stderr, "%s, seed %u: %d passes, %d advances, %d game overs, r_stage %d at most%s\n",
            p.name, seed, seen.passes, seen.advances, seen.game_overs, seen.furthest,
            met ? "" : ": goal not met");
    shutdown();
    release_keys();
    remove_folder(save_dir);
    return met;
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: make_golden DATA_DIR OUT_DIR\n");
        return 2;
    }
    data_dir = argv[1];
    std::string out = argv[2];
    for (const plan& p : PLANS) {
        std::string rec = out + "/" + p.name + RUN_EXTENSION;
        unsigned seed = p.first_seed;
        while (!attempt(p, seed, rec)) {
            if (++seed >= p.first_seed + 100) {
                fprintf(stderr, "make_golden: no seed from %u on meets the goal of %s\n",
                        p.first_seed, p.name);
                return 1;
            }
        }
        recording run;
        std::string error;
        if (!load_recording(rec.c_str(), run, error)) {
            fprintf(stderr, "make_golden: %s\n", error.c_str());
            return 1;
        }
        save_dir = fresh_folder();
        if (startup_headless(run.seed) != 0)
            return 1;
        figures f = play_back(run, HASH_EVERY);
        shutdown();
        remove_folder(save_dir);
        if (f.hash != made_hash) {
            fprintf(stderr, "make_golden: %s does not play back to the state it was made in\n",
                    rec.c_str());
            return 1;
        }

        FILE* e = fopen((out + "/" + p.name + ".expected").c_str(), "w");
        if (!e || fputs(to_text(f).c_str(), e) < 0 || fclose(e) != 0) {
            fprintf(stderr, "make_golden: cannot write %s.expected\n", p.name);
            return 1;
        }
        printf("%s: seed %u, %d passes, score %d, r_stage %d, boss_stage %d, lives %d\n", p.name,
               run.seed, f.passes, f.score, f.r_stage, int(f.boss_stage), f.lives);
    }
    return 0;
}
