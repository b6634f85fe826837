#include "shell/machine/say.h"

#include <cstdarg>
#include <cstdio>
#include <string>

void say(const char* format, ...)
{
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    int n = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string line = "zelto: ";
    if (n > 0) {
        std::string text(size_t(n) + 1, '\0');
        vsnprintf(&text[0], text.size(), format, again);
        text.resize(size_t(n));
        line += text;
    }
    va_end(again);
    // One write for the whole line, so that lines from two threads never mix.
    line += '\n';
    fputs(line.c_str(), stderr);
}
