// Plausibility checks of the asset files, made before the library loaders
// see them: Allegro's BMP and PCX readers trust their headers and can crash,
// hang or load garbage from a damaged file, and libxmp plays a song whose
// samples are cut short. A check reads the header and walks the file's
// structure far enough to know that every byte the loader will want is there.
#pragma once

#include <string>

// "" when the file at path looks whole for its kind, otherwise a short reason
// such as "cut short: 1563 bytes where at least 3126 are needed". The kind
// is the extension: .bmp, .wav, .pcx, or .xm (which may hold an XM or a MOD
// song); other files are only tested for being there and not empty.
std::string check_asset(const std::string& path);
