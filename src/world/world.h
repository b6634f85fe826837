// The world: entity records, the containers that hold them, the game's
// counters and flags, the controls, the boss bitmap pool, the sine and cosine
// tables and the one random generator. Everything here is plain global data
// with static lifetime; the handlers of the other subsystems own the updates.
#pragma once

#include <map>
#include <string>
#include <vector>

struct BITMAP;

// The frame every pass draws, in pixels; whatever shows it enlarges it.
const int FRAME_W = 640;
const int FRAME_H = 480;

// The play column: the ship and the gems keep inside it, sparks bounce at
// its edges, and the black side panels cover what lies outside.
const int COLUMN_LEFT = 128;
const int COLUMN_RIGHT = 512;

// One ship: the player, a regular enemy, a boss body or a boss part. (x, y)
// is the centre of its sprite; velocities are pixels per pass.
struct ship {
    int x, y;
    int hp;       // hit points; 0 or less means destroyed
    int pattern;  // enemy kind 0..4: entry, movement and sprite
    int dx, dy;
};

// A player shot, an enemy shot or a gem.
struct projectile {
    int x, y;
    int dx, dy;
};

// A spark; it lives until both velocities have decayed to 0.
struct partical {
    int x, y;
    int dx, dy;
    int colour;  // makecol value in the 16-bit mode
};

// A background star; it falls 3 x speed pixels per pass.
struct snow {
    int x, y;
    int speed;  // 1..12
};

// The boss. What mode, param and timer mean depends on the boss.
struct fleet {
    int type;                 // 0 GLAIVE, 1 VORTEX, 2 ANGEL, 3 the final stage (no boss)
    int mode;                 // current attack (ANGEL: x of the locked target)
    int param;                // second attack value (ANGEL: y of the locked target)
    int timer;                // ANGEL's lock-on timer
    ship body;                // the head, the core or the ship
    std::vector<ship> parts;  // hands, nodes or live strikes

    fleet();
    ~fleet();
};

// This pass's input, rebuilt from keyboard and joystick by update().
struct control {
    bool up, right, down, left;
    bool fire;  // a fire key or button (Z and the even buttons unless set otherwise)
    bool next;  // continue / play again (X and the odd buttons unless set otherwise)

    void update();
};

// ---- Counters and flags --------------------------------------------------

extern int loop_num;             // passes run: the clock every timed behaviour reads
extern volatile bool end_game;   // quit requested (Esc or the close button)
extern bool is_joy;              // a usable pad is present (pads.h)
extern bool boss_stage;          // the current stage is a boss stage
extern int score;                // the run's score: collected gems
extern int wrp_spd;              // warp speed 0..35, up while a stage is clear
extern int last_hit;             // loop_num when the player was last hit
extern int lives;                // spare ships
extern int stage;                // difficulty; sets the spawn interval (-3: 26 passes)
extern int r_stage;              // stage advances in this run, 0..12; chooses the boss
extern int e_left;               // regular enemies still to spawn (-255: clear song started)
extern bool saved;               // this run's score is in the high-score table
extern int highscore[5];         // the five best scores, best first

// ---- Records and containers ----------------------------------------------

extern fleet boss;                     // the current boss
extern std::vector<ship> enemy;        // regular enemies, in spawn order
extern std::vector<projectile> eshot;  // enemy shots
extern std::vector<projectile> shot;   // the player's shots
extern std::vector<projectile> bonus;  // gems waiting to be collected
extern std::vector<partical> spark;    // sparks
extern std::vector<snow> star;         // background stars, oldest first
extern ship player;                    // the player's ship (only x and y are used)
extern control controls;               // this pass's input

// Puts every global above back to its value at program start (used by the
// headless start-up, so that tests and tools start from a fresh world).
void reset_world();

// ---- Controls --------------------------------------------------------------

// What a key does. The first six build the control flags; the shell reads
// the others itself. Esc always quits and is bound to nothing here.
enum key_action {
    BIND_UP, BIND_DOWN, BIND_LEFT, BIND_RIGHT, BIND_FIRE, BIND_NEXT,
    BIND_PAUSE, BIND_SCREENSHOT, BIND_FULLSCREEN, BIND_FAST,
    KEY_ACTIONS
};
const int KEYS_PER_ACTION = 2;
extern int bindings[KEY_ACTIONS][KEYS_PER_ACTION];  // scancodes by action; 0 = none

// Puts back the game's own keys: arrows, Z, X, P, Tab, F11 and F.
void default_bindings();
// The game's own key for each action, as default_bindings() sets it.
int default_key(int action);
// Whether any key bound to the action is down.
bool action_held(int action);

const int JOY_BUTTONS = 32;            // buttons a joystick can have (the library's most)
extern int button_action[JOY_BUTTONS];  // BIND_FIRE, BIND_NEXT, BIND_PAUSE or -1 (nothing) by button
// Puts back the game's own buttons: even ones fire, odd ones continue.
void default_buttons();


// ---- Boss bitmap pool ------------------------------------------------------

const int POOL_SLOTS = 5;
extern BITMAP* pool[POOL_SLOTS];  // the current boss's images; null when empty

// The images the pool can load, by path, decoded once at start-up: a file
// changed or removed while the game runs changes nothing.
extern std::map<std::string, BITMAP*> pool_images;

// Loads a copy of a kept image into a slot, freeing what was there; slots
// outside 0..4 are ignored. A path with no kept image leaves the slot empty
// and prints one line naming it.
void load_bitmap_pool(char const* path, int slot);
// Frees every pooled image.
void clean_pool();
// Frees the kept images too (at shutdown).
void forget_pool_images();

// ---- Trigonometry ----------------------------------------------------------

extern int sine[256];    // 128 x sin(k / 40.764328), truncated
extern int cosine[256];  // 128 x cos(k / 40.764328), truncated

void sin_cos_init();

// ---- Random numbers --------------------------------------------------------

// The game's one random generator. Like the C library's rand() it returns a
// non-negative int (0..RND_MAX), but its sequence is our own and the same on
// every machine, so a seed reproduces a run.
const int RND_MAX = 0x7fffffff;
int rnd();
void srnd(unsigned seed);
// The generator's whole state, for recording and checking runs.
unsigned long long rnd_state();
void set_rnd_state(unsigned long long s);  // puts back a state rnd_state() gave

// ---- State hash ------------------------------------------------------------

// A hash of the whole game state (world, boss, score table, random
// generator): two runs that hash alike after a pass are in the same state.
unsigned long long state_hash();
