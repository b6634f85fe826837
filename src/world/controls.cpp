#include "world/world.h"

#include <allegro.h>

static const int DEFAULT_BINDINGS[KEY_ACTIONS][KEYS_PER_ACTION] = {
    {KEY_UP}, {KEY_DOWN}, {KEY_LEFT}, {KEY_RIGHT}, {KEY_Z}, {KEY_X},
    {KEY_P}, {KEY_TAB}, {KEY_F11}, {KEY_F},
};

int bindings[KEY_ACTIONS][KEYS_PER_ACTION];

void default_bindings()
{
    for (int a = 0; a < KEY_ACTIONS; a++)
        for (int k = 0; k < KEYS_PER_ACTION; k++)
            bindings[a][k] = DEFAULT_BINDINGS[a][k];
}

// Set before main() runs, so the game's own keys hold from the start.
static const bool defaults_set = (default_bindings(), true);

bool action_held(int action)
{
    for (int code : bindings[action])
        if (code > 0 && code < KEY_MAX && key[code])
            return true;
    return false;
}

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

    if (action_held(BIND_FIRE)) fire = true;
    if (action_held(BIND_NEXT)) next = true;
    if (action_held(BIND_UP)) up = true;
    if (action_held(BIND_RIGHT)) right = true;
    if (action_held(BIND_DOWN)) down = true;
    if (action_held(BIND_LEFT)) left = true;
}
