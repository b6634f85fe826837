#include "world/world.h"

#include <allegro.h>

void detect_joystick()
{
    install_joystick(JOY_TYPE_AUTODETECT);
    poll_joystick();
    is_joy = num_joysticks > 0;
    if (is_joy && (joy[0].num_buttons <= 1 || joy[0].num_sticks <= 0))
        is_joy = false;
}

void control::update()
{
    up = right = down = left = fire = next = false;

    if (is_joy) {
        poll_joystick();
        // Even buttons fire, odd buttons continue; with an odd count the
        // last pair has no second button.
        for (int b = 0; b < joy[0].num_buttons && b < MAX_JOYSTICK_BUTTONS; b += 2) {
            if (joy[0].button[b].b)
                fire = true;
            if (b + 1 < joy[0].num_buttons && joy[0].button[b + 1].b)
                next = true;
        }
        for (int s = 0; s < joy[0].num_sticks && s < MAX_JOYSTICK_STICKS; s++) {
            const JOYSTICK_STICK_INFO& stick = joy[0].stick[s];
            if (stick.axis[1].d1) up = true;
            if (stick.axis[0].d2) right = true;
            if (stick.axis[1].d2) down = true;
            if (stick.axis[0].d1) left = true;
        }
    }

    if (key[KEY_Z]) fire = true;
    if (key[KEY_X]) next = true;
    if (key[KEY_UP]) up = true;
    if (key[KEY_RIGHT]) right = true;
    if (key[KEY_DOWN]) down = true;
    if (key[KEY_LEFT]) left = true;
}
