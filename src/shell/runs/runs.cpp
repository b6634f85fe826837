#include "shell/runs/runs.h"
#include "shell/runs/recording.h"
#include "shell/runs/replays.h"
#include "world/world.h"
#include "shell/assets.h"
#include "shell/frames.h"
#include "shell/loop.h"
#include "shell/scores.h"
#include "shell/startup.h"
#include "shell/machine/clock.h"
#include "shell/machine/files.h"
#include "shell/machine/sound.h"
#include "shell/config/settings.h"
#include "shell/machine/say.h"

#include <algorithm>
#include <allegro.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

run_mode runs_mode = RUN_NONE;
unsigned run_seed;
bool recording_played_out;
bool (*replay_write_fails)(const std::string&) = nullptr;

// ---- The one writer ---------------------------------------------------------------

// The hash a recording keeps: the state less the quit asked for, which a
// recording played sets at its last pass whatever ended the session there.
static unsigned long long run_hash()
{
    bool quitting = end_game;
    end_game = false;
    unsigned long long h = state_hash();
    end_game = quitting;
    return h;
}

static std::vector<unsigned char> session;  // every pass's input since start-up, with the hashes
static size_t session_count;                // passes in it
static int start_table[5];                  // the score table at start-up
static int unflushed;                       // passes noted since the files were last written
static size_t hashed_passes;                // the pass last_hash was taken after
static unsigned long long last_hash;        // run_hash() at the end of that pass
static int last_score, last_r_stage;        // and the score and stage then

bool run_write_fails(const std::string& path)
{
    if (replay_write_fails && replay_write_fails(path)) {
        errno = EROFS;
        return true;
    }
    return false;
}

size_t session_passes()
{
    return session_count;
}

bool begin_run_file(run_file& f, int fd, const std::string& path, unsigned run_start)
{
    std::vector<unsigned char> bytes =
        recording_header(run_seed, run_start, start_table, practice_at);
    size_t header = bytes.size();
    bytes.insert(bytes.end(), session.begin(), session.end());
    if (run_write_fails(path) || !write_all(fd, bytes.data(), bytes.size()))
        return false;
    f.fd = fd;
    f.path = path;
    f.header = header;
    f.written = session.size();
    return true;
}

// f.written counts bytes of the session; a pass's hash follows it once the
// pass has ended.
bool write_run_file(run_file& f, size_t upto)
{
    size_t bytes = std::min(body_size(upto), session.size());
    if (f.fd < 0 || f.written >= bytes)
        return true;
    if (run_write_fails(f.path) || !write_all(f.fd, &session[f.written], bytes - f.written))
        return false;
    f.written = bytes;
    return true;
}

bool finish_run_file(run_file& f, size_t end)
{
    if (f.fd < 0)
        return true;
    bool whole = write_run_file(f, end);
    if (whole && f.written > body_size(end))
        whole = !run_write_fails(f.path) && ftruncate(f.fd, off_t(f.header + body_size(end))) == 0 &&
                lseek(f.fd, 0, SEEK_END) >= 0;
    // The end mark says the file is whole; it needs the hash the last pass left.
    if (whole && end == hashed_passes) {
        std::vector<unsigned char> mark = recording_end(unsigned(end), last_hash, last_score, last_r_stage);
        whole = !run_write_fails(f.path) && write_all(f.fd, mark.data(), mark.size());
    }
    int saved = errno;
    int fd = f.fd;
    f = run_file();
    if (close(fd) != 0 && whole)
        return false;
    errno = saved;
    return whole;
}

void restart_flush_count()
{
    unflushed = 0;
}

void close_run_file(run_file& f)
{
    if (f.fd >= 0)
        close(f.fd);
    f = run_file();
}

// ---- --record's file ----------------------------------------------------------------
// The whole session from start-up. A write that fails is said once, when it
// happens; the game goes on unrecorded and ends with a non-zero status.

static run_file recorded;
static bool record_failed;

static void record_error()
{
    if (!record_failed)
        say("cannot write the recording %s: %s", recorded.path.c_str(),
            strerror(errno));
    record_failed = true;
    close_run_file(recorded);
}

bool start_runs(run_mode mode, const char* record_path)
{
    session.clear();
    session_count = 0;
    hashed_passes = 0;
    last_hash = run_hash();
    unflushed = 0;
    std::copy(highscore, highscore + 5, start_table);
    record_failed = false;
    runs_mode = mode;
    if (mode == RUN_RECORD) {
        std::string why;
        int fd = open_regular(record_path, O_WRONLY | O_CREAT | O_TRUNC, why);
        if (fd < 0) {
            say("cannot record to %s: %s", record_path, why.c_str());
            runs_mode = RUN_NONE;
            return false;
        }
        recorded.path = record_path;
        if (!begin_run_file(recorded, fd, record_path, 0)) {
            close(fd);
            record_error();
            runs_mode = RUN_NONE;
            return false;
        }
    }
    keep_replays();
    return true;
}

void practice_chosen()
{
    if (recorded.fd < 0)
        return;
    std::vector<unsigned char> h = recording_header(run_seed, 0, start_table, practice_at);
    if (run_write_fails(recorded.path) || pwrite(recorded.fd, h.data(), h.size(), 0) != ssize_t(h.size()))
        record_error();
}

bool end_runs()
{
    stop_keeping_replays();
    if (recorded.fd >= 0 && !finish_run_file(recorded, session_count))
        record_error();
    std::vector<unsigned char>().swap(session);
    session_count = 0;
    runs_mode = RUN_NONE;
    return !record_failed;
}

void note_input(const pass_input& in)
{
    if (runs_mode != RUN_KEEP && runs_mode != RUN_RECORD)
        return;
    session.push_back(pack_input(in));
    session_count++;
    if (++unflushed < RUN_FLUSH_PASSES)
        return;
    unflushed = 0;
    if (!write_run_file(recorded, session_count))
        record_error();
    keep_flush();
}

// ---- The state hash every HASH_EVERY passes ------------------------------------------

size_t diverged_at;  // declared in runs.h
static size_t checked_upto;
static const recording* playing;
static size_t next_pass;     // the recorded pass the next pass reads

void pass_ended()
{
    if (runs_mode == RUN_KEEP || runs_mode == RUN_RECORD) {
        if (hashed_passes == session_count)
            return;  // a pass that read no input (paused)
        hashed_passes = session_count;
        last_hash = run_hash();
        last_score = score;
        last_r_stage = r_stage;
        if (session_count % HASH_EVERY == 0)
            put_hash(session, last_hash);
        return;
    }
    if (!input_is_recorded() || !playing || next_pass == checked_upto || diverged_at)
        return;
    checked_upto = next_pass;
    size_t n = next_pass / HASH_EVERY;
    bool differs = next_pass % HASH_EVERY == 0 && n >= 1 && n <= playing->hashes.size() &&
                   playing->hashes[n - 1] != run_hash();
    if (next_pass == playing->passes.size() && playing->whole && playing->end_hash != run_hash())
        differs = true;
    if (differs) {
        diverged_at = next_pass;
        end_game = true;
    }
}

// ---- Playing a recording ------------------------------------------------------------

void begin_playing(const recording& run, run_mode mode)
{
    playing = &run;
    next_pass = 0;
    checked_upto = 0;
    diverged_at = 0;
    practice_at = run.practice;
    recording_played_out = false;
    runs_mode = mode;
    // A played recording starts from the table it was recorded with and
    // never touches the score file, whose table may have moved on since.
    std::copy(run.table, run.table + 5, highscore);
    scores_written = false;
}

void end_playing()
{
    playing = nullptr;
    runs_mode = RUN_NONE;
    scores_written = true;
    practice_at = 0;
}

// The player quit after the last recorded pass (by Esc or the close
// button, which is not in the input): the game ends where the recording
// does, and passes past its end read Esc.
static void next_recorded(pass_input& in)
{
    in = playing->passes[next_pass++];
    if (next_pass == playing->passes.size()) {
        recording_played_out = true;
        end_game = true;
    }
}

static bool played_out(pass_input& in)
{
    in = pass_input();
    in.esc = true;
    recording_played_out = true;
    return true;
}

size_t recorded_passes_read()
{
    return next_pass;
}

void resume_playing_at(size_t pass)
{
    next_pass = pass;
    checked_upto = pass;
    diverged_at = 0;
    recording_played_out = false;
}

bool input_is_recorded()
{
    return runs_mode == RUN_WATCH || runs_mode == RUN_HEADLESS;
}

bool headless_input(pass_input& in)
{
    if (next_pass >= playing->passes.size())
        return played_out(in);
    next_recorded(in);
    return true;
}

int replay(const recording& run)
{
    begin_playing(run, RUN_HEADLESS);
    title_loop();
    slide_in();
    game_loop();
    end_playing();
    return int(next_pass);
}

std::string stage_reached(int r)
{
    const char* const names[] = {"GLAIVE", "VORTEX", "ANGEL"};
    if (r <= 0)
        return "the opening wave";
    if (r >= 12)
        return "the final stage";
    return std::string(names[r / 4]) + " (stage " + std::to_string(r) + ")";
}

verdict verify_run(const recording& run)
{
    verdict v;
    v.passes = replay(run);
    v.score = score;
    v.r_stage = r_stage;
    v.hash = state_hash();
    if (diverged_at) {
        size_t agreed = diverged_at == run.passes.size() && diverged_at % HASH_EVERY != 0
                            ? diverged_at / HASH_EVERY * HASH_EVERY
                            : diverged_at - HASH_EVERY;
        v.why = "the run differs from its recording by pass " + std::to_string(diverged_at) +
                ", the first pass whose state hash differs from the one kept (it agreed at pass " +
                std::to_string(agreed) + ")";
    } else if (run.format < RECORDING_FORMAT) {
        v.proved = true;
        v.why = "recording format " + std::to_string(run.format) +
                " keeps no state hashes: played, but nothing to check it against";
    } else if (!run.whole) {
        v.why = "the recording is cut short: it has no end mark (the game did not finish writing it)";
    } else {
        v.proved = true;
    }
    return v;
}

bool recorded_input(pass_input& in)
{
    if (!playing)
        return false;
    switch (runs_mode) {
    case RUN_WATCH: return watched_input(in);
    case RUN_HEADLESS: return headless_input(in);
    default: return false;
    }
}
