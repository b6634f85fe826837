// The menus. They run passes of their own, paced like the game's, that read
// the keyboard and the pad directly and change only the settings: the world,
// loop_num, the random generator and the recorded input are never touched,
// so a run replays the same whether or not a menu was opened.
#include "shell/menu.h"
#include "shell/theatre.h"
#include "world/world.h"
#include "render/render.h"
#include "shell/assets.h"
#include "shell/frames.h"
#include "shell/loop.h"
#include "shell/screens.h"
#include "shell/runs/runs.h"
#include "shell/config/keys.h"
#include "shell/config/options.h"
#include "shell/config/settings.h"
#include "shell/machine/clock.h"
#include "shell/machine/display.h"
#include "shell/machine/music.h"
#include "shell/machine/say.h"
#include "shell/machine/sound.h"

#include <algorithm>
#include <allegro.h>
#include <cstdio>
#include <vector>

menu_kind menu_now = MENU_TITLE;
menu_page page_now = PAGE_TOP;
int entry_now = 0;
menu_result menu_left = MENU_BACK;
bool play_chosen = false;
std::string menu_note;

// ---- Settings being changed ---------------------------------------------------------

static settings current;              // the settings in effect, as the menus change them
static std::string settings_file;     // where leaving Options saves them; "" nowhere
static bool changed[SETTINGS];        // changed in a menu since the last save

void menu_settings(const settings& in_effect, const std::string& path)
{
    current = in_effect;
    settings_file = path;
}

static void set_changed(int id)
{
    changed[id] = true;
    use_settings(current);
}

// One setting of `from` into `into`.
static void copy_setting(settings& into, const settings& from, int id)
{
    if (id < SET_KEYS + KEY_ACTIONS)
        std::copy(from.keys[id - SET_KEYS], from.keys[id - SET_KEYS] + KEYS_PER_ACTION, into.keys[id - SET_KEYS]);
    else if (id == SET_JOY_FIRE)
        into.fire_buttons = from.fire_buttons;
    else if (id == SET_JOY_NEXT)
        into.next_buttons = from.next_buttons;
    else if (id == SET_JOY_PAUSE)
        into.pause_buttons = from.pause_buttons;
    else if (id == SET_MUSIC)
        into.music = from.music;
    else if (id == SET_EFFECTS)
        into.effects = from.effects;
    else if (id == SET_MUTE)
        into.mute = from.mute;
    else if (id == SET_SCALE)
        into.scale = from.scale;
    else if (id == SET_FULLSCREEN)
        into.fullscreen = from.fullscreen;
    else if (id == SET_FOCUS_PAUSE)
        into.pause_on_focus_loss = from.pause_on_focus_loss;
}

// The file as it is, with what the menus changed over it: options given on
// the command line for this run stay out of it, as with --save-settings's
// file for settings nobody touched. Whole or not at all (save_settings).
static void save_changes()
{
    bool any = false;
    for (bool c : changed)
        any = any || c;
    if (!any)
        return;
    std::string why = "there is no settings folder (neither HOME nor XDG_CONFIG_HOME is set)";
    bool saved = false;
    if (!settings_file.empty()) {
        settings on_file;
        std::vector<std::string> notes;  // said at start-up already
        read_settings(settings_file, false, on_file, notes);
        for (int id = 0; id < SETTINGS; id++)
            if (changed[id])
                copy_setting(on_file, current, id);
        saved = save_settings(settings_file, on_file, why);
    }
    if (saved) {
        std::fill(changed, changed + SETTINGS, false);
        return;
    }
    // The game goes on with the settings in effect; the next leaving tries again.
    say("cannot save the settings to %s: %s", settings_file.empty() ? "a file" : settings_file.c_str(),
        why.c_str());
    menu_note = "Settings not saved: " + why;
}

// ---- Input -----------------------------------------------------------------------
// Arrows, Enter and Esc always work; the bound keys and the pad (through
// the controls' own reading, into a record of the menu's) as well.

struct menu_input {
    bool up, down, left, right, choose, next, esc;
    bool back() const { return next || esc; }
};

static menu_input held_now()
{
    control c;
    c.update();
    menu_input in;
    in.up = c.up || key[KEY_UP];
    in.down = c.down || key[KEY_DOWN];
    in.left = c.left || key[KEY_LEFT];
    in.right = c.right || key[KEY_RIGHT];
    in.choose = c.fire || key[KEY_ENTER] || key[KEY_ENTER_PAD];
    in.next = c.next;
    in.esc = key[KEY_ESC];
    return in;
}

static bool any_held(const menu_input& in)
{
    return in.up || in.down || in.left || in.right || in.choose || in.back();
}

// A direction counts when pressed, then again after a delay while held.
static bool repeats(bool down, int& held_for)
{
    if (!down)
        return held_for = 0, false;
    int n = held_for++;
    return n == 0 || (n >= MENU_REPEAT_DELAY && (n - MENU_REPEAT_DELAY) % MENU_REPEAT_EVERY == 0);
}

static menu_input last_held;
static int held_for[4];
static int quiet;  // passes left in which presses are not taken (after a switch of screen mode)

// This pass's steps: directions with their repeat, the rest on their press.
static menu_input read_steps()
{
    menu_input now = held_now(), step;
    step.up = repeats(now.up, held_for[0]);
    step.down = repeats(now.down, held_for[1]);
    step.left = repeats(now.left, held_for[2]);
    step.right = repeats(now.right, held_for[3]);
    step.choose = now.choose && !last_held.choose;
    step.next = now.next && !last_held.next;
    step.esc = now.esc && !last_held.esc;
    last_held = now;
    if (quiet > 0) {
        quiet--;
        return menu_input();
    }
    return step;
}

// ---- Pages -------------------------------------------------------------------------

enum { CONTROL_PAD_FIRE = KEY_ACTIONS, CONTROL_PAD_NEXT, CONTROL_PAD_PAUSE, CONTROL_DEFAULTS, CONTROL_ROWS };

static const char* const ACTION_NAMES[KEY_ACTIONS] = {
    "Up", "Down", "Left", "Right", "Fire", "Next", "Pause", "Screenshot", "Fullscreen", "Fast replay",
};

// The first page's entries: the title's, and the pause's (its first three).
enum top_entry { TOP_PLAY, TOP_OPTIONS, TOP_QUIT, TOP_PRACTICE, TOP_REPLAYS };
const int TITLE_ENTRIES = 5, PAUSE_ENTRIES = 3;
static const top_entry TITLE_ORDER[TITLE_ENTRIES] = {TOP_PLAY, TOP_OPTIONS, TOP_PRACTICE, TOP_REPLAYS, TOP_QUIT};
static const top_entry PAUSE_ORDER[PAUSE_ENTRIES] = {TOP_PLAY, TOP_OPTIONS, TOP_QUIT};

static top_entry top_entry_at(int i)
{
    return menu_now == MENU_TITLE ? TITLE_ORDER[i] : PAUSE_ORDER[i];
}

static const char* top_name(int i)
{
    switch (top_entry_at(i)) {
    case TOP_PLAY: return menu_now == MENU_PAUSE ? "Resume" : "Play";
    case TOP_PRACTICE: return "Practice";
    case TOP_REPLAYS: return "Replays";
    case TOP_OPTIONS: return "Options";
    default: return "Quit";
    }
}

static int entries(menu_page page)
{
    switch (page) {
    case PAGE_TOP: return menu_now == MENU_TITLE ? TITLE_ENTRIES : PAUSE_ENTRIES;
    case PAGE_OPTIONS: return 3;
    case PAGE_SOUND: return 3;
    case PAGE_SCREEN: return 3;
    case PAGE_CONTROLS: return CONTROL_ROWS;
    }
    return 1;
}

static void go_to(menu_page page, int entry)
{
    page_now = page;
    entry_now = entry;
    menu_note.clear();
}

static BITMAP* frame;            // what a menu pass shows
static std::vector<snow> sky;    // the title menu's own stars, falling without the random generator
static menu_result leaving;      // chosen, waiting for the keys to be let go
static int capturing = -1;       // the controls row waiting for a key or button, -1 none
static bool was_down[KEY_MAX];   // keys down when the wait began, or since
static bool button_was_down[JOY_BUTTONS];

void open_menu(menu_kind kind)
{
    if (!frame)
        frame = create_bitmap(640, 480);
    menu_now = kind;
    menu_left = MENU_OPEN;
    leaving = MENU_OPEN;
    capturing = -1;
    go_to(PAGE_TOP, 0);
    last_held = held_now();  // what opened the menu is not a press in it...
    last_held.esc = false;   // ...but Esc held on the pause quits, as it always has
    bool held[4] = {last_held.up, last_held.down, last_held.left, last_held.right};
    for (int i = 0; i < 4; i++)
        held_for[i] = held[i];  // a direction held already is not a first step
    quiet = 0;
    sky = star;
}

void close_menu()
{
    if (frame)
        destroy_bitmap(frame);
    frame = nullptr;
    if (menu_left == MENU_OPEN)
        menu_left = MENU_BACK;
}

// ---- Sound and screen ----------------------------------------------------------------

static bool sound_device()
{
    return digi_driver && digi_driver->id != DIGI_NONE;
}

static void step_volume(int& level, int id, int by)
{
    int next = std::clamp(level + by, 0, 100);
    if (next == level)
        return;
    level = next;
    set_changed(id);
    if (id == SET_EFFECTS)
        play_sound(laser, 50, 1000);  // the shot as play will sound
}

static void sound_step(const menu_input& in)
{
    int by = in.right ? VOLUME_STEP : in.left ? -VOLUME_STEP : 0;
    if (entry_now == 0 && by)
        step_volume(current.music, SET_MUSIC, by);
    if (entry_now == 1 && by)
        step_volume(current.effects, SET_EFFECTS, by);
    if (entry_now == 2 && (by || in.choose)) {
        current.mute = !current.mute;
        set_changed(SET_MUTE);
        if (!current.mute && !sound_device())
            menu_note = "Sound is heard from the next start";
    }
}

// The window sizes offered: auto, then each whole scale that fits.
static std::vector<int> scales()
{
    std::vector<int> out = {0};
    for (int s = 1; s <= largest_window_scale(MAX_SCALE); s++)
        out.push_back(s);
    return out;
}

static void screen_step(const menu_input& in)
{
    int by = in.right || in.choose ? 1 : in.left ? -1 : 0;
    if (!by)
        return;
    if (entry_now == 0) {
        std::vector<int> list = scales();
        auto at = std::find(list.begin(), list.end(), current.scale);
        int i = at == list.end() ? 0 : int(at - list.begin());
        current.scale = list[(i + by + list.size()) % list.size()];
        set_changed(SET_SCALE);
        choose_window_scale(current.scale);
    } else if (entry_now == 2) {
        current.pause_on_focus_loss = !current.pause_on_focus_loss;
        pause_on_focus_loss = current.pause_on_focus_loss;
        set_changed(SET_FOCUS_PAUSE);
        return;
    } else {
        // As F11: where the fullscreen cannot be had, the window stays and says so.
        if (screen)
            toggle_fullscreen();
        current.fullscreen = screen ? in_fullscreen : !current.fullscreen;
        set_changed(SET_FULLSCREEN);
    }
    quiet = MENU_SWITCH_QUIET;  // keys the switch let go of come back as presses
    if (!screen)
        quiet = 0;
}

// ---- Controls -------------------------------------------------------------------------

static std::string keys_of(int action)
{
    std::string out;
    for (int code : current.keys[action])
        if (code)
            out += (out.empty() ? "" : ", ") + key_name(code);
    return out.empty() ? "none" : out;
}

static std::string buttons_of(unsigned mask)
{
    if (mask == EVEN_BUTTONS)
        return "even buttons";
    if (mask == ODD_BUTTONS)
        return "odd buttons";
    std::string out;
    for (int b = 0; b < JOY_BUTTONS; b++)
        if (mask & (1u << b))
            out += (out.empty() ? "button " : ", ") + std::to_string(b + 1);
    return out.empty() ? "none" : out;
}

// The key becomes the action's only key. Another action that had it loses
// it, and where that leaves it none, takes this action's old key.
static void bind_key(int action, int code)
{
    int old = current.keys[action][0];
    for (int b = 0; b < KEY_ACTIONS; b++) {
        if (b == action)
            continue;
        int* keys = current.keys[b];
        int* end = std::remove(keys, keys + KEYS_PER_ACTION, code);
        if (end == keys + KEYS_PER_ACTION)
            continue;
        std::fill(end, keys + KEYS_PER_ACTION, 0);
        menu_note = key_name(code) + " moved from " + ACTION_NAMES[b] + " to " + ACTION_NAMES[action];
        if (keys[0] == 0 && old && old != code) {
            keys[0] = old;
            menu_note += "; " + std::string(ACTION_NAMES[b]) + " is now " + key_name(old);
        }
        changed[SET_KEYS + b] = true;
    }
    current.keys[action][0] = code;
    std::fill(current.keys[action] + 1, current.keys[action] + KEYS_PER_ACTION, 0);
    set_changed(SET_KEYS + action);
}

// The same for the pad: the button becomes the only fire, next or pause
// button, taken from whichever set had it.
static void bind_button(int row, int b)
{
    static const char* const NAMES[] = {"Fire", "Next", "Pause"};
    unsigned* sets[] = {&current.fire_buttons, &current.next_buttons, &current.pause_buttons};
    const int mine = row - CONTROL_PAD_FIRE;
    const unsigned bit = 1u << b, old = *sets[mine];
    *sets[mine] = bit;
    for (int other = 0; other < 3; other++) {
        if (other == mine || !(*sets[other] & bit))
            continue;
        *sets[other] &= ~bit;
        menu_note = "Button " + std::to_string(b + 1) + " moved from " + NAMES[other];
        // Fire and next are never left without a button: the old ones take it.
        if (!*sets[other] && other != 2 && (old & ~bit))
            *sets[other] = old & ~bit;
        changed[SET_JOY_FIRE + other] = true;
    }
    set_changed(SET_JOY_FIRE + mine);
}

static void defaults()
{
    settings own;
    for (int id = SET_KEYS; id <= SET_JOY_PAUSE; id++) {
        copy_setting(current, own, id);
        changed[id] = true;
    }
    use_settings(current);
    menu_note = "The game's own keys and buttons";
}

// The first key (or button) found newly down; -1 when none is.
static int newly_down(bool was[], int count, bool (*down)(int))
{
    int found = -1;
    for (int i = 0; i < count; i++) {
        bool now = down(i);
        if (now && !was[i] && found < 0)
            found = i;
        was[i] = now;
    }
    return found;
}

static bool key_down(int k) { return k > 0 && k != KEY_ESC && key[k]; }
static bool button_down(int b) { return is_joy && b < joy[0].num_buttons && joy[0].button[b].b; }

static void start_capture(int row)
{
    capturing = row;
    newly_down(was_down, KEY_MAX, key_down);
    newly_down(button_was_down, JOY_BUTTONS, button_down);
    menu_note = row < KEY_ACTIONS ? "Press the new key (Esc: keep the old one)"
                                  : "Press the pad's button (Esc: keep the old one)";
}

// A key or button pressed since the wait began binds it; Esc gives up.
static void capture_step(const menu_input& in)
{
    int row = capturing;
    int found = row < KEY_ACTIONS ? newly_down(was_down, KEY_MAX, key_down)
                                  : newly_down(button_was_down, JOY_BUTTONS, button_down);
    if (!in.esc && found < 0)
        return;
    capturing = -1;
    menu_note.clear();
    if (in.esc)
        return;
    if (row < KEY_ACTIONS)
        bind_key(row, found);
    else
        bind_button(row, found);
    last_held = held_now();  // the new key, still down, is no press of its new action
}

static void controls_step(const menu_input& in)
{
    if (!in.choose)
        return;
    if (entry_now == CONTROL_DEFAULTS)
        defaults();
    else
        start_capture(entry_now);
}

// ---- A step --------------------------------------------------------------------------

static void top_step(const menu_input& in)
{
    if (in.back()) {
        // Esc on the pause quits as it does in play; X goes back to the game.
        if (menu_now == MENU_PAUSE && in.esc)
            end_game = true;
        leaving = menu_now == MENU_PAUSE ? MENU_RESUME : MENU_BACK;
        return;
    }
    if (!in.choose)
        return;
    top_entry chosen = top_entry_at(entry_now);
    if (chosen == TOP_REPLAYS) {
        browse_replays();
        last_held = held_now();  // keys that left the list are not presses here
    } else if (chosen == TOP_PRACTICE) {
        practice_at = choose_practice();
        last_held = held_now();
        if (practice_at) {
            practice_chosen();
            play_chosen = true;
            menu_left = MENU_PLAY;
        }
    } else if (chosen == TOP_OPTIONS) {
        go_to(PAGE_OPTIONS, 0);
    } else if (chosen == TOP_QUIT) {
        end_game = true;
    } else if (menu_now == MENU_TITLE) {
        play_chosen = true;
        menu_left = MENU_PLAY;  // no waiting: fire is held for the title anyway
    } else {
        leaving = MENU_RESUME;
    }
}

static void step(const menu_input& in)
{
    if (capturing >= 0)
        return capture_step(in);
    if (in.up || in.down) {
        int n = entries(page_now);
        entry_now = (entry_now + (in.down ? 1 : n - 1)) % n;
        if (page_now == PAGE_CONTROLS)
            menu_note.clear();
        return;
    }
    if (page_now == PAGE_TOP)
        return top_step(in);
    if (in.back()) {
        if (page_now == PAGE_OPTIONS) {
            go_to(PAGE_TOP, 1);  // Options, on both first pages
            save_changes();
        } else {
            go_to(PAGE_OPTIONS, page_now - PAGE_SOUND);
        }
        return;
    }
    switch (page_now) {
    case PAGE_OPTIONS:
        if (in.choose)
            go_to(menu_page(PAGE_SOUND + entry_now), 0);
        break;
    case PAGE_SOUND: sound_step(in); break;
    case PAGE_SCREEN: screen_step(in); break;
    case PAGE_CONTROLS: controls_step(in); break;
    default: break;
    }
}

// ---- Drawing -----------------------------------------------------------------------

const int MENU_ROW = 19;          // between two entries
const int TOP_FIRST_Y = 250;      // the first entry of a first page
const int PAGE_HEADING_Y = 40;    // a page's name
const int PAGE_FIRST_Y = 110;     // its first entry
const int LABEL_X = 150;          // an entry's name on a page of settings
const int VALUE_X = 330;          // ...and its value
const int SLIDER_W = 150;         // a volume's bar at 100
const int NOTE_Y = 415;           // the note line
const int HINT_Y = 455;           // the keys, in the built-in font

static int white() { return makecol(255, 255, 255); }
static int red() { return makecol(255, 0, 0); }
static int black() { return makecol(0, 0, 0); }

// The chosen entry is red, between markers.
static void entry_centred(BITMAP* bmp, const char* name, int y, bool chosen)
{
    if (chosen)
        textprintf_centre_ex(bmp, text, 320, y, red(), -1, "> %s <", name);
    else
        textout_centre_ex(bmp, text, name, 320, y, white(), -1);
}

static void entry_row(BITMAP* bmp, int row, const std::string& name, const std::string& value)
{
    int y = PAGE_FIRST_Y + MENU_ROW * row;
    bool chosen = row == entry_now;
    int colour = chosen ? red() : white();
    if (chosen)
        textout_ex(bmp, text, ">", LABEL_X - 20, y, colour, -1);
    textout_ex(bmp, text, name.c_str(), LABEL_X, y, colour, -1);
    textout_ex(bmp, text, value.c_str(), VALUE_X, y, colour, -1);
}

static void slider_row(BITMAP* bmp, int row, const char* name, int level)
{
    int y = PAGE_FIRST_Y + MENU_ROW * row;
    entry_row(bmp, row, name, "");
    int colour = row == entry_now ? red() : white();
    rect(bmp, VALUE_X, y + 1, VALUE_X + SLIDER_W + 3, y + text_height(text) - 1, colour);
    if (level > 0)
        rectfill(bmp, VALUE_X + 2, y + 3, VALUE_X + 1 + SLIDER_W * level / 100, y + text_height(text) - 3,
                 colour);
    textprintf_ex(bmp, text, VALUE_X + SLIDER_W + 12, y, colour, -1, "%d", level);
}

static std::string scale_text(int scale)
{
    if (scale == 0)
        return "auto";
    return std::to_string(640 * scale) + " x " + std::to_string(480 * scale);
}

static void draw_page(BITMAP* bmp)
{
    static const char* const HEADINGS[] = {"", "Options", "Sound", "Screen", "Controls"};
    textout_centre_ex(bmp, title, HEADINGS[page_now], 320, PAGE_HEADING_Y, white(), -1);
    switch (page_now) {
    case PAGE_OPTIONS: {
        static const char* const NAMES[] = {"Sound", "Screen", "Controls"};
        for (int i = 0; i < 3; i++)
            entry_centred(bmp, NAMES[i], PAGE_FIRST_Y + MENU_ROW * i, i == entry_now);
        break;
    }
    case PAGE_SOUND:
        slider_row(bmp, 0, "Music", current.music);
        slider_row(bmp, 1, "Effects", current.effects);
        entry_row(bmp, 2, "Mute", current.mute ? "on" : "off");
        break;
    case PAGE_SCREEN:
        entry_row(bmp, 0, "Window size", "< " + scale_text(current.scale) + " >");
        entry_row(bmp, 1, "Fullscreen", current.fullscreen ? "on" : "off");
        entry_row(bmp, 2, "Pause when away", current.pause_on_focus_loss ? "on" : "off");
        break;
    case PAGE_CONTROLS:
        for (int a = 0; a < KEY_ACTIONS; a++)
            entry_row(bmp, a, ACTION_NAMES[a], capturing == a ? "..." : keys_of(a));
        entry_row(bmp, CONTROL_PAD_FIRE, "Pad fire", capturing == CONTROL_PAD_FIRE ? "..." : buttons_of(current.fire_buttons));
        entry_row(bmp, CONTROL_PAD_NEXT, "Pad next", capturing == CONTROL_PAD_NEXT ? "..." : buttons_of(current.next_buttons));
        entry_row(bmp, CONTROL_PAD_PAUSE, "Pad pause", capturing == CONTROL_PAD_PAUSE ? "..." : buttons_of(current.pause_buttons));
        entry_row(bmp, CONTROL_DEFAULTS, "Defaults", "");
        break;
    default:
        break;
    }
}

void draw_menu(BITMAP* bmp)
{
    if (menu_now == MENU_PAUSE) {
        // The paused game stays behind, darkened by a panel where the menu is.
        blit(buffer, bmp, 0, 0, 0, 0, 640, 480);
        if (page_now == PAGE_TOP) {
            draw_paused(bmp);
            rectfill(bmp, 240, TOP_FIRST_Y - 10, 400, TOP_FIRST_Y + 3 * MENU_ROW + 6, black());
            rect(bmp, 240, TOP_FIRST_Y - 10, 400, TOP_FIRST_Y + 3 * MENU_ROW + 6, white());
        } else {
            rectfill(bmp, 100, 20, 540, 470, black());
            rect(bmp, 100, 20, 540, 470, white());
        }
    } else {
        clear_to_color(bmp, black());
        for (const snow& s : sky)
            draw_star(bmp, s.x, s.y);
        if (page_now == PAGE_TOP)
            textout_centre_ex(bmp, title, "Zelto Star!", 320, 180, white(), -1);
    }
    if (page_now == PAGE_TOP) {
        for (int i = 0; i < entries(PAGE_TOP); i++)
            entry_centred(bmp, top_name(i), TOP_FIRST_Y + MENU_ROW * i, i == entry_now);
    } else {
        draw_page(bmp);
    }
    if (!menu_note.empty())
        textout_centre_ex(bmp, text, menu_note.c_str(), 320, NOTE_Y, red(), -1);
    std::string back = "[" + key_name(bindings[BIND_NEXT][0]) + "], Esc: back";
    std::string hint = page_now == PAGE_SOUND || page_now == PAGE_SCREEN
                           ? "Up, Down: choose   Left, Right: change   " + back
                           : "Arrows: move   [" + key_name(bindings[BIND_FIRE][0]) + "], Enter: choose   " + back;
    textout_centre_ex(bmp, font, hint.c_str(), 320, HINT_Y, white(), -1);
}

// The title menu's stars fall as the title's do, coming back at the top
// where they leave, so the menu draws no random number.
static void sky_handle()
{
    const int SKY_LOOP = 500;  // rows a star falls before it is back where it started
    for (snow& s : sky) {
        s.y += 3 * s.speed;
        if (s.y > 490)
            s.y -= SKY_LOOP;
    }
}

// ---- Passes ------------------------------------------------------------------------

bool menu_pass()
{
    if (menu_left != MENU_OPEN)
        return false;
    begin_pass();
    menu_input in = read_steps();
    if (leaving != MENU_OPEN) {
        if (!any_held(last_held))
            menu_left = leaving;  // let go: the key that left is not read again outside
    } else {
        step(in);
    }
    if (end_game)
        menu_left = MENU_QUIT;
    if (menu_left != MENU_OPEN) {
        close_menu();
        return false;
    }
    if (menu_now == MENU_TITLE)
        sky_handle();
    if (frame) {
        draw_menu(frame);
        present_frame(frame);
    }
    if (action_held(BIND_SCREENSHOT))
        screenshot();  // the frame under the menu
    wait_pass();
    return true;
}

void title_menu()
{
    static bool was_next = true;  // next held from start-up is no press
    bool pressed = controls.next && !was_next;
    was_next = controls.next;
    if (!pressed || input_is_recorded() || end_game)
        return;
    open_menu(MENU_TITLE);
    while (menu_pass()) {
    }
}
