// Figures of a nailfold picture for setting synthetic pictures beside real
// ones. See CapillaryCountStats.h.
#include "image/CapillaryCountStats.h"

#include <algorithm>
#include <cmath>

#include "image/CZVimage.h"
#include "image/CapillaryCount.h"

namespace ordavia {

namespace {

float bilinear(const std::vector<float>& v, int w, int h, double x, double y) {
    x = std::clamp(x, 0.0, w - 1.0);
    y = std::clamp(y, 0.0, h - 1.0);
    const int x0 = std::min(static_cast<int>(x), std::max(0, w - 2)), y0 = std::min(static_cast<int>(y), std::max(0, h - 2));
    const int x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
    const auto fx = static_cast<float>(x - x0), fy = static_cast<float>(y - y0);
    auto at = [&](int xx, int yy) { return v[static_cast<size_t>(yy) * static_cast<size_t>(w) + static_cast<size_t>(xx)]; };
    const float top = at(x0, y0) + fx * (at(x1, y0) - at(x0, y0));
    const float bottom = at(x0, y1) + fx * (at(x1, y1) - at(x0, y1));
    return top + fy * (bottom - top);
}

void smooth1(std::vector<float>& p, double sigma) {
    const int n = static_cast<int>(p.size()), r = static_cast<int>(std::ceil(3 * sigma));
    std::vector<float> out(p.size());
    for (int i = 0; i < n; ++i) {
        double s = 0, wsum = 0;
        for (int j = -r; j <= r; ++j) {
            const int q = std::clamp(i + j, 0, n - 1);
            const double k = std::exp(-j * j / (2 * sigma * sigma));
            s += k * p[static_cast<size_t>(q)];
            wsum += k;
        }
        out[static_cast<size_t>(i)] = static_cast<float>(s / wsum);
    }
    p.swap(out);
}

}  // namespace

double percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const double pos = std::clamp(q, 0.0, 1.0) * static_cast<double>(v.size() - 1);
    const auto i = static_cast<size_t>(pos);
    const double f = pos - static_cast<double>(i);
    return i + 1 < v.size() ? v[i] + f * (v[i + 1] - v[i]) : v[i];
}

std::vector<ProfilePeak> profilePeaks(const std::vector<float>& p) {
    std::vector<ProfilePeak> out;
    const int n = static_cast<int>(p.size());
    for (int i = 1; i + 1 < n; ++i) {
        const float v = p[static_cast<size_t>(i)];
        if (!(v > p[static_cast<size_t>(i - 1)])) continue;
        // A flat top counts once, at its middle.
        int j = i;
        while (j + 1 < n && p[static_cast<size_t>(j + 1)] == v) ++j;
        if (j + 1 >= n || !(p[static_cast<size_t>(j + 1)] < v)) {
            i = j;
            continue;
        }
        const int at = (i + j) / 2;
        // Bases: the lowest point on each side before the profile rises
        // above the peak (or ends).
        float leftMin = v, rightMin = v;
        for (int k = i - 1; k >= 0 && p[static_cast<size_t>(k)] <= v; --k) leftMin = std::min(leftMin, p[static_cast<size_t>(k)]);
        for (int k = j + 1; k < n && p[static_cast<size_t>(k)] <= v; ++k) rightMin = std::min(rightMin, p[static_cast<size_t>(k)]);
        ProfilePeak pk;
        pk.at = at;
        pk.height = v;
        pk.prominence = v - std::max(leftMin, rightMin);
        // Width where the dip crosses half its prominence, interpolated.
        const double ref = v - pk.prominence / 2;
        double lo = at, hi = at;
        int k = at;
        while (k > 0 && p[static_cast<size_t>(k)] > ref) --k;
        lo = p[static_cast<size_t>(k)] < ref && k < at
                 ? k + (ref - p[static_cast<size_t>(k)]) / (p[static_cast<size_t>(k + 1)] - p[static_cast<size_t>(k)])
                 : k;
        k = at;
        while (k < n - 1 && p[static_cast<size_t>(k)] > ref) ++k;
        hi = p[static_cast<size_t>(k)] < ref && k > at
                 ? k - (ref - p[static_cast<size_t>(k)]) / (p[static_cast<size_t>(k - 1)] - p[static_cast<size_t>(k)])
                 : k;
        pk.width = hi - lo;
        out.push_back(pk);
        i = j;
    }
    return out;
}

std::vector<ProfilePeak> mostProminent(std::vector<ProfilePeak> peaks, size_t most) {
    std::stable_sort(peaks.begin(), peaks.end(),
                     [](const ProfilePeak& a, const ProfilePeak& b) { return a.prominence > b.prominence; });
    if (peaks.size() > most) peaks.resize(most);
    std::sort(peaks.begin(), peaks.end(), [](const ProfilePeak& a, const ProfilePeak& b) { return a.at < b.at; });
    return peaks;
}

CountPictureStats countPictureStats(const CZVimage& img, double x1, double y1, double x2, double y2, int vessels) {
    CountPictureStats st;
    const CountPlane g = countPlane(img, 1, 1, 1);
    const int w = g.width, h = g.height;
    if (w < 3 || h < 3) return st;
    const size_t n = g.v.size();

    // Mean levels; colour rows are blue, green, red.
    double sumR = 0, sumG = 0, sumB = 0;
    const bool colour = img.colour() == CZVimage::kColour;
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = img.row(y);
        for (int x = 0; x < w; ++x) {
            if (colour) {
                sumB += row[3 * x];
                sumG += row[3 * x + 1];
                sumR += row[3 * x + 2];
            } else {
                sumG += g.v[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
            }
        }
    }
    st.meanGreen = sumG / static_cast<double>(n);
    st.meanRed = colour ? sumR / static_cast<double>(n) : st.meanGreen;
    st.meanBlue = colour ? sumB / static_cast<double>(n) : st.meanGreen;

    std::vector<float> light = g.v;
    gaussianPlane(light, w, h, 40, 40);
    double s1 = 0, s2 = 0;
    for (float v : light) {
        s1 += v;
        s2 += double(v) * v;
    }
    const double mean = s1 / static_cast<double>(n);
    st.unevenLight = mean > 0 ? std::sqrt(std::max(0.0, s2 / static_cast<double>(n) - mean * mean)) / mean : 0;

    // Noise in a 200 x 200 window round the middle of the line.
    {
        const int ww = std::min(200, w), wh = std::min(200, h);
        const int cx = static_cast<int>(std::lround((x1 + x2) / 2)), cy = static_cast<int>(std::lround((y1 + y2) / 2));
        const int left = std::clamp(cx - ww / 2, 0, w - ww), top = std::clamp(cy - wh / 2, 0, h - wh);
        // Blurred with a margin so that the window's own edges do not count.
        const int m = 4;
        const int bl = std::max(0, left - m), bt = std::max(0, top - m);
        const int bw = std::min(w, left + ww + m) - bl, bh = std::min(h, top + wh + m) - bt;
        std::vector<float> win(static_cast<size_t>(bw) * static_cast<size_t>(bh));
        for (int y = 0; y < bh; ++y)
            for (int x = 0; x < bw; ++x)
                win[static_cast<size_t>(y) * static_cast<size_t>(bw) + static_cast<size_t>(x)] =
                    g.v[static_cast<size_t>(bt + y) * static_cast<size_t>(w) + static_cast<size_t>(bl + x)];
        std::vector<float> blur = win;
        gaussianPlane(blur, bw, bh, 1, 1);
        double a1 = 0, a2 = 0;
        for (int y = top; y < top + wh; ++y)
            for (int x = left; x < left + ww; ++x) {
                const size_t i = static_cast<size_t>(y - bt) * static_cast<size_t>(bw) + static_cast<size_t>(x - bl);
                const double d = double(win[i]) - blur[i];
                a1 += d;
                a2 += d * d;
            }
        const double k = double(ww) * wh;
        st.noise = std::sqrt(std::max(0.0, a2 / k - (a1 / k) * (a1 / k)));
    }

    // The darkening profile along the line.
    const double ex = x2 - x1, ey = y2 - y1, len = std::sqrt(ex * ex + ey * ey);
    if (!(len > 0)) return st;
    const double ux = ex / len, uy = ey / len;
    const int samples = static_cast<int>(std::floor(len)) + 1;
    st.profile.resize(static_cast<size_t>(samples));
    for (int i = 0; i < samples; ++i) {
        double sum = 0;
        for (int o = -3; o <= 3; ++o) {
            const double x = x1 + i * ux - o * uy, y = y1 + i * uy + o * ux;
            const float gv = bilinear(g.v, w, h, x, y), bv = bilinear(light, w, h, x, y);
            sum += bv > 0 ? 1 - gv / bv : 0;
        }
        st.profile[static_cast<size_t>(i)] = static_cast<float>(sum / 7);
    }
    smooth1(st.profile, 1);
    if (vessels <= 0) return st;
    for (const ProfilePeak& pk : mostProminent(profilePeaks(st.profile), static_cast<size_t>(vessels))) {
        st.position.push_back(pk.at);
        st.darkening.push_back(pk.height);
        st.prominence.push_back(pk.prominence);
        st.widthPx.push_back(pk.width);
    }
    for (size_t i = 1; i < st.position.size(); ++i) st.spacingPx.push_back(st.position[i] - st.position[i - 1]);
    return st;
}

}  // namespace ordavia
