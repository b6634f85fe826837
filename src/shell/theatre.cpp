#include "shell/theatre.h"
#include "shell/assets.h"
#include "shell/frames.h"
#include "shell/runs/recording.h"
#include "shell/runs/replays.h"
#include "shell/runs/runs.h"
#include "shell/runs/watch.h"
#include "shell/machine/clock.h"
#include "shell/machine/paths.h"
#include "world/world.h"

#include <algorithm>
#include <allegro.h>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>

const int LIST_HEADING_Y = 40;
const int LIST_FIRST_Y = 100;
const int LIST_ROW = 19;
const int LIST_ROWS = 14;       // rows shown at once; the list scrolls past them
const int LIST_NOTE_Y = 400;
const int LIST_HINT_Y = 455;
const size_t NOTE_CHARS = 76;   // a note line in the built-in font

// ---- The list ----------------------------------------------------------------------

static std::string stamp_of(const std::string& name, size_t at)
{
    // 2026-12-08_04-50-12 -> 2026-12-08 04:50
    if (name.size() < at + 16)
        return "";
    std::string s = name.substr(at, 16);
    s[10] = ' ';
    s[13] = ':';
    return s;
}

static std::string mtime_of(const std::string& path)
{
    struct stat st;
    struct tm t;
    char s[32] = "";
    if (stat(path.c_str(), &st) == 0 && localtime_r(&st.st_mtime, &t))
        strftime(s, sizeof s, "%Y-%m-%d %H:%M", &t);
    return s;
}

static bool ends_with(const std::string& s, const char* end)
{
    size_t n = strlen(end);
    return s.size() >= n && s.compare(s.size() - n, n, end) == 0;
}

std::vector<listed_run> list_replays()
{
    std::vector<listed_run> kept, last, practice;
    std::string dir = save_path(REPLAY_FOLDER);
    DIR* d = opendir(dir.c_str());
    if (!d)
        return kept;
    const std::string prefix = PRACTICE_PREFIX;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        listed_run r;
        r.path = dir + "/" + name;
        r.practice = name.compare(0, prefix.size(), prefix) == 0;
        int named = -1;
        bool is_kept = kept_score(name, named);
        if (!ends_with(name, RUN_EXTENSION) || (!is_kept && !r.practice && name != LAST_REPLAY))
            continue;
        r.score = named;
        r.when = is_kept ? stamp_of(name, name.find('_') + 1)
                 : r.practice ? stamp_of(name, name.find('_', prefix.size()) + 1)
                              : mtime_of(r.path);
        recording run;
        std::string error;
        r.playable = load_recording(r.path.c_str(), run, error);
        if (!r.playable) {
            r.why = error.compare(0, r.path.size(), r.path) == 0 ? name + error.substr(r.path.size()) : error;
        } else {
            r.seconds = int((run.passes.size() - run.run_start) * PASS_TICKS / 1000);
            if (run.whole) {
                r.score = run.end_score;
                r.stage = stage_reached(run.end_r_stage);
            }
            if (run.practice)
                r.practice = true;
        }
        (r.practice ? practice : name == LAST_REPLAY ? last : kept).push_back(r);
    }
    closedir(d);
    std::stable_sort(kept.begin(), kept.end(), [](const listed_run& a, const listed_run& b) {
        return a.score != b.score ? a.score > b.score : a.when > b.when;
    });
    std::sort(practice.begin(), practice.end(),
              [](const listed_run& a, const listed_run& b) { return a.when > b.when; });
    kept.insert(kept.end(), last.begin(), last.end());
    kept.insert(kept.end(), practice.begin(), practice.end());
    return kept;
}

static std::string row_text(const listed_run& r)
{
    char length[16];
    snprintf(length, sizeof length, "%d:%02d", r.seconds / 60, r.seconds % 60);
    std::string score = r.score >= 0 ? std::to_string(r.score) : "?";
    std::string s = std::string(r.practice ? "practice " : "") + score + "   " + r.when;
    if (!r.playable)
        return s + "   (cannot be watched)";
    return s + "   " + (r.stage.empty() ? "?" : r.stage) + "   " + length;
}

// ---- A chooser -----------------------------------------------------------------------

static int white() { return makecol(255, 255, 255); }

// Up and Down move, Enter or fire chooses, Esc or next goes back: each on
// its press, so keys held when the screen opens do nothing.
static int choose_from(const char* heading, const std::vector<std::string>& rows,
                       const std::vector<bool>& marked, int chosen, std::string& note)
{
    BITMAP* frame = create_bitmap(640, 480);
    if (!frame || rows.empty()) {
        if (frame)
            destroy_bitmap(frame);
        return -1;
    }
    enum { UP, DOWN, CHOOSE, BACK, KEYS };
    bool was[KEYS] = {true, true, true, true};
    int result = -1;
    while (!end_game) {
        begin_pass();
        bool down[KEYS] = {key[KEY_UP] || action_held(BIND_UP), key[KEY_DOWN] || action_held(BIND_DOWN),
                           key[KEY_ENTER] || action_held(BIND_FIRE), key[KEY_ESC] || action_held(BIND_NEXT)};
        bool press[KEYS];
        for (int k = 0; k < KEYS; k++) {
            press[k] = down[k] && !was[k];
            was[k] = down[k];
        }
        int n = int(rows.size());
        if (press[UP] || press[DOWN]) {
            chosen = (chosen + (press[DOWN] ? 1 : n - 1)) % n;
            note.clear();
        }
        if (press[BACK])
            break;
        if (press[CHOOSE]) {
            result = chosen;
            break;
        }
        clear_to_color(frame, makecol(0, 0, 0));
        textout_centre_ex(frame, title, heading, 320, LIST_HEADING_Y, white(), -1);
        int first = std::max(0, std::min(chosen - LIST_ROWS / 2, n - LIST_ROWS));
        for (int i = first; i < n && i < first + LIST_ROWS; i++) {
            int colour = i == chosen ? makecol(255, 220, 60) : marked[i] ? makecol(140, 140, 140) : white();
            textout_centre_ex(frame, text, rows[i].c_str(), 320, LIST_FIRST_Y + LIST_ROW * (i - first),
                              colour, -1);
        }
        for (size_t at = 0, line = 0; at < note.size(); at += NOTE_CHARS, line++)
            textout_centre_ex(frame, font, note.substr(at, NOTE_CHARS).c_str(), 320,
                              LIST_NOTE_Y + 12 * int(line), makecol(255, 0, 0), -1);
        textout_centre_ex(frame, font, "Up, Down: choose   Enter: watch   Esc: back", 320, LIST_HINT_Y,
                          white(), -1);
        present_frame(frame);
        wait_pass();
    }
    destroy_bitmap(frame);
    return result;
}

// ---- Watching from the list ------------------------------------------------------------

static void watch_listed(const listed_run& r, std::string& note)
{
    recording run;
    std::string error;
    if (!load_recording(r.path.c_str(), run, error)) {
        note = error;
        return;
    }
    // The session's own world, mode and seed wait while the run is shown.
    run_mode mode = runs_mode;
    unsigned seed = run_seed;
    int practice = practice_at;
    hold_world();
    watched_run w = play_watched(run);
    if (w.ended)
        end_of_replay(w);
    bool closed = end_game && !w.ended && !w.left;  // the close button
    give_world_back();
    runs_mode = mode;
    run_seed = seed;
    practice_at = practice;
    end_game = closed;
    if (w.diverged)
        note = "This run went another way by pass " + std::to_string(w.diverged) +
               ": its state hash there is not the one it keeps";
}

void browse_replays()
{
    std::string note;
    int chosen = 0;
    while (!end_game) {
        std::vector<listed_run> runs = list_replays();
        std::vector<std::string> rows;
        std::vector<bool> marked;
        for (const listed_run& r : runs) {
            rows.push_back(row_text(r));
            marked.push_back(!r.playable);
        }
        if (rows.empty()) {
            rows.push_back("No runs kept yet");
            marked.push_back(true);
        }
        chosen = choose_from("Replays", rows, marked, std::min(chosen, int(rows.size()) - 1), note);
        if (chosen < 0 || runs.empty())
            return;
        if (!runs[chosen].playable)
            note = runs[chosen].why;
        else
            watch_listed(runs[chosen], note);
    }
}

int choose_practice()
{
    const std::vector<std::string> rows = {"GLAIVE", "VORTEX", "ANGEL", "The final stage"};
    const int stages[] = {1, 4, 8, 12};
    std::string note;
    int i = choose_from("Practice", rows, std::vector<bool>(rows.size(), false), 0, note);
    return i < 0 ? 0 : stages[i];
}
