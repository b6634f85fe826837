// The file of a recorded run: the seed and one byte of input per pass are
// enough to play a run again exactly, since the game's only other input is
// its own random generator.
#include "shell/runs/recording.h"
#include "world/world.h"
#include "shell/machine/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

static const char MAGIC[8] = {'Z', 'E', 'L', 'T', 'O', 'R', 'E', 'C'};
// 2: slide-in passes have their place too. 3: the game version, the pass the
// run begins at and the score table at start-up. 4: where a practice run
// begins, the state hash every HASH_EVERY passes and an end mark.
// Magic, format, then the version as a length byte and its characters: a
// later format keeps the version there, so a refusal can always name it.
const size_t VERSION_AT = 10;
const size_t VERSION_LONGEST = 32;
const int OLDEST_READ = 3;  // format 3 files are still played, unchecked

// ---- One byte a pass ---------------------------------------------------------

unsigned char pack_input(const pass_input& in)
{
    const control& c = in.flags;
    return (c.up << 0) | (c.right << 1) | (c.down << 2) | (c.left << 3) | (c.fire << 4) |
           (c.next << 5) | (in.esc << 6);
}

pass_input unpack_input(unsigned char b)
{
    pass_input in;
    in.flags.up = b & 1;
    in.flags.right = b & 2;
    in.flags.down = b & 4;
    in.flags.left = b & 8;
    in.flags.fire = b & 16;
    in.flags.next = b & 32;
    in.esc = b & 64;
    return in;
}

// ---- The header ------------------------------------------------------------------

static void put32(std::vector<unsigned char>& out, unsigned v)
{
    for (int i = 0; i < 4; i++)
        out.push_back((v >> (8 * i)) & 0xff);
}

static unsigned get32(const unsigned char* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | unsigned(p[3]) << 24;
}

void put_hash(std::vector<unsigned char>& out, unsigned long long hash)
{
    put32(out, unsigned(hash));
    put32(out, unsigned(hash >> 32));
}

static unsigned long long get_hash(const unsigned char* p)
{
    return get32(p) | (unsigned long long)get32(p + 4) << 32;
}

std::vector<unsigned char> recording_end(unsigned passes, unsigned long long hash, int score,
                                         int r_stage)
{
    std::vector<unsigned char> e(1, END_MARK);
    put32(e, passes);
    put_hash(e, hash);
    put32(e, unsigned(score));
    put32(e, unsigned(r_stage));
    return e;
}

std::vector<unsigned char> recording_header(unsigned seed, unsigned run_start, const int table[5],
                                            int practice)
{
    std::vector<unsigned char> h(MAGIC, MAGIC + 8);
    h.push_back(RECORDING_FORMAT & 0xff);
    h.push_back(RECORDING_FORMAT >> 8);
    const std::string version = ZELTO_VERSION;
    h.push_back((unsigned char)version.size());
    h.insert(h.end(), version.begin(), version.end());
    put32(h, seed);
    put32(h, run_start);
    for (int i = 0; i < 5; i++)
        put32(h, unsigned(table[i]));
    put32(h, unsigned(practice));
    return h;
}

// ---- Reading -----------------------------------------------------------------------------

// The version a header names, or "" when it names none that can be read.
static std::string version_in(const std::vector<unsigned char>& b)
{
    if (b.size() <= VERSION_AT)
        return "";
    size_t n = b[VERSION_AT];
    if (n == 0 || n > VERSION_LONGEST || b.size() < VERSION_AT + 1 + n)
        return "";
    std::string v(b.begin() + VERSION_AT + 1, b.begin() + VERSION_AT + 1 + n);
    for (char c : v)
        if (c <= ' ' || c > '~')
            return "";
    return v;
}

// Why the bytes are not a recording this game can play, or "".
static std::string parse_recording(const std::vector<unsigned char>& b, recording& out)
{
    if (b.size() < 8 || memcmp(b.data(), MAGIC, 8) != 0)
        return " is not a Zelto Star! recording";
    if (b.size() < VERSION_AT)
        return " is cut short: no format";
    const std::string ours = ZELTO_VERSION;
    int format = b[8] + 256 * b[9];
    out.format = format;
    if (format < OLDEST_READ)
        return " was recorded by an older version of Zelto Star! (recording format " +
               std::to_string(format) + "); this is " + ours;
    out.version = version_in(b);
    if (format > RECORDING_FORMAT && !out.version.empty())
        return " was recorded by Zelto Star! " + out.version + " (recording format " +
               std::to_string(format) + "); this is " + ours;
    if (format > RECORDING_FORMAT)
        return ": recording format " + std::to_string(format) +
               " is newer than this game (Zelto Star! " + ours + ") reads";
    if (out.version.empty())
        return b.size() <= VERSION_AT + 1 + VERSION_LONGEST ? " is cut short: no version"
                                                            : " is damaged: no version";
    if (out.version != ours)
        return " was recorded by Zelto Star! " + out.version + "; this is " + ours +
               ", which plays only its own recordings";
    size_t at = VERSION_AT + 1 + out.version.size();
    const size_t fields = format >= 4 ? 8 : 7;
    if (b.size() < at + 4 * fields)
        return " is cut short: its header ends early";
    out.seed = get32(&b[at]);
    out.run_start = get32(&b[at + 4]);
    for (int i = 0; i < 5; i++)
        out.table[i] = int(get32(&b[at + 8 + 4 * i]));
    if (format >= 4)
        out.practice = int(get32(&b[at + 28]));
    if (out.practice != 0 && out.practice != 1 && out.practice != 4 && out.practice != 8 &&
        out.practice != 12)
        return " is damaged: a practice run at stage " + std::to_string(out.practice);
    out.passes.clear();
    const size_t body = at + 4 * fields;
    size_t i = body;
    while (i < b.size()) {
        size_t pass = out.passes.size();
        if (format >= 4 && pass > 0 && pass % HASH_EVERY == 0 &&
            out.hashes.size() < pass / HASH_EVERY) {
            if (b.size() - i < HASH_BYTES)
                return " is cut short: in the state hash after pass " + std::to_string(pass);
            out.hashes.push_back(get_hash(&b[i]));
            i += HASH_BYTES;
            continue;
        }
        if (format >= 4 && b[i] == END_MARK) {
            if (b.size() - i != END_BYTES)
                return " is damaged: its end mark at pass " + std::to_string(pass) +
                       (b.size() - i < END_BYTES ? " is cut short" : " is followed by more");
            if (get32(&b[i + 1]) != pass)
                return " is damaged: its end mark says " + std::to_string(get32(&b[i + 1])) +
                       " passes, it holds " + std::to_string(pass);
            out.end_hash = get_hash(&b[i + 5]);
            out.end_score = int(get32(&b[i + 5 + HASH_BYTES]));
            out.end_r_stage = int(get32(&b[i + 9 + HASH_BYTES]));
            out.whole = true;
            break;
        }
        if (b[i] & 0x80)
            return " is damaged: a bad input byte at pass " + std::to_string(pass);
        out.passes.bytes.push_back(b[i]);
        i++;
    }
    if (out.run_start > out.passes.size())
        return " is damaged: its run begins at pass " + std::to_string(out.run_start) +
               " of " + std::to_string(out.passes.size());
    return "";
}

std::string not_a_recording(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? "" : strerror(errno);
    if (!S_ISREG(st.st_mode))
        return std::string("its place is taken by ") + kind_of_file(st.st_mode);
    std::string why;
    int fd = open_regular(path, O_RDONLY, why);
    if (fd < 0)
        return why;
    std::vector<unsigned char> head;
    bool ours = read_up_to(fd, head, sizeof MAGIC, why) && head.size() == sizeof MAGIC &&
                memcmp(head.data(), MAGIC, sizeof MAGIC) == 0;
    close(fd);
    return ours ? "" : "it is no recording of the game's";
}

bool load_recording(const char* path, recording& out, std::string& error)
{
    std::vector<unsigned char> bytes;
    std::string why;
    if (!read_regular(path, bytes, why, RECORDING_LIMIT)) {
        error = std::string("cannot read ") + path + ": " + why;
        return false;
    }
    out = recording();
    std::string problem = parse_recording(bytes, out);
    if (!problem.empty()) {
        out.passes.clear();
        out.hashes.clear();
        error = path + problem;
        return false;
    }
    return true;
}
