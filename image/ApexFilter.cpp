#include "image/ApexFilter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "image/CZVimage.h"
#include "image/GreyRegion.h"
#include "image/KernelSet.h"
#include "image/ProcessingArgs.h"

namespace ordavia {

namespace {

// The default bowl (29 wide) sums to about a fifth of its spread below
// zero: the level outside the bowl weighs less than the bowl, so a dark
// apex lowers S x (apexfactor / N) and comes out dark. Narrower templates
// hold relatively more of the outer level, and below 11 pixels the sum
// turns positive (a dark apex then comes out bright; near 10 pixels N
// passes through zero and the output saturates). Such templates are
// lowered by the least whole number that brings them to the same
// proportion, which keeps the default and every wider template unchanged.
constexpr double kApexSumRatio = -0.2;

double apexTap(const ProcessingArgs& a, double denom, int dx, int dy) {
    const double lim = double(std::numeric_limits<int>::max());
    const double v = std::trunc(a.gpeak - a.ggain * std::exp(-double(dx * dx + dy * dy) / denom));
    return v > lim ? lim : (v < -lim ? -lim : v);
}

// How far to lower every tap of the full template (0 for a sound one).
int64_t apexLowering(const ProcessingArgs& a, double denom, int h) {
    if (!(a.ggain > 0.0)) return 0;  // no bowl, or a bright one: nothing to invert
    // One eighth of the square with the multiplicity of each tap.
    auto visit = [&](auto&& f) {
        for (int dy = 0; dy <= h; ++dy)
            for (int dx = 0; dx <= dy; ++dx) f(apexTap(a, denom, dx, dy), dy == 0 ? 1 : (dx == 0 || dx == dy ? 4 : 8));
    };
    const double count = double(2 * h + 1) * double(2 * h + 1);
    double n = 0.0;
    visit([&](double v, int mult) { n += v * mult; });
    const double mean = n / count;
    double spread = 0.0;
    visit([&](double v, int mult) { spread += std::fabs(v - mean) * mult; });
    const double excess = n - kApexSumRatio * spread;
    if (!(excess > 0.0)) return 0;
    return int64_t(std::ceil(excess / count));
}

}  // namespace

ApexTemplate makeApexTemplate(const ProcessingArgs& a, int maxHalf) {
    ApexTemplate t;
    const int full = a.apexw / 2;
    const double spread = a.stddev * full;
    if (full < 1 || full > kApexMaxHalf || !(spread > 0.0) || !std::isfinite(spread) || !std::isfinite(a.gpeak) ||
        !std::isfinite(a.ggain))
        return t;
    // Offsets beyond the region never fall inside it, so a template wider
    // than the region is stored only as far as it can be used; the bowl's
    // shape and level still follow the full width.
    const int h = maxHalf >= 1 && maxHalf < full ? maxHalf : full;
    t.half = h;
    const int s = 2 * h + 1;
    t.taps.resize(size_t(s) * size_t(s));
    const double denom = 2.0 * spread * spread;
    const double lower = double(apexLowering(a, denom, full));
    const double lim = double(std::numeric_limits<int>::max());
    for (int dy = -h; dy <= h; ++dy)
        for (int dx = -h; dx <= h; ++dx) {
            const double v = std::max(-lim, apexTap(a, denom, dx, dy) - lower);
            t.taps[size_t((dy + h) * s + (dx + h))] = static_cast<int>(v);
        }
    return t;
}

namespace {

// Rows are worked in blocks of this many pixels with the buffers padded to
// match, so that the inner loops have a fixed trip count and compile to
// vector code without run-time checks.
constexpr int kBlock = 16;

inline int roundUp(int v) { return (v + kBlock - 1) / kBlock * kBlock; }

template <class Acc>
inline void macBlocks(Acc* __restrict o, const Acc* __restrict f, Acc c, int blocks) {
    for (int b = 0; b < blocks; ++b, o += kBlock, f += kBlock)
        for (int l = 0; l < kBlock; ++l) o[l] += c * f[l];
}

template <class Acc>
inline void macPairBlocks(Acc* __restrict o, const Acc* __restrict f1, const Acc* __restrict f2, Acc c, int blocks) {
    for (int b = 0; b < blocks; ++b, o += kBlock, f1 += kBlock, f2 += kBlock)
        for (int l = 0; l < kBlock; ++l) o[l] += c * (f1[l] + f2[l]);
}

// S for every pixel: with the source zero-padded by h on every side, the
// cut template's sum is the plain correlation. The template is symmetric
// in dx and in dy, so mirrored rows are added first and mirrored columns
// next, leaving a quarter of the multiplications.
template <class Acc>
void correlate(const GreyRegion& r, const ApexTemplate& t, const ProcessingArgs& a) {
    const int h = t.half, w = r.width, H = r.height;
    const int wB = roundUp(w), blocks = wB / kBlock;
    const int pw = roundUp(wB + 2 * h), ph = H + 2 * h;
    std::vector<Acc> pad(size_t(pw) * size_t(ph), 0);
    for (int y = 0; y < H; ++y) {
        const uint8_t* s = r.row(y);
        Acc* d = pad.data() + size_t(y + h) * size_t(pw) + h;
        for (int x = 0; x < w; ++x) d[x] = s[x];
    }
    // Prefix sums of the template for N over the cut part.
    const int ts = t.size();
    std::vector<int64_t> pre(size_t(ts + 1) * size_t(ts + 1), 0);
    for (int i = 0; i < ts; ++i)
        for (int j = 0; j < ts; ++j)
            pre[size_t(i + 1) * size_t(ts + 1) + size_t(j + 1)] = t.taps[size_t(i) * size_t(ts) + size_t(j)] +
                                                                   pre[size_t(i) * size_t(ts + 1) + size_t(j + 1)] +
                                                                   pre[size_t(i + 1) * size_t(ts + 1) + size_t(j)] -
                                                                   pre[size_t(i) * size_t(ts + 1) + size_t(j)];
    auto rectSum = [&](int x0, int y0, int x1, int y1) {  // template indexes, inclusive
        const size_t W = size_t(ts + 1);
        return pre[size_t(y1 + 1) * W + size_t(x1 + 1)] - pre[size_t(y0) * W + size_t(x1 + 1)] -
               pre[size_t(y1 + 1) * W + size_t(x0)] + pre[size_t(y0) * W + size_t(x0)];
    };

    std::vector<Acc> acc(static_cast<size_t>(wB)), fold(static_cast<size_t>(pw));
    std::vector<int> x0s(static_cast<size_t>(w)), x1s(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x) {
        x0s[size_t(x)] = (x - h < 0 ? -x : -h) + h;
        x1s[size_t(x)] = (x + h > w - 1 ? w - 1 - x : h) + h;
    }
    const double factor = a.apexfactor, offset = a.apexoffset;
    for (int y = 0; y < H; ++y) {
        std::fill(acc.begin(), acc.end(), Acc(0));
        for (int dy = 0; dy <= h; ++dy) {
            const Acc* up = pad.data() + size_t(y + h - dy) * size_t(pw);
            const Acc* dn = pad.data() + size_t(y + h + dy) * size_t(pw);
            Acc* f = fold.data();
            if (dy == 0)
                for (int i = 0; i < pw; ++i) f[i] = up[i];
            else
                for (int i = 0; i < pw; ++i) f[i] = up[i] + dn[i];
            const int* trow = t.taps.data() + size_t(h + dy) * size_t(ts) + h;  // T(0..h, dy)
            Acc* o = acc.data();
            macBlocks<Acc>(o, f + h, Acc(trow[0]), blocks);
            for (int dx = 1; dx <= h; ++dx) macPairBlocks<Acc>(o, f + h + dx, f + h - dx, Acc(trow[dx]), blocks);
        }
        const int y0 = (y - h < 0 ? -y : -h) + h;
        const int y1 = (y + h > H - 1 ? H - 1 - y : h) + h;
        uint8_t* d = r.row(y);
        int64_t lastN = 0;
        double q = 0.0;
        bool haveQ = false;
        for (int x = 0; x < w; ++x) {
            const int64_t n = rectSum(x0s[size_t(x)], y0, x1s[size_t(x)], y1);
            double v;
            if (n == 0) {
                // The cut template sums to nothing: no match to scale, so
                // the output rests at the offset.
                v = std::trunc(offset);
            } else {
                if (!haveQ || n != lastN) {
                    q = factor / double(n);
                    lastN = n;
                    haveQ = true;
                }
                v = std::trunc(double(acc[size_t(x)]) * q + offset);
            }
            d[x] = !(v > 0.0) ? 0 : (v >= 255.0 ? 255 : static_cast<uint8_t>(v));
        }
    }
}

// The same sums with 16-bit taps through the vector kernels, row by row,
// and the output worked over whole rows: N (and with it the scale) changes
// only near the edges, so each row takes its scales from a table.
void correlateFast(const GreyRegion& r, const ApexTemplate& t, const ProcessingArgs& a) {
    const int h = t.half, w = r.width, H = r.height, ts = t.size();
    std::vector<uint8_t> src(size_t(w) * size_t(H));
    for (int y = 0; y < H; ++y) std::memcpy(src.data() + size_t(y) * size_t(w), r.row(y), size_t(w));
    std::vector<int16_t> taps(t.taps.size());
    for (size_t i = 0; i < taps.size(); ++i) taps[i] = static_cast<int16_t>(t.taps[i]);
    std::vector<int64_t> pre(size_t(ts + 1) * size_t(ts + 1), 0);
    const size_t P = size_t(ts + 1);
    for (int i = 0; i < ts; ++i)
        for (int j = 0; j < ts; ++j)
            pre[size_t(i + 1) * P + size_t(j + 1)] = t.taps[size_t(i) * size_t(ts) + size_t(j)] +
                                                     pre[size_t(i) * P + size_t(j + 1)] +
                                                     pre[size_t(i + 1) * P + size_t(j)] - pre[size_t(i) * P + size_t(j)];
    auto rectSum = [&](int x0, int y0, int x1, int y1) {
        return pre[size_t(y1 + 1) * P + size_t(x1 + 1)] - pre[size_t(y0) * P + size_t(x1 + 1)] -
               pre[size_t(y1 + 1) * P + size_t(x0)] + pre[size_t(y0) * P + size_t(x0)];
    };
    const double factor = a.apexfactor, offset = a.apexoffset;
    // Scales for a row whose template rows run y0..y1; 0 where the cut
    // template sums to nothing (the output then rests at the offset).
    std::vector<double> q(static_cast<size_t>(w)), qFull(static_cast<size_t>(w));
    auto scales = [&](int y0, int y1, std::vector<double>& out) {
        for (int x = 0; x < w; ++x) {
            const int x0 = (x - h < 0 ? -x : -h) + h;
            const int x1 = (x + h > w - 1 ? w - 1 - x : h) + h;
            const int64_t n = rectSum(x0, y0, x1, y1);
            out[size_t(x)] = n == 0 ? 0.0 : factor / double(n);
        }
    };
    scales(0, ts - 1, qFull);
    const KernelSet& ks = kernelSet();
    std::vector<int16_t> fold(size_t(h + 1) * size_t(apexFoldStride(w, h)));
    std::vector<int32_t> sums(size_t(w) + 32);
    for (int y = 0; y < H; ++y) {
        ks.apexRow(src.data(), w, w, H, taps.data(), h, y, fold.data(), sums.data());
        const int y0 = (y - h < 0 ? -y : -h) + h;
        const int y1 = (y + h > H - 1 ? H - 1 - y : h) + h;
        const double* qs = qFull.data();
        if (y0 != 0 || y1 != ts - 1) {
            scales(y0, y1, q);
            qs = q.data();
        }
        uint8_t* d = r.row(y);
        const int32_t* acc = sums.data();
        for (int x = 0; x < w; ++x) {
            double v = double(acc[x]) * qs[x] + offset;
            v = v > -1.0 ? v : -1.0;
            v = v < 256.0 ? v : 256.0;
            const int i = int(v);  // truncation towards zero, as std::trunc
            d[x] = uint8_t(i < 0 ? 0 : (i > 255 ? 255 : i));
        }
    }
}

}  // namespace

bool apexFilter(const GreyRegion& r, const ProcessingArgs& a) {
    if (r.empty() || !std::isfinite(a.apexfactor)) return false;
    const ApexTemplate t = makeApexTemplate(a, std::max(r.width, r.height));
    if (t.taps.empty()) return false;
    int64_t absSum = 0;
    for (int v : t.taps) absSum += v < 0 ? -int64_t(v) : int64_t(v);
    const bool fitsShort = std::all_of(t.taps.begin(), t.taps.end(), [](int v) { return v >= -32768 && v <= 32767; });
    if (absSum * 255 < (int64_t(1) << 31) && fitsShort)
        correlateFast(r, t, a);
    else if (absSum * 255 < (int64_t(1) << 31))
        correlate<int32_t>(r, t, a);
    else
        correlate<int64_t>(r, t, a);
    return true;
}

bool apexFilter(CZVimage& img, const ZRect& region, const ProcessingArgs& args) {
    const bool done = apexFilter(greyRegion(img, region), args);
    if (done) img.dropDisplayHeader();
    return done;
}

}  // namespace ordavia
