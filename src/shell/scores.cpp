// The high-score table and its file: five decimal lines, best first.
#include "zelto.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
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

// Reads one number in the syntax of scanf's %i (decimal, 0x hexadecimal,
// leading-0 octal, optional sign, white space before it), but checked: a
// value outside int, or no number at all, fails.
static bool read_number(FILE* f, int& out)
{
    const size_t LONGEST = 40;  // more characters than any int needs
    int c;
    do
        c = getc(f);
    while (c != EOF && isspace(c));

    std::string token;
    if (c == '+' || c == '-') {
        token += char(c);
        c = getc(f);
    }
    bool hex = false;
    if (c == '0') {
        token += char(c);
        c = getc(f);
        if (c == 'x' || c == 'X') {
            int next = getc(f);
            if (next != EOF && isxdigit(next)) {
                token += char(c);
                hex = true;
                c = next;
            } else {
                // "0x" with no digit after it is the number 0.
                if (next != EOF)
                    ungetc(next, f);
                ungetc(c, f);
                c = '\n';
            }
        }
    }
    while (c != EOF && (hex ? isxdigit(c) : isdigit(c)) && token.size() <= LONGEST) {
        token += char(c);
        c = getc(f);
    }
    if (c != EOF)
        ungetc(c, f);

    if (token.empty() || token == "+" || token == "-" || token.size() > LONGEST)
        return false;
    errno = 0;
    char* end = nullptr;
    long long v = strtoll(token.c_str(), &end, 0);
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX)
        return false;
    out = int(v);
    return true;
}

bool read_scores(const char* path)
{
    FILE* f = fopen(path, "rb");
    if (!f)
        return false;
    // Entries after the first that cannot be read stay 0.
    for (int i = 0; i < 5; i++)
        if (!read_number(f, highscore[i]))
            break;
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

bool write_scores(const char* path)
{
    std::string temp = std::string(path) + ".XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0) {
        fprintf(stderr, "zelto: cannot save the scores next to %s: %s\n", path, strerror(errno));
        return false;
    }
    FILE* f = fdopen(fd, "wb");
    bool ok = f != nullptr;
    for (int i = 0; ok && i < 5; i++)
        ok = fprintf(f, "%i\n", highscore[i]) > 0;
    ok = ok && fflush(f) == 0 && fsync(fd) == 0;
    if (f)
        ok = (fclose(f) == 0) && ok;
    else
        close(fd);
    ok = ok && rename(temp.c_str(), path) == 0;
    if (!ok) {
        fprintf(stderr, "zelto: cannot save the scores to %s: %s\n", path, strerror(errno));
        unlink(temp.c_str());
    }
    return ok;
}

void record_run()
{
    add_highscore(score);
    write_scores(save_path(SCORE_FILE).c_str());
    saved = true;
}
