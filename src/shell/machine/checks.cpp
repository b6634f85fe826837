// Asset checks: each walks a file the way its loader will, and says no where
// the loader would run past the end, trust an absurd size or overflow a table.
#include "shell/machine/checks.h"

#include <algorithm>
#include <allegro.h>
#include <cctype>
#include <cstdint>
#include <cstring>

namespace {

const unsigned GLYPH_BORDER = 255;  // the grabber's box colour in an 8-bit sheet
const int GLYPHS_MAX = 256 - GLYPH_FIRST;  // more would be characters past 255

struct bytes {
    const std::vector<unsigned char>& v;

    size_t size() const { return v.size(); }
    bool has(size_t at, size_t n) const { return at <= v.size() && n <= v.size() - at; }
    unsigned u8(size_t at) const { return v[at]; }
    unsigned u16(size_t at) const { return v[at] | v[at + 1] << 8; }
    uint32_t u32(size_t at) const { return u16(at) | uint32_t(u16(at + 2)) << 16; }
    bool text(size_t at, const char* s) const
    {
        size_t n = strlen(s);
        return has(at, n) && memcmp(&v[at], s, n) == 0;
    }
};

std::string cut_short(size_t need, size_t have)
{
    return "cut short: " + std::to_string(have) + " bytes where at least " + std::to_string(need) +
           " are needed";
}

std::string bad_size(long w, long h)
{
    return "implausible image size " + std::to_string(w) + " x " + std::to_string(h);
}

// load_bmp: a Windows (40-byte) or OS/2 (12-byte) header, a palette whose
// length it takes from the pixel offset (into a 256-entry table), then the
// rows, read from where the palette ends; or, for bit fields, three masks
// and the rows straight after the header. Every image is a sprite drawn in
// the frame, so none may be larger than it.
std::string check_bmp(const bytes& f)
{
    if (!f.text(0, "BM"))
        return "not a BMP image";
    if (!f.has(0, 18))
        return cut_short(18, f.size());
    uint32_t info = f.u32(14);
    if (info != 40 && info != 12)
        return "a BMP header of " + std::to_string(info) + " bytes, which the game does not read";
    if (!f.has(0, 14 + info))
        return cut_short(14 + info, f.size());
    long w, h;
    unsigned bits, compression = 0, entry;
    if (info == 40) {
        w = int32_t(f.u32(18));
        h = int32_t(f.u32(22));
        bits = f.u16(28);
        compression = f.u32(30);
        entry = 4;
    } else {
        w = f.u16(18);
        h = f.u16(20);
        bits = f.u16(24);
        entry = 3;
    }
    if (w < 1 || h < 1 || w > VIEW_W || h > VIEW_H)
        return bad_size(w, h) + ", where a sprite fits in " + std::to_string(VIEW_W) + " x " +
               std::to_string(VIEW_H);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return "a BMP of " + std::to_string(bits) + " bits a pixel";
    size_t start, row;
    if (compression == 3 && (bits == 16 || bits == 32)) {
        // The loader picks its pixel size from the masks, not from the header.
        start = 14 + 40 + 12;
        if (!f.has(0, start))
            return cut_short(start, f.size());
        uint32_t red = f.u32(54), blue = f.u32(62);
        bool ok = bits == 16 ? blue == 0x1f && (red == 0x7C00 || red == 0xF800)
                             : blue == 0xff && red == 0xFF0000;
        if (!ok)
            return "BMP colour masks the game does not read";
        row = (size_t(w) * bits / 8 + 3) / 4 * 4;
    } else if (compression != 0) {
        return "a compressed BMP, which the game does not read";
    } else {
        start = f.u32(10);
        if (start < 14 + info || start - 14 - info > 256 * entry)
            return "a BMP pixel offset of " + std::to_string(start) + " that fits no palette";
        row = (size_t(w) * bits + 31) / 32 * 4;
    }
    size_t end = start + row * size_t(h);
    if (end > f.size())
        return cut_short(end, f.size());
    return "";
}

// load_wav: RIFF chunks walked without padding until fewer than four bytes
// are left; "fmt " must say PCM, one or two channels, 8 or 16 bits before
// "data", whose samples are read whole. The loader reads 16 bytes of "fmt "
// whatever its length says, goes on reading chunks after "data" from where
// its samples ended (a second "data" would be a second sample, the first
// lost), and makes an empty sample of a "data" too short for one frame.
std::string check_wav(const bytes& f)
{
    if (!f.text(0, "RIFF") || !f.text(8, "WAVE"))
        return "not a WAV sound";
    unsigned channels = 0, bits = 0;
    bool sound = false;
    for (size_t at = 12; f.size() - at >= 4;) {
        if (!f.has(at, 8))
            return cut_short(at + 8, f.size());
        uint32_t length = f.u32(at + 4);
        size_t body = at + 8;
        if (!f.has(body, length))
            return cut_short(body + size_t(length), f.size());
        at = body + length;
        if (f.text(body - 8, "fmt ")) {
            if (length < 16)
                return "a WAV format chunk of " + std::to_string(length) + " bytes";
            channels = f.u16(body + 2);
            bits = f.u16(body + 14);
            uint32_t rate = f.u32(body + 4);
            if (f.u16(body) != 1)
                return "a WAV that is not plain PCM";
            if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16) || rate == 0 ||
                rate > 192000)
                return "a WAV format of " + std::to_string(channels) + " channels, " +
                       std::to_string(bits) + " bits, " + std::to_string(rate) + " Hz";
        } else if (f.text(body - 8, "data")) {
            if (channels == 0)
                return "WAV data before its format";
            if (sound)
                return "a second WAV data chunk";
            size_t frames = channels == 2 ? (size_t(length) + 1) / 2 : length;
            if (bits == 16)
                frames /= 2;
            if (frames == 0)
                return "no sound data";
            at = body + (bits == 8 ? length : 2 * frames * channels);
            if (at > f.size())
                return cut_short(at, f.size());
            sound = true;
        }
    }
    return sound ? "" : "no sound data";
}

// load_pcx: an 8-bit-per-plane RLE image, decoded row by row exactly as the
// loader does; the 256-colour palette comes after the first 12 byte that
// follows the pixels. Every PCX of the game is a font sheet, which is one
// plane of 8 bits (the loader would also read three).
std::string check_pcx(const bytes& f)
{
    if (!f.has(0, 128))
        return f.size() > 0 && f.u8(0) != 10 ? "not a PCX image" : cut_short(128, f.size());
    if (f.u8(0) != 10 || f.u8(2) != 1)
        return "not a PCX image";
    unsigned planes = f.u8(65);
    if (f.u8(3) != 8 || planes != 1)
        return "a PCX of " + std::to_string(f.u8(3)) + " bits in " + std::to_string(planes) +
               " planes, where a font sheet has 8 bits in 1";
    long w = long(f.u16(8)) - long(f.u16(4)) + 1;
    long h = long(f.u16(10)) - long(f.u16(6)) + 1;
    if (w < 1 || h < 1 || w > SHEET_SIDE_MAX || h > SHEET_SIDE_MAX)
        return bad_size(w, h);
    long line = f.u16(66);
    if (line < w || line > 2 * SHEET_SIDE_MAX)
        return "a PCX line of " + std::to_string(line) + " bytes for " + std::to_string(w) +
               " pixels";
    size_t at = 128;
    for (long y = 0; y < h; y++) {
        for (long x = 0; x < line;) {
            // A run is a count byte (top two bits set) and the value byte.
            bool is_run = at < f.size() && (f.u8(at) & 0xC0) == 0xC0;
            if (at + is_run >= f.size())
                return "cut short in pixel row " + std::to_string(y) + " of " + std::to_string(h);
            x += is_run ? f.u8(at) & 0x3F : 1;
            at += 1 + is_run;
        }
    }
    while (at < f.size() && f.u8(at) != 12)
        at++;
    if (!f.has(at, 1 + 768))
        return "cut short: no palette";
    return "";
}

// libxmp: the header, every pattern's packed data, every instrument and its
// sample headers, then all sample data, each where the sizes before it say.
std::string check_xm(const bytes& f)
{
    if (!f.text(0, "Extended Module: "))
        return "not an XM song";
    if (!f.has(0, 80))
        return cut_short(80, f.size());
    unsigned version = f.u16(58), channels = f.u16(68), patterns = f.u16(70),
             instruments = f.u16(72);
    if (version != 0x0104)
        return "an XM song of version " + std::to_string(version >> 8) + "." +
               std::to_string(version & 0xff) + ", not 1.4";
    if (f.u32(60) < 20 || f.u32(60) > 4096)
        return "a damaged XM header";
    if (channels < 1 || channels > 64 || patterns > 256 || instruments > 255)
        return "an XM song of " + std::to_string(channels) + " channels, " +
               std::to_string(patterns) + " patterns, " + std::to_string(instruments) +
               " instruments";
    size_t at = 60 + size_t(f.u32(60));
    for (unsigned p = 0; p < patterns; p++) {
        if (!f.has(at, 9))
            return cut_short(at + 9, f.size());
        uint32_t header = f.u32(at);
        if (header < 9 || header > 256)
            return "XM pattern " + std::to_string(p) + " has a header of " + std::to_string(header) +
                   " bytes";
        at += header + f.u16(at + 7);
        if (at > f.size())
            return cut_short(at, f.size());
    }
    for (unsigned i = 0; i < instruments; i++) {
        if (!f.has(at, 29))
            return cut_short(at + 29, f.size());
        uint32_t header = f.u32(at);
        unsigned samples = f.u16(at + 27);
        if (header < 29 || header > 4096 || samples > 16)
            return "XM instrument " + std::to_string(i + 1) + " is damaged";
        if (samples == 0) {
            at += header;
            continue;
        }
        if (!f.has(at, 33))
            return cut_short(at + 33, f.size());
        uint32_t sample_header = f.u32(at + 29);
        if (sample_header < 18 || sample_header > 256)
            return "XM instrument " + std::to_string(i + 1) + " is damaged";
        size_t data = 0;
        at += header;
        for (unsigned s = 0; s < samples; s++) {
            if (!f.has(at, sample_header))
                return cut_short(at + sample_header, f.size());
            data += f.u32(at);
            at += sample_header;
        }
        if (data > f.size() || at + data > f.size())
            return cut_short(at + data, f.size());
        at += data;
    }
    return "";
}

// A 31-sample module (M.K. and its kin): sample headers, the order table,
// the patterns of 64 rows and the sample data, in that order.
std::string check_mod(const bytes& f)
{
    if (!f.has(0, 1084))
        return cut_short(1084, f.size());
    std::string tag(reinterpret_cast<const char*>(&f.v[1080]), 4);
    int channels = 0;
    if (tag == "M.K." || tag == "M!K!" || tag == "FLT4" || tag == "4CHN")
        channels = 4;
    else if (tag == "FLT8" || tag == "OCTA" || tag == "CD81")
        channels = 8;
    else if (isdigit((unsigned char)tag[0]) && tag.substr(1) == "CHN")
        channels = tag[0] - '0';
    else if (isdigit((unsigned char)tag[0]) && isdigit((unsigned char)tag[1]) &&
             tag.substr(2) == "CH")
        channels = (tag[0] - '0') * 10 + tag[1] - '0';
    if (channels < 1 || channels > 64)
        return "not an XM or MOD song";
    unsigned patterns = 0;
    for (int i = 0; i < 128; i++)
        patterns = std::max(patterns, f.u8(952 + i) + 1u);
    size_t end = 1084 + size_t(patterns) * 64 * 4 * channels;
    for (int s = 0; s < 31; s++)
        end += 2 * size_t(f.u8(20 + 30 * s + 22) << 8 | f.u8(20 + 30 * s + 23));
    if (end > f.size())
        return cut_short(end, f.size());
    return "";
}

std::string lower_extension(const std::string& path)
{
    size_t dot = path.rfind('.');
    std::string ext = dot == std::string::npos ? "" : path.substr(dot + 1);
    for (char& c : ext)
        c = char(tolower((unsigned char)c));
    return ext;
}

}  // namespace

std::string check_asset(const std::string& name, const std::vector<unsigned char>& content)
{
    if (content.empty())
        return "empty";
    if (content.size() > ASSET_BYTES_MAX)
        return "too large for an asset";
    const bytes f{content};
    std::string ext = lower_extension(name);
    if (ext == "bmp")
        return check_bmp(f);
    if (ext == "wav")
        return check_wav(f);
    if (ext == "pcx")
        return check_pcx(f);
    // libxmp knows a song by its content, whatever its name says: an XM or,
    // as placeholder songs may be, a MOD.
    if (ext == "xm")
        return f.text(0, "Extended Module: ") ? check_xm(f) : check_mod(f);
    return "";
}

// ---- Font sheets ------------------------------------------------------------

namespace {

// The library's font_find_character() on an 8-bit sheet: from (x, y) on,
// row by row, the next top-left corner of a box and the box's inner width
// and height (0 x 0 when none is left). Its edge scans stop one past the
// largest glyph, which is refused anyway: the library's own could run the
// height of the sheet for every box.
void find_glyph(BITMAP* b, int& x, int& y, int& w, int& h)
{
    const int c = GLYPH_BORDER;
    while (getpixel(b, x, y) != c || getpixel(b, x + 1, y) != c || getpixel(b, x, y + 1) != c ||
           getpixel(b, x + 1, y + 1) == c) {
        if (++x >= b->w) {
            x = 0;
            if (++y >= b->h) {
                w = h = 0;
                return;
            }
        }
    }
    for (w = 0; w <= GLYPH_SIDE_MAX && getpixel(b, x + w + 1, y) == c &&
                getpixel(b, x + w + 1, y + 1) != c && x + w + 1 <= b->w;)
        w++;
    for (h = 0; h <= GLYPH_SIDE_MAX && getpixel(b, x, y + h + 1) == c &&
                getpixel(b, x + 1, y + h + 1) != c && y + h + 1 <= b->h;)
        h++;
}

// Whether the box found at (x, y) is framed all round and holds no frame.
bool closed_box(BITMAP* b, int x, int y, int w, int h)
{
    const int c = GLYPH_BORDER;
    for (int j = 0; j <= h + 1; j++)
        if (getpixel(b, x, y + j) != c || getpixel(b, x + w + 1, y + j) != c)
            return false;
    for (int i = 0; i <= w + 1; i++)
        if (getpixel(b, x + i, y) != c || getpixel(b, x + i, y + h + 1) != c)
            return false;
    for (int j = 1; j <= h; j++)
        for (int i = 1; i <= w; i++)
            if (getpixel(b, x + i, y + j) == c)
                return false;
    return true;
}

std::string glyph_name(int n)
{
    int ch = GLYPH_FIRST + n;
    return ch <= GLYPH_LAST ? "font glyph '" + std::string(1, char(ch)) + "'"
                            : "font glyph " + std::to_string(ch);
}

}  // namespace

std::string check_font_sheet(BITMAP* sheet)
{
    if (bitmap_color_depth(sheet) != 8)
        return "a font sheet that is not an 8-bit image";
    if (sheet->w > SHEET_SIDE_MAX || sheet->h > SHEET_SIDE_MAX)
        return bad_size(sheet->w, sheet->h);
    const int needed = GLYPH_LAST - GLYPH_FIRST + 1;
    int x = 0, y = 0, n = 0, height = 0;
    for (;; n++) {
        int w, h;
        find_glyph(sheet, x, y, w, h);
        if (w <= 0 || h <= 0)
            break;
        if (n == GLYPHS_MAX)
            return "a font sheet of more than " + std::to_string(GLYPHS_MAX) + " glyphs";
        std::string where = glyph_name(n) + " at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
        if (w > GLYPH_SIDE_MAX)
            return where + " is wider than " + std::to_string(GLYPH_SIDE_MAX) + " pixels";
        if (h > GLYPH_SIDE_MAX)
            return where + " is taller than " + std::to_string(GLYPH_SIDE_MAX) + " pixels";
        if (h < GLYPH_HEIGHT_MIN)
            return where + " is only " + std::to_string(h) + " pixels high";
        if (n == 0)
            height = h;
        else if (h != height)
            return where + " is " + std::to_string(h) + " pixels high, not " + std::to_string(height);
        if (!closed_box(sheet, x, y, w, h))
            return where + " is not a closed box";
        x += w;
    }
    if (n < needed)
        return "a font sheet of " + std::to_string(n) + " glyphs, where the game needs " +
               std::to_string(needed);
    return "";
}

