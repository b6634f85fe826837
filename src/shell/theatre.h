// The replay theatre and practice, as screens of their own that the title's
// menu opens: the kept runs to watch, and the bosses to practise at.
#pragma once

#include <string>
#include <vector>

// A run in replays/ as the list shows it.
struct listed_run {
    std::string path;
    bool playable = false;  // of this version and whole enough to watch
    std::string why;        // why not, for the screen
    bool practice = false;
    int score = -1;         // -1: not known (a cut file, or one of another version)
    std::string when;       // 2026-12-08 04:50
    std::string stage;      // the stage reached, "" when not known
    int seconds = 0;        // the run's length
};

// The kept runs best first, then the last run, then the practice runs newest
// first. Files of the player's own in the folder are not listed.
std::vector<listed_run> list_replays();
// The list on screen until Esc: choosing a run watches it and comes back;
// a run that cannot be watched is refused with the reason under the list.
// The session's world is put back as it was after each watch.
void browse_replays();
// The practice chooser: GLAIVE, VORTEX, ANGEL or the final stage; the
// r_stage chosen (1, 4, 8, 12), or 0 for Esc.
int choose_practice();
