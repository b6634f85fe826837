// Recorded runs play back exactly: the golden runs in tests/golden (made by
// tools/make_golden) must reach the same figures and the same state hash
// every 250 passes, and a failure names the stretch where the run went
// another way. Damaged and foreign recordings are refused with a reason.
#include "harness.h"
#include "shell/menu.h"
#include "../../tools/replay_figures.h"
#include "shell/config/settings.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::string_literals;

static void release_keys()
{
    for (int i = 0; i < KEY_MAX; i++)
        key[i] = 0;
}

static std::string golden(const std::string& file)
{
    std::string here = __FILE__;
    return here.substr(0, here.rfind('/')) + "/../golden/" + file;
}

class Replay : public ::testing::Test {
protected:
    std::string folder;

    void SetUp() override
    {
        char name[] = "/tmp/zelto_replay_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        data_dir = ZELTO_DATA_DIR;
        release_keys();
    }
    void TearDown() override
    {
        std::string rm = "rm -rf '" + folder + "'";
        EXPECT_EQ(system(rm.c_str()), 0);
    }

    // Plays the recording from a fresh start and an empty score table; the
    // check runs on the world the replay left, before shutdown.
    figures play(const recording& run, void (*check)() = nullptr)
    {
        unlink((folder + "/" + SCORE_FILE).c_str());
        save_dir = folder;
        figures f;
        if (startup_headless(run.seed) != 0) {
            ADD_FAILURE() << "start-up failed";
            return f;
        }
        f = play_back(run, 250);
        if (check)
            check();
        shutdown();
        return f;
    }

    figures play(const std::string& file, void (*check)() = nullptr)
    {
        recording run;
        std::string error;
        EXPECT_TRUE(load_recording(golden(file).c_str(), run, error))
            << error << " (after a change of the game's version, remake the golden runs with"
            << " build/make_golden data tests/golden: their .expected files must not change)";
        return play(run, check);
    }

    std::string write(const std::string& name, const std::string& bytes)
    {
        std::string path = folder + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
};

static figures expected(const std::string& name)
{
    std::ifstream in(golden(name + ".expected"));
    std::stringstream text;
    text << in.rdbuf();
    figures f;
    EXPECT_TRUE(from_text(text.str(), f)) << "cannot read " << name << ".expected";
    return f;
}

TEST_F(Replay, GoldenRunsPlayBackToTheirFiguresAndHashes)
{
    for (const char* name : {"glaive", "game_over", "long", "stages"}) {
        figures want = expected(name);
        figures got = play(std::string(name) + ".zrec");
        EXPECT_EQ(first_difference(want, got), "") << name;
    }
    // What each run is there to cover, so that remade golden runs still do.
    figures glaive = expected("glaive");
    EXPECT_GE(glaive.r_stage, 1);
    EXPECT_TRUE(glaive.boss_stage);
    EXPECT_GE(expected("long").passes, 20000);
    // The game-over run: the run entered the table at the game over (in
    // memory: a replay writes no score file), and the game clock restarted
    // (a new game) after the 25 title passes.
    play("game_over.zrec", [] {
        EXPECT_GT(highscore[0], 0);
        EXPECT_FALSE(read_scores(save_path(SCORE_FILE).c_str()));
        EXPECT_LT(loop_num, expected("game_over").passes - 25 - 100);
    });
}

// How a recorded session ends: Esc in the game, or the close button in the
// game or during the slide-in (the close button is no recorded input). A
// pause for the lost focus on the way leaves no trace in the recording.
static int quit_way;

TEST_F(Replay, ARecordedSessionPlaysBackTwiceToTheStateItLeft)
{
    for (quit_way = 0; quit_way < 3; quit_way++) {
        SCOPED_TRACE(quit_way);
        // Record a session through the keyboard, as zelto --record does.
        std::string path = folder + "/session.rec";
        save_dir = folder;
        // The table at start-up goes into the recording: the replays, with
        // no score file, still end with it in their state.
        write(SCORE_FILE, "90\n70\n30\n5\n1\n");
        ASSERT_EQ(startup_headless(4242), 0);
        ASSERT_TRUE(start_runs(RUN_RECORD, path.c_str()));
        static int slide_passes;
        slide_passes = 0;
        after_pass = [] {
            // Fire, weave, and quit after 900 game passes.
            key[KEY_Z] = -1;
            key[KEY_LEFT] = loop_num % 90 < 45 ? -1 : 0;
            key[KEY_RIGHT] = loop_num % 90 >= 45 ? -1 : 0;
            key[KEY_UP] = loop_num % 7 == 0 ? -1 : 0;
            if (quit_way == 0)
                key[KEY_ESC] = loop_num >= 900 ? -1 : 0;
            else if (quit_way == 1 && loop_num == 900)
                quit();
            else if (quit_way == 2 && loop_num == 0 && ++slide_passes == 7)
                quit();
            if (loop_num == 300)
                focus_lost();  // the player looks away: the run pauses
        };
        title_loop();
        slide_in();
        // The game loop, with P pressed after 50 passes of the focus pause:
        // the pause is no part of the recorded run.
        int away = 0;
        while (!end_game) {
            game_loop_pass();
            key[KEY_P] = paused && ++away == 50 ? -1 : 0;
        }
        EXPECT_EQ(away, quit_way < 2 ? 50 : 0);
        after_pass = nullptr;
        end_runs();
        unsigned long long left = state_hash();
        int score_left = score;
        shutdown();
        release_keys();

        recording run;
        std::string error;
        ASSERT_TRUE(load_recording(path.c_str(), run, error)) << error;
        EXPECT_EQ(run.seed, 4242u);
        EXPECT_EQ(run.table[1], 70);
        figures first = play(run), second = play(run);
        EXPECT_EQ(first.hash, left);
        EXPECT_EQ(first.score, score_left);
        if (quit_way < 2) {
            EXPECT_GT(first.score, 0);
        }
        EXPECT_EQ(first_difference(first, second), "");
    }
}

// A recording holds the control flags of each pass, not the keys that made
// them: a run played with one set of keys plays back the same under another.
TEST_F(Replay, ARunRecordedWithOneBindingPlaysBackTheSameUnderAnother)
{
    struct game_keys_after {
        ~game_keys_after() { use_settings(settings()); }
    } restore;
    settings own;
    std::vector<std::string> notes;
    const std::string file = "[keys]\nleft = A\nright = D\nfire = SPACE\n";
    parse_settings("zelto.cfg", std::vector<unsigned char>(file.begin(), file.end()), own, notes);
    ASSERT_TRUE(notes.empty());
    use_settings(own);

    std::string path = folder + "/bound.rec";
    save_dir = folder;
    ASSERT_EQ(startup_headless(777), 0);
    ASSERT_TRUE(start_runs(RUN_RECORD, path.c_str()));
    after_pass = [] {
        key[KEY_SPACE] = -1;
        key[KEY_A] = loop_num % 80 < 40 ? -1 : 0;
        key[KEY_D] = loop_num % 80 >= 40 ? -1 : 0;
        key[KEY_ESC] = loop_num >= 700 ? -1 : 0;
    };
    title_loop();
    slide_in();
    game_loop();
    after_pass = nullptr;
    ASSERT_TRUE(end_runs());
    unsigned long long left = state_hash();
    int score_left = score;
    shutdown();
    release_keys();
    EXPECT_GT(score_left, 0);  // Space fired

    use_settings(settings());  // arrows and Z again
    recording run;
    std::string error;
    ASSERT_TRUE(load_recording(path.c_str(), run, error)) << error;
    figures back = play(run);
    EXPECT_EQ(back.hash, left);
    EXPECT_EQ(back.score, score_left);
}

// Menus opened on the title and during a pause are no part of the run: their
// passes are not recorded and change nothing, so the recording plays back
// to the state the session left, and Play begins the run as fire does.
TEST_F(Replay, MenusOnTheTitleAndThePauseLeaveTheRunAsItWouldBe)
{
    struct game_keys_after {
        ~game_keys_after() { use_settings(settings()); }
    } restore;
    std::string path = folder + "/menus.rec";
    save_dir = folder;
    ASSERT_EQ(startup_headless(99), 0);
    menu_settings(settings(), folder + "/zelto.cfg");
    ASSERT_TRUE(start_runs(RUN_RECORD, path.c_str()));
    // Keys by menu pass, while a menu is open: down to Options, in, Sound,
    // effects down a step, back twice (saved), up to Play and in.
    static int menu_passes;
    static void (*rest)(int) = pace_rest;
    menu_passes = 0;
    pace_rest = [](int ms) {
        if (menu_left == MENU_OPEN) {
            static const int SCRIPT[] = {0, KEY_DOWN, 0, KEY_ENTER, 0, KEY_ENTER, 0, KEY_DOWN, 0,
                                         KEY_LEFT, 0, KEY_ESC, 0, KEY_ESC, 0, KEY_UP, 0, KEY_ENTER};
            int n = menu_passes++ / 3;
            release_keys();
            if (!paused && n < int(sizeof SCRIPT / sizeof *SCRIPT))
                key[SCRIPT[n]] = SCRIPT[n] ? -1 : 0;
            if (paused && n == 40)
                key[KEY_X] = -1;  // the pause's menu: back to the game
        }
        rest(ms);
    };
    after_pass = [] {
        key[KEY_ENTER] = 0;
        key[KEY_X] = loop_num == 10 && menu_passes == 0 ? -1 : 0;  // the title's menu
        key[KEY_LEFT] = loop_num % 60 < 30 ? -1 : 0;
        key[KEY_P] = loop_num == 300 && !paused ? -1 : 0;
        key[KEY_ESC] = loop_num >= 600 ? -1 : 0;
    };
    title_loop();
    slide_in();
    game_loop();
    after_pass = nullptr;
    pace_rest = rest;
    ASSERT_TRUE(end_runs());
    EXPECT_GT(menu_passes, 60);
    EXPECT_EQ(effects_level, 90);
    unsigned long long left = state_hash();
    shutdown();
    release_keys();

    recording run;
    std::string error;
    ASSERT_TRUE(load_recording(path.c_str(), run, error)) << error;
    figures back = play(run);
    EXPECT_EQ(back.hash, left);
}

// A header as another game would write it: format, version, seed, run start, table.
static std::string header_of(int format, const std::string& version)
{
    std::string h = "ZELTOREC"s + char(format) + '\0' + char(version.size()) + version;
    return h + "\x2a\0\0\0"s + std::string(4 + 20 + (format >= 4 ? 4 : 0), '\0');
}

TEST_F(Replay, DamagedForeignAndOtherVersionsRecordingsAreRefusedWithAReason)
{
    const std::string ours = ZELTO_VERSION;
    const int table[5] = {0};
    std::vector<unsigned char> made = recording_header(42, 0, table);
    const std::string header(made.begin(), made.end());
    ASSERT_EQ(header, header_of(4, ours));
    std::string starts_late = header;
    starts_late[header.size() - 28] = 9;  // the run would begin at pass 9 of 5
    struct {
        const char* name;
        std::string bytes;
        std::vector<std::string> reasons;
    } cases[] = {
        {"foreign.rec", "\x89PNG\r\n\x1a\n and then some", {"not a Zelto Star! recording"}},
        {"short.rec", "ZELT", {"not a Zelto Star! recording"}},
        {"format2.rec", "ZELTOREC\2\0\x2a\0\0\0\x10\x10"s, {"older version", "format 2", ours}},
        {"older.rec", header_of(3, "0.9.0") + "\x10", {"recorded by Zelto Star! 0.9.0", "this is " + ours}},
        {"newer.rec", header_of(5, "2.0.0") + "\x10", {"Zelto Star! 2.0.0", "format 5", ours}},
        {"unnamed.rec", "ZELTOREC\7\0\0"s + std::string(60, 'x'), {"format 7", ours}},
        {"no_version.rec", "ZELTOREC\3\0\5" "1.1"s, {"cut short"}},
        {"cut.rec", header.substr(0, header.size() - 3), {"cut short"}},
        {"bad_byte.rec", header + "\x10\x10\x10\x10\x10\x90\x10"s, {"bad input byte at pass 5"}},
        {"starts_late.rec", starts_late + "\x10\x10\x10\x10\x10"s, {"damaged", "pass 9 of 5"}},
    };
    for (const auto& c : cases) {
        recording run;
        std::string error;
        std::string path = write(c.name, c.bytes);
        EXPECT_FALSE(load_recording(path.c_str(), run, error)) << c.name;
        for (const std::string& reason : c.reasons)
            EXPECT_NE(error.find(reason), std::string::npos) << c.name << ": " << error;
        EXPECT_NE(error.find(path), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << c.name << ": " << error;
        EXPECT_TRUE(run.passes.empty()) << c.name;
    }
    recording run;
    std::string error;
    EXPECT_FALSE(load_recording((folder + "/none.rec").c_str(), run, error));
    EXPECT_NE(error.find("none.rec"), std::string::npos) << error;
    // A named pipe with no writer is refused at once, not waited on.
    std::string pipe = folder + "/pipe.rec";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(load_recording(pipe.c_str(), run, error));
    EXPECT_NE(error.find("named pipe"), std::string::npos) << error;

    // The format before this one is still played (it keeps no hashes).
    ASSERT_TRUE(load_recording(write("format3.rec", header_of(3, ours) + "\x10\x10"s).c_str(), run, error)) << error;
    EXPECT_EQ(run.passes.size(), 2u);
    EXPECT_FALSE(run.whole);

    // A whole header and no passes is a valid, empty run.
    ASSERT_TRUE(load_recording(write("empty.rec", header).c_str(), run, error)) << error;
    EXPECT_EQ(run.seed, 42u);
    EXPECT_EQ(run.version, ours);
    EXPECT_TRUE(run.passes.empty());
}

// A session recorded through the keyboard, as the game records it: fire,
// weave, and Esc after `passes` game passes.
static int quit_after;
static void weave_then_quit()
{
    key[KEY_Z] = -1;
    key[KEY_LEFT] = loop_num % 90 < 45 ? -1 : 0;
    key[KEY_RIGHT] = loop_num % 90 >= 45 ? -1 : 0;
    key[KEY_ESC] = loop_num >= quit_after ? -1 : 0;
}

static std::string bytes_of(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// --verify's proof: a whole run of this version plays to every hash it keeps
// and to its end mark; a cut, damaged, foreign or changed one is named.
TEST_F(Replay, VerifyProvesAWholeRunAndNamesTheFirstPassThatDiffers)
{
    recording golden_run;
    std::string error;
    ASSERT_TRUE(load_recording(golden("glaive.zrec").c_str(), golden_run, error)) << error;
    ASSERT_EQ(startup_headless(golden_run.seed), 0);
    verdict g = verify_run(golden_run);
    shutdown();
    figures want = expected("glaive");
    EXPECT_TRUE(g.proved);
    EXPECT_EQ(g.passes, want.passes);
    EXPECT_EQ(g.score, want.score);
    EXPECT_EQ(g.hash, want.hash);

    std::string path = folder + "/run.zrec";
    save_dir = folder;
    ASSERT_EQ(startup_headless(515), 0);
    ASSERT_TRUE(start_runs(RUN_RECORD, path.c_str()));
    quit_after = 1100;
    after_pass = weave_then_quit;
    title_loop();
    slide_in();
    game_loop();
    after_pass = nullptr;
    ASSERT_TRUE(end_runs());
    unsigned long long left = state_hash();
    int score_left = score;
    shutdown();
    release_keys();

    auto check = [&](const std::string& bytes, const char* reason) {
        recording run;
        std::string why;
        std::string file = write("checked.zrec", bytes);
        if (!load_recording(file.c_str(), run, why))
            return why;
        EXPECT_EQ(startup_headless(run.seed), 0);
        verdict v = verify_run(run);
        shutdown();
        if (!reason) {
            EXPECT_TRUE(v.proved) << v.why;
            EXPECT_EQ(v.hash, left);
            EXPECT_EQ(v.score, score_left);
        }
        return v.proved ? std::string() : v.why;
    };
    const std::string whole = bytes_of(path);
    recording run;
    ASSERT_TRUE(load_recording(path.c_str(), run, error)) << error;
    ASSERT_TRUE(run.whole);
    ASSERT_GE(run.hashes.size(), 4u);
    EXPECT_EQ(check(whole, nullptr), "");

    const size_t body = whole.size() - END_BYTES - body_size(run.passes.size());
    EXPECT_EQ(run.end_score, score_left);
    std::string cut = whole.substr(0, whole.size() - 40);
    EXPECT_NE(check(cut, "cut").find("cut short"), std::string::npos);
    std::string flipped = whole;
    flipped[body + body_size(300)] ^= 0x80;
    EXPECT_NE(check(flipped, "damaged").find("bad input byte at pass 300"), std::string::npos);
    std::string other = whole;
    other[12] = '9';  // the version's first digit after its length
    EXPECT_NE(check(other, "version").find("this is " ZELTO_VERSION), std::string::npos);
    // Fire let go for a stretch after the hash at pass 500: the hash at 750 tells.
    std::string changed = whole;
    for (size_t p = 560; p < 600; p++)
        changed[body + body_size(p)] &= ~16;
    EXPECT_NE(check(changed, "changed").find("by pass 750"), std::string::npos);
}

// Practice at each boss: the boss enters on the first game pass, a new run's
// ship, lives and score; the run is kept as a practice replay that plays to
// the same hash, and the score table stays as it was.
TEST_F(Replay, PracticeStartsAtEachBossRecordsAndLeavesTheTableAlone)
{
    struct no_practice_after {
        ~no_practice_after() { practice_at = 0; }
    } restore;
    for (int at : {1, 4, 8, 12}) {
        SCOPED_TRACE(at);
        std::string rm = "rm -rf '" + folder + "/replays'";
        ASSERT_EQ(system(rm.c_str()), 0);
        save_dir = folder;
        write(SCORE_FILE, "90\n70\n30\n5\n1\n");
        ASSERT_EQ(startup_headless(600 + at), 0);
        practice_at = at;
        ASSERT_TRUE(start_runs(RUN_KEEP));
        static bool entered;
        static int wanted;
        entered = false;
        wanted = at;
        quit_after = 700;
        after_pass = [] {
            if (loop_num == 1 && r_stage == wanted)
                entered = boss_stage && boss.type == wanted / 4 && lives == 2 && score == 0 &&
                          abs(player.y - 240) < 20;
            weave_then_quit();
        };
        title_loop();
        slide_in();
        game_loop();
        after_pass = nullptr;
        ASSERT_TRUE(end_runs());
        unsigned long long left = state_hash();
        EXPECT_TRUE(entered);
        EXPECT_EQ(highscore[0], 90);
        shutdown();
        release_keys();
        practice_at = 0;
        EXPECT_EQ(bytes_of(folder + "/" + SCORE_FILE), "90\n70\n30\n5\n1\n");

        std::string list = bytes_of(folder + "/replays/.kept");
        std::string name = "practice_"s + practice_name(at) + "_";
        ASSERT_EQ(list.compare(0, name.size(), name), 0) << list;
        recording run;
        std::string error;
        std::string file = folder + "/replays/" + list.substr(0, list.find('\n'));
        ASSERT_TRUE(load_recording(file.c_str(), run, error)) << error;
        EXPECT_EQ(run.practice, at);
        ASSERT_EQ(startup_headless(run.seed), 0);
        verdict v = verify_run(run);
        shutdown();
        EXPECT_TRUE(v.proved) << v.why;
        EXPECT_EQ(v.hash, left);
    }
}
