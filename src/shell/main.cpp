// Zelto Star! - a vertical shoot-'em-up.
#include "zelto.h"

#include <allegro.h>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    const char* record = nullptr;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--record") == 0 && i + 1 < argc) {
            record = argv[++i];
        } else {
            fprintf(stderr, "zelto: unknown option '%s' (try --help)\n", argv[i]);
            return 2;
        }
    }

    int status = startup();
    if (status != 0)
        return status;
    if (record && !record_to(record)) {
        shutdown();
        return 1;
    }
    title_loop();
    slide_in();
    game_loop();
    stop_recording();
    shutdown();
    return 0;
}
END_OF_MAIN()
