// Every screen text, overlay and HUD element, drawn into the back buffer.
#pragma once

struct BITMAP;

void draw_title();
void draw_slide_in(int offset);
void draw_game_over();
void draw_panels();
void draw_health_bar();
void draw_stage_clear();
void draw_hud();
void draw_boss_banner();
void draw_credits();
void draw_paused(BITMAP* frame);  // "Paused" over a copy of the last frame, clear of "Game Over"
