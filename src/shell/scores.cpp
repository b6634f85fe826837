// The high-score table and its file: five decimal lines, best first.
#include "zelto.h"
#include "shell/files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

std::vector<int> unsaved_runs;

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
enum table_read { TABLE_READ, TABLE_MISSING, TABLE_UNREADABLE };

// Reads the file at path into t (0 where nothing could be read), through
// the one descriptor that was checked to be a regular file. `numbers` counts
// the entries read; `why` says what stopped an unreadable file.
static table_read load_table(const std::string& path, int t[5], int& numbers, std::string& why)
{
    for (int i = 0; i < 5; i++)
        t[i] = 0;
    numbers = 0;
    errno = 0;
    int fd = open_regular(path, O_RDONLY, why);
    if (fd < 0)
        return errno == ENOENT ? TABLE_MISSING : TABLE_UNREADABLE;
    FILE* f = fdopen(fd, "rb");
    if (!f) {
        why = strerror(errno);
        close(fd);
        return TABLE_UNREADABLE;
    }
    while (numbers < 5 && read_number(f, t[numbers]))
        numbers++;  // once %i fails it fails at the same place for every later entry
    bool ok = !ferror(f);
    if (!ok)
        why = strerror(errno);
    fclose(f);
    return ok ? TABLE_READ : TABLE_UNREADABLE;
}

bool read_scores(const char* path, bool* missing)
{
    int numbers;
    std::string why;
    table_read got = load_table(path, highscore, numbers, why);
    unsaved_runs.clear();  // the table in memory is the file's now
    if (missing)
        *missing = got == TABLE_MISSING;
    if (got == TABLE_UNREADABLE)
        fprintf(stderr, "zelto: cannot read the scores from %s: %s; scores start at 0\n", path,
                why.c_str());
    return got == TABLE_READ;
}

// How a message names the score file: its path, and where a link leads.
static std::string named(const std::string& path, const std::string& target)
{
    return target.empty() || target == path ? path : path + " (a link to " + target + ")";
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
// `path` is what the player knows it by, for the messages.
static bool write_table(const std::string& path, const std::string& target)
{
    const std::string name = named(path, target);
    struct stat old;
    bool exists = stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        fprintf(stderr, "zelto: cannot save the scores to %s: %s\n", name.c_str(),
                kind_of_file(old.st_mode));
        return false;
    }

    std::string temp = target + ".XXXXXX";
    int fd = fails(SCORE_STEP_CREATE) ? -1 : mkstemp(&temp[0]);
    if (fd < 0 && (errno == EACCES || errno == EPERM) && exists) {
        std::string why;
        if (!rewrite_in_place(target, why)) {
            fprintf(stderr, "zelto: cannot save the scores to %s: %s\n", name.c_str(), why.c_str());
            return false;
        }
        fprintf(stderr, "zelto: saved the scores to %s in place, which is not atomic: its folder "
                        "is read-only\n", name.c_str());
        return true;
    }
    if (fd < 0) {
        fprintf(stderr, "zelto: cannot save the scores next to %s: %s\n", name.c_str(),
                strerror(errno));
        return false;
    }
    // mkstemp makes the file private; give it the mode the old file had, or
    // what a plain fopen would have given a new one.
    fchmod(fd, exists ? old.st_mode & 07777 : new_file_mode());
    FILE* f = fails(SCORE_STEP_OPEN) ? nullptr : fdopen(fd, "wb");
    bool ok = f != nullptr;
    for (int i = 0; ok && i < 5; i++)
        ok = !fails(SCORE_STEP_LINE + i) && fprintf(f, "%i\n", highscore[i]) > 0;
    ok = ok && !fails(SCORE_STEP_FLUSH) && fflush(f) == 0;
    ok = ok && !fails(SCORE_STEP_SYNC) && fsync(fd) == 0;
    if (f)
        ok = (fclose(f) == 0) && ok && !fails(SCORE_STEP_CLOSE);
    else
        close(fd);
    ok = ok && !fails(SCORE_STEP_RENAME) && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        fprintf(stderr, "zelto: cannot save the scores to %s: %s\n", name.c_str(), strerror(errno));
        unlink(temp.c_str());
    }
    return ok;
}

bool write_scores(const char* path)
{
    std::string why, target = link_target(path, why);
    if (target.empty()) {
        fprintf(stderr, "zelto: cannot save the scores to %s: %s\n", path, why.c_str());
        return false;
    }
    return write_table(path, target);
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

bool save_run(const char* path, int run)
{
    add_highscore(run);
    keep_unsaved(run);
    std::string why, target = link_target(path, why);
    if (target.empty()) {
        fprintf(stderr, "zelto: cannot save the scores to %s: %s\n", path, why.c_str());
        return false;
    }
    int lock = lock_folder(folder_of(target));
    if (lock == -2) {
        fprintf(stderr, "zelto: cannot save the scores to %s: another copy of the game kept "
                        "its folder locked\n", named(path, target).c_str());
        return false;
    }
    // Another copy may have saved since this one read the table: the runs
    // go into what is on disk now. A file that is missing, unreadable or
    // has no number in it would drop the scores held here, which already
    // hold the runs, so those are kept.
    int disk[5], numbers;
    if (load_table(target, disk, numbers, why) == TABLE_READ && numbers > 0) {
        std::copy(disk, disk + 5, highscore);
        for (int r : unsaved_runs)
            add_highscore(r);
    }
    bool ok = write_table(path, target);  // refuses, with its line, what is no regular file
    if (ok)
        unsaved_runs.clear();
    if (lock >= 0)
        close(lock);  // releases the lock
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
