// Asset files that are well formed but hostile, crafted as an attacker
// would, and random mutations of them and of the committed assets: every
// start-up ends in one line naming the file and a non-zero status, or in a
// game that plays (see asset_copy.h). tools/test.sh runs these under the
// sanitizers too, where any memory fault or undefined behaviour fails.
#include "asset_copy.h"

#include <cstdint>
#include <random>

namespace {

// ---- Bytes, little-endian -------------------------------------------------------

struct out {
    std::string b;
    out& u8(unsigned v) { b += char(v & 0xff); return *this; }
    out& u16(unsigned v) { return u8(v).u8(v >> 8); }
    out& u32(uint32_t v) { return u16(v & 0xffff).u16(v >> 16); }
    out& str(const std::string& s) { b += s; return *this; }
    out& fill(size_t n, unsigned v = 0) { b.append(n, char(v)); return *this; }
    out& pad(size_t to) { return fill(b.size() < to ? to - b.size() : 0); }
};

// ---- Font sheets ---------------------------------------------------------------

const uint8_t BORDER = 255, EMPTY = 0, INK = 1;

struct sheet {
    int w = 0, h = 0;
    std::vector<uint8_t> px;
    uint8_t& at(int x, int y) { return px[size_t(y) * w + x]; }
};

sheet filled(int w, int h, uint8_t v)
{
    sheet s;
    s.w = w;
    s.h = h;
    s.px.assign(size_t(w) * h, v);
    return s;
}

// n glyph boxes of gw x gh in rows of per_row, sharing their frames, as the
// asset generator lays out ours; each glyph holds a few strokes of ink.
sheet grid(int n, int gw, int gh, int per_row = 16)
{
    int rows = (n + per_row - 1) / per_row;
    sheet s = filled(std::min(n, per_row) * (gw + 1) + 1, rows * (gh + 1) + 1, BORDER);
    for (int i = 0; i < n; i++) {
        int x0 = 1 + (i % per_row) * (gw + 1), y0 = 1 + (i / per_row) * (gh + 1);
        for (int y = 0; y < gh; y++)
            for (int x = 0; x < gw; x++)
                s.at(x0 + x, y0 + y) = (x + y + i) % 3 == 0 ? INK : EMPTY;
    }
    return s;
}

// The top-left pixel inside glyph box i of a grid(.., gw, gh, per_row).
std::pair<int, int> inside(int i, int gw, int gh, int per_row = 16)
{
    return {1 + (i % per_row) * (gw + 1), 1 + (i / per_row) * (gh + 1)};
}

struct pcx_form {
    int planes = 1;
    int line = 0;          // bytes a plane line; 0: the width rounded up to even
    bool palette = true;   // the 256-colour palette after the pixels
    int bits = 8;
    bool empty_runs = false;  // a run of length 0 before every run
};

std::string pcx_header(int w, int h, int line, int planes, int bits = 8)
{
    out o;
    o.u8(10).u8(5).u8(1).u8(bits).u16(0).u16(0).u16(w - 1).u16(h - 1).u16(72).u16(72);
    o.fill(48).u8(0).u8(planes).u16(line).u16(1);
    return o.pad(128).b;
}

// An RLE-encoded PCX of the sheet; three planes make a 24-bit image with
// the grabber's true-colour border, yellow.
std::string pcx(const sheet& s, pcx_form f = {})
{
    int line = f.line ? f.line : s.w + (s.w & 1);
    out o;
    o.str(pcx_header(s.w, s.h, line, f.planes, f.bits));
    for (int y = 0; y < s.h; y++)
        for (int plane = 0; plane < f.planes; plane++) {
            auto value = [&](int x) -> uint8_t {
                uint8_t v = x < s.w ? s.px[size_t(y) * s.w + x] : EMPTY;
                if (f.planes == 1)
                    return v;
                return v == BORDER ? (plane < 2 ? 255 : 0) : v == INK ? 255 : 0;
            };
            for (int x = 0; x < line;) {
                uint8_t v = value(x);
                int run = 1;
                while (x + run < line && run < 63 && value(x + run) == v)
                    run++;
                if (f.empty_runs)
                    o.u8(0xC0).u8(0xFF);
                if (run > 1 || v >= 0xC0)
                    o.u8(0xC0 | run);
                o.u8(v);
                x += run;
            }
        }
    if (f.palette) {
        o.u8(12);
        for (int i = 0; i < 256; i++)
            o.u8(i).u8(i).u8(i);
    }
    return o.b;
}

// ---- BMP images ------------------------------------------------------------------

struct bmp_form {
    uint32_t info = 40;       // header size: 40 Windows, 12 OS/2
    int32_t w = 8, h = 8;
    unsigned bits = 8;
    uint32_t compression = 0;
    unsigned palette = 256;   // entries written (for 8 bits and fewer)
    uint32_t colours = 0;     // colours the header claims
    int64_t offset = -1;      // pixel offset; -1: where the palette ends
    int64_t data = -1;        // pixel bytes written; -1: every row
    uint32_t masks[3] = {0, 0, 0};  // written with bit fields
};

std::string bmp(const bmp_form& f)
{
    out head;
    if (f.info == 12)
        head.u16(f.w).u16(f.h).u16(1).u16(f.bits);
    else
        head.u32(f.w).u32(f.h).u16(1).u16(f.bits).u32(f.compression).u32(0).u32(2835).u32(2835)
            .u32(f.colours).u32(0);
    out extra;
    if (f.compression == 3) {
        for (uint32_t m : f.masks)
            extra.u32(m);
    } else if (f.bits <= 8) {
        for (unsigned i = 0; i < f.palette; i++) {
            extra.u8(i * 3).u8(255 - i).u8(i * 7);
            if (f.info != 12)
                extra.u8(0);
        }
    }
    uint32_t start = 14 + 4 + uint32_t(head.b.size()) + uint32_t(extra.b.size());
    int64_t rows = std::abs(int64_t(f.h)), width = std::abs(int64_t(f.w));
    int64_t size = f.data >= 0 ? f.data : (width * f.bits + 31) / 32 * 4 * rows;
    out o;
    o.str("BM").u32(uint32_t(start + size)).u32(0).u32(f.offset >= 0 ? uint32_t(f.offset) : start);
    o.u32(f.info).str(head.b).str(extra.b);
    for (int64_t i = 0; i < size; i++)
        o.u8(unsigned(i * 7 + i / 13));
    return o.b;
}

// ---- WAV sounds ------------------------------------------------------------------

std::string chunk(const char* id, const std::string& body, int64_t declared = -1)
{
    return out().str(id).u32(declared >= 0 ? uint32_t(declared) : uint32_t(body.size())).str(body).b;
}

std::string fmt(unsigned format, unsigned channels, uint32_t rate, unsigned bits, size_t extra = 0)
{
    out o;
    o.u16(format).u16(channels).u32(rate).u32(rate * channels * bits / 8).u16(channels * bits / 8);
    return o.u16(bits).fill(extra).b;
}

std::string wav(const std::string& chunks)
{
    return out().str("RIFF").u32(uint32_t(4 + chunks.size())).str("WAVE").str(chunks).b;
}

std::string tone(size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; i++)
        s += char(128 + int(60 * ((i / 20) % 2 ? 1 : -1)));
    return s;
}

// ---- XM and MOD songs ----------------------------------------------------------

struct xm_sample {
    uint32_t length = 64, loop_start = 0, loop_length = 0;
    unsigned type = 0;      // bit 0..1 loop, bit 4 16-bit
    int64_t data = -1;      // bytes written; -1: length
};

struct xm_instrument {
    std::vector<xm_sample> samples;
    uint32_t header = 0;          // 0: 29 without samples, 263 with
    uint32_t sample_header = 40;
};

struct xm_pattern {
    unsigned rows = 64;
    std::string packed;           // cells; empty: a pattern of nothing
    uint32_t header = 9;
    int64_t packed_size = -1;     // -1: packed's size
};

struct xm_form {
    unsigned version = 0x0104;
    uint32_t header = 276;
    unsigned channels = 4, restart = 0, tempo = 6, bpm = 125, flags = 1;
    std::vector<unsigned> orders = {0};
    int patterns_said = -1, instruments_said = -1;  // -1: as many as given
    std::vector<xm_pattern> patterns;
    std::vector<xm_instrument> instruments;
};

// A row of notes: channel 0 plays instrument 1 with the given effect, the
// rest are empty cells.
std::string notes(unsigned rows, unsigned channels, unsigned effect = 0, unsigned param = 0)
{
    out o;
    for (unsigned r = 0; r < rows; r++)
        for (unsigned c = 0; c < channels; c++) {
            if (c == 0 && r % 4 == 0)
                o.u8(1 + (r * 5) % 96).u8(1).u8(0x40).u8(effect).u8(param + r);
            else
                o.u8(0x80);
        }
    return o.b;
}

std::string xm(const xm_form& f)
{
    out o;
    o.str("Extended Module: ").str(std::string(20, 'c')).u8(0x1a).str(std::string(20, 't'));
    o.u16(f.version).u32(f.header).u16(unsigned(f.orders.size())).u16(f.restart).u16(f.channels);
    o.u16(f.patterns_said >= 0 ? unsigned(f.patterns_said) : unsigned(f.patterns.size()));
    o.u16(f.instruments_said >= 0 ? unsigned(f.instruments_said) : unsigned(f.instruments.size()));
    o.u16(f.flags).u16(f.tempo).u16(f.bpm);
    for (size_t i = 0; i < 256; i++)
        o.u8(i < f.orders.size() ? f.orders[i] : 0);
    o.pad(60 + std::min<uint32_t>(f.header, 276));
    for (const xm_pattern& p : f.patterns) {
        o.u32(p.header).u8(0).u16(p.rows).u16(p.packed_size >= 0 ? unsigned(p.packed_size) : unsigned(p.packed.size()));
        o.fill(p.header > 9 && p.header <= 256 ? p.header - 9 : 0).str(p.packed);
    }
    for (const xm_instrument& in : f.instruments) {
        uint32_t header = in.header ? in.header : in.samples.empty() ? 29 : 263;
        size_t at = o.b.size();
        o.u32(header).str(std::string(22, 'i')).u8(0).u16(unsigned(in.samples.size()));
        if (!in.samples.empty()) {
            o.u32(in.sample_header);
            for (int k = 0; k < 96; k++)
                o.u8(0);
            for (int k = 0; k < 24; k++)  // 12 envelope points each
                o.u16(k % 2 ? 64 : k * 4);
            for (int k = 0; k < 24; k++)
                o.u16(k % 2 ? 32 : k * 4);
            o.u8(12).u8(12).u8(2).u8(0).u8(11).u8(2).u8(0).u8(11).u8(1).u8(1);
            o.u8(0).u8(0).u8(0).u8(0).u16(256);
        }
        o.pad(at + std::min<uint32_t>(header, 263));  // an absurd size is only said
        for (const xm_sample& s : in.samples)
            o.u32(s.length).u32(s.loop_start).u32(s.loop_length).u8(64).u8(0).u8(s.type).u8(128)
                .u8(0).u8(0).str(std::string(22, 's'))
                .fill(in.sample_header > 40 && in.sample_header <= 256 ? in.sample_header - 40 : 0);
        for (const xm_sample& s : in.samples) {
            int64_t n = s.data >= 0 ? s.data : s.length;
            for (int64_t i = 0; i < n; i++)
                o.u8(i % 16 == 0 ? 0x30 : i % 16 == 8 ? 0xd0 : 0);  // deltas: a square wave
        }
    }
    return o.b;
}

// A playable XM: one pattern of notes, one instrument of one sample.
xm_form playable()
{
    xm_form f;
    f.patterns.push_back(xm_pattern{64, notes(64, 4)});
    xm_instrument in;
    in.samples.push_back(xm_sample{64, 0, 64, 1});
    f.instruments.push_back(in);
    return f;
}

// A 31-sample MOD: the tag, the highest pattern in the order table, sample
// lengths (in words), and how many sample bytes are really there.
std::string mod(const std::string& tag, unsigned top_pattern, unsigned channels,
                std::vector<unsigned> words, int64_t data = -1)
{
    out o;
    o.str(std::string(20, 'm'));
    size_t total = 0;
    for (int s = 0; s < 31; s++) {
        unsigned w = s < int(words.size()) ? words[s] : 0;
        total += 2 * size_t(w);
        o.str(std::string(22, 'n')).u8(w >> 8).u8(w).u8(0).u8(64).u8(0).u8(0).u8(0).u8(1);
    }
    o.u8(1).u8(127);
    for (int i = 0; i < 128; i++)
        o.u8(i == 0 ? top_pattern : 0);
    o.str(tag);
    for (size_t i = 0; i < size_t(top_pattern + 1) * 64 * channels; i++)
        o.u8(i % 16 == 0 ? 0x10 : 0).u8(i % 16 == 0 ? 0xd6 : 0).u8(i % 16 == 0 ? 0x10 : 0).u8(0);
    int64_t n = data >= 0 ? data : int64_t(total);
    for (int64_t i = 0; i < n; i++)
        o.u8(i % 32 < 16 ? 0x40 : 0xc0);
    return o.b;
}

// ---- The cases -----------------------------------------------------------------

enum expect { REFUSED, WORKS, EITHER };

struct crafted {
    std::string what;
    std::string file;   // which of the game's assets it replaces
    std::string bytes;
    expect want;
};

const char* const FONT_FILE = "zelto_sfont.pcx";
const char* const SPRITE_FILE = "p_ship.bmp";
const char* const BOSS_FILE = "ZS BOSS - GLAIVE//head.bmp";
const char* const SOUND_FILE = "p_laser.wav";
const char* const SONG_FILE = "SHOPPING.XM";

std::vector<crafted> font_cases()
{
    std::vector<crafted> c;
    auto add = [&](std::string what, std::string bytes, expect want) {
        c.push_back({what, FONT_FILE, bytes, want});
    };
    add("a sheet of ours' shape", pcx(grid(95, 9, 13)), WORKS);
    add("one long row of 8 x 8 glyphs", pcx(grid(95, 8, 8, 95)), WORKS);
    add("glyphs of the largest size", pcx(grid(95, 64, 64)), WORKS);
    add("glyphs 1 pixel wide, 4 high", pcx(grid(95, 1, 4)), WORKS);
    add("224 glyphs", pcx(grid(224, 6, 8)), WORKS);
    add("an odd line width", pcx(grid(95, 9, 13), pcx_form{1, 161}), WORKS);
    add("an odd line width beyond the image", pcx(grid(95, 9, 13), pcx_form{1, 163}), WORKS);
    add("no glyph boxes", pcx(filled(145, 85, EMPTY)), REFUSED);
    add("all border colour", pcx(filled(145, 85, BORDER)), REFUSED);
    add("1 pixel wide", pcx(filled(1, 85, BORDER)), REFUSED);
    add("1 pixel high", pcx(filled(145, 1, BORDER)), REFUSED);
    add("1 x 1", pcx(filled(1, 1, BORDER)), REFUSED);
    add("24-bit colour", pcx(grid(95, 9, 13), pcx_form{3}), REFUSED);
    add("4 bits a plane", pcx(grid(95, 9, 13), pcx_form{1, 0, true, 4}), REFUSED);
    add("4096 x 4096, every byte there", pcx(filled(4096, 4096, EMPTY)), REFUSED);
    add("4096 x 4096 declared, 10 bytes of pixels",
        pcx_header(4096, 4096, 4096, 1) + std::string(10, char(0xC1)), REFUSED);
    add("65535 x 65535 declared", pcx_header(65535, 65535, 65535, 1) + "x", REFUSED);
    add("2049 pixels wide", pcx(filled(2049, 3, EMPTY)), REFUSED);
    add("a line narrower than the image", pcx(grid(95, 9, 13), pcx_form{1, 100}), REFUSED);
    add("no palette", pcx(grid(95, 9, 13), pcx_form{1, 0, false}), REFUSED);
    add("94 glyphs", pcx(grid(94, 9, 13)), REFUSED);
    add("225 glyphs", pcx(grid(225, 6, 8)), REFUSED);
    add("glyphs 65 pixels wide", pcx(grid(95, 65, 13)), REFUSED);
    add("glyphs 65 pixels high", pcx(grid(95, 9, 65)), REFUSED);
    add("glyphs 3 pixels high", pcx(grid(95, 9, 3)), REFUSED);
    add("glyph boxes as high as the sheet", pcx(grid(95, 4, 2000, 95)), REFUSED);
    {
        sheet s = grid(95, 9, 13);  // one box cut in two: a shorter glyph in a row
        auto [x, y] = inside(40, 9, 13);
        for (int i = -1; i <= 9; i++)
            s.at(x + i, y + 6) = BORDER;
        add("glyph boxes of two heights in a row", pcx(s), REFUSED);
    }
    {
        sheet s = grid(95, 9, 13);
        auto [x, y] = inside(7, 9, 13);
        s.at(x + 4, y + 5) = BORDER;
        add("border colour inside a glyph", pcx(s), REFUSED);
    }
    {
        sheet s = grid(95, 9, 13, 95);  // the last box open on its right
        auto [x, y] = inside(94, 9, 13, 95);
        for (int j = 0; j < 13; j++)
            s.at(x + 9, y + j) = EMPTY;
        add("a glyph box open on one side", pcx(s), REFUSED);
    }
    {
        sheet s = grid(95, 9, 13);
        for (int k = 0; k < 95; k++) {  // a second ink colour in every glyph
            auto [x, y] = inside(k, 9, 13);
            s.at(x + 1, y + 1) = uint8_t(2 + k);
        }
        add("glyphs of many colours", pcx(s), WORKS);
    }
    std::mt19937 gen(42);
    std::string garbage;
    for (int i = 0; i < 20000; i++)
        garbage += char(gen());
    add("garbage runs", pcx_header(145, 85, 146, 1) + garbage, EITHER);
    add("zero-length runs only", pcx_header(145, 85, 146, 1) + std::string(50000, char(0xC0)), REFUSED);
    add("zero-length runs between the real ones", pcx(grid(95, 9, 13), pcx_form{1, 0, true, 8, true}), WORKS);
    add("an empty file", "", REFUSED);
    add("a header only", pcx_header(145, 85, 146, 1), REFUSED);
    return c;
}

std::vector<crafted> image_cases()
{
    std::vector<crafted> c;
    auto add = [&](std::string what, const bmp_form& f, expect want, const char* file = SPRITE_FILE) {
        c.push_back({what, file, bmp(f), want});
    };
    bmp_form f;
    add("an 8 x 8 sprite", f, WORKS);
    f.w = f.h = 1;
    add("a 1 x 1 sprite", f, WORKS);
    f.w = 640, f.h = 480;
    add("a sprite as large as the frame", f, WORKS);
    add("a boss as large as the frame", f, WORKS, BOSS_FILE);
    f.w = 4096, f.h = 4096;
    add("4096 x 4096 at 8 bits", f, REFUSED);
    add("a 4096 x 4096 boss", f, REFUSED, BOSS_FILE);
    f.data = 64;
    add("4096 x 4096 declared, 64 bytes of pixels", f, REFUSED);
    f = bmp_form();
    for (auto [w, h] : {std::pair<int, int>{641, 1}, {1, 481}, {0, 8}, {8, 0}, {8, -8}, {-8, 8},
                        {INT32_MIN, 8}, {8, INT32_MIN}, {0x7fffffff, 0x7fffffff}}) {
        f.w = w, f.h = h, f.data = 256;
        add("a sprite of " + std::to_string(w) + " x " + std::to_string(h), f, REFUSED);
    }
    f = bmp_form();
    for (unsigned bits : {1u, 4u, 16u, 24u, 32u}) {
        f.bits = bits;
        add(std::to_string(bits) + " bits a pixel", f, WORKS);
    }
    for (unsigned bits : {0u, 2u, 3u, 7u, 15u, 48u, 64u, 65535u}) {
        f.bits = bits;
        f.data = 256;
        add(std::to_string(bits) + " bits a pixel", f, REFUSED);
    }
    f = bmp_form();
    f.colours = 0xffffffff;
    add("a palette claiming 2^32 colours", f, WORKS);
    f.palette = 0;
    f.colours = 0xffffffff;
    add("2^32 colours claimed, none there", f, WORKS);
    f = bmp_form();
    f.offset = 0xffffffff;
    add("a pixel offset of 2^32 - 1", f, REFUSED);
    f.offset = 0x80000000;
    add("a pixel offset of 2^31", f, REFUSED);
    f.offset = 20;
    add("a pixel offset inside the header", f, REFUSED);
    f.offset = 54 + 257 * 4;
    f.palette = 257;
    add("257 palette entries", f, REFUSED);
    f = bmp_form();
    f.data = 63;
    add("one pixel byte short", f, REFUSED);
    for (uint32_t compression : {1u, 2u, 4u, 5u, 0xffffffffu}) {
        f = bmp_form();
        f.compression = compression;
        add("compression " + std::to_string(compression), f, REFUSED);
    }
    f = bmp_form();
    f.compression = 3;
    f.bits = 16;
    f.masks[0] = 0xF800, f.masks[1] = 0x07E0, f.masks[2] = 0x1F;
    add("16-bit bit fields", f, WORKS);
    f.masks[0] = 0x7C00, f.masks[1] = 0x03E0;
    add("15-bit bit fields", f, WORKS);
    f.masks[0] = 0xFF0000, f.masks[1] = 0xFF00, f.masks[2] = 0xFF;
    add("16 bits with the masks of 32", f, REFUSED);
    f.bits = 32;
    add("32-bit bit fields", f, WORKS);
    f.masks[0] = 0xF800;
    add("bit fields of unknown masks", f, REFUSED);
    f.bits = 8;
    add("bit fields at 8 bits", f, REFUSED);
    f = bmp_form();
    f.info = 12;
    f.bits = 24;
    add("an OS/2 header, 24 bits", f, WORKS);
    f.bits = 8;
    add("an OS/2 header, 8 bits", f, WORKS);
    f.w = 65535;
    f.data = 100;
    add("an OS/2 header, 65535 wide", f, REFUSED);
    for (uint32_t info : {0u, 1u, 39u, 56u, 64u, 108u, 124u, 0xffffffffu}) {
        f = bmp_form();
        f.info = info;
        add("a header of " + std::to_string(info) + " bytes", f, REFUSED);
    }
    c.push_back({"a file of only 'BM'", SPRITE_FILE, "BM", REFUSED});
    c.push_back({"a header cut short", SPRITE_FILE, bmp(bmp_form()).substr(0, 30), REFUSED});
    c.push_back({"a PCX named .bmp", SPRITE_FILE, pcx(grid(95, 9, 13)), REFUSED});
    return c;
}

std::vector<crafted> sound_cases()
{
    std::vector<crafted> c;
    auto add = [&](std::string what, std::string chunks, expect want) {
        c.push_back({what, SOUND_FILE, wav(chunks), want});
    };
    add("8-bit mono", chunk("fmt ", fmt(1, 1, 22050, 8)) + chunk("data", tone(2000)), WORKS);
    add("16-bit stereo", chunk("fmt ", fmt(1, 2, 44100, 16)) + chunk("data", tone(4000)), WORKS);
    add("one frame", chunk("fmt ", fmt(1, 1, 22050, 8)) + chunk("data", "x"), WORKS);
    add("1 Hz", chunk("fmt ", fmt(1, 1, 1, 8)) + chunk("data", tone(100)), WORKS);
    add("192 kHz", chunk("fmt ", fmt(1, 2, 192000, 16)) + chunk("data", tone(400)), WORKS);
    add("a format chunk with extra bytes",
        chunk("fmt ", fmt(1, 1, 22050, 8, 3)) + chunk("data", tone(100)), WORKS);
    add("odd chunks before the data",
        chunk("LIST", "abc") + chunk("fmt ", fmt(1, 1, 22050, 8)) + chunk("junk", "12345") +
            chunk("data", tone(100)), WORKS);
    add("stereo 16-bit data of 7 bytes",
        chunk("fmt ", fmt(1, 2, 22050, 16)) + chunk("data", tone(7)), EITHER);
    add("a format chunk after the data",
        chunk("fmt ", fmt(1, 1, 22050, 8)) + chunk("data", tone(100)) + chunk("fmt ", fmt(1, 2, 44100, 16)), WORKS);
    add("a pad byte after odd data", chunk("fmt ", fmt(1, 1, 22050, 8)) + chunk("data", tone(101)) + "\0", WORKS);
    add("three stray bytes at the end", chunk("fmt ", fmt(1, 1, 22050, 8)) + chunk("data", tone(100)) + "abc", WORKS);
    add("half a chunk header at the end",
        chunk("fmt ", fmt(1, 1, 22050, 8)) + chunk("data", tone(100)) + "data\x01", REFUSED);
    add("two data chunks",
        chunk("fmt ", fmt(1, 1, 22050, 8)) + chunk("data", tone(100)) + chunk("data", tone(100)), REFUSED);
    add("a second data chunk of 2^31 bytes",
        chunk("fmt ", fmt(1, 1, 22050, 8)) + chunk("data", tone(100)) + chunk("data", "", 0x80000000), REFUSED);
    add("16-bit data of odd length, then a chunk",
        chunk("fmt ", fmt(1, 1, 22050, 16)) + chunk("data", tone(101)) + chunk("junk", "1234"), EITHER);
    add("a bad format after the data",
        chunk("fmt ", fmt(1, 1, 22050, 8)) + chunk("data", tone(100)) + chunk("fmt ", fmt(7, 9, 0, 3)), EITHER);
    add("no sample data", chunk("fmt ", fmt(1, 1, 22050, 8)) + chunk("data", ""), REFUSED);
    add("16-bit data of 1 byte", chunk("fmt ", fmt(1, 1, 22050, 16)) + chunk("data", "x"), REFUSED);
    add("stereo 16-bit data of 3 bytes", chunk("fmt ", fmt(1, 2, 22050, 16)) + chunk("data", "xyz"), REFUSED);
    add("data longer than the file", chunk("fmt ", fmt(1, 1, 22050, 8)) + chunk("data", tone(100), 101), REFUSED);
    add("data of 2^32 - 1 bytes", chunk("fmt ", fmt(1, 1, 22050, 8)) + chunk("data", tone(100), 0xffffffff), REFUSED);
    add("data of 2^31 bytes", chunk("fmt ", fmt(1, 1, 22050, 8)) + chunk("data", tone(100), 0x80000000), REFUSED);
    add("a chunk of 2^32 - 8 bytes", chunk("junk", "", 0xfffffff8) + chunk("fmt ", fmt(1, 1, 22050, 8)) +
        chunk("data", tone(100)), REFUSED);
    add("data before the format", chunk("data", tone(100)) + chunk("fmt ", fmt(1, 1, 22050, 8)), REFUSED);
    add("no data", chunk("fmt ", fmt(1, 1, 22050, 8)), REFUSED);
    add("no format", chunk("data", tone(100)), REFUSED);
    add("nothing after the header", "", REFUSED);
    for (uint32_t length : {0u, 2u, 15u}) {
        add("a format chunk of " + std::to_string(length) + " bytes",
            chunk("fmt ", fmt(1, 1, 22050, 8), length) + chunk("data", tone(100)), REFUSED);
    }
    for (unsigned format : {0u, 2u, 3u, 0xfffeu})
        add("format " + std::to_string(format), chunk("fmt ", fmt(format, 1, 22050, 8)) + chunk("data", tone(100)), REFUSED);
    for (unsigned channels : {0u, 3u, 8u, 65535u})
        add(std::to_string(channels) + " channels", chunk("fmt ", fmt(1, channels, 22050, 8)) + chunk("data", tone(100)), REFUSED);
    for (unsigned bits : {0u, 4u, 12u, 24u, 32u, 65535u})
        add(std::to_string(bits) + " bits", chunk("fmt ", fmt(1, 1, 22050, bits)) + chunk("data", tone(100)), REFUSED);
    for (uint32_t rate : {0u, 192001u, 0x80000000u, 0xffffffffu})
        add(std::to_string(rate) + " Hz", chunk("fmt ", fmt(1, 1, rate, 8)) + chunk("data", tone(100)), REFUSED);
    c.push_back({"RIFF without WAVE", SOUND_FILE, std::string("RIFF\x04\0\0\0AVI ", 12), REFUSED});
    return c;
}

std::vector<crafted> song_cases()
{
    std::vector<crafted> c;
    auto add = [&](std::string what, std::string bytes, expect want) {
        c.push_back({what, SONG_FILE, bytes, want});
    };
    xm_form f = playable();
    add("a playable XM", xm(f), WORKS);
    f.instruments.clear();
    f.patterns.clear();
    add("an XM of nothing", xm(f), EITHER);
    f = playable();
    f.channels = 64;
    f.patterns[0].packed = notes(64, 64);
    add("64 channels", xm(f), WORKS);
    f = playable();
    f.patterns[0].rows = 256;
    f.patterns[0].packed = notes(256, 4);
    add("256 rows", xm(f), EITHER);
    f.patterns[0].rows = 0;
    f.patterns[0].packed = "";
    add("0 rows", xm(f), EITHER);
    f.patterns[0].rows = 65535;
    add("65535 rows, no data", xm(f), EITHER);
    f = playable();
    for (unsigned effect = 0; effect < 36; effect++)
        for (unsigned param : {0u, 0xffu, 0x0fu, 0xf0u})
            f.patterns.push_back(xm_pattern{16, notes(16, 4, effect, param)});
    f.orders.clear();
    for (unsigned p = 0; p < f.patterns.size() && p < 256; p++)
        f.orders.push_back(p);
    add("every effect with extreme values", xm(f), EITHER);
    f = playable();
    f.tempo = 0, f.bpm = 0;
    add("tempo and BPM 0", xm(f), EITHER);
    f.tempo = 65535, f.bpm = 65535;
    add("tempo and BPM 65535", xm(f), EITHER);
    f = playable();
    f.orders = {200, 0, 255};
    add("orders of missing patterns", xm(f), EITHER);
    f = playable();
    f.orders.assign(256, 0);
    f.restart = 65535;
    add("256 orders, restart past the end", xm(f), EITHER);
    f = playable();
    f.orders.clear();
    add("no orders", xm(f), EITHER);
    f = playable();
    f.instruments[0].samples[0] = xm_sample{64, 1000, 0xffffffff, 1};
    add("a sample loop past its end", xm(f), EITHER);
    f.instruments[0].samples[0] = xm_sample{65, 0, 65, 0x12};
    add("16-bit sample of odd length", xm(f), EITHER);
    f.instruments[0].samples[0] = xm_sample{0, 0, 0, 1};
    add("an empty sample that loops", xm(f), EITHER);
    f = playable();
    f.instruments[0].samples.assign(16, xm_sample{16, 0, 16, 2});
    add("16 samples", xm(f), WORKS);
    f.instruments[0].samples.assign(17, xm_sample{16, 0, 16, 2});
    add("17 samples", xm(f), REFUSED);
    f = playable();
    f.instruments.assign(128, f.instruments[0]);
    add("128 instruments", xm(f), WORKS);
    f = playable();
    f.instruments[0].samples[0].length = 0x7fffffff;
    f.instruments[0].samples[0].data = 64;
    add("a sample of 2^31 bytes, 64 there", xm(f), REFUSED);
    f.instruments[0].samples[0].length = 0xffffffff;
    add("a sample of 2^32 - 1 bytes, 64 there", xm(f), REFUSED);
    f = playable();
    f.instruments[0].samples.assign(2, xm_sample{0x80000000, 0, 0, 0, 0});
    add("two samples whose lengths wrap", xm(f), REFUSED);
    f = playable();
    f.instruments[0].sample_header = 0xffffffff;
    add("a sample header of 2^32 - 1 bytes", xm(f), REFUSED);
    f = playable();
    f.instruments[0].header = 0xffffffff;
    add("an instrument header of 2^32 - 1 bytes", xm(f), REFUSED);
    f = playable();
    f.patterns[0].packed_size = 65535;
    add("pattern data longer than the file", xm(f), REFUSED);
    f.patterns[0].packed_size = -1;
    f.patterns[0].header = 0xffffffff;
    add("a pattern header of 2^32 - 1 bytes", xm(f), REFUSED);
    f = playable();
    f.patterns[0].packed = std::string(2000, char(0xff));
    add("cells of every flag", xm(f), EITHER);
    f = playable();
    f.patterns_said = 300;
    add("300 patterns said", xm(f), REFUSED);
    f = playable();
    f.instruments_said = 256;
    add("256 instruments said", xm(f), REFUSED);
    for (unsigned channels : {0u, 65u, 65535u}) {
        f = playable();
        f.channels = channels;
        add(std::to_string(channels) + " channels", xm(f), REFUSED);
    }
    for (uint32_t header : {0u, 19u, 4097u, 0xffffffffu}) {
        f = playable();
        f.header = header;
        add("an XM header of " + std::to_string(header) + " bytes", xm(f), REFUSED);
    }
    f = playable();
    f.version = 0x0103;
    add("XM version 1.3", xm(f), REFUSED);
    add("an XM cut after its header", xm(playable()).substr(0, 336), REFUSED);

    add("a 4-channel MOD", mod("M.K.", 0, 4, {100, 50}), WORKS);
    add("a 32-channel MOD", mod("32CH", 1, 32, {100}), EITHER);
    add("a 9-channel MOD", mod("9CHN", 0, 9, {10}), EITHER);
    add("a MOD of 128 patterns", mod("M.K.", 127, 4, {10}), EITHER);
    add("a 0-channel MOD", mod("0CHN", 0, 0, {10}), REFUSED);
    add("a 99-channel MOD", mod("99CH", 0, 99, {10}), REFUSED);
    add("MOD samples of 128 KiB, 10 bytes there", mod("M.K.", 0, 4, {65535, 65535}, 10), REFUSED);
    add("a MOD of an unknown tag", mod("ABCD", 0, 4, {10}), REFUSED);
    add("text", "Extended Module: but nothing after it", REFUSED);
    return c;
}

// ---- Random damage ---------------------------------------------------------------

// One to four edits of the kind that breaks a parser: a byte anywhere, a
// byte or an extreme field in the header, a cut, an insertion, a removal,
// a copied stretch.
std::string mutate(std::string s, std::mt19937& gen)
{
    auto roll = [&](size_t n) { return n ? size_t(gen() % n) : 0; };
    static const uint32_t EXTREMES[] = {0, 1, 2, 0x7f, 0x80, 0xff, 0x100, 0x7fff, 0x8000, 0xffff,
                                        0x10000, 0x7fffffff, 0x80000000, 0xfffffffe, 0xffffffff};
    for (int edits = 1 + int(roll(4)); edits > 0; edits--) {
        size_t head = std::min<size_t>(s.size(), 400);
        switch (roll(8)) {
        case 0:
            if (!s.empty())
                s[roll(s.size())] = char(gen());
            break;
        case 1:
        case 2:
            if (head)
                s[roll(head)] = char(gen());
            break;
        case 3: {
            uint32_t v = EXTREMES[roll(std::size(EXTREMES))];
            size_t at = roll(head), width = roll(2) ? 4 : 2;
            for (size_t i = 0; i < width && at + i < s.size(); i++)
                s[at + i] = char(v >> (8 * i));
            break;
        }
        case 4: s.resize(roll(s.size() + 1)); break;
        case 5: s.insert(roll(s.size() + 1), std::string(1 + roll(64), char(gen()))); break;
        case 6:
            if (!s.empty())
                s.erase(roll(s.size()), 1 + roll(64));
            break;
        default:
            if (!s.empty()) {
                size_t from = roll(s.size()), n = std::min(s.size() - from, 1 + roll(256));
                s.insert(roll(s.size() + 1), s.substr(from, n));
            }
            break;
        }
    }
    return s;
}

}  // namespace

class CraftedAssets : public AssetCopy {
protected:
    int refused = 0, worked = 0;

    // Starts the game with the file replaced by bytes, then puts it back.
    void run(const std::string& what, const std::string& file, const std::string& bytes, expect want)
    {
        SCOPED_TRACE(file + ": " + what);
        const std::string original = read_file(path(file));
        write_file(path(file), bytes);
        outcome o = start();
        write_file(path(file), original);
        if (want == WORKS || (want == EITHER && o.status == 0)) {
            EXPECT_EQ(o.status, 0) << o.said;
            EXPECT_EQ(o.said, "");
            EXPECT_LT(o.seconds, 2.0);
            worked++;
        } else {
            expect_named_failure(o, file);
            refused++;
        }
    }

    void run_all(const std::vector<crafted>& cases)
    {
        for (const crafted& c : cases)
            run(c.what, c.file, c.bytes, c.want);
    }

    // Rounds of random damage to each source (more with ZELTO_CRAFTED_ROUNDS).
    void mutate_all(const std::vector<std::pair<std::string, std::string>>& sources, int rounds)
    {
        if (const char* more = getenv("ZELTO_CRAFTED_ROUNDS"))
            rounds = std::max(rounds, atoi(more));
        std::mt19937 gen(20261208);
        for (const auto& [file, bytes] : sources)
            for (int i = 0; i < rounds; i++)
                run("mutation " + std::to_string(i), file, mutate(bytes, gen), EITHER);
    }
};

TEST_F(CraftedAssets, FontSheetsAreGrabbedOnlyWhenTheyHoldTheGlyphGrid)
{
    run_all(font_cases());
    // The large font too, which the title is written in.
    for (const crafted& c : font_cases())
        if (c.what == "no glyph boxes" || c.what == "a sheet of ours' shape")
            run(c.what, "zelto_lfont.pcx", c.bytes, c.want);
    EXPECT_GT(refused, 20);
    EXPECT_GT(worked, 5);
}

TEST_F(CraftedAssets, ImagesFitTheFrameAndTheirLoader)
{
    run_all(image_cases());
    EXPECT_GT(refused, 30);
    EXPECT_GT(worked, 10);
}

TEST_F(CraftedAssets, SoundsHoldWhatTheirHeadersSay)
{
    run_all(sound_cases());
    EXPECT_GT(refused, 30);
    EXPECT_GT(worked, 5);
}

TEST_F(CraftedAssets, SongsHoldWhatTheirHeadersSay)
{
    run_all(song_cases());
    EXPECT_GT(refused, 15);
    EXPECT_GT(worked, 5);
}

TEST_F(CraftedAssets, RandomDamageEndsInANamedErrorOrAGame)
{
    std::vector<std::pair<std::string, std::string>> sources;
    for (const char* file : {FONT_FILE, "zelto_lfont.pcx", SPRITE_FILE, BOSS_FILE, "exp.bmp", SOUND_FILE, "LOUNGE.XM"})
        sources.push_back({file, read_file(path(file))});
    for (const auto& cases : {font_cases(), image_cases(), sound_cases(), song_cases()})
        for (const crafted& c : cases)
            if (c.want == WORKS)
                sources.push_back({c.file, c.bytes});
    mutate_all(sources, 8);
    // Damage must have been both caught and, where harmless, let through.
    EXPECT_GT(refused, 50);
    EXPECT_GT(worked, 20);
}
