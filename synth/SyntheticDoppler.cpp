#include "synth/SyntheticDoppler.h"

#include <algorithm>
#include <cmath>

#include "base/JsonWriter.h"

namespace ordavia {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// xorshift with Box-Muller: the same recording from the same seed on every
// platform.
class Noise {
public:
    explicit Noise(uint32_t seed) : s_(0x9E3779B97F4A7C15ull ^ (uint64_t(seed) * 0xD1B54A32D192ED03ull)) { next(); }
    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    double gauss() {
        if (spare_) {
            spare_ = false;
            return kept_;
        }
        double u = 0;
        while (u <= 1e-300) u = uniform();
        const double r = std::sqrt(-2.0 * std::log(u)), a = kTwoPi * uniform();
        kept_ = r * std::sin(a);
        spare_ = true;
        return r * std::cos(a);
    }

private:
    uint64_t next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 7;
        s_ ^= s_ << 17;
        return s_;
    }
    uint64_t s_;
    bool spare_ = false;
    double kept_ = 0;
};

// One beat's shape from 0 (end-diastole) through 1 (systolic peak).
double beatShape(double phi) {
    if (phi < 0.12) return 0.5 - 0.5 * std::cos(M_PI * phi / 0.12);
    if (phi < 0.36) return 1.0 - 0.55 * (0.5 - 0.5 * std::cos(M_PI * (phi - 0.12) / 0.24));
    if (phi < 0.46) return 0.45 + 0.12 * std::sin(M_PI * (phi - 0.36) / 0.10);
    const double end = std::exp(-0.54 / 0.25);
    return 0.45 * (std::exp(-(phi - 0.46) / 0.25) - end) / (1.0 - end);
}

// A cell's share of the centre-line speed: most cells near the top.
double cellSpeed(Noise& n) {
    const double u = n.uniform();
    return 1.0 - 0.45 * u * u;
}

}  // namespace

std::string checkDopplerParams(const DopplerSynthParams& p) {
    if (!(p.seconds > 0 && p.seconds <= 600)) return "--seconds must be above 0 and at most 600";
    if (!(p.rate >= 1000 && p.rate <= 200000)) return "--rate must be 1000 to 200000 samples per second";
    if (!(p.heartRate >= 20 && p.heartRate <= 240)) return "--heart-rate must be 20 to 240 beats per minute";
    if (!(p.vmin >= 0 && p.vmax > p.vmin)) return "--vmax must be above --vmin, and --vmin not negative";
    if (!(p.vmax / p.velocityFactor < 0.45 * p.rate))
        return "--vmax is beyond the bandwidth of --rate (shift above 0.45 x rate)";
    if (!(p.noise >= 0 && p.noise <= 100)) return "--noise must be 0 to 100 (noise RMS over signal RMS)";
    if (!(p.floor >= 0 && p.floor <= 50)) return "--floor must be 0 to 50 (percent of full scale)";
    return {};
}

SyntheticDoppler synthesiseDoppler(const DopplerSynthParams& p) {
    SyntheticDoppler out;
    Noise rng(p.seed);
    const size_t count = size_t(std::llround(p.seconds * p.rate));
    const double dt = 1.0 / p.rate;

    // Beats: period and amplitude wander from beat to beat (breathing,
    // vasomotion); the waveform runs between each beat's own diastolic and
    // systolic levels, which change smoothly across the beat so that the
    // trace is continuous at every boundary.
    const double period = 60.0 / p.heartRate;
    std::vector<double> starts = {-rng.uniform() * period}, sys, dia;
    while (starts.back() < p.seconds) starts.push_back(starts.back() + period * (1.0 + 0.05 * rng.gauss()));
    for (size_t b = 0; b < starts.size(); ++b) {
        sys.push_back(p.vmax * (1.0 + 0.05 * std::clamp(rng.gauss(), -2.5, 2.5)));
        dia.push_back(p.vmin * (1.0 + 0.05 * std::clamp(rng.gauss(), -2.5, 2.5)));
    }
    size_t beat = 0;
    std::vector<double> v(count);
    for (size_t i = 0; i < count; ++i) {
        const double t = double(i) * dt;
        while (beat + 1 < starts.size() && starts[beat + 1] <= t) ++beat;
        const double len = starts[beat + 1] - starts[beat];
        const double phi = (t - starts[beat]) / len;
        const double d = dia[beat] + (dia[beat + 1 < dia.size() ? beat + 1 : beat] - dia[beat]) * phi;
        const double s = sys[beat];
        v[i] = d + (s - d) * beatShape(phi);
    }

    // Truth over the whole beats inside the recording.
    double vsum = 0.0;
    for (double x : v) vsum += x;
    out.truth.mean = count ? vsum / double(count) : 0.0;
    double sumS = 0.0, sumD = 0.0;
    for (size_t b = 0; b + 1 < starts.size(); ++b) {
        if (starts[b] < 0 || starts[b + 1] > p.seconds) continue;
        const size_t a = size_t(std::ceil(starts[b] * p.rate)), e = std::min(count, size_t(starts[b + 1] * p.rate));
        if (e <= a) continue;
        sumS += *std::max_element(v.begin() + long(a), v.begin() + long(e));
        sumD += *std::min_element(v.begin() + long(a), v.begin() + long(e));
        ++out.truth.beats;
    }
    if (out.truth.beats) {
        out.truth.systolic = sumS / out.truth.beats;
        out.truth.diastolic = sumD / out.truth.beats;
        out.truth.pi = (out.truth.systolic - out.truth.diastolic) / out.truth.mean;
        out.truth.ri = (out.truth.systolic - out.truth.diastolic) / out.truth.systolic;
    }
    const size_t step = size_t(std::max(1.0, std::round(p.rate / out.truth.velocityRate)));
    out.truth.velocityRate = p.rate / double(step);
    for (size_t i = 0; i < count; i += step) out.truth.velocity.push_back(v[i]);

    // The cells: a beat note each, its complex amplitude wandering as cells
    // cross the laser spot (about 10 um: 10 ms at 1 mm/s). Two smoothing
    // stages give the Gaussian-like transit broadening of a focused beam
    // rather than a Lorentzian's long tails. Now and then a new cell comes
    // at a new speed.
    constexpr int kCells = 48;
    constexpr int kUpdate = 16;
    constexpr double kSpotMm = 0.010;
    std::vector<double> share(kCells), phase(kCells), ar(kCells), ai(kCells), br(kCells), bi(kCells);
    for (int c = 0; c < kCells; ++c) {
        share[size_t(c)] = cellSpeed(rng);
        phase[size_t(c)] = kTwoPi * rng.uniform();
        br[size_t(c)] = ar[size_t(c)] = rng.gauss() * M_SQRT1_2;
        bi[size_t(c)] = ai[size_t(c)] = rng.gauss() * M_SQRT1_2;
    }
    // Each cell's mean power is 1: the band's RMS is sqrt(kCells / 2).
    const double gain = p.signalRms / std::sqrt(kCells * 0.5);
    const double lfRms = 0.7 * p.signalRms, lfPole = 0.995;
    const double lfKick = lfRms * std::sqrt(1.0 - lfPole * lfPole);
    double lf = lfRms * rng.gauss();
    // One draw for both white noises (their powers add), so that a floor of
    // 0 leaves every other recording as it was.
    const double floorRms = p.floor * 0.01 * 32768.0;
    const double signalNoise = p.noise * p.signalRms;
    const double white = p.floor > 0 ? std::hypot(signalNoise, floorRms) : signalNoise;
    out.samples.resize(count);
    for (size_t i = 0; i < count; ++i) {
        if (i % kUpdate == 0) {
            const double transit = std::clamp(kSpotMm / std::max(v[i], 1e-3), 0.002, 0.05);
            const double rho = std::exp(-kUpdate * dt / (0.5 * transit)), kick = std::sqrt(1.0 - rho * rho);
            for (int c = 0; c < kCells; ++c) {
                const size_t k = size_t(c);
                ar[k] = rho * ar[k] + kick * M_SQRT1_2 * rng.gauss();
                ai[k] = rho * ai[k] + kick * M_SQRT1_2 * rng.gauss();
                br[k] = rho * br[k] + (1.0 - rho) * ar[k] * 1.6;
                bi[k] = rho * bi[k] + (1.0 - rho) * ai[k] * 1.6;
                if (rng.uniform() < 0.002) share[k] = cellSpeed(rng);
            }
        }
        const double f0 = v[i] / p.velocityFactor;
        double x = 0.0;
        for (int c = 0; c < kCells; ++c) {
            double& ph = phase[size_t(c)];
            ph += kTwoPi * share[size_t(c)] * f0 * dt;
            if (ph > kTwoPi) ph -= kTwoPi;
            x += br[size_t(c)] * std::cos(ph) - bi[size_t(c)] * std::sin(ph);
        }
        lf = lfPole * lf + lfKick * rng.gauss();
        const double y = 200.0 + gain * x + lf + white * rng.gauss();
        out.samples[i] = int16_t(std::lround(std::clamp(y, -32768.0, 32767.0)));
    }
    return out;
}

std::string dopplerTruthJson(const DopplerSynthParams& p, const DopplerTruth& t) {
    JsonWriter j;
    j.beginObject();
    j.field("seconds", p.seconds).field("rate", p.rate).field("heart_rate", p.heartRate);
    j.field("vmax", p.vmax).field("vmin", p.vmin).field("noise", p.noise).field("floor", p.floor);
    j.field("velocity_factor", p.velocityFactor).field("seed", double(p.seed));
    j.field("mean", t.mean).field("systolic", t.systolic).field("diastolic", t.diastolic);
    j.field("pi", t.pi).field("ri", t.ri).field("beats", t.beats);
    j.field("velocity_rate", t.velocityRate);
    j.key("velocity").beginArray();
    for (double x : t.velocity) j.value(x);
    j.endArray();
    j.endObject();
    return j.str();
}

}  // namespace ordavia
