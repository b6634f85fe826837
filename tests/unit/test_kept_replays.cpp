// Replays kept for the player: last.zrec and a file for each run in the
// high-score table, runs of one session each in their own file, the table's
// ties, write failures that leave the game going, and watching a run to the
// same state as the headless replay, with nothing written.
#include "harness.h"
#include "shell/runs/replays.h"
#include "shell/theatre.h"

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Fires and weaves until the run is over: the ship is worn down within
// about a thousand passes, having shot a few dozen gems' worth. Without
// fire the score stays as it is.
void play_to_game_over(bool fire = true)
{
    for (int i = 0; i < 20000 && !saved; i++) {
        key[KEY_Z] = fire ? -1 : 0;
        key[KEY_LEFT] = fire && loop_num % 90 < 45 ? -1 : 0;
        key[KEY_RIGHT] = fire && loop_num % 90 >= 45 ? -1 : 0;
        game_pass();
    }
    key[KEY_Z] = key[KEY_LEFT] = key[KEY_RIGHT] = 0;
    ASSERT_TRUE(saved);
}

void one_pass_holding(int scancode)
{
    key[scancode] = -1;
    game_pass();
    key[scancode] = 0;
}

class KeptReplays : public Headless {
protected:
    std::string replays;  // the replays folder beside the score file

    void SetUp() override
    {
        Headless::SetUp();
        replays = folder + "/" + REPLAY_FOLDER;
    }
    void TearDown() override
    {
        end_runs();
        replay_write_fails = nullptr;
        Headless::TearDown();
    }

    // The names in replays/, sorted.
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        if (DIR* d = opendir(replays.c_str())) {
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.')
                    names.push_back(e->d_name);
            closedir(d);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The kept file of this score (the only one expected).
    std::string kept_with(int s) const
    {
        char prefix[16];
        snprintf(prefix, sizeof prefix, "%05d_", s);
        std::string found;
        for (const std::string& n : files())
            if (n.compare(0, 6, prefix) == 0) {
                EXPECT_TRUE(found.empty()) << "two files for " << s << ": " << found << ", " << n;
                found = n;
            }
        return found;
    }

    recording load(const std::string& name) const
    {
        recording run;
        std::string error;
        EXPECT_TRUE(load_recording((replays + "/" + name).c_str(), run, error)) << error;
        return run;
    }

    // Ends the session with Esc, as a player quitting at the game-over screen.
    static void quit_game()
    {
        one_pass_holding(KEY_ESC);
        end_runs();
    }

    // Plays a file headless from a fresh start (build/replay's way).
    void replay_headless(const recording& run)
    {
        shutdown();
        ASSERT_EQ(startup_headless(run.seed), 0);
        replay(run);
    }
};

TEST_F(KeptReplays, AHighScoreRunLeavesItsReplayBesideLastAndItPlaysBackToThatRun)
{
    start_runs(RUN_KEEP);
    start_game();
    EXPECT_EQ(files(), std::vector<std::string>{LAST_REPLAY});  // written once the slide-in is over
    play_to_game_over();
    const int s = score;
    ASSERT_GT(s, 0);
    std::string kept = kept_with(s);
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(files().size(), 2u);
    // 00057_2026-12-08_04-50-12.zrec
    EXPECT_EQ(kept.size(), std::string("00057_2026-12-08_04-50-12.zrec").size()) << kept;
    EXPECT_EQ(read_file(folder + "/" + SCORE_FILE).substr(0, std::to_string(s).size() + 1),
              std::to_string(s) + "\n");

    passes(80);  // the game-over screen is part of the run
    quit_game();
    unsigned long long left = state_hash();
    int clock = loop_num;

    recording run = load(kept);
    EXPECT_EQ(run.version, ZELTO_VERSION);
    EXPECT_EQ(run.run_start, 0u);
    EXPECT_EQ(run.seed, 12345u);
    EXPECT_EQ(read_file(replays + "/" + kept), read_file(replays + "/" + LAST_REPLAY));
    replay_headless(run);
    EXPECT_EQ(score, s);
    EXPECT_EQ(loop_num, clock);
    EXPECT_EQ(state_hash(), left);
}

TEST_F(KeptReplays, TwoRunsWithoutLeavingTheGameEachGetTheirOwnFile)
{
    start_runs(RUN_KEEP);
    start_game();
    play_to_game_over();
    const int first = score;
    passes(40);
    // What the first run left on the pass before the X that began the next.
    const int first_clock = loop_num;
    const unsigned long long first_rnd = rnd_state();
    one_pass_holding(KEY_X);
    ASSERT_EQ(score, 0);

    play_to_game_over(true);
    const int second = score;
    passes(40);
    quit_game();
    const unsigned long long left = state_hash();
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);

    std::vector<std::string> names = files();
    ASSERT_EQ(names.size(), 3u);
    ASSERT_EQ(names[2], LAST_REPLAY);
    recording one = load(names[0]), two = load(names[1]);
    if (one.run_start > two.run_start) {
        std::swap(one, two);
        std::swap(names[0], names[1]);
    }
    EXPECT_EQ(one.run_start, 0u);
    // Title, slide-in, the first run's game passes, the X.
    EXPECT_EQ(two.run_start, unsigned(25 + 19 + first_clock + 1));
    // The second file holds the first run too, which leads up to its own.
    ASSERT_GT(two.passes.size(), one.passes.size());
    for (size_t i = 0; i < one.passes.size(); i++)
        ASSERT_EQ(pack_input(one.passes[i]), pack_input(two.passes[i])) << "pass " << i;
    EXPECT_EQ(one.passes.size() + 1, two.run_start);  // the X pass is in neither run
    EXPECT_EQ(read_file(replays + "/" + LAST_REPLAY), read_file(replays + "/" + names[1]));

    replay_headless(one);
    EXPECT_EQ(score, first);
    EXPECT_EQ(loop_num, first_clock);
    EXPECT_EQ(rnd_state(), first_rnd);
    replay_headless(two);
    EXPECT_EQ(score, second);
    EXPECT_EQ(state_hash(), left);
}

TEST_F(KeptReplays, OnlyTheRunsInTheTableKeepTheirFilesTiesRankingTheNewerFirst)
{
    // A table and the files of its runs from an earlier day, and files that
    // are not kept replays.
    write_file(folder + "/" + SCORE_FILE, "50\n40\n30\n20\n10\n");
    ASSERT_TRUE(read_scores(save_path(SCORE_FILE).c_str()));
    ASSERT_EQ(mkdir(replays.c_str(), 0755), 0);
    std::string list;
    for (const char* s : {"00050", "00040", "00030", "00020", "00010"}) {
        write_file(replays + "/" + s + "_2020-01-01_10-00-00.zrec", "old");
        list += std::string(s) + "_2020-01-01_10-00-00.zrec\n";
    }
    write_file(replays + "/" + KEPT_LIST, list);  // the game wrote those
    // The player's own, named like kept replays or not, and a folder: the
    // clean-up never touches them.
    const std::vector<std::string> others = {"00010_the_best.zrec", "last.zrec.Q1w2e3", "notes.txt",
                                             "10_2020-01-01_10-00-00.zrec.bak",
                                             "00010_2020-01-01_10-00-01.zrec",
                                             "00005_2020-01-01_10-00-01.zrec"};
    for (const std::string& o : others)
        write_file(replays + "/" + o, "mine");
    ASSERT_EQ(mkdir((replays + "/00001_2020-01-01_10-00-02.zrec").c_str(), 0755), 0);

    start_runs(RUN_KEEP);
    start_game();
    // Still runs, each given its score by hand: no shots, no gems.
    const int scores[] = {35, 20, 40, 5};
    for (int run = 0; run < 4; run++) {
        SCOPED_TRACE(run);
        if (run > 0)
            one_pass_holding(KEY_X);
        score = scores[run];
        play_to_game_over(false);
        std::vector<std::string> names = files();
        for (const std::string& o : others)
            EXPECT_TRUE(std::count(names.begin(), names.end(), o)) << o;
        EXPECT_TRUE(keeping_replays());
        names.erase(std::remove_if(names.begin(), names.end(),
                                   [&](const std::string& n) {
                                       return std::count(others.begin(), others.end(), n) ||
                                              n == LAST_REPLAY || n.compare(0, 5, "00001") == 0;
                                   }),
                    names.end());
        std::vector<std::string> prefixes;
        for (const std::string& n : names)
            prefixes.push_back(n.substr(0, 5) + (n.compare(6, 4, "2020") == 0 ? " old" : " new"));
        std::sort(prefixes.begin(), prefixes.end());
        std::vector<std::string> want;
        switch (run) {
        case 0:  // better than the lowest: 10 drops out
            want = {"00020 old", "00030 old", "00035 new", "00040 old", "00050 old"};
            break;
        case 1:  // equal to the lowest: it takes that place
            want = {"00020 new", "00030 old", "00035 new", "00040 old", "00050 old"};
            break;
        case 2:  // equal to an entry above: ranks above it, the lowest drops out
        case 3:  // not in the table: nothing changes
            want = {"00030 old", "00035 new", "00040 new", "00040 old", "00050 old"};
            break;
        }
        EXPECT_EQ(prefixes, want);
    }
    EXPECT_EQ(highscore[4], 30);

    // A table that is no table says nothing about which runs are the best:
    // it is set aside, and every file stays, the game's own too.
    const std::vector<std::string> before = files();
    write_file(folder + "/" + SCORE_FILE, "ninety eighty\n");
    one_pass_holding(KEY_X);
    score = 60;
    testing::internal::CaptureStderr();
    play_to_game_over(false);
    testing::internal::GetCapturedStderr();
    std::vector<std::string> after = files();
    for (const std::string& n : before)
        EXPECT_TRUE(std::count(after.begin(), after.end(), n)) << n;
    EXPECT_EQ(after.size(), before.size() + 1);  // the new run's own
    EXPECT_EQ(read_file(folder + "/" + SCORE_FILE + ".damaged"), "ninety eighty\n");
}

TEST_F(KeptReplays, LastRunIsReplacedOnlyOnceTheNewRunHasPassedItsSlideIn)
{
    ASSERT_EQ(mkdir(replays.c_str(), 0755), 0);
    const std::string before = "ZELTOREC: the run before";  // only a recording is replaced
    write_file(replays + "/" + LAST_REPLAY, before);
    for (int quit_in = 0; quit_in < 2; quit_in++) {
        // Quit at the title, then during the slide-in.
        start_runs(RUN_KEEP);
        hold(KEY_Z);
        title_loop();
        if (quit_in == 0) {
            end_game = true;
        } else {
            after_pass = [] { quit(); };
        }
        slide_in();
        after_pass = nullptr;
        release_all();
        end_runs();
        EXPECT_EQ(read_file(replays + "/" + LAST_REPLAY), before) << quit_in;
        EXPECT_EQ(files(), std::vector<std::string>{LAST_REPLAY});  // no temporary file left
        shutdown();
        ASSERT_EQ(startup_headless(12345), 0);
    }
    start_runs(RUN_KEEP);
    start_game();
    EXPECT_EQ(load(LAST_REPLAY).passes.size(), 25u + 19u);  // title and slide-in, at once
    passes(60);
    end_runs();
    EXPECT_EQ(load(LAST_REPLAY).passes.size(), 25u + 19u + 60u);

    // A link the player put in its place is no run of the game's: left, and said.
    shutdown();
    ASSERT_EQ(startup_headless(12345), 0);
    const std::string mine = folder + "/notes.txt";
    write_file(mine, "the player's own");
    ASSERT_EQ(unlink((replays + "/" + LAST_REPLAY).c_str()), 0);
    ASSERT_EQ(symlink(mine.c_str(), (replays + "/" + LAST_REPLAY).c_str()), 0);
    testing::internal::CaptureStderr();
    start_runs(RUN_KEEP);
    start_game();
    end_runs();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("a symbolic link"), std::string::npos);
    EXPECT_EQ(read_file(mine), "the player's own");
}

TEST_F(KeptReplays, AFailedWriteSaysOneLineAndTheGameGoesOnWithItsTable)
{
    // Each way replays can fail to be written: the folder's place taken by
    // a file; a read-only folder; the disk filling up in the middle of a
    // run (after the first writes succeeded).
    static int writes_allowed;
    for (int way = 0; way < 3; way++) {
        SCOPED_TRACE(way);
        std::string rm = "rm -rf '" + replays + "' '" + folder + "/" + SCORE_FILE + "'";
        ASSERT_EQ(system(rm.c_str()), 0);
        if (way == 0) {
            write_file(replays, "a file");
        } else {
            ASSERT_EQ(mkdir(replays.c_str(), 0755), 0);
            writes_allowed = way == 1 ? 0 : 3 + 2;  // last.zrec made, two flushes
            replay_write_fails = [](const std::string&) { return writes_allowed-- <= 0; };
        }
        testing::internal::CaptureStderr();
        start_runs(RUN_KEEP);
        start_game();
        play_to_game_over();
        passes(100);
        one_pass_holding(KEY_X);
        play_to_game_over();
        quit_game();
        std::string said = testing::internal::GetCapturedStderr();
        replay_write_fails = nullptr;

        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_EQ(said.compare(0, 7, "zelto: "), 0) << said;
        EXPECT_NE(said.find(way == 0 ? "replays: its place is taken by" : "replays/"), std::string::npos)
            << said;
        EXPECT_FALSE(keeping_replays());
        // Both runs were played to their end and the table was written.
        EXPECT_GT(loop_num, 500);
        EXPECT_EQ(read_file(folder + "/" + SCORE_FILE), [] {
            std::string t;
            for (int h : highscore)
                t += std::to_string(h) + "\n";
            return t;
        }());
        EXPECT_GT(highscore[1], 0);
        if (way == 1) {
            EXPECT_TRUE(files().empty());
        }
        if (way == 2) {
            // What was written stays a readable recording of the run's start.
            EXPECT_EQ(files(), std::vector<std::string>{LAST_REPLAY});
            EXPECT_EQ(load(LAST_REPLAY).passes.size(), 25u + 19u + 25u * 2);
        }
        shutdown();
        ASSERT_EQ(startup_headless(12345), 0);
    }
}

// ---- Watching ----------------------------------------------------------------------

class Watching : public KeptReplays {
protected:
    // A two-run session, kept; returns the second run's file.
    recording second_run()
    {
        // A table at start-up that the file carries, whatever the score file says later.
        write_file(folder + "/" + SCORE_FILE, "500\n400\n300\n200\n100\n");
        EXPECT_TRUE(read_scores(save_path(SCORE_FILE).c_str()));
        start_runs(RUN_KEEP);
        start_game();
        play_to_game_over();
        passes(30);
        one_pass_holding(KEY_X);
        play_to_game_over();
        passes(30);
        quit_game();
        recording run = load(LAST_REPLAY);
        EXPECT_GT(run.run_start, 0u);
        EXPECT_EQ(run.table[4], 100);
        return run;
    }

    unsigned long long replayed_hash(const recording& run)
    {
        replay_headless(run);
        return state_hash();
    }
};

// What the watched passes did, pass by pass.
static int watched_passes, shown, silent, heard_while_silent;

static void count_pass()
{
    watched_passes++;
    shown += pass_shown;
    if (!sounds_heard) {
        silent++;
        heard_while_silent += !sounds.empty();
    }
}

TEST_F(Watching, TheRunPlaysToTheSameStateAsTheReplayerRunningAheadUnseenAndUnheard)
{
    recording run = second_run();
    const unsigned long long want = replayed_hash(run);
    const std::vector<std::string> kept = files();
    // Not the table the run began with: the watch must start from its own.
    write_file(folder + "/" + SCORE_FILE, "9\n");

    for (int fast = 0; fast < 2; fast++) {
        SCOPED_TRACE(fast);
        shutdown();
        ASSERT_EQ(startup_headless(777), 0);  // another seed: the watch sets its own
        watched_passes = shown = silent = heard_while_silent = 0;
        sounds.clear();
        after_pass = count_pass;
        key[KEY_F] = fast ? -1 : 0;
        watched_run w = play_watched(run);
        after_pass = nullptr;
        release_all();

        EXPECT_TRUE(w.ended);
        EXPECT_EQ(w.passes, int(run.passes.size()));
        EXPECT_EQ(w.hash, want);
        EXPECT_EQ(state_hash(), want);
        // The passes before the run are found ahead, unwatched; only those
        // after the last world kept before it are played again, unseen.
        EXPECT_EQ(watched_passes - silent, int(run.passes.size() - run.run_start));
        EXPECT_LE(silent, MARK_EVERY);
        EXPECT_EQ(heard_while_silent, 0);
        EXPECT_FALSE(sounds.empty());  // the run itself is heard
        int run_passes = int(run.passes.size() - run.run_start);
        EXPECT_EQ(shown, fast ? run_passes / FAST_PASSES : run_passes);
        EXPECT_TRUE(pass_shown && sounds_heard);  // the game's way again afterwards
    }
    // Watching writes neither the table nor any replay.
    EXPECT_EQ(read_file(folder + "/" + SCORE_FILE), "9\n");
    EXPECT_EQ(files(), kept);
    EXPECT_TRUE(scores_written);
}

static std::vector<int> frame_now()
{
    std::vector<int> f;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            f.push_back(getpixel(buffer, x, y));
    return f;
}

// A seek back or ahead reaches the frame and state that watching on from the
// start reaches; a step goes exactly one pass; the input display shows the
// input the file holds for the pass.
TEST_F(Watching, ASeekShowsWhatWatchingFromTheStartShowsAndAStepGoesOnePass)
{
    recording run = second_run();
    shutdown();
    ASSERT_EQ(startup_headless(1), 0);
    ASSERT_TRUE(prepare_watch(run));
    ASSERT_EQ(watch_end(), run.passes.size());
    const size_t at = std::min(watch_start() + 700, watch_end() - 2);
    seek_watch(watch_start());
    while (recorded_passes_read() < at)
        step_watch();
    const std::vector<int> watched = frame_now();
    const unsigned long long hash = state_hash();

    seek_watch(watch_end() - 1);
    seek_watch(at);
    EXPECT_EQ(recorded_passes_read(), at);
    EXPECT_EQ(state_hash(), hash);
    EXPECT_TRUE(frame_now() == watched);

    step_watch();
    EXPECT_EQ(recorded_passes_read(), at + 1);
    const std::vector<int> stepped = frame_now();
    EXPECT_FALSE(stepped == watched);
    seek_watch(at + 1);
    EXPECT_TRUE(frame_now() == stepped);

    // Up, left, down, right, fire: lit as the file's byte for the pass says.
    const control c = run.passes[at].flags;
    BITMAP* over = create_bitmap(640, 480);
    clear_to_color(over, 0);
    draw_watch_overlay(over, false, true);
    const bool held[5] = {c.up, c.left, c.down, c.right, c.fire};
    const int col[5] = {1, 0, 1, 2, 4}, row[5] = {0, 1, 1, 1, 1};
    for (int i = 0; i < 5; i++) {
        int x = INPUT_X + col[i] * (INPUT_BOX + 2) + INPUT_BOX / 2;
        int y = INPUT_Y + row[i] * (INPUT_BOX + 2) + INPUT_BOX / 2;
        EXPECT_EQ(getpixel(over, x, y) != 0, held[i]) << i;
    }
    EXPECT_TRUE(c.fire);
    destroy_bitmap(over);
    finish_watch();
}

// The theatre's list: kept runs best first, then the last run; another
// version's run listed but refused with its reason; and a run watched from
// the title puts the session's world back as it was.
TEST_F(Watching, TheListRanksTheKeptRunsAndAWatchFromTheTitleLeavesTheSessionAlone)
{
    recording run = second_run();
    const std::string dir = folder + "/" + REPLAY_FOLDER + "/";
    write_file(dir + "00057_2026-12-08_04-50-12.zrec", read_file(dir + LAST_REPLAY));
    write_file(dir + "00099_2026-12-09_10-00-00.zrec",
               std::string("ZELTOREC\4\0\x05" "0.9.0", 16) + std::string(40, '\0'));
    write_file(dir + "mine.zrec", read_file(dir + LAST_REPLAY));  // the player's own: not listed
    std::vector<listed_run> list = list_replays();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].score, 99);
    EXPECT_FALSE(list[0].playable);
    EXPECT_NE(list[0].why.find("0.9.0"), std::string::npos) << list[0].why;
    EXPECT_EQ(list[0].when, "2026-12-09 10:00");
    EXPECT_TRUE(list[1].playable);
    EXPECT_EQ(list[1].path, dir + "00057_2026-12-08_04-50-12.zrec");
    EXPECT_EQ(list[2].path, dir + LAST_REPLAY);
    EXPECT_EQ(list[2].score, run.end_score);
    EXPECT_EQ(list[2].seconds, int((run.passes.size() - run.run_start) * PASS_TICKS / 1000));

    shutdown();
    ASSERT_EQ(startup_headless(31), 0);
    start_runs(RUN_KEEP);
    for (int i = 0; i < 40; i++)
        title_pass();
    const unsigned long long before = state_hash();
    const std::vector<std::string> files_before = files();
    const std::string last_before = read_file(dir + LAST_REPLAY);
    hold_world();
    watched_run w = play_watched(run);
    give_world_back();
    runs_mode = RUN_KEEP;
    EXPECT_TRUE(w.ended);
    EXPECT_EQ(state_hash(), before);
    // The watched run's passes are none of the session's: no file begun or replaced.
    EXPECT_EQ(files(), files_before);
    EXPECT_EQ(read_file(dir + LAST_REPLAY), last_before);
    end_runs();
}

static unsigned leave_at;  // Esc is held from this pass on
static void (*game_rest)(int);

TEST_F(Watching, EscLeavesBeforeTheEndAndTheEndScreenSavesTheFrameUnmarked)
{
    recording run = second_run();
    shutdown();
    ASSERT_EQ(startup_headless(1), 0);
    leave_at = run.run_start + 200;
    after_pass = [] {
        if (recorded_passes_read() == leave_at)
            key[KEY_ESC] = -1;
    };
    watched_run w = play_watched(run);
    after_pass = nullptr;
    release_all();
    EXPECT_FALSE(w.ended);
    EXPECT_EQ(w.passes, int(leave_at) + 1);  // the pass that saw Esc runs to its end

    // The end screen with Tab held: the screenshot is the frame without the
    // words over it. X, pressed while it shows, leaves it.
    hold(KEY_X);  // held from before: does not count
    hold(KEY_TAB);
    game_rest = pace_rest;
    pace_rest = [](int ms) {
        game_rest(ms);
        static int waits;
        if (++waits == 3)
            key[KEY_X] = 0;
        if (waits == 6)
            key[KEY_X] = -1;
    };
    std::vector<int> frame;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            frame.push_back(getpixel(buffer, x, y));
    end_of_replay(w);
    pace_rest = game_rest;
    release_all();
    BITMAP* shot = load_bmp((folder + "/zelto_screen.bmp").c_str(), nullptr);
    ASSERT_NE(shot, nullptr);
    std::vector<int> saved_frame;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            saved_frame.push_back(getpixel(shot, x, y));
    destroy_bitmap(shot);
    EXPECT_TRUE(saved_frame == frame);
    EXPECT_FALSE(end_game);

    // A recording whose own input quits before its last pass ends there, as
    // the headless replay does, with the hash of that pass.
    const size_t quit_at = run.run_start + 100;
    pass_input in = run.passes[quit_at];
    in.esc = true;
    run.passes.bytes[quit_at] = pack_input(in);
    w = play_watched(run);
    EXPECT_TRUE(w.ended);
    EXPECT_EQ(w.passes, int(quit_at) + 1);
    shutdown();
    ASSERT_EQ(startup_headless(run.seed), 0);
    EXPECT_EQ(replay(run), int(quit_at) + 1);
    EXPECT_EQ(w.hash, state_hash());
}

}  // namespace
