#include "instruments.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace songgen {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kC4 = 261.6255653;  // Hz
constexpr double kDrumRate = 8363.0 * 4.0;  // C-4 plays a drum sample at 33452 Hz (relative note 24)

// Noise from a fixed linear congruential sequence: same hiss every run.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : s_(seed) {}
    double next() {
        s_ = s_ * 1664525u + 1013904223u;
        return static_cast<double>(static_cast<std::int32_t>(s_)) / 2147483648.0;
    }

private:
    std::uint32_t s_;
};

struct OnePole {  // simple low-pass, cutoff in Hz
    double a = 0, y = 0;
    OnePole(double cutoff, double rate) : a(1.0 - std::exp(-2.0 * kPi * cutoff / rate)) {}
    double operator()(double x) { return y += a * (x - y); }
};

std::vector<std::int16_t> toPcm(const std::vector<double>& v, double peak = 0.92) {
    double m = 1e-9;
    for (double x : v) m = std::max(m, std::fabs(x));
    std::vector<std::int16_t> out(v.size());
    for (std::size_t i = 0; i < v.size(); ++i)
        out[i] = static_cast<std::int16_t>(std::lround(v[i] / m * peak * 32767.0));
    return out;
}

// Relative note and finetune so that C-4 plays the data at `rate` samples per second.
void tuneTo(Sample& s, double rate) {
    const double k = 12.0 * std::log2(rate / 8363.0);
    int rel = static_cast<int>(std::lround(k));
    int fine = static_cast<int>(std::lround((k - rel) * 128.0));
    if (fine > 127) ++rel, fine -= 128;
    if (fine < -128) --rel, fine += 128;
    s.relativeNote = static_cast<std::int8_t>(rel);
    s.finetune = static_cast<std::int8_t>(fine);
}

// Band-limited additive cycle: harmonic n has amplitude amp(n) and phase phase(n).
std::vector<double> additiveCycles(int period, int cycles, int harmonics, const std::function<double(int)>& amp,
                                   const std::function<double(int)>& phase) {
    std::vector<double> out(static_cast<std::size_t>(period * cycles), 0.0);
    for (int n = 1; n <= harmonics; ++n) {
        const double a = amp(n);
        if (a == 0) continue;
        const double ph = phase(n);
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] += a * std::sin(2.0 * kPi * n * static_cast<double>(i) / period + ph);
    }
    return out;
}

Envelope env(std::vector<EnvelopePoint> pts, int sustain = -1, int loopStart = -1, int loopEnd = -1) {
    Envelope e;
    e.points = std::move(pts);
    e.sustain = sustain;
    e.loopStart = loopStart;
    e.loopEnd = loopEnd;
    return e;
}

// --- drums -------------------------------------------------------------------------------

Sample kick() {
    const double rate = kDrumRate;
    const int n = static_cast<int>(0.42 * rate);
    std::vector<double> v(static_cast<std::size_t>(n));
    double phase = 0;
    Noise noise(1);
    OnePole click(3000, rate);
    for (int i = 0; i < n; ++i) {
        const double t = i / rate;
        const double f = 46.0 + 120.0 * std::exp(-t * 32.0) + 40.0 * std::exp(-t * 200.0);
        phase += 2 * kPi * f / rate;
        const double body = std::sin(phase) * std::exp(-t * 6.5);
        const double c = click(noise.next()) * std::exp(-t * 400.0) * 1.5;
        v[static_cast<std::size_t>(i)] = std::tanh(1.6 * (body + c));
    }
    Sample s;
    s.name = "kick";
    s.data = toPcm(v);
    tuneTo(s, rate);
    return s;
}

Sample snare() {
    const double rate = kDrumRate;
    const int n = static_cast<int>(0.32 * rate);
    std::vector<double> v(static_cast<std::size_t>(n));
    Noise noise(2);
    OnePole lp(7000, rate), body(1800, rate);
    double p1 = 0, p2 = 0;
    for (int i = 0; i < n; ++i) {
        const double t = i / rate;
        const double f = 190.0 + 40.0 * std::exp(-t * 60.0);
        p1 += 2 * kPi * f / rate;
        p2 += 2 * kPi * f * 1.72 / rate;
        const double tone = (std::sin(p1) + 0.5 * std::sin(p2)) * std::exp(-t * 28.0);
        const double x = noise.next();
        const double hiss = (lp(x) - 0.6 * body(x)) * (std::exp(-t * 12.0) * 0.9 + 0.3 * std::exp(-t * 60.0));
        v[static_cast<std::size_t>(i)] = std::tanh(1.4 * (0.8 * tone + 1.3 * hiss));
    }
    Sample s;
    s.name = "snare";
    s.data = toPcm(v);
    tuneTo(s, rate);
    return s;
}

Sample hat(double seconds, double decay, std::uint32_t seed, const char* name) {
    const double rate = kDrumRate;
    const int n = static_cast<int>(seconds * rate);
    std::vector<double> v(static_cast<std::size_t>(n));
    Noise noise(seed);
    OnePole lp(5000, rate);
    // Six detuned square oscillators give the metallic ring under the hiss.
    const double ratios[6] = {1.0, 1.342, 1.2312, 1.6532, 1.9523, 2.1523};
    for (int i = 0; i < n; ++i) {
        const double t = i / rate;
        double metal = 0;
        for (double r : ratios) metal += std::sin(2 * kPi * 420.0 * r * t) > 0 ? 1.0 : -1.0;
        const double x = 0.7 * noise.next() + 0.12 * metal;
        const double hp = x - lp(x);
        v[static_cast<std::size_t>(i)] = hp * std::exp(-t * decay) * std::min(1.0, t * 3000.0);
    }
    Sample s;
    s.name = name;
    s.data = toPcm(v, 0.85);
    tuneTo(s, rate);
    return s;
}

Sample crash() {
    const double rate = kDrumRate / 2;  // a long wash: half rate keeps the sample small
    const int n = static_cast<int>(2.4 * rate);
    std::vector<double> v(static_cast<std::size_t>(n));
    Noise noise(5);
    OnePole lp(2500, rate), smooth(7000, rate);
    const double ratios[6] = {1.0, 1.483, 1.932, 2.546, 2.630, 3.897};
    for (int i = 0; i < n; ++i) {
        const double t = i / rate;
        double metal = 0;
        for (double r : ratios) metal += std::sin(2 * kPi * 310.0 * r * t + r);
        const double x = noise.next() + 0.08 * metal;
        const double hp = smooth(x - lp(x));
        v[static_cast<std::size_t>(i)] = hp * (std::exp(-t * 1.6) * 0.85 + 0.15 * std::exp(-t * 12.0)) *
                                         std::min(1.0, t * 800.0);
    }
    Sample s;
    s.name = "crash";
    s.data = toPcm(v, 0.8);
    tuneTo(s, rate);
    return s;
}

Sample tom() {
    const double rate = kDrumRate;
    const int n = static_cast<int>(0.45 * rate);
    std::vector<double> v(static_cast<std::size_t>(n));
    double phase = 0;
    Noise noise(6);
    for (int i = 0; i < n; ++i) {
        const double t = i / rate;
        const double f = 95.0 + 70.0 * std::exp(-t * 14.0);
        phase += 2 * kPi * f / rate;
        v[static_cast<std::size_t>(i)] = std::tanh(1.3 * (std::sin(phase) * std::exp(-t * 7.0) +
                                                          0.15 * noise.next() * std::exp(-t * 50.0)));
    }
    Sample s;
    s.name = "tom";
    s.data = toPcm(v);
    tuneTo(s, rate);
    return s;
}

// --- tonal instruments -------------------------------------------------------------------

// Bass: a plucked saw/square blend whose brightness falls over its first cycles, then one
// steady cycle loops.  Designed at C-2: one cycle is 512 samples there.
Sample bass() {
    const int period = 512;
    const double rate = kC4 * period;  // C-4 plays at this rate, C-2 at a quarter of it
    const double fundamental = kC4 / 4;
    std::vector<double> v;
    const int attackCycles = 10;
    for (int c = 0; c <= attackCycles + 1; ++c) {
        const double cutoff = 250.0 + 2200.0 * std::exp(-c * 0.55);  // Hz at C-2
        auto amp = [&](int n) {
            const double f = n * fundamental;
            const double saw = 1.0 / n;
            const double sq = (n % 2) ? 1.0 / n : 0.0;
            const double lp = 1.0 / (1.0 + std::pow(f / cutoff, 2.0));
            return (0.6 * saw + 0.5 * sq) * lp;
        };
        const std::vector<double> cyc = additiveCycles(period, 1, 60, amp, [](int) { return 0.0; });
        v.insert(v.end(), cyc.begin(), cyc.end());
    }
    // Sub sine under it.
    for (std::size_t i = 0; i < v.size(); ++i) v[i] += 0.55 * std::sin(2 * kPi * static_cast<double>(i) / period);
    Sample s;
    s.name = "bass";
    s.data = toPcm(v);
    s.loop = Loop::Forward;
    s.loopStart = static_cast<std::uint32_t>(period * attackCycles);
    s.loopLength = static_cast<std::uint32_t>(period);
    tuneTo(s, rate);
    return s;
}

// Pad: three saws detuned by whole cycles over one long loop (so the loop is seamless),
// softened above the fifth harmonic.  Designed at C-4.
Sample pad() {
    const int loopLen = 16384;  // 128 cycles at C-4
    const double rate = kC4 * 128;
    std::vector<double> v(static_cast<std::size_t>(loopLen), 0.0);
    const int cycles[3] = {128, 127, 129};
    const double gains[3] = {1.0, 0.8, 0.8};
    for (int k = 0; k < 3; ++k)
        for (int n = 1; n <= 24; ++n) {
            const double a = gains[k] / n / (1.0 + std::pow(n / 5.0, 2.0));
            const double ph = 0.7 * n * (k + 1);
            for (int i = 0; i < loopLen; ++i)
                v[static_cast<std::size_t>(i)] += a * std::sin(2 * kPi * cycles[k] * n * i / loopLen + ph);
        }
    Sample s;
    s.name = "pad";
    s.data = toPcm(v, 0.8);
    s.loop = Loop::Forward;
    s.loopStart = 0;
    s.loopLength = static_cast<std::uint32_t>(loopLen);
    tuneTo(s, rate);
    return s;
}

// Strings: a slowly breathing ensemble tone whose loop is played back and forth, so the
// evolving section never jumps.  Designed at C-4.
Sample strings() {
    const double rate = kC4 * 128;
    const int len = 24000;
    std::vector<double> v(static_cast<std::size_t>(len), 0.0);
    for (int voice = 0; voice < 4; ++voice) {
        const double detune = 1.0 + (voice - 1.5) * 0.0035;
        const double wobble = 0.9 + 0.37 * voice;  // Hz of the slow pitch drift
        double phase = voice * 1.3;
        for (int i = 0; i < len; ++i) {
            const double t = i / rate;
            const double f = kC4 * detune * (1.0 + 0.002 * std::sin(2 * kPi * wobble * t + voice));
            phase += 2 * kPi * f / rate;
            double x = 0;
            for (int n = 1; n <= 16; ++n) x += std::sin(n * phase) / n / (1.0 + std::pow(n / 4.0, 2.0));
            v[static_cast<std::size_t>(i)] += x;
        }
    }
    Sample s;
    s.name = "strings";
    s.data = toPcm(v, 0.8);
    s.loop = Loop::PingPong;
    s.loopStart = 6000;
    s.loopLength = static_cast<std::uint32_t>(len - 6000);
    tuneTo(s, rate);
    return s;
}

// Lead: a pulse with a touch of saw, bright but round.  Designed at C-5 (64 samples a cycle).
Sample lead() {
    const int period = 64;
    const double rate = kC4 * period * 2;  // C-4 plays at half speed: C-5 plays the data as written
    auto amp = [](int n) {
        const double duty = 0.32;
        const double pulse = std::sin(kPi * n * duty) / n;
        const double saw = 0.35 / n;
        return (pulse + saw) / (1.0 + std::pow(n / 9.0, 2.0));
    };
    const std::vector<double> v = additiveCycles(period, 4, 28, amp, [](int) { return 0.0; });
    Sample s;
    s.name = "lead";
    s.data = toPcm(v, 0.85);
    s.loop = Loop::Forward;
    s.loopStart = 0;
    s.loopLength = static_cast<std::uint32_t>(period * 4);
    tuneTo(s, rate / 2);
    return s;
}

// Pluck for the arpeggios: a hollow square, short; the envelope does the plucking.
Sample pluck() {
    const int period = 64;
    const double rate = kC4 * period * 2;
    auto amp = [](int n) { return (n % 2 ? 1.0 / n : 0.25 / n) / (1.0 + std::pow(n / 12.0, 2.0)); };
    const std::vector<double> v = additiveCycles(period, 2, 30, amp, [](int) { return 0.0; });
    Sample s;
    s.name = "pluck";
    s.data = toPcm(v, 0.85);
    s.loop = Loop::Forward;
    s.loopStart = 0;
    s.loopLength = static_cast<std::uint32_t>(period * 2);
    tuneTo(s, rate / 2);
    return s;
}

// Bell: two-operator frequency modulation with an inharmonic ratio, decaying; no loop.
Sample bell() {
    const double rate = 44100.0;  // designed at C-5
    const double f = kC4 * 2;
    const int n = static_cast<int>(1.6 * rate);
    std::vector<double> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = i / rate;
        const double index = 2.2 * std::exp(-t * 3.0);
        const double mod = index * std::sin(2 * kPi * f * 3.5 * t);
        v[static_cast<std::size_t>(i)] = (std::sin(2 * kPi * f * t + mod) * std::exp(-t * 2.6) +
                                          0.3 * std::sin(2 * kPi * f * 2 * t) * std::exp(-t * 5.0)) *
                                         std::min(1.0, t * 400.0);
    }
    Sample s;
    s.name = "bell";
    s.data = toPcm(v, 0.85);
    tuneTo(s, rate / 2);
    return s;
}

// Stab: root, fifth and octave of detuned saws through a closing filter: fits any chord root.
Sample stab() {
    const double rate = 44100.0;  // designed at C-4
    const int n = static_cast<int>(0.9 * rate);
    std::vector<double> v(static_cast<std::size_t>(n), 0.0);
    const double notes[4] = {1.0, 1.4983, 2.0, 0.5};
    double lpState = 0;
    for (int i = 0; i < n; ++i) {
        const double t = i / rate;
        double x = 0;
        for (double r : notes)
            for (double d : {0.997, 1.003}) {
                const double ph = std::fmod(kC4 * r * d * t, 1.0);
                x += (2.0 * ph - 1.0) * (r < 1 ? 0.9 : 0.5);
            }
        const double cutoff = 400.0 + 6000.0 * std::exp(-t * 7.0);
        lpState += (1.0 - std::exp(-2 * kPi * cutoff / rate)) * (x - lpState);
        v[static_cast<std::size_t>(i)] = lpState * std::exp(-t * 3.2) * std::min(1.0, t * 500.0);
    }
    Sample s;
    s.name = "stab";
    s.data = toPcm(v, 0.9);
    tuneTo(s, rate);
    return s;
}

// Riser: band-limited noise that loops; the patterns sweep it with portamento.
Sample riser() {
    const double rate = 22050.0;
    const int n = 16384;
    std::vector<double> v(static_cast<std::size_t>(n));
    Noise noise(9);
    OnePole lp(3000, rate), lp2(600, rate);
    for (int i = 0; i < 2000; ++i) lp(noise.next());  // settle the filters
    for (int i = 0; i < n; ++i) {
        const double x = noise.next();
        v[static_cast<std::size_t>(i)] = lp(x) - lp2(x);
    }
    // Cross-fade the ends so the forward loop has no click.
    const int fade = 1024;
    for (int i = 0; i < fade; ++i) {
        const double w = static_cast<double>(i) / fade;
        v[static_cast<std::size_t>(i)] = v[static_cast<std::size_t>(i)] * w +
                                         v[static_cast<std::size_t>(n - fade + i)] * (1 - w);
    }
    v.resize(static_cast<std::size_t>(n - fade));
    Sample s;
    s.name = "riser";
    s.data = toPcm(v, 0.8);
    s.loop = Loop::Forward;
    s.loopStart = 0;
    s.loopLength = static_cast<std::uint32_t>(v.size());
    tuneTo(s, rate);
    return s;
}

Instrument make(const char* name, Sample s, std::uint8_t volume, std::uint8_t panning) {
    Instrument ins;
    ins.name = name;
    s.volume = volume;
    s.panning = panning;
    ins.sample = std::move(s);
    return ins;
}

}  // namespace

// Pannings run from 0 (left) to 255 (right); envelopes swing to the right above 32.
std::vector<Instrument> buildInstruments() {
    std::vector<Instrument> list;
    list.push_back(make("kick", kick(), 64, 128));
    list.push_back(make("snare", snare(), 50, 135));
    list.push_back(make("hat closed", hat(0.09, 45.0, 3, "hat"), 30, 105));
    list.push_back(make("hat open", hat(0.45, 7.0, 4, "open hat"), 26, 105));
    list.push_back(make("crash", crash(), 40, 145));
    list.push_back(make("tom", tom(), 48, 128));

    Instrument b = make("bass", bass(), 52, 128);
    // Pluck then hold, released quickly by the fade-out when the note is let go.
    b.volumeEnvelope = env({{0, 64}, {6, 52}, {40, 44}, {80, 40}}, 2);
    b.fadeout = 1600;
    list.push_back(std::move(b));

    Instrument p = make("pad", pad(), 36, 128);
    // Slow swell, held while the key is down, long release.
    p.volumeEnvelope = env({{0, 0}, {30, 50}, {60, 64}, {120, 56}}, 3);
    p.panningEnvelope = env({{0, 32}, {48, 42}, {96, 22}, {144, 32}}, -1, 0, 3);
    p.fadeout = 1100;  // about a second after the key is let go
    list.push_back(std::move(p));

    Instrument st = make("strings", strings(), 40, 128);
    st.volumeEnvelope = env({{0, 0}, {20, 56}, {40, 64}}, 2);
    st.panningEnvelope = env({{0, 40}, {64, 24}, {128, 32}}, 2);
    st.fadeout = 900;
    st.vibratoType = 0;
    st.vibratoSweep = 80;
    st.vibratoDepth = 3;
    st.vibratoRate = 10;
    list.push_back(std::move(st));

    Instrument l = make("lead", lead(), 44, 128);
    l.volumeEnvelope = env({{0, 0}, {2, 64}, {10, 50}, {60, 44}}, 3);
    l.fadeout = 900;
    l.vibratoType = 0;  // sine; delayed by the sweep so short notes stay straight
    l.vibratoSweep = 48;
    l.vibratoDepth = 5;
    l.vibratoRate = 14;
    list.push_back(std::move(l));

    Instrument pl = make("pluck", pluck(), 40, 128);
    pl.volumeEnvelope = env({{0, 64}, {3, 40}, {10, 20}, {24, 8}, {40, 0}}, -1);
    pl.panningEnvelope = env({{0, 52}, {24, 12}, {48, 52}}, -1, 0, 2);  // sways right and left
    pl.fadeout = 2000;
    list.push_back(std::move(pl));

    Instrument be = make("bell", bell(), 40, 128);
    be.volumeEnvelope = env({{0, 64}, {40, 28}, {120, 0}}, -1);
    be.fadeout = 400;
    list.push_back(std::move(be));

    Instrument sb = make("stab", stab(), 46, 128);
    list.push_back(std::move(sb));

    Instrument r = make("riser", riser(), 36, 128);
    r.volumeEnvelope = env({{0, 10}, {192, 64}}, 1);
    r.fadeout = 2000;
    list.push_back(std::move(r));
    return list;
}

}  // namespace songgen
