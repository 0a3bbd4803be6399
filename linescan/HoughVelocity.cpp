#include "linescan/HoughVelocity.h"

#include <algorithm>
#include <cmath>

#include "chart/CdataVect.h"
#include "image/CZVimage.h"
#include "image/ImageFilters.h"
#include "image/MinimaFinder.h"
#include "linescan/CbvCorrelation.h"

namespace ordavia {

namespace {
constexpr int kAngles = 256;
constexpr double kHalfPi = 1.57079632675;

// Mean and population deviation of the values of the columns in [from, to)
// around the ring (all columns when equal).
void columnStatistics(const HoughInput& in, double& mean, double& dev) {
    double s = 0, ss = 0;
    size_t n = 0;
    const uint32_t M = in.columns, R = in.rows;
    uint32_t from = in.visibleFrom % M, to = in.visibleTo % M;
    const uint32_t span = from == to ? M : (to + M - from) % M;
    for (uint32_t i = 0; i < span; ++i) {
        const size_t base = size_t((from + i) % M) * R;
        for (uint32_t y = 0; y < R; ++y) {
            const double v = in.data->getD(base + y);
            s += v;
            ss += v * v;
        }
        n += R;
    }
    mean = n ? s / double(n) : 0.0;
    const double var = n ? ss / double(n) - mean * mean : 0.0;
    dev = var > 0 ? std::sqrt(var) : 0.0;
}
// Gaussian of sigma 1 along both axes, the weights renormalised at the
// edges so that a peak at the border keeps its height.
std::vector<float> gaussianOfVotes(const std::vector<float>& v, uint32_t D) {
    static const double w[4] = {1.0, 0.60653066, 0.13533528, 0.011108997};
    std::vector<float> a(v.size()), b(v.size());
    for (uint32_t c = 0; c < D; ++c)
        for (int row = 0; row < kAngles; ++row) {
            double s = 0, n = 0;
            for (int d = -3; d <= 3; ++d) {
                const int rr = row + d;
                if (rr < 0 || rr >= kAngles) continue;
                s += w[std::abs(d)] * v[size_t(c) * kAngles + size_t(rr)];
                n += w[std::abs(d)];
            }
            a[size_t(c) * kAngles + size_t(row)] = float(s / n);
        }
    for (uint32_t c = 0; c < D; ++c)
        for (int row = 0; row < kAngles; ++row) {
            double s = 0, n = 0;
            for (int d = -3; d <= 3; ++d) {
                const int64_t cc = int64_t(c) + d;
                if (cc < 0 || cc >= int64_t(D)) continue;
                s += w[std::abs(d)] * a[size_t(cc) * kAngles + size_t(row)];
                n += w[std::abs(d)];
            }
            b[size_t(c) * kAngles + size_t(row)] = float(s / n);
        }
    return b;
}
}  // namespace

HoughResult houghTransform(const HoughInput& in, const CbvParams& p) {
    HoughResult r;
    const uint32_t M = in.columns, R = in.rows;
    if (!in.data || M == 0 || R == 0) return r;
    const uint32_t D = static_cast<uint32_t>(std::sqrt(double(M) * M + double(R) * R));
    r.distances = D;
    r.thetaMin = std::atan(in.dx * p.houghMin);
    r.angleStep = (kHalfPi - r.thetaMin) * 0.00390625;
    r.votes.assign(size_t(D) * kAngles, 0.0f);

    double mean = 0, dev = 0;
    columnStatistics(in, mean, dev);
    const double t = mean + p.houghDifThreshold * dev;
    // A damaged file can hold NaN samples or parameters: no column passes then.
    r.threshold = std::isnan(t) || t >= 2147483647.0 ? 2147483647
                : t <= -2147483647.0                 ? -2147483647
                                                     : static_cast<int>(t);

    // theta grows as the angle row falls: row 255 - j holds j steps.
    double cs[kAngles], sn[kAngles];
    for (int j = 0; j < kAngles; ++j) {
        cs[j] = std::cos(j * r.angleStep);
        sn[j] = std::sin(j * r.angleStep);
    }
    const double dD = D;
    std::vector<double> column(R);
    for (uint32_t i = 0; i < M; ++i) {
        const uint32_t col = (in.current + i) % M;
        if (in.extent && col < in.extent->count && in.extent->getD(col) == 0.0) continue;
        const double x = double(M) - double(i);
        const size_t base = size_t(col) * R;
        for (uint32_t y = 0; y < R; ++y) {
            const double v = std::trunc(in.data->getD(base + y));
            if (!(v > r.threshold)) continue;
            for (int j = 0; j < kAngles; ++j) {
                const double rho = std::trunc(dD - (x * cs[j] + double(y) * sn[j]));
                if (rho >= 0.0 && rho < dD) r.votes[size_t(rho) * kAngles + size_t(kAngles - 1 - j)] += 1.0f;
            }
        }
    }

    if (!(*std::max_element(r.votes.begin(), r.votes.end()) > 0.0f)) return r;
    // The low pass runs on the votes, before they become grey levels: on
    // the 8-bit picture it would lower a sharp peak below the level that
    // lets the strongest lines through, and no line would be found.
    std::vector<float> image = p.houghLowPass != 0 ? gaussianOfVotes(r.votes, D) : r.votes;
    const float top = *std::max_element(image.begin(), image.end());
    if (!(top > 0.0f)) return r;
    CZVimage img(static_cast<int>(D), kAngles, -1, CZVimage::kFrame, CZVimage::kGrey);
    if (img.isEmpty()) return r;
    const double k = 255.0 / top;
    for (int row = 0; row < kAngles; ++row) {
        uint8_t* px = img.row(row);
        for (uint32_t c = 0; c < D; ++c) px[c] = static_cast<uint8_t>(image[size_t(c) * kAngles + row] * k);
    }
    // Strong lines become dark spots for the minima search.
    (void)negativeFilter(img, ZRect{});
    MinimaSettings ms;
    ms.threshold = static_cast<int>((1.0 - p.houghThreshold * 0.01) * 255.0);
    ms.tolerance = p.houghTol * 255 / 100;
    ms.windowWidth = 0;
    ms.windowHeight = 0;
    const MinimaResult found = findMinimaWithinTolerance(img, ZRect{}, ms);

    const double H = R * in.yScale;
    for (const MinimumMark& m : found.marks) {
        if (r.slopes.size() >= static_cast<size_t>(ZlineScanBaseDoc::kMaxSlopes)) break;
        const int c = m.x, row = m.y;
        double a = kAngles - 1 - row;
        if (p.subpixel && row > 0 && row + 1 < kAngles) {
            // The streak's angle between rows: a parabola through the
            // strongest vote of each neighbouring row near the peak.
            double v[3];
            for (int d = -1; d <= 1; ++d) {
                float best = 0;
                for (int cc = std::max(0, c - 2); cc <= std::min<int>(int(D) - 1, c + 2); ++cc)
                    best = std::max(best, image[size_t(cc) * kAngles + size_t(row + d)]);
                v[d + 1] = best;
            }
            a -= parabolaOffset(v[0], v[1], v[2]);
        }
        const double th = a * r.angleStep;
        const double rho = dD - c;
        const double co = std::cos(th), si = std::sin(th), ta = std::tan(th);
        VelocitySlope s;
        s.x1 = (M - rho * co - rho * si * ta) * in.dx;
        s.y1 = 0;
        s.x2 = (M - rho * co + (R - rho * si) * ta) * in.dx;
        s.y2 = H;
        r.slopes.push_back(s);
    }
    return r;
}

}  // namespace ordavia
