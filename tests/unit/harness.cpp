#include "harness.h"

#include <cstdlib>
#include <unistd.h>

std::vector<played> sounds;
std::vector<music_event> music_log;

static void hear(SAMPLE* s, int volume, int frequency)
{
    sounds.push_back(played{s, volume, frequency});
}

static void listen(const music_event& e)
{
    music_log.push_back(e);
}

void Headless::SetUp()
{
    char name[] = "/tmp/zelto_test_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    folder = name;
    data_dir = ZELTO_DATA_DIR;
    save_dir = folder;
    release_all();
    sound_observer = hear;
    music_observer = listen;
    ASSERT_EQ(startup_headless(12345), 0);
    sounds.clear();
    music_log.clear();
}

void Headless::TearDown()
{
    shutdown();
    release_all();
    sound_observer = nullptr;
    music_observer = nullptr;
    std::string rm = "rm -rf '" + folder + "'";
    if (system(rm.c_str()) != 0)
        ADD_FAILURE() << "cannot remove " << folder;
}

void Headless::release_all()
{
    for (int i = 0; i < KEY_MAX; i++)
        key[i] = 0;
}

int Headless::times_played(SAMPLE* s)
{
    int n = 0;
    for (const played& p : sounds)
        n += p.sample == s;
    return n;
}

std::vector<const song*> Headless::songs_started()
{
    std::vector<const song*> started;
    for (const music_event& e : music_log)
        if (e.kind == music_event::PLAY)
            started.push_back(e.which);
    return started;
}

void Headless::start_game()
{
    hold(KEY_Z);
    title_loop();
    slide_in();
    let_go(KEY_Z);
}

void Headless::passes(int n)
{
    for (int i = 0; i < n; i++)
        game_pass();
}

rgb pixel(BITMAP* bmp, int x, int y)
{
    int c = getpixel(bmp, x, y);
    return rgb{getr16(c), getg16(c), getb16(c)};
}
