// A run on file: its format and reading it. Writing and playing back are
// the runs module's (runs.h).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "shell/loop.h"

// One pass's input as it is stored: a byte with bit 7 clear.
unsigned char pack_input(const pass_input& in);
pass_input unpack_input(unsigned char b);

// The passes' input as stored, a byte each, unpacked as it is read: a long
// recording takes no more memory than its file.
struct pass_list {
    std::vector<unsigned char> bytes;
    size_t size() const { return bytes.size(); }
    bool empty() const { return bytes.empty(); }
    void clear() { bytes.clear(); }
    void push_back(const pass_input& in) { bytes.push_back(pack_input(in)); }
    pass_input operator[](size_t i) const { return unpack_input(bytes[i]); }
};

// A run on file: the game version that made it, the seed, the score table
// at start-up, then one byte of input per title, slide-in or game pass since
// start-up. A session can hold several runs (X after game over); the one the
// file is for begins at run_start, and the passes before it lead up to it.
struct recording {
    std::string version;      // ZELTO_VERSION of the game that recorded it
    unsigned seed = 0;
    unsigned run_start = 0;   // the pass its run begins at; 0 for a session's first run
    int table[5] = {};        // highscore[] at start-up
    int practice = 0;         // the r_stage a practice run begins at; 0 for the game's own runs
    int format = 0;           // the file's recording format
    pass_list passes;
    // Format 4 on: the state hash after every HASH_EVERY-th pass, and the
    // end mark the game writes when it closes the file whole.
    std::vector<unsigned long long> hashes;
    bool whole = false;             // the end mark is there
    unsigned long long end_hash = 0;  // the state hash after the last pass
    int end_score = 0, end_r_stage = 0;  // the score and stage then, for lists
};
const int RECORDING_FORMAT = 4;   // the format this game writes (3 is read too)
const int HASH_EVERY = 250;       // passes between the stored state hashes
const size_t HASH_BYTES = 8;
const unsigned char END_MARK = 0xff;  // where a pass byte would be: the run's end
// Bytes of the passes' part of a file of format 4 holding `passes` passes:
// each HASH_EVERY-th pass is followed by its state hash.
inline size_t body_size(size_t passes) { return passes + HASH_BYTES * (passes / HASH_EVERY); }
const size_t RECORDING_LIMIT = 64u << 20;  // a longer file is not a recording (two weeks of passes)
// The header of a recording of this game version: what comes before the passes.
std::vector<unsigned char> recording_header(unsigned seed, unsigned run_start, const int table[5],
                                            int practice = 0);
// The end mark: the number of passes, and the state hash, score and r_stage after the last.
std::vector<unsigned char> recording_end(unsigned passes, unsigned long long hash, int score, int r_stage);
const size_t END_BYTES = 1 + 4 + HASH_BYTES + 4 + 4;
void put_hash(std::vector<unsigned char>& out, unsigned long long hash);
// Whether path is a regular file (not a link) that begins as a recording of
// this game does; "" when it is, or nothing is there, else why not.
std::string not_a_recording(const std::string& path);
// Reads a recording; false with a one-line reason for a missing, damaged,
// cut or foreign file, or one made by another version of the game.
bool load_recording(const char* path, recording& out, std::string& error);
