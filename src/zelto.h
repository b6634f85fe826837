// Every global and function of the game, for the main program, the tests
// and the tools.
#pragma once

#include "world/world.h"
#include "world/pads.h"
#include "shell/shell.h"
#include "shell/music.h"
#include "shell/display.h"
#include "player/player.h"
#include "enemies/enemies.h"
#include "bosses/bosses.h"
#include "render/render.h"
