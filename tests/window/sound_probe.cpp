// Measures what the game wrote to a file sound device (16-bit unsigned
// little-endian stereo at 44,100 Hz, silence 0x8000), for the window tests.
//
//   sound_probe levels FILE FROM TO
//       "LEFT RIGHT DIFFERENCE PEAK FRAMES" for the bytes FROM..TO: the RMS of
//       each side and of left minus right, and the largest swing, as
//       fractions of full scale.
//   sound_probe matches FILE FROM TO SOUND.wav
//       "COUNT BEST": how many times the start of the effect, played at its
//       own pitch, shows in those bytes, and the best match (a correlation,
//       0..1). Music under the effect lowers the match; other sounds hardly
//       reach it.
//   sound_probe song FILE FROM TO SONG...
//       "BEST S1 S2 ...": which of the songs (XM files) those bytes sound like
//       (its position in the list, from 1), and the likeness to each, -1..1.
//       Songs are told apart by their long-run spectrum in twelfth-octave
//       bands: their keys and instruments differ, and the device repeating
//       stretches of the stream changes neither.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <xmp.h>

const int RATE = 44100;
const double HEAD_SECONDS = 0.045;  // the attack of the effect: its loudest, most telling part
const double MATCH = 0.2;           // correlation that counts as the effect being there

[[noreturn]] static void die(const std::string& why)
{
    fprintf(stderr, "sound_probe: %s\n", why.c_str());
    exit(2);
}

// Interleaved stereo frames, centred on 0, from a stretch of the file.
static std::vector<double> read_frames(const char* path, long from, long to)
{
    FILE* f = fopen(path, "rb");
    if (!f)
        die(std::string("cannot open ") + path);
    from &= ~3L;
    std::vector<double> out;
    if (to > from && fseek(f, from, SEEK_SET) == 0) {
        std::vector<uint8_t> raw(size_t(to - from) & ~size_t(3));
        raw.resize(fread(raw.data(), 1, raw.size(), f) & ~size_t(3));
        for (size_t i = 0; i < raw.size(); i += 2)
            out.push_back(double(raw[i] | raw[i + 1] << 8) - 32768);
    }
    fclose(f);
    return out;
}

static uint32_t le(const uint8_t* p, int n)
{
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; i--)
        v = v << 8 | p[i];
    return v;
}

// A 16-bit PCM WAV, mixed to mono and brought to RATE by linear steps.
static std::vector<double> read_wav(const char* path)
{
    FILE* f = fopen(path, "rb");
    if (!f)
        die(std::string("cannot open ") + path);
    std::vector<uint8_t> b;
    uint8_t chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, f)) > 0;)
        b.insert(b.end(), chunk, chunk + n);
    fclose(f);
    if (b.size() < 12 || memcmp(b.data(), "RIFF", 4) || memcmp(b.data() + 8, "WAVE", 4))
        die(std::string(path) + " is not a WAV file");
    int channels = 0, rate = 0, bits = 0;
    std::vector<double> mono;
    for (size_t at = 12; at + 8 <= b.size();) {
        size_t size = le(&b[at + 4], 4);
        size_t body = at + 8;
        if (body + size > b.size())
            size = b.size() - body;
        if (!memcmp(&b[at], "fmt ", 4) && size >= 16) {
            channels = int(le(&b[body + 2], 2));
            rate = int(le(&b[body + 4], 4));
            bits = int(le(&b[body + 14], 2));
        } else if (!memcmp(&b[at], "data", 4) && bits == 16 && channels > 0) {
            for (size_t i = body; i + 2 * channels <= body + size; i += 2 * channels) {
                double sum = 0;
                for (int c = 0; c < channels; c++)
                    sum += int16_t(le(&b[i + 2 * c], 2));
                mono.push_back(sum / channels);
            }
        }
        at = body + size + (size & 1);
    }
    if (mono.empty() || rate <= 0)
        die(std::string(path) + ": no 16-bit sound found");
    std::vector<double> out;
    for (double t = 0; t < mono.size() - 1; t += double(rate) / RATE) {
        size_t i = size_t(t);
        out.push_back(mono[i] + (mono[i + 1] - mono[i]) * (t - i));
    }
    return out;
}

static void levels(const std::vector<double>& s)
{
    double l = 0, r = 0, d = 0, peak = 0;
    size_t n = s.size() / 2;
    for (size_t i = 0; i < n; i++) {
        double a = s[2 * i], b = s[2 * i + 1];
        l += a * a;
        r += b * b;
        d += (a - b) * (a - b);
        peak = std::max({peak, std::fabs(a), std::fabs(b)});
    }
    double full = 32768, frames = n ? double(n) : 1;
    printf("%.5f %.5f %.5f %.5f %zu\n", std::sqrt(l / frames) / full, std::sqrt(r / frames) / full,
           std::sqrt(d / frames) / full, peak / full, n);
}

// First differences keep the effect's bright attack and drop most of the
// music's weight, which sits in the bass and the kick.
static std::vector<double> slope(const std::vector<double>& v)
{
    std::vector<double> d(v.size(), 0);
    for (size_t i = 1; i < v.size(); i++)
        d[i] = v[i] - v[i - 1];
    return d;
}

static void matches(const std::vector<double>& s, const char* wav)
{
    std::vector<double> effect = read_wav(wav);
    effect.resize(std::min(effect.size(), size_t(HEAD_SECONDS * RATE)));
    std::vector<double> head = slope(effect);
    std::vector<double> mid(s.size() / 2);
    for (size_t i = 0; i < mid.size(); i++)
        mid[i] = s[2 * i] + s[2 * i + 1];
    mid = slope(mid);

    size_t m = head.size();
    double head_norm = 0;
    for (double v : head)
        head_norm += v * v;
    head_norm = std::sqrt(head_norm);
    std::vector<double> energy(mid.size() + 1, 0);
    for (size_t i = 0; i < mid.size(); i++)
        energy[i + 1] = energy[i] + mid[i] * mid[i];

    int count = 0;
    double best = 0;
    size_t last = 0;
    bool any = false;
    for (size_t at = 0; at + m <= mid.size(); at++) {
        double window = std::sqrt(std::max(0.0, energy[at + m] - energy[at]));
        if (window <= 0)
            continue;
        double dot = 0;
        for (size_t j = 0; j < m; j++)
            dot += mid[at + j] * head[j];
        double r = dot / (window * head_norm);
        best = std::max(best, r);
        // One count per occurrence: peaks closer than the head are one.
        if (r > MATCH && (!any || at - last >= m)) {
            count++;
            last = at;
            any = true;
        }
    }
    printf("%d %.3f\n", count, best);
}

// ---- Telling songs apart -----------------------------------------------------------

const int FFT_SIZE = 16384;              // 0.37 s windows: bins 2.7 Hz apart, finer than the bands
const double BAND_LOW = 55;              // Hz: the lowest bass note of ours lies above
const int BANDS = 12 * 7;                // seven octaves, to 7 kHz
const double SONG_SECONDS = 12;          // rendered of each song: its opening, where the game starts it

// In-place radix-2 FFT of re/im, length a power of two.
static void fft(std::vector<double>& re, std::vector<double>& im)
{
    size_t n = re.size();
    for (size_t i = 1, j = 0; i < n; i++) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        double a = -2 * M_PI / double(len);
        for (size_t i = 0; i < n; i += len)
            for (size_t k = 0; k < len / 2; k++) {
                double wr = std::cos(a * double(k)), wi = std::sin(a * double(k));
                double xr = re[i + k + len / 2] * wr - im[i + k + len / 2] * wi;
                double xi = re[i + k + len / 2] * wi + im[i + k + len / 2] * wr;
                re[i + k + len / 2] = re[i + k] - xr;
                im[i + k + len / 2] = im[i + k] - xi;
                re[i + k] += xr;
                im[i + k] += xi;
            }
    }
}

// The long-run spectrum of mono sound in twelfth-octave bands, as log
// energies less their average over the octave around each band.
static std::vector<double> profile(const std::vector<double>& mono)
{
    std::vector<double> bands(BANDS, 0);
    std::vector<double> re(FFT_SIZE), im(FFT_SIZE);
    for (size_t at = 0; at + FFT_SIZE <= mono.size(); at += FFT_SIZE / 2) {
        for (int i = 0; i < FFT_SIZE; i++) {
            double hann = 0.5 - 0.5 * std::cos(2 * M_PI * i / (FFT_SIZE - 1));
            re[i] = mono[at + i] * hann;
            im[i] = 0;
        }
        fft(re, im);
        for (int k = 1; k < FFT_SIZE / 2; k++) {
            double hz = double(k) * RATE / FFT_SIZE;
            int b = int(std::floor(12 * std::log2(hz / BAND_LOW)));
            if (b >= 0 && b < BANDS)
                bands[b] += re[k] * re[k] + im[k] * im[k];
        }
    }
    // Every song leans the same way from bass to treble; what tells them
    // apart is the detail within each octave: their notes and timbres.
    for (double& b : bands)
        b = std::log(b + 1e-9);
    std::vector<double> detail(BANDS, 0);
    for (int b = 0; b < BANDS; b++) {
        double sum = 0;
        int n = 0;
        for (int k = std::max(0, b - 6); k <= std::min(BANDS - 1, b + 6); k++, n++)
            sum += bands[k];
        detail[b] = bands[b] - sum / n;
    }
    return detail;
}

static double likeness(const std::vector<double>& a, const std::vector<double>& b)
{
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < a.size(); i++) {
        ab += a[i] * b[i];
        aa += a[i] * a[i];
        bb += b[i] * b[i];
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

// A song as the game plays it (libxmp at the game's rate), mixed to mono.
static std::vector<double> render_song(const char* path)
{
    xmp_context ctx = xmp_create_context();
    if (xmp_load_module(ctx, const_cast<char*>(path)) != 0)
        die(std::string("cannot load the song ") + path);
    xmp_start_player(ctx, RATE, 0);
    std::vector<int16_t> buffer(2 * 4096);
    std::vector<double> mono;
    while (mono.size() < size_t(SONG_SECONDS * RATE)) {
        xmp_play_buffer(ctx, buffer.data(), int(buffer.size() * sizeof(int16_t)), 0);
        for (size_t i = 0; i < buffer.size(); i += 2)
            mono.push_back((double(buffer[i]) + buffer[i + 1]) / 2);
    }
    xmp_end_player(ctx);
    xmp_release_module(ctx);
    xmp_free_context(ctx);
    return mono;
}

static void which_song(const std::vector<double>& s, char** songs, int count)
{
    std::vector<double> mono(s.size() / 2);
    for (size_t i = 0; i < mono.size(); i++)
        mono[i] = (s[2 * i] + s[2 * i + 1]) / 2;
    std::vector<double> heard = profile(mono);
    int best = 0;
    std::vector<double> like;
    for (int i = 0; i < count; i++) {
        like.push_back(likeness(heard, profile(render_song(songs[i]))));
        if (like[i] > like[best])
            best = i;
    }
    printf("%d", best + 1);
    for (double l : like)
        printf(" %.3f", l);
    printf("\n");
}

int main(int argc, char** argv)
{
    if (argc < 5)
        die("usage: sound_probe levels FILE FROM TO | matches FILE FROM TO SOUND.wav | "
            "song FILE FROM TO SONG...");
    std::string what = argv[1];
    std::vector<double> s = read_frames(argv[2], atol(argv[3]), atol(argv[4]));
    if (what == "levels")
        levels(s);
    else if (what == "matches" && argc == 6)
        matches(s, argv[5]);
    else if (what == "song" && argc >= 6)
        which_song(s, argv + 5, argc - 5);
    else
        die("unknown command " + what);
    return 0;
}
