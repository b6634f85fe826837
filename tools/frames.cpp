// frames DATA_DIR OUT_DIR SCENE FIRST COUNT [STEP] [SEED]
//
// Saves the game's own frames of a headless scene (see snapshot) as
// OUT_DIR/frame_0000.bmp and on: COUNT frames, one every STEP passes (1
// unless given), the first after FIRST passes. For the moving picture in the
// README (tools/make_movie.sh).
#include "zelto.h"
#include "pilot.h"
#include "scenes.h"

#include <allegro.h>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 6) {
        fprintf(stderr, "usage: frames DATA_DIR OUT_DIR title|play|glaive|vortex|angel|final FIRST COUNT [STEP] [SEED]\n");
        return 2;
    }
    data_dir = argv[1];
    std::string out = argv[2];
    save_dir = out;  // a stray screenshot or score file stays with the frames
    const char* scene = argv[3];
    int first = atoi(argv[4]);
    int count = atoi(argv[5]);
    int step = argc > 6 ? atoi(argv[6]) : 1;
    unsigned seed = argc > 7 ? unsigned(atoi(argv[7])) : 1;
    if (first < 0 || count < 1 || step < 1) {
        fprintf(stderr, "frames: FIRST must be 0 or more, COUNT and STEP 1 or more\n");
        return 2;
    }
    if (startup_headless(seed) != 0)
        return 1;
    enter_scene(scene);
    for (int i = 0; i < first; i++)
        scene_pass(scene);
    for (int f = 0; f < count; f++) {
        if (f > 0)
            for (int i = 0; i < step; i++)
                scene_pass(scene);
        char name[32];
        snprintf(name, sizeof name, "/frame_%04d.bmp", f);
        std::string path = out + name;
        if (save_bitmap(path.c_str(), buffer, NULL) != 0) {
            fprintf(stderr, "frames: cannot write %s\n", path.c_str());
            shutdown();
            return 1;
        }
    }
    shutdown();
    return 0;
}
