#include "shell/config/options.h"

#include <cerrno>
#include <pwd.h>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

const char* usage_text()
{
    return "Usage: zelto [OPTION]... [FILE]\n"
           "A vertical shoot-'em-up. Arrows steer, Z fires, X continues, P pauses,\n"
           "Tab saves a screenshot, F11 or Alt+Enter toggles fullscreen, Esc quits.\n"
           "Keys, joystick buttons, volumes and the window can be set in\n"
           "~/.config/zelto/zelto.cfg (see zelto(6)); the options below win over it\n"
           "for one run. Every run is recorded in replays/ beside the score file; the\n"
           "runs in the high-score table keep theirs.\n"
           "\n"
           "  --scale N        window N times 640 x 480 (N = 1 to 4)\n"
           "  --scale auto     the largest such window that fits the desktop\n"
           "  --fullscreen     the whole desktop, the picture enlarged and centred\n"
           "  --window         a window, whatever the settings file says\n"
           "  --mute           no music and no sound effects\n"
           "  --music N        music volume, 0 to 100 (100: full)\n"
           "  --effects N      sound effects volume, 0 to 100 (100: full)\n"
           "  --config FILE    read the settings from FILE instead\n"
           "  --settings       show the settings in effect and where each comes from\n"
           "  --save-settings  write the settings in effect, these options included,\n"
           "                   to the settings file\n"
           "  --record FILE    record the run (seed and input) into FILE\n"
           "  --replay FILE    watch a recorded run: Esc leaves, P pauses, hold F to\n"
           "                   go four times as fast, Left/Right seek 10 s, Home/End,\n"
           "                   period steps while paused, I shows the input\n"
           "  --verify FILE    play a recorded run headless, print its score, stage,\n"
           "                   passes and state hash; status 0 for a whole run of\n"
           "                   this version that plays to the hashes it keeps\n"
           "  --practice BOSS  practise at glaive, vortex, angel or final: a new run's\n"
           "                   ship there, kept as a practice replay, never scored\n"
           "  FILE             a recorded run (.zrec) to watch, as --replay FILE\n"
           "  --stats          print pacing and processor figures on exit\n"
           "  --help           show this help and exit\n"
           "  --version        show the version and exit\n";
}

static bool whole_number(const char* s, int& out)
{
    if (!*s)
        return false;
    char* end = nullptr;
    errno = 0;
    long v = strtol(s, &end, 10);
    if (*end || errno || v < -1000000 || v > 1000000)
        return false;
    out = int(v);
    return true;
}

// A recorded run named alone, as a file manager opens one: zelto FILE.
static bool is_run_file(const std::string& arg)
{
    auto ends = [&](const char* e) {
        size_t n = strlen(e);
        return arg.size() > n && arg.compare(arg.size() - n, n, e) == 0;
    };
    return arg[0] != '-' && (ends(".zrec") || ends(".rec"));
}

bool parse_options(int argc, char** argv, options& out, std::string& error)
{
    out = options();
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        std::string value;
        bool has_value = false;
        size_t eq = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            has_value = true;
        }
        bool takes_value = arg == "--scale" || arg == "--record" || arg == "--replay" || arg == "--verify" || arg == "--practice" ||
                           arg == "--config" || arg == "--music" || arg == "--effects";
        if (takes_value && !has_value) {
            if (i + 1 >= argc) {
                error = "option " + arg + " needs a value";
                return false;
            }
            value = argv[++i];
        } else if (!takes_value && has_value) {
            error = "option " + arg + " takes no value";
            return false;
        }

        if (arg == "--scale") {
            out.scale_given = true;
            if (value == "auto") {
                out.scale = 0;
            } else if (!whole_number(value.c_str(), out.scale) || out.scale < 1 || out.scale > MAX_SCALE) {
                error = "--scale needs a whole number from 1 to 4 or 'auto', not '" + value + "'";
                return false;
            }
        } else if (arg == "--music" || arg == "--effects") {
            int& volume = arg == "--music" ? out.music : out.effects;
            if (!whole_number(value.c_str(), volume) || volume < 0 || volume > 100) {
                error = arg + " needs a volume from 0 to 100, not '" + value + "'";
                return false;
            }
        } else if (arg == "--config") {
            if (value.empty()) {
                error = "--config needs a file name";
                return false;
            }
            out.config = value;
        } else if (arg == "--save-settings") {
            out.save_settings = true;
        } else if (arg == "--settings") {
            out.show_settings = true;
        } else if (arg == "--window") {
            out.fullscreen = false;
            out.fullscreen_given = true;
        } else if (arg == "--record") {
            if (value.empty()) {
                error = "--record needs a file name";
                return false;
            }
            out.record = value;
        } else if (arg == "--replay") {
            if (value.empty()) {
                error = "--replay needs a file name";
                return false;
            }
            out.replay = value;
        } else if (arg == "--verify") {
            if (value.empty()) {
                error = "--verify needs a file name";
                return false;
            }
            out.verify = value;
        } else if (arg == "--practice") {
            const char* names[] = {"glaive", "vortex", "angel", "final"};
            const int stages[] = {1, 4, 8, 12};
            out.practice = 0;
            for (int b = 0; b < 4; b++)
                if (value == names[b])
                    out.practice = stages[b];
            if (!out.practice) {
                error = "--practice needs glaive, vortex, angel or final, not '" + value + "'";
                return false;
            }
        } else if (arg == "--fullscreen") {
            out.fullscreen = true;
            out.fullscreen_given = true;
        } else if (arg == "--mute") {
            out.mute = true;
        } else if (arg == "--stats") {
            out.stats = true;
        } else if (arg == "--help" || arg == "-h") {
            out.help = true;
        } else if (arg == "--version") {
            out.version = true;
        } else if (is_run_file(arg) && out.replay.empty()) {
            out.replay = arg;  // a file opened from the desktop: zelto FILE
        } else {
            error = "unknown option '" + std::string(argv[i]) + "'";
            return false;
        }
    }
    if (!out.verify.empty() && (!out.replay.empty() || !out.record.empty() || out.practice)) {
        error = "--verify plays no game: it cannot be used with --replay, --record or --practice";
        return false;
    }
    if (out.practice && !out.replay.empty()) {
        error = "--practice and --replay cannot be used together";
        return false;
    }
    if (!out.record.empty() && !out.replay.empty()) {
        error = "--record and --replay cannot be used together";
        return false;
    }
    if ((out.save_settings || out.show_settings) && (!out.record.empty() || !out.replay.empty())) {
        error = std::string(out.save_settings ? "--save-settings" : "--settings") +
                " starts no game: it cannot be used with --record or --replay";
        return false;
    }
    return true;
}

