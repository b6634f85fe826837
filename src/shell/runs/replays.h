// Replays for the player: every run is recorded without asking into
// replays/ beside the score file, the runs in the high-score table keep
// theirs, and a recorded run can be watched in the game's own window.
//
// A run's file holds the whole session's input from start-up, since a new
// game leaves part of the world as the last run left it; the header says at
// which pass the run begins, and watching runs the passes before it unseen.
#pragma once

#include <string>

struct recording;

// ---- Keeping ---------------------------------------------------------------------

const char* const REPLAY_FOLDER = "replays";   // beside the score file
const char* const LAST_REPLAY = "last.zrec";   // the run in progress, or the last one played
const char* const KEPT_LIST = ".kept";         // the kept files the game wrote, a name a line
const size_t KEPT_LIST_LIMIT = 1u << 20;       // a longer list is none of the game's

// Starts keeping this session's replays (start_runs does, in RUN_KEEP and
// RUN_RECORD). Nothing is written before the first run passes its slide-in.
void keep_replays();
// Writes the passes noted since the last time into the kept files.
void keep_flush();
// The loops tell how the session goes: the first run has passed its
// slide-in; a new game began (X after game over); the run's score has just
// been offered to the table. Each does nothing unless replays are kept.
void keep_first_run();
void keep_next_run();
void keep_scored_run();
// Writes out the rest of the session's files and stops keeping (end_runs does).
void stop_keeping_replays();
// Whether this session's replays are still being kept (a write that fails
// stops it, with one line on stderr).
bool keeping_replays();

const char* const PRACTICE_PREFIX = "practice_";  // practice_glaive_2026-12-08_04-50-12.zrec
const size_t PRACTICE_KEPT = 5;                   // the newest practice runs kept

// The score a kept replay's file name carries (00057_...zrec: 57); false
// for any other name.
bool kept_score(const std::string& name, int& score_in_name);
// The practice stages by name: glaive, vortex, angel, final for r_stage 1,
// 4, 8, 12; "" for anything else.
const char* practice_name(int r_stage);
