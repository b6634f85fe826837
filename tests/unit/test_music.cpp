// The music layer over libxmp, headless: songs load, play, repeat past
// their end, obey the volume, and stop and free safely in any order.
#include "harness.h"

#include <cmath>
#include <xmp.h>

// Root-mean-square level of the next `seconds` of mixed music, in 16-bit units.
static double listen_rms(double seconds)
{
    const size_t chunk = 4096;
    std::vector<int16_t> frames(chunk * 2);
    double sum = 0;
    size_t n = 0;
    for (size_t done = 0; done < size_t(seconds * MUSIC_RATE); done += chunk) {
        music_render(frames.data(), chunk);
        for (int16_t v : frames)
            sum += double(v) * v;
        n += frames.size();
    }
    return std::sqrt(sum / n);
}

// Levels of the left side, the right side and their difference over the
// next `seconds` of mixed music, in 16-bit units.
struct Sides {
    double left, right, difference;
};
static Sides listen_sides(double seconds)
{
    const size_t chunk = 4096;
    std::vector<int16_t> frames(chunk * 2);
    double l = 0, r = 0, d = 0;
    size_t n = 0;
    for (size_t done = 0; done < size_t(seconds * MUSIC_RATE); done += chunk) {
        music_render(frames.data(), chunk);
        for (size_t i = 0; i < chunk; i++) {
            double a = frames[2 * i], b = frames[2 * i + 1];
            l += a * a;
            r += b * b;
            d += (a - b) * (a - b);
        }
        n += chunk;
    }
    return Sides{std::sqrt(l / n), std::sqrt(r / n), std::sqrt(d / n)};
}

// Length of one go through a song, from libxmp's own reckoning.
static double song_seconds(const char* file)
{
    xmp_context ctx = xmp_create_context();
    std::string path = data_path(file);
    EXPECT_EQ(xmp_load_module(ctx, const_cast<char*>(path.c_str())), 0);
    xmp_start_player(ctx, MUSIC_RATE, 0);
    xmp_frame_info info;
    xmp_get_frame_info(ctx, &info);
    xmp_end_player(ctx);
    xmp_release_module(ctx);
    xmp_free_context(ctx);
    return info.total_time / 1000.0;
}

using Music = Headless;

TEST_F(Music, EachSongPlaysAndRepeatsPastItsEnd)
{
    struct { song* s; const char* file; } songs[] = {
        {combat, "SHOPPING.XM"}, {stage_clear, "LOUNGE.XM"}, {drama, "EXP4A.XM"}};
    for (const auto& t : songs) {
        SCOPED_TRACE(t.file);
        ASSERT_NE(t.s, nullptr);
        double length = song_seconds(t.file);
        EXPECT_GE(length, 30.0);
        music_stop_all();
        EXPECT_EQ(listen_rms(0.5), 0.0);  // nothing plays
        music_play(t.s);
        music_set_volume(t.s, MUSIC_VOLUME_MAX);
        EXPECT_TRUE(music_playing(t.s));
        EXPECT_GT(listen_rms(5), 300.0);
        listen_rms(length - 5);           // to the end of the first time through...
        EXPECT_GT(listen_rms(5), 300.0);  // ...and it carries on
    }
}

// The lead and the harmony sit apart, so the two sides differ clearly; yet
// neither side is silent or carries the song alone.
TEST_F(Music, EachSongIsPlacedInStereo)
{
    struct { song* s; const char* file; } songs[] = {
        {combat, "SHOPPING.XM"}, {stage_clear, "LOUNGE.XM"}, {drama, "EXP4A.XM"}};
    for (const auto& t : songs) {
        SCOPED_TRACE(t.file);
        music_stop_all();
        music_play(t.s);
        music_set_volume(t.s, MUSIC_VOLUME_MAX);
        Sides heard = listen_sides(30);
        EXPECT_GT(heard.left, 300.0);
        EXPECT_GT(heard.right, 300.0);
        // A mono song gives no difference at all, one placed apart only at
        // its cymbals about a tenth of its level.
        EXPECT_GT(heard.difference, 0.25 * (heard.left + heard.right) / 2);
        // Balanced: the sides within 2 dB of each other.
        EXPECT_LT(std::fabs(20 * std::log10(heard.left / heard.right)), 2.0);
    }
}

TEST_F(Music, VolumeZeroIsSilentAndRestartBeginsAgain)
{
    music_play(combat);
    music_set_volume(combat, 0);
    EXPECT_EQ(listen_rms(2), 0.0);
    music_set_volume(combat, MUSIC_VOLUME_MAX);
    double full = listen_rms(2);
    EXPECT_GT(full, 300.0);
    music_set_volume(combat, MUSIC_VOLUME_MAX / 2);
    EXPECT_LT(listen_rms(2), full);
}

TEST_F(Music, StopAndFreeAreSafeInAnyOrder)
{
    music_play(drama);
    music_free(drama);  // freeing a playing song stops it
    drama = nullptr;
    EXPECT_EQ(listen_rms(0.2), 0.0);
    music_stop_all();
    music_free(nullptr);
    music_play(nullptr);
    music_set_volume(nullptr, 64);
    EXPECT_FALSE(music_playing(nullptr));
    music_play(combat);
    music_stop_all();
    music_stop_all();
    EXPECT_FALSE(music_playing(combat));
    music_free(combat);
    combat = nullptr;
    music_refill();  // no stream headless: nothing to feed
}

TEST_F(Music, ADamagedSongDoesNotLoad)
{
    std::string bad = folder + "/bad.xm";
    FILE* f = fopen(bad.c_str(), "wb");
    fputs("Extended Module: but nothing after it", f);
    fclose(f);
    EXPECT_EQ(music_load(bad.c_str()), nullptr);
    EXPECT_EQ(music_load((folder + "/missing.xm").c_str()), nullptr);
}
