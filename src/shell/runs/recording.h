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
    pass_list passes;
};
const size_t RECORDING_LIMIT = 64u << 20;  // a longer file is not a recording (two weeks of passes)
// The header of a recording of this game version: what comes before the passes.
std::vector<unsigned char> recording_header(unsigned seed, unsigned run_start, const int table[5]);
// Reads a recording; false with a one-line reason for a missing, damaged,
// cut or foreign file, or one made by another version of the game.
bool load_recording(const char* path, recording& out, std::string& error);
