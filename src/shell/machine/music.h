// Background music: a small layer of our own over libxmp, played through an
// Allegro audio stream. It offers what the game needs of a module player:
// load a song, start it so that it repeats until stopped, set its master
// volume, stop every song, free a song. The game loop calls music_refill()
// on every pass and while it waits, so the stream never starves.
//
// Without a sound device (or before music_open) everything still works and
// is silent: songs load, start and stop, they just are not heard.
#pragma once

#include <cstddef>
#include <cstdint>

struct song;

const int MUSIC_RATE = 44100;       // mixing rate, frames per second
const int MUSIC_FRAGMENT = 2048;    // frames per stream buffer (46 ms)
const int MUSIC_VOLUME_MAX = 128;   // full master volume of a song

// Opens the audio stream when a digital sound driver is present.
void music_open();
// Stops everything and closes the stream.
void music_close();

// Loads an XM or MOD song from its bytes (which may be freed afterwards);
// null when they are not a song.
song* music_load_memory(const void* data, size_t size);
// The same from a regular file; null when it cannot be read or is not a song.
song* music_load(const char* path);
// Starts the song from its beginning; it repeats until stopped.
void music_play(song* s);
// Master volume 0..128 of a song (128: as written), heard at music_level
// percent of that.
void music_set_volume(song* s, int volume);
extern int music_level;  // percent of each song's volume heard, 0..100 (100: as designed)
// Stops every playing song.
void music_stop_all();
// Frees a song (stopping it first); null is ignored.
void music_free(song* s);
// Feeds the audio stream with whatever buffers it asks for.
void music_refill();

// Whether the song is playing now.
bool music_playing(const song* s);
// Mixes the playing songs into frames of interleaved signed 16-bit stereo;
// what music_refill() hands to the stream, and what tests listen to.
void music_render(int16_t* out, size_t frames);

// Every call made on the layer, in order, for tests that check which song
// starts when.
struct music_event {
    enum kind_t { LOAD, PLAY, VOLUME, STOP_ALL, FREE } kind;
    const song* which;
};
typedef void (*music_listener)(const music_event&);
extern music_listener music_observer;  // called for every event when set
