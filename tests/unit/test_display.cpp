// Presenting the frame: the sizes chosen from the desktop, and the one-pass
// conversion and enlargement, which must give exactly the colours the
// library's own conversion gives, at every screen format.
#include "harness.h"
#include "shell/machine/enlarge.h"

#include <allegro/internal/aintern.h>
#include <cstring>

TEST(Choices, AutoScaleLeavesRoomForATitleBarAndAPanel)
{
    EXPECT_EQ(auto_scale(800, 600), 1);
    EXPECT_EQ(auto_scale(1280, 1040), 2);   // 960 + 80 fits exactly
    EXPECT_EQ(auto_scale(1280, 1039), 1);
    EXPECT_EQ(auto_scale(1920, 1080), 2);
    EXPECT_EQ(auto_scale(2560, 1440), 2);
    EXPECT_EQ(auto_scale(2600, 2000), 4);
    EXPECT_EQ(auto_scale(3840, 2160), 4);
    EXPECT_EQ(auto_scale(7680, 4320), 8);   // no cap but the desktop
    EXPECT_EQ(auto_scale(2000, 1500), 2);   // the height decides
    EXPECT_EQ(auto_scale(1900, 4000), 2);   // the width decides
    // Nothing larger fits, or even 640 x 480 does not: 1.
    EXPECT_EQ(auto_scale(640, 480), 1);
    EXPECT_EQ(auto_scale(320, 200), 1);
    EXPECT_EQ(auto_scale(0, 0), 1);
}

TEST(Choices, FullscreenCentresTheLargestWholeFactor)
{
    struct { int w, h, scale, x, y; } cases[] = {
        {1920, 1080, 2, 320, 60},
        {2560, 1440, 3, 320, 0},
        {3840, 2160, 4, 640, 120},
        {640, 480, 1, 0, 0},
        {800, 600, 1, 80, 60},
        {1024, 768, 1, 192, 144},
        {1366, 768, 1, 363, 144},   // odd margins round down
        {2600, 2000, 4, 20, 40},
    };
    for (const auto& c : cases) {
        frame_place p = place_frame(c.w, c.h);
        EXPECT_EQ(p.scale, c.scale) << c.w << "x" << c.h;
        EXPECT_EQ(p.x, c.x) << c.w << "x" << c.h;
        EXPECT_EQ(p.y, c.y) << c.w << "x" << c.h;
    }
    // Smaller than the frame: no fullscreen at all.
    EXPECT_EQ(place_frame(600, 400).scale, 0);
    EXPECT_EQ(place_frame(1920, 400).scale, 0);
}

TEST(Choices, TheScreenTakesTheDesktopDepthWhenItCanBeConverted)
{
    EXPECT_EQ(screen_depth_for(32), 32);
    EXPECT_EQ(screen_depth_for(24), 24);
    EXPECT_EQ(screen_depth_for(16), 16);
    EXPECT_EQ(screen_depth_for(15), 15);
    EXPECT_EQ(screen_depth_for(8), 16);   // a palette: the library converts
    EXPECT_EQ(screen_depth_for(0), 16);   // unknown
}

// Every 16-bit colour once, through the library's own converter into `bytes`
// bytes a pixel: what the window showed before the table existed.
static std::vector<unsigned char> library_converts(int to_depth, int bytes)
{
    std::vector<uint16_t> all(65536);
    for (int c = 0; c < 65536; c++)
        all[c] = uint16_t(c);
    std::vector<unsigned char> out(65536 * size_t(bytes));
    GRAPHICS_RECT from = {256, 256, 512, all.data()};
    GRAPHICS_RECT to = {256, 256, 256 * bytes, out.data()};
    COLORCONV_BLITTER_FUNC* convert = _get_colorconv_blitter(16, to_depth);
    EXPECT_NE(convert, nullptr);
    if (convert) {
        convert(&from, &to);
        _release_colorconv_blitter(convert);
    }
    return out;
}

static std::vector<unsigned char> table_converts(const pixel_format& format)
{
    std::vector<uint32_t> table = colour_table(format);
    int bytes = pixel_bytes(format.depth);
    std::vector<uint16_t> all(65536);
    for (int c = 0; c < 65536; c++)
        all[c] = uint16_t(c);
    std::vector<unsigned char> out(65536 * size_t(bytes));
    enlarge_row(all.data(), 65536, 1, table.data(), bytes, out.data());
    return out;
}

class Colours : public Headless {};

TEST_F(Colours, EveryColourComesOutAsTheLibraryConvertsIt)
{
    // The X server's usual layouts: red high, blue low.
    for (pixel_format f : {pixel_format{32, 16, 8, 0}, pixel_format{24, 16, 8, 0},
                           pixel_format{15, 10, 5, 0}}) {
        int bytes = pixel_bytes(f.depth);
        std::vector<unsigned char> want = library_converts(f.depth, bytes), got = table_converts(f);
        size_t differ = 0;
        for (size_t i = 0; i < want.size(); i++)
            differ += want[i] != got[i];
        EXPECT_EQ(differ, 0u) << "depth " << f.depth;
    }
    // A 5-6-5 screen is the frame's own format: nothing changes.
    std::vector<uint32_t> same = colour_table({16, 11, 5, 0});
    EXPECT_TRUE(is_identity(same));
    for (uint32_t c : {0x0000u, 0xf800u, 0x07e0u, 0x001fu, 0xffffu, 0x1234u})
        EXPECT_EQ(same[c], c);
}

TEST_F(Colours, ScreensInBlueFirstOrderGetTheirOwnLayout)
{
    std::vector<uint32_t> rgb = colour_table({32, 16, 8, 0}), bgr = colour_table({32, 0, 8, 16});
    std::vector<uint32_t> bgr16 = colour_table({16, 0, 5, 11});
    EXPECT_FALSE(is_identity(bgr16));
    for (uint32_t c = 0; c < 65536; c += 97) {
        uint32_t p = rgb[c], q = bgr[c];
        EXPECT_EQ(p >> 16 & 255, q & 255);
        EXPECT_EQ(p >> 8 & 255, q >> 8 & 255);
        EXPECT_EQ(p & 255, q >> 16 & 255);
        uint32_t r = c >> 11, g = c >> 5 & 63, b = c & 31;
        EXPECT_EQ(bgr16[c], b << 11 | g << 5 | r);
    }
    // Pure channels land where each layout wants them.
    EXPECT_EQ(rgb[0xf800], 0xff0000u);
    EXPECT_EQ(rgb[0x07e0], 0x00ff00u);
    EXPECT_EQ(rgb[0x001f], 0x0000ffu);
    EXPECT_EQ(colour_table({15, 10, 5, 0})[0xffff], 0x7fffu);
    EXPECT_TRUE(colour_table({8, 0, 0, 0}).empty());
}

TEST(Enlarge, EachPixelIsWrittenScaleTimesAtEverySize)
{
    const uint16_t in[5] = {1, 2, 3, 4, 5};
    std::vector<uint32_t> table(65536);
    for (uint32_t c = 0; c < 65536; c++)
        table[c] = 0x00abcd00u | c;  // three distinct bytes, so packing errors show
    for (int bytes : {2, 3, 4}) {
        for (int scale = 1; scale <= 6; scale++) {
            std::vector<unsigned char> out(5 * scale * bytes + 8, 0xee);
            enlarge_row(in, 5, scale, table.data(), bytes, out.data());
            for (int i = 0; i < 5 * scale; i++) {
                uint32_t v = 0;
                std::memcpy(&v, &out[size_t(i) * bytes], bytes);
                uint32_t want = table[in[i / scale]] & (bytes == 4 ? 0xffffffffu : (1u << (8 * bytes)) - 1);
                ASSERT_EQ(v, want) << bytes << " bytes, scale " << scale << ", pixel " << i;
            }
            // Nothing past the row is touched.
            for (size_t i = 5 * scale * bytes; i < out.size(); i++)
                ASSERT_EQ(out[i], 0xee) << bytes << " bytes, scale " << scale;
        }
    }
}

TEST_F(Colours, WithoutAScreenPresentingDoesNothingWhateverKeysAreHeld)
{
    ASSERT_EQ(screen, nullptr);
    hold(KEY_F11);
    hold(KEY_ALT);
    hold(KEY_ENTER);
    unsigned long long before = state_hash();
    present();
    present();
    EXPECT_EQ(screen, nullptr);
    EXPECT_FALSE(in_fullscreen);
    EXPECT_EQ(state_hash(), before);
}
