// Scenes for the picture tools: the headless game brought to the title, the
// opening wave or a boss stage through its own passes, as a player would.
#pragma once

#include "zelto.h"
#include "pilot.h"

#include <allegro.h>
#include <cstring>

// title | play | glaive | vortex | angel | final; anything else is play.
inline void enter_scene(const char* scene)
{
    if (strcmp(scene, "title") == 0)
        return;
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
}

// One pass of the scene: the title waits, play weaves and fires.
inline void scene_pass(const char* scene)
{
    if (strcmp(scene, "title") == 0) {
        title_pass();
        return;
    }
    weave_and_fire();
    game_pass();
}
