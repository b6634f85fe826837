// The high-score table and its file: five decimal lines, best first.
#include "shell/scores.h"
#include "world/world.h"
#include "shell/machine/files.h"
#include "shell/machine/paths.h"
#include "shell/runs/replays.h"
#include "shell/machine/say.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// A score write's temporary file is the score file's name, this, and six
// letters: nothing else is named so, and a kill's leftovers are known.
static const char* const TEMP_MARK = ".saving-";

std::vector<int> unsaved_runs;
bool scores_read_whole = false;
std::string scores_unsaved;

void add_highscore(int s)
{
    if (s < highscore[4])
        return;
    int i = 0;
    while (s < highscore[i])
        i++;
    for (int j = 4; j > i; j--)
        highscore[j] = highscore[j - 1];
    highscore[i] = s;
}

// Reads one number in the syntax of scanf's %i (optional sign, decimal, 0x
// hexadecimal, leading-0 octal, white space before it), but checked: a value
// outside int counts as no number, where %i would be undefined. Stops at the
// first character that cannot continue the number, as %i does.
static bool read_number(FILE* f, int& out)
{
    int c;
    do
        c = getc(f);
    while (c != EOF && isspace(c));

    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = getc(f);
    }
    int base = 10;
    bool digits = false;
    if (c == '0') {
        digits = true;  // the 0 alone is a number
        base = 8;
        c = getc(f);
        if (c == 'x' || c == 'X') {
            // The x belongs to the number even with no hex digit after it:
            // "0x 5" is 0 and then 5, as the C library reads it.
            base = 16;
            c = getc(f);
        }
    }

    // Accumulate the magnitude and give up as soon as it leaves int's range
    // for this sign, rather than reading a run of digits to its end.
    const long long most = negative ? -(long long)INT_MIN : INT_MAX;
    long long v = 0;
    for (;; c = getc(f)) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c != EOF && isxdigit(c))
            d = tolower(c) - 'a' + 10;
        else
            break;
        if (d >= base)
            break;
        digits = true;
        v = v * base + d;
        if (v > most)
            return false;
    }
    if (c != EOF)
        ungetc(c, f);
    if (!digits)
        return false;
    out = int(negative ? -v : v);
    return true;
}

// What reading a score file found.
enum table_read {
    TABLE_READ,        // five numbers or fewer, and nothing else: a table
    TABLE_MISSING,     // no file, or only white space in it: nothing to lose
    TABLE_DAMAGED,     // a regular file the game can read that holds no table
    TABLE_UNREADABLE,  // no regular file, or one the game may not read
};

// Reads the file at path into t (0 where nothing could be read, the rest as
// %i reads it), through the one descriptor that was checked to be a regular
// file, and only as far as a table can reach. `why` says what stopped an
// unreadable file, or what is wrong with a damaged one.
static table_read load_table(const std::string& path, int t[5], std::string& why)
{
    for (int i = 0; i < 5; i++)
        t[i] = 0;
    errno = 0;
    int fd = open_regular(path, O_RDONLY, why);
    if (fd < 0)
        return errno == ENOENT ? TABLE_MISSING : TABLE_UNREADABLE;
    // One byte past the limit tells a longer file from one that fills it.
    std::vector<unsigned char> read;
    bool whole = read_up_to(fd, read, SCORE_FILE_LIMIT + 1, why);
    close(fd);
    if (!whole)
        return TABLE_UNREADABLE;
    std::string bytes(read.begin(), read.end());
    size_t got = bytes.size();
    size_t table = std::min(got, SCORE_FILE_LIMIT);
    FILE* f = fmemopen(&bytes[0], table ? table : 1, "rb");
    if (!f) {
        why = strerror(errno);
        return TABLE_UNREADABLE;
    }
    int numbers = 0;
    while (numbers < 5 && table && read_number(f, t[numbers]))
        numbers++;  // once %i fails it fails at the same place for every later entry
    int c = table ? getc(f) : EOF;
    while (c != EOF && isspace(c))
        c = getc(f);
    fclose(f);
    if (got > SCORE_FILE_LIMIT) {
        why = "far too large";
        return TABLE_DAMAGED;
    }
    if (c != EOF) {
        why = "not five numbers alone";
        return TABLE_DAMAGED;
    }
    return numbers > 0 ? TABLE_READ : TABLE_MISSING;
}

bool read_scores(const char* path, bool* missing)
{
    std::string why;
    table_read got = load_table(path, highscore, why);
    unsaved_runs.clear();  // the table in memory is the file's now
    scores_unsaved.clear();
    bool absent = got == TABLE_MISSING && access(path, F_OK) != 0;
    if (missing)
        *missing = absent;
    if (got == TABLE_UNREADABLE)
        say("cannot read the scores from %s: %s; scores start at 0", path,
            why.c_str());
    if (got == TABLE_DAMAGED)
        say("%s is no score table (%s); it is left as it is", path, why.c_str());
    return got != TABLE_UNREADABLE && !absent;
}

// How a message names the score file: its path, and where a link leads.
static std::string named(const std::string& path, const std::string& target)
{
    return target.empty() || target == path ? path : path + " (a link to " + target + ")";
}

// The same for a path alone.
static std::string name_of(const char* path)
{
    std::string why;
    return named(path, link_target(path, why));
}

bool (*score_write_fails)(int step) = nullptr;

// Whether a step of the write is to fail (only ever in tests).
static bool fails(int step)
{
    if (score_write_fails && score_write_fails(step)) {
        errno = EIO;
        return true;
    }
    return false;
}

// The table as the file holds it: five lines of %i.
static std::string table_text()
{
    std::string text;
    char line[16];
    for (int h : highscore) {
        snprintf(line, sizeof line, "%i\n", h);
        text += line;
    }
    return text;
}

// Overwrites the file through its own descriptor, for a folder the game
// cannot make a temporary file in. Not atomic: a crash in the middle can
// leave a damaged table. The file is cut to length only after the new
// table is in it; until then the five numbers first in it are the new ones.
static bool rewrite_in_place(const std::string& target, std::string& why)
{
    const std::string text = table_text();
    int fd = fails(SCORE_STEP_REWRITE_OPEN) ? -1 : open_regular(target, O_WRONLY, why);
    if (fd < 0) {
        if (why.empty())
            why = strerror(errno);
        return false;
    }
    bool ok = !fails(SCORE_STEP_REWRITE_WRITE);
    for (size_t done = 0; ok && done < text.size();) {
        ssize_t n = pwrite(fd, text.data() + done, text.size() - done, off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += size_t(n);
    }
    ok = ok && !fails(SCORE_STEP_REWRITE_TRUNCATE) && ftruncate(fd, off_t(text.size())) == 0;
    ok = ok && !fails(SCORE_STEP_REWRITE_SYNC) && fsync(fd) == 0;
    if (!ok)
        why = strerror(errno);
    close(fd);
    return ok;
}

// Writes the table to target, the final file (no link), through a
// temporary file beside it renamed over the old one, so a failed write
// leaves the old file whole; in place where no temporary file can be made.
// `name` is what the player knows it by, for the one line said in place.
// False with the reason.
static bool write_table(const std::string& name, const std::string& target, std::string& why)
{
    struct stat old;
    bool exists = stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        why = kind_of_file(old.st_mode);
        return false;
    }

    const std::string text = table_text();
    if (replace_file(target, text.data(), text.size(), true, why, score_write_fails, TEMP_MARK))
        return true;
    if (replace_failed_at == REPLACE_CREATE && (errno == EACCES || errno == EPERM) && exists) {
        // No temporary file can be made in the folder: in place, said.
        why.clear();
        if (!rewrite_in_place(target, why))
            return false;
        say("saved the scores to %s in place, which is not atomic: its folder "
            "is read-only", name.c_str());
        return true;
    }
    return false;
}

bool write_scores(const char* path)
{
    std::string why, target = link_target(path, why);
    if (!target.empty() && write_table(named(path, target), target, why))
        return true;
    say("cannot save the scores to %s: %s",
        named(path, target).c_str(), why.c_str());
    return false;
}

// Takes the lock that orders the score writes of every copy of the game:
// flock on the folder of the file, which needs no file of its own and works
// in a read-only folder, and dies with a killed game. Gives up after
// SCORE_LOCK_WAIT_MS. Returns the folder's descriptor, -1 where the folder
// cannot be opened (the write goes on unordered), or -2 on giving up.
static int lock_folder(const std::string& folder)
{
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    timespec start, now;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0)
            return fd;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            close(fd);  // no such lock on this file system
            return -1;
        }
        clock_gettime(CLOCK_MONOTONIC, &now);
        // In nanoseconds: whole milliseconds of a negative nanosecond part
        // would round towards zero and give up up to 1 ms early.
        long long waited = (now.tv_sec - start.tv_sec) * 1000000000LL + (now.tv_nsec - start.tv_nsec);
        if (waited >= SCORE_LOCK_WAIT_MS * 1000000LL) {
            close(fd);
            return -2;
        }
        const timespec nap = {0, SCORE_LOCK_POLL_MS * 1000000L};
        nanosleep(&nap, nullptr);
    }
}

// A run that could not be saved stays in the table in memory and waits for
// the next save; only the best five can matter.
static void keep_unsaved(int run)
{
    unsaved_runs.push_back(run);
    std::sort(unsaved_runs.begin(), unsaved_runs.end(), [](int a, int b) { return a > b; });
    if (unsaved_runs.size() > 5)
        unsaved_runs.resize(5);
}

// Whether a name beside the score file is a temporary file of a write of
// the game's own that a kill cut short: the score file's name, TEMP_MARK
// and mkstemp's six letters (or, as earlier versions named them, the six
// letters alone, digits among them), owned by this user, holding at most
// part of a table. Only looked at under the lock, when no other copy of the
// game is writing.
static bool stale_temporary(const std::string& folder, const std::string& base, const char* name)
{
    size_t n = base.size(), mark = strlen(TEMP_MARK);
    if (strncmp(name, base.c_str(), n) != 0)
        return false;
    const char* letters = name + n + (strncmp(name + n, TEMP_MARK, mark) == 0 ? mark : 1);
    bool marked = letters == name + n + mark, digit = false, letter = false;
    if (!marked && name[n] != '.')
        return false;
    if (strlen(letters) != 6)
        return false;
    for (const char* c = letters; *c; c++) {
        if (!isalnum((unsigned char)*c))
            return false;
        digit = digit || isdigit((unsigned char)*c);
        letter = letter || isalpha((unsigned char)*c);
    }
    if (!marked && !(digit && letter))
        return false;
    std::string path = folder + "/" + name, why;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid())
        return false;
    std::vector<unsigned char> bytes;
    if (!read_regular(path, bytes, why, 5 * 12))
        return false;
    for (unsigned char c : bytes)
        if (!isdigit(c) && c != '-' && c != '\n')
            return false;
    return true;
}

static void remove_stale_temporaries(const std::string& target)
{
    std::string folder = folder_of(target);
    std::string base = target.substr(target.rfind('/') + 1);
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> stale;
    while (dirent* e = readdir(dir))
        if (stale_temporary(folder, base, e->d_name))
            stale.push_back(folder + "/" + e->d_name);
    closedir(dir);
    for (const std::string& path : stale)
        unlink(path.c_str());
}

// Moves a damaged table out of the way under a name of its own beside it,
// never over an earlier one: "" with the reason, or the new name.
static std::string set_aside(const std::string& target, std::string& why)
{
    for (int n = 1; n <= 1000; n++) {
        std::string to = target + ".damaged" + (n > 1 ? "-" + std::to_string(n) : "");
        if (renameat2(AT_FDCWD, target.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
            return to;
        if (errno == EEXIST)
            continue;
        // A file system without RENAME_NOREPLACE: a second name, then the first let go.
        if (errno == EINVAL && link(target.c_str(), to.c_str()) == 0) {
            unlink(target.c_str());
            return to;
        }
        if (errno == EEXIST)
            continue;
        why = strerror(errno);
        return "";
    }
    why = "too many damaged tables beside it";
    return "";
}

// Whether the game may replace an existing file: not one its owner made
// read-only, nor one it may not write.
static bool read_only(const std::string& target)
{
    struct stat st;
    if (stat(target.c_str(), &st) != 0)
        return false;
    return (st.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0;
}

// The save under the lock: the runs go into the table on disk, which must
// be a table, nothing, or a damaged table of the score folder (set aside
// first); anything else is left alone. False with the reason.
static bool save_locked(const std::string& path, const std::string& target, std::string& why)
{
    remove_stale_temporaries(target);
    int disk[5];
    switch (load_table(target, disk, why)) {
    case TABLE_READ:
        // Another copy may have saved since this one read the table.
        std::copy(disk, disk + 5, highscore);
        for (int r : unsaved_runs)
            add_highscore(r);
        if (read_only(target))
            return why = "it is read-only", false;
        if (!write_table(named(path, target), target, why))
            return false;
        scores_read_whole = true;
        return true;
    case TABLE_MISSING:
        break;  // the table in memory, which holds the runs
    case TABLE_UNREADABLE:
        why = "cannot read it: " + why;
        return false;
    case TABLE_DAMAGED: {
        if (read_only(target))
            return why = "it is read-only", false;
        if (target != path)
            return why = "it is no score table (" + why + ")", false;
        std::string problem = why, aside = set_aside(target, why);
        if (aside.empty())
            return why = "it is no score table and cannot be set aside: " + why, false;
        say("%s held no score table (%s); it is kept as %s", path.c_str(),
            problem.c_str(), aside.c_str());
        break;
    }
    }
    if (read_only(target))
        return why = "it is read-only", false;
    return write_table(named(path, target), target, why);
}

// Saves the table with the runs not saved yet; false with the reason.
static bool save_table(const char* path, std::string& why)
{
    scores_read_whole = false;
    std::string target = link_target(path, why);
    if (target.empty())
        return false;
    int lock = lock_folder(folder_of(target));
    if (lock == -2) {
        why = "another copy of the game kept its folder locked";
        return false;
    }
    bool ok = save_locked(path, target, why);
    if (ok)
        unsaved_runs.clear();
    if (lock >= 0)
        close(lock);  // releases the lock
    return ok;
}


bool save_run(const char* path, int run)
{
    add_highscore(run);
    keep_unsaved(run);
    std::string why;
    bool ok = save_table(path, why);
    scores_unsaved = ok ? "" : why;
    if (!ok)
        say("cannot save the scores to %s: %s; the run is kept until the game "
            "ends", name_of(path).c_str(), why.c_str());
    return ok;
}

bool scores_written = true;

void record_run()
{
    if (scores_written)
        save_run(save_path(SCORE_FILE).c_str(), score);
    else
        add_highscore(score);
    saved = true;
}

bool save_unsaved_runs(void (*show)(const char* text))
{
    if (!scores_written || unsaved_runs.empty())
        return true;
    if (show)
        show("Saving the scores...");
    std::string path = save_path(SCORE_FILE), why;
    if (save_table(path.c_str(), why))
        return true;
    std::string runs;
    for (int r : unsaved_runs)
        runs += (runs.empty() ? "" : ", ") + std::to_string(r);
    say("the scores of this session (%s) are not saved in %s: %s", runs.c_str(),
        name_of(path.c_str()).c_str(), why.c_str());
    return false;
}
