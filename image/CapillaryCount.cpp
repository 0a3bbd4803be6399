// Capillary counting along a line: channel choice, lighting flattening,
// Hessian ridge filter and the profile along the line with its peaks.
#include "image/CapillaryCount.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "base/Text.h"
#include "image/CZVimage.h"

namespace ordavia {

namespace {

std::vector<float> gaussianTaps(double sigma) {
    if (!(sigma > 0.2)) return {1.0f};
    const int radius = std::max(1, static_cast<int>(std::ceil(3 * sigma)));
    std::vector<float> k(static_cast<size_t>(radius) + 1);
    double sum = 0;
    for (int i = 0; i <= radius; ++i) {
        k[static_cast<size_t>(i)] = static_cast<float>(std::exp(-(i * i) / (2 * sigma * sigma)));
        sum += (i == 0 ? 1 : 2) * k[static_cast<size_t>(i)];
    }
    for (float& v : k) v = static_cast<float>(v / sum);
    return k;
}

// Along rows: the row is copied into a padded line with replicated ends so
// that the inner loop has no edge tests and vectorises.
void blurRows(std::vector<float>& v, int w, int h, const std::vector<float>& k) {
    const int r = static_cast<int>(k.size()) - 1;
    if (r == 0) return;
    std::vector<float> line(static_cast<size_t>(w + 2 * r));
    for (int y = 0; y < h; ++y) {
        float* row = v.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
        std::fill(line.begin(), line.begin() + r, row[0]);
        std::memcpy(line.data() + r, row, sizeof(float) * static_cast<size_t>(w));
        std::fill(line.begin() + r + w, line.end(), row[w - 1]);
        const float* c = line.data() + r;
        for (int x = 0; x < w; ++x) row[x] = k[0] * c[x];
        for (int j = 1; j <= r; ++j) {
            const float kj = k[static_cast<size_t>(j)];
            const float* lo = c - j;
            const float* hi = c + j;
            for (int x = 0; x < w; ++x) row[x] += kj * (lo[x] + hi[x]);
        }
    }
}

// Along columns: whole rows at a time, so memory is read in order.
void blurColumns(std::vector<float>& v, int w, int h, const std::vector<float>& k) {
    const int r = static_cast<int>(k.size()) - 1;
    if (r == 0) return;
    const std::vector<float> src = v;
    auto rowAt = [&](int y) { return src.data() + static_cast<size_t>(std::clamp(y, 0, h - 1)) * static_cast<size_t>(w); };
    for (int y = 0; y < h; ++y) {
        float* out = v.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
        const float* c = rowAt(y);
        for (int x = 0; x < w; ++x) out[x] = k[0] * c[x];
        for (int j = 1; j <= r; ++j) {
            const float kj = k[static_cast<size_t>(j)];
            const float* lo = rowAt(y - j);
            const float* hi = rowAt(y + j);
            for (int x = 0; x < w; ++x) out[x] += kj * (lo[x] + hi[x]);
        }
    }
}

// Divides by the lighting: a Gaussian of the plane at sigma `bg` pixels,
// computed on a block-averaged copy (the background is smooth, so a small
// copy loses nothing) and read back bilinearly.
void flatten(CountPlane& p, double bgX, double bgY) {
    const int w = p.width, h = p.height;
    const int f = std::max(1, static_cast<int>(std::min(bgX, bgY) / 4));
    const int sw = (w + f - 1) / f, sh = (h + f - 1) / f;
    std::vector<float> small(static_cast<size_t>(sw) * static_cast<size_t>(sh), 0.0f);
    std::vector<float> weight(small.size(), 0.0f);
    for (int y = 0; y < h; ++y) {
        const float* row = p.v.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
        float* srow = small.data() + static_cast<size_t>(y / f) * static_cast<size_t>(sw);
        float* wrow = weight.data() + static_cast<size_t>(y / f) * static_cast<size_t>(sw);
        for (int x = 0; x < w; ++x) {
            srow[x / f] += row[x];
            wrow[x / f] += 1;
        }
    }
    for (size_t i = 0; i < small.size(); ++i) small[i] /= weight[i];
    gaussianPlane(small, sw, sh, bgX / f, bgY / f);
    // Block centres lie at (i + 0.5) f - 0.5.
    std::vector<int> x0(static_cast<size_t>(w));
    std::vector<float> fx(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x) {
        const double s = std::clamp((x + 0.5) / f - 0.5, 0.0, sw - 1.0);
        x0[static_cast<size_t>(x)] = std::min(static_cast<int>(s), std::max(0, sw - 2));
        fx[static_cast<size_t>(x)] = static_cast<float>(s - x0[static_cast<size_t>(x)]);
    }
    for (int y = 0; y < h; ++y) {
        const double t = std::clamp((y + 0.5) / f - 0.5, 0.0, sh - 1.0);
        const int y0 = std::min(static_cast<int>(t), std::max(0, sh - 2));
        const int y1 = std::min(y0 + 1, sh - 1);
        const auto fy = static_cast<float>(t - y0);
        const float* a = small.data() + static_cast<size_t>(y0) * static_cast<size_t>(sw);
        const float* b = small.data() + static_cast<size_t>(y1) * static_cast<size_t>(sw);
        float* row = p.v.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
        for (int x = 0; x < w; ++x) {
            const int i = x0[static_cast<size_t>(x)], j = std::min(i + 1, sw - 1);
            const float u = fx[static_cast<size_t>(x)];
            const float top = a[i] + u * (a[j] - a[i]), bottom = b[i] + u * (b[j] - b[i]);
            const float bg = top + fy * (bottom - top);
            row[x] = row[x] / std::max(bg, 1.0f);
        }
    }
}

// Percentiles of a sample of the ridge values (every few pixels is plenty).
void ridgeStatistics(RidgeImage& ri) {
    std::vector<float> sample;
    sample.reserve(ri.r.size() / 7 + 1);
    for (size_t i = 0; i < ri.r.size(); i += 7) sample.push_back(ri.r[i]);
    if (sample.empty()) return;
    auto pct = [&](double q) {
        auto it = sample.begin() + static_cast<std::ptrdiff_t>(q * (sample.size() - 1));
        std::nth_element(sample.begin(), it, sample.end());
        return *it;
    };
    ri.peak = pct(0.999);
    ri.top = pct(0.995);
    ri.median = pct(0.5);
    // The spread of the background: the median absolute deviation, scaled
    // to a standard deviation. Vessels cover too little of a picture to
    // move it, so it measures noise and texture, whatever the contrast.
    for (float& v : sample) v = std::abs(v - ri.median);
    ri.spread = std::max(1.4826f * pct(0.5), 1e-6f);
}


constexpr double kWorkUm = 5;
constexpr double kLimbFinestUm = 12.5;
constexpr float kBrightCut = 1.01f;

// Averages f x f blocks (a part block at the right and bottom is dropped).
CountPlane shrink(const CountPlane& p, int f) {
    CountPlane o;
    o.width = p.width / f;
    o.height = p.height / f;
    o.umPerPixelX = p.umPerPixelX * f;
    o.umPerPixelY = p.umPerPixelY * f;
    o.v.assign(static_cast<size_t>(o.width) * static_cast<size_t>(o.height), 0.0f);
    const float inv = 1.0f / static_cast<float>(f * f);
    for (int y = 0; y < o.height * f; ++y) {
        const float* row = p.v.data() + static_cast<size_t>(y) * static_cast<size_t>(p.width);
        float* out = o.v.data() + static_cast<size_t>(y / f) * static_cast<size_t>(o.width);
        for (int x = 0; x < o.width; ++x) {
            float sum = 0;
            for (int j = 0; j < f; ++j) sum += row[x * f + j];
            out[x] += sum * inv;
        }
    }
    return o;
}

// Dark tubes in a blurred plane: curved upwards across, flat along; a dark
// blob curves upwards both ways and is held back. nx, ny, nxy normalise the
// second differences; r gets the strength, c2 and s2 the doubled angle of
// the direction across.
void hessianRidge(const std::vector<float>& g, int w, int h, float nx, float ny, float nxy, std::vector<float>& r,
                  std::vector<float>& c2, std::vector<float>& s2) {
    std::fill(r.begin(), r.end(), 0.0f);
    std::fill(c2.begin(), c2.end(), 1.0f);
    std::fill(s2.begin(), s2.end(), 0.0f);
    for (int y = 1; y < h - 1; ++y) {
        const float* up = g.data() + static_cast<size_t>(y - 1) * static_cast<size_t>(w);
        const float* c = up + w;
        const float* dn = c + w;
        const size_t o = static_cast<size_t>(y) * static_cast<size_t>(w);
        for (int x = 1; x < w - 1; ++x) {
            const float dxx = nx * (c[x - 1] - 2 * c[x] + c[x + 1]);
            const float dyy = ny * (up[x] - 2 * c[x] + dn[x]);
            const float dxy = nxy * (dn[x + 1] - dn[x - 1] - up[x + 1] + up[x - 1]);
            const float half = 0.5f * (dxx - dyy);
            const float root = std::sqrt(half * half + dxy * dxy);
            const float mean = 0.5f * (dxx + dyy);
            const float big = mean + root, small = mean - root;
            const float v = big - std::max(small, 0.0f) * 2.0f;
            if (v > 0) {
                r[o + static_cast<size_t>(x)] = v;
                const float inv = root > 0 ? 1.0f / root : 0.0f;
                c2[o + static_cast<size_t>(x)] = half * inv;
                s2[o + static_cast<size_t>(x)] = dxy * inv;
            }
        }
    }
}

// The ridge level most of the picture stays below: its 90th percentile.
float backgroundLevel(const std::vector<float>& r) {
    std::vector<float> sample;
    sample.reserve(r.size() / 5 + 1);
    for (size_t i = 0; i < r.size(); i += 5) sample.push_back(r[i]);
    if (sample.empty()) return 0;
    auto it = sample.begin() + static_cast<std::ptrdiff_t>(0.9 * static_cast<double>(sample.size() - 1));
    std::nth_element(sample.begin(), it, sample.end());
    return *it;
}

// How far the strongest ridges (the top 1 %) stand above the background.
double vesselContrast(const RidgeImage& r) {
    std::vector<float> v;
    v.reserve(r.r.size() / 3 + 1);
    for (size_t i = 0; i < r.r.size(); i += 3) v.push_back(r.r[i]);
    if (v.empty()) return 0;
    auto it = v.begin() + static_cast<std::ptrdiff_t>(0.99 * static_cast<double>(v.size() - 1));
    std::nth_element(v.begin(), it, v.end());
    return (*it - r.median) / r.spread;
}

}  // namespace

ordavia::Status CountSettings::validate() const {
    const auto outside = [](std::string why) {
        return ordavia::Status::failure(ordavia::StatusCode::OutOfRange, std::move(why));
    };
    if (!(minLimbUm >= 1 && minLimbUm <= 200)) return outside("the narrowest limb must lie between 1 and 200 micrometres");
    if (!(maxLimbUm >= minLimbUm && maxLimbUm <= 400))
        return outside("the widest limb must lie between the narrowest and 400 micrometres");
    if (!(backgroundUm >= 2 * maxLimbUm && backgroundUm <= 5000))
        return outside("the background must be at least twice the widest limb and at most 5000 micrometres");
    if (!(bandUm >= 0 && bandUm <= 1000)) return outside("the band must lie between 0 and 1000 micrometres");
    if (!(limbUm >= 0 && limbUm <= 400)) return outside("the widest single limb must lie between 0 and 400 micrometres");
    if (!(minSpacingUm >= 1 && minSpacingUm <= 1000)) return outside("the spacing must lie between 1 and 1000 micrometres");
    if (!(threshold >= 0 && threshold <= 100)) return outside("the threshold must lie between 0 and 100");
    if (distal < 0 || distal > 2) return outside("the nail side must be automatic, left or right");
    if (channel < 0 || channel > 2) return outside("the channel must be automatic, green or grey");
    return ordavia::Status::success();
}

float RidgeImage::at(double px, double py) const {
    const double x = toX(px), y = toY(py);
    if (!(x >= 0 && y >= 0 && x <= width - 1 && y <= height - 1)) return 0;
    const int x0 = std::min(static_cast<int>(x), width - 2 < 0 ? 0 : width - 2);
    const int y0 = std::min(static_cast<int>(y), height - 2 < 0 ? 0 : height - 2);
    const int x1 = std::min(x0 + 1, width - 1), y1 = std::min(y0 + 1, height - 1);
    const auto fx = static_cast<float>(x - x0), fy = static_cast<float>(y - y0);
    auto v = [&](int xx, int yy) { return r[static_cast<size_t>(yy) * static_cast<size_t>(width) + static_cast<size_t>(xx)]; };
    const float top = v(x0, y0) + fx * (v(x1, y0) - v(x0, y0));
    const float bottom = v(x0, y1) + fx * (v(x1, y1) - v(x0, y1));
    return top + fy * (bottom - top);
}

float RidgeImage::level(double threshold) const { return static_cast<float>(threshold) * strength(); }

bool RidgeImage::glareAt(double x, double y) const {
    const long xi = std::lround(toX(x)), yi = std::lround(toY(y));
    if (xi < 0 || yi < 0 || xi >= width || yi >= height || glare.empty()) return false;
    return glare[static_cast<size_t>(yi) * static_cast<size_t>(width) + static_cast<size_t>(xi)] != 0;
}

float RidgeImage::across(double x, double y, float cos2, float sin2) const {
    const long xi = std::lround(toX(x)), yi = std::lround(toY(y));
    if (xi < 0 || yi < 0 || xi >= width || yi >= height) return 0;
    const size_t i = static_cast<size_t>(yi) * static_cast<size_t>(width) + static_cast<size_t>(xi);
    return r[i] * std::max(0.0f, c2[i] * cos2 + s2[i] * sin2);
}

void gaussianPlane(std::vector<float>& v, int width, int height, double sigmaX, double sigmaY) {
    if (width <= 0 || height <= 0) return;
    blurRows(v, width, height, gaussianTaps(sigmaX));
    blurColumns(v, width, height, gaussianTaps(sigmaY));
}

CountPlane countPlane(const CZVimage& img, double umPerPixelX, double umPerPixelY, int channel, bool* green) {
    CountPlane p;
    p.umPerPixelX = umPerPixelX;
    p.umPerPixelY = umPerPixelY;
    if (green) *green = false;
    if (img.isEmpty()) return p;
    const CZVimage* src = &img;
    CZVimage demosaiced;
    if (img.colour() == CZVimage::kBayer) {
        if (!img.demosaicTo(demosaiced)) return p;
        src = &demosaiced;
    }
    p.width = src->width();
    p.height = src->rows();
    p.v.resize(static_cast<size_t>(p.width) * static_cast<size_t>(p.height));
    const bool colour = src->colour() == CZVimage::kColour;
    const bool useGreen = colour && channel != 2;
    if (green) *green = useGreen;
    for (int y = 0; y < p.height; ++y) {
        const uint8_t* row = src->row(y);
        float* out = p.v.data() + static_cast<size_t>(y) * static_cast<size_t>(p.width);
        if (!colour) {
            for (int x = 0; x < p.width; ++x) out[x] = row[x];
        } else if (useGreen) {
            for (int x = 0; x < p.width; ++x) out[x] = row[3 * x + 1];
        } else {
            for (int x = 0; x < p.width; ++x)
                out[x] = 0.114f * row[3 * x] + 0.587f * row[3 * x + 1] + 0.299f * row[3 * x + 2];
        }
    }
    return p;
}

// Single limbs: fine scales on pixels fine enough for them.
RidgeImage limbRidge(const CountPlane& plane, const CountSettings& s) {
    CountSettings one = s;
    one.limbUm = 0;
    one.minLimbUm = std::min(s.minLimbUm, kLimbFinestUm);
    one.maxLimbUm = std::max(one.minLimbUm, s.limbUm);
    return ridgeImage(plane, one);
}

RidgeImage ridgeImage(const CountPlane& plane, const CountSettings& s) {
    RidgeImage ri;
    ri.umPerPixelX = plane.umPerPixelX;
    ri.umPerPixelY = plane.umPerPixelY;
    // Pixels of about 5 micrometres, never so coarse that the narrowest
    // scale falls below a pixel.
    const double px = std::min(plane.umPerPixelX, plane.umPerPixelY);
    const double narrow = s.minLimbUm / 2.355, wide = s.maxLimbUm / 2.355;
    int f = std::max(1, static_cast<int>(std::lround(kWorkUm / px)));
    f = std::max(1, std::min(f, static_cast<int>(std::floor(narrow / px))));
    if (plane.width / f < 3 || plane.height / f < 3) f = 1;
    CountPlane work = f > 1 ? shrink(plane, f) : plane;
    ri.factor = f;
    const int w = work.width, h = work.height;
    ri.width = w;
    ri.height = h;
    if (w < 3 || h < 3) {
        ri.r.assign(static_cast<size_t>(std::max(0, w)) * static_cast<size_t>(std::max(0, h)), 0.0f);
        return ri;
    }
    const double sx = work.umPerPixelX, sy = work.umPerPixelY;
    flatten(work, s.backgroundUm / sx, s.backgroundUm / sy);
    const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
    // Gel reflections: a quarter brighter than the lighting around them.
    ri.glare.resize(n);
    for (size_t i = 0; i < n; ++i) ri.glare[i] = work.v[i] > 1.25f ? 1 : 0;
    // Vessels only darken. What is brighter than its surroundings (glare,
    // the bright side of texture) is cut to the background level, or the
    // rims of a reflection would make the strongest ridges of the picture.
    for (float& v : work.v) v = std::min(v, kBrightCut);

    // A dip of Gaussian shape answers the sigma^1.5-normalised second
    // derivative most strongly where sigma is its own; scales 1.4 apart
    // from the narrowest width to the widest.
    const int scales = std::max(1, 1 + static_cast<int>(std::ceil(std::log(wide / narrow) / std::log(1.4)) - 1e-9));
    std::vector<float> g, r(n), c2(n), s2(n);
    std::vector<uint8_t> best(n, 0);
    std::vector<double> widths(static_cast<size_t>(scales));
    ri.r.assign(n, 0.0f);
    ri.c2.assign(n, 1.0f);
    ri.s2.assign(n, 0.0f);
    for (int k = 0; k < scales; ++k) {
        const double sigmaUm = scales == 1 ? narrow : narrow * std::pow(wide / narrow, k / double(scales - 1));
        const double gx = std::max(0.7, sigmaUm / sx), gy = std::max(0.7, sigmaUm / sy);
        widths[static_cast<size_t>(k)] = 2.355 * std::sqrt(gx * sx * gy * sy);
        g = work.v;
        gaussianPlane(g, w, h, gx, gy);
        const auto nx = static_cast<float>(std::pow(gx, 1.5)), ny = static_cast<float>(std::pow(gy, 1.5));
        const auto nxy = static_cast<float>(std::pow(gx * gy, 0.75) / 4);
        hessianRidge(g, w, h, nx, ny, nxy, r, c2, s2);
        // Each scale against its own background: noise and dust answer
        // most at the finest scales and wide, faint dips at the coarsest,
        // so a pixel takes the scale at which it stands out most.
        // A dip of a third of a per cent answers about this much: a picture
        // without texture or noise (a drawing) has no background of its own.
        const auto floor = static_cast<float>(0.003 / (2.83 * std::sqrt((gx + gy) / 2)));
        const float bg = std::max(backgroundLevel(r), floor);
        for (size_t i = 0; i < n; ++i) {
            const float z = r[i] / bg;
            if (z > ri.r[i]) {
                ri.r[i] = z;
                ri.c2[i] = c2[i];
                ri.s2[i] = s2[i];
                best[i] = static_cast<uint8_t>(k);
            }
        }
    }
    ridgeStatistics(ri);
    // The width of the picture's clearest vessels: the median scale
    // chosen where the ridge reaches its top percent.
    {
        double sum = 0;
        int count = 0;
        for (size_t i = 0; i < n; ++i)
            if (ri.r[i] >= ri.top) sum += std::log(widths[best[i]]), ++count;
        if (count > 0) ri.vesselWidthUm = std::exp(sum / count);
    }
    if (s.limbUm > 0) ri.limbs = std::make_shared<const RidgeImage>(limbRidge(plane, s));
    return ri;
}

RidgeImage ridgeImage(const CZVimage& img, double umPerPixelX, double umPerPixelY, const CountSettings& s) {
    bool green = false;
    if (img.colour() == CZVimage::kGrey || s.channel != 0) {
        RidgeImage r = ridgeImage(countPlane(img, umPerPixelX, umPerPixelY, s.channel, &green), s);
        r.green = green;
        return r;
    }
    // Colour: keep the channel whose vessels stand out more from the
    // background (the strongest ridges against the robust spread).
    // The limb ridge only for the channel kept.
    CountSettings whole = s;
    whole.limbUm = 0;
    RidgeImage g = ridgeImage(countPlane(img, umPerPixelX, umPerPixelY, 1), whole);
    RidgeImage m = ridgeImage(countPlane(img, umPerPixelX, umPerPixelY, 2), whole);
    const bool useGreen = vesselContrast(g) >= vesselContrast(m);
    RidgeImage& r = useGreen ? g : m;
    r.green = useGreen;
    if (s.limbUm > 0) r.limbs = std::make_shared<const RidgeImage>(limbRidge(countPlane(img, umPerPixelX, umPerPixelY, useGreen ? 1 : 2), s));
    return std::move(r);
}

}  // namespace ordavia
