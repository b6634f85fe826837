// Sound effects: synthesised from the recipes in sounds/*.txt, one sound a
// file, written as 16-bit mono PCM WAV at 22050 Hz (what Allegro's load_wav
// reads).
//
// Everything is integer fixed point, so the samples come out the same on any
// machine and at any optimisation level; noise is a seeded xorshift.
//
// Recipe keys (numbers take up to three decimals, '#' starts a comment):
//
//   file p_laser.wav        where the sound goes inside data/
//   length_ms 120           the whole sound
//   peak_db -5              loudest sample after normalising
//   fade_in_ms, fade_out_ms short linear fades at the ends against clicks
//   highpass_hz 30          optional: keeps rumble and offset out of the mix
//
//   voice NAME              starts a layer; the keys below belong to it
//   wave square             sine, triangle, saw, square or noise
//   level_db -6             loudness in the mix
//   start_ms, length_ms     placement (length defaults to the rest)
//   freq_hz, freq_end_hz, sweep_ms
//                           exponential glide over sweep_ms (default: the
//                           whole layer). For noise, freq is how often a new
//                           random value is drawn; leave it out for white noise
//   duty_pct 50             square only
//   vibrato_hz, vibrato_cents, tremolo_hz, tremolo_pct (dip depth)
//   attack_ms               linear rise
//   decay_ms                half-life of the exponential fall after the attack
//                           (0 = no fall)
//   release_ms              linear fade to silence at the end of the layer
//   filter lowpass          or highpass or bandpass (peak gain 1), default none
//   cutoff_hz, cutoff_end_hz, cutoff_sweep_ms, q
//   seed 1                  noise seed
#include "asset_io.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

namespace {

typedef int64_t i64;

const i64 RATE = 22050;
const int FRAC = 16;  // signal, envelopes and gains: 1.0 = ONE
const i64 ONE = i64(1) << FRAC;
const int CF = 28;  // filter coefficients
const i64 CONE = i64(1) << CF;

// ---- fixed-point maths ---------------------------------------------------

// 2^x for x in Q16, result in Q16. Builds the fraction bit by bit from
// 2^(1/2), 2^(1/4), ... so there is no libm and no rounding that varies.
i64 exp2_q16(i64 x)
{
    static const uint64_t ROOT[16] = {
        1518500250, 1276901417, 1170923762, 1121280436, 1097253708, 1085434106,
        1079572136, 1076653033, 1075196443, 1074468888, 1074105294, 1073923544,
        1073832680, 1073787251, 1073764537, 1073753181};  // 2^(2^-i), Q30
    i64 whole = x >> FRAC;  // floor, also for negative x
    i64 frac = x & (ONE - 1);
    uint64_t m = uint64_t(1) << 30;
    for (int i = 0; i < 16; i++)
        if (frac & (i64(1) << (15 - i)))
            m = (m * ROOT[i] + (uint64_t(1) << 29)) >> 30;
    i64 shift = 30 - FRAC - whole;  // from Q30 mantissa to Q16 result
    if (shift >= 62)
        return 0;
    if (shift <= 0)
        return i64(m << -shift);
    return i64((m + (uint64_t(1) << (shift - 1))) >> shift);
}

// log2 of a positive Q16 value, result in Q16.
i64 log2_q16(i64 v)
{
    if (v <= 0)
        fail("log2 of a value that is not positive");
    int top = 62;
    while (!(v >> top))
        top--;
    uint64_t m = top > 30 ? uint64_t(v) >> (top - 30) : uint64_t(v) << (30 - top);
    i64 frac = 0;
    for (int i = 0; i < FRAC; i++) {
        m = (m * m) >> 30;
        frac <<= 1;
        if (m >= (uint64_t(2) << 30)) {
            m >>= 1;
            frac |= 1;
        }
    }
    return i64(top - FRAC) * ONE + frac;
}

// sin of a phase (2^32 = a full turn), Q30. Odd Taylor series to the 9th
// power on a quarter wave: error below 4e-6, far under 16-bit resolution.
i64 sin_q30(uint32_t phase)
{
    static const i64 C[5] = {1686629713, 693598668, 85569306, 5026995, 172272};
    uint32_t quarter = phase >> 30;
    i64 z = phase & 0x3FFFFFFF;
    if (quarter & 1)
        z = (i64(1) << 30) - z;
    i64 z2 = (z * z) >> 30;
    i64 p = C[4];
    p = C[3] - ((z2 * p) >> 30);
    p = C[2] - ((z2 * p) >> 30);
    p = C[1] - ((z2 * p) >> 30);
    p = C[0] - ((z2 * p) >> 30);
    i64 s = std::min<i64>((z * p) >> 30, i64(1) << 30);
    return quarter & 2 ? -s : s;
}

i64 sin_q16(uint32_t phase) { return (sin_q30(phase) + (1 << 13)) >> 14; }

// Phase step per sample for a Q16 frequency.
uint32_t phase_step(i64 freq_q16) { return uint32_t((freq_q16 << 16) / RATE); }

// 10^(db/20) in Q16, db in thousandths.
i64 db_gain(i64 milli_db)
{
    if (milli_db < -90000 || milli_db > 90000)
        fail("level beyond 90 dB");
    return exp2_q16(milli_db * 166096405 * ONE / 1000000000000LL);  // log2(10)/20
}

uint32_t xorshift(uint32_t& s)
{
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
}

// ---- recipes -------------------------------------------------------------

// Numeric values are kept in thousandths ("1.5" -> 1500).
i64 parse_milli(const std::string& text, const std::string& where)
{
    size_t i = 0;
    bool neg = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        neg = text[i++] == '-';
    i64 whole = 0, frac = 0;
    int whole_digits = 0, frac_digits = 0;
    while (i < text.size() && isdigit(uint8_t(text[i])) && whole_digits < 12) {
        whole = whole * 10 + (text[i++] - '0');
        whole_digits++;
    }
    if (i < text.size() && text[i] == '.') {
        i++;
        while (i < text.size() && isdigit(uint8_t(text[i])) && frac_digits < 3) {
            frac = frac * 10 + (text[i++] - '0');
            frac_digits++;
        }
    }
    if (i != text.size() || whole_digits + frac_digits == 0)
        fail(where + ": not a number (at most three decimals): " + text);
    while (frac_digits++ < 3)
        frac *= 10;
    i64 v = whole * 1000 + frac;
    return neg ? -v : v;
}

struct Params {
    std::map<std::string, i64> num;
    std::map<std::string, std::string> word;
    std::string where;

    i64 get(const std::string& key, i64 fallback_milli) const
    {
        auto it = num.find(key);
        return it == num.end() ? fallback_milli : it->second;
    }
    bool has(const std::string& key) const { return num.count(key) != 0; }
    std::string text(const std::string& key, const std::string& fallback) const
    {
        auto it = word.find(key);
        return it == word.end() ? fallback : it->second;
    }
};

const std::set<std::string> SOUND_NUMBERS = {"length_ms", "peak_db", "fade_in_ms",
                                             "fade_out_ms", "highpass_hz"};
const std::set<std::string> VOICE_NUMBERS = {
    "level_db", "start_ms", "length_ms", "freq_hz", "freq_end_hz", "sweep_ms", "duty_pct",
    "vibrato_hz", "vibrato_cents", "tremolo_hz", "tremolo_pct", "attack_ms", "decay_ms",
    "release_ms", "cutoff_hz", "cutoff_end_hz", "cutoff_sweep_ms", "q", "seed"};
const std::set<std::string> WAVES = {"sine", "triangle", "saw", "square", "noise"};
const std::set<std::string> FILTERS = {"none", "lowpass", "highpass", "bandpass"};

struct Recipe {
    Params sound;
    std::vector<Params> voices;
};

Recipe read_recipe(const std::string& path)
{
    Recipe r;
    r.sound.where = path;
    Params* cur = &r.sound;
    std::vector<std::string> lines = read_lines(path);
    for (size_t n = 0; n < lines.size(); n++) {
        std::string line = lines[n].substr(0, lines[n].find('#'));
        std::istringstream in(line);
        std::string key, value, extra;
        if (!(in >> key))
            continue;
        std::string where = path + ":" + std::to_string(n + 1);
        if (!(in >> value) || (in >> extra))
            fail(where + ": expected 'key value'");
        if (key == "voice") {
            r.voices.push_back(Params());
            cur = &r.voices.back();
            cur->where = where + " (voice " + value + ")";
            continue;
        }
        bool is_sound = cur == &r.sound;
        if (cur->word.count(key) || cur->num.count(key))
            fail(where + ": " + key + " given twice");
        if (key == "file" && is_sound) {
            r.sound.word[key] = value;
        } else if (key == "wave" && !is_sound) {
            if (!WAVES.count(value))
                fail(where + ": unknown wave " + value);
            cur->word[key] = value;
        } else if (key == "filter" && !is_sound) {
            if (!FILTERS.count(value))
                fail(where + ": unknown filter " + value);
            cur->word[key] = value;
        } else if ((is_sound ? SOUND_NUMBERS : VOICE_NUMBERS).count(key)) {
            cur->num[key] = parse_milli(value, where);
        } else {
            fail(where + ": unknown key " + key + (is_sound ? "" : " in a voice"));
        }
    }
    if (r.sound.text("file", "").empty() || !r.sound.has("length_ms") || !r.sound.has("peak_db"))
        fail(path + ": needs file, length_ms and peak_db");
    if (r.voices.empty())
        fail(path + ": has no voice");
    return r;
}

i64 ms_to_samples(i64 milli_ms) { return (milli_ms * RATE + 500000) / 1000000; }
i64 hz_to_q16(i64 milli_hz) { return milli_hz * ONE / 1000; }

// Topology-preserving state variable filter (stays stable while the cutoff
// moves every sample).
struct Svf {
    i64 ic1 = 0, ic2 = 0;
    i64 k = 0, a1 = 0, a2 = 0, a3 = 0;

    void tune(i64 cutoff_q16, i64 q_milli)
    {
        // Capped at 0.4 of the rate so tan() stays within the coefficients' range.
        cutoff_q16 = std::clamp<i64>(cutoff_q16, 10 * ONE, RATE * ONE * 2 / 5);
        uint32_t angle = uint32_t(cutoff_q16 * 32768 / RATE);  // pi*fc/fs as a phase
        i64 s = sin_q30(angle), c = sin_q30(angle + 0x40000000u);
        i64 g = (s << CF) / c;
        k = CONE * 1000 / q_milli;
        a1 = CONE * CONE / (CONE + ((g * (g + k)) >> CF));
        a2 = (g * a1) >> CF;
        a3 = (g * a2) >> CF;
    }

    // Returns low, band (scaled to unity peak) or high.
    i64 run(i64 v0, int mode)
    {
        i64 v3 = v0 - ic2;
        i64 v1 = (a1 * ic1 + a2 * v3) >> CF;
        i64 v2 = ic2 + ((a2 * ic1 + a3 * v3) >> CF);
        ic1 = 2 * v1 - ic1;
        ic2 = 2 * v2 - ic2;
        if (mode == 0)
            return v2;
        if (mode == 1)
            return (k * v1) >> CF;
        return v0 - ((k * v1) >> CF) - v2;
    }
};

// Exponential glide from a to b (Q16, positive) after n of len samples.
struct Glide {
    i64 from, octaves, len;
    Glide(i64 a, i64 b, i64 length) : from(a), octaves(log2_q16(b) - log2_q16(a)), len(length) {}
    i64 at(i64 n) const
    {
        i64 t = len > 0 ? std::min(n, len) * ONE / len : ONE;
        return (from * exp2_q16(octaves * t / ONE)) >> FRAC;
    }
};

void render_voice(const Params& v, i64 sound_len, std::vector<i64>& mix)
{
    const std::string wave = v.text("wave", "");
    if (wave.empty())
        fail(v.where + ": needs a wave");
    i64 start = ms_to_samples(v.get("start_ms", 0));
    i64 len = v.has("length_ms") ? ms_to_samples(v.get("length_ms", 0)) : sound_len - start;
    if (start < 0 || len <= 0 || start + len > sound_len)
        fail(v.where + ": does not fit inside the sound");

    bool noise = wave == "noise";
    i64 f0 = hz_to_q16(v.get("freq_hz", 0));
    if (!noise && f0 <= 0)
        fail(v.where + ": needs freq_hz");
    i64 f1 = v.has("freq_end_hz") ? hz_to_q16(v.get("freq_end_hz", 0)) : f0;
    if ((f0 > 0) != (f1 > 0))
        fail(v.where + ": freq_hz and freq_end_hz must both be positive");
    Glide freq(std::max<i64>(f0, 1), std::max<i64>(f1, 1),
               v.has("sweep_ms") ? ms_to_samples(v.get("sweep_ms", 0)) : len);

    std::string filter = v.text("filter", "none");
    int mode = filter == "lowpass" ? 0 : filter == "bandpass" ? 1 : 2;
    i64 c0 = hz_to_q16(v.get("cutoff_hz", 0));
    i64 c1 = v.has("cutoff_end_hz") ? hz_to_q16(v.get("cutoff_end_hz", 0)) : c0;
    if (filter != "none" && (c0 <= 0 || c1 <= 0))
        fail(v.where + ": a filter needs a positive cutoff_hz");
    Glide cutoff(std::max<i64>(c0, 1), std::max<i64>(c1, 1),
                 v.has("cutoff_sweep_ms") ? ms_to_samples(v.get("cutoff_sweep_ms", 0)) : len);
    i64 q = v.get("q", 707);
    if (q < 100)
        fail(v.where + ": q below 0.1");
    Svf svf;

    i64 duty_pct = std::clamp<i64>(v.get("duty_pct", 50000), 1000, 99000);
    uint32_t duty = uint32_t(duty_pct * 42949673 / 1000);  // as a phase
    i64 vib_step = phase_step(hz_to_q16(v.get("vibrato_hz", 0)));
    i64 vib_depth = v.get("vibrato_cents", 0) * ONE / 1200000;  // octaves, Q16
    i64 trem_step = phase_step(hz_to_q16(v.get("tremolo_hz", 0)));
    i64 trem_depth = v.get("tremolo_pct", 0) * ONE / 100000;
    i64 attack = ms_to_samples(v.get("attack_ms", 0));
    i64 half_life = ms_to_samples(v.get("decay_ms", 0));
    i64 release = ms_to_samples(v.get("release_ms", 0));
    i64 level = db_gain(v.get("level_db", 0));
    uint32_t seed = uint32_t(v.get("seed", 1000) / 1000);
    uint32_t rng = seed ? seed : 1;

    uint32_t phase = 0, vib_phase = 0, trem_phase = 0;
    i64 held = 0;
    for (i64 n = 0; n < len; n++) {
        i64 f = freq.at(n);
        if (vib_depth)
            f = (f * exp2_q16((vib_depth * sin_q16(vib_phase)) >> FRAC)) >> FRAC;
        uint32_t step = f0 > 0 ? phase_step(f) : 0;

        i64 x = 0;
        if (noise) {
            if (step == 0 || n == 0 || uint32_t(phase + step) < phase)
                held = i64(int32_t(xorshift(rng))) >> 15;
            x = held;
        } else if (wave == "sine") {
            x = sin_q16(phase);
        } else if (wave == "triangle") {
            i64 t = phase >> 14;  // a quarter turn is ONE
            x = t < ONE ? t : t < 3 * ONE ? 2 * ONE - t : t - 4 * ONE;
        } else {
            // Band-limited edges (polyBLEP) keep the top end from aliasing
            // into a hiss on the high notes.
            auto blep = [step](uint32_t t) -> i64 {
                if (step == 0)
                    return 0;
                if (t < step) {
                    i64 u = (i64(t) << FRAC) / step;
                    return 2 * u - ((u * u) >> FRAC) - ONE;
                }
                if (t > uint32_t(-step)) {
                    i64 u = -((i64(uint32_t(-t)) << FRAC) / step);
                    return ((u * u) >> FRAC) + 2 * u + ONE;
                }
                return 0;
            };
            if (wave == "saw") {
                x = (i64(phase) >> 15) - ONE - blep(phase);
            } else {
                x = (phase < duty ? ONE : -ONE) + blep(phase) - blep(phase - duty);
            }
        }
        phase += step;
        vib_phase += uint32_t(vib_step);

        if (filter != "none") {
            svf.tune(cutoff.at(n), q);
            x = svf.run(x, mode);
        }

        i64 env = ONE;
        if (n < attack)
            env = n * ONE / attack;
        else if (half_life > 0)
            env = exp2_q16(-(n - attack) * ONE / half_life);
        if (n >= len - release)
            env = env * (len - n) / release;
        if (trem_depth) {
            i64 dip = (ONE - sin_q16(trem_phase + 0x40000000u)) / 2;  // starts at 0
            env = (env * (ONE - ((trem_depth * dip) >> FRAC))) >> FRAC;
            trem_phase += uint32_t(trem_step);
        }
        mix[size_t(start + n)] += (((x * env) >> FRAC) * level) >> FRAC;
    }
}

bytes render(const Recipe& r)
{
    const Params& s = r.sound;
    i64 len = ms_to_samples(s.get("length_ms", 0));
    if (len <= 0)
        fail(s.where + ": length_ms must be positive");
    std::vector<i64> mix(size_t(len), 0);
    for (const Params& v : r.voices)
        render_voice(v, len, mix);

    if (s.has("highpass_hz")) {
        Svf hp;
        hp.tune(hz_to_q16(s.get("highpass_hz", 0)), 707);
        for (i64& x : mix)
            x = hp.run(x, 2);
    }
    i64 fade_in = ms_to_samples(s.get("fade_in_ms", 0));
    i64 fade_out = ms_to_samples(s.get("fade_out_ms", 0));
    for (i64 n = 0; n < len; n++) {
        if (n < fade_in)
            mix[size_t(n)] = mix[size_t(n)] * n / fade_in;
        if (n >= len - fade_out)
            mix[size_t(n)] = mix[size_t(n)] * (len - 1 - n) / fade_out;
    }

    i64 peak = 1;
    for (i64 x : mix)
        peak = std::max(peak, x < 0 ? -x : x);
    i64 target = (32767 * db_gain(s.get("peak_db", 0))) >> FRAC;
    if (target > 32767)
        fail(s.where + ": peak_db above 0");

    bytes wav;
    uint32_t data_size = uint32_t(len * 2);
    put_text(wav, "RIFF", 4);
    put_u32(wav, 36 + data_size);
    put_text(wav, "WAVE", 4);
    put_text(wav, "fmt ", 4);
    put_u32(wav, 16);
    put_u16(wav, 1);  // PCM
    put_u16(wav, 1);  // mono
    put_u32(wav, uint32_t(RATE));
    put_u32(wav, uint32_t(RATE * 2));
    put_u16(wav, 2);   // bytes per frame
    put_u16(wav, 16);  // bits
    put_text(wav, "data", 4);
    put_u32(wav, data_size);
    for (i64 x : mix) {
        i64 mag = ((x < 0 ? -x : x) * target + peak / 2) / peak;
        put_u16(wav, unsigned(uint16_t(int16_t(x < 0 ? -mag : mag))));
    }
    return wav;
}

}  // namespace

void make_sounds(const std::string& src_dir, const std::string& out_dir)
{
    std::vector<std::string> paths;
    for (const auto& e : std::filesystem::directory_iterator(src_dir + "/sounds"))
        if (e.path().extension() == ".txt")
            paths.push_back(e.path().string());
    std::sort(paths.begin(), paths.end());
    if (paths.empty())
        fail("no sound recipes in " + src_dir + "/sounds");
    for (const std::string& p : paths) {
        Recipe r = read_recipe(p);
        write_bytes(out_dir + "/" + r.sound.text("file", ""), render(r));
    }
}
