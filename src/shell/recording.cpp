// Recorded runs: the seed and one byte of input per pass are enough to play
// a run again exactly, since the game's only other input is its own random
// generator. A state hash tells where two plays of a run part ways.
#include "zelto.h"
#include "shell/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

static const char MAGIC[8] = {'Z', 'E', 'L', 'T', 'O', 'R', 'E', 'C'};
const int RECORDING_VERSION = 2;  // 2: slide-in passes have their place too
const size_t HEADER_SIZE = 8 + 2 + 4;  // magic, version, seed

unsigned run_seed;

// ---- One byte a pass ---------------------------------------------------------

static unsigned char pack(const pass_input& in)
{
    const control& c = in.flags;
    return (c.up << 0) | (c.right << 1) | (c.down << 2) | (c.left << 3) | (c.fire << 4) |
           (c.next << 5) | (in.esc << 6);
}

static pass_input unpack(unsigned char b)
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

// ---- Writing while a person plays ----------------------------------------------
// The header goes out at once and the passes every RECORD_FLUSH_PASSES, so
// a game that is killed keeps all but its last half second of input.

const int RECORD_FLUSH_PASSES = 25;  // about half a second of passes

static FILE* record_file;
static std::string record_path;
static bool record_failed;
static int unflushed;

// A write that failed is said once, when it happens; the run goes on
// unrecorded and the game ends with a non-zero status.
static void record_error()
{
    if (!record_failed)
        fprintf(stderr, "zelto: cannot write the recording %s: %s\n", record_path.c_str(),
                strerror(errno));
    record_failed = true;
    if (record_file)
        fclose(record_file);
    record_file = nullptr;
}

static void record_pass(const pass_input& in)
{
    if (!record_file)
        return;
    if (fputc(pack(in), record_file) == EOF)
        return record_error();
    if (++unflushed >= RECORD_FLUSH_PASSES) {
        unflushed = 0;
        if (fflush(record_file) != 0)
            record_error();
    }
}

bool record_to(const char* path)
{
    std::string why;
    int fd = open_regular(path, O_WRONLY | O_CREAT | O_TRUNC, why);
    record_file = fd < 0 ? nullptr : fdopen(fd, "wb");
    if (!record_file) {
        fprintf(stderr, "zelto: cannot record to %s: %s\n", path, fd < 0 ? why.c_str() : strerror(errno));
        if (fd >= 0)
            close(fd);
        return false;
    }
    record_path = path;
    record_failed = false;
    unflushed = 0;
    unsigned char header[HEADER_SIZE];
    memcpy(header, MAGIC, 8);
    header[8] = RECORDING_VERSION & 0xff;
    header[9] = RECORDING_VERSION >> 8;
    for (int i = 0; i < 4; i++)
        header[10 + i] = (run_seed >> (8 * i)) & 0xff;
    if (fwrite(header, 1, HEADER_SIZE, record_file) != HEADER_SIZE || fflush(record_file) != 0) {
        record_error();
        return false;
    }
    input_sink = record_pass;
    return true;
}

bool stop_recording()
{
    input_sink = nullptr;
    FILE* f = record_file;
    record_file = nullptr;
    if (f && fclose(f) != 0)
        record_error();
    return !record_failed;
}

// ---- Reading and playing back ----------------------------------------------------

bool load_recording(const char* path, recording& out, std::string& error)
{
    FILE* f = fopen(path, "rb");
    if (!f) {
        error = std::string("cannot open ") + path + ": " + strerror(errno);
        return false;
    }
    unsigned char header[HEADER_SIZE];
    size_t got = fread(header, 1, HEADER_SIZE, f);
    out.passes.clear();
    bool ok = false;
    if (got < 8 || memcmp(header, MAGIC, 8) != 0) {
        error = std::string(path) + " is not a Zelto Star! recording";
    } else if (got < HEADER_SIZE) {
        error = std::string(path) + " is cut short: no seed";
    } else if (header[8] + 256 * header[9] != RECORDING_VERSION) {
        error = std::string(path) + ": recording version " +
                std::to_string(header[8] + 256 * header[9]) + " is not supported (this game reads " +
                std::to_string(RECORDING_VERSION) + ")";
    } else {
        out.seed = header[10] | header[11] << 8 | header[12] << 16 | unsigned(header[13]) << 24;
        ok = true;
        int c;
        while (ok && (c = fgetc(f)) != EOF) {
            if (c & 0x80) {
                error = std::string(path) + " is damaged: a bad input byte at pass " +
                        std::to_string(out.passes.size());
                ok = false;
            } else {
                out.passes.push_back(unpack(c));
            }
        }
        if (ok && ferror(f)) {
            error = std::string("cannot read ") + path;
            ok = false;
        }
    }
    fclose(f);
    return ok;
}

static const recording* playing;
static size_t next_pass;

static bool recorded_pass(pass_input& in)
{
    if (next_pass >= playing->passes.size())
        return false;
    in = playing->passes[next_pass++];
    // The player quit after the last recorded pass (by Esc or the close
    // button): the game ends where the recording does.
    if (next_pass == playing->passes.size())
        end_game = true;
    return true;
}

int replay(const recording& run)
{
    playing = &run;
    next_pass = 0;
    input_source = recorded_pass;
    title_loop();
    slide_in();
    game_loop();
    input_source = nullptr;
    playing = nullptr;
    return int(next_pass);
}

// ---- State hash ------------------------------------------------------------------

namespace {

// 64-bit FNV-1a over the values, field by field (never over padding).
struct hasher {
    unsigned long long h = 0xcbf29ce484222325ull;

    void add(long long v)
    {
        for (int i = 0; i < 8; i++) {
            h ^= (unsigned long long)(v >> (8 * i)) & 0xff;
            h *= 0x100000001b3ull;
        }
    }
    void add(const ship& s) { add(s.x), add(s.y), add(s.hp), add(s.pattern), add(s.dx), add(s.dy); }
    void add(const projectile& p) { add(p.x), add(p.y), add(p.dx), add(p.dy); }
    void add(const partical& p) { add(p.x), add(p.y), add(p.dx), add(p.dy), add(p.colour); }
    void add(const snow& s) { add(s.x), add(s.y), add(s.speed); }
    template <class T>
    void add(const std::vector<T>& v)
    {
        add((long long)v.size());
        for (const T& e : v)
            add(e);
    }
};

}  // namespace

unsigned long long state_hash()
{
    hasher h;
    for (long long v : {(long long)loop_num, (long long)end_game, (long long)boss_stage,
                        (long long)score, (long long)wrp_spd, (long long)last_hit,
                        (long long)lives, (long long)stage, (long long)r_stage,
                        (long long)e_left, (long long)saved, (long long)rnd_state()})
        h.add(v);
    h.add(player);
    const control& c = controls;
    h.add(c.up | c.right << 1 | c.down << 2 | c.left << 3 | c.fire << 4 | c.next << 5);
    h.add(boss.type), h.add(boss.mode), h.add(boss.param), h.add(boss.timer);
    h.add(boss.body);
    h.add(boss.parts);
    h.add(enemy), h.add(eshot), h.add(shot), h.add(bonus), h.add(spark), h.add(star);
    for (int s : highscore)
        h.add(s);
    return h.h;
}
