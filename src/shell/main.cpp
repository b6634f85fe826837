// Zelto Star! - a vertical shoot-'em-up.
#include "shell/startup.h"
#include "shell/loop.h"
#include "shell/scores.h"
#include "shell/menu.h"
#include "shell/stats.h"
#include "shell/frames.h"
#include "shell/runs/recording.h"
#include "shell/runs/replays.h"
#include "shell/runs/runs.h"
#include "shell/runs/watch.h"
#include "shell/config/options.h"
#include "shell/config/settings.h"
#include "shell/machine/display.h"
#include "shell/machine/files.h"
#include "shell/machine/paths.h"
#include "shell/machine/signals.h"
#include "world/world.h"
#include "shell/machine/say.h"

#include <allegro.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    save_dir = user_data_dir(getenv("XDG_DATA_HOME"), home_folder());
    if (save_dir.empty())
        say("no home folder (HOME is not set and the password database has "
            "none): keeping scores in the working folder");
    if (!save_dir.empty() && !make_folder(save_dir)) {
        say("cannot create %s; keeping scores in the working folder",
            save_dir.c_str());
        save_dir = "";
    }
}

// Prints what --help or --version asked for; a write that fails (a closed
// or full output) is a failure, not a silent success.
static int print_and_exit(const std::string& what)
{
    fputs(what.c_str(), stdout);
    if (fflush(stdout) != 0 || ferror(stdout)) {
        say("cannot write to the standard output: %s", strerror(errno));
        return 1;
    }
    return 0;
}

// The settings for this run: the file's (the player's own, or the one
// --config names), then the command line's. Each thing wrong with the file
// is said in one line.
static settings choose_settings(const options& opt, std::string& file)
{
    file = opt.config.empty() ? user_settings_file(getenv("XDG_CONFIG_HOME"), home_folder())
                              : opt.config;
    settings chosen;
    std::vector<std::string> notes;
    bool replaceable = file.empty() || read_settings(file, !opt.config.empty(), chosen, notes);
    // A save refused for it says so in its own one line.
    if (!(opt.save_settings && !replaceable))
        for (const std::string& note : notes)
            fprintf(stderr, "%s\n", note.c_str());
    apply_options(opt, chosen);
    return chosen;
}

// zelto --save-settings and --settings: write, show, and that is all.
static int settings_command(const options& opt, const settings& chosen, const std::string& file)
{
    if (opt.save_settings) {
        std::string why;
        if (file.empty()) {
            say("nowhere to save the settings: neither HOME nor XDG_CONFIG_HOME "
                "is set (name a file with --config)");
            return 1;
        }
        if (!save_settings(file, chosen, why)) {
            say("cannot save the settings to %s: %s", file.c_str(), why.c_str());
            return 1;
        }
        if (!opt.show_settings)
            return print_and_exit("zelto: settings saved to " + file + "\n");
    }
    return print_and_exit(settings_report(chosen, file));
}

// zelto --replay FILE, once the window is open: the run, then its end
// until the player leaves; --stats adds the final state hash, in the form
// build/replay prints it.
static int watch(const recording& run, const std::string& path, bool stats)
{
    stats_game_began();
    watched_run w = play_watched(run);
    if (w.ended)
        end_of_replay(w);
    if (w.diverged)
        say("%s went another way by pass %zu: its state hash there is not the one it keeps",
            path.c_str(), w.diverged);
    shutdown();
    int status = quit_signal ? 128 + quit_signal : w.diverged ? 1 : 0;
    if (stats) {
        stats_report();
        if (w.ended && (printf("passes %d\nhash %016llx\n", w.passes, w.hash) < 0 || fflush(stdout) != 0)) {
            say("cannot write to the standard output: %s", strerror(errno));
            status = status ? status : 1;
        }
    }
    return status;
}

// zelto --verify FILE: the run played headless, its figures printed; the
// status says whether it is proved, and a kept replay's name is held to it.
static int verify(const std::string& path)
{
    recording run;
    std::string error;
    if (!load_recording(path.c_str(), run, error)) {
        say("%s", error.c_str());
        return 1;
    }
    if (startup_headless(run.seed) != 0)
        return 1;
    verdict v = verify_run(run);
    shutdown();
    int named = 0;
    bool has_name = kept_score(path, named);
    printf("score %d\nstage %d: %s\npasses %d\nhash %016llx\n", v.score, v.r_stage,
           stage_reached(v.r_stage).c_str(), v.passes, v.hash);
    if (run.practice)
        printf("practice run from %s\n", stage_reached(run.practice).c_str());
    if (has_name)
        printf("its name's score %d: %s\n", named, v.score >= named ? "reached" : "not reached");
    if (fflush(stdout) != 0) {
        say("cannot write to the standard output: %s", strerror(errno));
        return 1;
    }
    if (!v.why.empty())
        say("%s: %s", path.c_str(), v.why.c_str());
    if (!v.proved)
        return 1;
    if (has_name && v.score < named) {
        say("%s: its name says %d, the run scores %d", path.c_str(), named, v.score);
        return 1;
    }
    return 0;
}

int main(int argc, char** argv)
{
    // Before anything opens a file: a closed stdin, stdout or stderr would
    // otherwise be taken by the next file or the X connection.
    guard_std_streams();
    catch_quit_signals(&end_game);
    stats_start();
    options opt;
    std::string error;
    if (!parse_options(argc, argv, opt, error)) {
        say("%s (try --help)", error.c_str());
        return 2;
    }
    if (opt.help)
        return print_and_exit(usage_text());
    if (opt.version)
        return print_and_exit(std::string("Zelto Star! ") + ZELTO_VERSION + "\n");
    std::string settings_file;
    settings chosen = choose_settings(opt, settings_file);
    if (opt.save_settings || opt.show_settings) {
        int status = settings_command(opt, chosen, settings_file);
        return quit_signal ? 128 + quit_signal : status;  // a signal waits for the save to end
    }
    use_settings(chosen);
    menu_settings(chosen, settings_file);  // what the menus change, and where they save it
    choose_folders(argv[0]);
    if (opt.stats) {
        after_pass = stats_count_pass;
        after_send = stats_count_send;
    }

    if (!opt.verify.empty())
        return verify(opt.verify);
    practice_at = opt.practice;

    // A run to watch is read before the window opens.
    recording run;
    if (!opt.replay.empty() && !load_recording(opt.replay.c_str(), run, error)) {
        say("%s", error.c_str());
        return 1;
    }

    int status = startup(chosen.scale, chosen.mute, chosen.fullscreen);
    if (status != 0)
        return status;
    if (!opt.replay.empty())
        return watch(run, opt.replay, opt.stats);
    if (!start_runs(opt.record.empty() ? RUN_KEEP : RUN_RECORD, opt.record.c_str())) {
        shutdown();
        return 1;
    }
    title_loop();
    slide_in();
    stats_game_began();
    game_loop();
    save_unsaved_runs(display_note);  // a lock another copy held at game over may be free now
    bool recorded = end_runs();
    if (opt.stats)
        stats_final_state();
    shutdown();
    if (opt.stats)
        stats_report();
    if (quit_signal)
        return 128 + quit_signal;
    return recorded ? 0 : 1;
}
END_OF_MAIN()
