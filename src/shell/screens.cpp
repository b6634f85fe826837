// Every text and overlay the game draws over the play field.
#include "shell/screens.h"
#include "render/render.h"
#include "shell/loop.h"
#include "world/world.h"
#include "bosses/bosses.h"
#include "shell/assets.h"
#include "shell/scores.h"
#include "shell/config/settings.h"
#include "shell/runs/runs.h"

#include <allegro.h>
#include <cstdio>

static int white() { return makecol(255, 255, 255); }
static int red() { return makecol(255, 0, 0); }
static int black() { return makecol(0, 0, 0); }

// Half the ship's width: the side panels stop where the ship's sprite ends
// at its outermost positions.
static int half_ship() { return pship->w / 2; }

// The title and the slide-in run without warp: always small crosses.
static void clear_with_stars()
{
    clear_to_color(buffer, black());
    for (const snow& s : star)
        draw_star(buffer, s.x, s.y);
}

const int TITLE_HINT_Y = 440;  // the menu's hint line on the title

void draw_title()
{
    clear_with_stars();
    textout_centre_ex(buffer, title, "Zelto Star!", 320, 180, white(), -1);
    textout_centre_ex(buffer, text, "Press fire [Z] to begin.", 320, 245, white(), -1);
    // The way into the menu, small and low; not where a replay plays the title.
    if (!input_is_recorded())
        textprintf_centre_ex(buffer, text, 320, TITLE_HINT_Y, white(), -1, "[%s] menu",
                             key_name(bindings[BIND_NEXT][0]).c_str());
}

void draw_slide_in(int i)
{
    clear_with_stars();
    rectfill(buffer, i - half_ship(), 0, 0, 480, black());
    rectfill(buffer, 640, 0, 640 + half_ship() - i, 480, black());
    textprintf_ex(buffer, text, i - 108, 60, white(), -1, "Score: %i", score);
    // The entry life is taken on the first game pass; show what will remain.
    textprintf_ex(buffer, text, i - 108, 80, white(), -1, "Lives: %i", lives - 1);
}

void draw_game_over()
{
    textout_centre_ex(buffer, title, "Game Over", 320, 200, red(), -1);
    textout_centre_ex(buffer, text, "Press Esc to quit", 320, 250, red(), -1);
    textout_centre_ex(buffer, text, "Press [X] to play again", 320, 268, red(), -1);
    textout_centre_ex(buffer, text, "Highscores:", 320, 285, red(), -1);
    for (int i = 0; i < 5; i++)
        textprintf_centre_ex(buffer, text, 320, 305 + 20 * i, red(), -1, "%i", highscore[i]);
    if (!scores_unsaved.empty()) {
        textout_centre_ex(buffer, text, "The scores could not be saved:", 320, 410, red(), -1);
        textout_centre_ex(buffer, text, scores_unsaved.c_str(), 320, 428, red(), -1);
    }
}

void draw_panels()
{
    rectfill(buffer, 128 - half_ship(), 0, 0, 480, black());
    rectfill(buffer, 640, 0, 512 + half_ship(), 480, black());
}

void draw_health_bar()
{
    // Full length 384 at the boss's starting hit points.
    int full = boss_kinds[boss.type].full_hp;
    int v = boss.body.hp * 384 / full;
    rect(buffer, 128, 460, 128 + v, 475, red());
    rect(buffer, 129, 461, 127 + v, 474, red());
    rect(buffer, 130, 462, 126 + v, 473, red());
}

void draw_stage_clear()
{
    textout_centre_ex(buffer, title, "Stage Clear!", 320, 200, white(), -1);
    textout_centre_ex(buffer, text, "Press [X] to continue", 320, 250, white(), -1);
}

void draw_hud()
{
    textprintf_ex(buffer, text, 20, 60, white(), -1, "Score: %i", score);
    textprintf_ex(buffer, text, 20, 80, white(), -1, "Lives: %i", lives);
}

void draw_boss_banner()
{
    textout_ex(buffer, text, "- BOSS -", 531, 60, white(), -1);
    if (boss.type < NO_BOSS)
        textout_ex(buffer, text, boss_kinds[boss.type].name, boss_kinds[boss.type].name_x, 80,
                   white(), -1);
}

void draw_credits()
{
    static const struct { int y; const char* line; } CREDITS[] = {
        {60, "- CREDITS -"}, {80, "- Varosh -"}, {90, "Programming"}, {100, "Graphics"},
        {110, "Design"}, {160, "- Tulq -"}, {170, "Co-Design"}, {200, "- Ferrilo -"},
        {220, "Sound"}, {230, "(from Ashwicke)"}, {270, "Special thanks:"},
        {280, "K9V forums"}, {330, "varosh"},
    };
    for (const auto& c : CREDITS)
        textout_centre_ex(buffer, font, c.line, 576, c.y, white(), -1);
}

const int PAUSED_Y = 200;            // where "Paused" goes in play
const int PAUSED_OVER_GAME_OVER_Y = 140;  // above "Game Over", which is at PAUSED_Y

void draw_paused(BITMAP* frame)
{
    int y = run_is_over() ? PAUSED_OVER_GAME_OVER_Y : PAUSED_Y;
    textout_centre_ex(frame, title, "Paused", 320, y, white(), -1);
}
