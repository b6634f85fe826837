#include "world/world.h"
#include "world/pads.h"

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

void control::update()
{
    up = right = down = left = fire = next = false;

    read_pads();
    for (int i = 0; i < pad_count; i++) {
        const pad_state& p = pads[i];
        up = up || p.up;
        right = right || p.right;
        down = down || p.down;
        left = left || p.left;
        fire = fire || p.fire;
        next = next || p.next;
    }

    if (action_held(BIND_FIRE)) fire = true;
    if (action_held(BIND_NEXT)) next = true;
    if (action_held(BIND_UP)) up = true;
    if (action_held(BIND_RIGHT)) right = true;
    if (action_held(BIND_DOWN)) down = true;
    if (action_held(BIND_LEFT)) left = true;
}
