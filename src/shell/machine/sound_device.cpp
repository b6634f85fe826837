#include "shell/machine/sound_device.h"

#include <alsa/asoundlib.h>
#include <cerrno>
#include <vector>

const unsigned TRY_RATE = 44100;            // frames per second, as the driver asks
const unsigned TRY_LATENCY_US = 100000;     // the device's buffer, 0.1 s
const snd_pcm_uframes_t TRY_PERIOD = 1024;  // frames handed over per write
const int TRY_BUFFERS = 3;  // buffers of silence that must go through: a
                            // file device takes the first one before writing

bool sound_device_refuses(const char* name)
{
    snd_pcm_t* pcm;
    if (snd_pcm_open(&pcm, name, SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return false;
    // The driver's own preference: unsigned samples where the device has them.
    snd_pcm_format_t format = SND_PCM_FORMAT_U16;
    int set = snd_pcm_set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED, 2, TRY_RATE, 1,
                                 TRY_LATENCY_US);
    if (set < 0) {
        format = SND_PCM_FORMAT_S16;
        set = snd_pcm_set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED, 2, TRY_RATE, 1,
                                 TRY_LATENCY_US);
    }
    bool refuses = false;
    snd_pcm_uframes_t buffer = 0, period = 0;
    if (set == 0 && snd_pcm_get_params(pcm, &buffer, &period) == 0) {
        std::vector<int16_t> silence(TRY_PERIOD * 2);
        snd_pcm_format_set_silence(format, silence.data(), unsigned(silence.size()));
        for (snd_pcm_uframes_t sent = 0; sent < TRY_BUFFERS * buffer;) {
            snd_pcm_sframes_t n = snd_pcm_writei(pcm, silence.data(), TRY_PERIOD);
            if (n == -EAGAIN)
                break;  // full, and playing at its own pace
            if (n < 0) {
                refuses = true;
                break;
            }
            sent += snd_pcm_uframes_t(n);
        }
    }
    snd_pcm_close(pcm);
    return refuses;
}
