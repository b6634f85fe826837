// Asset files read once and decoded from memory: each is opened so that it
// cannot block, taken only if it is a regular file, read whole, checked for
// what the game needs of it (checks.h), and the library's loaders then
// decode those same bytes. Nothing is opened twice, so nothing can change
// between the check and the load.
#pragma once

#include <string>
#include <vector>

struct BITMAP;
struct SAMPLE;
struct FONT;

// Reads the asset at path and checks it; "" or the reason it cannot be used
// ("a named pipe", "cut short: ...").
std::string read_asset(const std::string& path, std::vector<unsigned char>& bytes);

// Decoders of bytes that read_asset passed; null where the library still
// refuses them. Images come out at the current colour depth.
BITMAP* decode_image(const std::vector<unsigned char>& bytes);
SAMPLE* decode_sound(const std::vector<unsigned char>& bytes);
// A font from the bytes of a sheet (.pcx), grabbed only once its glyph grid
// passed check_font_sheet; null with the reason in `why`.
FONT* decode_font(const std::vector<unsigned char>& bytes, std::string& why);
