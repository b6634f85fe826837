// A simple autopilot for the tools: sweeps the ship across the play column,
// low on the screen, firing all the while. It presses keys as a player would.
#pragma once

#include "zelto.h"

#include <allegro.h>

inline void weave_and_fire()
{
    static int heading = 1;
    if (player.x >= COLUMN_RIGHT - 20) heading = -1;
    if (player.x <= COLUMN_LEFT + 20) heading = 1;
    key[KEY_Z] = -1;
    key[KEY_RIGHT] = heading > 0 ? -1 : 0;
    key[KEY_LEFT] = heading < 0 ? -1 : 0;
    key[KEY_DOWN] = player.y < 400 ? -1 : 0;
}
