#include "shell/machine/clock.h"
#include "shell/machine/music.h"

#include <allegro.h>
#include <chrono>
#include <thread>

volatile int logic_time = 0;
int start_time = 0;
void (*pace_rest)(int ms) = nullptr;
void (*pace_clock)() = nullptr;

// The game's clock: milliseconds since start-up, read whenever the loops
// look at it. A 1 ms timer ticking it would wake the process a thousand
// times a second for nothing.
static std::chrono::steady_clock::time_point clock_zero;

void start_clock()
{
    clock_zero = std::chrono::steady_clock::now();
    logic_time = start_time = 0;
}

void read_ms_clock()
{
    long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - clock_zero).count();
    logic_time = int(unsigned(ms));  // wraps after about 25 days, harmlessly
}

// Sleeps until the clock reaches `ms` more whole milliseconds: to the tick
// itself, not `ms` from now, so that a pass that began just after a tick
// lasts its 19 ms and not a fraction of one more or less, and frames go
// out evenly.
void sleep_to_tick(int ms)
{
    std::chrono::steady_clock::duration since = std::chrono::steady_clock::now() - clock_zero;
    std::this_thread::sleep_until(clock_zero + std::chrono::floor<std::chrono::milliseconds>(since) +
                                  std::chrono::milliseconds(ms));
}

void update_time()
{
    // Unsigned arithmetic: after about 25 days the counter wraps, harmlessly.
    logic_time = int(unsigned(logic_time) + 1u);
}
END_OF_FUNCTION(update_time)

// Brings logic_time up to now, where the clock is read rather than ticked.
static void read_clock()
{
    if (pace_clock)
        pace_clock();
}

void begin_pass()
{
    read_clock();
    start_time = logic_time;
}

// Elapsed ticks, correct across the counter's wrap.
static unsigned pass_elapsed()
{
    read_clock();
    return unsigned(logic_time) - unsigned(start_time);
}

void wait_pass()
{
    // Sleep out what is left of the pass and look again: the timer may lag
    // a tick behind. Music is fed after every wake, so it never starves.
    music_refill();
    for (unsigned done; (done = pass_elapsed()) < unsigned(PASS_TICKS);) {
        pace_rest(int(PASS_TICKS - done));
        music_refill();
    }
}
