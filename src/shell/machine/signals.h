// Being ended from outside. Closing the terminal (SIGHUP), Ctrl+C (SIGINT)
// and logging out or kill (SIGTERM) ask the game to quit just as Esc does:
// the pass in hand finishes, shutdown runs in its usual order, and the
// program ends with status 128 + the signal's number. A second signal ends
// it at once.
#pragma once

#include <csignal>

extern volatile sig_atomic_t quit_signal;  // the signal that asked the game to quit; 0 for none

// Installs the game's handlers in place of the library's: a quit signal
// sets quit_signal and *flag, the game's own quit flag. Called at the start
// of main, and again once the library is up (it puts its own in).
void catch_quit_signals(volatile bool* flag);
// While the library starts its threads, the signals wait, so that they are
// never delivered to a thread of the library's; released once start-up is done.
void hold_quit_signals();
void release_quit_signals();
