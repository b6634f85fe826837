// Quit signals: the first asks the game to quit as Esc does and lets the
// pass in hand finish; a second one ends the program at once.
#include "harness.h"
#include "shell/signals.h"

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
    catch_quit_signals();
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
            catch_quit_signals();
            raise(SIGTERM);
            raise(SIGHUP);
            // Not reached: the second signal ends it.
            exit(0);
        },
        ::testing::ExitedWithCode(128 + SIGHUP), "");
}
