// Zelto Star! - a vertical shoot-'em-up.
#include "zelto.h"
#include "shell/options.h"
#include "shell/stats.h"

#include <allegro.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

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

int main(int argc, char** argv)
{
    stats_start();
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
        after_pass = stats_count_pass;

    int status = startup(opt.scale, opt.mute);
    if (status != 0)
        return status;
    if (!opt.record.empty() && !record_to(opt.record.c_str())) {
        shutdown();
        return 1;
    }
    title_loop();
    slide_in();
    stats_game_began();
    game_loop();
    stop_recording();
    shutdown();
    if (opt.stats)
        stats_report();
    return 0;
}
END_OF_MAIN()
