// make_assets SRC_DIR OUT_DIR
//
// Builds every file of data/ from the readable sources in SRC_DIR (this
// folder): pixel art as text, synthesised sounds, fonts drawn as text and
// songs written as note data. The output is byte for byte reproducible, and a
// test compares it with the committed data/.
#include "asset_io.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: make_assets SRC_DIR OUT_DIR\n");
        return 2;
    }
    std::string src = argv[1], out = argv[2];
    make_dirs(out);
    make_sprites(src, out);
    make_fonts(src, out);
    make_sounds(src, out);
    make_songs(src, out);
    return 0;
}
