#include "shell/machine/sound.h"
#include "shell/machine/sound_device.h"
#include "shell/machine/say.h"

#include <allegro.h>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

bool sounds_heard = true;
void (*sound_observer)(SAMPLE*, int, int) = nullptr;
int effects_level = 100;

void play_sound(SAMPLE* sample, int volume, int frequency)
{
    if (!sounds_heard)
        return;
    volume = volume * effects_level / 100;
    if (volume <= 0)
        return;
    if (sound_observer)
        sound_observer(sample, volume, frequency);
    play_sample(sample, volume, 128, frequency, 0);
}

// install_sound() lets the sound system print its probing errors; a machine
// without a card should only hear from us, once.
void install_sound_quietly()
{
    fflush(stderr);
    int kept = dup(2);
    int null = open("/dev/null", O_WRONLY);
    if (kept >= 0 && null >= 0)
        dup2(null, 2);
    if (null >= 0)
        close(null);
    const char* device = get_config_string("sound", "alsa_device", "default");
    bool refuses = sound_device_refuses(device);
    if (refuses || install_sound(DIGI_AUTODETECT, MIDI_NONE, "") != 0)
        install_sound(DIGI_NONE, MIDI_NONE, NULL);
    fflush(stderr);
    if (kept >= 0) {
        dup2(kept, 2);
        close(kept);
    }
    if (refuses)
        say("sound device '%s' takes no sound, playing silently", device);
    else if (!digi_driver || digi_driver->id == DIGI_NONE)
        say("no sound device found, playing silently");
}
