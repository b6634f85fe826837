#include "shell/config/keys.h"

#include <allegro.h>
#include <allegro/internal/aintern.h>
#include <strings.h>

// ---- Key names -----------------------------------------------------------------------
// The names are the library's own: what scancode_to_name gives where the
// keyboard driver has no name of its own, taken from its table directly
// since the settings are read before the keyboard is installed. Where that
// table has only a number (KEY72), the name the library's X keyboard gives
// the key is used; the number is still understood.

// The library's name of a key. Its table is in a private header: the
// public scancode_to_name needs the keyboard driver installed, and the
// settings are read (and --settings answered) before there is one.
static const char* library_key_name(int scancode)
{
    return _keyboard_common_names[scancode];
}

static const struct {
    int code;
    const char* name;
} PUNCTUATION[] = {
    {KEY_TILDE, "grave"},      {KEY_MINUS, "minus"},          {KEY_EQUALS, "equal"},
    {KEY_OPENBRACE, "bracketleft"}, {KEY_CLOSEBRACE, "bracketright"}, {KEY_COLON, "semicolon"},
    {KEY_QUOTE, "apostrophe"}, {KEY_BACKSLASH2, "less"},      {KEY_COMMA, "comma"},
    {KEY_STOP, "period"},      {KEY_SLASH, "slash"},
};

std::string key_name(int scancode)
{
    if (scancode <= 0 || scancode >= KEY_MAX)
        return "";
    for (const auto& p : PUNCTUATION)
        if (p.code == scancode)
            return p.name;
    return library_key_name(scancode);
}

int key_by_name(const std::string& name)
{
    for (const auto& p : PUNCTUATION)
        if (strcasecmp(name.c_str(), p.name) == 0)
            return p.code;
    for (int code = 1; code < KEY_MAX; code++)
        if (strcasecmp(name.c_str(), library_key_name(code)) == 0)
            return code;
    return 0;
}
