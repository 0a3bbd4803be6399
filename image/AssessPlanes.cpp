#include "image/AssessPlanes.h"

#include <algorithm>
#include <cmath>

#include "image/CZVimage.h"
#include "image/CapillaryCount.h"

namespace ordavia {

namespace {

// The lighting: block averages of the plane, blurred wide on a coarse
// copy and read back bilinearly (the lighting is smooth; a coarse copy
// loses nothing and costs little).
std::vector<float> lighting(const std::vector<float>& v, int w, int h, double sigmaPx) {
    const int f = std::max(1, static_cast<int>(sigmaPx / 4));
    const int sw = (w + f - 1) / f, sh = (h + f - 1) / f;
    std::vector<float> small(static_cast<size_t>(sw) * sh, 0.0f), weight(small.size(), 0.0f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t j = static_cast<size_t>(y / f) * sw + x / f;
            small[j] += v[static_cast<size_t>(y) * w + x];
            weight[j] += 1;
        }
    for (size_t i = 0; i < small.size(); ++i) small[i] /= std::max(weight[i], 1.0f);
    gaussianPlane(small, sw, sh, sigmaPx / f, sigmaPx / f);
    std::vector<float> out(v.size());
    for (int y = 0; y < h; ++y) {
        const double t = std::clamp((y + 0.5) / f - 0.5, 0.0, sh - 1.0);
        const int y0 = std::min(static_cast<int>(t), std::max(0, sh - 2)), y1 = std::min(y0 + 1, sh - 1);
        const auto fy = static_cast<float>(t - y0);
        for (int x = 0; x < w; ++x) {
            const double s = std::clamp((x + 0.5) / f - 0.5, 0.0, sw - 1.0);
            const int x0 = std::min(static_cast<int>(s), std::max(0, sw - 2)), x1 = std::min(x0 + 1, sw - 1);
            const auto fx = static_cast<float>(s - x0);
            const float* a = small.data() + static_cast<size_t>(y0) * sw;
            const float* b = small.data() + static_cast<size_t>(y1) * sw;
            const float top = a[x0] + fx * (a[x1] - a[x0]), bottom = b[x0] + fx * (b[x1] - b[x0]);
            out[static_cast<size_t>(y) * w + x] = top + fy * (bottom - top);
        }
    }
    return out;
}

std::vector<float> darkening(std::vector<float> v, int w, int h, double sigmaPx) {
    std::vector<float> light = lighting(v, w, h, sigmaPx);
    // Glare is far brighter than the skin and would lift the lighting
    // around it, so that its rim looks dark; the lighting is taken again
    // with such pixels held down to a little over the first estimate.
    {
        std::vector<float> held(v.size());
        for (size_t i = 0; i < v.size(); ++i) held[i] = std::min(v[i], light[i] * 1.08f);
        light = lighting(held, w, h, sigmaPx);
    }
    // A little smoothing takes the sensor noise off before anything is
    // thresholded.
    gaussianPlane(v, w, h, 0.8, 0.8);
    for (size_t i = 0; i < v.size(); ++i) v[i] = 1.0f - v[i] / std::max(light[i], 1.0f);
    return v;
}

}  // namespace

AssessPlanes assessPlanes(const CZVimage& img, double umPerPixel, int factor) {
    AssessPlanes p;
    const int f = std::max(1, factor);
    p.factor = f;
    p.umPerPixel = umPerPixel * f;
    p.width = img.width() / f;
    p.height = img.rows() / f;
    p.colour = img.colour() == CZVimage::kColour;
    if (p.width < 3 || p.height < 3) return p;
    const size_t n = static_cast<size_t>(p.width) * p.height;
    std::vector<float> planes[3];
    const int channels = p.colour ? 3 : 1;
    for (int c = 0; c < channels; ++c) planes[c].assign(n, 0.0f);
    const float inv = 1.0f / static_cast<float>(f * f);
    for (int y = 0; y < p.height * f; ++y) {
        const uint8_t* row = img.row(y);
        const size_t o = static_cast<size_t>(y / f) * p.width;
        for (int x = 0; x < p.width * f; ++x) {
            if (p.colour) {
                // Stored blue, green, red; planes are green, red, blue.
                planes[0][o + x / f] += row[3 * x + 1] * inv;
                planes[1][o + x / f] += row[3 * x + 2] * inv;
                planes[2][o + x / f] += row[3 * x] * inv;
            } else {
                planes[0][o + x / f] += row[x] * inv;
            }
        }
    }
    const double sigma = 120.0 / p.umPerPixel;
    p.dark = darkening(std::move(planes[0]), p.width, p.height, sigma);
    if (p.colour) {
        p.darkRed = darkening(std::move(planes[1]), p.width, p.height, sigma);
        p.darkBlue = darkening(std::move(planes[2]), p.width, p.height, sigma);
    }
    std::vector<float> s;
    for (size_t i = 0; i < n; i += 5) s.push_back(p.dark[i]);
    auto mid = s.begin() + static_cast<std::ptrdiff_t>(s.size() / 2);
    std::nth_element(s.begin(), mid, s.end());
    p.median = *mid;
    for (float& v : s) v = std::abs(v - p.median);
    std::nth_element(s.begin(), mid, s.end());
    p.spread = std::max(1.4826f * *mid, 1e-4f);
    return p;
}

std::vector<PlanePart> planeParts(const std::vector<uint8_t>& mask, int w, int h, int minArea, std::vector<int>& labels) {
    std::vector<PlanePart> parts;
    labels.assign(mask.size(), 0);
    std::vector<int> stack;
    std::vector<int> tmp(mask.size(), 0);
    int next = 0;
    for (int start = 0; start < w * h; ++start) {
        if (!mask[static_cast<size_t>(start)] || tmp[static_cast<size_t>(start)]) continue;
        PlanePart part;
        part.x0 = part.x1 = start % w;
        part.y0 = part.y1 = start / w;
        ++next;
        stack.push_back(start);
        tmp[static_cast<size_t>(start)] = next;
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            part.pixels.push_back(i);
            const int x = i % w, y = i / w;
            part.x0 = std::min(part.x0, x);
            part.x1 = std::max(part.x1, x);
            part.y0 = std::min(part.y0, y);
            part.y1 = std::max(part.y1, y);
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int xx = x + dx, yy = y + dy;
                    if (xx < 0 || yy < 0 || xx >= w || yy >= h) continue;
                    const int j = yy * w + xx;
                    if (mask[static_cast<size_t>(j)] && !tmp[static_cast<size_t>(j)]) {
                        tmp[static_cast<size_t>(j)] = next;
                        stack.push_back(j);
                    }
                }
        }
        part.area = static_cast<int>(part.pixels.size());
        if (part.area < minArea) continue;
        for (int i : part.pixels) labels[static_cast<size_t>(i)] = static_cast<int>(parts.size()) + 1;
        parts.push_back(std::move(part));
    }
    return parts;
}

}  // namespace ordavia
