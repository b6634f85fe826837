// Keys by name, as the settings file and the menus write them.
#pragma once

#include <string>

// The scancode of a key by the name the library gives it (KEY_SPACE for
// "SPACE", KEY_COMMA for "comma" or "KEY72", any case), or 0 for no such
// key. Esc has a name but no binding.
int key_by_name(const std::string& name);
// The library's name of a key ("SPACE", "0 PAD", "comma").
std::string key_name(int scancode);
