// Videocapillaroscope look for the synthetic nailfold, and the truth of a
// counting line. See SyntheticCapillaroscope.h.
#include "synth/SyntheticCapillaroscope.h"

#include <algorithm>
#include <cmath>

#include "base/JsonWriter.h"
#include "base/Text.h"
#include "image/CZVimage.h"
#include "synth/SyntheticNailfoldDraw.h"

namespace ordavia {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr uint64_t kLookStream = 7000;

// Natural logarithm from + - * / and frexp (exact): the series of atanh
// after reducing to [0.707, 1.414]; deterministic like synthExp.
double synthLog(double x) {
    if (!(x > 0)) return -745.0;
    int e = 0;
    double m = std::frexp(x, &e);  // 0.5 <= m < 1
    if (m < 0.7071067811865476) {
        m *= 2;
        --e;
    }
    const double s = (m - 1) / (m + 1), s2 = s * s;
    double term = s, sum = 0;
    for (int k = 0; k < 14; ++k) {
        sum += term / (2 * k + 1);
        term *= s2;
    }
    return 2 * sum + e * 0.6931471805599453;
}

// Blocks of 8 x 8 through a DCT, quantised with the tables JPEG encoders
// use at the given quality, and back: the ringing and blocking of a
// compressed frame.
class BlockCodec {
public:
    explicit BlockCodec(int quality) {
        static const int kLuma[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                      14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                      18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                      49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
        static const int kChroma[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                        24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                        99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                        99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
        const int q = std::clamp(quality, 1, 100);
        const int scale = q < 50 ? 5000 / q : 200 - 2 * q;
        for (int i = 0; i < 64; ++i) {
            luma_[i] = std::clamp((kLuma[i] * scale + 50) / 100, 1, 255);
            chroma_[i] = std::clamp((kChroma[i] * scale + 50) / 100, 1, 255);
        }
        for (int u = 0; u < 8; ++u)
            for (int x = 0; x < 8; ++x)
                cos_[u][x] = (u == 0 ? 0.3535533905932738 : 0.5) * synthCos((2 * x + 1) * u * kPi / 16);
    }

    // One plane (w x h doubles, level-shifted inside), in place.
    void run(std::vector<double>& plane, int w, int h, bool chroma) const {
        const int* table = chroma ? chroma_ : luma_;
        double blk[8][8], tmp[8][8];
        for (int by = 0; by < h; by += 8)
            for (int bx = 0; bx < w; bx += 8) {
                for (int y = 0; y < 8; ++y)
                    for (int x = 0; x < 8; ++x) {
                        const int yy = std::min(by + y, h - 1), xx = std::min(bx + x, w - 1);
                        blk[y][x] = plane[static_cast<size_t>(yy) * static_cast<size_t>(w) + static_cast<size_t>(xx)] - 128;
                    }
                transform(blk, tmp, true);
                for (int v = 0; v < 8; ++v)
                    for (int u = 0; u < 8; ++u) {
                        const double qv = table[v * 8 + u];
                        blk[v][u] = std::floor(blk[v][u] / qv + 0.5) * qv;
                    }
                transform(blk, tmp, false);
                for (int y = 0; y < 8 && by + y < h; ++y)
                    for (int x = 0; x < 8 && bx + x < w; ++x)
                        plane[static_cast<size_t>(by + y) * static_cast<size_t>(w) + static_cast<size_t>(bx + x)] =
                            blk[y][x] + 128;
            }
    }

private:
    void transform(double (&b)[8][8], double (&t)[8][8], bool forward) const {
        for (int y = 0; y < 8; ++y)
            for (int u = 0; u < 8; ++u) {
                double s = 0;
                for (int x = 0; x < 8; ++x) s += forward ? cos_[u][x] * b[y][x] : cos_[x][u] * b[y][x];
                t[y][u] = s;
            }
        for (int u = 0; u < 8; ++u)
            for (int v = 0; v < 8; ++v) {
                double s = 0;
                for (int y = 0; y < 8; ++y) s += forward ? cos_[v][y] * t[y][u] : cos_[y][v] * t[y][u];
                b[v][u] = s;
            }
    }

    int luma_[64], chroma_[64];
    double cos_[8][8];
};

double clamp255(double v) { return std::clamp(std::floor(v + 0.5), 0.0, 255.0); }

struct Spot {
    double u, v, ru, rv, amount;
};

// Sensor noise of standard deviation look.noise per pixel, smoothed by
// passes of the [1 2 1] / 4 kernel both ways (k passes: sigma sqrt(k / 2))
// and scaled back so that the deviation stays what was asked.
void smoothNoise(uint64_t seed, const CapillaroscopeLook& look, int w, int h, std::vector<double> (&plane)[3]) {
    SynthRandom noise(seed, kLookStream + 1);
    const int passes = static_cast<int>(std::lround(2 * look.noiseGrain * look.noiseGrain));
    // Sum of squares of the kernel after `passes` passes, in one direction.
    std::vector<double> k{1.0};
    for (int i = 0; i < passes; ++i) {
        std::vector<double> next(k.size() + 2, 0.0);
        for (size_t j = 0; j < k.size(); ++j) {
            next[j] += 0.25 * k[j];
            next[j + 1] += 0.5 * k[j];
            next[j + 2] += 0.25 * k[j];
        }
        k.swap(next);
    }
    double sq = 0;
    for (double v : k) sq += v * v;
    const double gain = look.noise / sq;  // two directions: the deviation falls by sq
    std::vector<double> tmp;
    for (auto& pl : plane) {
        for (double& v : pl) v = look.noise > 0 ? noise.normal() : 0.0;
        for (int pass = 0; pass < passes; ++pass) {
            tmp = pl;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const size_t i = static_cast<size_t>(y) * static_cast<size_t>(w);
                    const int xl = std::max(0, x - 1), xr = std::min(w - 1, x + 1);
                    pl[i + static_cast<size_t>(x)] = 0.25 * tmp[i + static_cast<size_t>(xl)] + 0.5 * tmp[i + static_cast<size_t>(x)] +
                                                     0.25 * tmp[i + static_cast<size_t>(xr)];
                }
            tmp = pl;
            for (int y = 0; y < h; ++y) {
                const size_t up = static_cast<size_t>(std::max(0, y - 1)) * static_cast<size_t>(w);
                const size_t c = static_cast<size_t>(y) * static_cast<size_t>(w);
                const size_t dn = static_cast<size_t>(std::min(h - 1, y + 1)) * static_cast<size_t>(w);
                for (int x = 0; x < w; ++x)
                    pl[c + static_cast<size_t>(x)] = 0.25 * tmp[up + static_cast<size_t>(x)] + 0.5 * tmp[c + static_cast<size_t>(x)] +
                                                     0.25 * tmp[dn + static_cast<size_t>(x)];
            }
        }
        for (double& v : pl) v *= gain;
    }
}

}  // namespace

bool applyCapillaroscopeCondition(const std::string& name, SyntheticNailfold::Params& p, CapillaroscopeLook& look,
                                  bool keepLoops) {
    if (name != "typical" && name != "hard") return false;
    p.width = 1280;
    p.height = 1024;
    p.umPerPixelX = p.umPerPixelY = 2.6;
    p.nailDepth = 0.25;
    p.mayOverlap = true;
    look = CapillaroscopeLook{};
    if (!keepLoops) {
        // People differ: 5 to 9 loops per millimetre of the row.
        SynthRandom r(p.seed, kLookStream + 2);
        p.loops = static_cast<int>(std::lround(p.width * p.umPerPixelX / 1000 * r.range(5, 9)));
    }
    if (name == "typical") {
        // Optics and the oblique limbs make dips of about 18 pixels.
        p.blurSigma = 3.5;
        p.maxTilt = 0.35;
        p.darknessSpread = 0.4;
        p.tortuousFraction = 0.2;
        p.plexus = 0.5;
        look.contrast = 0.24;
        look.unevenness = 0.5;
        look.gradient = 0.35;
        look.glare = 0.4;
        look.dust = 0.5;
        look.noise = 1.6;
        look.noiseGrain = 0.5;
        look.green = 135;
        look.texture = 0.35;
        look.jpegQuality = 85;
    } else {
        // Out of focus and faint: dips 80-120 micrometres wide that darken
        // the picture by 1-2 %, under strongly uneven light.
        p.blurSigma = 11;
        p.maxTilt = 0.5;
        p.darknessSpread = 0.5;
        p.tortuousFraction = 0.5;
        p.plexus = 1.2;
        p.secondRow = true;
        if (!keepLoops) {
            // A second row takes a third of the loops and wider slots.
            p.loops = std::min(p.loops, static_cast<int>((p.width * p.umPerPixelX - 16) / 100));
            p.loops += p.loops / 2;
        }
        look.contrast = 0.38;
        look.unevenness = 0.7;
        look.gradient = 0.7;
        look.glare = 1.0;
        look.dust = 1.0;
        look.noise = 1.2;
        look.noiseGrain = 0.5;
        look.green = 95;
        look.texture = 0.3;
        look.jpegQuality = 75;
    }
    return true;
}

ordavia::Status CapillaroscopeLook::validate() const {
    const auto outside = [](std::string why) {
        return ordavia::Status::failure(ordavia::StatusCode::OutOfRange, std::move(why));
    };
    if (!(contrast >= 0.01 && contrast <= 1.5)) return outside("contrast must lie between 0.01 and 1.5");
    if (!(texture >= 0 && texture <= 2)) return outside("texture must lie between 0 and 2");
    if (!(unevenness >= 0 && unevenness <= 1)) return outside("unevenness must lie between 0 and 1");
    if (!(gradient >= 0 && gradient <= 0.8)) return outside("lighting gradient must lie between 0 and 0.8");
    if (!(glare >= 0 && glare <= 2)) return outside("glare must lie between 0 and 2");
    if (!(dust >= 0 && dust <= 2)) return outside("dust must lie between 0 and 2");
    if (!(noise >= 0 && noise <= 50)) return outside("noise must lie between 0 and 50 grey levels");
    if (!(noiseGrain >= 0 && noiseGrain <= 3)) return outside("noise grain must lie between 0 and 3 pixels");
    if (green != 0 && !(green >= 20 && green <= 240)) return outside("the green level must be 0 or lie between 20 and 240");
    if (jpegQuality != 0 && (jpegQuality < 5 || jpegQuality > 100)) return outside("JPEG quality must be 0 or 5..100");
    return ordavia::Status::success();
}

Status generateCapillaroscope(const SyntheticNailfold::Params& p, const CapillaroscopeLook& look, CZVimage& image,
                              SyntheticNailfold::Truth& truth) {
    if (const Status valid = look.validate(); !valid) return valid;
    // The grey drawing gives transmission through blood and skin texture;
    // lighting, noise and vignetting are ours.
    SyntheticNailfold::Params q = p;
    q.noiseSigma = 0;
    q.vignetting = 0;
    q.haemorrhageInk = false;  // drawn below in their own colour
    std::vector<uint8_t> grey;
    if (Status drawn = SyntheticNailfold::generate(q, grey, truth); !drawn) return drawn;
    // The same scene without its loops: the skin texture alone, so that the
    // vessels' contrast can be set apart from the texture's (a faint
    // vessel does not make the skin around it smoother).
    std::vector<uint8_t> bare;
    {
        SyntheticNailfold::Params b = q;
        b.loops = 0;
        b.giantLoops = 0;
        b.dilatedLoops = b.ramifiedLoops = b.bizarreLoops = b.avascularGaps = b.haemorrhages = 0;
        b.disorder = 0;
        SyntheticNailfold::Truth none;
        if (Status drawn = SyntheticNailfold::generate(b, bare, none); !drawn) return drawn;
    }

    const int w = p.width, h = p.height;
    const double sx = p.umPerPixelX, sy = p.umPerPixelY;
    const double wUm = w * sx, hUm = h * sy;
    SynthRandom r(p.seed, kLookStream);
    // Skin under the capillaroscope's white light: a little more red than
    // green, blue about as green (real frames average 134, 119, 115).
    const double g0 = look.green > 0 ? look.green * r.range(0.88, 1.12) : r.range(105, 150);
    const double base[3] = {std::min(250.0, g0 * r.range(1.08, 1.22)), g0, g0 * r.range(0.9, 1.02)};  // red, green, blue
    // How strongly blood darkens each channel relative to green.
    const double absorb[3] = {r.range(0.15, 0.3), 1.0, r.range(0.5, 0.7)};
    const double rampAngle = r.range(0, 2 * kPi);
    const double ru = synthCos(rampAngle), rv = synthSin(rampAngle);
    const uint64_t key = r.next();

    std::vector<Spot> glare, dust;
    const int nGlare = static_cast<int>(std::lround(look.glare * r.range(1.5, 4)));
    for (int i = 0; i < nGlare; ++i) {
        // Gel reflections gather along the nailfold edge; some lie anywhere.
        const double u = r.range(0, wUm);
        const double edgeV = truth.nailEdge.empty() ? hUm * 0.1 : truth.nailEdge[static_cast<size_t>(
            std::min<double>(truth.nailEdge.size() - 1, u / wUm * truth.nailEdge.size()))].y * sy;
        const double v = r.uniform() < 0.5 ? edgeV + r.range(-30, 120) : r.range(0, hUm);
        const double size = r.range(15, 80);
        glare.push_back({u, v, size * r.range(0.6, 1.6), size * r.range(0.4, 1.0), look.glare * r.range(40, 140)});
    }
    const int nDust = static_cast<int>(std::lround(look.dust * r.range(5, 15)));
    for (int i = 0; i < nDust; ++i) {
        const double size = r.range(2, 9);
        dust.push_back({r.range(0, wUm), r.range(0, hUm), size, size * r.range(0.6, 1.0), r.range(0.25, 0.6)});
    }
    const double haze = look.glare * r.range(5, 20);
    const double soft = std::max(2.0, 1.2 * p.blurSigma * sx);
    static constexpr double kHaemAbsorb[3] = {0.8, 1.0, 0.95};

    std::vector<double> plane[3];
    for (auto& pl : plane) pl.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    smoothNoise(p.seed, look, w, h, plane);
    const double cx = wUm / 2, cy = hUm / 2, diag = std::sqrt(cx * cx + cy * cy);
    for (int y = 0; y < h; ++y) {
        const double v = y * sy;
        for (int x = 0; x < w; ++x) {
            const double u = x * sx;
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
            const double ramp = ((u - cx) * ru + (v - cy) * rv) / diag;  // -1 .. 1
            const double d2 = ((u - cx) * (u - cx) + (v - cy) * (v - cy)) / (diag * diag);
            const double light = (1 - look.gradient * (ramp + 1) / 2) * (1 + 0.12 * synthNoise2(key, u / 500, v / 500)) *
                                 (1 - 0.35 * d2);
            const double c = look.contrast *
                              std::clamp(1 + 0.9 * look.unevenness * synthNoise2(key + 1, u / 450, v / 450), 0.15, 2.0);
            const double lnBare = synthLog(std::max(1.0, double(bare[i])) / 170.0);
            const double lnT = synthLog(std::max(1.0, double(grey[i])) / std::max(1.0, double(bare[i])));
            const double skin = synthExp(look.texture * lnBare);
            double add = haze, mul = 1;
            for (const Spot& s : glare) {
                const double du = (u - s.u) / s.ru, dv = (v - s.v) / s.rv, e = du * du + dv * dv;
                if (e < 9) add += s.amount * synthExp(-e);
            }
            for (const Spot& s : dust) {
                const double du = (u - s.u) / s.ru, dv = (v - s.v) / s.rv, e = du * du + dv * dv;
                if (e < 9) mul *= 1 - s.amount * synthExp(-e);
            }
            // Haemorrhages: old blood, brown-black, darkens red nearly as
            // much as green where fresh blood in a vessel leaves red light.
            double lnH = 0;
            for (const auto& hm : truth.haemorrhages) lnH -= 0.5 * hm.depthAt(u, v, sx, sy, soft);
            for (int ch = 0; ch < 3; ++ch)
                plane[ch][i] += base[ch] * light * skin * mul * synthExp(absorb[ch] * c * lnT + kHaemAbsorb[ch] * c * lnH) + add;
        }
    }

    CZVimage img(w, h, -1, CZVimage::kFrame, look.colour ? CZVimage::kColour : CZVimage::kGrey);
    if (img.isEmpty()) return Status::failure(StatusCode::NoMemory, "out of memory for the picture");
    const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
    if (look.colour) {
        // YCbCr with the chroma at half resolution, as cameras store it.
        std::vector<double> Y(n), cb, cr;
        const int cw = (w + 1) / 2, chh = (h + 1) / 2;
        cb.assign(static_cast<size_t>(cw) * static_cast<size_t>(chh), 0);
        cr = cb;
        for (size_t i = 0; i < n; ++i) {
            const double R = clamp255(plane[0][i]), G = clamp255(plane[1][i]), B = clamp255(plane[2][i]);
            Y[i] = 0.299 * R + 0.587 * G + 0.114 * B;
            const size_t j = static_cast<size_t>((i / static_cast<size_t>(w)) / 2) * static_cast<size_t>(cw) +
                             (i % static_cast<size_t>(w)) / 2;
            cb[j] += 0.25 * (128 - 0.168736 * R - 0.331264 * G + 0.5 * B);
            cr[j] += 0.25 * (128 + 0.5 * R - 0.418688 * G - 0.081312 * B);
        }
        // Edge blocks of odd sizes got fewer than four samples; scale them up.
        if (w % 2 || h % 2)
            for (int yy = 0; yy < chh; ++yy)
                for (int xx = 0; xx < cw; ++xx) {
                    const int k = (2 * xx + 1 < w ? 2 : 1) * (2 * yy + 1 < h ? 2 : 1);
                    const size_t j = static_cast<size_t>(yy) * static_cast<size_t>(cw) + static_cast<size_t>(xx);
                    cb[j] *= 4.0 / k;
                    cr[j] *= 4.0 / k;
                }
        if (look.jpegQuality > 0) {
            const BlockCodec codec(look.jpegQuality);
            codec.run(Y, w, h, false);
            codec.run(cb, cw, chh, true);
            codec.run(cr, cw, chh, true);
        }
        for (int y = 0; y < h; ++y) {
            uint8_t* row = img.row(y);
            for (int x = 0; x < w; ++x) {
                const size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
                const size_t j = static_cast<size_t>(y / 2) * static_cast<size_t>(cw) + static_cast<size_t>(x / 2);
                const double Cb = cb[j] - 128, Cr = cr[j] - 128;
                row[3 * x + 0] = static_cast<uint8_t>(clamp255(Y[i] + 1.772 * Cb));
                row[3 * x + 1] = static_cast<uint8_t>(clamp255(Y[i] - 0.344136 * Cb - 0.714136 * Cr));
                row[3 * x + 2] = static_cast<uint8_t>(clamp255(Y[i] + 1.402 * Cr));
            }
        }
    } else {
        std::vector<double> Y(n);
        for (size_t i = 0; i < n; ++i)
            Y[i] = clamp255(0.299 * plane[0][i] + 0.587 * plane[1][i] + 0.114 * plane[2][i]);
        if (look.jpegQuality > 0) BlockCodec(look.jpegQuality).run(Y, w, h, false);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.row(y)[x] = static_cast<uint8_t>(clamp255(Y[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)]));
    }
    image = std::move(img);
    return Status::success();
}

CountLineTruth countLineTruth(const SyntheticNailfold::Truth& truth, SyntheticNailfold::Point a,
                              SyntheticNailfold::Point b) {
    CountLineTruth t;
    t.a = a;
    t.b = b;
    const double ex = b.x - a.x, ey = b.y - a.y;
    struct Hit {
        double along;
        SyntheticNailfold::Point at;
    };
    std::vector<Hit> hits;
    for (const SyntheticNailfold::Loop& L : truth.loops) {
        double sum = 0, lo = 2, hi = -1;
        for (size_t i = 0; i + 1 < L.centreLine.size(); ++i) {
            const auto& p = L.centreLine[i];
            const auto& q = L.centreLine[i + 1];
            const double fx = q.x - p.x, fy = q.y - p.y;
            const double den = ex * fy - ey * fx;
            if (den == 0) continue;
            const double s = ((p.x - a.x) * fy - (p.y - a.y) * fx) / den;  // along a-b
            const double u = ((p.x - a.x) * ey - (p.y - a.y) * ex) / den;  // along p-q
            if (s < 0 || s > 1 || u < 0 || u >= 1) continue;
            lo = std::min(lo, s);
            hi = std::max(hi, s);
            sum += 1;
        }
        if (sum == 0) continue;
        const double mid = (lo + hi) / 2;
        hits.push_back({mid, {a.x + mid * ex, a.y + mid * ey}});
    }
    std::sort(hits.begin(), hits.end(), [](const Hit& x, const Hit& y) { return x.along < y.along; });
    for (const Hit& hit : hits) t.crossings.push_back(hit.at);
    t.count = static_cast<int>(t.crossings.size());
    return t;
}

CountLineTruth distalRowLine(const SyntheticNailfold::Truth& truth, double centreX, double lengthUm, double belowApexUm) {
    const double half = lengthUm / truth.umPerPixelX / 2;
    std::vector<double> apexY;
    for (const auto& L : truth.loops)
        if (L.row == 0 && L.apex.x >= centreX - half && L.apex.x <= centreX + half) apexY.push_back(L.apex.y);
    if (apexY.empty())
        for (const auto& L : truth.loops)
            if (L.row == 0) apexY.push_back(L.apex.y);
    double y = truth.height / 3.0;
    if (!apexY.empty()) {
        std::sort(apexY.begin(), apexY.end());
        y = apexY[apexY.size() / 2] + belowApexUm / truth.umPerPixelY;
    }
    return countLineTruth(truth, {centreX - half, y}, {centreX + half, y});
}

std::string countLineJson(const CountLineTruth& t) {
    auto r2 = [](double v) { return std::round(v * 100) / 100; };
    JsonWriter j(false);
    j.beginObject();
    j.key("line").beginArray().value(r2(t.a.x)).value(r2(t.a.y)).value(r2(t.b.x)).value(r2(t.b.y)).endArray();
    j.field("count", t.count);
    j.key("crossings").beginArray();
    for (const auto& c : t.crossings) j.beginArray().value(r2(c.x)).value(r2(c.y)).endArray();
    j.endArray();
    j.endObject();
    return j.str();
}

}  // namespace ordavia
