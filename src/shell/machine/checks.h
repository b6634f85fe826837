// Plausibility checks of the asset files, made before the library loaders
// see them: Allegro's BMP and PCX readers trust their headers and can crash,
// hang or load garbage from a damaged file, its font grabber trusts the
// sheet it is given, and libxmp plays a song whose samples are cut short. A
// check reads the header and walks the file's structure far enough to know
// that every byte the loader will want is there, and that what it holds is
// what the game can draw or play.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "shell/machine/display.h"  // VIEW_W, VIEW_H: no image may be larger than the frame

struct BITMAP;

const size_t ASSET_BYTES_MAX = 64u << 20;  // far more than any asset of ours
const int GLYPH_FIRST = 32, GLYPH_LAST = 126;  // the characters the game writes with
const int GLYPH_SIDE_MAX = 64;   // pixels; ours are at most 41 wide and 36 high
const int GLYPH_HEIGHT_MIN = 4;  // pixels; below this no letter can be told apart
const int SHEET_SIDE_MAX = 2048; // pixels of a font sheet; ours are at most 526 x 223

// "" when the bytes of the file `name` look whole for its kind, otherwise a
// short reason such as "cut short: 1563 bytes where at least 3126 are
// needed". The kind is the extension: .bmp (a sprite, within the frame),
// .wav, .pcx (an 8-bit font sheet), or .xm (which may hold an XM or a MOD
// song); other files are only tested for not being empty.
std::string check_asset(const std::string& name, const std::vector<unsigned char>& bytes);

// "" when an 8-bit sheet decoded from a checked .pcx holds the glyph grid
// that Allegro's grab_font_from_bitmap() reads, walked exactly as it walks
// it: at least the glyphs GLYPH_FIRST..GLYPH_LAST, each a closed box of
// border colour 255 with no border inside, all of one height, each side
// within GLYPH_SIDE_MAX. The grabber is only safe on such a sheet.
std::string check_font_sheet(BITMAP* sheet);
