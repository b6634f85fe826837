// snapshot DATA_DIR OUT.bmp SCENE [PASSES] [SEED]
//
// Renders one frame of the game headless, for looking at the art and the
// screens without a window. SCENE is one of:
//   title        the title screen after PASSES passes
//   menu | controls
//                the title's menu, or its Controls page, over the title's sky
//   play         the opening wave after PASSES passes, the ship weaving and firing
//   glaive | vortex | angel | final
//                that boss stage after PASSES passes of weaving and firing
#include "zelto.h"
#include "pilot.h"
#include "scenes.h"
#include "shell/menu.h"

#include <allegro.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: snapshot DATA_DIR OUT.bmp title|menu|controls|play|glaive|vortex|angel|final [PASSES] [SEED]\n");
        return 2;
    }
    data_dir = argv[1];
    save_dir = "/tmp";
    const char* scene = argv[3];
    int n = argc > 4 ? atoi(argv[4]) : 100;
    unsigned seed = argc > 5 ? unsigned(atoi(argv[5])) : 1;
    if (startup_headless(seed) != 0)
        return 1;
    bool menu = strcmp(scene, "menu") == 0 || strcmp(scene, "controls") == 0;
    enter_scene(menu ? "title" : scene);
    for (int i = 0; i < n; i++)
        scene_pass(menu ? "title" : scene);
    if (menu) {
        open_menu(MENU_TITLE);
        if (strcmp(scene, "controls") == 0)
            page_now = PAGE_CONTROLS, entry_now = BIND_FIRE;
        draw_menu(buffer);
        close_menu();
    }
    save_bitmap(argv[2], buffer, NULL);
    shutdown();
    return 0;
}
