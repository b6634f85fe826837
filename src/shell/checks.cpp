// Asset checks: each walks a file the way its loader will, and says no where
// the loader would run past the end, trust an absurd size or overflow a table.
#include "shell/checks.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const long LARGEST_FILE = 64L << 20;  // far more than any asset of ours
const long LARGEST_SIDE = 4096;       // pixels; ours are below 200

struct bytes {
    std::vector<unsigned char> v;

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
// rows, read from where the palette ends.
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
    if (w < 1 || h < 1 || w > LARGEST_SIDE || h > LARGEST_SIDE)
        return bad_size(w, h);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return "a BMP of " + std::to_string(bits) + " bits a pixel";
    if (compression != 0 && !(compression == 3 && (bits == 16 || bits == 32)))
        return "a compressed BMP, which the game does not read";
    uint32_t offset = f.u32(10);
    if (offset < 14 + info || offset - 14 - info > 256 * entry)
        return "a BMP pixel offset of " + std::to_string(offset) + " that fits no palette";
    size_t row = (size_t(w) * bits + 31) / 32 * 4;
    size_t end = offset + row * size_t(h);
    if (end > f.size())
        return cut_short(end, f.size());
    return "";
}

// load_wav: RIFF chunks walked without padding; "fmt " must say PCM, one or
// two channels, 8 or 16 bits before "data", whose samples are read whole.
std::string check_wav(const bytes& f)
{
    if (!f.text(0, "RIFF") || !f.text(8, "WAVE"))
        return "not a WAV sound";
    bool format = false;
    for (size_t at = 12;;) {
        if (!f.has(at, 8))
            return f.size() == at ? "no sound data" : cut_short(at + 8, f.size());
        uint32_t length = f.u32(at + 4);
        size_t body = at + 8;
        if (f.text(at, "fmt ")) {
            if (!f.has(body, 16))
                return cut_short(body + 16, f.size());
            unsigned channels = f.u16(body + 2), bits = f.u16(body + 14);
            uint32_t rate = f.u32(body + 4);
            if (f.u16(body) != 1)
                return "a WAV that is not plain PCM";
            if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16) || rate == 0 ||
                rate > 192000)
                return "a WAV format of " + std::to_string(channels) + " channels, " +
                       std::to_string(bits) + " bits, " + std::to_string(rate) + " Hz";
            format = true;
        } else if (f.text(at, "data")) {
            if (!format)
                return "WAV data before its format";
            if (!f.has(body, length))
                return cut_short(body + size_t(length), f.size());
            return "";
        }
        if (!f.has(body, length))
            return cut_short(body + size_t(length), f.size());
        at = body + length;
    }
}

// load_pcx: an 8-bit-per-plane RLE image of one or three planes, decoded row
// by row exactly as the loader does; an 8-bit image then needs the 256-colour
// palette after the first 12 byte that follows the pixels.
std::string check_pcx(const bytes& f)
{
    if (!f.has(0, 128))
        return f.size() > 0 && f.u8(0) != 10 ? "not a PCX image" : cut_short(128, f.size());
    if (f.u8(0) != 10 || f.u8(2) != 1)
        return "not a PCX image";
    unsigned planes = f.u8(65);
    if (f.u8(3) != 8 || (planes != 1 && planes != 3))
        return "a PCX of " + std::to_string(f.u8(3)) + " bits in " + std::to_string(planes) +
               " planes";
    long w = long(f.u16(8)) - long(f.u16(4)) + 1;
    long h = long(f.u16(10)) - long(f.u16(6)) + 1;
    if (w < 1 || h < 1 || w > LARGEST_SIDE || h > LARGEST_SIDE)
        return bad_size(w, h);
    long line = f.u16(66);
    if (line < w || line > 2 * LARGEST_SIDE)
        return "a PCX line of " + std::to_string(line) + " bytes for " + std::to_string(w) +
               " pixels";
    size_t at = 128;
    for (long y = 0; y < h; y++) {
        for (long x = 0; x < line * long(planes);) {
            // A run is a count byte (top two bits set) and the value byte.
            bool is_run = at < f.size() && (f.u8(at) & 0xC0) == 0xC0;
            if (at + is_run >= f.size())
                return "cut short in pixel row " + std::to_string(y) + " of " + std::to_string(h);
            x += is_run ? f.u8(at) & 0x3F : 1;
            at += 1 + is_run;
        }
    }
    if (planes == 1) {
        while (at < f.size() && f.u8(at) != 12)
            at++;
        if (!f.has(at, 1 + 768))
            return "cut short: no palette";
    }
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

std::string check_asset(const std::string& path)
{
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return strerror(errno);
    bytes f;
    unsigned char block[8192];
    size_t got;
    while ((got = fread(block, 1, sizeof block, file)) > 0 && long(f.size()) <= LARGEST_FILE)
        f.v.insert(f.v.end(), block, block + got);
    bool failed = ferror(file);
    fclose(file);
    if (failed)
        return "cannot be read";
    if (f.size() == 0)
        return "empty";
    if (long(f.size()) > LARGEST_FILE)
        return "too large for an asset";

    std::string ext = lower_extension(path);
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
