#include "shell/runs/replays.h"
#include "shell/runs/runs.h"
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
#include "shell/machine/say.h"

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
// Through the runs' one writer: last.zrec is begun whole when a run begins,
// a kept file when a run's score enters the table; both then take each new
// pass as it comes, RUN_FLUSH_PASSES at a time.

namespace {


// A kept file's name: 00057_2026-12-08_04-50-12.zrec, then _2, _3... for
// more runs with that score in the same second.
struct kept_name {
    std::string name;
    int score;
    std::string stamp;
    int n;
};

}  // namespace

static bool keeping;         // this session's replays are kept
static unsigned run_start;   // the session pass the run in progress began at
static run_file last;        // last.zrec, once the run is under way
static run_file kept;        // the run's own file, once its score is in the table

static std::string folder()
{
    return save_path(REPLAY_FOLDER);
}

// Said once; the game goes on and its runs are no longer kept.
static void give_up(const std::string& what, const std::string& path, const std::string& why)
{
    say("cannot %s %s: %s; runs are not kept from here on", what.c_str(),
        path.c_str(), why.c_str());
    keeping = false;
    close_run_file(last);
    close_run_file(kept);
}

static bool write_out(run_file& f, size_t upto)
{
    if (write_run_file(f, upto))
        return true;
    give_up("write the replay", f.path, strerror(errno));
    return false;
}

static void finish(run_file& f, size_t end)
{
    std::string path = f.path;
    if (!finish_run_file(f, end))
        give_up("write the replay", path, strerror(errno));
}

void keep_replays()
{
    run_start = 0;
    close_run_file(last);
    close_run_file(kept);
    keeping = true;
}

void keep_flush()
{
    if (keeping && write_out(last, session_passes()))
        write_out(kept, session_passes());
}

bool keeping_replays()
{
    return keeping;
}

static std::string kept_file_base();
static void prune_practice();
static bool still_ours(const std::string& path);
static bool begin_new(run_file& f, const std::string& base);
static void remember_kept(const std::string& name);

// A practice run keeps its own file, practice_glaive_2026-12-08_04-50-12.zrec,
// the newest PRACTICE_KEPT of them; last.zrec stays the game's last run.
static void begin_practice_file()
{
    std::string base = folder() + "/" + PRACTICE_PREFIX + practice_name(practice_at) + "_" +
                       kept_file_base().substr(6);
    if (!begin_new(last, base))
        return;
    prune_practice();
    restart_flush_count();
}

// last.zrec gives way to the run that has begun: written whole under a
// temporary name, then renamed over the old one.
static void begin_last()
{
    if (practice_at)
        return begin_practice_file();
    std::string path = folder() + "/" + LAST_REPLAY;
    // Only the game's own last run is replaced: a folder, a link or a
    // player's file in its place is left as it is.
    std::string taken = not_a_recording(path);
    if (!taken.empty())
        return give_up("replace the replay", path, taken + "; it is left as it is");
    std::string temp = path + ".XXXXXX";
    int fd = run_write_fails(path) ? -1 : mkstemp(&temp[0]);
    if (fd < 0)
        return give_up("write the replay", path, strerror(errno));
    fchmod(fd, new_file_mode());
    run_file made;
    if (!begin_run_file(made, fd, path, run_start) || run_write_fails(path) ||
        rename(temp.c_str(), path.c_str()) != 0) {
        std::string why = strerror(errno);
        close(fd);
        unlink(temp.c_str());
        return give_up("write the replay", path, why);
    }
    last = made;
    restart_flush_count();
}

// A run watched from the title plays through the same loops: its passes
// are none of the session's.
static bool kept_now()
{
    return keeping && !input_is_recorded();
}

void keep_first_run()
{
    if (!kept_now() || last.fd >= 0)
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
    if (!kept_now() || session_passes() == 0)
        return;
    // The pass that read the X began the new game: the run that ended keeps
    // its files up to the pass before it, the new run starts after it.
    size_t end = session_passes() - 1;
    finish(kept, end);
    finish(last, end);
    if (!keeping)
        return;
    run_start = unsigned(session_passes());
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
    if (run_write_fails(path) || !replace_file(path, text.data(), text.size(), false, why)) {
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

// A new file base.zrec, or base_2.zrec... when another run took the name
// in the same second. False with the path tried and the reason.
// A new file of the game's own, base then _2, _3... for more in the same
// second, begun whole and listed; false (said) when it cannot be.
static bool begin_new(run_file& f, const std::string& base)
{
    for (int n = 1;; n++) {
        std::string path = base + (n > 1 ? "_" + std::to_string(n) : "") + RUN_EXTENSION;
        std::string why;
        int fd = -1;
        if (run_write_fails(path))
            why = strerror(errno);
        else
            fd = open_regular(path, O_WRONLY | O_CREAT | O_EXCL, why);
        if (fd < 0 && why == strerror(EEXIST) && n < 1000)
            continue;  // another run in the same second
        if (fd < 0) {
            give_up("write the replay", path, why);
            return false;
        }
        if (!begin_run_file(f, fd, path, run_start)) {
            why = strerror(errno);
            close(fd);
            unlink(path.c_str());  // made just now, by O_EXCL: the game's own
            give_up("write the replay", path, why);
            return false;
        }
        remember_kept(path.substr(path.rfind('/') + 1));
        return true;
    }
}

static void begin_kept()
{
    begin_new(kept, folder() + "/" + kept_file_base());
}

// The newest PRACTICE_KEPT practice files the game wrote stay (names sort by
// their date); older ones go, and leave the list.
static void prune_practice()
{
    std::vector<std::string> listed = kept_list(), practice, still;
    const std::string prefix = PRACTICE_PREFIX;
    for (const std::string& name : listed)
        (name.compare(0, prefix.size(), prefix) == 0 ? practice : still).push_back(name);
    if (practice.size() <= PRACTICE_KEPT)
        return;
    auto stamp = [&](const std::string& n) { return n.substr(n.find('_', prefix.size()) + 1); };
    std::sort(practice.begin(), practice.end(),
              [&](const std::string& a, const std::string& b) { return stamp(a) > stamp(b); });
    for (size_t i = 0; i < practice.size(); i++) {
        std::string path = folder() + "/" + practice[i];
        if (i < PRACTICE_KEPT)
            still.push_back(practice[i]);
        else if (still_ours(path) && (run_write_fails(path) || unlink(path.c_str()) != 0) &&
                 errno != ENOENT)
            return give_up("remove the replay", path, strerror(errno));
    }
    std::sort(still.begin(), still.end());
    write_kept_list(still);
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
static bool read_kept_name(const std::string& name, kept_name& out);

bool kept_score(const std::string& name, int& score_in_name)
{
    kept_name k;
    if (!read_kept_name(name.substr(name.rfind('/') + 1), k))
        return false;
    score_in_name = k.score;
    return true;
}

const char* practice_name(int r)
{
    switch (r) {
    case 1: return "glaive";
    case 4: return "vortex";
    case 8: return "angel";
    case 12: return "final";
    default: return "";
    }
}

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
// A listed file is still the one the game wrote only while it is a plain
// file: a link or a folder put in its place is the player's.
static bool still_ours(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

static void prune()
{
    std::map<int, std::vector<kept_name>> by_score;
    std::vector<std::string> listed = kept_list(), still;
    for (const std::string& name : listed) {
        kept_name k;
        if (read_kept_name(name, k) && still_ours(folder() + "/" + name))
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
            else if ((run_write_fails(path) || unlink(path.c_str()) != 0) && errno != ENOENT) {
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
    if (!kept_now() || last.fd < 0)
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
    if (keeping) {
        finish(kept, session_passes());
        finish(last, session_passes());
    }
    keeping = false;
}
