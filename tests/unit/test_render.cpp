// Drawing: the translucent blit pixel by pixel, the stars and their warp
// streaks, the bound on the star array and the ship through its hit age.
#include "harness.h"

#include <algorithm>

using Render = Headless;

static int white16() { return makecol16(255, 255, 255); }
static int magenta16() { return makecol16(255, 0, 255); }

static int lit_pixels(BITMAP* bmp)
{
    int n = 0;
    for (int x = 0; x < bmp->w; x++)
        for (int y = 0; y < bmp->h; y++)
            n += getpixel(bmp, x, y) != 0;
    return n;
}

TEST_F(Render, BlendAveragesEveryChannelAndSkipsMagenta)
{
    BITMAP* src = create_bitmap_ex(16, 3, 2);
    BITMAP* dst = create_bitmap_ex(16, 3, 2);
    clear_to_color(src, makecol16(0, 0, 0));
    putpixel(src, 1, 0, magenta16());
    putpixel(src, 2, 1, makecol16(255, 0, 0));
    clear_to_color(dst, white16());
    int blue = makecol16(0, 0, 255), odd = makecol16(90, 200, 30);
    putpixel(dst, 1, 0, odd);
    putpixel(dst, 2, 1, blue);

    trans_draw_16(dst, src, 0, 0);
    // Black over white: 127 in every channel, repacked as 15, 31, 15.
    EXPECT_EQ(getpixel(dst, 0, 0), (15 << 11) | (31 << 5) | 15);
    EXPECT_EQ(getpixel(dst, 1, 0), odd);
    EXPECT_EQ(getpixel(dst, 2, 1), (15 << 11) | 15);

    // Twice: three quarters red, one quarter blue.
    trans_draw_16(dst, src, 0, 0);
    rgb twice = pixel(dst, 2, 1);
    EXPECT_NEAR(twice.r, 255 * 3 / 4, 8);
    EXPECT_EQ(twice.g, 0);
    EXPECT_NEAR(twice.b, 255 / 4, 8);
    EXPECT_EQ(getpixel(dst, 1, 0), odd);
    destroy_bitmap(src);
    destroy_bitmap(dst);
}

TEST_F(Render, BlendClipsAtEveryEdgeAndTouchesNothingOutside)
{
    // The target is a window into a larger bitmap, so a stray write shows
    // in the frame around it; its clip rectangle must not matter.
    const int FX = 20, FY = 15, W = 21, H = 14;
    BITMAP* frame = create_bitmap_ex(16, W + 2 * FX, H + 2 * FY);
    BITMAP* dst = create_sub_bitmap(frame, FX, FY, W, H);
    set_clip_rect(dst, 3, 3, 4, 4);
    BITMAP* src = create_bitmap_ex(16, 7, 5);
    for (int i = 0; i < src->w; i++)
        for (int j = 0; j < src->h; j++)
            putpixel(src, i, j, makecol16(30 * i, 50 * j, 200));
    putpixel(src, 3, 2, magenta16());
    const int green = makecol16(0, 255, 0);

    const int at[][2] = {
        {-3, 4}, {W - 4, 6}, {5, -2}, {8, H - 3}, {-6, -4}, {W - 1, H - 1}, {-2, H - 2},
        {W - 3, -3}, {0, 0}, {W - 7, H - 5},
        // wholly outside
        {-7, 0}, {W, 0}, {0, -5}, {0, H}, {-7, -5}, {W, H}, {-100000, 2}, {100000, 2},
        {2, -100000}, {2, 100000}};
    for (const auto& p : at) {
        const int x = p[0], y = p[1];
        rectfill(frame, 0, 0, frame->w - 1, frame->h - 1, green);
        rectfill(frame, FX, FY, FX + W - 1, FY + H - 1, white16());
        trans_draw_16(dst, src, x, y);
        int changed = 0;
        for (int fx = 0; fx < frame->w; fx++)
            for (int fy = 0; fy < frame->h; fy++) {
                int u = fx - FX, v = fy - FY, i = u - x, j = v - y;
                int want = green;
                if (u >= 0 && u < W && v >= 0 && v < H) {
                    want = white16();
                    if (i >= 0 && i < src->w && j >= 0 && j < src->h &&
                        getpixel(src, i, j) != magenta16())
                        want = merge16(getpixel(src, i, j), white16());
                }
                changed += want != green && want != white16();
                ASSERT_EQ(getpixel(frame, fx, fy), want)
                    << "sprite at (" << x << ", " << y << "), pixel (" << u << ", " << v << ")";
            }
        bool overlaps = x > -src->w && x < W && y > -src->h && y < H;
        EXPECT_EQ(changed > 0, overlaps) << "sprite at (" << x << ", " << y << ")";
    }
    destroy_bitmap(src);
    destroy_bitmap(dst);
    destroy_bitmap(frame);
}

TEST_F(Render, StarsArePlusesOrWarpStreaks)
{
    star = {snow{100, 200, 12}, snow{300, 50, 3}, snow{0, 0, 1}};
    wrp_spd = 0;
    clear_to_color(buffer, 0);
    draw_stars();
    EXPECT_EQ(lit_pixels(buffer), 5 + 5 + 3);  // the one in the corner is clipped
    const int plus[5][2] = {{0, 0}, {-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    for (const auto& d : plus) {
        EXPECT_EQ(getpixel(buffer, 100 + d[0], 200 + d[1]), white16());
        EXPECT_EQ(getpixel(buffer, 300 + d[0], 50 + d[1]), white16());
    }

    // Warp 35: a speed-12 star streaks 24 + 4 rows below itself.
    wrp_spd = 35;
    clear_to_color(buffer, 0);
    draw_stars();
    for (int y = 200; y <= 228; y++)
        EXPECT_EQ(getpixel(buffer, 100, y), white16()) << y;
    EXPECT_EQ(getpixel(buffer, 300, 60), white16());  // speed 3: 6 + 4 rows
    EXPECT_EQ(lit_pixels(buffer), 29 + 11 + 7);

    // ...and falls 36 + 35 / 4; two stars are born.
    star_handle();
    ASSERT_EQ(star.size(), 5u);
    EXPECT_EQ(star[0].y, 244);
    EXPECT_EQ(star[1].y, 67);

    // Warp 3 gives no extra fall, but two births and streaks of 2 x speed rows.
    wrp_spd = 3;
    star = {snow{100, 200, 12}};
    star_handle();
    EXPECT_EQ(star.size(), 3u);
    EXPECT_EQ(star[0].y, 236);
    star.resize(1);
    clear_to_color(buffer, 0);
    draw_stars();
    EXPECT_EQ(getpixel(buffer, 100, 236 + 24), white16());
    EXPECT_EQ(lit_pixels(buffer), 25);
}

TEST_F(Render, StarArrayStaysBoundedThroughALongWarpAndKeepsTheVisibleSky)
{
    star.clear();
    wrp_spd = 35;
    size_t most = 0;
    for (int n = 0; n < 100000; n++) {
        std::vector<snow> before = star;
        star_handle();
        // Every star still above row 490 is kept, in order, one fall further down.
        size_t k = 0;
        bool same = true;
        for (const snow& s : before) {
            snow moved{s.x, s.y + 3 * s.speed + 8, s.speed};
            if (moved.y > 490)
                continue;
            same = same && k < star.size() && star[k].x == moved.x && star[k].y == moved.y &&
                   star[k].speed == moved.speed;
            k++;
        }
        ASSERT_TRUE(same) << "pass " << n;
        ASSERT_EQ(star.size(), k + 2) << "pass " << n;  // and two newborns
        for (; k < star.size(); k++)
            ASSERT_EQ(star[k].y, -5 + 3 * star[k].speed + 8);
        most = std::max(most, star.size());
    }
    // At this warp a star falls at least 11 rows a pass: none outlives 45 falls.
    EXPECT_LE(most, 2u * 45);
}

// The frame of one pass at hit age d, with nothing else in the world.
static void draw_at_age(int d)
{
    star.clear();
    spark.clear();
    bonus.clear();
    shot.clear();
    eshot.clear();
    enemy.clear();
    wrp_spd = 0;
    loop_num = 1000;
    last_hit = loop_num - d;
    draw_field();
}

TEST_F(Render, ShipIsSolidPast160BlendedWhileAGhostAndHiddenWhileDown)
{
    const int x0 = 320 - pship->w / 2, y0 = 240 - pship->h / 2;
    // Expected look of each sprite pixel over black after `blends` blends (0: solid).
    auto expect_ship = [&](int d, int blends) {
        player.x = 320;
        player.y = 240;
        draw_at_age(d);
        int lit = 0;
        for (int i = 0; i < pship->w; i++)
            for (int j = 0; j < pship->h; j++) {
                int s = getpixel(pship, i, j), want = s;
                if (s == magenta16())
                    want = 0;
                else
                    for (int b = 0; b < blends; b++)
                        want = merge16(s, b ? want : 0);
                lit += want != 0;
                ASSERT_EQ(getpixel(buffer, x0 + i, y0 + j), want) << "d " << d << " at " << i << ", " << j;
            }
        ASSERT_GT(lit, 0);
        EXPECT_EQ(lit_pixels(buffer), lit) << "d " << d;  // and nothing elsewhere
    };
    auto expect_black = [&](int d) {
        draw_at_age(d);
        EXPECT_EQ(lit_pixels(buffer), 0) << "d " << d;
    };

    // Some ship pixel looks different solid, blended once and twice.
    bool distinct = false;
    for (int i = 0; i < pship->w * pship->h; i++) {
        int c = getpixel(pship, i % pship->w, i / pship->w), once = merge16(c, 0);
        distinct = distinct || (c != magenta16() && c != once && once != merge16(c, once));
    }
    ASSERT_TRUE(distinct);

    lives = 2;
    expect_ship(161, 0);
    expect_ship(160, 2);
    expect_ship(61, 1);
    expect_black(0);
    expect_black(59);

    // The respawn pass brings the ship back but does not draw it yet.
    player = ship{200, 100, 0, 0, 0, 0};
    expect_black(60);
    EXPECT_EQ(lives, 1);
    EXPECT_EQ(player.x, 320);
    lives = 0;
    expect_black(60);
    EXPECT_EQ(last_hit, loop_num);  // kept down
}
