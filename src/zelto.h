// Every global and function of the game, for the tests and the tools: the
// game's own files include only what they use.
#pragma once

#include "world/world.h"
#include "player/player.h"
#include "enemies/enemies.h"
#include "bosses/bosses.h"
#include "render/render.h"
#include "shell/assets.h"
#include "shell/startup.h"
#include "shell/loop.h"
#include "shell/scores.h"
#include "shell/screens.h"
#include "shell/runs/recording.h"
#include "shell/runs/runs.h"
#include "shell/runs/replays.h"
#include "shell/runs/watch.h"
#include "shell/machine/clock.h"
#include "shell/machine/display.h"
#include "shell/machine/music.h"
#include "shell/machine/paths.h"
#include "shell/machine/sound.h"
#include "shell/frames.h"
