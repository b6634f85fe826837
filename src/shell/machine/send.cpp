// Hands each frame to the X server as soon as it is on the screen. The
// library's X thread would send it on its own clock, a few milliseconds
// early or late, and now and then together with the next one: the player
// sees that as stutter. The flush is taken under the library's display lock,
// so its thread is never in the middle of a request.
#include "shell/machine/display.h"

#include <allegro.h>
#include <xalleg.h>

void (*after_send)() = nullptr;

void send_frame()
{
    if (_xwin.display) {  // no X connection in headless runs
        XLOCK();
        XFlush(_xwin.display);
        XUNLOCK();
    }
    if (after_send)
        after_send();
}
