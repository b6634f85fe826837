// The game's one way to speak on the terminal: a line on stderr that begins
// "zelto: ", for everything that did not happen as asked.
#pragma once

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void say(const char* format, ...);
