// Sprites: pixel art kept as text in sprites/*.txt, one image per file.
//
//   # a comment (only before "pixels")
//   file ZS BOSS - VORTEX/node.bmp   where the image goes inside data/
//   mirror 31                        optional: each row is the left half and
//                                    the right half is its mirror image; an
//                                    odd width shares the centre column
//   colours
//   K #101820  outline               one character, its colour, a note
//   pixels
//   ...KK...                         one character a pixel, '.' transparent
//
// A file may say "flip other.txt" instead of colours and pixels to be the
// mirror image of another sprite.
//
// Output is 24-bit BMP with magenta (255, 0, 255) as the mask colour, which
// Allegro treats as transparent.
#include "asset_io.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

namespace {

struct Rgb {
    uint8_t r, g, b;
};

const Rgb MASK = {255, 0, 255};

struct Sprite {
    std::string out_name;
    int w = 0, h = 0;
    std::vector<Rgb> px;  // row major, top row first
};

std::string trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos)
        return "";
    size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool parse_colour(const std::string& tok, Rgb& out)
{
    if (tok.size() != 7 || tok[0] != '#')
        return false;
    int v[6];
    for (int i = 0; i < 6; i++)
        if ((v[i] = hex_digit(tok[i + 1])) < 0)
            return false;
    out = {uint8_t(v[0] * 16 + v[1]), uint8_t(v[2] * 16 + v[3]), uint8_t(v[4] * 16 + v[5])};
    return true;
}

// Anything this close to magenta could turn into the mask colour once the
// game drops to 16-bit colour, punching holes in the sprite.
bool near_mask(Rgb c)
{
    return c.r >= 200 && c.g <= 64 && c.b >= 200;
}

Sprite load_sprite(const std::string& dir, const std::string& name, int depth = 0)
{
    const std::string path = dir + "/" + name;
    if (depth > 4)
        fail(path + ": flip chain too deep");
    Sprite s;
    std::map<char, Rgb> pal;
    pal['.'] = MASK;
    int mirror = 0;
    std::string flip;
    std::vector<std::string> rows;
    enum { HEAD, COLOURS, PIXELS } part = HEAD;
    int line_no = 0;

    for (const std::string& raw : read_lines(path)) {
        line_no++;
        const std::string where = path + ":" + std::to_string(line_no) + ": ";
        std::string line = trim(raw);
        if (line.empty())
            continue;
        if (part == PIXELS) {
            rows.push_back(line);
            continue;
        }
        if (line[0] == '#')
            continue;
        std::istringstream in(line);
        std::string word;
        in >> word;
        if (word == "colours") {
            part = COLOURS;
        } else if (word == "pixels") {
            part = PIXELS;
        } else if (part == HEAD && word == "file") {
            s.out_name = trim(line.substr(4));
        } else if (part == HEAD && word == "mirror") {
            if (!(in >> mirror) || mirror < 2)
                fail(where + "mirror needs the full width");
        } else if (part == HEAD && word == "flip") {
            in >> flip;
        } else if (part == COLOURS && word.size() == 1) {
            std::string tok;
            Rgb c;
            in >> tok;
            if (!parse_colour(tok, c))
                fail(where + "colour must be #rrggbb");
            if (word[0] == '.' || word[0] == '#' || pal.count(word[0]))
                fail(where + "character '" + word + "' is reserved or already used");
            if (near_mask(c))
                fail(where + "colour too close to the magenta mask");
            pal[word[0]] = c;
        } else {
            fail(where + "cannot read '" + line + "'");
        }
    }
    if (s.out_name.empty())
        fail(path + ": no 'file' line");

    if (!flip.empty()) {
        Sprite src = load_sprite(dir, flip, depth + 1);
        s.w = src.w;
        s.h = src.h;
        s.px.resize(src.px.size());
        for (int y = 0; y < s.h; y++)
            for (int x = 0; x < s.w; x++)
                s.px[y * s.w + x] = src.px[y * s.w + (s.w - 1 - x)];
        return s;
    }

    if (rows.empty())
        fail(path + ": no pixels");
    const size_t row_len = mirror ? size_t(mirror + 1) / 2 : rows[0].size();
    s.w = mirror ? mirror : int(row_len);
    s.h = int(rows.size());
    s.px.resize(size_t(s.w) * s.h);
    for (int y = 0; y < s.h; y++) {
        const std::string& r = rows[y];
        if (r.size() != row_len)
            fail(path + ": pixel row " + std::to_string(y + 1) + " is " + std::to_string(r.size()) +
                 " wide, expected " + std::to_string(row_len));
        for (size_t x = 0; x < row_len; x++) {
            auto it = pal.find(r[x]);
            if (it == pal.end())
                fail(path + ": pixel row " + std::to_string(y + 1) + " uses undefined '" +
                     std::string(1, r[x]) + "'");
            s.px[y * s.w + x] = it->second;
            if (mirror)
                s.px[y * s.w + (s.w - 1 - x)] = it->second;
        }
    }
    return s;
}

bool is_mask(Rgb c)
{
    return c.r == MASK.r && c.g == MASK.g && c.b == MASK.b;
}

bytes encode_bmp(const Sprite& s)
{
    const uint32_t stride = (uint32_t(s.w) * 3 + 3) & ~3u;
    const uint32_t image = stride * uint32_t(s.h);
    bytes b;
    b.reserve(54 + image);
    // BITMAPFILEHEADER
    put_text(b, "BM", 2);
    put_u32(b, 54 + image);
    put_u32(b, 0);
    put_u32(b, 54);
    // BITMAPINFOHEADER
    put_u32(b, 40);
    put_u32(b, uint32_t(s.w));
    put_u32(b, uint32_t(s.h));  // positive: bottom-up rows
    put_u16(b, 1);
    put_u16(b, 24);
    put_u32(b, 0);  // BI_RGB
    put_u32(b, image);
    put_u32(b, 2835);  // 72 dpi
    put_u32(b, 2835);
    put_u32(b, 0);
    put_u32(b, 0);
    for (int y = s.h - 1; y >= 0; y--) {
        for (int x = 0; x < s.w; x++) {
            Rgb c = s.px[y * s.w + x];
            put_u8(b, c.b);
            put_u8(b, c.g);
            put_u8(b, c.r);
        }
        for (uint32_t p = uint32_t(s.w) * 3; p < stride; p++)
            put_u8(b, 0);
    }
    return b;
}

}  // namespace

void make_sprites(const std::string& src_dir, const std::string& out_dir)
{
    const std::string dir = src_dir + "/sprites";
    std::vector<std::string> names;
    std::error_code err;
    for (const auto& e : std::filesystem::directory_iterator(dir, err))
        if (e.path().extension() == ".txt")
            names.push_back(e.path().filename().string());
    if (err)
        fail("cannot list " + dir + ": " + err.message());
    std::sort(names.begin(), names.end());  // directory order is not stable

    std::map<std::string, std::string> made;  // output -> source, to catch clashes
    for (const std::string& name : names) {
        Sprite s = load_sprite(dir, name);
        if (made.count(s.out_name))
            fail(name + " and " + made[s.out_name] + " both write " + s.out_name);
        made[s.out_name] = name;
        // A sprite whose corners are opaque would show its box on screen:
        // almost always a row typed one character short or long.
        const Rgb corners[4] = {s.px[0], s.px[s.w - 1], s.px[(s.h - 1) * s.w],
                                s.px[size_t(s.h) * s.w - 1]};
        for (Rgb c : corners)
            if (!is_mask(c))
                fail(name + ": corners must be transparent");
        write_bytes(out_dir + "/" + s.out_name, encode_bmp(s));
    }
}
