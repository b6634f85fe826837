// The sound device, tried before the sound driver takes it. The driver
// treats any device that opens as working, and one that then refuses every
// buffer (a file device writing into a folder that is gone, a card that
// fails) makes it print an error for each of them, a hundred a second.
#pragma once

// Whether the named ALSA playback device opens but refuses sound. A device
// that does not open at all does not count: the driver passes it by.
bool sound_device_refuses(const char* name);
