// replay FILE [--data DIR] [--hashes EVERY]
//
// Plays a recorded run (zelto --record FILE) headless through the game's own
// passes, drawing included, and prints its final figures and state hash;
// with --hashes N also the state hash after every Nth recorded pass, so two
// builds can be compared pass by pass. The score table starts as the
// recording holds it and no file is written outside a private temporary
// folder. zelto --replay FILE --stats ends with the same hash.
#include "zelto.h"
#include "replay_figures.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    const char* file = nullptr;
    int every = 0;
    data_dir = "data";
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--data") == 0 && i + 1 < argc) {
            data_dir = argv[++i];
        } else if (strcmp(argv[i], "--hashes") == 0 && i + 1 < argc) {
            every = atoi(argv[++i]);
            if (every <= 0) {
                fprintf(stderr, "replay: --hashes needs a positive number of passes\n");
                return 2;
            }
        } else if (!file && argv[i][0] != '-') {
            file = argv[i];
        } else {
            file = nullptr;
            break;
        }
    }
    if (!file) {
        fprintf(stderr, "usage: replay FILE [--data DIR] [--hashes EVERY]\n");
        return 2;
    }

    recording run;
    std::string error;
    if (!load_recording(file, run, error)) {
        fprintf(stderr, "replay: %s\n", error.c_str());
        return 1;
    }
    char folder[] = "/tmp/zelto_replay_XXXXXX";
    if (!mkdtemp(folder)) {
        perror("replay: cannot make a temporary folder");
        return 1;
    }
    save_dir = folder;
    int status = 1;
    if (startup_headless(run.seed) == 0) {
        fputs(to_text(play_back(run, every)).c_str(), stdout);
        shutdown();
        status = 0;
    }
    std::string score_file = save_path(SCORE_FILE);
    unlink(score_file.c_str());
    rmdir(folder);
    return status;
}
