// The settings file: every setting is read, missing ones keep the game's
// own value, the command line wins for one run, everything wrong gets one
// line and its setting's default, no kind of file stops the game, and
// --save-settings writes all or nothing.
#include "harness.h"
#include "shell/config/options.h"
#include "shell/config/settings.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::string_literals;

static const char* const FILE_NAME = "zelto.cfg";

static std::vector<unsigned char> bytes_of(const std::string& text)
{
    return std::vector<unsigned char>(text.begin(), text.end());
}

// The settings a file's text gives over the defaults, and the lines said.
static settings parse(const std::string& text, std::vector<std::string>& notes)
{
    settings s;
    notes.clear();
    parse_settings(FILE_NAME, bytes_of(text), s, notes);
    return s;
}

static settings parse(const std::string& text)
{
    std::vector<std::string> notes;
    settings s = parse(text, notes);
    for (const std::string& n : notes)
        ADD_FAILURE() << "unexpected: " << n;
    return s;
}

static std::string all_values(const settings& s)
{
    std::string text;
    for (int id = 0; id < SETTINGS; id++)
        text += std::string(setting_key(id)) + "=" + setting_value(s, id) + ";";
    return text;
}

static bool options_from(std::vector<const char*> args, options& out)
{
    args.insert(args.begin(), "zelto");
    std::string error;
    bool ok = parse_options(int(args.size()), const_cast<char**>(args.data()), out, error);
    EXPECT_TRUE(ok) << error;
    return ok;
}

// A scratch folder; the game's keys, buttons and volumes put back after.
class Settings : public ::testing::Test {
protected:
    std::string folder;

    void SetUp() override
    {
        char name[] = "/tmp/zelto_settings_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
    }
    void TearDown() override
    {
        use_settings(settings());
        settings_write_fails = nullptr;
        std::string rm = "rm -rf '" + folder + "'";
        EXPECT_EQ(system(rm.c_str()), 0);
    }
    std::string write(const std::string& name, const std::string& bytes)
    {
        std::string path = folder + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string contents(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
};

// ---- Defaults and reading -------------------------------------------------------------

TEST_F(Settings, DefaultsAreTheGamesOwnChoices)
{
    settings s;
    EXPECT_EQ(all_values(s), "up=UP;down=DOWN;left=LEFT;right=RIGHT;fire=Z;next=X;pause=P;"
                             "screenshot=TAB;fullscreen=F11;fast=F;fire=even;next=odd;"
                             "music=100;effects=100;mute=no;scale=1;fullscreen=no;pause_on_focus_loss=yes;");
    for (setting_source from : s.from)
        EXPECT_EQ(from, FROM_DEFAULT);

    // In the game: the same keys and buttons as before any setting, full volumes.
    bindings[BIND_FIRE][0] = KEY_Q;
    button_action[4] = -1;
    effects_level = music_level = 3;
    pause_on_focus_loss = false;
    use_settings(s);
    int before[KEY_ACTIONS][KEYS_PER_ACTION];
    memcpy(before, bindings, sizeof before);
    default_bindings();
    EXPECT_EQ(memcmp(before, bindings, sizeof before), 0);
    for (int b = 0; b < JOY_BUTTONS; b++)
        EXPECT_EQ(button_action[b], b % 2 ? BIND_NEXT : BIND_FIRE) << b;
    EXPECT_EQ(effects_level, 100);
    EXPECT_EQ(music_level, 100);
    EXPECT_TRUE(pause_on_focus_loss);

    // No file, or one that sets nothing: the same.
    std::vector<std::string> notes;
    settings none;
    read_settings(folder + "/zelto/zelto.cfg", false, none, notes);
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(all_values(none), all_values(s));
    EXPECT_EQ(all_values(parse("# nothing set\n\n[keys]\n[sound]\n")), all_values(s));
}

TEST_F(Settings, EverySettingIsRead)
{
    settings s = parse("[keys]\n"
                       "up = W\n"
                       "down = s\n"             // any case
                       "left = LEFT A\n"        // two keys
                       "right = RIGHT  d\n"
                       "fire = SPACE\n"
                       "next = ENTER\n"
                       "pause = PAUSE\n"
                       "screenshot = F12\n"
                       "fullscreen = F\n"
                       "fast = 0 pad\n"         // a name of two words
                       "[JoyStick]\n"           // sections and keys in any case
                       "FIRE = 1 3\n"
                       "next = even\n"
                       "[sound]\n"
                       "music = 40\n"
                       "effects = 0\n"
                       "mute = yes\n"
                       "[window]\n"
                       "scale = auto\n"
                       "fullscreen = true\n"
                       "pause_on_focus_loss = no\n");
    EXPECT_EQ(all_values(s), "up=W;down=S;left=LEFT A;right=RIGHT D;fire=SPACE;next=ENTER;"
                             "pause=PAUSE;screenshot=F12;fullscreen=F;fast=0 PAD;fire=1 3;next=even;"
                             "music=40;effects=0;mute=yes;scale=auto;fullscreen=yes;pause_on_focus_loss=no;");
    EXPECT_EQ(s.keys[BIND_LEFT][0], KEY_LEFT);
    EXPECT_EQ(s.keys[BIND_LEFT][1], KEY_A);
    EXPECT_EQ(s.keys[BIND_FAST][0], KEY_0_PAD);
    EXPECT_EQ(s.fire_buttons, 0xau);
    EXPECT_EQ(s.next_buttons, EVEN_BUTTONS);
    EXPECT_EQ(s.music, 40);
    EXPECT_EQ(s.effects, 0);
    EXPECT_TRUE(s.mute);
    EXPECT_EQ(s.scale, 0);
    EXPECT_TRUE(s.fullscreen);
    EXPECT_FALSE(s.pause_on_focus_loss);
    use_settings(s);
    EXPECT_FALSE(pause_on_focus_loss);
    for (int id = 0; id < SETTINGS; id++)
        EXPECT_EQ(s.from[id], FROM_FILE) << setting_key(id);
    // The default fullscreen key F11 went to nobody: F is the fullscreen key now.
    EXPECT_EQ(setting_value(s, SET_KEYS + BIND_FULLSCREEN), "F");

    // Every other form of each kind of value.
    EXPECT_EQ(parse("[window]\nscale = 4\nfullscreen = off\n").scale, 4);
    EXPECT_FALSE(parse("[window]\nfullscreen = 0\n").fullscreen);
    EXPECT_FALSE(parse("[sound]\nmute = No\n").mute);
    EXPECT_TRUE(parse("[sound]\nmute = on\n").mute);
    EXPECT_EQ(parse("[sound]\nmusic = 100\neffects = 7\n").effects, 7);
    EXPECT_EQ(parse("[joystick]\nfire = none\nnext = 0 odd 31\n").next_buttons, ODD_BUTTONS | 1u);
    // "= PAD" after "key =": the library's reader takes its "=" for the one after the key.
    EXPECT_EQ(parse("[keys]\nfire = = PAD\n").keys[BIND_FIRE][0], KEY_EQUALS_PAD);
    EXPECT_EQ(parse("[keys]\nfire = / PAD = PAD\n").keys[BIND_FIRE][1], KEY_EQUALS_PAD);
    // A key named twice for one action is one key.
    settings twice = parse("[keys]\nfire = Z z\n");
    EXPECT_EQ(twice.keys[BIND_FIRE][0], KEY_Z);
    EXPECT_EQ(twice.keys[BIND_FIRE][1], 0);
}

TEST_F(Settings, LineEndsCommentsAndLettersBeyondAsciiAreText)
{
    settings s = parse("\xef\xbb\xbf# R\xc3\xa9glages \xe2\x80\x94 \xf0\x9f\x8e\xae\r\n"
                       "[keys]\r\nfire = SPACE\r\n  # indented comment\r\n[sound]\r\nmusic = 20");
    EXPECT_EQ(s.keys[BIND_FIRE][0], KEY_SPACE);
    EXPECT_EQ(s.music, 20);
}

TEST_F(Settings, KeyNamesAreTheLibrarys)
{
    EXPECT_EQ(key_name(KEY_SPACE), "SPACE");
    EXPECT_EQ(key_name(KEY_5_PAD), "5 PAD");
    for (int code = 1; code < KEY_MAX; code++) {
        if (code == KEY_ESC)
            continue;
        settings s;
        s.keys[BIND_FIRE][0] = code;
        std::vector<std::string> notes;
        settings back = parse("[keys]\nfire = " + setting_value(s, SET_KEYS + BIND_FIRE) + "\n", notes);
        EXPECT_EQ(back.keys[BIND_FIRE][0], code) << key_name(code);
    }
    // Punctuation by the X keyboard's names, or by the library's numbers.
    EXPECT_EQ(key_name(KEY_COMMA), "comma");
    EXPECT_EQ(key_by_name("KEY72"), KEY_COMMA);
    EXPECT_EQ(key_by_name("Period"), KEY_STOP);
    EXPECT_EQ(key_by_name("esc"), KEY_ESC);
    EXPECT_EQ(key_by_name("(none)"), 0);
    EXPECT_EQ(key_by_name(""), 0);
    EXPECT_EQ(key_by_name("SPACEBAR"), 0);
}

// ---- The order: default < file < option ------------------------------------------------

TEST_F(Settings, OptionsWinOverTheFileForTheirRunOnly)
{
    std::string path = write(FILE_NAME, "[sound]\nmusic = 30\neffects = 40\n"
                                        "[window]\nscale = 3\nfullscreen = yes\n[keys]\nfire = SPACE\n");
    const std::string before = contents(path);
    std::vector<std::string> notes;

    settings s;
    read_settings(path, true, s, notes);
    options opt;
    ASSERT_TRUE(options_from({"--music", "5", "--scale", "auto", "--window"}, opt));
    apply_options(opt, s);
    EXPECT_EQ(s.music, 5);
    EXPECT_EQ(s.from[SET_MUSIC], FROM_OPTION);
    EXPECT_EQ(s.effects, 40);  // not on the command line: the file's
    EXPECT_EQ(s.from[SET_EFFECTS], FROM_FILE);
    EXPECT_EQ(s.scale, 0);
    EXPECT_EQ(s.from[SET_SCALE], FROM_OPTION);
    EXPECT_FALSE(s.fullscreen);
    EXPECT_EQ(s.from[SET_FULLSCREEN], FROM_OPTION);
    EXPECT_EQ(s.keys[BIND_FIRE][0], KEY_SPACE);
    EXPECT_EQ(s.from[SET_KEYS + BIND_FIRE], FROM_FILE);
    EXPECT_EQ(s.from[SET_MUTE], FROM_DEFAULT);

    settings t;
    read_settings(path, true, t, notes);
    ASSERT_TRUE(options_from({"--mute", "--effects=100", "--scale=1", "--fullscreen"}, opt));
    apply_options(opt, t);
    EXPECT_TRUE(t.mute);
    EXPECT_EQ(t.from[SET_MUTE], FROM_OPTION);
    EXPECT_EQ(t.effects, 100);
    EXPECT_EQ(t.music, 30);
    EXPECT_EQ(t.scale, 1);
    EXPECT_TRUE(t.fullscreen);

    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(contents(path), before);
}

TEST_F(Settings, SettingsShowEachValueAndWhereItCameFrom)
{
    settings s = parse("[keys]\nleft = LEFT A\n[window]\nscale = 2\n");
    options opt;
    ASSERT_TRUE(options_from({"--music", "70"}, opt));
    apply_options(opt, s);
    std::string shown = settings_report(s, "/home/me/.config/zelto/zelto.cfg");
    EXPECT_EQ(shown.find("Settings file: /home/me/.config/zelto/zelto.cfg\n"), 0u);
    EXPECT_NE(shown.find("  left       = LEFT A           (file)\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("  right      = RIGHT            (default)\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("  music      = 70               (option)\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("  scale      = 2                (file)\n"), std::string::npos) << shown;
    // Every setting on a line of its own under its section.
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 1 + 4 + SETTINGS);
}

// ---- Bad input --------------------------------------------------------------------------------

TEST_F(Settings, EachBadValueSaysOneLineAndKeepsItsDefault)
{
    struct bad_case {
        std::string text;      // the file
        int id;                // the setting it spoils
        std::string line;      // what the one line must hold
    };
    const std::vector<bad_case> cases = {
        {"[keys]\nfire = FOO\n", SET_KEYS + BIND_FIRE, "[keys] fire = FOO: no key is named FOO; using Z"},
        {"[keys]\nleft = LEFT JOY\n", SET_KEYS + BIND_LEFT, "[keys] left = LEFT JOY: no key is named JOY; using LEFT"},
        {"[keys]\npause = ESC\n", SET_KEYS + BIND_PAUSE, "[keys] pause = ESC: Esc always quits"},
        {"[keys]\nup = W UP I\n", SET_KEYS + BIND_UP, "[keys] up = W UP I: at most two keys an action; using UP"},
        {"[keys]\nnext =\n", SET_KEYS + BIND_NEXT, "[keys] next = : no value; using X"},
        {"[sound]\nmusic = 300\n", SET_MUSIC, "[sound] music = 300: not a volume from 0 to 100; using 100"},
        {"[sound]\neffects = -5\n", SET_EFFECTS, "[sound] effects = -5: not a volume from 0 to 100; using 100"},
        {"[sound]\nmusic = 50%\n", SET_MUSIC, "[sound] music = 50%: not a volume"},
        {"[sound]\nmusic = 0x10\n", SET_MUSIC, "[sound] music = 0x10: not a volume"},
        {"[sound]\nmute = maybe\n", SET_MUTE, "[sound] mute = maybe: not yes or no; using no"},
        {"[window]\nscale = 9\n", SET_SCALE, "[window] scale = 9: not 1 to 4, or auto; using 1"},
        {"[window]\nscale = 0\n", SET_SCALE, "[window] scale = 0: not 1 to 4"},
        {"[window]\nfullscreen = please\n", SET_FULLSCREEN, "[window] fullscreen = please: not yes or no"},
        {"[window]\npause_on_focus_loss = later\n", SET_FOCUS_PAUSE,
         "[window] pause_on_focus_loss = later: not yes or no; using yes"},
        {"[joystick]\nfire = 32\n", SET_JOY_FIRE, "[joystick] fire = 32: not even, odd, none or button numbers"},
        {"[joystick]\nnext = -1\n", SET_JOY_NEXT, "[joystick] next = -1: not even"},
    };
    const settings defaults;
    for (const bad_case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::string> notes;
        settings s = parse(c.text, notes);
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0].find("zelto: zelto.cfg: "), 0u) << notes[0];
        EXPECT_NE(notes[0].find(c.line), std::string::npos) << notes[0];
        EXPECT_EQ(notes[0].find('\n'), std::string::npos);
        EXPECT_EQ(setting_value(s, c.id), setting_value(defaults, c.id));
        EXPECT_EQ(s.from[c.id], FROM_DEFAULT);
    }
}

TEST_F(Settings, UnknownSettingsAndSectionsAreSaidAndIgnored)
{
    std::vector<std::string> notes;
    settings s = parse("volume = 3\n[keys]\njump = J\nfire = SPACE\n[sound]\ndigi_card = 0\n"
                       "[graphics]\nscale = 2\n",
                       notes);
    ASSERT_EQ(notes.size(), 4u);
    std::string all;
    for (const std::string& n : notes)
        all += n + "\n";
    EXPECT_NE(all.find("zelto: zelto.cfg: volume: a setting outside any section; ignored\n"), std::string::npos) << all;
    EXPECT_NE(all.find("zelto: zelto.cfg: [keys] jump: no such setting; ignored\n"), std::string::npos) << all;
    EXPECT_NE(all.find("zelto: zelto.cfg: [sound] digi_card: no such setting; ignored\n"), std::string::npos) << all;
    EXPECT_NE(all.find("zelto: zelto.cfg: [graphics]: no such section; ignored\n"), std::string::npos) << all;
    EXPECT_EQ(s.keys[BIND_FIRE][0], KEY_SPACE);
    EXPECT_EQ(s.scale, 1);

    // A setting given twice: the first holds, and one line says so.
    s = parse("[sound]\nmusic = 40\nMUSIC = 60\n", notes);
    EXPECT_EQ(s.music, 40);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], "zelto: zelto.cfg: [sound] music = 60: given again; using the first, 40");

    // Thirteen thousand unknown keys: read at once, said in a dozen lines.
    std::string many = "[keys]\n";
    for (int i = 0; i < 13300; i++)
        many += std::to_string(i) + "=\n";
    auto began = std::chrono::steady_clock::now();
    parse(many, notes);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(500));
    ASSERT_EQ(notes.size(), SETTINGS_NOTES_SHOWN + 1);
    EXPECT_EQ(notes.back(), "zelto: zelto.cfg: and 13290 more problems like these");
}

TEST_F(Settings, AKeyBoundTwiceStaysWithTheFirstAction)
{
    std::vector<std::string> notes;
    // Fire comes before next: fire keeps Z, next keeps its own X.
    settings s = parse("[keys]\nnext = Z\nfire = Z\n", notes);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("[keys] next = Z: Z is already the key of fire; using X"), std::string::npos)
        << notes[0];
    EXPECT_EQ(setting_value(s, SET_KEYS + BIND_FIRE), "Z");
    EXPECT_EQ(setting_value(s, SET_KEYS + BIND_NEXT), "X");
    EXPECT_EQ(s.from[SET_KEYS + BIND_NEXT], FROM_DEFAULT);

    // One of two keys in a clash is enough; the whole setting is the default.
    s = parse("[keys]\nup = W\nleft = LEFT W\n", notes);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("[keys] left = LEFT W: W is already the key of up; using LEFT"), std::string::npos);
    EXPECT_EQ(setting_value(s, SET_KEYS + BIND_LEFT), "LEFT");

    // A key the file gives one action is taken from another's default,
    // and an action left with no key is said.
    s = parse("[keys]\nright = F\n", notes);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("[keys] fast has no key: F is the key of right now"), std::string::npos) << notes[0];
    EXPECT_EQ(setting_value(s, SET_KEYS + BIND_FAST), "none");
    s = parse("[keys]\nup = W\ndown = S\nleft = A\nright = D\nfire = UP\n");  // arrows free
    EXPECT_EQ(setting_value(s, SET_KEYS + BIND_FIRE), "UP");

    // Every key is bound to one action at most, whatever the file says.
    s = parse("[keys]\nup = X\nnext = X\ndown = UP\nfire = DOWN P\npause = DOWN\n", notes);
    EXPECT_EQ(notes.size(), 4u);  // next and pause clash, then find their own keys taken
    int owners[KEY_MAX] = {};
    for (int a = 0; a < KEY_ACTIONS; a++)
        for (int code : s.keys[a])
            if (code) {
                EXPECT_EQ(owners[code]++, 0) << key_name(code);
            }

    // The joystick's buttons likewise: fire first.
    s = parse("[joystick]\nfire = 0 1\nnext = 1\n", notes);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("[joystick] next = 1: a button that already fires"), std::string::npos);
    EXPECT_EQ(s.fire_buttons, 3u);
    EXPECT_EQ(s.next_buttons, ODD_BUTTONS & ~2u);
    s = parse("[joystick]\nnext = 0\n");  // taken from fire's default, silently
    EXPECT_EQ(s.fire_buttons, EVEN_BUTTONS & ~1u);
    EXPECT_EQ(s.next_buttons, 1u);
}

TEST_F(Settings, NoKindOfFileStopsTheGame)
{
    std::string binary(4096, '\0');
    for (size_t i = 0; i < binary.size(); i++)
        binary[i] = char((i * 7919) >> 3);
    mkfifo((folder + "/pipe").c_str(), 0600);
    ASSERT_EQ(mkdir((folder + "/folder").c_str(), 0700), 0);
    struct file_case {
        std::string path;
        std::string line;  // what the one line holds
    };
    const std::vector<file_case> cases = {
        {write("binary", binary), "not a settings file (binary, not text)"},
        {write("nul", "[keys]\nfire = SPACE\0\n"s), "not a settings file"},
        {write("latin1", "[keys]\n# R\xe9glages\nfire = SPACE\n"), "not a settings file"},
        {write("empty", ""), "the settings file is empty"},
        {write("blank", " \n\n\t\r\n"), "the settings file is empty"},
        {write("large", "[sound]\n" + std::string(SETTINGS_LIMIT, '#')), "cannot read the settings: too large"},
        {folder + "/folder", "cannot read the settings: a folder"},
        {folder + "/pipe", "cannot read the settings: a named pipe"},
        {"/dev/zero", "cannot read the settings: a device"},
        {folder + "/missing/zelto.cfg", "cannot read the settings: No such file or directory"},
        {write("plain", "x") + "/zelto.cfg", "cannot read the settings: Not a directory"},
    };
    const settings defaults;
    for (const file_case& c : cases) {
        SCOPED_TRACE(c.path);
        std::vector<std::string> notes;
        settings s;
        read_settings(c.path, true, s, notes);
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_EQ(notes[0].find("zelto: " + c.path + ": "), 0u) << notes[0];
        EXPECT_NE(notes[0].find(c.line), std::string::npos) << notes[0];
        EXPECT_EQ(all_values(s), all_values(defaults));
    }
    // The player's own file not being there, or its folder, is no fault.
    for (const std::string& path : {folder + "/none.cfg", folder + "/missing/zelto.cfg"}) {
        std::vector<std::string> notes;
        settings s;
        read_settings(path, false, s, notes);
        EXPECT_TRUE(notes.empty()) << path;
    }
    // But anything else there is.
    std::vector<std::string> notes;
    settings s;
    read_settings(folder + "/folder", false, s, notes);
    EXPECT_EQ(notes.size(), 1u);
}

TEST_F(Settings, TheLibrarysOwnSettingsAndTheGamesStayApart)
{
    // The library's settings in use, as the game's start-up finds them.
    push_config_state();
    const char library[] = "[sound]\nalsa_device = mine\ndigi_volume = 200\n";
    set_config_data(library, int(strlen(library)));
    settings s = parse("[sound]\nmusic = 20\nmute = yes\n");
    EXPECT_EQ(s.music, 20);
    EXPECT_STREQ(get_config_string("sound", "alsa_device", "default"), "mine");
    EXPECT_EQ(get_config_int("sound", "digi_volume", -1), 200);
    EXPECT_STREQ(get_config_string("sound", "music", "unset"), "unset");
    EXPECT_STREQ(get_config_string("sound", "mute", "unset"), "unset");
    // ...and the library's keys in the game's file are nothing to the game.
    std::vector<std::string> notes;
    s = parse("[sound]\nalsa_device = yours\n", notes);
    EXPECT_EQ(notes.size(), 1u);
    EXPECT_STREQ(get_config_string("sound", "alsa_device", "default"), "mine");
    pop_config_state();
}

// ---- Writing ---------------------------------------------------------------------------------

TEST_F(Settings, SavedSettingsReadBackTheSameWithACommentOverEachKey)
{
    settings s = parse("[keys]\nleft = LEFT A\nright = RIGHT D\nfire = SPACE\nfast = = PAD\n"
                       "[joystick]\nfire = 0 5\nnext = 1\n[sound]\nmusic = 0\neffects = 35\n"
                       "[window]\npause_on_focus_loss = no\n");
    options opt;
    ASSERT_TRUE(options_from({"--scale", "auto", "--fullscreen", "--mute"}, opt));
    apply_options(opt, s);
    std::string path = folder + "/config/zelto/zelto.cfg";  // the folders are made
    std::string why;
    ASSERT_TRUE(save_settings(path, s, why)) << why;

    std::vector<std::string> notes;
    settings back;
    read_settings(path, false, back, notes);
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(all_values(back), all_values(s));
    for (int id = 0; id < SETTINGS; id++)
        EXPECT_EQ(back.from[id], FROM_FILE) << setting_key(id);

    // A comment line right above every key line.
    std::istringstream lines(contents(path));
    std::string line, previous;
    int keys = 0;
    while (std::getline(lines, line)) {
        if (!line.empty() && line[0] != '#' && line[0] != '[') {
            keys++;
            EXPECT_EQ(previous.compare(0, 2, "# "), 0) << line;
        }
        previous = line;
    }
    EXPECT_EQ(keys, SETTINGS);

    // The file keeps its mode; a link to it stays a link.
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    std::string link = folder + "/link.cfg";
    ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
    s.music = 11;
    ASSERT_TRUE(save_settings(link, s, why)) << why;
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_NE(contents(path).find("\nmusic = 11\n"), std::string::npos);
}

static int failing_step;

TEST_F(Settings, AFailedSaveLeavesTheOldFileWholeAndNoTemporaryFile)
{
    std::string path = folder + "/zelto.cfg";
    settings old;
    old.music = 42;
    std::string why;
    ASSERT_TRUE(save_settings(path, old, why));
    const std::string before = contents(path);
    settings changed;
    changed.music = 7;
    for (failing_step = 0; failing_step < SETTINGS_STEPS; failing_step++) {
        SCOPED_TRACE(failing_step);
        settings_write_fails = [](int step) { return step == failing_step; };
        why.clear();
        EXPECT_FALSE(save_settings(path, changed, why));
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(why.find('\n'), std::string::npos);
        EXPECT_EQ(contents(path), before);
        std::string listing;
        DIR* dir = opendir(folder.c_str());
        ASSERT_NE(dir, nullptr);
        while (dirent* e = readdir(dir))
            if (e->d_name[0] != '.')
                listing += std::string(e->d_name) + "\n";
        closedir(dir);
        EXPECT_EQ(listing, "zelto.cfg\n");
    }
    settings_write_fails = nullptr;

    // What lies where the file should be and is no file is left alone.
    ASSERT_EQ(mkdir((folder + "/taken.cfg").c_str(), 0700), 0);
    EXPECT_FALSE(save_settings(folder + "/taken.cfg", changed, why));
    EXPECT_EQ(why, "it is a folder");
    // A file that is no settings file is never replaced: a binary, the
    // score table.
    std::string binary(200000, '\0');
    for (size_t i = 0; i < binary.size(); i++)
        binary[i] = char((i * 7919) >> 3);
    for (std::string bytes : {binary, std::string("50\n40\n0\n0\n0\n")}) {
        write("other", bytes);
        why.clear();
        EXPECT_FALSE(save_settings(folder + "/other", changed, why));
        EXPECT_NE(why.find("no settings file"), std::string::npos) << why;
        EXPECT_EQ(contents(folder + "/other"), bytes);
    }
    // A folder that cannot be made.
    write("file", "x");
    EXPECT_FALSE(save_settings(folder + "/file/zelto/zelto.cfg", changed, why));
    EXPECT_NE(why.find("cannot create the folder"), std::string::npos) << why;
}

// ---- In the game -----------------------------------------------------------------------------

using SettingsInGame = Headless;

TEST_F(SettingsInGame, BoundKeysAndButtonsMakeTheControls)
{
    use_settings(parse("[keys]\nleft = A\nright = D LEFT\nfire = SPACE\n"
                       "[joystick]\nfire = 3\nnext = 0\n"));
    hold(KEY_D);
    hold(KEY_SPACE);
    controls.update();
    EXPECT_TRUE(controls.right);
    EXPECT_TRUE(controls.fire);
    release_all();
    hold(KEY_RIGHT);  // bound to nothing now
    hold(KEY_Z);
    controls.update();
    EXPECT_FALSE(controls.right || controls.fire || controls.left);
    release_all();
    hold(KEY_LEFT);  // the second key of right
    controls.update();
    EXPECT_TRUE(controls.right);
    EXPECT_FALSE(controls.left);
    release_all();

    is_joy = true;
    joy[0].num_buttons = 4;
    joy[0].num_sticks = 1;
    for (int b = 0; b < 4; b++)
        joy[0].button[b].b = b == 3;
    controls.update();
    EXPECT_TRUE(controls.fire);
    EXPECT_FALSE(controls.next);
    joy[0].button[3].b = 0;
    joy[0].button[2].b = 1;  // neither fires nor continues
    controls.update();
    EXPECT_FALSE(controls.fire || controls.next);
    joy[0].button[0].b = 1;
    controls.update();
    EXPECT_TRUE(controls.next);
    joy[0].button[0].b = joy[0].button[2].b = 0;
    is_joy = false;
    use_settings(settings());
}

TEST_F(SettingsInGame, EffectsAreHeardAtTheirSetShare)
{
    start_game();
    hold(KEY_Z);
    effects_level = 50;
    passes(20);
    ASSERT_GT(times_played(laser), 0);
    for (const played& p : sounds)
        if (p.sample == laser) {
            EXPECT_TRUE(p.volume == 25 || p.volume == 30) << p.volume;  // the shots' 50 and 60, halved
        }
    sounds.clear();
    effects_level = 100;
    passes(20);
    for (const played& p : sounds)
        if (p.sample == laser) {
            EXPECT_TRUE(p.volume == 50 || p.volume == 60) << p.volume;  // the game's own levels exactly
        }
    sounds.clear();
    effects_level = 0;
    passes(40);
    EXPECT_TRUE(sounds.empty());
    effects_level = 100;
}

// Root-mean-square level of the next second of mixed music.
static double music_rms()
{
    std::vector<int16_t> frames(MUSIC_RATE * 2);
    music_render(frames.data(), MUSIC_RATE);
    double sum = 0;
    for (int16_t v : frames)
        sum += double(v) * v;
    return std::sqrt(sum / frames.size());
}

TEST_F(SettingsInGame, MusicIsHeardAtItsSetShare)
{
    const double levels[] = {100, 50, 0};
    double heard[3];
    for (int i = 0; i < 3; i++) {
        music_level = int(levels[i]);
        music_play(combat);  // as the game starts a song: from the top, at full volume
        music_set_volume(combat, MUSIC_VOLUME_MAX);
        heard[i] = music_rms();
    }
    music_level = 100;
    EXPECT_GT(heard[0], 300.0);
    EXPECT_NEAR(heard[1] / heard[0], 0.5, 0.05);
    EXPECT_EQ(heard[2], 0.0);
}
