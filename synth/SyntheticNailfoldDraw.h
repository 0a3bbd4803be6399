#pragma once
// Internal to the synthetic nailfold generator: its random numbers, smooth
// noise and the drawing of a laid-out scene. The layout (where loops go,
// how wide they are) lives in SyntheticNailfold.cpp, the pixels in
// SyntheticNailfoldDraw.cpp.
//
// Only integer arithmetic, + - * /, sqrt and the functions below decide the
// pixels, so the same seed gives the same bytes whatever the standard
// library or processor; we do not use <random> distributions, whose output
// is not fixed across versions, nor the C library's exp and sin.
#include <cstdint>
#include <vector>

#include "synth/SyntheticNailfold.h"

namespace ordavia {

// SplitMix64: tiny, fast, and good enough for picture statistics.
inline uint64_t synthMix(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

class SynthRandom {
public:
    // Independent streams of one seed: the stream number is mixed in so
    // that, say, the noise stream never repeats the layout stream.
    SynthRandom(uint64_t seed, uint64_t stream) : state_(synthMix(seed ^ synthMix(stream + 0x632BE59BD9B4E019ull))) {}
    uint64_t next() { return synthMix(state_ += 0x9E3779B97F4A7C15ull); }
    // [0, 1) with 53 random bits.
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    // 0 .. n - 1 (n > 0).
    int below(int n) { return static_cast<int>(uniform() * n); }
    // Approximately standard normal: the sum of four uniforms, scaled to unit
    // variance. Tails end at 3.5 sigma, which sensor noise never misses.
    double normal() {
        const double s = uniform() + uniform() + uniform() + uniform();
        return (s - 2.0) * 1.7320508075688772;
    }

private:
    uint64_t state_;
};

// exp and sin from + - * / only. The C library picks different code for
// different processors (with or without fused multiply-add), and a last-bit
// difference can flip a rounded pixel; these give the same bits everywhere
// and are accurate to about 1e-15, far more than a picture needs.
double synthExp(double x);
double synthSin(double x);
inline double synthCos(double x) { return synthSin(x + 1.5707963267948966); }

// Random streams of one seed.
enum SynthStream : uint64_t {
    kSynthLayout = 1,
    kSynthTexture = 2,
    kSynthNoise = 3,
    kSynthLoopBase = 1000,  // + loop index: per-loop details
};

// Smooth value noise in [-1, 1]: random values on the integer lattice
// blended with a quintic fade, so the field and its slope are continuous.
double synthNoise1(uint64_t key, double t);
double synthNoise2(uint64_t key, double x, double y);

// A tube drawn along a centre line in micrometres: per sample its position,
// half width and absorption (optical depth per micrometre of blood).
struct SynthTube {
    std::vector<double> u, v, halfWidth, absorption;
    void add(double uu, double vv, double hw, double k) {
        u.push_back(uu);
        v.push_back(vv);
        halfWidth.push_back(hw);
        absorption.push_back(k);
    }
    size_t size() const { return u.size(); }
};

// Everything the drawing needs besides the parameters.
struct SynthScene {
    double skinLevel = 170;  // grey level of lit skin before vignetting
    double nailGain = 1.12;  // nail plate brightness relative to skin
    // Nailfold edge depth (micrometres from the top) for every pixel column.
    std::vector<double> edgeV;
    std::vector<SynthTube> loops;   // blood columns of the capillary loops
    std::vector<SynthTube> plexus;  // deeper, out-of-focus veins
    uint64_t textureKey = 0;
    // Drawn with the loops when `haemorrhageInk`.
    std::vector<SyntheticNailfold::Truth::Haemorrhage> haemorrhages;
    bool haemorrhageInk = true;
};

// The nailfold edge depth in micrometres at position u (micrometres).
struct SynthEdge {
    double base = 60, amplitude1 = 8, amplitude2 = 3;
    uint64_t key = 0;
    double at(double u) const {
        return base + amplitude1 * synthNoise1(key, u / 350.0) + amplitude2 * synthNoise1(key + 1, u / 90.0);
    }
};

// Draws the scene into width x height bytes.
void synthDraw(const SyntheticNailfold::Params& p, const SynthScene& scene, std::vector<uint8_t>& out);

// Adds the tube's optical depth into `depth` (width x height floats),
// keeping the largest value where tubes overlap.
void synthDrawTube(const SynthTube& tube, double umPerPixelX, double umPerPixelY, int width, int height,
                   std::vector<float>& depth);

}  // namespace ordavia

namespace ordavia {

// Findings of an assessment (SyntheticNailfoldFindings.cpp). Positions in
// micrometres; the apex is the top of a loop's centre line.
//
// The buds of a ramified (bushy) loop: two or three small hairpins of the
// loop's own calibre that sprout from its cap and upper limbs.
void synthRamifiedBuds(SynthRandom& r, double apexU, double apexV, double spacing, double width, double absorption,
                       std::vector<SynthTube>& out);
// The coil of a bizarre loop: an irregular, swollen ring round its cap.
void synthBizarreCoil(SynthRandom& r, double apexU, double apexV, double spacing, double width, double absorption,
                      std::vector<SynthTube>& out);
// A haemorrhage just distal to the cap whose top lies at (apexU, capTopV),
// kept below `topV`.
SyntheticNailfold::Truth::Haemorrhage synthHaemorrhage(SynthRandom& r, double apexU, double capTopV, double topV,
                                                       double sx, double sy);
// Short faint streaks of skin texture between and below the loops of a row
// whose apexes lie about rowV deep, across [u0, u1].
void synthTextureFlecks(SynthRandom& r, int count, double u0, double u1, double rowV, std::vector<SynthTube>& out);
// Clutter in the gaps of a first row whose loops stand at `apexU` (sorted,
// micrometres) with apexes about rowV deep, `strength` 0..2: in every gap
// wider than about 200 micrometres deep vessels (wide, faint, reaching up
// to just below the apexes) and streaks of skin texture at the row's depth.
void synthGapClutter(SynthRandom& r, double strength, const std::vector<double>& apexU, double u0, double u1,
                     double rowV, std::vector<SynthTube>& out);

}  // namespace ordavia
