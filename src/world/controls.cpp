#include "world/world.h"

#include <allegro.h>

static const int DEFAULT_BINDINGS[KEY_ACTIONS][KEYS_PER_ACTION] = {
    {KEY_UP}, {KEY_DOWN}, {KEY_LEFT}, {KEY_RIGHT}, {KEY_Z}, {KEY_X},
    {KEY_P}, {KEY_TAB}, {KEY_F11}, {KEY_F},
};

static_assert(JOY_BUTTONS == MAX_JOYSTICK_BUTTONS, "a setting for every button the library has");

int bindings[KEY_ACTIONS][KEYS_PER_ACTION];
int button_action[JOY_BUTTONS];

void default_bindings()
{
    for (int a = 0; a < KEY_ACTIONS; a++)
        for (int k = 0; k < KEYS_PER_ACTION; k++)
            bindings[a][k] = DEFAULT_BINDINGS[a][k];
}

int default_key(int action)
{
    return DEFAULT_BINDINGS[action][0];
}

void default_buttons()
{
    for (int b = 0; b < JOY_BUTTONS; b++)
        button_action[b] = b % 2 == 0 ? BIND_FIRE : BIND_NEXT;
}

// Set before main() runs, so the game's own keys and buttons hold from the start.
static const bool defaults_set = (default_bindings(), default_buttons(), true);

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
        for (int b = 0; b < joy[0].num_buttons && b < JOY_BUTTONS; b++) {
            if (!joy[0].button[b].b)
                continue;
            if (button_action[b] == BIND_FIRE)
                fire = true;
            else if (button_action[b] == BIND_NEXT)
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
