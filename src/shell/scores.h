// The high-score table and its file: five decimal lines, best first.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

extern std::vector<int> unsaved_runs;  // runs in highscore that no save has reached yet, best first
extern bool scores_read_whole;  // the last save put the runs into a table read whole from the file
extern std::string scores_unsaved;  // why the last run's save did not happen; "" when it did

const char* const SCORE_FILE = "zelto_score.dat";
const int SCORE_LOCK_WAIT_MS = 3000;  // a score write waits this long for another copy's
const int SCORE_LOCK_POLL_MS = 20;    // ...looking again this often
const size_t SCORE_FILE_LIMIT = 4096; // a table is read no further: a longer file holds none
void add_highscore(int s);
// Reads the table, through links, from a regular file only; entries that
// cannot be read are 0. False when the file could not be opened or read;
// `missing` tells a file that is not there yet (said nowhere) from one that
// cannot be read or is no regular file (said in one line). A file that
// holds something besides a table is read as far as it goes and said in
// one line; it is set aside before a save replaces it.
bool read_scores(const char* path, bool* missing = nullptr);
// Writes the table into the file path leads to, through a temporary file
// beside it renamed over the old one, so a failed write leaves the old file
// whole and a link stays a link; in place, not atomically, where the folder
// allows no new file. False (with one line on stderr) when it fails or the
// file is no regular file.
bool write_scores(const char* path);
// The steps of a score write, in order: replace_file's.
enum { SCORE_STEP_CREATE, SCORE_STEP_WRITE, SCORE_STEP_SYNC, SCORE_STEP_CLOSE, SCORE_STEP_RENAME,
       SCORE_STEPS };
// The steps of a write in place, which follows a CREATE refused by the folder.
enum { SCORE_STEP_REWRITE_OPEN = SCORE_STEPS, SCORE_STEP_REWRITE_WRITE,
       SCORE_STEP_REWRITE_TRUNCATE, SCORE_STEP_REWRITE_SYNC, SCORE_REWRITE_END };
// Test seam: when set, asked before each step of a score write; true makes
// that step fail as a full disk or a killed game would.
extern bool (*score_write_fails)(int step);
// Offers a run's score to the table on disk and saves the result, holding
// a lock on the file's folder so that copies of the game running at once
// never lose each other's scores. The table in memory becomes what was
// saved; where nothing could be saved it still holds the run, and one line
// says why. Only a table, or nothing, is replaced: a file that cannot be
// read or is read-only is left alone, and one in the score folder that
// holds no table is first set aside under a new name beside it (never
// through a link), with one line saying where.
bool save_run(const char* path, int run);
// At quit: saves the runs a save at game over missed (another copy held the
// lock), showing `show`'s note while it waits; one line when it cannot.
bool save_unsaved_runs(void (*show)(const char* text));
extern bool scores_written; // false while a replay is watched: the table changes only in memory
void record_run();          // offers the run's score once and writes the file
