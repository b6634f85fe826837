#include "shell/machine/music.h"
#include "shell/machine/files.h"

#include <algorithm>
#include <allegro.h>
#include <vector>
#include <xmp.h>

struct song {
    xmp_context ctx;
    bool playing;
};

music_listener music_observer = nullptr;
int music_level = 100;

const size_t SONG_BYTES_MAX = 64u << 20;  // far more than any song of ours

static AUDIOSTREAM* stream;
static std::vector<song*> loaded;  // every loaded song; the playing ones are mixed

static void tell(music_event::kind_t kind, const song* s)
{
    if (music_observer)
        music_observer(music_event{kind, s});
}

void music_open()
{
    if (stream || !digi_driver || digi_driver->id == DIGI_NONE)
        return;
    stream = play_audio_stream(MUSIC_FRAGMENT, 16, TRUE, MUSIC_RATE, 255, 128);
}

void music_close()
{
    music_stop_all();
    if (stream) {
        stop_audio_stream(stream);
        stream = nullptr;
    }
}

song* music_load_memory(const void* data, size_t size)
{
    xmp_context ctx = xmp_create_context();
    if (!ctx)
        return nullptr;
    if (xmp_load_module_from_memory(ctx, data, long(size)) != 0) {
        xmp_free_context(ctx);
        return nullptr;
    }
    if (xmp_start_player(ctx, MUSIC_RATE, 0) != 0) {
        xmp_release_module(ctx);
        xmp_free_context(ctx);
        return nullptr;
    }
    song* s = new song{ctx, false};
    loaded.push_back(s);
    tell(music_event::LOAD, s);
    return s;
}

song* music_load(const char* path)
{
    std::vector<unsigned char> bytes;
    std::string why;
    if (!read_regular(path, bytes, why, SONG_BYTES_MAX) || bytes.empty())
        return nullptr;
    return music_load_memory(bytes.data(), bytes.size());
}

void music_play(song* s)
{
    tell(music_event::PLAY, s);
    if (!s)
        return;
    // A fresh player: the song starts at its first row with clean channels.
    xmp_end_player(s->ctx);
    xmp_start_player(s->ctx, MUSIC_RATE, 0);
    s->playing = true;
}

void music_set_volume(song* s, int volume)
{
    tell(music_event::VOLUME, s);
    if (!s)
        return;
    volume = std::clamp(volume, 0, MUSIC_VOLUME_MAX);
    // libxmp's player volume is 0..200 with 100 as written.
    int level = std::clamp(music_level, 0, 100);
    xmp_set_player(s->ctx, XMP_PLAYER_VOLUME, volume * 100 / MUSIC_VOLUME_MAX * level / 100);
}

void music_stop_all()
{
    tell(music_event::STOP_ALL, nullptr);
    for (song* s : loaded)
        s->playing = false;
}

void music_free(song* s)
{
    tell(music_event::FREE, s);
    if (!s)
        return;
    loaded.erase(std::remove(loaded.begin(), loaded.end(), s), loaded.end());
    xmp_end_player(s->ctx);
    xmp_release_module(s->ctx);
    xmp_free_context(s->ctx);
    delete s;
}

bool music_playing(const song* s)
{
    return s && s->playing;
}

void music_render(int16_t* out, size_t frames)
{
    std::vector<int> mix(frames * 2, 0);
    std::vector<int16_t> part(frames * 2);
    for (song* s : loaded) {
        if (!s->playing)
            continue;
        // loop = 0: the song goes round forever.
        if (xmp_play_buffer(s->ctx, part.data(), int(part.size() * sizeof(int16_t)), 0) != 0)
            continue;
        for (size_t i = 0; i < mix.size(); i++)
            mix[i] += part[i];
    }
    for (size_t i = 0; i < mix.size(); i++)
        out[i] = int16_t(std::clamp(mix[i], -32768, 32767));
}

void music_refill()
{
    if (!stream)
        return;
    static int16_t frames[MUSIC_FRAGMENT * 2];
    while (void* p = get_audio_stream_buffer(stream)) {
        music_render(frames, MUSIC_FRAGMENT);
        // Allegro's 16-bit streams are unsigned.
        uint16_t* out = static_cast<uint16_t*>(p);
        for (int i = 0; i < MUSIC_FRAGMENT * 2; i++)
            out[i] = uint16_t(frames[i]) ^ 0x8000;
        free_audio_stream_buffer(stream);
    }
}
