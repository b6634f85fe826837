// Damaged score files, score writes cut short at every step, and damaged
// assets at start-up (also tried against the real game in
// window_bad_assets.sh).
#include "harness.h"
#include "asset_copy.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

class BadFiles : public ::testing::Test {
protected:
    std::string folder;

    void SetUp() override
    {
        // Thousands of synced writes to a disk would take half a minute.
        folder = memory_folder("zelto_badfiles");
        ASSERT_FALSE(folder.empty());
    }
    void TearDown() override
    {
        score_write_fails = nullptr;
        std::string rm = "rm -rf '" + folder + "'";
        EXPECT_EQ(system(rm.c_str()), 0);
    }

    std::string path(const char* name) const { return folder + "/" + name; }

    // Every file in the folder, for spotting temporary files left behind.
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        if (DIR* d = opendir(folder.c_str())) {
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.')
                    names.push_back(e->d_name);
            closedir(d);
        }
        return names;
    }
};

static std::vector<int> table()
{
    return std::vector<int>(highscore, highscore + 5);
}

static void set_table(std::vector<int> t)
{
    for (int i = 0; i < 5; i++)
        highscore[i] = t[i];
}

// The table as the C library's fscanf reads it, five times "%i\n", where
// that is well defined: no number longer than nine characters, so none
// outside int. ("0x" with no hex digit after it is glibc's own reading: 0.)
static bool reference_read(const std::string& path, std::vector<int>& out)
{
    const std::string text = read_file(path);
    size_t run = 0;
    for (char c : text) {
        run = isalnum((unsigned char)c) ? run + 1 : 0;
        if (run > 9)
            return false;
    }
    out.assign(5, 0);
    FILE* f = fopen(path.c_str(), "rb");
    for (int i = 0; i < 5; i++)
        if (fscanf(f, "%i\n", &out[i]) != 1)
            break;
    fclose(f);
    return true;
}

// A valid file damaged by one to four edits drawn from what breaks number
// reading: stray bytes, signs, prefixes, very long digit runs, cuts.
static std::string mutate(std::string s, std::mt19937& gen)
{
    auto roll = [&](size_t n) { return size_t(gen() % n); };
    static const std::string PIECES[] = {"-", "+", "0x", "0X", "0", "08", "0xg", " ", "\t", "\r\n",
                                         "\v", "\f", "\n\n", "--1", "99999999999999999999",
                                         "2147483648", "-2147483649", "2147483647",
                                         "-2147483648", "4294967296", "0x7fffffff", "0x80000000",
                                         "0777", "1e5", "3.5", "abc", std::string(1, '\0')};
    for (int edits = 1 + int(roll(4)); edits > 0; edits--) {
        size_t at = s.empty() ? 0 : roll(s.size() + 1);
        switch (roll(6)) {
        case 0:
            if (!s.empty())
                s[roll(s.size())] = char(gen());
            break;
        case 1: s.insert(at, 1, char(gen())); break;
        case 2:
            if (!s.empty())
                s.erase(roll(s.size()), 1 + roll(3));
            break;
        case 3: {
            s.insert(at, PIECES[roll(std::size(PIECES))]);
            break;
        }
        case 4: s.resize(at); break;
        default: s.insert(at, std::string(1 + roll(30), "0123456789"[roll(10)])); break;
        }
    }
    return s;
}

TEST_F(BadFiles, TenThousandDamagedScoreFilesReadSafelyAndRoundTrip)
{
    const std::string valid[] = {
        "57\n0\n0\n0\n0\n",
        "50\n40\n30\n20\n10\n",
        "2147483647\n-2147483648\n0x1F\n010\n-7\n",
        "  12 \t 11\r\n10\n\n9 8",
        "0x 0X5\n-0x\n0x1f\n7\n",
    };
    std::mt19937 gen(20240611);
    const std::string damaged = path("damaged.dat"), again = path("again.dat");
    int compared = 0, compared_with_x = 0;
    for (int n = 0; n < 10000; n++) {
        std::string bytes = mutate(valid[n % std::size(valid)], gen);
        write_file(damaged, bytes);
        for (int& h : highscore)
            h = -12345;  // whatever was there before must not show through
        ASSERT_TRUE(read_scores(damaged.c_str())) << "file " << n;
        std::vector<int> got = table();

        std::vector<int> want;
        if (reference_read(damaged, want)) {
            compared++;
            compared_with_x += bytes.find_first_of("xX") != std::string::npos;
            ASSERT_EQ(got, want) << "file " << n << ": [" << bytes << "]";
        }

        // Written back, the table reads the same and the file is canonical.
        ASSERT_TRUE(write_scores(again.c_str())) << "file " << n;
        std::string canonical;
        for (int v : got)
            canonical += std::to_string(v) + "\n";
        ASSERT_EQ(read_file(again), canonical) << "file " << n;
        set_table({1, 2, 3, 4, 5});
        ASSERT_TRUE(read_scores(again.c_str()));
        ASSERT_EQ(table(), got) << "file " << n << ": [" << bytes << "]";
    }
    // The comparison with the C library must have had something to bite on.
    EXPECT_GT(compared, 3000);
    EXPECT_GT(compared_with_x, 500) << compared;
}

TEST_F(BadFiles, AScoreWriteCutShortAtAnyStepLeavesTheOldTableOrTheNew)
{
    const std::string file = path(SCORE_FILE);
    const std::vector<int> old_table = {90, 80, 70, 60, 50}, new_table = {95, 90, 80, 70, 60};
    static int failing;  // the step made to fail (or to kill the writer)

    for (failing = 0; failing < SCORE_STEPS; failing++) {
        set_table(old_table);
        ASSERT_TRUE(write_scores(file.c_str()));

        // The step fails: the write says so and cleans up after itself.
        set_table(new_table);
        score_write_fails = [](int step) { return step == failing; };
        EXPECT_FALSE(write_scores(file.c_str())) << "step " << failing;
        score_write_fails = nullptr;
        ASSERT_TRUE(read_scores(file.c_str()));
        EXPECT_EQ(table(), old_table) << "step " << failing;
        EXPECT_EQ(files(), std::vector<std::string>{SCORE_FILE}) << "step " << failing;

        // The game is killed at that step: no clean-up at all.
        set_table(new_table);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            score_write_fails = [](int step) {
                if (step == failing)
                    _exit(0);
                return false;
            };
            write_scores(file.c_str());
            _exit(1);  // not reached: every write passes every step
        }
        int status;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "step " << failing;
        ASSERT_TRUE(read_scores(file.c_str()));
        EXPECT_TRUE(table() == old_table || table() == new_table) << "step " << failing;
        // A killed write may leave its temporary file; the next write still works.
        set_table(new_table);
        ASSERT_TRUE(write_scores(file.c_str()));
        set_table(old_table);
        ASSERT_TRUE(read_scores(file.c_str()));
        EXPECT_EQ(table(), new_table);
        for (const std::string& name : files())
            if (name != SCORE_FILE)
                unlink(path(name.c_str()).c_str());
    }
}

// The same damage as window_bad_assets.sh gives the real game, here in one
// process, so that a sanitizer build also sees what a failed start-up leaves
// behind (nothing: it shuts down what it had loaded).
TEST_F(BadFiles, EveryDamagedAssetStopsStartUpNamingTheFile)
{
    const std::string data = folder + "/data";
    ASSERT_EQ(system(("cp -r '" ZELTO_DATA_DIR "' '" + data + "'").c_str()), 0);
    std::vector<std::string> assets = asset_names();
    data_dir = data;
    save_dir = folder;
    std::mt19937 gen(7);
    const std::string log = folder + "/stderr";
    for (const std::string& name : assets) {
        const std::string file = data + "/" + name, whole = read_file(file);
        ASSERT_FALSE(whole.empty()) << name;
        for (std::string damage : {"missing", "empty", "half", "random"}) {
            SCOPED_TRACE(name + " " + damage);
            std::string bytes;
            if (damage == "half")
                bytes = whole.substr(0, whole.size() / 2);
            if (damage == "random")
                while (bytes.size() < whole.size())
                    bytes += char(gen());
            if (damage == "missing")
                unlink(file.c_str());
            else
                write_file(file, bytes);

            outcome o = start_caught(log);
            write_file(file, whole);

            EXPECT_NE(o.status, 0);
            EXPECT_LT(o.seconds, 2.0);
            const std::string& said = o.said;
            EXPECT_NE(said.find(name.substr(name.rfind('/') + 1)), std::string::npos) << said;
            EXPECT_EQ(buffer, nullptr);  // what start-up had loaded is released
            EXPECT_EQ(pship, nullptr);
            if (o.status == 0)
                shutdown();
        }
    }
}
