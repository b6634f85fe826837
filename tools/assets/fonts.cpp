// Fonts: glyphs drawn as text in fonts/*.txt, written as the 8-bit PCX sheets
// that Allegro's load_bitmap_font reads as mono fonts.
//
//   // a comment                  anywhere, on a line of its own
//   height 12                     rows of every glyph, before scaling
//   scale 3                       1, or 2 / 3 for Scale2x / Scale3x enlarging
//   spacing 3                     empty columns added right of each glyph,
//                                 after scaling
//   bold 2 2                      optional: after scaling, ink also runs this
//                                 many pixels right and down (the glyph
//                                 grows by the first number)
//   'A'                           starts a glyph: its character in quotes
//   .#####.                       then `height` rows, '#' ink, '.' empty;
//   ##...##                       the row length is the glyph's width
//
// Every printable ASCII character, space to tilde, must be drawn once.
//
// Sheet layout: glyph boxes in rows, each box framed by colour 255 (frames
// shared between neighbours), inside it 0 for empty and 1 for ink. Only one
// ink colour keeps Allegro loading it as a mono font, which the game can
// draw in any colour.
#include "asset_io.h"

#include <map>
#include <sstream>

namespace {

const int FIRST_CHAR = 32, LAST_CHAR = 126;
const int PER_ROW = 16;
const uint8_t EMPTY = 0, INK = 1, FRAME = 255;

struct Glyph {
    int w = 0, h = 0;
    std::vector<uint8_t> px;  // row by row, EMPTY or INK

    uint8_t at(int x, int y) const
    {
        // Beyond the edge is empty, so edge pixels smooth like inner ones.
        if (x < 0 || y < 0 || x >= w || y >= h)
            return EMPTY;
        return px[size_t(y) * w + x];
    }
};

struct FontSource {
    int height = 0, scale = 1, spacing = 1, bold_x = 0, bold_y = 0;
    std::map<int, Glyph> glyphs;
};

bool is_row(const std::string& s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (c != '#' && c != '.')
            return false;
    return true;
}

int number_after(const std::string& line, const std::string& key, const std::string& where)
{
    std::string rest = line.substr(key.size());
    size_t used = 0;
    int v = 0;
    try {
        v = std::stoi(rest, &used);
    } catch (...) {
        fail(where + ": bad number in \"" + line + "\"");
    }
    if (rest.find_first_not_of(' ', used) != std::string::npos)
        fail(where + ": bad number in \"" + line + "\"");
    return v;
}

FontSource read_font(const std::string& path)
{
    FontSource f;
    std::vector<std::string> lines = read_lines(path);
    int current = -1;
    Glyph* g = nullptr;
    int rows = 0;

    auto close_glyph = [&](const std::string& where) {
        if (g && rows != f.height)
            fail(where + ": glyph '" + std::string(1, char(current)) + "' has " +
                 std::to_string(rows) + " rows, not " + std::to_string(f.height));
    };

    for (size_t i = 0; i < lines.size(); i++) {
        const std::string& line = lines[i];
        std::string where = path + ":" + std::to_string(i + 1);
        if (line.empty() || line.compare(0, 2, "//") == 0)
            continue;
        if (line.size() == 3 && line[0] == '\'' && line[2] == '\'') {
            close_glyph(where);
            current = (unsigned char)line[1];
            if (current < FIRST_CHAR || current > LAST_CHAR)
                fail(where + ": character outside printable ASCII");
            if (f.glyphs.count(current))
                fail(where + ": glyph drawn twice");
            if (f.height <= 0)
                fail(where + ": height must come before the glyphs");
            g = &f.glyphs[current];
            rows = 0;
        } else if (is_row(line)) {
            if (!g)
                fail(where + ": pixel row outside a glyph");
            if (rows == 0)
                g->w = int(line.size());
            else if (int(line.size()) != g->w)
                fail(where + ": row width differs from the glyph's first row");
            if (++rows > f.height)
                fail(where + ": glyph taller than height");
            for (char c : line)
                g->px.push_back(c == '#' ? INK : EMPTY);
            g->h = rows;
        } else if (line.compare(0, 7, "height ") == 0 && !g) {
            f.height = number_after(line, "height ", where);
        } else if (line.compare(0, 6, "scale ") == 0 && !g) {
            f.scale = number_after(line, "scale ", where);
            if (f.scale < 1 || f.scale > 3)
                fail(where + ": scale must be 1, 2 or 3");
        } else if (line.compare(0, 8, "spacing ") == 0 && !g) {
            f.spacing = number_after(line, "spacing ", where);
        } else if (line.compare(0, 5, "bold ") == 0 && !g) {
            std::istringstream in(line.substr(5));
            std::string extra;
            if (!(in >> f.bold_x >> f.bold_y) || (in >> extra) || f.bold_x < 0 || f.bold_y < 0)
                fail(where + ": bold wants two numbers");
        } else {
            fail(where + ": cannot read \"" + line + "\"");
        }
    }
    close_glyph(path);
    if (f.height <= 0 || f.spacing < 0)
        fail(path + ": height and spacing must be set");
    for (int c = FIRST_CHAR; c <= LAST_CHAR; c++)
        if (!f.glyphs.count(c))
            fail(path + ": no glyph for '" + std::string(1, char(c)) + "'");
    return f;
}

// Scale2x / Scale3x (EPX family): enlarges and rounds off the stair steps of
// diagonals without inventing colours, so the result stays one ink colour.
Glyph enlarge(const Glyph& s, int k)
{
    if (k == 1)
        return s;
    Glyph d;
    d.w = s.w * k;
    d.h = s.h * k;
    d.px.assign(size_t(d.w) * d.h, EMPTY);
    for (int y = 0; y < s.h; y++) {
        for (int x = 0; x < s.w; x++) {
            uint8_t A = s.at(x - 1, y - 1), B = s.at(x, y - 1), C = s.at(x + 1, y - 1);
            uint8_t D = s.at(x - 1, y), E = s.at(x, y), F = s.at(x + 1, y);
            uint8_t G = s.at(x - 1, y + 1), H = s.at(x, y + 1), I = s.at(x + 1, y + 1);
            uint8_t o[9];
            for (uint8_t& v : o)
                v = E;
            if (B != H && D != F) {
                if (k == 2) {
                    o[0] = D == B ? D : E;
                    o[1] = B == F ? F : E;
                    o[2] = D == H ? D : E;
                    o[3] = H == F ? F : E;
                } else {
                    o[0] = D == B ? D : E;
                    o[1] = ((D == B && E != C) || (B == F && E != A)) ? B : E;
                    o[2] = B == F ? F : E;
                    o[3] = ((D == B && E != G) || (D == H && E != A)) ? D : E;
                    o[5] = ((B == F && E != I) || (H == F && E != C)) ? F : E;
                    o[6] = D == H ? D : E;
                    o[7] = ((D == H && E != I) || (H == F && E != G)) ? H : E;
                    o[8] = H == F ? F : E;
                }
            }
            for (int j = 0; j < k; j++)
                for (int i = 0; i < k; i++)
                    d.px[size_t(y * k + j) * d.w + x * k + i] = o[j * k + i];
        }
    }
    return d;
}

// Fattens the strokes after scaling, which keeps counters open where drawing
// the glyphs fatter would have closed them. The bottom rows must stay empty
// for the ink that runs down.
Glyph embolden(const Glyph& s, int dx, int dy)
{
    Glyph d;
    d.w = s.w + dx;
    d.h = s.h;
    d.px.assign(size_t(d.w) * d.h, EMPTY);
    for (int y = 0; y < s.h; y++)
        for (int x = 0; x < s.w; x++)
            if (s.at(x, y) == INK)
                for (int j = 0; j <= dy && y + j < d.h; j++)
                    for (int i = 0; i <= dx; i++)
                        d.px[size_t(y + j) * d.w + x + i] = INK;
    return d;
}

Glyph add_spacing(const Glyph& s, int cols)
{
    Glyph d;
    d.w = s.w + cols;
    d.h = s.h;
    d.px.assign(size_t(d.w) * d.h, EMPTY);
    for (int y = 0; y < s.h; y++)
        for (int x = 0; x < s.w; x++)
            d.px[size_t(y) * d.w + x] = s.at(x, y);
    return d;
}

struct Sheet {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
};

Sheet lay_out(const std::vector<Glyph>& glyphs)
{
    int gh = glyphs[0].h;
    int rows = (int(glyphs.size()) + PER_ROW - 1) / PER_ROW;
    Sheet s;
    for (int r = 0; r < rows; r++) {
        int w = 1;
        for (int i = r * PER_ROW; i < int(glyphs.size()) && i < (r + 1) * PER_ROW; i++)
            w += glyphs[i].w + 1;
        s.w = std::max(s.w, w);
    }
    s.h = rows * (gh + 1) + 1;
    s.px.assign(size_t(s.w) * s.h, FRAME);
    for (size_t i = 0; i < glyphs.size(); i++) {
        int r = int(i) / PER_ROW;
        int x0 = 1;
        for (size_t j = size_t(r) * PER_ROW; j < i; j++)
            x0 += glyphs[j].w + 1;
        int y0 = 1 + r * (gh + 1);
        for (int y = 0; y < gh; y++)
            for (int x = 0; x < glyphs[i].w; x++)
                s.px[size_t(y0 + y) * s.w + x0 + x] = glyphs[i].at(x, y);
    }
    return s;
}

// 8-bit PCX, version 5, run-length encoded, 256-colour palette at the end.
bytes encode_pcx(const Sheet& s)
{
    int line = s.w + (s.w & 1);  // PCX wants an even number of bytes a line
    bytes b;
    put_u8(b, 10);  // manufacturer
    put_u8(b, 5);   // version
    put_u8(b, 1);   // RLE
    put_u8(b, 8);   // bits per pixel
    put_u16(b, 0);
    put_u16(b, 0);
    put_u16(b, s.w - 1);
    put_u16(b, s.h - 1);
    put_u16(b, 72);
    put_u16(b, 72);
    for (int i = 0; i < 48; i++)
        put_u8(b, 0);
    put_u8(b, 0);  // reserved
    put_u8(b, 1);  // planes
    put_u16(b, line);
    put_u16(b, 1);  // colour palette
    while (b.size() < 128)
        put_u8(b, 0);

    for (int y = 0; y < s.h; y++) {
        int x = 0;
        while (x < line) {
            auto pixel = [&](int px) { return px < s.w ? s.px[size_t(y) * s.w + px] : EMPTY; };
            uint8_t v = pixel(x);
            int run = 1;
            while (x + run < line && run < 63 && pixel(x + run) == v)
                run++;
            if (run > 1 || v >= 0xC0)
                put_u8(b, 0xC0 | run);
            put_u8(b, v);
            x += run;
        }
    }

    // Only three colours matter; they are picked to make the sheet easy to
    // inspect in a paint program.
    put_u8(b, 12);
    for (int i = 0; i < 256; i++) {
        uint8_t r = 0, g = 0, bl = 0;
        if (i == INK)
            r = g = bl = 255;
        else if (i == FRAME)
            r = g = 255;
        else if (i == EMPTY)
            r = 40, g = 40, bl = 60;
        put_u8(b, r);
        put_u8(b, g);
        put_u8(b, bl);
    }
    return b;
}

void make_font(const std::string& source, const std::string& target)
{
    FontSource f = read_font(source);
    std::vector<Glyph> glyphs;
    for (int c = FIRST_CHAR; c <= LAST_CHAR; c++)
        glyphs.push_back(add_spacing(embolden(enlarge(f.glyphs[c], f.scale), f.bold_x, f.bold_y), f.spacing));
    write_bytes(target, encode_pcx(lay_out(glyphs)));
}

}  // namespace

void make_fonts(const std::string& src_dir, const std::string& out_dir)
{
    make_font(src_dir + "/fonts/small.txt", out_dir + "/zelto_sfont.pcx");
    make_font(src_dir + "/fonts/large.txt", out_dir + "/zelto_lfont.pcx");
}
