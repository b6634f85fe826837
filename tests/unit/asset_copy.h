// A private copy of the data folder for the asset tests to damage, and
// start-ups of the headless game over it. An outcome is judged the way a
// player would see it: either one line naming the file and a non-zero
// status, soon, or a game that plays its title, a wave, every boss and its
// songs.
#pragma once

#include "zelto.h"

#include <algorithm>
#include <allegro.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

inline std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Every asset the game loads at start-up, boss images included.
inline std::vector<std::string> asset_names()
{
    std::vector<std::string> names = {"p_ship.bmp", "p_shot.bmp", "e_shot.bmp", "e_ship1.bmp",
                                      "e_ship2.bmp", "e_ship3.bmp", "e_ship4.bmp", "e_ship5.bmp",
                                      "exp.bmp", "p_boom.wav", "p_laser.wav", "p_collect.wav",
                                      "p_enter.wav", "zelto_lfont.pcx", "zelto_sfont.pcx",
                                      "SHOPPING.XM", "EXP4A.XM", "LOUNGE.XM"};
    for (const boss_kind& kind : boss_kinds)
        for (const char* name : kind.images)
            if (name)
                names.push_back(name);
    return names;
}

// A fresh folder in memory where there is such a place (/dev/shm), else in
// /tmp: tests that start the game or write files hundreds of times stay quick.
inline std::string memory_folder(const char* name)
{
    std::string path = std::string("/dev/shm/") + name + "_XXXXXX";
    if (!mkdtemp(&path[0])) {
        path = std::string("/tmp/") + name + "_XXXXXX";
        if (!mkdtemp(&path[0]))
            return "";
    }
    return path;
}

// What a headless start-up did.
struct outcome {
    int status;
    std::string said;  // everything start-up wrote on stderr
    double seconds;    // how long start-up took
};

// Starts the headless game on data_dir as it is now, its stderr caught in
// the file `log`; `then`, when given, runs after a start-up that worked,
// its stderr still caught. The game is left started.
inline outcome start_caught(const std::string& log, void (*then)() = nullptr)
{
    fflush(stderr);
    int kept = dup(2), out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 2);
    close(out);
    auto began = std::chrono::steady_clock::now();
    int status = startup_headless(1);
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
    if (status == 0 && then)
        then();
    fflush(stderr);
    dup2(kept, 2);
    close(kept);
    return outcome{status, read_file(log), took.count()};
}

class AssetCopy : public ::testing::Test {
protected:
    std::string folder;  // the score file goes here
    std::string data;    // the copy of the data folder

    void SetUp() override
    {
        folder = memory_folder("zelto_assets");  // hundreds of start-ups
        ASSERT_FALSE(folder.empty());
        data = folder + "/data";
        ASSERT_EQ(system(("cp -r '" ZELTO_DATA_DIR "' '" + data + "'").c_str()), 0);
        data_dir = data;
        save_dir = folder;
    }

    void TearDown() override
    {
        for (int i = 0; i < KEY_MAX; i++)
            key[i] = 0;
        data_dir = save_dir = "";
        EXPECT_EQ(system(("rm -rf '" + folder + "'").c_str()), 0);
    }

    std::string path(const std::string& name) const { return data + "/" + name; }

    // Starts the headless game on the data folder as it is now. A start-up
    // that succeeds is played for a while and shut down.
    outcome start()
    {
        outcome o = start_caught(folder + "/stderr", play_a_while);
        if (o.status == 0)
            shutdown();
        return o;
    }

    // The way a failed start-up must end: one line naming the file, soon.
    static void expect_named_failure(const outcome& o, const std::string& name)
    {
        EXPECT_NE(o.status, 0) << "the game started";
        const std::string line = "zelto: cannot load " + data_dir + "/" + name + ": ";
        EXPECT_EQ(o.said.compare(0, line.size(), line), 0) << o.said;
        EXPECT_EQ(std::count(o.said.begin(), o.said.end(), '\n'), 1) << o.said;
        EXPECT_LT(o.seconds, 2.0);
        EXPECT_EQ(buffer, nullptr);  // what start-up had loaded is released
    }

    // The title, the slide-in, a wave with fire held, every boss and every
    // screen text, and a moment of each song: everything that draws or
    // plays an asset.
    static void play_a_while()
    {
        key[KEY_Z] = -1;
        title_loop();
        slide_in();
        for (int i = 0; i < 60; i++)
            game_pass();
        for (int type : {GLAIVE, VORTEX, ANGEL}) {
            boss.type = type;
            if (type == GLAIVE) glaive_i();
            if (type == VORTEX) vortex_i();
            if (type == ANGEL) angel_i();
            boss_stage = true;
            for (int i = 0; i < 5; i++)
                game_pass();
        }
        key[KEY_Z] = 0;
        draw_game_over();
        draw_stage_clear();
        draw_boss_banner();
        draw_hud();
        std::vector<int16_t> frames(2 * MUSIC_RATE / 8);
        for (song* s : {combat, drama, stage_clear}) {
            music_stop_all();
            music_play(s);
            music_render(frames.data(), frames.size() / 2);
        }
        music_stop_all();
    }
};
