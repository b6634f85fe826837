// The game shell: start-up and shutdown, the three paced loops and the game
// pass, stage progression, the high-score table and its file, and every
// screen text. The game's states are not stored anywhere: they follow from
// boss_stage, e_left, enemy, lives, last_hit and r_stage, tested in the pass.
#pragma once

#include <string>
#include <vector>

#include "world/world.h"

struct BITMAP;
struct RLE_SPRITE;
struct SAMPLE;
struct FONT;
struct song;

// ---- Asset handles: set at start-up, released at shutdown ------------------

extern BITMAP* buffer;       // 640 x 480 back buffer; every frame is drawn here
extern BITMAP* pship;        // player ship; its width also places the side panels
extern BITMAP* bullet;       // player shot
extern RLE_SPRITE* beam;     // run-length copy of bullet
extern BITMAP* ebullet;      // enemy shot
extern RLE_SPRITE* ebeam;    // run-length copy of ebullet
extern BITMAP* eship[5];     // enemy ships by pattern
extern RLE_SPRITE* nship[5]; // run-length copies of eship
extern BITMAP* xp;           // gem image
extern RLE_SPRITE* gem;      // run-length copy of xp; what a gem is drawn with
extern SAMPLE* boom;         // explosion
extern SAMPLE* laser;        // shot
extern SAMPLE* collect;      // gem picked up
extern SAMPLE* enter;        // the ship enters: start, respawn, new stage
extern FONT* title;          // large bitmap font
extern FONT* text;           // small bitmap font
extern song* combat;         // opening-wave song
extern song* drama;          // boss-stage song
extern song* stage_clear;    // stage-clear song

extern int highscore[5];     // the five best scores, best first
extern std::vector<int> unsaved_runs;  // runs in highscore that no save has reached yet, best first

// ---- Files -------------------------------------------------------------------

extern std::string data_dir;  // folder the assets are read from; "" is the working folder
extern std::string save_dir;  // folder of the score file and screenshot; "" likewise

std::string data_path(const char* name);
std::string save_path(const char* name);

// ---- Start-up and shutdown -----------------------------------------------------

// Opens the screen (see open_display: scale 0 is the largest window that
// fits), sound (none when muted), timer and input, and loads everything.
// Returns 0, or an exit status after printing one line that says what is
// missing.
int startup(int scale = 1, bool mute = false, bool fullscreen = false);
// The same world with no window, sound, timer or joystick, for tests, tools
// and the benchmark: the clock is simulated and the random generator seeded.
int startup_headless(unsigned seed);
// Puts the world back as start-up leaves it, from this seed (a replay in
// the window starts here); the score table is left alone.
void restart_world(unsigned seed);
// Releases everything start-up made, in the fixed order; safe after a
// start-up that failed part way.
void shutdown();

// ---- Clock and pacing --------------------------------------------------------

const int PASS_TICKS = 19;  // a pass lasts at least 19 ms: at most 52.6 passes a second

void update_time();         // one tick of the simulated clock (headless runs)
void quit();                // the window's close button
extern void (*pace_rest)(int ms);  // lets ms milliseconds pass: up to that clock tick in the game, simulated headless
extern void (*pace_clock)();       // sets logic_time from the clock; null where pace_rest advances it
void wait_pass();           // waits until the pass has lasted PASS_TICKS
// A replay running ahead: a pass still draws into the buffer (drawing draws
// random numbers too) but is not shown or waited for; before the run being
// watched its sounds are not played either.
extern bool pass_shown;     // true in the game
extern bool sounds_heard;   // true in the game

// Plays a sound effect once, centred: volume 0..255, frequency 1000 = as
// recorded; heard at effects_level percent of that volume, and not at all
// where that comes to nothing.
void play_sound(SAMPLE* sample, int volume, int frequency);
extern int effects_level;  // percent of each effect's volume heard, 0..100 (100: as designed)
extern void (*sound_observer)(SAMPLE* sample, int volume, int frequency);  // tests listen here

// ---- Input of a pass, and recorded runs -------------------------------------------

// The input one pass reads: the six control flags and Esc.
struct pass_input {
    control flags;
    bool esc;
};
// When set, title and game passes take their input from here instead of the
// keyboard and joystick; false means the input has run out, which quits.
extern bool (*input_source)(pass_input& in);
// When set, every title and game pass hands it the input it read.
extern void (*input_sink)(const pass_input& in);

extern unsigned run_seed;  // the seed the random generator started from

// When set, called at the end of every title, slide-in and game pass (for
// statistics, checks and hashes; the game itself never sets it).
extern void (*after_pass)();

// A run on file: the game version that made it, the seed, the score table
// at start-up, then one byte of input per title, slide-in or game pass since
// start-up. A session can hold several runs (X after game over); the one the
// file is for begins at run_start, and the passes before it lead up to it.
struct recording {
    std::string version;      // ZELTO_VERSION of the game that recorded it
    unsigned seed = 0;
    unsigned run_start = 0;   // the pass its run begins at; 0 for a session's first run
    int table[5] = {};        // highscore[] at start-up
    std::vector<pass_input> passes;
};
const size_t RECORDING_LIMIT = 64u << 20;  // a longer file is not a recording (two weeks of passes)
// The header of a recording of this game version: what comes before the passes.
std::vector<unsigned char> recording_header(unsigned seed, unsigned run_start, const int table[5]);
// One pass's input as it is stored: a byte with bit 7 clear.
unsigned char pack_input(const pass_input& in);
// Starts writing the session to path (header, then a byte a pass) from
// start-up on. The header is written at once, then the input every half
// second or so; a write that fails is reported once and the recording stops.
bool record_to(const char* path);
// Closes the recording; false when any of it could not be written.
bool stop_recording();
// Reads a recording; false with a one-line reason for a missing, damaged,
// cut or foreign file, or one made by another version of the game.
bool load_recording(const char* path, recording& out, std::string& error);
// Plays a recording from start-up to its last pass (headless), from the
// score table it holds; returns the number of passes run.
int replay(const recording& run);

// A hash of the whole game state (world, boss, score table, random generator).
unsigned long long state_hash();

// ---- The three loops -----------------------------------------------------------

bool title_continues();     // the title loop's test
void title_pass();
const int SLIDE_STEP = 7;   // the side panels slide in 7 pixels a pass...
const int SLIDE_END = 126;  // ...from offset 0 to 126: 19 passes
void slide_pass(int offset);
void game_pass();
extern bool paused;         // P has paused the game loop
extern bool pause_on_focus_loss;  // the window losing the focus in play pauses it too
void focus_lost();          // the display-switch callback: the window lost the focus
void paused_pass();         // a pass of the paused game: nothing advances
void game_loop_pass();      // one pass of the game loop: P toggles the pause, then a pass

void title_loop();
void slide_in();
void game_loop();

void stage_advance();       // X on a cleared stage: the next boss stage
void new_game();            // X after game over

// ---- High scores -----------------------------------------------------------------

const char* const SCORE_FILE = "zelto_score.dat";
const int SCORE_LOCK_WAIT_MS = 3000;  // a score write waits this long for another copy's
const int SCORE_LOCK_POLL_MS = 20;    // ...looking again this often
void add_highscore(int s);
// Reads the table, through links, from a regular file only; entries that
// cannot be read are 0. False when the file could not be opened or read;
// `missing` tells a file that is not there yet (said nowhere) from one that
// cannot be read or is no regular file (said in one line).
bool read_scores(const char* path, bool* missing = nullptr);
// Writes the table into the file path leads to, through a temporary file
// beside it renamed over the old one, so a failed write leaves the old file
// whole and a link stays a link; in place, not atomically, where the folder
// allows no new file. False (with one line on stderr) when it fails or the
// file is no regular file.
bool write_scores(const char* path);
// The steps of a score write, in order; the five lines are LINE .. LINE + 4.
enum { SCORE_STEP_CREATE, SCORE_STEP_OPEN, SCORE_STEP_LINE, SCORE_STEP_FLUSH = SCORE_STEP_LINE + 5,
       SCORE_STEP_SYNC, SCORE_STEP_CLOSE, SCORE_STEP_RENAME, SCORE_STEPS };
// The steps of a write in place, which follows a CREATE refused by the folder.
enum { SCORE_STEP_REWRITE_OPEN = SCORE_STEPS, SCORE_STEP_REWRITE_WRITE,
       SCORE_STEP_REWRITE_TRUNCATE, SCORE_STEP_REWRITE_SYNC, SCORE_REWRITE_END };
// Test seam: when set, asked before each step of a score write; true makes
// that step fail as a full disk or a killed game would.
extern bool (*score_write_fails)(int step);
// Offers a run's score to the table on disk and saves the result, holding
// a lock on the file's folder so that copies of the game running at once
// never lose each other's scores. The table in memory becomes what was
// saved; where nothing could be saved it still holds the run.
bool save_run(const char* path, int run);
extern bool scores_written; // false while a replay is watched: the table changes only in memory
void record_run();          // offers the run's score once and writes the file

// ---- Screens ---------------------------------------------------------------------

void draw_title();
void draw_slide_in(int offset);
void draw_game_over();
void draw_panels();
void draw_health_bar();
void draw_stage_clear();
void draw_hud();
void draw_boss_banner();
void draw_credits();
