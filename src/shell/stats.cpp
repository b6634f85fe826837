#include "shell/stats.h"
#include "shell/machine/clock.h"
#include "world/world.h"
#include "shell/machine/say.h"

#include <chrono>
#include <cstdio>
#include <sys/resource.h>

typedef std::chrono::steady_clock clock_type;

static clock_type::time_point started, first_pass, game_started, last_pass;
static double cpu_at_game_start;
static bool in_game;
static long game_passes;

// How evenly frames went to the X server during the game: gaps between one
// frame sent and the next, those near one pass, and the largest.
const double EVEN_GAP_MIN = 18.0, EVEN_GAP_MAX = 20.5;  // ms: a pass of 19 ticks, give or take the timer
static clock_type::time_point last_send;
static long send_gaps, even_gaps;
static double largest_gap;

static double cpu_seconds()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void stats_start()
{
    started = clock_type::now();
}

void stats_game_began()
{
    in_game = true;
}

void stats_count_pass()
{
    clock_type::time_point now = clock_type::now();
    if (first_pass == clock_type::time_point())
        first_pass = now;
    if (in_game) {
        if (game_passes++ == 0) {
            game_started = now;
            cpu_at_game_start = cpu_seconds();
        }
        last_pass = now;
    }
}

void stats_count_send()
{
    if (!in_game)
        return;
    clock_type::time_point now = clock_type::now();
    if (last_send != clock_type::time_point()) {
        double gap = std::chrono::duration<double, std::milli>(now - last_send).count();
        send_gaps++;
        if (gap >= EVEN_GAP_MIN && gap <= EVEN_GAP_MAX)
            even_gaps++;
        if (gap > largest_gap)
            largest_gap = gap;
    }
    last_send = now;
}

void stats_report()
{
    using ms = std::chrono::duration<double, std::milli>;
    say("first title pass done %.0f ms after start (its frame shown up to %d ms before)",
        ms(first_pass - started).count(), PASS_TICKS);
    if (game_passes < 2)
        return;
    double wall = ms(last_pass - game_started).count();
    say("%ld game passes, %.2f ms a pass on average, %.1f%% of one processor",
        game_passes, wall / (game_passes - 1), 100 * (cpu_seconds() - cpu_at_game_start) / (wall / 1000));
    if (send_gaps > 0)
        say("%.1f%% of %ld frames sent %.0f-%.1f ms after the one before, largest gap %.1f ms",
            100.0 * even_gaps / send_gaps, send_gaps, EVEN_GAP_MIN, EVEN_GAP_MAX, largest_gap);
}

void stats_final_state()
{
    say("state hash %016llx at the end of the run", state_hash());
}
