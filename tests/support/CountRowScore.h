#pragma once
// Scoring a capillary counter on synthetic count rows of 1 to 12 per mm
// (synth/SyntheticCountRow.h): three 1 mm lines per picture across the
// distal row, a little askew and off the ideal depth as a user draws them,
// walked either way. Shared by the count accuracy test and the count
// study program.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "image/CZVimage.h"
#include "image/CapillaryCount.h"
#include "synth/SyntheticCountRow.h"
#include "synth/SyntheticNailfoldDraw.h"

namespace ordavia::test {

struct CountRowPicture {
    CZVimage img;
    double umPerPixel = 1;
    std::vector<std::pair<CountPoint, CountPoint>> lines;
    std::vector<int> truth;  // capillaries on each line
};

// Three 1 mm lines across the distal row of a drawn picture, as a user
// draws them, with the capillaries each crosses.
inline void addRowLines(CountRowPicture& pic, const SyntheticNailfold::Truth& truth, int width, SynthRandom& r) {
    for (int l = 0; l < 3; ++l) {
        const CountLineTruth ideal = distalRowLine(truth, width * (0.25 + 0.25 * l), 1000, r.range(25, 60));
        const double tilt = r.range(-0.1, 0.1) * (ideal.b.x - ideal.a.x) / 2;
        SyntheticNailfold::Point a{ideal.a.x, ideal.a.y - tilt}, b{ideal.b.x, ideal.b.y + tilt};
        if (r.uniform() < 0.5) std::swap(a, b);
        pic.lines.push_back({{a.x, a.y}, {b.x, b.y}});
        pic.truth.push_back(countLineTruth(truth, a, b).count);
    }
}

// Pictures of densities 1..12 per mm, `perDensity` seeds each.
inline std::vector<CountRowPicture> countRowPictures(const std::string& condition, int perDensity, uint64_t firstSeed = 1) {
    std::vector<CountRowPicture> out;
    for (int d = 1; d <= 12; ++d)
        for (int k = 0; k < perDensity; ++k) {
            SyntheticNailfold::Params p;
            CapillaroscopeLook look;
            const uint64_t seed = firstSeed + static_cast<uint64_t>(100 * d + k);
            if (!countRowScene(condition, seed, d, p, look)) continue;
            CountRowPicture pic;
            SyntheticNailfold::Truth truth;
            if (!generateCapillaroscope(p, look, pic.img, truth)) continue;
            pic.umPerPixel = p.umPerPixelX;
            SynthRandom r(seed, 424243);
            addRowLines(pic, truth, p.width, r);
            out.push_back(std::move(pic));
        }
    return out;
}

// Agreement of counts with the truth over a set of lines.
struct CountAgreement {
    std::vector<double> truth, found;
    int lines() const { return static_cast<int>(truth.size()); }
    double mae() const {
        double e = 0;
        for (size_t i = 0; i < truth.size(); ++i) e += std::abs(found[i] - truth[i]);
        return truth.empty() ? 0 : e / static_cast<double>(truth.size());
    }
    double within1() const {
        int n = 0;
        for (size_t i = 0; i < truth.size(); ++i) n += std::abs(found[i] - truth[i]) <= 1 ? 1 : 0;
        return truth.empty() ? 0 : double(n) / static_cast<double>(truth.size());
    }
    double meanTruth() const { return mean(truth); }
    double meanFound() const { return mean(found); }
    // Pearson's r and the least-squares slope of found against truth.
    double pearson() const { return cov(truth, found) / std::sqrt(std::max(1e-12, cov(truth, truth) * cov(found, found))); }
    double slope() const { return cov(truth, found) / std::max(1e-12, cov(truth, truth)); }

private:
    static double mean(const std::vector<double>& v) {
        double s = 0;
        for (double x : v) s += x;
        return v.empty() ? 0 : s / static_cast<double>(v.size());
    }
    static double cov(const std::vector<double>& a, const std::vector<double>& b) {
        const double ma = mean(a), mb = mean(b);
        double s = 0;
        for (size_t i = 0; i < a.size(); ++i) s += (a[i] - ma) * (b[i] - mb);
        return s;
    }
};

// All lines, and the lines by true count: 1-3, 4-6, 7-9, 10-12 (a line
// with none counts with the first band, one with more than 12 with the last).
struct CountRowScore {
    CountAgreement all, band[4];
};

// A counter: the counts of a picture's lines, in order.
using LineCounter = std::function<std::vector<int>(const CountRowPicture&)>;

inline CountRowScore scoreCountRows(const std::vector<CountRowPicture>& pics, const LineCounter& counter) {
    CountRowScore sc;
    for (const CountRowPicture& pic : pics) {
        const std::vector<int> counts = counter(pic);
        for (size_t l = 0; l < pic.lines.size() && l < counts.size(); ++l) {
            const int found = counts[l];
            const int t = pic.truth[l];
            const int b = std::clamp((t - 1) / 3, 0, 3);
            for (CountAgreement* a : {&sc.all, &sc.band[b]}) {
                a->truth.push_back(t);
                a->found.push_back(found);
            }
        }
    }
    return sc;
}

// The counter of the command line and the workstation with settings `s`.
inline CountRowScore scoreCountRows(const std::vector<CountRowPicture>& pics, const CountSettings& s) {
    return scoreCountRows(pics, [&](const CountRowPicture& pic) {
        const RidgeImage ridge = ridgeImage(pic.img, pic.umPerPixel, pic.umPerPixel, s);
        std::vector<int> counts;
        for (const auto& [a, b] : pic.lines) counts.push_back(countAlongLine(ridge, a, b, s).count);
        return counts;
    });
}

}  // namespace ordavia::test
