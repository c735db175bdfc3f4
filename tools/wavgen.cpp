// wavgen: synthesises the marble wall's 18 sound files.
//
//   wavgen <output directory>
//
// Impacts are modal: a handful of exponentially decaying sinusoids whose frequency ratios and
// decay times give the material (wood, glass, plastic), over a short filtered noise burst for the
// contact itself. Each take varies pitch, damping and brightness a little so repeated hits do
// not sound mechanical. Rolling sounds are filtered noise with slow periodic modulation, cross-
// faded end to start so that they loop without a seam. Every random number comes from a fixed
// seed: the same program writes the same bytes on every run.
//
// Output: 44.1 kHz, 16-bit PCM, mono (the player pans each voice itself).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int sample_rate = 44100;
constexpr double two_pi = 2.0 * std::numbers::pi;

using samples = std::vector<double>;

// splitmix64: small, fast and identical everywhere.
class random_source {
public:
    explicit random_source(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    // Uniform in [lo, hi).
    double between(double lo, double hi) { return lo + (hi - lo) * uniform(); }

    // White noise in [-1, 1).
    double noise() { return 2.0 * uniform() - 1.0; }

private:
    std::uint64_t state_;
};

// Second-order section with the usual audio-cookbook coefficients.
class biquad {
public:
    static biquad low_pass(double freq, double q) { return make(freq, q, kind::low); }
    static biquad band_pass(double freq, double q) { return make(freq, q, kind::band); }
    static biquad high_pass(double freq, double q) { return make(freq, q, kind::high); }

    double process(double x) {
        const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    enum class kind { low, band, high };

    static biquad make(double freq, double q, kind k) {
        const double w = two_pi * freq / sample_rate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double c = std::cos(w);
        const double a0 = 1.0 + alpha;
        biquad f;
        switch (k) {
        case kind::low:
            f.b0_ = (1.0 - c) / 2.0;
            f.b1_ = 1.0 - c;
            f.b2_ = (1.0 - c) / 2.0;
            break;
        case kind::high:
            f.b0_ = (1.0 + c) / 2.0;
            f.b1_ = -(1.0 + c);
            f.b2_ = (1.0 + c) / 2.0;
            break;
        case kind::band:  // constant 0 dB peak gain
            f.b0_ = alpha;
            f.b1_ = 0.0;
            f.b2_ = -alpha;
            break;
        }
        f.b0_ /= a0;
        f.b1_ /= a0;
        f.b2_ /= a0;
        f.a1_ = -2.0 * c / a0;
        f.a2_ = (1.0 - alpha) / a0;
        return f;
    }

    double b0_ = 0, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// One resonance of the struck body: frequency as a ratio of the fundamental, level, decay time.
struct mode {
    double ratio;
    double gain;
    double decay_s;
};

// How one material sounds when a marble strikes it.
struct material {
    const char* name;
    int takes;
    std::uint64_t seed;
    double fundamental_lo, fundamental_hi;  // Hz, chosen per take
    std::vector<mode> modes;
    double noise_centre_hz;                 // contact burst: band centre, width, level, decay
    double noise_q;
    double noise_gain;
    double noise_decay_s;
    double length_s;
};

// Scales to the given peak.
void normalise_peak(samples& s, double peak) {
    double m = 0.0;
    for (double v : s) m = std::max(m, std::abs(v));
    if (m > 0.0)
        for (double& v : s) v *= peak / m;
}

// Scales to the given RMS level, then limits the peak.
void normalise_rms(samples& s, double rms, double peak_limit) {
    double sum = 0.0;
    for (double v : s) sum += v * v;
    const double now = std::sqrt(sum / static_cast<double>(s.size()));
    if (now > 0.0)
        for (double& v : s) v *= rms / now;
    double m = 0.0;
    for (double v : s) m = std::max(m, std::abs(v));
    if (m > peak_limit)
        for (double& v : s) v *= peak_limit / m;
}

samples synth_impact(const material& mat, int take) {
    random_source rng(mat.seed * 1000 + static_cast<std::uint64_t>(take) * 7919);
    const int n = static_cast<int>(mat.length_s * sample_rate);
    samples out(static_cast<std::size_t>(n), 0.0);

    // Takes spread evenly over the pitch range, with a little jitter, so no two sound alike.
    const double spread = mat.takes > 1 ? static_cast<double>(take) / (mat.takes - 1) : 0.5;
    const double f0 = mat.fundamental_lo + (mat.fundamental_hi - mat.fundamental_lo) *
                                               std::clamp(spread + rng.between(-0.08, 0.08), 0.0, 1.0);
    const double damping = rng.between(0.85, 1.15);
    const double brightness = rng.between(0.75, 1.25);

    for (std::size_t m = 0; m < mat.modes.size(); ++m) {
        const mode& md = mat.modes[m];
        const double freq = f0 * md.ratio * rng.between(0.985, 1.015);
        if (freq > 0.45 * sample_rate) continue;
        // Upper modes follow the take's brightness more strongly than the fundamental.
        const double gain = md.gain * std::pow(brightness, static_cast<double>(m)) * rng.between(0.8, 1.2);
        const double decay = md.decay_s * damping * rng.between(0.85, 1.15);
        const double phase = rng.between(0.0, two_pi);
        const double step = two_pi * freq / sample_rate;
        for (int i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) / sample_rate;
            out[static_cast<std::size_t>(i)] += gain * std::exp(-t / decay) * std::sin(phase + step * i);
        }
    }

    // The contact: a burst of band-limited noise, over within a few milliseconds.
    biquad band = biquad::band_pass(mat.noise_centre_hz * rng.between(0.9, 1.1), mat.noise_q);
    const double noise_decay = mat.noise_decay_s * rng.between(0.8, 1.2);
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / sample_rate;
        const double env = std::exp(-t / noise_decay);
        out[static_cast<std::size_t>(i)] += mat.noise_gain * env * band.process(rng.noise());
    }

    // A 0.3 ms onset keeps the first sample from clicking; a 15 ms tail lands exactly on zero.
    const int attack = static_cast<int>(0.0003 * sample_rate);
    for (int i = 0; i < attack && i < n; ++i)
        out[static_cast<std::size_t>(i)] *= static_cast<double>(i) / attack;
    const int release = std::min(n, static_cast<int>(0.015 * sample_rate));
    for (int i = 0; i < release; ++i)
        out[static_cast<std::size_t>(n - 1 - i)] *= static_cast<double>(i) / release;

    // Softer takes a little quieter, so a series of hits breathes.
    normalise_peak(out, 0.89 * rng.between(0.88, 1.0));
    return out;
}

// A rolling sound: noise shaped by a body filter and a rumble band, with a periodic wobble from
// the marble's turning and faint ticks from the surface's grain.
struct roll_sound {
    const char* name;
    std::uint64_t seed;
    double body_low_pass_hz;
    double rumble_hz;
    double rumble_q;
    double rumble_gain;
    double ring_hz;        // a resonant band that gives glass its sheen; 0 for none
    double ring_q;
    double ring_gain;
    double wobble_hz;      // marble turning rate; made periodic over the loop
    double wobble_depth;
    double tick_rate_hz;   // grain ticks per second
    double tick_gain;
    double air_low_pass_hz;  // final softening: a rolling marble makes little high hiss
    double rms;
};

samples synth_roll(const roll_sound& r) {
    constexpr double length_s = 2.0;
    constexpr double fade_s = 0.25;
    constexpr double preroll_s = 0.2;  // lets the filters settle before anything is kept
    const int n = static_cast<int>(length_s * sample_rate);
    const int fade = static_cast<int>(fade_s * sample_rate);
    const int pre = static_cast<int>(preroll_s * sample_rate);
    const int total = pre + n + fade;

    random_source rng(r.seed);
    biquad body = biquad::low_pass(r.body_low_pass_hz, 0.7);
    biquad body2 = biquad::low_pass(r.body_low_pass_hz * 1.3, 0.7);
    biquad rumble = biquad::band_pass(r.rumble_hz, r.rumble_q);
    biquad ring = biquad::band_pass(r.ring_hz > 0.0 ? r.ring_hz : 1000.0, r.ring_q);
    biquad ring2 = biquad::band_pass(r.ring_hz > 0.0 ? r.ring_hz * 1.62 : 1000.0, r.ring_q);
    biquad tick_filter = biquad::band_pass(r.body_low_pass_hz * 2.5, 2.0);
    biquad air = biquad::low_pass(r.air_low_pass_hz, 0.7);
    biquad air2 = biquad::low_pass(r.air_low_pass_hz, 0.7);
    biquad dc = biquad::high_pass(40.0, 0.7);

    // Whole cycles over the loop so that the modulation itself repeats.
    const double wobble = std::max(1.0, std::round(r.wobble_hz * length_s)) / length_s;
    const double sway = 1.0 / length_s;
    const double tick_chance = r.tick_rate_hz / sample_rate;

    samples raw(static_cast<std::size_t>(total), 0.0);
    double tick_env = 0.0;
    for (int i = 0; i < total; ++i) {
        const double t = static_cast<double>(i - pre) / sample_rate;
        const double x = rng.noise();
        double v = body2.process(body.process(x));
        v += r.rumble_gain * rumble.process(x);
        if (r.ring_hz > 0.0) v += r.ring_gain * (ring.process(x) + 0.6 * ring2.process(x));
        if (rng.uniform() < tick_chance) tick_env = rng.between(0.5, 1.0);
        tick_env *= 0.9965;
        v += r.tick_gain * tick_env * tick_filter.process(rng.noise());
        const double mod = 1.0 + r.wobble_depth * std::sin(two_pi * wobble * t) +
                           0.12 * std::sin(two_pi * sway * t + 1.3);
        raw[static_cast<std::size_t>(i)] = dc.process(air2.process(air.process(v * mod)));
    }

    // Equal-power crossfade of the loop's start with what follows its end: the last sample leads
    // into the first as smoothly as any two neighbours inside the loop.
    samples out(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) out[static_cast<std::size_t>(i)] = raw[static_cast<std::size_t>(pre + i)];
    for (int i = 0; i < fade; ++i) {
        const double a = (static_cast<double>(i) + 0.5) / fade * (std::numbers::pi / 2.0);
        out[static_cast<std::size_t>(i)] = raw[static_cast<std::size_t>(pre + i)] * std::sin(a) +
                                           raw[static_cast<std::size_t>(pre + n + i)] * std::cos(a);
    }
    normalise_rms(out, r.rms, 0.85);
    return out;
}

void put_u16(std::FILE* f, std::uint16_t v) {
    const unsigned char b[2] = {static_cast<unsigned char>(v & 0xff), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

void put_u32(std::FILE* f, std::uint32_t v) {
    put_u16(f, static_cast<std::uint16_t>(v & 0xffff));
    put_u16(f, static_cast<std::uint16_t>(v >> 16));
}

// Writes 16-bit mono PCM; returns false when the file cannot be written.
bool write_wav(const std::filesystem::path& path, const samples& s) {
    std::FILE* f = std::fopen(path.string().c_str(), "wb");
    if (f == nullptr) return false;
    const auto data_bytes = static_cast<std::uint32_t>(s.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    put_u32(f, 36 + data_bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put_u32(f, 16);                 // fmt chunk size
    put_u16(f, 1);                  // PCM
    put_u16(f, 1);                  // mono
    put_u32(f, sample_rate);
    put_u32(f, sample_rate * 2);    // bytes per second
    put_u16(f, 2);                  // block align
    put_u16(f, 16);                 // bits per sample
    std::fwrite("data", 1, 4, f);
    put_u32(f, data_bytes);
    for (double v : s) {
        const double scaled = std::round(std::clamp(v, -1.0, 1.0) * 32767.0);
        put_u16(f, static_cast<std::uint16_t>(static_cast<std::int16_t>(scaled)));
    }
    const bool ok = std::ferror(f) == 0;
    return std::fclose(f) == 0 && ok;
}

// Marble on wood: a short, warm knock; the bar's inharmonic modes die within a few hundredths.
const material wood{"wood", 6, 11, 620.0, 980.0,
                    {{1.0, 1.0, 0.050}, {1.58, 0.55, 0.032}, {2.76, 0.45, 0.022}, {3.9, 0.22, 0.015},
                     {5.4, 0.16, 0.010}, {9.6, 0.08, 0.012}},
                    2400.0, 1.2, 0.9, 0.004, 0.35};

// Glass on glass or metal: a bright tink with long-ringing, widely spaced modes.
const material glass{"glass", 6, 23, 2300.0, 3400.0,
                     {{1.0, 1.0, 0.22}, {1.47, 0.5, 0.16}, {2.09, 0.42, 0.11}, {2.56, 0.25, 0.085},
                      {3.58, 0.18, 0.06}, {4.73, 0.08, 0.04}},
                     7000.0, 1.5, 0.55, 0.0015, 0.8};

// Clear plastic: hollower and shorter than glass, with more of the contact's noise.
const material plastic{"plastic", 3, 37, 880.0, 1350.0,
                       {{0.28, 0.5, 0.025}, {1.0, 1.0, 0.065}, {1.71, 0.6, 0.045}, {2.49, 0.4, 0.03},
                        {3.3, 0.25, 0.02}, {4.6, 0.15, 0.014}},
                       3500.0, 1.0, 1.3, 0.005, 0.4};

const roll_sound rolls[] = {
    // name            seed  body    rumble q    gain ring    q    gain wobble depth ticks gain air     rms
    {"roll_wood",      101, 900.0,  190.0, 2.0, 1.6, 0.0,    1.0, 0.0, 9.0,  0.30, 14.0, 0.9, 3000.0, 0.11},
    {"roll_dark_wood", 202, 420.0,  115.0, 2.5, 2.2, 0.0,    1.0, 0.0, 6.0,  0.35, 9.0,  0.6, 1800.0, 0.12},
    {"roll_glass",     303, 2600.0, 420.0, 1.5, 0.6, 2900.0, 9.0, 1.4, 11.0, 0.22, 0.0,  0.0, 7000.0, 0.09},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "wavgen: cannot create %s: %s\n", dir.string().c_str(), ec.message().c_str());
        return 1;
    }

    int written = 0;
    auto save = [&](const std::string& name, const samples& s) {
        const auto path = dir / (name + ".wav");
        if (!write_wav(path, s)) {
            std::fprintf(stderr, "wavgen: cannot write %s\n", path.string().c_str());
            return false;
        }
        ++written;
        return true;
    };

    for (const material* mat : {&wood, &glass, &plastic})
        for (int take = 0; take < mat->takes; ++take)
            if (!save(std::string("hit_") + mat->name + "_" + std::to_string(take), synth_impact(*mat, take)))
                return 1;
    for (const roll_sound& r : rolls)
        if (!save(r.name, synth_roll(r))) return 1;

    std::printf("wavgen: wrote %d files to %s\n", written, dir.string().c_str());
    return 0;
}
