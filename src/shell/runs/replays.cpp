#include "shell/runs/replays.h"
#include "shell/runs/recording.h"
#include "world/world.h"
#include "shell/assets.h"
#include "shell/frames.h"
#include "shell/loop.h"
#include "shell/scores.h"
#include "shell/startup.h"
#include "shell/machine/clock.h"
#include "shell/machine/files.h"
#include "shell/machine/music.h"
#include "shell/machine/paths.h"
#include "shell/machine/sound.h"
#include "shell/config/options.h"

#include <algorithm>
#include <allegro.h>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// ---- Keeping ---------------------------------------------------------------------
// The session's input stays in memory (a byte a pass: 190 KB an hour), so a
// file can be written whole at any time: last.zrec when a run begins, a
// kept file when a run's score enters the table. Both then take each new
// pass as it comes, REPLAY_FLUSH_PASSES at a time.

namespace {

struct replay_file {
    int fd = -1;
    std::string path;
    size_t header = 0;   // bytes before the passes
    size_t written = 0;  // session passes already in the file
};

// A kept file's name: 00057_2026-12-08_04-50-12.zrec, then _2, _3... for
// more runs with that score in the same second.
struct kept_name {
    std::string name;
    int score;
    std::string stamp;
    int n;
};

}  // namespace

bool (*replay_write_fails)(const std::string&) = nullptr;

static bool keeping;                        // this session's replays are kept
static std::vector<unsigned char> session;  // every pass's input since start-up
static int start_table[5];                  // the score table at start-up
static unsigned run_start;                  // the session pass the run in progress began at
static replay_file last;                    // last.zrec, once the run is under way
static replay_file kept;                    // the run's own file, once its score is in the table
static void (*chained_sink)(const pass_input&);  // --record's, when both record
static int unflushed;

static std::string folder()
{
    return save_path(REPLAY_FOLDER);
}

static bool fails(const std::string& path)
{
    if (replay_write_fails && replay_write_fails(path)) {
        errno = EROFS;
        return true;
    }
    return false;
}

static void close_file(replay_file& f)
{
    if (f.fd >= 0)
        close(f.fd);
    f = replay_file();
}

// Said once; the game goes on and its runs are no longer kept.
static void give_up(const std::string& what, const std::string& path, const std::string& why)
{
    fprintf(stderr, "zelto: cannot %s %s: %s; runs are not kept from here on\n", what.c_str(),
            path.c_str(), why.c_str());
    keeping = false;
    close_file(last);
    close_file(kept);
    std::vector<unsigned char>().swap(session);
}

static bool write_out(replay_file& f, size_t upto)
{
    if (f.fd < 0 || f.written >= upto)
        return true;
    if (fails(f.path) || !write_all(f.fd, &session[f.written], upto - f.written)) {
        give_up("write the replay", f.path, strerror(errno));
        return false;
    }
    f.written = upto;
    return true;
}

// Brings the file to exactly `end` passes and closes it.
static void finish(replay_file& f, size_t end)
{
    if (f.fd < 0 || !write_out(f, end))
        return;
    if (f.written > end && (fails(f.path) || ftruncate(f.fd, off_t(f.header + end)) != 0))
        return give_up("write the replay", f.path, strerror(errno));
    int fd = f.fd;
    std::string path = f.path;
    f = replay_file();
    if (close(fd) != 0)
        give_up("write the replay", path, strerror(errno));
}

// The header for a run beginning at `start`, and the session so far.
static bool write_whole(int fd, const std::string& path, unsigned start, size_t& header)
{
    std::vector<unsigned char> bytes = recording_header(run_seed, start, start_table);
    header = bytes.size();
    bytes.insert(bytes.end(), session.begin(), session.end());
    return !fails(path) && write_all(fd, bytes.data(), bytes.size());
}

static void keep_pass(const pass_input& in)
{
    if (chained_sink)
        chained_sink(in);
    if (!keeping)
        return;
    session.push_back(pack_input(in));
    if (++unflushed >= REPLAY_FLUSH_PASSES) {
        unflushed = 0;
        if (write_out(last, session.size()))
            write_out(kept, session.size());
    }
}

void keep_replays()
{
    session.clear();
    unflushed = 0;
    run_start = 0;
    close_file(last);
    close_file(kept);
    std::copy(highscore, highscore + 5, start_table);
    keeping = true;
    if (input_sink != keep_pass)
        chained_sink = input_sink;
    input_sink = keep_pass;
}

bool keeping_replays()
{
    return keeping;
}

// last.zrec gives way to the run that has begun: written whole under a
// temporary name, then renamed over the old one.
// A file written whole up to this pass takes the passes that follow.
static void adopt(replay_file& f, int fd, const std::string& path, size_t header)
{
    f.fd = fd;
    f.path = path;
    f.header = header;
    f.written = session.size();
}

static void begin_last()
{
    std::string path = folder() + "/" + LAST_REPLAY;
    std::string temp = path + ".XXXXXX";
    int fd = fails(path) ? -1 : mkstemp(&temp[0]);
    if (fd < 0)
        return give_up("write the replay", path, strerror(errno));
    fchmod(fd, new_file_mode());
    size_t header;
    if (!write_whole(fd, path, run_start, header) || fails(path) ||
        rename(temp.c_str(), path.c_str()) != 0) {
        std::string why = strerror(errno);
        close(fd);
        unlink(temp.c_str());
        return give_up("write the replay", path, why);
    }
    adopt(last, fd, path, header);
    unflushed = 0;
}

void keep_first_run()
{
    if (!keeping || last.fd >= 0)
        return;
    std::string dir = folder();
    if (!make_folder(dir)) {
        std::string why = strerror(errno);
        struct stat st;
        if (stat(dir.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
            why = std::string("its place is taken by ") +
                  (S_ISREG(st.st_mode) ? "a file" : kind_of_file(st.st_mode));
        return give_up("make the folder", dir, why);
    }
    begin_last();
}

void keep_next_run()
{
    if (!keeping || session.empty())
        return;
    // The pass that read the X began the new game: the run that ended keeps
    // its files up to the pass before it, the new run starts after it.
    size_t end = session.size() - 1;
    finish(kept, end);
    finish(last, end);
    if (!keeping)
        return;
    run_start = unsigned(session.size());
    begin_last();
}

static std::string kept_file_base()
{
    time_t now = time(nullptr);
    struct tm t;
    char stamp[32] = "0000-00-00_00-00-00";
    if (localtime_r(&now, &t))
        strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &t);
    char base[64];
    snprintf(base, sizeof base, "%05d_%s", score, stamp);
    return base;
}

// The kept files this game wrote, one name a line in KEPT_LIST: the only
// files the clean-up may remove. Anything else in the folder, named like a
// kept replay or not, is the player's.
static std::vector<std::string> kept_list()
{
    std::vector<unsigned char> bytes;
    std::string why;
    std::vector<std::string> names;
    if (!read_regular(folder() + "/" + KEPT_LIST, bytes, why, KEPT_LIST_LIMIT))
        return names;
    std::string line;
    for (unsigned char c : bytes) {
        if (c != '\n') {
            line += char(c);
            continue;
        }
        if (!line.empty() && line.find('/') == std::string::npos && line[0] != '.')
            names.push_back(line);
        line.clear();
    }
    return names;
}

static bool write_kept_list(const std::vector<std::string>& names)
{
    std::string text, why, path = folder() + "/" + KEPT_LIST;
    for (const std::string& n : names)
        text += n + "\n";
    if (fails(path) || !replace_file(path, text.data(), text.size(), false, why)) {
        give_up("write the list of kept replays", path, why.empty() ? strerror(errno) : why);
        return false;
    }
    return true;
}

static void remember_kept(const std::string& name)
{
    std::vector<std::string> names = kept_list();
    names.push_back(name);
    write_kept_list(names);
}

static void begin_kept()
{
    const std::string base = folder() + "/" + kept_file_base();
    for (int n = 1;; n++) {
        std::string path = base + (n > 1 ? "_" + std::to_string(n) : "") + ".zrec";
        std::string why;
        int fd = -1;
        if (fails(path))
            why = strerror(errno);
        else
            fd = open_regular(path, O_WRONLY | O_CREAT | O_EXCL, why);
        if (fd < 0 && why == strerror(EEXIST) && n < 1000)
            continue;  // another run with this score in the same second
        if (fd < 0)
            return give_up("write the replay", path, why);
        size_t header;
        if (!write_whole(fd, path, run_start, header)) {
            why = strerror(errno);
            close(fd);
            unlink(path.c_str());
            return give_up("write the replay", path, why);
        }
        adopt(kept, fd, path, header);
        remember_kept(path.substr(path.rfind('/') + 1));
        return;
    }
}

static bool all_digits(const std::string& s, size_t from, size_t count)
{
    if (from + count > s.size() || count == 0)
        return false;
    for (size_t i = from; i < from + count; i++)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

// Reads a kept file's name; false for anything else (last.zrec, temporary
// files, files of the player's own).
static bool read_kept_name(const std::string& name, kept_name& out)
{
    const std::string ext = ".zrec";
    const size_t STAMP = 19;  // 2026-12-08_04-50-12
    size_t bar = name.find('_');
    if (bar == std::string::npos || bar > 9 || !all_digits(name, 0, bar))
        return false;
    if (name.size() < bar + 1 + STAMP + ext.size() ||
        name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
        return false;
    std::string stamp = name.substr(bar + 1, STAMP);
    for (size_t i = 0; i < STAMP; i++) {
        bool sep = i == 4 || i == 7 || i == 10 || i == 13 || i == 16;
        if (sep ? !strchr("-_", stamp[i]) : !isdigit((unsigned char)stamp[i]))
            return false;
    }
    std::string rest = name.substr(bar + 1 + STAMP, name.size() - ext.size() - bar - 1 - STAMP);
    int n = 1;
    if (!rest.empty()) {
        if (rest[0] != '_' || rest.size() > 5 || !all_digits(rest, 1, rest.size() - 1))
            return false;
        n = std::stoi(rest.substr(1));
    }
    out = kept_name{name, std::stoi(name.substr(0, bar)), stamp, n};
    return true;
}

// Keeps, for each score in the table, as many of the game's own files of
// that score as it has entries, the newest: a new score equal to an entry
// ranks above it. Files of another copy of the game in the same folder are
// judged alike; files the game did not write are never looked at.
static void prune()
{
    std::map<int, std::vector<kept_name>> by_score;
    std::vector<std::string> listed = kept_list(), still;
    for (const std::string& name : listed) {
        kept_name k;
        struct stat st;
        std::string path = folder() + "/" + name;
        if (read_kept_name(name, k) && lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            by_score[k.score].push_back(k);
    }
    for (auto& group : by_score) {
        std::vector<kept_name>& files = group.second;
        std::sort(files.begin(), files.end(), [](const kept_name& a, const kept_name& b) {
            return a.stamp != b.stamp ? a.stamp > b.stamp : a.n > b.n;
        });
        size_t entries = group.first > 0 ? std::count(highscore, highscore + 5, group.first) : 0;
        for (size_t i = 0; i < files.size(); i++) {
            std::string path = folder() + "/" + files[i].name;
            if (i < entries)
                still.push_back(files[i].name);
            else if ((fails(path) || unlink(path.c_str()) != 0) && errno != ENOENT) {
                give_up("remove the replay", path, strerror(errno));
                return;
            }
        }
    }
    std::sort(still.begin(), still.end());
    if (still.size() != listed.size())
        write_kept_list(still);
}

void keep_scored_run()
{
    if (!keeping || last.fd < 0)
        return;
    if (score > 0 && kept.fd < 0 && std::count(highscore, highscore + 5, score) > 0)
        begin_kept();
    // Only against a table read whole: one that could not be read or was
    // damaged says nothing about which runs are the best.
    if (keeping && scores_read_whole)
        prune();
}

void stop_keeping_replays()
{
    if (input_sink == keep_pass)
        input_sink = chained_sink;
    chained_sink = nullptr;
    if (keeping) {
        finish(kept, session.size());
        finish(last, session.size());
    }
    keeping = false;
    std::vector<unsigned char>().swap(session);
}

// ---- Watching --------------------------------------------------------------------
// The recorded input drives the passes through input_source, as in the
// headless replay, so both end in the same state; only Esc, P, the fast key
// and the screenshot key are read live.

const int PROGRESS_EVERY = 250;  // ms between "Finding the run" frames
const int END_TEXT_Y = 130;      // above "Game Over" and "Stage Clear!"

static const recording* watched;
static size_t watch_next;   // the recorded pass the next pass reads
static bool watch_left;     // Esc was pressed while watching
static bool watch_quit;     // the recorded input quit (its own Esc) before its last pass
static int fast_phase;      // place of the pass in its group of FAST_PASSES
static int group_start;     // start_time of the group's first pass
static int progress_at;     // logic_time of the last progress frame

static int white() { return makecol(255, 255, 255); }

// Running ahead through a long session takes a moment: say so.
static void show_progress()
{
    if (watch_next > 0 && logic_time - progress_at < PROGRESS_EVERY)
        return;
    progress_at = logic_time;
    BITMAP* frame = create_bitmap(640, 480);
    if (!frame)
        return;
    clear_to_color(frame, makecol(0, 0, 0));
    textprintf_centre_ex(frame, text, 320, 240, white(), -1, "Finding the run: %d%%",
                         int(100.0 * watch_next / watched->run_start));
    present_frame(frame);
    destroy_bitmap(frame);
}

static bool watched_pass(pass_input& in)
{
    if (key[KEY_ESC]) {
        watch_left = true;
        end_game = true;
    }
    if (watch_next >= watched->passes.size())
        return false;
    bool ahead = watch_next < watched->run_start;
    sounds_heard = !ahead;
    if (ahead) {
        pass_shown = false;
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
    in = watched->passes[watch_next++];
    watch_quit = in.esc;
    // As in the headless replay: the player quit after the last pass.
    if (watch_next == watched->passes.size())
        end_game = true;
    return true;
}

watched_run play_watched(const recording& run)
{
    restart_world(run.seed);
    std::copy(run.table, run.table + 5, highscore);
    scores_written = false;
    watched = &run;
    watch_next = 0;
    watch_left = false;
    watch_quit = false;
    fast_phase = 0;
    progress_at = logic_time;
    input_source = watched_pass;

    title_loop();
    slide_in();
    while (!end_game) {
        if (watch_next < run.run_start)
            game_pass();  // no pausing what is not shown
        else
            game_loop_pass();
    }

    input_source = nullptr;
    pass_shown = true;
    sounds_heard = true;
    scores_written = true;
    paused = false;
    watched = nullptr;
    watched_run result;
    result.ended = (watch_next == run.passes.size() || watch_quit) && !watch_left;
    result.passes = int(watch_next);
    result.hash = state_hash();
    return result;
}

// Z or X count when pressed, not while held from before.
void end_of_replay()
{
    BITMAP* frame = create_bitmap(640, 480);
    if (frame) {
        blit(buffer, frame, 0, 0, 0, 0, 640, 480);
        textout_centre_ex(frame, title, "End of replay", 320, END_TEXT_Y, white(), -1);
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
