// The high-score table and its file: five decimal lines, best first.
#include "zelto.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int highscore[5];

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
            int next = getc(f);
            if (next != EOF && isxdigit(next)) {
                base = 16;
                c = next;
            } else {
                // "0x" without a hex digit: the 0 is the number, and the x
                // (pushed back below) stops the next read, so what followed
                // it can be dropped.
                c = 'x';
            }
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

bool read_scores(const char* path)
{
    // Whatever happens below, the table holds what could be read and 0 for the rest.
    for (int& h : highscore)
        h = 0;
    FILE* f = fopen(path, "rb");
    if (!f)
        return false;
    for (int i = 0; i < 5; i++)
        if (!read_number(f, highscore[i]))
            break;  // %i would fail at the same place for every later entry
    bool ok = !ferror(f);
    fclose(f);
    return ok;
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

bool write_scores(const char* path)
{
    std::string temp = std::string(path) + ".XXXXXX";
    int fd = fails(SCORE_STEP_CREATE) ? -1 : mkstemp(&temp[0]);
    if (fd < 0) {
        fprintf(stderr, "zelto: cannot save the scores next to %s: %s\n", path, strerror(errno));
        return false;
    }
    // mkstemp makes the file private; give it the mode the old file had, or
    // what a plain fopen would have given a new one.
    struct stat old;
    mode_t mode;
    if (stat(path, &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(fd, mode);
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
    ok = ok && !fails(SCORE_STEP_RENAME) && rename(temp.c_str(), path) == 0;
    if (!ok) {
        fprintf(stderr, "zelto: cannot save the scores to %s: %s\n", path, strerror(errno));
        unlink(temp.c_str());
    }
    return ok;
}

bool scores_written = true;

void record_run()
{
    add_highscore(score);
    if (scores_written)
        write_scores(save_path(SCORE_FILE).c_str());
    saved = true;
}
