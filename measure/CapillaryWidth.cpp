#include "measure/CapillaryWidth.h"

#include <algorithm>
#include <cmath>

#include "base/Text.h"
#include "figures/MeasureValues.h"
#include "figures/MeasureCatalogue.h"
#include "chart/CdataVect.h"
#include "image/GreyConversion.h"
#include "measure/CDim.h"
#include "measure/ImageToolController.h"
#include "settings/ProfileStore.h"

namespace ordavia {

WidthSettings WidthSettings::read(const ProfileStore& p) {
    WidthSettings s;
    s.method = p.GetInt(kSection, "method", s.method);
    s.pointOnRise = p.GetDouble(kSection, "pointonrise", s.pointOnRise);
    return s;
}

void WidthSettings::write(const ProfileStore& p) const {
    p.WriteInt(kSection, "method", method);
    p.WriteDouble(kSection, "pointonrise", pointOnRise);
}

namespace {

// The same running derivative the data vectors use, so that the refined
// edges sit on the extremes the integer search found.
std::vector<double> derivativeOf(const std::vector<double>& x) {
    const size_t n = x.size();
    std::vector<double> d(n, 0.0);
    if (n < 3) return d;
    d[0] = x[1] - x[0];
    for (size_t i = 1; i + 1 < n; ++i) d[i] = (x[i + 1] - x[i] + d[i - 1]) / 2;
    d[n - 1] = x[n - 1] - x[n - 2];
    return d;
}

// The vertex of the parabola through the extreme and its neighbours, as an
// offset from i in -0.5 .. 0.5: edges fall between pixels, and whole-pixel
// edges alone would cost up to a pixel of width.
double vertexOffset(const std::vector<double>& d, int i) {
    if (i < 1 || i + 1 >= static_cast<int>(d.size())) return 0;
    const double a = d[size_t(i) - 1], b = d[size_t(i)], c = d[size_t(i) + 1];
    const double den = a - 2 * b + c;
    if (den == 0 || !std::isfinite(den)) return 0;
    const double off = 0.5 * (a - c) / den;
    return std::fabs(off) <= 0.5 ? off : 0.0;
}

// A [1 2 1] pass: sensor noise makes single-sample spikes in the slope,
// which the steepest-edge search would otherwise take for an edge. It is
// symmetric, so it moves both edges alike and leaves the width.
std::vector<double> smoothed(const std::vector<double>& x) {
    std::vector<double> s(x);
    for (size_t i = 1; i + 1 < x.size(); ++i) s[i] = (x[i - 1] + 2 * x[i] + x[i + 1]) / 4;
    return s;
}

}  // namespace

ProfileWidth profileWidth(const std::vector<double>& raw, int method, double pointOnRise) {
    ProfileWidth w;
    CdoubleVect v;
    const bool edges = method == static_cast<int>(WidthMethod::kEdge);
    const std::vector<double> profile = edges ? smoothed(raw) : raw;
    if (profile.empty() || !v.resize(static_cast<uint32_t>(profile.size()))) return w;
    for (uint32_t i = 0; i < v.count; ++i) v.setAt(i, profile[i]);
    int left = 0, right = 0, samples = 0;
    switch (method == 0 ? static_cast<int>(WidthMethod::kOuterEdge) : method) {
        case static_cast<int>(WidthMethod::kThreshold):
            samples = v.widthAtLevel(pointOnRise, left, right);
            break;
        case static_cast<int>(WidthMethod::kEdge): {
            samples = v.edgeWidth(left, right);
            if (samples <= 0) break;
            const std::vector<double> d = derivativeOf(profile);
            w.left = left + vertexOffset(d, left);
            w.right = right + vertexOffset(d, right);
            w.samples = w.right - w.left;
            return w;
        }
        case static_cast<int>(WidthMethod::kOuterEdge):
            samples = v.troughWidth(left, right);
            break;
        default:
            return w;
    }
    w.samples = samples;
    w.left = left;
    w.right = right;
    return w;
}

std::vector<double> lineProfile(const CZVimage& image, const CDim& line, const GreyWeights& weights) {
    std::vector<double> out;
    const std::vector<ZPoint> pixels = ImageToolController::pathPixels(line);
    const int half = (line.width() - 1) / 2;
    const std::vector<ZPoint>& v = line.vertices();
    if (half <= 0 || v.size() < 2) {
        for (const ZPoint& q : pixels) {
            const int g = greyAt(image, q.x, q.y, weights);
            if (g >= 0) out.push_back(g);
        }
        return out;
    }
    // Across the band along the normal of the chord: a width line is short
    // and straight, and one normal keeps the samples of neighbouring steps
    // from overlapping at joints.
    const double dx = v.back().x - v.front().x, dy = v.back().y - v.front().y;
    const double len = std::hypot(dx, dy);
    const double nx = len > 0 ? -dy / len : 0, ny = len > 0 ? dx / len : 0;
    for (const ZPoint& q : pixels) {
        double sum = 0;
        int n = 0;
        for (int k = -half; k <= half; ++k) {
            const int g = greyAt(image, q.x + static_cast<int>(std::lround(k * nx)),
                                 q.y + static_cast<int>(std::lround(k * ny)), weights);
            if (g >= 0) {
                sum += g;
                ++n;
            }
        }
        if (n > 0) out.push_back(sum / n);
    }
    return out;
}

LineWidth measureLineWidth(const CZVimage& image, const CDim& line, double xScale, double yScale,
                           const WidthSettings& settings, const GreyWeights& weights) {
    LineWidth r;
    if (line.vertexCount() < 2) return r;
    r.profile = lineProfile(image, line, weights);
    const ProfileWidth w = profileWidth(r.profile, settings.effectiveMethod(), settings.pointOnRise);
    if (w.samples < 1) return r;
    r.samples = w.samples;
    r.left = w.left;
    r.right = w.right;
    // Samples are a digital line's steps, which on a slanting line are
    // longer than a pixel: calibrate by the steps, not the pixel length.
    const std::vector<ZPoint> path = ImageToolController::pathPixels(line);
    if (path.size() > 1) r.units = w.samples / double(path.size() - 1) * line.length(xScale, yScale);
    // Halfway between the edges.
    pointAlong(line, (w.left + w.right) / 2, r.centreX, r.centreY);
    return r;
}

void pointAlong(const CDim& line, double sample, double& x, double& y) {
    const std::vector<ZPoint> path = ImageToolController::pathPixels(line);
    x = y = 0;
    if (path.empty()) return;
    const double at = std::clamp(sample, 0.0, double(path.size() - 1));
    const size_t i = static_cast<size_t>(at);
    const size_t j = std::min(i + 1, path.size() - 1);
    const double f = at - double(i);
    x = path[i].x + f * (path[j].x - path[i].x);
    y = path[i].y + f * (path[j].y - path[i].y);
}

std::string widthLabel(double units, const std::string& unitName) {
    return MeasureValues(widthMeasures(), unitName).set("width", units).text();
}

}  // namespace ordavia
