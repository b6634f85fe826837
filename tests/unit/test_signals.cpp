// Quit signals: the first asks the game to quit as Esc does and lets the
// pass in hand finish; a second one ends the program at once.
#include "harness.h"
#include "shell/machine/signals.h"

#include <csignal>

class Signals : public Headless {
protected:
    void TearDown() override
    {
        quit_signal = 0;
        for (int n : {SIGINT, SIGTERM, SIGHUP})
            signal(n, SIG_DFL);
        Headless::TearDown();
    }
};

static int signal_to_send;

TEST_F(Signals, EachEndsTheGameLoopAsEscDoes)
{
    catch_quit_signals(&end_game);
    start_game();
    for (int n : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(n);
        quit_signal = 0;
        end_game = false;
        signal_to_send = n;
        int first = loop_num;
        // Sent at the end of a pass; the loop must not start another.
        after_pass = [] {
            if (loop_num % 10 == 0)
                raise(signal_to_send);
        };
        game_loop();
        after_pass = nullptr;
        EXPECT_EQ(quit_signal, n);
        EXPECT_TRUE(end_game);
        EXPECT_EQ(loop_num, (first / 10 + 1) * 10);
    }
}

TEST_F(Signals, ASecondSignalEndsTheProgramAtOnce)
{
    EXPECT_EXIT(
        {
            catch_quit_signals(&end_game);
            raise(SIGTERM);
            raise(SIGHUP);
            // Not reached: the second signal ends it.
            exit(0);
        },
        ::testing::ExitedWithCode(128 + SIGHUP), "");
}

TEST_F(Signals, OneDuringAScoreWriteLetsTheWriteFinishWhole)
{
    catch_quit_signals(&end_game);
    for (int step = 0; step < SCORE_STEPS; step++) {
        SCOPED_TRACE(step);
        quit_signal = 0;
        end_game = false;
        saved = false;
        signal_to_send = step;
        // The seam is asked before each step: the signal comes just then.
        score_write_fails = [](int now) {
            if (now == signal_to_send)
                raise(SIGTERM);
            return false;
        };
        score = 100 + step;
        record_run();
        score_write_fails = nullptr;
        EXPECT_EQ(quit_signal, SIGTERM);
        EXPECT_TRUE(end_game);
        EXPECT_TRUE(read_scores(save_path(SCORE_FILE).c_str()));
        EXPECT_EQ(highscore[0], 100 + step) << "the run went into the file whole";
    }
}
