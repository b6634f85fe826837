#include "world/world.h"

int loop_num = 0;
volatile bool end_game = false;
bool is_joy = false;
bool boss_stage = false;
int score = 0;
int wrp_spd = 0;
int last_hit = -60;
int lives = 3;
int stage = -3;
int r_stage = 0;
int e_left = 62;
bool saved = false;
int highscore[5];

// Constructed in this order before main() and destroyed in reverse after it.
fleet boss;
std::vector<ship> enemy;
std::vector<projectile> eshot;
std::vector<projectile> shot;
std::vector<projectile> bonus;
std::vector<partical> spark;
std::vector<snow> star;

ship player;
control controls;

// The record lives in zero-initialised static storage; set-up functions give
// each boss the fields it needs.
fleet::fleet() {}

fleet::~fleet() {}

void reset_world()
{
    loop_num = 0;
    end_game = false;
    is_joy = false;
    boss_stage = false;
    score = 0;
    wrp_spd = 0;
    last_hit = -60;
    lives = 3;
    stage = -3;
    r_stage = 0;
    e_left = 62;
    saved = false;

    boss.type = boss.mode = boss.param = boss.timer = 0;
    boss.body = ship();
    boss.parts.clear();
    enemy.clear();
    eshot.clear();
    shot.clear();
    bonus.clear();
    spark.clear();
    star.clear();
    player = ship();
    controls = control();
}
