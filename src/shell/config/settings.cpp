#include "shell/config/settings.h"
#include "shell/machine/files.h"
#include "shell/machine/music.h"
#include "shell/config/options.h"
#include "shell/config/keys.h"
#include "shell/loop.h"
#include "shell/machine/paths.h"
#include "shell/machine/sound.h"

#include <algorithm>
#include <allegro.h>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

// ---- What each setting is ----------------------------------------------------------

struct setting_info {
    const char* section;
    const char* key;
    const char* about;  // the comment line the file gets above it
};

static const setting_info INFO[SETTINGS] = {
    {"keys", "up", "Steer up."},
    {"keys", "down", "Steer down."},
    {"keys", "left", "Steer left."},
    {"keys", "right", "Steer right."},
    {"keys", "fire", "Fire; also leaves the title screen."},
    {"keys", "next", "Go on past a cleared stage; play again after the game is over."},
    {"keys", "pause", "Pause the game and go on."},
    {"keys", "screenshot", "Save the picture as zelto_screen.bmp while held."},
    {"keys", "fullscreen", "Between the window and the fullscreen (Alt+Enter does it too)."},
    {"keys", "fast", "While watching a replay, hold to go four times as fast."},
    {"joystick", "fire", "Buttons that fire: even, odd, none, or button numbers from 0 to 31."},
    {"joystick", "next", "Buttons that go on and play again: the same kinds of value."},
    {"sound", "music", "Music volume: 0 (silent) to 100 (full)."},
    {"sound", "effects", "Sound effects volume: 0 (silent) to 100 (full)."},
    {"sound", "mute", "yes: no sound at all, not even a sound device opened."},
    {"window", "scale", "Window size in times 640 x 480: 1 to 4, or auto for the largest that fits."},
    {"window", "fullscreen", "yes: the whole desktop, the picture enlarged and centred."},
    {"window", "pause_on_focus_loss", "yes: another window taking the focus during play pauses the game."},
};

static const char* const SECTIONS[] = {"keys", "joystick", "sound", "window"};

const char* setting_section(int id) { return INFO[id].section; }
const char* setting_key(int id) { return INFO[id].key; }

settings::settings()
{
    for (int a = 0; a < KEY_ACTIONS; a++) {
        keys[a][0] = default_key(a);
        for (int k = 1; k < KEYS_PER_ACTION; k++)
            keys[a][k] = 0;
    }
    fire_buttons = EVEN_BUTTONS;
    next_buttons = ODD_BUTTONS;
}


static std::vector<std::string> words(const std::string& text)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isspace((unsigned char)text[i]))
            i++;
        size_t start = i;
        while (i < text.size() && !isspace((unsigned char)text[i]))
            i++;
        if (i > start)
            out.push_back(text.substr(start, i - start));
    }
    return out;
}

// The keys a [keys] value names: one or two names, where a name may be
// two words ("0 PAD"). False with the reason.
static bool parse_keys(const std::string& value, int out[KEYS_PER_ACTION], std::string& why)
{
    std::vector<std::string> names;
    for (const std::string& w : words(value)) {
        if (strcasecmp(w.c_str(), "PAD") == 0 && !names.empty())
            names.back() += " PAD";
        else if (strcasecmp(w.c_str(), "PAD") == 0)
            names.push_back("= PAD");  // the library's reader takes "= PAD" after "key =" for its "="
        else
            names.push_back(w);
    }
    int found[KEYS_PER_ACTION] = {};
    int n = 0;
    for (const std::string& name : names) {
        int code = key_by_name(name);
        if (code == 0) {
            why = "no key is named " + name;
            return false;
        }
        if (code == KEY_ESC) {
            why = "Esc always quits and cannot be bound";
            return false;
        }
        bool again = false;
        for (int k = 0; k < n; k++)
            again = again || found[k] == code;
        if (again)
            continue;
        if (n == KEYS_PER_ACTION) {
            why = "at most two keys an action";
            return false;
        }
        found[n++] = code;
    }
    if (n == 0) {
        why = "no key named";
        return false;
    }
    for (int k = 0; k < KEYS_PER_ACTION; k++)
        out[k] = found[k];
    return true;
}

static std::string keys_text(const int keys[KEYS_PER_ACTION])
{
    std::string text;
    for (int k = 0; k < KEYS_PER_ACTION; k++) {
        if (!keys[k])
            continue;
        if (!text.empty())
            text += " ";
        text += key_name(keys[k]);
    }
    return text.empty() ? "none" : text;
}

// ---- Other values ----------------------------------------------------------------------

static bool parse_buttons(const std::string& value, unsigned& out, std::string& why)
{
    std::vector<std::string> list = words(value);
    unsigned mask = 0;
    for (const std::string& w : list) {
        if (strcasecmp(w.c_str(), "even") == 0) {
            mask |= EVEN_BUTTONS;
        } else if (strcasecmp(w.c_str(), "odd") == 0) {
            mask |= ODD_BUTTONS;
        } else if (strcasecmp(w.c_str(), "none") == 0) {
        } else if (w.size() <= 2 && isdigit((unsigned char)w[0]) &&
                   (w.size() == 1 || isdigit((unsigned char)w[1])) && atoi(w.c_str()) < JOY_BUTTONS) {
            mask |= 1u << atoi(w.c_str());
        } else {
            why = "not even, odd, none or button numbers from 0 to 31";
            return false;
        }
    }
    out = mask;
    return true;
}

static std::string buttons_text(unsigned mask)
{
    if (mask == EVEN_BUTTONS)
        return "even";
    if (mask == ODD_BUTTONS)
        return "odd";
    if (mask == 0)
        return "none";
    std::string text;
    for (int b = 0; b < JOY_BUTTONS; b++) {
        if (!(mask & (1u << b)))
            continue;
        if (!text.empty())
            text += " ";
        text += std::to_string(b);
    }
    return text;
}

// A whole number from lo to hi, written as digits alone.
static bool number_in(const std::string& value, int lo, int hi, int& out)
{
    if (value.empty() || value.size() > 6)
        return false;
    for (char c : value)
        if (!isdigit((unsigned char)c))
            return false;
    int v = atoi(value.c_str());
    if (v < lo || v > hi)
        return false;
    out = v;
    return true;
}

static bool parse_yes_no(const std::string& value, bool& out)
{
    static const char* const YES[] = {"yes", "true", "on", "1"};
    static const char* const NO[] = {"no", "false", "off", "0"};
    for (const char* y : YES)
        if (strcasecmp(value.c_str(), y) == 0)
            return out = true, true;
    for (const char* n : NO)
        if (strcasecmp(value.c_str(), n) == 0)
            return out = false, true;
    return false;
}

std::string setting_value(const settings& s, int id)
{
    if (id < SET_KEYS + KEY_ACTIONS)
        return keys_text(s.keys[id - SET_KEYS]);
    switch (id) {
    case SET_JOY_FIRE: return buttons_text(s.fire_buttons);
    case SET_JOY_NEXT: return buttons_text(s.next_buttons);
    case SET_MUSIC: return std::to_string(s.music);
    case SET_EFFECTS: return std::to_string(s.effects);
    case SET_MUTE: return s.mute ? "yes" : "no";
    case SET_SCALE: return s.scale == 0 ? "auto" : std::to_string(s.scale);
    case SET_FULLSCREEN: return s.fullscreen ? "yes" : "no";
    case SET_FOCUS_PAUSE: return s.pause_on_focus_loss ? "yes" : "no";
    default: return "";
    }
}

// Sets one of the settings that stand alone (not keys or buttons) from
// its value in the file; false with the reason.
static bool set_plain(settings& s, int id, const std::string& value, std::string& why)
{
    switch (id) {
    case SET_MUSIC:
    case SET_EFFECTS:
        why = "not a volume from 0 to 100";
        return number_in(value, 0, 100, id == SET_MUSIC ? s.music : s.effects);
    case SET_MUTE:
    case SET_FULLSCREEN:
        why = "not yes or no";
        return parse_yes_no(value, id == SET_MUTE ? s.mute : s.fullscreen);
    case SET_SCALE:
        why = "not 1 to 4, or auto";
        if (strcasecmp(value.c_str(), "auto") == 0)
            return s.scale = 0, true;
        return number_in(value, 1, MAX_SCALE, s.scale);
    case SET_FOCUS_PAUSE:
        why = "not yes or no";
        return parse_yes_no(value, s.pause_on_focus_loss);
    default:
        return false;
    }
}

// ---- Reading -----------------------------------------------------------------------------

// Notes about one file, all in the same form.
struct note_taker {
    const std::string& file;
    std::vector<std::string>& notes;

    void about_file(const std::string& what)
    {
        notes.push_back("zelto: " + file + ": " + what);
    }
    void about(int id, const std::string& value, const std::string& why, const std::string& then)
    {
        notes.push_back("zelto: " + file + ": [" + INFO[id].section + "] " + INFO[id].key + " = " +
                        value + ": " + why + "; " + then);
    }
};

// What a settings file may hold: text, one line after another. A NUL or
// another control character, or bytes that are not UTF-8, make it binary.
static bool is_text(const std::vector<unsigned char>& bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        unsigned char c = bytes[i];
        if (c < 0x80) {
            if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f)
                return false;
            i++;
            continue;
        }
        // A UTF-8 sequence: its length from its first byte.
        size_t more = c >= 0xc2 && c <= 0xdf ? 1 : c >= 0xe0 && c <= 0xef ? 2 : c >= 0xf0 && c <= 0xf4 ? 3 : 0;
        if (more == 0 || i + more >= bytes.size())
            return false;
        for (size_t k = 1; k <= more; k++)
            if ((bytes[i + k] & 0xc0) != 0x80)
                return false;
        i += more + 1;
    }
    return true;
}

static bool blank(const std::vector<unsigned char>& bytes)
{
    for (unsigned char c : bytes)
        if (!isspace(c))
            return false;
    return true;
}

// One line of a settings file that is not blank or a comment, in the
// library's configuration format: "[section]", or "key = value" in the
// section above it. Names are compared in lower case.
struct config_line {
    std::string section;  // "" before any section
    std::string key;      // "" for a section's own line
    std::string value;
};

static std::string trimmed(const std::string& s, size_t from, size_t to)
{
    while (from < to && isspace((unsigned char)s[from]))
        from++;
    while (to > from && isspace((unsigned char)s[to - 1]))
        to--;
    return s.substr(from, to - from);
}

static std::string lower(std::string s)
{
    for (char& c : s)
        c = char(tolower((unsigned char)c));
    return s;
}

// Splits the text into its lines, in one pass; false when a line is
// neither blank, a comment, a section nor a setting (no settings file).
static bool config_lines(const std::string& text, std::vector<config_line>& out)
{
    bool settings_file = true;
    std::string section;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = trimmed(text, at, end);
        at = end + 1;
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            section = lower(line.substr(0, close == std::string::npos ? line.size() : close + 1));
            settings_file = settings_file && close == line.size() - 1;
            out.push_back({section, "", ""});
            continue;
        }
        size_t eq = line.find('=');
        settings_file = settings_file && eq != std::string::npos && eq > 0;
        if (eq == std::string::npos)
            eq = line.size();
        out.push_back({section, lower(trimmed(line, 0, eq)), trimmed(line, std::min(eq + 1, line.size()), line.size())});
    }
    return settings_file;
}

// The keys the file gives, bound in the order of the actions: a key the
// file gave an earlier action is that action's, and the later one keeps
// its fallback; the fallbacks give up the keys the file gave elsewhere.
static void bind_keys(settings& into, const bool given[KEY_ACTIONS],
                      const int wanted[KEY_ACTIONS][KEYS_PER_ACTION],
                      const std::string values[KEY_ACTIONS], note_taker& say)
{
    int owner[KEY_MAX];
    for (int& o : owner)
        o = -1;
    bool taken[KEY_ACTIONS] = {};
    for (int a = 0; a < KEY_ACTIONS; a++) {
        if (!given[a])
            continue;
        int clash = -1, clash_key = 0;
        for (int code : wanted[a])
            if (code && owner[code] >= 0 && clash < 0)
                clash = owner[code], clash_key = code;
        if (clash >= 0) {
            say.about(SET_KEYS + a, values[a],
                      key_name(clash_key) + " is already the key of " + INFO[SET_KEYS + clash].key,
                      "using " + keys_text(into.keys[a]));
            continue;
        }
        for (int code : wanted[a])
            if (code)
                owner[code] = a;
        for (int k = 0; k < KEYS_PER_ACTION; k++)
            into.keys[a][k] = wanted[a][k];
        into.from[SET_KEYS + a] = FROM_FILE;
        taken[a] = true;
    }
    for (int a = 0; a < KEY_ACTIONS; a++) {
        if (taken[a])
            continue;
        int kept[KEYS_PER_ACTION] = {}, n = 0, lost = 0;
        for (int code : into.keys[a]) {
            if (!code)
                continue;
            if (owner[code] >= 0 && owner[code] != a) {
                lost = code;
                continue;
            }
            owner[code] = a;
            kept[n++] = code;
        }
        if (n == 0 && lost)
            say.about_file(std::string("[keys] ") + INFO[SET_KEYS + a].key + " has no key: " +
                           key_name(lost) + " is the key of " + INFO[SET_KEYS + owner[lost]].key +
                           " now; give it one with " + INFO[SET_KEYS + a].key + " = ...");
        for (int k = 0; k < KEYS_PER_ACTION; k++)
            into.keys[a][k] = kept[k];
    }
}

// The same for the joystick's two sets of buttons, fire first.
static void bind_buttons(settings& into, const bool given[2], const unsigned wanted[2],
                         const std::string values[2], note_taker& say)
{
    unsigned* sets[2] = {&into.fire_buttons, &into.next_buttons};
    unsigned claimed = 0;
    bool taken[2] = {};
    for (int i = 0; i < 2; i++) {
        if (!given[i])
            continue;
        if (wanted[i] & claimed) {
            say.about(SET_JOY_FIRE + i, values[i], "a button that already fires",
                      "using " + buttons_text(*sets[i] & ~claimed));
            continue;
        }
        *sets[i] = wanted[i];
        into.from[SET_JOY_FIRE + i] = FROM_FILE;
        claimed |= wanted[i];
        taken[i] = true;
    }
    for (int i = 0; i < 2; i++) {
        if (taken[i])
            continue;
        *sets[i] &= ~claimed;
        claimed |= *sets[i];
    }
}

// Reads every setting from the file's lines.
static void read_config(const std::vector<config_line>& lines, settings& into, note_taker& say)
{
    std::vector<std::string> sections_seen;
    const std::string* given[SETTINGS] = {};
    for (const config_line& l : lines) {
        if (l.key.empty()) {
            bool known = false;
            for (const char* sec : SECTIONS)
                known = known || l.section == std::string("[") + sec + "]";
            bool seen = std::find(sections_seen.begin(), sections_seen.end(), l.section) != sections_seen.end();
            if (!known && !seen)
                say.about_file(l.section + ": no such section; ignored");
            if (!seen)
                sections_seen.push_back(l.section);
            continue;
        }
        if (l.section.empty()) {
            say.about_file(l.key + ": a setting outside any section; ignored");
            continue;
        }
        int id = 0;
        while (id < SETTINGS && !(l.section == std::string("[") + INFO[id].section + "]" && l.key == INFO[id].key))
            id++;
        if (id < SETTINGS && given[id]) {
            say.about(id, l.value, "given again", "using the first, " + *given[id]);
        } else if (id < SETTINGS) {
            given[id] = &l.value;
        } else {
            bool known_section = false;
            for (const char* sec : SECTIONS)
                known_section = known_section || l.section == std::string("[") + sec + "]";
            if (known_section)
                say.about_file(l.section + " " + l.key + ": no such setting; ignored");
        }
    }

    bool keys_given[KEY_ACTIONS] = {};
    int keys_wanted[KEY_ACTIONS][KEYS_PER_ACTION] = {};
    std::string key_values[KEY_ACTIONS];
    bool buttons_given[2] = {};
    unsigned buttons_wanted[2] = {};
    std::string button_values[2];

    for (int id = 0; id < SETTINGS; id++) {
        if (!given[id])
            continue;
        const std::string& value = *given[id];
        std::string why;
        if (value.empty()) {
            say.about(id, value, "no value", "using " + setting_value(into, id));
            continue;
        }
        if (id < SET_KEYS + KEY_ACTIONS) {
            int a = id - SET_KEYS;
            if (parse_keys(value, keys_wanted[a], why)) {
                keys_given[a] = true;
                key_values[a] = value;
            } else {
                say.about(id, value, why, "using " + setting_value(into, id));
            }
        } else if (id == SET_JOY_FIRE || id == SET_JOY_NEXT) {
            int i = id - SET_JOY_FIRE;
            if (parse_buttons(value, buttons_wanted[i], why)) {
                buttons_given[i] = true;
                button_values[i] = value;
            } else {
                say.about(id, value, why, "using " + setting_value(into, id));
            }
        } else {
            settings tried = into;
            if (set_plain(tried, id, value, why)) {
                into = tried;
                into.from[id] = FROM_FILE;
            } else {
                say.about(id, value, why, "using " + setting_value(into, id));
            }
        }
    }
    bind_keys(into, keys_given, keys_wanted, key_values, say);
    bind_buttons(into, buttons_given, buttons_wanted, button_values, say);
}

bool parse_settings(const std::string& file, const std::vector<unsigned char>& text,
                    settings& into, std::vector<std::string>& notes)
{
    note_taker say{file, notes};
    if (blank(text)) {
        say.about_file("the settings file is empty; playing with the default settings");
        return true;
    }
    if (!is_text(text)) {
        say.about_file("not a settings file (binary, not text); playing with the default settings");
        return false;
    }
    size_t bom = text.size() >= 3 && text[0] == 0xef && text[1] == 0xbb && text[2] == 0xbf ? 3 : 0;
    std::vector<config_line> lines;
    bool settings_file = config_lines(std::string(text.begin() + bom, text.end()), lines);
    size_t before = notes.size();
    read_config(lines, into, say);
    // A file of a thousand mistakes is said in a dozen lines.
    size_t said = notes.size() - before;
    if (said > SETTINGS_NOTES_SHOWN) {
        notes.resize(before + SETTINGS_NOTES_SHOWN);
        say.about_file("and " + std::to_string(said - SETTINGS_NOTES_SHOWN) + " more problems like these");
    }
    return settings_file;
}

bool read_settings(const std::string& path, bool named, settings& into,
                   std::vector<std::string>& notes)
{
    std::vector<unsigned char> bytes;
    std::string why;
    if (read_regular(path, bytes, why, SETTINGS_LIMIT))
        return parse_settings(path, bytes, into, notes);
    struct stat st;
    bool absent = lstat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
    if (absent && !named)
        return true;  // no settings file: the game as designed
    notes.push_back("zelto: " + path + ": cannot read the settings: " + why +
                    "; playing with the default settings");
    return absent;
}

void apply_options(const options& opt, settings& s)
{
    if (opt.scale_given) {
        s.scale = opt.scale;
        s.from[SET_SCALE] = FROM_OPTION;
    }
    if (opt.fullscreen_given) {
        s.fullscreen = opt.fullscreen;
        s.from[SET_FULLSCREEN] = FROM_OPTION;
    }
    if (opt.mute) {
        s.mute = true;
        s.from[SET_MUTE] = FROM_OPTION;
    }
    if (opt.music >= 0) {
        s.music = opt.music;
        s.from[SET_MUSIC] = FROM_OPTION;
    }
    if (opt.effects >= 0) {
        s.effects = opt.effects;
        s.from[SET_EFFECTS] = FROM_OPTION;
    }
}

// ---- Writing and showing ------------------------------------------------------------------

std::string settings_text(const settings& s)
{
    std::string text =
        "# Zelto Star! settings, written by zelto --save-settings. Options on the\n"
        "# command line win over them for one run. Keys go by the game library's\n"
        "# names: A to Z, 0 to 9, F1 to F12, UP, DOWN, LEFT, RIGHT, SPACE, ENTER,\n"
        "# TAB, LSHIFT, RSHIFT, LCONTROL, RCONTROL, ALT, \"0 PAD\" to \"9 PAD\", comma,\n"
        "# period, slash...; one or two keys an action (left = LEFT A). Esc always\n"
        "# quits.\n";
    const char* section = "";
    for (int id = 0; id < SETTINGS; id++) {
        if (strcmp(section, INFO[id].section) != 0) {
            section = INFO[id].section;
            text += std::string("\n[") + section + "]\n";
        }
        text += std::string("# ") + INFO[id].about + "\n";
        text += std::string(INFO[id].key) + " = " + setting_value(s, id) + "\n";
    }
    return text;
}

std::string settings_report(const settings& s, const std::string& path)
{
    static const char* const FROM[] = {"default", "file", "option"};
    std::string text = "Settings file: " + (path.empty() ? std::string("none (no home folder)") : path) + "\n";
    const char* section = "";
    for (int id = 0; id < SETTINGS; id++) {
        if (strcmp(section, INFO[id].section) != 0) {
            section = INFO[id].section;
            text += std::string("[") + section + "]\n";
        }
        char line[160];
        snprintf(line, sizeof line, "  %-10s = %-16s (%s)\n", INFO[id].key, setting_value(s, id).c_str(),
                 FROM[s.from[id]]);
        text += line;
    }
    return text;
}

bool (*settings_write_fails)(int step) = nullptr;

static bool fails(int step)
{
    if (settings_write_fails && settings_write_fails(step)) {
        errno = EIO;
        return true;
    }
    return false;
}

// The steps of the write proper, after the folder, are replace_file's.
static bool replace_step_fails(int step)
{
    return fails(SETTINGS_STEP_CREATE + step);
}

bool save_settings(const std::string& path, const settings& s, std::string& why)
{
    std::string target = link_target(path, why);
    if (target.empty())
        return false;
    std::string folder = folder_of(target);
    if (fails(SETTINGS_STEP_FOLDER) || !make_folder(folder)) {
        why = "cannot create the folder " + folder + ": " + strerror(errno);
        return false;
    }
    struct stat old;
    if (stat(target.c_str(), &old) == 0 && !S_ISREG(old.st_mode)) {
        why = std::string("it is ") + kind_of_file(old.st_mode);
        return false;
    }
    // Only a settings file, or nothing, is replaced.
    settings scratch;
    std::vector<std::string> notes;
    if (!read_settings(target, false, scratch, notes)) {
        why = "it is no settings file, so it is left as it is";
        return false;
    }
    const std::string text = settings_text(s);
    return replace_file(target, text.data(), text.size(), true, why, replace_step_fails);
}

void use_settings(const settings& s)
{
    for (int a = 0; a < KEY_ACTIONS; a++)
        for (int k = 0; k < KEYS_PER_ACTION; k++)
            bindings[a][k] = s.keys[a][k];
    for (int b = 0; b < JOY_BUTTONS; b++)
        button_action[b] = s.fire_buttons & (1u << b) ? BIND_FIRE : s.next_buttons & (1u << b) ? BIND_NEXT : -1;
    effects_level = s.mute ? 0 : s.effects;
    music_level = s.mute ? 0 : s.music;
    pause_on_focus_loss = s.pause_on_focus_loss;
}
