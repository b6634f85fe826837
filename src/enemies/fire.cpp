// Enemy shots: straight down at 12 a pass; they hurt the player within 19
// on both axes and are removed below the field.
#include "world/world.h"
#include "player/player.h"
#include "enemies/enemies.h"
#include "shell/assets.h"

const int ESHOT_SPEED = 12;
const int ESHOT_REACH = 19;
const int HIT_SHOT_Y = 490;  // where a shot that hit goes, to be removed

void efire(ship& source)
{
    eshot.push_back(projectile{source.x, source.y, 0, ESHOT_SPEED});
    play_sound(laser, 60, 700);  // the player's zap, lower and louder
}

void eshot_handle()
{
    for (size_t i = 0; i < eshot.size();) {
        projectile& s = eshot[i];
        s.y += s.dy;
        s.x += s.dx;
        if (hazard_reaches_player(s.x, s.y, ESHOT_REACH, ESHOT_REACH)) {
            s.y = HIT_SHOT_Y;
            hurt_player();
        }
        if (s.y > 480)
            eshot.erase(eshot.begin() + i);
        else
            i++;
    }
}
