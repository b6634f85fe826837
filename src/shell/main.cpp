// Zelto Star! - a vertical shoot-'em-up.
#include "zelto.h"
#include "shell/options.h"

#include <allegro.h>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

typedef std::chrono::steady_clock clock_type;

// The program's own path, to find an installed copy's data.
static std::string program_path(const char* argv0)
{
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return argv0;
    path[n] = 0;
    return path;
}

// A game run from a folder holding its data keeps everything there; an
// installed game reads its share folder and keeps scores and screenshots in
// the player's data folder.
static void choose_folders(const char* argv0)
{
    data_dir = find_data_dir(program_path(argv0));
    if (data_dir.empty())
        return;
    save_dir = user_data_dir(getenv("XDG_DATA_HOME"), getenv("HOME"));
    if (!save_dir.empty() && !make_folder(save_dir)) {
        fprintf(stderr, "zelto: cannot create %s; keeping scores in the working folder\n",
                save_dir.c_str());
        save_dir = "";
    }
}

// --stats: how long start-up took, how long a game pass really lasts and
// how much of a processor the game uses while playing.
namespace stats {
clock_type::time_point started, first_pass, game_started, last_pass;
double cpu_at_game_start;
bool in_game;
long game_passes;

static double cpu_seconds()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

static void count_pass()
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

static void report()
{
    using ms = std::chrono::duration<double, std::milli>;
    fprintf(stderr, "zelto: first title pass done %.0f ms after start (its frame shown up to %d ms before)\n",
            ms(first_pass - started).count(), PASS_TICKS);
    if (game_passes < 2)
        return;
    double wall = ms(last_pass - game_started).count();
    fprintf(stderr, "zelto: %ld game passes, %.2f ms a pass on average, %.1f%% of one processor\n",
            game_passes, wall / (game_passes - 1), 100 * (cpu_seconds() - cpu_at_game_start) / (wall / 1000));
}
}  // namespace stats

int main(int argc, char** argv)
{
    stats::started = clock_type::now();
    options opt;
    std::string error;
    if (!parse_options(argc, argv, opt, error)) {
        fprintf(stderr, "zelto: %s (try --help)\n", error.c_str());
        return 2;
    }
    if (opt.help) {
        fputs(usage_text(), stdout);
        return 0;
    }
    if (opt.version) {
        printf("Zelto Star! %s\n", ZELTO_VERSION);
        return 0;
    }
    choose_folders(argv[0]);
    if (opt.stats)
        after_pass = stats::count_pass;

    int status = startup(opt.scale, opt.mute);
    if (status != 0)
        return status;
    if (!opt.record.empty() && !record_to(opt.record.c_str())) {
        shutdown();
        return 1;
    }
    title_loop();
    slide_in();
    stats::in_game = true;
    game_loop();
    stop_recording();
    shutdown();
    if (opt.stats)
        stats::report();
    return 0;
}
END_OF_MAIN()
