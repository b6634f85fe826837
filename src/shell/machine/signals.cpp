#include "shell/machine/signals.h"
#include "shell/machine/files.h"

#include <pthread.h>
#include <unistd.h>

volatile sig_atomic_t quit_signal = 0;
static volatile bool* quit_flag;

static const int QUIT_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

// Only async-signal-safe work here: two flags, or unlink, write and _exit.
static void on_quit_signal(int n)
{
    if (quit_signal) {
        // Asked twice: the player means it, and no half-written file stays;
        // the save that was under way did not happen, and is said so.
        if (const char* temp = temp_file_in_hand) {
            unlink(temp);
            static const char said[] = "zelto: quit at once: the file being saved was left as it was\n";
            ssize_t ignored = write(2, said, sizeof said - 1);
            (void)ignored;
        }
        _exit(128 + n);
    }
    quit_signal = n;
    if (quit_flag)
        *quit_flag = true;
}

void catch_quit_signals(volatile bool* flag)
{
    quit_flag = flag;
    struct sigaction sa = {};
    sa.sa_handler = on_quit_signal;
    sigemptyset(&sa.sa_mask);
    for (int n : QUIT_SIGNALS)
        sigaddset(&sa.sa_mask, n);  // one handler at a time
    sa.sa_flags = SA_RESTART;
    for (int n : QUIT_SIGNALS)
        sigaction(n, &sa, nullptr);
    // A file size limit should make a write fail, not end the game.
    signal(SIGXFSZ, SIG_IGN);
}

static void mask_quit_signals(int how)
{
    sigset_t set;
    sigemptyset(&set);
    for (int n : QUIT_SIGNALS)
        sigaddset(&set, n);
    pthread_sigmask(how, &set, nullptr);
}

void hold_quit_signals()
{
    mask_quit_signals(SIG_BLOCK);
}

void release_quit_signals()
{
    mask_quit_signals(SIG_UNBLOCK);
}
