// The command line and the folders: every bad form is refused with a
// message, and the game finds its data and the player's folder.
#include "shell/config/options.h"
#include "shell/machine/paths.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

static bool parse(std::vector<const char*> args, options& out, std::string& error)
{
    args.insert(args.begin(), "zelto");
    return parse_options(int(args.size()), const_cast<char**>(args.data()), out, error);
}

TEST(Options, NoneMeansTheGameAsDesigned)
{
    options o;
    std::string error;
    ASSERT_TRUE(parse({}, o, error));
    EXPECT_EQ(o.scale, 1);
    EXPECT_FALSE(o.mute || o.help || o.version || o.fullscreen);
    EXPECT_TRUE(o.record.empty());
}

TEST(Options, GoodFormsAreRead)
{
    options o;
    std::string error;
    ASSERT_TRUE(parse({"--scale", "3", "--mute", "--record=run.zrec"}, o, error)) << error;
    EXPECT_EQ(o.scale, 3);
    EXPECT_TRUE(o.mute);
    EXPECT_EQ(o.record, "run.zrec");
    ASSERT_TRUE(parse({"--scale=4", "--version", "--help"}, o, error));
    EXPECT_EQ(o.scale, 4);
    EXPECT_TRUE(o.help && o.version);
    EXPECT_TRUE(o.replay.empty());
    ASSERT_TRUE(parse({"--replay", "replays/last.zrec", "--stats"}, o, error)) << error;
    EXPECT_EQ(o.replay, "replays/last.zrec");
    EXPECT_TRUE(o.stats);
    EXPECT_FALSE(o.fullscreen);
    // auto is 0; the last --scale wins.
    ASSERT_TRUE(parse({"--scale", "2", "--scale", "auto", "--fullscreen"}, o, error)) << error;
    EXPECT_EQ(o.scale, 0);
    EXPECT_TRUE(o.fullscreen);
    ASSERT_TRUE(parse({"--scale=auto"}, o, error)) << error;
    EXPECT_EQ(o.scale, 0);
    EXPECT_FALSE(o.fullscreen);
}

TEST(Options, SettingsOptionsSayWhatWasGiven)
{
    options o;
    std::string error;
    ASSERT_TRUE(parse({}, o, error));
    EXPECT_FALSE(o.scale_given || o.fullscreen_given || o.save_settings || o.show_settings);
    EXPECT_EQ(o.music, -1);
    EXPECT_EQ(o.effects, -1);
    EXPECT_TRUE(o.config.empty());
    ASSERT_TRUE(parse({"--music", "0", "--effects=100", "--config", "my.cfg", "--scale", "1",
                       "--save-settings", "--settings"}, o, error)) << error;
    EXPECT_EQ(o.music, 0);
    EXPECT_EQ(o.effects, 100);
    EXPECT_EQ(o.config, "my.cfg");
    EXPECT_TRUE(o.scale_given && o.save_settings && o.show_settings);
    EXPECT_FALSE(o.fullscreen_given);
    // --window undoes --fullscreen: the last one wins, and either is given.
    ASSERT_TRUE(parse({"--fullscreen", "--window"}, o, error)) << error;
    EXPECT_TRUE(o.fullscreen_given);
    EXPECT_FALSE(o.fullscreen);
    ASSERT_TRUE(parse({"--window", "--fullscreen"}, o, error)) << error;
    EXPECT_TRUE(o.fullscreen);
}

TEST(Options, BadFormsAreRefusedWithAReason)
{
    const std::vector<std::vector<const char*>> bad = {
        {"--scale"},            // no value
        {"--scale", "0"},       // out of range
        {"--scale", "5"},
        {"--scale", "-1"},
        {"--scale", "2x"},      // not a whole number
        {"--scale", ""},
        {"--scale", "99999999999999999999"},
        {"--scale=1.5"},
        {"--mute=yes"},         // takes no value
        {"--record"},           // no file
        {"--record="},
        {"--replay"},
        {"--replay="},
        {"--record", "a.zrec", "--replay", "b.zrec"},  // one or the other
        {"--fullscreen=yes"},   // takes no value
        {"--scale", "Auto"},    // only "auto" itself
        {"--scale", "auto2"},
        {"--music", "101"},     // volumes are 0 to 100
        {"--music", "-1"},
        {"--effects"},
        {"--effects", "50%"},
        {"--config"},
        {"--config="},
        {"--window=yes"},
        {"--settings=no"},
        {"--save-settings", "--record", "a.zrec"},  // neither starts a game
        {"--settings", "--replay", "a.zrec"},
        {"--full"},             // unknown
        {"-x"},
        {"scale"},
    };
    for (const auto& args : bad) {
        options o;
        std::string error;
        std::string shown;
        for (const char* a : args)
            shown += std::string(a) + " ";
        EXPECT_FALSE(parse(args, o, error)) << shown;
        EXPECT_FALSE(error.empty()) << shown;
        EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
    }
}

TEST(Folders, PlayersDataFolderFollowsXdgRules)
{
    EXPECT_EQ(user_data_dir("/data/me", "/home/me"), "/data/me/zelto");
    EXPECT_EQ(user_data_dir("", "/home/me"), "/home/me/.local/share/zelto");
    EXPECT_EQ(user_data_dir(nullptr, "/home/me"), "/home/me/.local/share/zelto");
    // A relative XDG_DATA_HOME is invalid and ignored.
    EXPECT_EQ(user_data_dir("relative/dir", "/home/me"), "/home/me/.local/share/zelto");
    EXPECT_EQ(user_data_dir(nullptr, nullptr), "");
    EXPECT_EQ(user_data_dir(nullptr, ""), "");
    EXPECT_EQ(user_data_dir("/x", nullptr), "/x/zelto");
}

TEST(Folders, SettingsFileFollowsXdgRules)
{
    EXPECT_EQ(user_settings_file("/cfg/me", "/home/me"), "/cfg/me/zelto/zelto.cfg");
    EXPECT_EQ(user_settings_file("", "/home/me"), "/home/me/.config/zelto/zelto.cfg");
    EXPECT_EQ(user_settings_file(nullptr, "/home/me"), "/home/me/.config/zelto/zelto.cfg");
    EXPECT_EQ(user_settings_file("relative/cfg", "/home/me"), "/home/me/.config/zelto/zelto.cfg");
    EXPECT_EQ(user_settings_file(nullptr, nullptr), "");
    EXPECT_EQ(user_settings_file("relative", ""), "");
    EXPECT_EQ(user_settings_file("/x", nullptr), "/x/zelto/zelto.cfg");
}

// Runs a check from inside a fresh folder, then returns.
class InFolder : public ::testing::Test {
protected:
    std::string root, before;
    void SetUp() override
    {
        char name[] = "/tmp/zelto_folders_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        root = name;
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        before = cwd;
        ASSERT_EQ(chdir(root.c_str()), 0);
    }
    void TearDown() override
    {
        ASSERT_EQ(chdir(before.c_str()), 0);
        std::string rm = "rm -rf '" + root + "'";
        ASSERT_EQ(system(rm.c_str()), 0);
    }
    void touch(const std::string& path)
    {
        FILE* f = fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr) << path;
        fclose(f);
    }
};

TEST_F(InFolder, AnInstalledGameFindsItsDataBesideItselfWhateverLiesHere)
{
    // The configured layout (/usr/games and /usr/share/games/zelto by default).
    std::string program = root + "/prefix/games/zelto";
    std::string installed = root + "/prefix/games/" + data_from_program;
    ASSERT_TRUE(make_folder(root + "/prefix/games"));
    ASSERT_TRUE(make_folder(installed));
    // Not installed (a build tree): the working folder, whether or not it holds the data.
    EXPECT_EQ(find_data_dir(program), "");
    touch(root + "/p_ship.bmp");
    EXPECT_EQ(find_data_dir(program), "");
    // Installed: its data folder, even with a stray asset in the working folder.
    touch(installed + "/p_ship.bmp");
    EXPECT_EQ(find_data_dir(program), installed);
}

TEST_F(InFolder, AnotherLayoutIsFollowedToo)
{
    // bin/ and share/zelto, as a home install might be configured.
    ASSERT_TRUE(make_folder(root + "/home/bin"));
    ASSERT_TRUE(make_folder(root + "/home/share/zelto"));
    touch(root + "/home/share/zelto/p_ship.bmp");
    EXPECT_EQ(find_data_dir(root + "/home/bin/zelto", "../share/zelto"),
              root + "/home/bin/../share/zelto");
    // The default layout's folder does not exist there: not installed.
    EXPECT_EQ(find_data_dir(root + "/home/bin/zelto", "../share/games/zelto"), "");
    // Program and data in one folder.
    touch(root + "/home/bin/p_ship.bmp");
    EXPECT_EQ(find_data_dir(root + "/home/bin/zelto", "."), root + "/home/bin/.");
}

TEST_F(InFolder, FoldersAreCreatedWhenNeeded)
{
    EXPECT_TRUE(make_folder(root + "/a/b/c"));
    EXPECT_TRUE(make_folder(root + "/a/b/c"));  // already there
    touch(root + "/file");
    EXPECT_FALSE(make_folder(root + "/file"));   // a file in the way
    EXPECT_FALSE(make_folder(root + "/file/sub"));
}
