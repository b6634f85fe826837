// The songs part of the asset generator: note data read from songs/*.txt,
// instruments synthesised by recipe, written out as FastTracker II modules.
#pragma once

#include "asset_io.h"

#include <string>
#include <vector>

// One pattern cell as XM stores it. note: 0 none, 1 = C-0 .. 96 = B-7,
// 97 key off. vol: 0 none, else 0x10 + volume (0..64).
struct XmCell {
    uint8_t note = 0, ins = 0, vol = 0, fx = 0, param = 0;
};

struct XmPattern {
    int rows = 64;
    std::vector<XmCell> cells;  // rows * channels, row by row
};

// Envelope points are (tick, value 0..64); sustain is a point index or -1.
struct XmEnvelope {
    std::vector<std::pair<int, int>> points;
    int sustain = -1;
};

struct XmInstrument {
    std::string name;
    std::vector<int16_t> data;  // 8-bit samples keep their value in -128..127
    bool bits16 = true;
    int loop_start = 0, loop_length = 0;  // in samples; length 0 = one-shot
    int volume = 64, pan = 128, relnote = 0, finetune = 0;
    XmEnvelope env;
    int fadeout = 0;
    int vib_type = 0, vib_sweep = 0, vib_depth = 0, vib_rate = 0;
};

struct XmSong {
    std::string title;
    int channels = 4;
    int speed = 6, bpm = 125;
    std::vector<int> order;  // pattern numbers
    int restart = 0;         // order position the song goes round to
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

// The whole .XM file.
bytes xm_file(const XmSong& song);

// Builds the instrument made by the named recipe. tick_hz (the song's tick
// rate, BPM * 2 / 5) turns envelope times in seconds into ticks. Stops the
// generator on an unknown name.
XmInstrument synth_instrument(const std::string& recipe, double tick_hz);
