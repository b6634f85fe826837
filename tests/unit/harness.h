// A headless game for tests: the real library with no window, sound or
// timer, a fixed seed, the committed assets and a private folder for the
// score file. Sounds and music calls are recorded.
#pragma once

#include "zelto.h"

#include <allegro.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

struct played {
    SAMPLE* sample;
    int volume;
    int frequency;
};

extern std::vector<played> sounds;           // every sound played since SetUp
extern std::vector<music_event> music_log;   // every music call since SetUp

class Headless : public ::testing::Test {
protected:
    std::string folder;  // a fresh folder for the score file and screenshots

    void SetUp() override;
    void TearDown() override;

    // Key states, as Allegro keeps them (a held key reads non-zero).
    static void hold(int scancode) { key[scancode] = -1; }
    static void let_go(int scancode) { key[scancode] = 0; }
    static void release_all();

    // How often a sound was played since the log was last cleared.
    static int times_played(SAMPLE* s);
    // The songs started (music_play), in order.
    static std::vector<const song*> songs_started();

    // Runs the title loop and the slide-in with fire held: the first game pass is next.
    void start_game();
    // Runs n game passes.
    static void passes(int n);
};

// Colour of a buffer pixel as (r, g, b) in 0..255.
struct rgb {
    int r, g, b;
    bool operator==(const rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
rgb pixel(BITMAP* bmp, int x, int y);
