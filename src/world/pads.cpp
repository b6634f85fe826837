#include "world/pads.h"
#include "world/world.h"

#include <allegro.h>
#include <string>
#include <sys/stat.h>

static_assert(MAX_PADS == MAX_JOYSTICKS, "a state for every joystick the library reads");

int pad_count = 0;
pad_state pads[MAX_PADS];
bool pad_pulled = false;

// ---- Reading --------------------------------------------------------------------

static bool usable(const JOYSTICK_INFO& j)
{
    return j.num_buttons > 1 && j.num_sticks > 0;
}

static pad_state read_pad(const JOYSTICK_INFO& j)
{
    pad_state p = pad_state();
    for (int b = 0; b < j.num_buttons && b < JOY_BUTTONS; b++) {
        if (!j.button[b].b)
            continue;
        if (button_action[b] == BIND_FIRE)
            p.fire = true;
        else if (button_action[b] == BIND_NEXT)
            p.next = true;
        else if (button_action[b] == BIND_PAUSE)
            p.pause = true;
    }
    // Every stick steers, the d-pad's hat among them; the library's digital
    // threshold (a quarter of the way out) keeps a resting stick still.
    for (int s = 0; s < j.num_sticks && s < MAX_JOYSTICK_STICKS; s++) {
        const JOYSTICK_STICK_INFO& stick = j.stick[s];
        if (stick.axis[1].d1) p.up = true;
        if (stick.axis[0].d2) p.right = true;
        if (stick.axis[1].d2) p.down = true;
        if (stick.axis[0].d1) p.left = true;
    }
    return p;
}

void read_pads()
{
    pad_count = 0;
    if (!is_joy)
        return;
    poll_joystick();
    for (int i = 0; i < num_joysticks && i < MAX_PADS; i++)
        if (usable(joy[i]))
            pads[pad_count++] = read_pad(joy[i]);
}

// ---- Plugging and pulling ---------------------------------------------------------
// The library opens joystick_device_0, _1... of its configuration (by
// default /dev/input/js0, js1...) once, when the joystick is installed,
// stops at the first it cannot open, and keeps a pulled pad's last state.
// So the game looks at those files itself, once a second (a stat each: no
// processor time to speak of), and installs the joystick again when the
// set that is there changes, naming the ones there first.

static bool watching = false;
static std::string device[MAX_PADS];  // the files the player's configuration names
static unsigned present = 0;          // bit i: device[i] is there
static int watch_clock = 0;

static unsigned devices_present()
{
    unsigned mask = 0;
    struct stat st;
    for (int i = 0; i < MAX_PADS; i++)
        if (stat(device[i].c_str(), &st) == 0)
            mask |= 1u << i;
    return mask;
}

static void start_joystick(unsigned there)
{
    std::string names = "[joystick]\n";
    int n = 0;
    for (int pass = 0; pass < 2; pass++)
        for (int i = 0; i < MAX_PADS; i++)
            if (bool(there & (1u << i)) == (pass == 0))
                names += "joystick_device_" + std::to_string(n++) + " = " + device[i] + "\n";
    // The game's only override of the library's configuration.
    override_config_data(names.c_str(), int(names.size()));
    remove_joystick();
    install_joystick(JOY_TYPE_AUTODETECT);
    is_joy = true;
    read_pads();
    is_joy = pad_count > 0;
    present = there;
}

void detect_joystick()
{
    for (int i = 0; i < MAX_PADS; i++) {
        std::string key = "joystick_device_" + std::to_string(i);
        const char* named = get_config_string("joystick", key.c_str(), nullptr);
        if (!named && i == 0)
            named = get_config_string("joystick", "joystick_device", nullptr);
        device[i] = named ? named : "/dev/input/js" + std::to_string(i);
    }
    watching = true;
    watch_clock = 0;
    start_joystick(devices_present());
}

bool pads_watch()
{
    if (!watching || ++watch_clock < PAD_WATCH_PASSES)
        return false;
    watch_clock = 0;
    unsigned there = devices_present();
    if (there == present)
        return false;
    bool in_use = is_joy;
    bool gone = (present & ~there) != 0;
    start_joystick(there);
    if (gone && in_use)
        pad_pulled = true;
    return gone && in_use;
}

bool pad_pause_pressed()
{
    static bool pause_was = false, fire_was = false;
    read_pads();
    bool pause = false, fire = false;
    for (int i = 0; i < pad_count; i++) {
        pause = pause || pads[i].pause;
        fire = fire || pads[i].fire;
    }
    bool pressed = (pause && !pause_was) || (pad_pulled && fire && !fire_was);
    pause_was = pause;
    fire_was = fire;
    return pressed;
}
