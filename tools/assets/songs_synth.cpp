// Instruments for the songs, synthesised from a handful of recipes.
//
// Tones are sums of whole harmonics over a power-of-two period, so every loop
// closes exactly and every phase is an integer index into one sine table.
// The arithmetic is plain IEEE double (+ - * / only, no libm transcendental),
// which gives the same bits at any optimisation level; noise is a seeded
// xorshift.
//
// Tuning: a cycle of 32 samples played at XM's C-4 rate (8363 Hz) is C4 two
// cents flat, so a period of 32 * 2^k gets relative note 12k and finetune +2.
// Drums are rendered at 8363 * 2^(k/12) Hz and played at C-4.
#include "songs_xm.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

const double PI = 3.14159265358979323846;
const int TABLE = 65536;  // one sine turn

// sin(x) for |x| <= pi: odd Taylor series to x^21, error below 1e-9.
double taylor_sin(double x)
{
    double x2 = x * x, term = x, sum = x;
    for (int k = 1; k <= 10; k++) {
        term = -term * x2 / double((2 * k) * (2 * k + 1));
        sum += term;
    }
    return sum;
}

const std::vector<double>& sine_table()
{
    static std::vector<double> t;
    if (t.empty()) {
        t.resize(TABLE);
        for (int i = 0; i < TABLE; i++) {
            int j = i < TABLE / 2 ? i : i - TABLE;  // keep the argument in [-pi, pi)
            t[i] = taylor_sin(2.0 * PI * j / TABLE);
        }
    }
    return t;
}

// sin(2 pi phase / TABLE) for any integer phase.
double sin_at(int64_t phase)
{
    return sine_table()[size_t(phase & (TABLE - 1))];
}

// e^x for x <= 0 by halving into the series' comfort zone and squaring back.
double exp_neg(double x)
{
    int halvings = 0;
    while (x < -0.5) {
        x *= 0.5;
        halvings++;
    }
    double term = 1.0, sum = 1.0;
    for (int k = 1; k < 16; k++) {
        term = term * x / k;
        sum += term;
    }
    while (halvings--)
        sum *= sum;
    return sum;
}

struct Noise {
    uint32_t s;
    explicit Noise(uint32_t seed) : s(seed) {}
    double next()  // -1 .. 1
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return double(s) / 2147483648.0 - 1.0;
    }
};

// One-pole filters; the coefficient comes from the cutoff at the given rate.
struct OnePole {
    double a, y = 0;
    OnePole(double cutoff, double rate) : a(1.0 - exp_neg(-2.0 * PI * cutoff / rate)) {}
    double low(double x) { return y += a * (x - y); }
    double high(double x) { return x - low(x); }
};

// Chamberlin state-variable band-pass, peak gain about 1 / q.
struct BandPass {
    double f, q, low = 0, band = 0;
    BandPass(double centre, double rate, double damping)
        : f(2.0 * taylor_sin(PI * centre / rate)), q(damping) {}
    double run(double x)
    {
        low += f * band;
        double high = x - low - q * band;
        band += f * high;
        return band;
    }
};

// ---- building blocks -----------------------------------------------------

// Harmonic h of a waveform, with its amplitude and phase (in table units).
struct Partial {
    int h;
    double amp;
    int64_t phase = 0;
};

enum Shape { SAW, SQUARE, PULSE25 };

// The band-limited harmonics of a shape up to max_h, each shaded by a gentle
// low-pass of corner `soft` (in harmonics) so bright waves do not buzz.
std::vector<Partial> harmonics(Shape shape, int max_h, double soft)
{
    std::vector<Partial> ps;
    for (int h = 1; h <= max_h; h++) {
        double a = 0;
        int64_t phase = 0;
        switch (shape) {
        case SAW: a = 1.0 / h; break;
        case SQUARE: a = h % 2 ? 1.0 / h : 0; break;
        case PULSE25:  // sin(pi h / 4) / h as cosines
            a = sin_at(int64_t(h) * TABLE / 8) / h;
            phase = TABLE / 4;
            break;
        }
        double shade = 1.0 / (1.0 + (h / soft) * (h / soft));
        if (a != 0)
            ps.push_back({h, a * shade, phase});
    }
    return ps;
}

// `length` samples holding `cycles` turns of the partials; length must divide
// TABLE * cycles evenly for the phases to stay integer.
std::vector<double> render_partials(const std::vector<Partial>& ps, int length, int cycles)
{
    std::vector<double> out(length, 0.0);
    int64_t step = int64_t(TABLE) * cycles / length;
    for (int n = 0; n < length; n++)
        for (const Partial& p : ps)
            out[n] += p.amp * sin_at(p.phase + step * p.h * n);
    return out;
}

// Partial whose amplitude glides from `start` to `end`; `tau` seconds at C4.
struct Evolving {
    int h;
    double start, end, tau;
};

// An attack of `attack_cycles` periods in which the partials settle, then one
// period that loops: the settled wave continues the attack without a seam.
std::vector<double> render_evolving(const std::vector<Evolving>& ps, int period, int attack_cycles)
{
    int attack = period * attack_cycles;
    double rate = 261.6256 * period;  // sample rate at which the period is C4
    std::vector<double> out(attack + period, 0.0);
    int64_t step = TABLE / period;
    for (const Evolving& p : ps) {
        double k = exp_neg(-1.0 / (p.tau * rate)), g = 1.0;
        double g_end = 1.0;
        for (int n = 0; n < attack; n++)
            g_end *= k;
        for (int n = 0; n < attack + period; n++) {
            // Scaled so the glide lands exactly on `end` where the loop starts.
            double w = n < attack ? (g - g_end) / (1.0 - g_end) : 0.0;
            out[n] += (p.end + (p.start - p.end) * w) * sin_at(step * p.h * n);
            g *= k;
        }
    }
    return out;
}

void normalise(std::vector<double>& v, double peak)
{
    double m = 0;
    for (double x : v)
        m = std::max(m, std::fabs(x));
    if (m > 0)
        for (double& x : v)
            x *= peak / m;
}

// Normalises to `peak` of full scale and quantises to 8 or 16 bits.
void store(XmInstrument& in, std::vector<double> v, bool bits16, double peak)
{
    normalise(v, peak);
    in.bits16 = bits16;
    double scale = bits16 ? 32767.0 : 127.0;
    in.data.resize(v.size());
    for (size_t i = 0; i < v.size(); i++)
        in.data[i] = int16_t(std::floor(v[i] * scale + 0.5));
}

void tonal(XmInstrument& in, int period)
{
    int octaves = 0;
    while ((32 << octaves) < period)
        octaves++;
    if ((32 << octaves) != period)
        fail("instrument " + in.name + ": period must be 32 * 2^k");
    in.relnote = 12 * octaves;
    in.finetune = 2;
}

// Volume envelope from (seconds, level) points; sustain is a point index.
XmEnvelope envelope(double tick_hz, std::vector<std::pair<double, int>> pts, int sustain)
{
    XmEnvelope e;
    int last = -1;
    for (auto& p : pts) {
        int t = int(std::floor(p.first * tick_hz + 0.5));
        if (t <= last)
            t = last + 1;
        e.points.push_back({t, p.second});
        last = t;
    }
    e.sustain = sustain;
    return e;
}

// Fade after a key off on instruments without a sustain point.
int fadeout_for(double seconds, double tick_hz)
{
    double f = 65536.0 / (seconds * tick_hz);
    return std::min(4095, int(f));
}

// Auto-vibrato: rate in Hz, starting after `delay` seconds.
void vibrato(XmInstrument& in, double tick_hz, double hz, int depth, double delay)
{
    in.vib_type = 0;
    in.vib_rate = std::min(63, int(std::floor(hz * 256.0 / tick_hz + 0.5)));
    in.vib_depth = depth;
    in.vib_sweep = std::min(255, int(std::floor(delay * tick_hz + 0.5)));
}

// ---- drums ---------------------------------------------------------------

const double DRUM_RATE = 8363.0 * 2;       // relative note 12
const double HIGH_DRUM_RATE = 8363.0 * 4;  // relative note 24

// Sine drum with an exponential pitch fall, as kicks and toms are made.
std::vector<double> pitched_drum(double rate, double seconds, double f_start, double f_end,
                                 double f_tau, double decay)
{
    int n = int(seconds * rate);
    std::vector<double> out(n);
    double kf = exp_neg(-1.0 / (f_tau * rate)), ka = exp_neg(-1.0 / (decay * rate));
    double bend = 1.0, amp = 1.0, phase = 0;
    for (int i = 0; i < n; i++) {
        double f = f_end + (f_start - f_end) * bend;
        out[i] = amp * sin_at(int64_t(std::floor(phase * TABLE)));
        phase += f / rate;
        phase -= std::floor(phase);
        bend *= kf;
        amp *= ka;
    }
    return out;
}

// Linear fade over the last `seconds` so one-shots end on zero.
void tail_fade(std::vector<double>& v, double rate, double seconds)
{
    int n = std::min(int(v.size()), int(seconds * rate));
    for (int i = 0; i < n; i++)
        v[v.size() - 1 - i] *= double(i) / n;
}

// Noise with an attack ramp and exponential decay, through a filter.
std::vector<double> noise_burst(double rate, double seconds, double attack, double decay,
                                uint32_t seed, const std::function<double(double)>& filter)
{
    int n = int(seconds * rate);
    std::vector<double> out(n);
    Noise noise(seed);
    double k = exp_neg(-1.0 / (decay * rate)), amp = 1.0;
    int rise = std::max(1, int(attack * rate));
    for (int i = 0; i < n; i++) {
        double a = i < rise ? amp * i / rise : amp;
        out[i] = a * filter(noise.next());
        amp *= k;
    }
    return out;
}

// Soft saturation x / (1 + |x|): rounds off peaks, the level is normalised later.
void saturate(std::vector<double>& v, double drive)
{
    for (double& x : v)
        x = x * drive / (1.0 + std::fabs(x * drive));
}

void drum(XmInstrument& in, std::vector<double> v, double rate, bool bits16, double peak)
{
    tail_fade(v, rate, 0.01);
    in.relnote = rate == DRUM_RATE ? 12 : 24;
    store(in, std::move(v), bits16, peak);
}

void mix_into(std::vector<double>& dst, const std::vector<double>& src, double gain)
{
    if (dst.size() < src.size())
        dst.resize(src.size(), 0.0);
    for (size_t i = 0; i < src.size(); i++)
        dst[i] += gain * src[i];
}

// ---- recipes -------------------------------------------------------------

typedef void (*Recipe)(XmInstrument&, double tick_hz);

struct Named {
    const char* name;
    Recipe make;
};

// Square-ish lead with a quarter pulse: bright and chip-like, holds its note.
void pulse_lead(XmInstrument& in, double tk)
{
    std::vector<Partial> ps = harmonics(PULSE25, 24, 12);
    for (Partial& p : harmonics(SQUARE, 9, 6))
        ps.push_back({p.h, p.amp * 0.5, 0});
    tonal(in, 64);
    store(in, render_partials(ps, 64, 1), true, 0.9);
    in.loop_length = 64;
    in.env = envelope(tk, {{0, 0}, {0.008, 64}, {0.12, 52}, {0.3, 46}, {0.42, 0}}, 3);
    vibrato(in, tk, 5.5, 4, 0.25);
}

// Short square blip for arpeggios and counter-lines.
void square_pluck(XmInstrument& in, double tk)
{
    tonal(in, 64);
    store(in, render_partials(harmonics(SQUARE, 25, 9), 64, 1), true, 0.9);
    in.loop_length = 64;
    in.env = envelope(tk, {{0, 64}, {0.03, 50}, {0.12, 26}, {0.3, 10}, {0.6, 0}}, -1);
    in.fadeout = fadeout_for(0.1, tk);
}

// Filtered saw with a strong fundamental: a bass that drives without mud.
void saw_bass(XmInstrument& in, double tk)
{
    std::vector<Partial> ps = harmonics(SAW, 60, 10);
    ps[0].amp *= 1.6;
    tonal(in, 256);
    store(in, render_partials(ps, 256, 1), true, 0.9);
    in.loop_length = 256;
    in.env = envelope(tk, {{0, 64}, {0.06, 56}, {0.25, 46}, {0.32, 0}}, 2);
}

// Three saws `spread` cycles apart over an 8192-sample loop: at spread 1 they
// are 13 cents apart and beat twice a second at C4.
std::vector<double> detuned_saws(int max_h, double soft, int spread)
{
    std::vector<Partial> ps = harmonics(SAW, max_h, soft);
    std::vector<double> sum(8192, 0.0);
    mix_into(sum, render_partials(ps, 8192, 128), 1.0);
    mix_into(sum, render_partials(ps, 8192, 128 - spread), 0.8);
    mix_into(sum, render_partials(ps, 8192, 128 + spread), 0.8);
    return sum;
}

void pad(XmInstrument& in, double tk, double soft, double attack, double release)
{
    tonal(in, 64);
    store(in, detuned_saws(20, soft, 1), true, 0.9);
    in.loop_length = 8192;
    in.env = envelope(tk, {{0, 0}, {attack, 64}, {attack + 0.6, 56}, {attack + 0.6 + release, 0}},
                      2);
}

void pad_bright(XmInstrument& in, double tk) { pad(in, tk, 5, 0.12, 0.35); }
void pad_dark(XmInstrument& in, double tk) { pad(in, tk, 2.2, 0.25, 0.6); }

// Detuned saw lead for the boss: edgier than the pulse.
void saw_lead(XmInstrument& in, double tk)
{
    tonal(in, 64);
    std::vector<double> v = detuned_saws(24, 9, 1);
    normalise(v, 1.0);
    saturate(v, 2.5);  // the saws' chance peaks would otherwise set the level
    store(in, v, true, 0.9);
    in.loop_length = 8192;
    in.env = envelope(tk, {{0, 0}, {0.01, 64}, {0.2, 50}, {0.35, 0}}, 2);
    vibrato(in, tk, 6, 5, 0.3);
}

// Electric piano: a round fundamental with a bright tine that dies quickly.
void epiano(XmInstrument& in, double tk)
{
    std::vector<Evolving> ps = {{1, 1.0, 1.0, 1},     {2, 0.45, 0.16, 0.08},
                                {3, 0.22, 0.04, 0.05}, {4, 0.12, 0.01, 0.04},
                                {7, 0.22, 0.0, 0.025}, {9, 0.08, 0.0, 0.015}};
    tonal(in, 64);
    store(in, render_evolving(ps, 64, 64), true, 0.9);
    in.loop_start = 64 * 64;
    in.loop_length = 64;
    in.env = envelope(tk, {{0, 64}, {0.25, 50}, {1.0, 36}, {2.5, 20}, {5, 8}, {8, 0}}, -1);
    in.fadeout = fadeout_for(0.25, tk);
    vibrato(in, tk, 4.5, 2, 0.6);
}

// Breathy, nearly pure lead with a late vibrato: the lounge melody.
void soft_lead(XmInstrument& in, double tk)
{
    std::vector<Partial> ps = {{1, 1.0}, {2, 0.18}, {3, 0.12}, {4, 0.04}, {5, 0.03}};
    tonal(in, 64);
    store(in, render_partials(ps, 64, 1), true, 0.9);
    in.loop_length = 64;
    in.env = envelope(tk, {{0, 0}, {0.05, 60}, {0.25, 52}, {0.5, 0}}, 2);
    vibrato(in, tk, 5, 6, 0.35);
}

// Vibraphone: the bar's fourth partial rings briefly over a pure tone.
void vibes(XmInstrument& in, double tk)
{
    std::vector<Evolving> ps = {{1, 1.0, 1.0, 1}, {4, 0.5, 0.0, 0.08}, {10, 0.15, 0.0, 0.02}};
    tonal(in, 64);
    store(in, render_evolving(ps, 64, 64), true, 0.9);
    in.loop_start = 64 * 64;
    in.loop_length = 64;
    in.env = envelope(tk, {{0, 64}, {0.4, 44}, {1.5, 22}, {3.5, 0}}, -1);
    in.fadeout = fadeout_for(0.3, tk);
    vibrato(in, tk, 5, 3, 0.2);
}

// Round bass with a short finger pluck on the attack.
void round_bass(XmInstrument& in, double tk)
{
    std::vector<Evolving> ps = {{1, 1.0, 1.0, 1},     {2, 0.5, 0.3, 0.06},
                                {3, 0.35, 0.08, 0.04}, {4, 0.15, 0.03, 0.03},
                                {5, 0.12, 0.0, 0.02}};
    tonal(in, 256);
    store(in, render_evolving(ps, 256, 16), true, 0.9);
    in.loop_start = 256 * 16;
    in.loop_length = 256;
    in.env = envelope(tk, {{0, 64}, {0.3, 48}, {1.5, 34}, {4, 16}, {7, 0}}, -1);
    in.fadeout = fadeout_for(0.12, tk);
}

// Saw over square, low-passed: a heavy bass for the boss.
void growl_bass(XmInstrument& in, double tk)
{
    std::vector<Partial> ps = harmonics(SAW, 60, 14);
    for (Partial& p : harmonics(SQUARE, 60, 8))
        ps.push_back({p.h, p.amp * 0.7, 0});
    ps[0].amp *= 1.4;
    tonal(in, 256);
    std::vector<double> v = render_partials(ps, 256, 1);
    normalise(v, 1.0);
    saturate(v, 1.8);
    store(in, v, true, 0.9);
    in.loop_length = 256;
    in.env = envelope(tk, {{0, 64}, {0.04, 60}, {0.18, 44}, {0.24, 0}}, 2);
}

// Glassy bell for ostinatos: odd partials that fade to a soft sine.
void bell(XmInstrument& in, double tk)
{
    std::vector<Evolving> ps = {{1, 1.0, 0.8, 0.3},   {2, 0.3, 0.1, 0.2},
                                {3, 0.5, 0.05, 0.12}, {5, 0.35, 0.0, 0.06},
                                {8, 0.2, 0.0, 0.03}};
    tonal(in, 64);
    store(in, render_evolving(ps, 64, 64), true, 0.9);
    in.loop_start = 64 * 64;
    in.loop_length = 64;
    in.env = envelope(tk, {{0, 64}, {0.3, 34}, {1.0, 14}, {2.0, 0}}, -1);
    in.fadeout = fadeout_for(0.2, tk);
}

void kick(XmInstrument& in, double)
{
    double r = DRUM_RATE;
    std::vector<double> v = pitched_drum(r, 0.36, 180, 46, 0.03, 0.11);
    OnePole lp(3000, r);
    mix_into(v, noise_burst(r, 0.006, 0.0005, 0.002, 11, [&](double x) { return lp.low(x); }),
             0.6);
    saturate(v, 2.0);
    drum(in, v, r, false, 0.98);
}

void kick_soft(XmInstrument& in, double)
{
    double r = DRUM_RATE;
    std::vector<double> v = pitched_drum(r, 0.35, 110, 44, 0.04, 0.13);
    for (int i = 0; i < 40 && i < int(v.size()); i++)
        v[i] *= i / 40.0;  // soften the beater
    drum(in, v, r, false, 0.98);
}

void snare(XmInstrument& in, double)
{
    double r = DRUM_RATE;
    std::vector<double> v = pitched_drum(r, 0.26, 240, 180, 0.02, 0.045);
    OnePole hp(900, r), lp(7000, r);
    mix_into(v, noise_burst(r, 0.26, 0.001, 0.07, 23,
                            [&](double x) { return lp.low(hp.high(x)); }),
             1.8);
    saturate(v, 1.5);
    drum(in, v, r, false, 0.98);
}

void clap(XmInstrument& in, double)
{
    double r = DRUM_RATE;
    BandPass bp(1300, r, 0.9);
    std::vector<double> v =
        noise_burst(r, 0.3, 0.001, 0.09, 31, [&](double x) { return bp.run(x); });
    // Three hands slightly apart before the room tail.
    int gap = int(0.011 * r);
    for (int i = 0; i < 3 * gap && i < int(v.size()); i++) {
        double in_burst = double(i % gap) / gap;
        v[i] *= 1.6 * (1.0 - in_burst);
    }
    drum(in, v, r, false, 0.98);
}

void hat(XmInstrument& in, double)
{
    double r = HIGH_DRUM_RATE;
    OnePole hp(7000, r);
    drum(in, noise_burst(r, 0.09, 0.0005, 0.022, 47, [&](double x) { return hp.high(x); }), r,
         false, 0.9);
}

void open_hat(XmInstrument& in, double)
{
    double r = HIGH_DRUM_RATE;
    OnePole hp(6500, r);
    drum(in, noise_burst(r, 0.3, 0.001, 0.1, 53, [&](double x) { return hp.high(x); }), r,
         false, 0.9);
}

void crash(XmInstrument& in, double)
{
    double r = DRUM_RATE;
    OnePole hp(3000, r);
    std::vector<double> v =
        noise_burst(r, 0.9, 0.002, 0.28, 61, [&](double x) { return hp.high(x); });
    drum(in, v, r, false, 0.9);
}

void tom(XmInstrument& in, double)
{
    double r = DRUM_RATE;
    std::vector<double> v = pitched_drum(r, 0.4, 160, 95, 0.06, 0.14);
    OnePole lp(2500, r);
    mix_into(v, noise_burst(r, 0.05, 0.001, 0.012, 71, [&](double x) { return lp.low(x); }),
             0.4);
    drum(in, v, r, false, 0.98);
}

void rim(XmInstrument& in, double)
{
    double r = DRUM_RATE;
    std::vector<double> v = pitched_drum(r, 0.07, 1800, 1700, 0.01, 0.008);
    mix_into(v, pitched_drum(r, 0.07, 820, 800, 0.01, 0.014), 0.8);
    drum(in, v, r, false, 0.9);
}

void shaker(XmInstrument& in, double)
{
    double r = HIGH_DRUM_RATE;
    BandPass bp(7500, r, 0.7);
    drum(in, noise_burst(r, 0.09, 0.012, 0.025, 83, [&](double x) { return bp.run(x); }), r,
         false, 0.9);
}

void brush(XmInstrument& in, double)
{
    double r = DRUM_RATE;
    OnePole lp(4500, r), hp(400, r);
    std::vector<double> v =
        noise_burst(r, 0.3, 0.006, 0.08, 97, [&](double x) { return hp.high(lp.low(x)); });
    mix_into(v, pitched_drum(r, 0.2, 200, 180, 0.02, 0.04), 0.25);
    drum(in, v, r, false, 0.9);
}

// The names the song files use, grouped by role.
const Named RECIPES[] = {
    {"pulse_lead", pulse_lead}, {"saw_lead", saw_lead},     {"soft_lead", soft_lead},
    {"square_pluck", square_pluck}, {"bell", bell},         {"vibes", vibes},
    {"epiano", epiano},         {"pad_bright", pad_bright}, {"pad_dark", pad_dark},
    {"saw_bass", saw_bass},     {"round_bass", round_bass}, {"growl_bass", growl_bass},
    {"kick", kick},             {"kick_soft", kick_soft},   {"snare", snare},
    {"clap", clap},             {"rim", rim},               {"brush", brush},
    {"tom", tom},               {"hat", hat},               {"open_hat", open_hat},
    {"shaker", shaker},         {"crash", crash},
};

}  // namespace

XmInstrument synth_instrument(const std::string& recipe, double tick_hz)
{
    for (const Named& r : RECIPES)
        if (recipe == r.name) {
            XmInstrument in;
            in.name = recipe;
            r.make(in, tick_hz);
            return in;
        }
    fail("unknown instrument recipe: " + recipe);
}
