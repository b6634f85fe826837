// What real passes leave in the buffer: texts where they belong, the side
// panels, the health bar, the overlays of each state and none elsewhere.
#include "harness.h"

#include <algorithm>

using Screens = Headless;

static const int WHITE = 0xffff, RED = 0xf800, BLACK = 0;

// Compares the frame with the ink of s drawn left-aligned at (x, y) on an
// empty bitmap, over the text's box and a margin around it. Exact: the same
// pixels in colour and none more, so the ink's bounding box is where the
// font's text_length and text_height put it. Otherwise every ink pixel must
// be there, whatever else overlaps.
static testing::AssertionResult ink(FONT* f, const std::string& s, int x, int y, int colour,
                                    bool exact = true)
{
    BITMAP* ref = create_bitmap(text_length(f, s.c_str()), text_height(f));
    clear_to_color(ref, BLACK);
    textout_ex(ref, f, s.c_str(), 0, 0, WHITE, -1);
    const int m = exact ? 4 : 0;
    int wrong = 0, want[4] = {999, 999, -1, -1}, got[4] = {999, 999, -1, -1};
    for (int py = std::max(y - m, 0); py < std::min(y + ref->h + m, 480); py++)
        for (int px = std::max(x - m, 0); px < std::min(x + ref->w + m, 640); px++) {
            bool in = getpixel(ref, px - x, py - y) == WHITE;  // -1 outside ref
            bool lit = getpixel(buffer, px, py) == colour;
            wrong += exact ? in != lit : in && !lit;
            for (auto [b, on] : {std::pair<int*, bool>{want, in}, {got, lit}})
                if (on) {
                    b[0] = std::min(b[0], px), b[1] = std::min(b[1], py);
                    b[2] = std::max(b[2], px), b[3] = std::max(b[3], py);
                }
        }
    destroy_bitmap(ref);
    bool off_screen = x + text_length(f, s.c_str()) <= 0;  // the start of the slide-in
    if (wrong == 0 && (want[2] >= 0 || off_screen))
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "\"" << s << "\" at (" << x << ", " << y << "): " << wrong << " pixels differ; ink ("
           << got[0] << "," << got[1] << ")-(" << got[2] << "," << got[3] << "), expected ("
           << want[0] << "," << want[1] << ")-(" << want[2] << "," << want[3] << ")";
}
static testing::AssertionResult centred(FONT* f, const std::string& s, int cx, int y, int colour,
                                        bool exact = true)
{
    return ink(f, s, cx - text_length(f, s.c_str()) / 2, y, colour, exact);
}

static int count_colour(int colour)
{
    int n = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            n += getpixel(buffer, x, y) == colour;
    return n;
}

// A pass with no stars about to fall into the texts.
static void clean_pass()
{
    star.clear();
    game_pass();
}

TEST_F(Screens, TitleAndSlideInShowTheirTextsAndNoOverlay)
{
    e_left = 0;  // a cleared stage, as far as the counters go: still no overlay
    for (int i = 0; i < 30; i++) {
        star.clear();
        title_pass();
        ASSERT_TRUE(centred(title, "Zelto Star!", 320, 180, WHITE));
        ASSERT_TRUE(centred(text, "Press fire [Z] to begin.", 320, 245, WHITE));
        ASSERT_FALSE(centred(title, "Stage Clear!", 320, 200, WHITE, false));
        ASSERT_FALSE(ink(text, "- BOSS -", 531, 60, WHITE, false));
        ASSERT_EQ(count_colour(RED), 0);  // the game-over texts and the health bar are red
    }
    hold(KEY_TAB);
    title_pass();
    let_go(KEY_TAB);
    BITMAP* saved_title = load_bmp((folder + "/zelto_screen.bmp").c_str(), nullptr);
    ASSERT_NE(saved_title, nullptr) << "Tab on the title saved no frame";
    destroy_bitmap(saved_title);
    e_left = 62;
    for (int i = 0; i <= 126; i += 7) {
        star.clear();
        slide_pass(i);
        ASSERT_TRUE(ink(text, "Score: 0", i - 108, 60, WHITE)) << "offset " << i;
        ASSERT_TRUE(ink(text, "Lives: 2", i - 108, 80, WHITE)) << "offset " << i;
        ASSERT_FALSE(centred(title, "Stage Clear!", 320, 200, WHITE, false));
        ASSERT_EQ(count_colour(RED), 0);
    }
}

TEST_F(Screens, FirstGameFrameHasPanelsAndTheHud)
{
    start_game();
    // Spark streaks across the whole width on the top, middle and bottom
    // rows: only the panels can hide them.
    const int yellow = makecol(255, 255, 0);
    for (int y : {0, 240, 479}) {
        spark.push_back(partical{300, y, -500, 0, yellow});
        spark.push_back(partical{300, y, 500, 0, yellow});
    }
    clean_pass();
    EXPECT_TRUE(ink(text, "Score: 0", 20, 60, WHITE));
    EXPECT_TRUE(ink(text, "Lives: 2", 20, 80, WHITE));

    const int left = 128 - pship->w / 2, right = 512 + pship->w / 2;
    int hud_bottom = 80 + text_height(text), hud_right = 20 + text_length(text, "Score: 0");
    int lit = 0;
    for (int y = 0; y < 480; y++) {
        for (int x = 0; x <= left; x++)
            if (!(y >= 60 && y < hud_bottom && x >= 20 && x < hud_right))
                lit += getpixel(buffer, x, y) != BLACK;
        for (int x = right; x < 640; x++)
            lit += getpixel(buffer, x, y) != BLACK;
    }
    EXPECT_EQ(lit, 0) << "pixels lit in the side panels";
    for (int y : {0, 240, 479}) {
        EXPECT_EQ(getpixel(buffer, left + 1, y), yellow) << y;
        EXPECT_EQ(getpixel(buffer, right - 1, y), yellow) << y;
    }
}

TEST_F(Screens, GameOverListsTheTableThenTheRunsScore)
{
    start_game();
    passes(1);
    const int before[5] = {50, 40, 30, 20, 10};
    std::copy(before, before + 5, highscore);
    score = 45;
    lives = 0;
    last_hit = loop_num;
    bonus.clear();
    spark.clear();
    clean_pass();
    EXPECT_TRUE(centred(title, "Game Over", 320, 200, RED));
    EXPECT_TRUE(centred(text, "Press Esc to quit", 320, 250, RED));
    EXPECT_TRUE(centred(text, "Press [X] to play again", 320, 268, RED));
    EXPECT_TRUE(centred(text, "Highscores:", 320, 285, RED));
    for (int i = 0; i < 5; i++)
        EXPECT_TRUE(centred(text, std::to_string(before[i]), 320, 305 + 20 * i, RED));
    EXPECT_TRUE(ink(text, "Lives: 0", 20, 80, WHITE));
    EXPECT_TRUE(ink(text, "Score: 45", 20, 60, WHITE));

    const int after[5] = {50, 45, 40, 30, 20};
    for (int pass = 0; pass < 70; pass++) {  // past the d = 60 wrap of a finished run
        clean_pass();
        for (int i = 0; i < 5; i++)
            ASSERT_TRUE(centred(text, std::to_string(after[i]), 320, 305 + 20 * i, RED));
        ASSERT_TRUE(ink(text, "Lives: 0", 20, 80, WHITE));
        ASSERT_FALSE(centred(title, "Stage Clear!", 320, 200, WHITE, false));
    }

    // Paused now, both read: "Paused" goes clear of the rows of "Game Over".
    BITMAP* frame = create_bitmap(640, 480);
    blit(buffer, frame, 0, 0, 0, 0, 640, 480);
    draw_paused(frame);
    int drawn = 0, over_game_over = 0;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            if (getpixel(frame, x, y) != getpixel(buffer, x, y)) {
                drawn++;
                over_game_over += y >= 200 && y < 200 + text_height(title);
            }
    destroy_bitmap(frame);
    EXPECT_GT(drawn, 0);
    EXPECT_EQ(over_game_over, 0);
}

// Advances into the stage after r_stage through a cleared stage and X.
static void advance_from(int r)
{
    r_stage = r;
    e_left = 0;
    enemy.clear();
    boss_stage = false;
    key[KEY_X] = -1;
    game_pass();
    key[KEY_X] = 0;
}

TEST_F(Screens, BossStagesShowTheirBarBannerAndName)
{
    struct Boss { int r_stage; const char* name; int name_x; int full; };
    const Boss bosses[] = {{0, "GLAIVE", 536, 70}, {3, "VORTEX", 536, 70}, {7, "ANGEL", 538, 105}};
    start_game();
    passes(1);
    for (const Boss& b : bosses) {
        advance_from(b.r_stage);
        ASSERT_TRUE(boss_stage);
        EXPECT_EQ(boss.body.hp, b.full);
        for (int hp : {b.full, 70, 35, 1}) {
            boss.body.hp = hp;
            spark.clear();
            clean_pass();
            // Three nested one-pixel outlines from x = 128 to 128 + v, rows
            // 460 to 475: red on their three outer rows and columns at each
            // side, and nothing red just past the right end.
            int v = hp * 384 / b.full, wrong = 0;
            for (int y = 460; y <= 475; y++)
                for (int x = 128; x <= 129 + v; x++) {
                    bool edge = y <= 462 || y >= 473 || x <= 130 || x >= 126 + v;
                    wrong += (getpixel(buffer, x, y) == RED) != (edge && x <= 128 + v);
                }
            EXPECT_EQ(wrong, 0) << b.name << " at " << hp << " hp";
            EXPECT_TRUE(ink(text, "- BOSS -", 531, 60, WHITE));
            EXPECT_TRUE(ink(text, b.name, b.name_x, 80, WHITE));
            EXPECT_FALSE(centred(title, "Stage Clear!", 320, 200, WHITE, false));
        }
    }
}

TEST_F(Screens, StageClearThenTheFinalStageWithCredits)
{
    start_game();
    passes(1);
    e_left = 0;
    enemy.clear();
    clean_pass();
    EXPECT_TRUE(centred(title, "Stage Clear!", 320, 200, WHITE));
    EXPECT_TRUE(centred(text, "Press [X] to continue", 320, 250, WHITE));

    advance_from(11);
    ASSERT_EQ(boss.type, NO_BOSS);
    clean_pass();
    // The credits lie in the right panel, over the banner, which has no name.
    EXPECT_TRUE(ink(text, "- BOSS -", 531, 60, WHITE, false));
    const struct { int y; const char* line; } credits[] = {
        {60, "- CREDITS -"}, {90, "Programming"}, {230, "(from Ashwicke)"}, {330, "varosh"}};
    for (const auto& c : credits)
        EXPECT_TRUE(centred(font, c.line, 576, c.y, WHITE, false)) << c.line;
    for (const char* name : {"GLAIVE", "VORTEX", "ANGEL"})
        EXPECT_FALSE(ink(text, name, 536, 80, WHITE, false));
}
