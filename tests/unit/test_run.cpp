// Whole runs of real game passes with no input: the opening wave, stage
// clears and boss stages with their songs, game over, the score file and
// new games.
#include "harness.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

using Playthrough = Headless;
using songs = std::vector<const song*>;

songs started_since(size_t mark)
{
    songs s;
    for (size_t i = mark; i < music_log.size(); i++)
        if (music_log[i].kind == music_event::PLAY)
            s.push_back(music_log[i].which);
    return s;
}

bool stage_clear_now()
{
    return e_left <= 0 && enemy.empty() && !boss_stage;
}

// Passes until the cleared stage shows (at most `limit`).
void play_until_clear(int limit)
{
    for (int i = 0; i < limit && !stage_clear_now(); i++)
        game_pass();
    ASSERT_TRUE(stage_clear_now());
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(Playthrough, OpeningWaveClearsAndEachStageStartsItsSong)
{
    hold(KEY_Z);
    title_loop();
    EXPECT_TRUE(music_log.empty());  // the title is silent
    slide_in();
    let_go(KEY_Z);
    EXPECT_EQ(started_since(0), songs{combat});

    // A ship that never moves is worn down well before the wave is over;
    // enough spare ships let the whole wave play out.
    lives = 99;
    std::vector<int> spawn_ticks;
    for (int i = 0; i < 3000 && !stage_clear_now(); i++) {
        int before = e_left, tick = loop_num;
        game_pass();
        if (e_left == before - 1)
            spawn_ticks.push_back(tick);
    }
    ASSERT_EQ(spawn_ticks.size(), 62u);
    for (size_t i = 0; i < spawn_ticks.size(); i++)
        EXPECT_EQ(spawn_ticks[i], int(26 * i));
    ASSERT_TRUE(stage_clear_now());
    EXPECT_EQ(started_since(0), (songs{combat, stage_clear}));

    size_t mark = music_log.size();
    passes(300);  // a long pause: the song is not started again
    EXPECT_EQ(music_log.size(), mark);

    for (int boss_fight = 0; boss_fight < 2; boss_fight++) {
        SCOPED_TRACE(boss_fight);
        mark = music_log.size();
        hold(KEY_X);
        game_pass();
        let_go(KEY_X);
        ASSERT_TRUE(boss_stage);
        ASSERT_EQ(music_log.size(), mark + 3);
        EXPECT_EQ(music_log[mark].kind, music_event::STOP_ALL);
        EXPECT_EQ(started_since(mark), songs{drama});

        passes(80);
        boss.body.hp = 0;
        game_pass();
        ASSERT_FALSE(boss_stage);
        play_until_clear(2000);
        passes(200);
        EXPECT_EQ(started_since(mark), (songs{drama, stage_clear}));
    }

    // The run ends under the boss song, which plays on; a new game brings combat back.
    hold(KEY_X);
    game_pass();
    let_go(KEY_X);
    lives = 0;
    mark = music_log.size();
    for (int i = 0; i < 20000 && !saved; i++)
        game_pass();
    ASSERT_TRUE(saved);
    passes(100);
    EXPECT_EQ(music_log.size(), mark);
    hold(KEY_X);
    game_pass();
    let_go(KEY_X);
    ASSERT_EQ(music_log.size(), mark + 3);
    EXPECT_EQ(music_log[mark].kind, music_event::STOP_ALL);
    EXPECT_EQ(started_since(mark), songs{combat});

    // Every song started was given its full volume at once.
    for (size_t i = 0; i < music_log.size(); i++)
        if (music_log[i].kind == music_event::PLAY) {
            ASSERT_LT(i + 1, music_log.size());
            EXPECT_EQ(music_log[i + 1].kind, music_event::VOLUME);
            EXPECT_EQ(music_log[i + 1].which, music_log[i].which);
        }

    // Esc: the pass ends, then shutdown stops the music before freeing the songs.
    passes(50);
    hold(KEY_ESC);
    game_loop();
    mark = music_log.size();
    shutdown();
    ASSERT_GT(music_log.size(), mark);
    EXPECT_EQ(music_log[mark].kind, music_event::STOP_ALL);
    int freed = 0;
    for (size_t i = mark; i < music_log.size(); i++) {
        freed += music_log[i].kind == music_event::FREE;
        EXPECT_NE(music_log[i].kind, music_event::PLAY);
    }
    EXPECT_EQ(freed, 3);
}

TEST_F(Playthrough, AStillShipIsHitUntilGameOverAndEachRunIsRecordedOnce)
{
    const std::string file = folder + "/" + SCORE_FILE;
    const int run_scores[2] = {40, 25};
    start_game();
    for (int run = 0; run < 2; run++) {
        SCOPED_TRACE(run);
        // No shots, no gems: give each run a score of its own to record.
        score = run_scores[run];
        std::vector<int> lives_when_hit;
        bool saved_on_last_hit = false;
        for (int i = 0; i < 20000 && !saved; i++) {
            size_t heard = sounds.size();
            game_pass();
            for (size_t k = heard; k < sounds.size(); k++)
                if (sounds[k].sample == boom && sounds[k].volume == 200) {
                    lives_when_hit.push_back(lives);
                    saved_on_last_hit = saved;
                }
        }
        ASSERT_TRUE(saved);
        EXPECT_EQ(lives_when_hit, (std::vector<int>{2, 1, 0}));
        EXPECT_TRUE(saved_on_last_hit);  // recorded on the pass of the last hit
        EXPECT_EQ(read_file(file), run == 0 ? "40\n0\n0\n0\n0\n" : "40\n25\n0\n0\n0\n");

        // Game over holds: no more hits, no second record, enemies keep coming.
        ASSERT_EQ(remove(file.c_str()), 0);
        size_t heard = sounds.size();
        for (int i = 0; i < 300; i++) {
            game_pass();
            ASSERT_LE(loop_num - 1 - last_hit, 59);
            ASSERT_EQ(e_left, 2);
        }
        for (size_t k = heard; k < sounds.size(); k++)
            EXPECT_FALSE(sounds[k].sample == boom && sounds[k].volume == 200);
        EXPECT_FALSE(std::ifstream(file).good());
        EXPECT_EQ(highscore[0], 40);
        EXPECT_EQ(highscore[1], run == 0 ? 0 : 25);
        EXPECT_EQ(highscore[2], 0);

        hold(KEY_X);
        game_pass();
        let_go(KEY_X);
        EXPECT_EQ(lives, 2);
        EXPECT_EQ(score, 0);
        EXPECT_EQ(e_left, 62);
        EXPECT_EQ(r_stage, 0);
        EXPECT_EQ(stage, -3);
        EXPECT_EQ(loop_num, 1);
        EXPECT_EQ(last_hit, -60);
        EXPECT_FALSE(boss_stage);
        EXPECT_FALSE(saved);
        EXPECT_TRUE(enemy.empty() && eshot.empty() && spark.empty() && bonus.empty());
    }
}

}  // namespace
