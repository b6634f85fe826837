// The score file where it is not a plain file in a writable folder: behind
// links, in a read-only folder, a named pipe, a folder or a device in its
// place, and copies of the game saving at the same time.
#include "zelto.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using table = std::vector<int>;
using clock_type = std::chrono::steady_clock;

const uid_t NOBODY = 65534;

void put(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string slurp(const std::string& path)
{
    std::stringstream all;
    all << std::ifstream(path, std::ios::binary).rdbuf();
    return all.str();
}

void set_table(const table& t) { std::copy(t.begin(), t.end(), highscore); }
table get_table() { return table(highscore, highscore + 5); }

// The file as the game writes a table.
std::string text_of(const table& t)
{
    std::string s;
    for (int v : t)
        s += std::to_string(v) + "\n";
    return s;
}

// The names in a folder, sorted: nothing temporary may be left behind.
std::vector<std::string> names_in(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
                names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string link_of(const std::string& path)
{
    char to[4096];
    ssize_t n = readlink(path.c_str(), to, sizeof to);
    return n < 0 ? "(no link)" : std::string(to, size_t(n));
}

int lines(const std::string& said) { return int(std::count(said.begin(), said.end(), '\n')); }

// Runs body in a child process as a user who is not root, where folder
// rights apply (as root, nobody; otherwise the user as is). Failures in the
// child are printed there and fail the test here. False where no such user
// can be had.
bool as_player(const std::function<void()>& body)
{
    fflush(stdout);
    fflush(stderr);
    pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(NOBODY) != 0 || setuid(NOBODY) != 0))
            _exit(77);
        body();
        fflush(stdout);
        _exit(testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77)
        return false;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the child as another user failed (status " << status << ")";
    return true;
}

class ScoreFiles : public ::testing::Test {
protected:
    std::string folder;

    void SetUp() override
    {
        char name[] = "/tmp/zelto_score_files_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        chmod(folder.c_str(), 0755);  // the player in as_player must reach it
        set_table({0, 0, 0, 0, 0});
        unsaved_runs.clear();
        score_write_fails = nullptr;
        alarm(60);  // a score file that blocks the game fails the test instead of hanging it
    }
    void TearDown() override
    {
        alarm(0);
        score_write_fails = nullptr;
        std::string rm = "chmod -R u+rwx '" + folder + "'; rm -rf '" + folder + "'";
        EXPECT_EQ(system(rm.c_str()), 0);
    }

    std::string at(const std::string& name) const { return folder + "/" + name; }

    // A folder in the test's folder, made with the given rights.
    std::string make_folder(const std::string& name, mode_t mode = 0755) const
    {
        std::string path = at(name);
        mkdir(path.c_str(), 0755);
        chmod(path.c_str(), mode);
        return path;
    }
};

}  // namespace

TEST_F(ScoreFiles, ALinkStaysALinkAndTheFileItLeadsToHoldsTheTable)
{
    const std::string real = make_folder("real"), game = make_folder("game");
    const std::string file = real + "/scores.dat", link = game + "/" + SCORE_FILE;
    const struct { const char* what; std::vector<std::pair<std::string, std::string>> links; } cases[] = {
        {"absolute link", {{link, file}}},
        {"relative link", {{link, "../real/scores.dat"}}},
        {"chain of links", {{link, "hop"}, {game + "/hop", "../real/hop2"}, {real + "/hop2", file}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        put(file, text_of({50, 40, 30, 20, 10}));
        for (const auto& l : c.links)
            ASSERT_EQ(symlink(l.second.c_str(), l.first.c_str()), 0) << l.first;
        const auto before_game = names_in(game), before_real = names_in(real);

        ASSERT_TRUE(read_scores(link.c_str()));
        EXPECT_EQ(get_table(), (table{50, 40, 30, 20, 10}));
        testing::internal::CaptureStderr();
        EXPECT_TRUE(save_run(link.c_str(), 45));
        EXPECT_TRUE(write_scores(link.c_str()));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

        EXPECT_EQ(slurp(file), text_of({50, 45, 40, 30, 20}));
        for (const auto& l : c.links)
            EXPECT_EQ(link_of(l.first), l.second) << "a link was replaced: " << l.first;
        EXPECT_EQ(names_in(game), before_game);
        EXPECT_EQ(names_in(real), before_real);
        for (const auto& l : c.links)
            unlink(l.first.c_str());
    }
}

TEST_F(ScoreFiles, ADanglingLinkIsSavedWhereItsTargetCanBeAndOtherwiseSaysSo)
{
    const std::string real = make_folder("real"), link = at(SCORE_FILE);
    bool missing = false;

    // Its target's folder exists: the first save makes the file there.
    ASSERT_EQ(symlink("real/new.dat", link.c_str()), 0);
    EXPECT_FALSE(read_scores(link.c_str(), &missing));
    EXPECT_TRUE(missing);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(save_run(link.c_str(), 7));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(slurp(real + "/new.dat"), text_of({7, 0, 0, 0, 0}));
    EXPECT_EQ(link_of(link), "real/new.dat");
    EXPECT_EQ(names_in(real), std::vector<std::string>{"new.dat"});

    // Its target's folder does not exist, or the links go round in a
    // circle: one line naming the file, the run kept in memory, nothing
    // made or changed on disk, and no waiting.
    unlink(link.c_str());
    ASSERT_EQ(symlink("gone/new.dat", link.c_str()), 0);
    ASSERT_EQ(symlink("round", at("circle").c_str()), 0);
    ASSERT_EQ(symlink("circle", at("round").c_str()), 0);
    for (std::string path : {link, at("circle")}) {
        SCOPED_TRACE(path);
        const auto before = names_in(folder);
        set_table({20, 10, 0, 0, 0});
        testing::internal::CaptureStderr();
        auto began = clock_type::now();
        EXPECT_FALSE(save_run(path.c_str(), 15));
        EXPECT_LT(clock_type::now() - began, std::chrono::seconds(1));
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(lines(said), 1) << said;
        EXPECT_NE(said.find(path), std::string::npos) << said;
        EXPECT_EQ(get_table(), (table{20, 15, 10, 0, 0}));
        EXPECT_EQ(names_in(folder), before);
    }
    EXPECT_EQ(link_of(link), "gone/new.dat");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(read_scores(at("circle").c_str(), &missing));
    EXPECT_FALSE(missing);  // not "no file yet": it cannot be read
    EXPECT_EQ(lines(testing::internal::GetCapturedStderr()), 1);
}

TEST_F(ScoreFiles, AReadOnlyFolderIsRewrittenInPlaceAndSaysItIsNotAtomic)
{
    // Made by root (or the test's user), written by the player.
    const std::string ro = make_folder("ro");
    const std::string file = ro + "/" + SCORE_FILE, locked = ro + "/locked.dat";
    const std::string mine = make_folder("mine", 0777), link = ro + "/link.dat";
    put(file, text_of({1000000, 900000, 800000, 700000, 600000}));
    put(locked, text_of({5, 4, 3, 2, 1}));
    put(mine + "/scores.dat", text_of({3, 2, 1, 0, 0}));
    chmod(file.c_str(), 0666);
    chmod(locked.c_str(), 0444);
    chmod((mine + "/scores.dat").c_str(), 0666);
    symlink("../mine/scores.dat", link.c_str());
    symlink("gone.dat", (ro + "/dangling.dat").c_str());
    chmod(ro.c_str(), 0555);
    struct stat before;
    ASSERT_EQ(stat(file.c_str(), &before), 0);
    const auto names = names_in(ro);

    bool ran = as_player([&] {
        // A writable file: saved in place, cut to its new length, one line.
        set_table({1, 1, 1, 1, 1});
        testing::internal::CaptureStderr();
        EXPECT_TRUE(save_run(file.c_str(), 850000));
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(lines(said), 1) << said;
        EXPECT_NE(said.find(file), std::string::npos) << said;
        EXPECT_NE(said.find("not atomic"), std::string::npos) << said;
        const table now = {1000000, 900000, 850000, 800000, 700000};
        EXPECT_EQ(slurp(file), text_of(now));
        EXPECT_EQ(get_table(), now);
        set_table({7, 7, 7, 7, 7});
        EXPECT_TRUE(write_scores(file.c_str()));
        EXPECT_EQ(slurp(file), text_of({7, 7, 7, 7, 7}));  // shorter: no old tail left

        // A link in the read-only folder to a file in a writable one: the
        // file is replaced beside itself, atomically, and says nothing.
        testing::internal::CaptureStderr();
        EXPECT_TRUE(save_run(link.c_str(), 2));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(slurp(mine + "/scores.dat"), text_of({3, 2, 2, 1, 0}));

        // Neither the file nor its folder writable, or a link to a file
        // that the folder cannot take: one line, the run kept in memory.
        for (std::string path : {locked, ro + "/dangling.dat"}) {
            SCOPED_TRACE(path);
            set_table({9, 8, 7, 6, 5});
            testing::internal::CaptureStderr();
            EXPECT_FALSE(save_run(path.c_str(), 10));
            said = testing::internal::GetCapturedStderr();
            EXPECT_EQ(lines(said), 1) << said;
            EXPECT_NE(said.find(path), std::string::npos) << said;
            EXPECT_EQ(get_table()[0], 10);
        }
        EXPECT_EQ(slurp(locked), text_of({5, 4, 3, 2, 1}));
    });
    if (!ran)
        GTEST_SKIP() << "cannot run as a user other than root: folder rights do not apply";
    struct stat after;
    ASSERT_EQ(stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the file was replaced, not rewritten";
    EXPECT_EQ(names_in(ro), names);
    EXPECT_EQ(names_in(mine), std::vector<std::string>{"scores.dat"});
}

TEST_F(ScoreFiles, ARewriteInPlaceCutShortAtAnyStepLeavesTheOldTableOrTheNew)
{
    const std::string ro = make_folder("ro");
    const std::string file = ro + "/" + SCORE_FILE;
    const table old_table = {900, 800, 700, 600, 500}, new_table = {95, 90, 80, 70, 60};
    put(file, text_of(old_table));
    chmod(file.c_str(), 0666);
    chmod(ro.c_str(), 0555);
    static int failing;

    bool ran = as_player([&] {
        for (failing = SCORE_STEP_REWRITE_OPEN; failing < SCORE_REWRITE_END; failing++) {
            SCOPED_TRACE("step " + std::to_string(failing));
            // The step fails: one line, the old table or the new, nothing else.
            put(file, text_of(old_table));
            set_table(new_table);
            score_write_fails = [](int step) { return step == failing; };
            testing::internal::CaptureStderr();
            EXPECT_FALSE(write_scores(file.c_str()));
            std::string said = testing::internal::GetCapturedStderr();
            score_write_fails = nullptr;
            EXPECT_EQ(lines(said), 1) << said;
            ASSERT_TRUE(read_scores(file.c_str()));
            EXPECT_TRUE(get_table() == old_table || get_table() == new_table);

            // The game is killed at that step.
            put(file, text_of(old_table));
            set_table(new_table);
            pid_t child = fork();
            if (child == 0) {
                score_write_fails = [](int step) {
                    if (step == failing)
                        _exit(0);
                    return false;
                };
                write_scores(file.c_str());
                _exit(1);
            }
            int status;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            ASSERT_TRUE(read_scores(file.c_str()));
            EXPECT_TRUE(get_table() == old_table || get_table() == new_table);
        }
    });
    if (!ran)
        GTEST_SKIP() << "cannot run as a user other than root: folder rights do not apply";
    EXPECT_EQ(names_in(ro), std::vector<std::string>{SCORE_FILE});
}

TEST_F(ScoreFiles, APipeAFolderOrADeviceIsNamedAndNeverWaitedOn)
{
    const std::string game = make_folder("game");
    const std::string file = game + "/" + SCORE_FILE;
    const struct { const char* kind; std::function<void()> make; std::function<bool()> still; } cases[] = {
        {"a named pipe", [&] { mkfifo(file.c_str(), 0666); },
         [&] { struct stat st; return lstat(file.c_str(), &st) == 0 && S_ISFIFO(st.st_mode); }},
        {"a folder", [&] { mkdir(file.c_str(), 0755); },
         [&] { struct stat st; return lstat(file.c_str(), &st) == 0 && S_ISDIR(st.st_mode); }},
        {"a device", [&] { symlink("/dev/zero", file.c_str()); },
         [&] { return link_of(file) == "/dev/zero"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        c.make();
        auto began = clock_type::now();

        // At start-up: the table starts at zeros and one line says why.
        set_table({3, 3, 3, 3, 3});
        bool missing = true;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(read_scores(file.c_str(), &missing));
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(missing);
        EXPECT_EQ(get_table(), table(5, 0));
        EXPECT_EQ(lines(said), 1) << said;
        EXPECT_NE(said.find(file), std::string::npos) << said;
        EXPECT_NE(said.find(c.kind), std::string::npos) << said;

        // At game over: the write is refused with one line, the run stays
        // in memory, and the thing in the file's place is left as it was.
        set_table({40, 30, 20, 10, 0});
        save_dir = game;
        score = 25;
        saved = false;
        testing::internal::CaptureStderr();
        record_run();
        said = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(saved);
        EXPECT_EQ(get_table(), (table{40, 30, 25, 20, 10}));
        EXPECT_EQ(lines(said), 1) << said;
        EXPECT_NE(said.find(file), std::string::npos) << said;
        EXPECT_NE(said.find(c.kind), std::string::npos) << said;
        EXPECT_FALSE(write_scores(file.c_str()));
        EXPECT_TRUE(c.still());
        EXPECT_EQ(names_in(game), std::vector<std::string>{SCORE_FILE});
        EXPECT_LT(clock_type::now() - began, std::chrono::seconds(1));

        std::string rm = "rm -rf '" + file + "'";
        ASSERT_EQ(system(rm.c_str()), 0);
    }
    save_dir = "";
}

TEST_F(ScoreFiles, TheRunGoesIntoTheTableOnDiskOrElseTheOneInMemory)
{
    const std::string file = at(SCORE_FILE);
    // Another copy saved since this one read the file: its scores stay.
    put(file, text_of({77, 50, 40, 30, 20}));
    set_table({50, 40, 30, 20, 10});
    EXPECT_TRUE(save_run(file.c_str(), 55));
    EXPECT_EQ(get_table(), (table{77, 55, 50, 40, 30}));
    EXPECT_EQ(slurp(file), text_of(get_table()));

    // Nothing on disk (gone, emptied): the table in memory is not dropped.
    for (std::string disk : {"(none)", "", " \n"}) {
        SCOPED_TRACE(disk);
        unlink(file.c_str());
        if (disk != "(none)")
            put(file, disk);
        set_table({50, 40, 30, 20, 10});
        EXPECT_TRUE(save_run(file.c_str(), 45));
        EXPECT_EQ(get_table(), (table{50, 45, 40, 30, 20}));
        EXPECT_EQ(slurp(file), text_of(get_table()));
    }
    EXPECT_EQ(names_in(folder), std::vector<std::string>{SCORE_FILE});
}

TEST_F(ScoreFiles, OnlyATableOrNothingIsReplacedAndADamagedOneIsSetAsideFirst)
{
    const std::string file = at(SCORE_FILE);
    auto save_said = [&](const std::string& path, int run, bool ok) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(save_run(path.c_str(), run), ok);
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(lines(said), 1) << said;
        return said;
    };

    // Damaged in the score folder: set aside under a new name each time,
    // said in one line, and the new table written with the run.
    for (std::string damaged : std::vector<std::string>{"ninety eighty\n", "1 2 3 4 5 6\n", std::string(SCORE_FILE_LIMIT, ' ') + "7"}) {
        put(file, damaged);
        set_table({0, 0, 0, 0, 0});
        std::string aside = folder + "/" + SCORE_FILE + ".damaged";
        if (access(aside.c_str(), F_OK) == 0)
            aside += "-" + std::to_string(names_in(folder).size());
        std::string said = save_said(file, 62, true);
        EXPECT_NE(said.find(aside), std::string::npos) << said;
        EXPECT_EQ(slurp(aside), damaged);
        EXPECT_EQ(slurp(file), text_of({62, 0, 0, 0, 0}));
        EXPECT_TRUE(unsaved_runs.empty());
    }
    EXPECT_EQ(names_in(folder).size(), 4u);  // the table and three set aside

    // Through a link, a file that is no table is never touched; a table
    // made read-only is respected: one line each, the run kept in memory.
    const std::string notes = at("notes.txt"), link = at("linked.dat"), locked = at("locked.dat");
    put(notes, "my own notes\n");
    ASSERT_EQ(symlink("notes.txt", link.c_str()), 0);
    put(locked, text_of({9, 8, 7, 6, 5}));
    chmod(locked.c_str(), 0444);
    for (std::string path : {link, locked}) {
        SCOPED_TRACE(path);
        set_table({9, 8, 7, 6, 5});
        unsaved_runs.clear();
        std::string said = save_said(path, 10, false);
        EXPECT_NE(said.find(path), std::string::npos) << said;
        EXPECT_NE(said.find(path == link ? "no score table" : "read-only"), std::string::npos) << said;
        EXPECT_EQ(get_table(), (table{10, 9, 8, 7, 6}));
        EXPECT_EQ(unsaved_runs, std::vector<int>{10});
        EXPECT_FALSE(scores_unsaved.empty());
    }
    EXPECT_EQ(slurp(notes), "my own notes\n");
    EXPECT_EQ(link_of(link), "notes.txt");
    EXPECT_EQ(slurp(locked), text_of({9, 8, 7, 6, 5}));

    // A write killed part way left its temporary file: the next save
    // removes it, and nothing of the player's that merely looks like one.
    const std::string game = make_folder("game"), in_game = game + "/" + SCORE_FILE;
    put(game + "/" + SCORE_FILE + ".a1B2c3", "62\n0\n");
    put(game + "/" + SCORE_FILE + ".saving-backup", "");
    put(game + "/" + SCORE_FILE + ".d4E5f6", "my notes");
    put(game + "/" + SCORE_FILE + ".backup", "1\n");
    EXPECT_TRUE(save_run(in_game.c_str(), 5));
    EXPECT_EQ(names_in(game), (std::vector<std::string>{SCORE_FILE, std::string(SCORE_FILE) + ".backup",
                                                        std::string(SCORE_FILE) + ".d4E5f6"}));

    // A table the player may not read (left by a run as root): never
    // replaced, and the reason said.
    if (geteuid() != 0)
        return;
    put(file, text_of({53, 40, 30, 20, 10}));
    chmod(file.c_str(), 0600);
    bool ran = as_player([&] {
        set_table({0, 0, 0, 0, 0});
        std::string said = save_said(file, 53, false);
        EXPECT_NE(said.find("cannot read it"), std::string::npos) << said;
        EXPECT_EQ(get_table(), (table{53, 0, 0, 0, 0}));
        EXPECT_FALSE(scores_read_whole);
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(slurp(file), text_of({53, 40, 30, 20, 10}));
}

// Copies of the game reaching game over at the same moment, each with the
// table it read at start-up: every run is in the file at the end.
static void race(const std::string& file, int copies, int first_score)
{
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < copies; i++) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(gate[1]);
            char c;
            while (read(gate[0], &c, 1) < 0 && errno == EINTR) {
            }  // every copy starts when the gate closes
            set_table({-1, -2, -3, -4, -5});
            _exit(save_run(file.c_str(), first_score + i) ? 0 : 1);
        }
        children.push_back(child);
    }
    close(gate[0]);
    close(gate[1]);
    for (pid_t child : children) {
        int status;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
}

TEST_F(ScoreFiles, CopiesSavingAtOnceKeepEveryScore)
{
    const std::string file = at(SCORE_FILE);
    for (int round = 0; round < 10; round++) {
        SCOPED_TRACE("round " + std::to_string(round));
        put(file, text_of({-1, -2, -3, -4, -5}));
        race(file, 4, 100 * round);
        const int s = 100 * round;
        EXPECT_EQ(slurp(file), text_of({s + 3, s + 2, s + 1, s, -1}));
        EXPECT_EQ(names_in(folder), std::vector<std::string>{SCORE_FILE});
    }

    // The same in a read-only folder, where the file is rewritten in place.
    const std::string ro = make_folder("ro");
    const std::string in_ro = ro + "/" + SCORE_FILE;
    put(in_ro, text_of({-1, -2, -3, -4, -5}));
    chmod(in_ro.c_str(), 0666);
    chmod(ro.c_str(), 0555);
    bool ran = as_player([&] {
        for (int round = 0; round < 5; round++) {
            put(in_ro, text_of({-1, -2, -3, -4, -5}));
            testing::internal::CaptureStderr();
            race(in_ro, 4, 1000 * round);
            testing::internal::GetCapturedStderr();
            const int s = 1000 * round;
            EXPECT_EQ(slurp(in_ro), text_of({s + 3, s + 2, s + 1, s, -1})) << "round " << round;
        }
    });
    if (!ran)
        GTEST_SKIP() << "cannot run as a user other than root: folder rights do not apply";
}

TEST_F(ScoreFiles, ALockHeldTooLongIsGivenUpAndALockOfAKilledCopyIsNot)
{
    const std::string file = at(SCORE_FILE);
    put(file, text_of({50, 40, 30, 20, 10}));

    // A copy holding the lock for good (stopped in its write, say): the
    // save gives up after a few seconds with one line, the run kept.
    int held = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    set_table({50, 40, 30, 20, 10});
    testing::internal::CaptureStderr();
    auto began = clock_type::now();
    EXPECT_FALSE(save_run(file.c_str(), 35));
    auto waited = clock_type::now() - began;
    std::string said = testing::internal::GetCapturedStderr();
    close(held);
    EXPECT_GE(waited, std::chrono::milliseconds(SCORE_LOCK_WAIT_MS));
    EXPECT_LT(waited, std::chrono::milliseconds(SCORE_LOCK_WAIT_MS + 2000));
    EXPECT_EQ(lines(said), 1) << said;
    EXPECT_NE(said.find(file), std::string::npos) << said;
    EXPECT_EQ(get_table(), (table{50, 40, 35, 30, 20}));
    EXPECT_EQ(slurp(file), text_of({50, 40, 30, 20, 10}));
    // Let go before the player quits: the run is saved then.
    save_dir = folder;
    static std::string shown;
    EXPECT_TRUE(save_unsaved_runs([](const char* text) { shown = text; }));
    save_dir = "";
    EXPECT_EQ(shown, "Saving the scores...");
    EXPECT_EQ(slurp(file), text_of({50, 40, 35, 30, 20}));

    // A copy killed while holding it: the lock goes with it.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
        int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        flock(fd, LOCK_EX);
        ssize_t n = write(ready[1], "x", 1);
        (void)n;
        pause();
        _exit(0);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    began = clock_type::now();
    EXPECT_TRUE(save_run(file.c_str(), 45));
    EXPECT_LT(clock_type::now() - began, std::chrono::seconds(1));
    EXPECT_EQ(slurp(file), text_of({50, 45, 40, 35, 30}));
}
