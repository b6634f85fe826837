// The high-score table and its file: the table rules, the bytes written, the
// %i syntax read back, bad files, and writes that fail.
#include "harness.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <sys/resource.h>

using Scores = Headless;
using table = std::vector<int>;
namespace fs = std::filesystem;

static std::string slurp(const std::string& path)
{
    std::stringstream all;
    all << std::ifstream(path, std::ios::binary).rdbuf();
    return all.str();
}

static void put(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

static void set_table(const table& t) { std::copy(t.begin(), t.end(), highscore); }
static table get_table() { return table(highscore, highscore + 5); }

TEST_F(Scores, EachRunEntersTheTableAndRewritesTheFile)
{
    const std::string file = save_path(SCORE_FILE);
    const struct { int run; table after; } cases[] = {
        {45, {50, 45, 40, 30, 20}}, {50, {50, 50, 40, 30, 20}},
        {10, {50, 40, 30, 20, 10}}, {9, {50, 40, 30, 20, 10}},  // no entry, still written
    };
    for (const auto& c : cases) {
        set_table({50, 40, 30, 20, 10});
        put(file, "stale");
        score = c.run;
        record_run();
        EXPECT_EQ(get_table(), c.after) << c.run;
        std::string lines;
        for (int v : c.after)
            lines += std::to_string(v) + "\n";
        EXPECT_EQ(slurp(file), lines) << c.run;
    }
    set_table({0, 0, 0, 0, 0});
    add_highscore(0);
    EXPECT_EQ(get_table(), table(5, 0));

    set_table({57, 0, 0, 0, 0});
    ASSERT_TRUE(write_scores(file.c_str()));
    EXPECT_EQ(slurp(file), "57\n0\n0\n0\n0\n");  // 11 bytes: no CR, nothing else
    // The extremes of int read back as written.
    set_table({-3, 2147483647, -2147483647 - 1, 0, 1});
    ASSERT_TRUE(write_scores(file.c_str()));
    EXPECT_EQ(slurp(file), "-3\n2147483647\n-2147483648\n0\n1\n");
    set_table({9, 9, 9, 9, 9});
    ASSERT_TRUE(read_scores(file.c_str()));
    EXPECT_EQ(get_table(), (table{-3, 2147483647, -2147483647 - 1, 0, 1}));
}

TEST_F(Scores, ReadsWhatPercentIReadsAndStopsWhereItStops)
{
    const std::string file = folder + "/scores";
    std::string binary;
    for (int i = 0; i < 4096; i++)
        binary += char(i * 7919 + 13);
    std::string many;
    for (int i = 0; i < 100000; i++)
        many += "11 ";
    const struct { std::string bytes; table read; } cases[] = {
        {"010\n0x1F\n0X1f\n-7\n+12\n", {8, 31, 31, -7, 12}},
        {"1\n2\n3\n", {1, 2, 3, 0, 0}},
        {" \t4\r\n\n5 6\v7\f8 999", {4, 5, 6, 7, 8}},
        {"09 1 2", {0, 9, 1, 2, 0}},  // 9 is no octal digit: it starts the next number
        {"5 6 seven 8 9", {5, 6, 0, 0, 0}},
        // "0x" with no hex digit after it is 0, and reading goes on after the x.
        {"3 0x 4", {3, 0, 4, 0, 0}},
        {"0x 5 4", {0, 5, 4, 0, 0}},
        {"-0x 7 0X\n5 0x-3", {0, 7, 0, 5, 0}},
        {"0x-3 0x+3 +0x1", {0, -3, 0, 3, 1}},
        {"0xg 4", {0, 0, 0, 0, 0}},  // the g stops the next read
        {"0x0x1 2", {0, 0, 0, 0, 0}},
        {"00x 5", {0, 0, 0, 0, 0}},
        {"2147483647 -2147483648 -0x80000000", {2147483647, -2147483647 - 1, -2147483647 - 1, 0, 0}},
        {"0000000000000000000000000000000000000000000000000012 1", {10, 1, 0, 0, 0}},
        // Out of range counts as no number: it and everything after it read 0.
        {"1 2147483648 3 4 5", {1, 0, 0, 0, 0}},
        {"0x80000000 1", {0, 0, 0, 0, 0}},
        {"-2147483649", {0, 0, 0, 0, 0}},
        {std::string(16 << 20, '7'), {0, 0, 0, 0, 0}},  // one 16 MB number
        {"", {0, 0, 0, 0, 0}},
        {"- 5", {0, 0, 0, 0, 0}},
        {binary, {0, 0, 0, 0, 0}},
        {"12 34\n" + binary, {12, 34, 0, 0, 0}},
        {std::string("4\0\0005", 4), {4, 0, 0, 0, 0}},
        {many, {11, 11, 11, 11, 11}},
        // Read no further than a table can reach.
        {std::string(SCORE_FILE_LIMIT, ' ') + "5", {0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        put(file, c.bytes);
        set_table({-1, -1, -1, -1, -1});
        EXPECT_TRUE(read_scores(file.c_str())) << c.bytes.substr(0, 30);
        EXPECT_EQ(get_table(), c.read) << c.bytes.substr(0, 30);
    }
    // Nothing loaded, and said so, for a missing file or a folder in its place.
    for (std::string missing : {folder + "/none", folder}) {
        set_table({5, 5, 5, 5, 5});
        EXPECT_FALSE(read_scores(missing.c_str())) << missing;
        EXPECT_EQ(get_table(), table(5, 0));
    }
    // An unreadable file is only unreadable when not root.
    if (geteuid() != 0) {
        put(file, "1 2 3 4 5");
        chmod(file.c_str(), 0);
        EXPECT_FALSE(read_scores(file.c_str()));
        EXPECT_EQ(get_table(), table(5, 0));
    }
}

TEST_F(Scores, AFailedWriteKeepsTheOldFileAndTheGameGoesOn)
{
    const std::string file = save_path(SCORE_FILE);
    const std::string old = "900\n800\n700\n600\n500\n";
    put(file, old);
    set_table({1000, 900, 800, 700, 600});
    // A file size limit of 4 bytes: writes fail as on a full disk.
    signal(SIGXFSZ, SIG_IGN);
    rlimit before, small;
    getrlimit(RLIMIT_FSIZE, &before);
    small = before;
    small.rlim_cur = 4;
    setrlimit(RLIMIT_FSIZE, &small);
    bool ok = write_scores(file.c_str());
    setrlimit(RLIMIT_FSIZE, &before);
    EXPECT_FALSE(ok);
    EXPECT_EQ(slurp(file), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1) << "a temporary file is left";

    // A save folder that is a file, or is gone: the run is recorded in
    // memory, one line is said, and the game goes on to a new one.
    start_game();
    passes(1);
    int run = 2000;
    for (std::string dir : {file, folder + "/gone"}) {
        save_dir = dir;
        score = ++run;
        lives = 0;
        last_hit = loop_num;
        testing::internal::CaptureStderr();
        passes(3);
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(highscore[0], run);
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_EQ(slurp(file), old);
        hold(KEY_X);
        passes(1);
        let_go(KEY_X);
        EXPECT_EQ(lives, 2);
    }
}
