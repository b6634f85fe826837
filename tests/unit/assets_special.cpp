// Assets that are not regular files - a named pipe, a folder, a device - in
// place of each kind of file the game opens, and boss images that go away
// while the game runs. (The real game is tried the same way under Xvfb in
// window_special_assets.sh.)
#include "asset_copy.h"
#include "pool_shown.h"
#include "shell/machine/checks.h"

#include <sys/stat.h>

namespace {

// One asset of each kind the game opens.
const char* const KINDS[] = {"exp.bmp", "p_enter.wav", "zelto_lfont.pcx", "LOUNGE.XM",
                             "ZS BOSS - VORTEX//node.bmp"};

}  // namespace

class SpecialFiles : public AssetCopy {
protected:
    // Puts something that is not a regular file where the asset was.
    void replace(const std::string& name, const std::string& with)
    {
        const std::string file = path(name);
        ASSERT_EQ(unlink(file.c_str()), 0) << file;
        int made = 0;
        if (with == "a named pipe")
            made = mkfifo(file.c_str(), 0600);
        else if (with == "a folder")
            made = mkdir(file.c_str(), 0700);
        else if (with == "a link to a folder")
            made = symlink(data.c_str(), file.c_str());
        else if (with == "a link to nowhere")
            made = symlink((data + "/nowhere").c_str(), file.c_str());
        else
            made = symlink(with.c_str(), file.c_str());  // a device
        ASSERT_EQ(made, 0) << file << " as " << with;
    }

    void put_back(const std::string& name, const std::string& bytes)
    {
        const std::string file = path(name);
        if (rmdir(file.c_str()) != 0)
            unlink(file.c_str());
        write_file(file, bytes);
    }
};

TEST_F(SpecialFiles, EveryKindOfAssetThatIsNoRegularFileStopsStartUpNamingIt)
{
    for (const char* name : KINDS) {
        const std::string whole = read_file(path(name));
        ASSERT_FALSE(whole.empty()) << name;
        for (const char* with : {"a named pipe", "a folder", "/dev/zero", "/dev/urandom",
                                 "a link to a folder", "a link to nowhere"}) {
            SCOPED_TRACE(std::string(name) + " as " + with);
            replace(name, with);
            outcome o = start();
            put_back(name, whole);
            expect_named_failure(o, name);
        }
    }
}

TEST_F(SpecialFiles, ANamedPipeWithAWriterIsRefusedAsWell)
{
    const std::string name = "p_boom.wav", whole = read_file(path(name));
    replace(name, "a named pipe");
    // A writer holding the pipe open: an ordinary open would not block now,
    // but the game would read whatever it is fed.
    int writer = open(path(name).c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(write(writer, whole.data(), 4096), 4096);
    outcome o = start();
    close(writer);
    put_back(name, whole);
    expect_named_failure(o, name);
    EXPECT_NE(o.said.find("a named pipe"), std::string::npos) << o.said;
}

TEST_F(SpecialFiles, AHugeFileIsRefusedUnread)
{
    const std::string name = "p_shot.bmp", whole = read_file(path(name));
    for (off_t size : {off_t(ASSET_BYTES_MAX) + 1, off_t(1) << 40}) {
        // Sparse: the header of the real file, then nothing but holes.
        ASSERT_EQ(truncate(path(name).c_str(), size), 0);
        outcome o = start();
        expect_named_failure(o, name);
        EXPECT_NE(o.said.find("too large"), std::string::npos) << o.said;
        EXPECT_LT(o.seconds, 0.5);
        write_file(path(name), whole);
    }
}

TEST_F(SpecialFiles, ASongThatIsNoRegularFileDoesNotLoad)
{
    const std::string song = path("LOUNGE.XM");
    ASSERT_EQ(unlink(song.c_str()), 0);
    ASSERT_EQ(mkfifo(song.c_str(), 0600), 0);
    EXPECT_EQ(music_load(song.c_str()), nullptr);
    EXPECT_EQ(music_load(data.c_str()), nullptr);
    EXPECT_EQ(music_load("/dev/zero"), nullptr);
}

class BossImages : public AssetCopy {
protected:
    void SetUp() override
    {
        AssetCopy::SetUp();
        ASSERT_EQ(startup_headless(1), 0);
    }
    void TearDown() override
    {
        shutdown();
        AssetCopy::TearDown();
    }
};

TEST_F(BossImages, RemovedOrReplacedWhileTheGameRunsEveryBossStillShows)
{
    // Every boss image goes away once the game is running: removed, or
    // swapped for a named pipe, a folder, an empty file.
    int n = 0;
    for (const boss_kind& kind : boss_kinds)
        for (const char* name : kind.images) {
            if (!name)
                continue;
            const std::string file = path(name);
            ASSERT_EQ(unlink(file.c_str()), 0);
            switch (n++ % 4) {
            case 0: break;
            case 1: ASSERT_EQ(mkfifo(file.c_str(), 0600), 0); break;
            case 2: ASSERT_EQ(mkdir(file.c_str(), 0700), 0); break;
            default: write_file(file, ""); break;
            }
        }

    // The way a player gets there: the opening wave cleared, then X.
    key[KEY_Z] = -1;
    title_loop();
    slide_in();
    key[KEY_Z] = 0;
    e_left = 0;
    enemy.clear();
    for (int i = 0; i < 2; i++)
        game_pass();
    key[KEY_X] = -1;
    game_pass();
    key[KEY_X] = 0;
    ASSERT_TRUE(boss_stage);
    ASSERT_EQ(boss.type, GLAIVE);
    for (int slot = 0; slot < 3; slot++)
        ASSERT_NE(pool[slot], nullptr) << "slot " << slot;
    game_pass();
    EXPECT_GT(shown(0, boss.body.x, boss.body.y), 0.9);

    // The later bosses, set up as the stage advance does it.
    for (int type : {VORTEX, ANGEL}) {
        r_stage = 4 * type - 1;
        stage_advance();
        ASSERT_EQ(boss.type, type);
        ASSERT_NE(pool[0], nullptr) << "boss " << type;
        game_pass();
        EXPECT_GT(shown(0, boss.body.x, boss.body.y), 0.9) << "boss " << type;
    }
}

TEST_F(BossImages, AnImageThePoolCannotHaveLeavesItsSlotEmptyAndIsNotDrawn)
{
    const std::string pipe = folder + "/pipe.bmp";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    fflush(stderr);
    testing::internal::CaptureStderr();
    load_bitmap_pool(pipe.c_str(), 1);
    load_bitmap_pool((folder + "/missing.bmp").c_str(), 2);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(pool[1], nullptr);
    EXPECT_EQ(pool[2], nullptr);
    EXPECT_EQ(said, "zelto: cannot load " + pipe + ": not among the images read at start-up\n"
                    "zelto: cannot load " + folder + "/missing.bmp: not among the images read at start-up\n");
    clear_bitmap(buffer);
    draw_centred(1, 320, 240);  // nothing to draw: nothing drawn, no crash
    for (int y = 0; y < buffer->h; y++)
        for (int x = 0; x < buffer->w; x++)
            ASSERT_EQ(getpixel(buffer, x, y), 0);
}
