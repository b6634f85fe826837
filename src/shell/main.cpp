// Zelto Star! - a vertical shoot-'em-up.
#include "zelto.h"

#include <allegro.h>

int main()
{
    int status = startup();
    if (status != 0)
        return status;
    title_loop();
    slide_in();
    game_loop();
    shutdown();
    return 0;
}
END_OF_MAIN()
