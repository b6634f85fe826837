// Recorded runs as a session meets them, in one mode at a time: the
// player's game writes its passes' input (kept replays, and --record's
// file), a recording played back gives the passes theirs (watched in the
// window, or headless). The loops ask here for each pass's input and hand
// back what they read; nothing else of them knows the mode.
//
// Every file of a session's input is written by one writer, from the
// session's input kept in memory (a byte a pass: 190 KB an hour), so a file
// can be begun whole at any pass and then takes the passes as they come.
#pragma once

#include <cstddef>
#include <string>

#include "shell/loop.h"

struct recording;

enum run_mode {
    RUN_NONE,      // input live, nothing written: tests and tools
    RUN_KEEP,      // the player's game: every run kept in replays/
    RUN_RECORD,    // the same, and the whole session into --record's file
    RUN_WATCH,     // a recording watched in the window
    RUN_HEADLESS,  // a recording played with no window
};

extern run_mode runs_mode;  // the mode in force
extern unsigned run_seed;   // the seed the random generator started from

const char* const RUN_EXTENSION = ".zrec";  // of every recording the game writes (".rec" is read too)
const int RUN_FLUSH_PASSES = 25;            // passes written at a time: about half a second

// ---- The player's game ------------------------------------------------------------

// Starts RUN_KEEP, or RUN_RECORD into record_path, once start-up has read
// the score table. False (said in one line) when record_path cannot be
// written; keeping never stops the game.
bool start_runs(run_mode mode, const char* record_path = nullptr);
// Writes out the rest of the session's files and goes back to RUN_NONE;
// false when --record's file could not be written whole (said when it
// happened).
bool end_runs();
// Practice was chosen on the title (practice_at set): --record's file,
// begun at start-up, says so in its header from now on.
void practice_chosen();

// ---- Playing a recording ------------------------------------------------------------

// Plays a recording from start-up to its last pass (headless), from the
// score table it holds; returns the number of passes run.
int replay(const recording& run);
// What a recording played headless proves: its figures, and whether it
// is a whole run of this version that played to the hashes it keeps.
struct verdict {
    bool proved = false;
    std::string why;     // what is wrong, or a note on what could not be checked
    int passes = 0, score = 0, r_stage = 0;
    unsigned long long hash = 0;
};
// Plays the recording headless (after startup_headless(run.seed)).
verdict verify_run(const recording& run);
// The stage a run reached, by r_stage: "the opening wave", "GLAIVE"...
std::string stage_reached(int r_stage);

// Recorded passes the recording being played has given so far.
size_t recorded_passes_read();
// Playing a recording in a mode (RUN_WATCH, RUN_HEADLESS): its table in
// force, the score file untouched; end_playing goes back to RUN_NONE.
void begin_playing(const recording& run, run_mode mode);
void end_playing();
// The next recorded pass's input (Esc past the end); true.
bool headless_input(pass_input& in);
// A world put back as it was after `pass` recorded passes: the next pass
// reads the one after, and the checks start again from there.
void resume_playing_at(size_t pass);
// The input a watched pass reads (watch.cpp).
bool watched_input(pass_input& in);
// The first recorded pass after which the state differed from the hash the
// recording keeps for it (the end mark's included), or 0: playing stops
// there, as at the recording's end.
extern size_t diverged_at;
// At the end of every title, slide-in and game pass: keeps the state hash
// every HASH_EVERY passes in the files written, checks it in a recording played.
void pass_ended();
// The recording being played has given its last pass (not a quit asked for
// while watching).
extern bool recording_played_out;

// ---- What the loops ask -------------------------------------------------------------

// The pass's input from the recording being played: true in RUN_WATCH and
// RUN_HEADLESS. Past its end the input is Esc: the session was quit there.
bool recorded_input(pass_input& in);
// Whether passes take their input from a recording.
bool input_is_recorded();
// Each pass's input, to the files being written (RUN_KEEP, RUN_RECORD).
void note_input(const pass_input& in);

// ---- The writer, for the kept replays ------------------------------------------------

struct run_file {
    int fd = -1;
    std::string path;
    size_t header = 0;   // bytes before the passes
    size_t written = 0;  // session passes already in the file
};

size_t session_passes();  // passes of input since start-up
// Writes the header of a run beginning at run_start and the session so far
// into fd, which f then holds. False with errno set.
bool begin_run_file(run_file& f, int fd, const std::string& path, unsigned run_start);
// Brings f up to `upto` passes. False with errno set.
bool write_run_file(run_file& f, size_t upto);
// Brings f to exactly `end` passes and closes it. False with errno set
// (the file is closed all the same).
bool finish_run_file(run_file& f, size_t end);
void close_run_file(run_file& f);  // closes it as it stands
// The files are whole up to this pass: the next write is RUN_FLUSH_PASSES away.
void restart_flush_count();

// Test seam: when set, asked before each write to a run's file (creating,
// writing, renaming, removing); true makes it fail as a read-only folder would.
extern bool (*replay_write_fails)(const std::string& path);
// The seam asked: true (errno EROFS) where the write is to fail.
bool run_write_fails(const std::string& path);
