// snapshot DATA_DIR OUT.bmp SCENE [PASSES] [SEED]
//
// Renders one frame of the game headless, for looking at the art and the
// screens without a window. SCENE is one of:
//   title        the title screen after PASSES passes
//   play         the opening wave after PASSES passes, the ship weaving and firing
//   glaive | vortex | angel | final
//                that boss stage after PASSES passes of weaving and firing
#include "zelto.h"
#include "pilot.h"

#include <allegro.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: snapshot DATA_DIR OUT.bmp title|play|glaive|vortex|angel|final [PASSES] [SEED]\n");
        return 2;
    }
    data_dir = argv[1];
    save_dir = "/tmp";
    const char* scene = argv[3];
    int n = argc > 4 ? atoi(argv[4]) : 100;
    unsigned seed = argc > 5 ? unsigned(atoi(argv[5])) : 1;
    if (startup_headless(seed) != 0)
        return 1;

    if (strcmp(scene, "title") == 0) {
        for (int i = 0; i < n; i++)
            title_pass();
    } else {
        key[KEY_Z] = -1;
        title_loop();
        slide_in();
        static const char* const stages[] = {"play", "glaive", "vortex", "angel", "final"};
        int wanted = 0;
        for (int i = 0; i < 5; i++)
            if (strcmp(scene, stages[i]) == 0)
                wanted = i;
        if (wanted > 0) {
            game_pass();
            // Skip to a cleared stage just before that boss, and advance.
            r_stage = wanted == 1 ? 0 : wanted == 2 ? 3 : wanted == 3 ? 7 : 11;
            e_left = 0;
            enemy.clear();
            key[KEY_X] = -1;
            game_pass();
            key[KEY_X] = 0;
        }
        for (int i = 0; i < n; i++) {
            weave_and_fire();
            game_pass();
        }
    }
    save_bitmap(argv[2], buffer, NULL);
    shutdown();
    return 0;
}
