// The Gaussian blur against a direct reading of its definition.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "FilterTestSupport.h"
#include "image/GaussianBlur.h"

using namespace ordavia;

namespace {

void referenceLine(const std::vector<float>& g, const std::vector<float>& e, std::vector<float>& s) {
    const int m = int(g.size()), len = int(s.size());
    if (len <= 2 * m + 1) return;
    std::vector<float> out(s.size());
    for (int i = 0; i < len; ++i) {
        float v = g[0] * s[size_t(i)];
        for (int j = 1; j < m; ++j) {
            const bool before = i - j >= 0, after = i + j < len;
            if (before && after)
                v += g[size_t(j)] * (s[size_t(i + j)] + s[size_t(i - j)]);
            else if (after)
                v += g[size_t(j)] * s[size_t(i + j)];
            else
                v += g[size_t(j)] * s[size_t(i - j)];
        }
        if (i < m - 1) v += e[size_t(i)] * s[0];
        if (len - 1 - i < m - 1) v += e[size_t(len - 1 - i)] * s[size_t(len - 1)];
        out[size_t(i)] = std::trunc(v);
    }
    s = out;
}

// The kernel comes from makeGaussianKernel (its taps are checked by hand
// below); each line is convolved directly with edge weights.
void referenceBlur(CZVimage& img, double sigma, ZRect r = {}) {
    const GaussianKernel k = makeGaussianKernel(sigma);
    const std::vector<float>&g = k.g, &e = k.e;
    if (r.isEmpty()) r = {0, 0, img.width(), img.rows()};
    const int w = r.width(), h = r.height();
    auto at = [&](int x, int y) -> uint8_t& { return img.row(r.top + y)[r.left + x]; };
    for (int y = 0; y < h; ++y) {
        std::vector<float> s(static_cast<size_t>(w));
        for (int x = 0; x < w; ++x) s[size_t(x)] = at(x, y);
        referenceLine(g, e, s);
        for (int x = 0; x < w; ++x) at(x, y) = static_cast<uint8_t>(std::clamp(s[size_t(x)], 0.0f, 255.0f));
    }
    for (int x = 0; x < w; ++x) {
        std::vector<float> s(static_cast<size_t>(h));
        for (int y = 0; y < h; ++y) s[size_t(y)] = at(x, y);
        referenceLine(g, e, s);
        for (int y = 0; y < h; ++y) at(x, y) = static_cast<uint8_t>(std::clamp(s[size_t(y)], 0.0f, 255.0f));
    }
}

}  // namespace

TEST(GaussianKernel, TapsOfSigmaOneAndTheTaperedTailOfSigmaTwo) {
    const GaussianKernel k = makeGaussianKernel(1.0);
    ASSERT_EQ(k.taps(), 4);
    // exp(-i^2 / 2) over 1 + 2 (e^-0.5 + e^-2 + e^-4.5).
    const double total = 1 + 2 * (std::exp(-0.5) + std::exp(-2.0) + std::exp(-4.5));
    EXPECT_NEAR(k.g[0], 1 / total, 1e-6);
    EXPECT_NEAR(k.g[3], std::exp(-4.5) / total, 1e-7);
    EXPECT_NEAR(k.e[0], (1 - k.g[0]) / 2, 1e-7);  // one whole side
    EXPECT_NEAR(k.e[3], 0.0, 1e-6);                // nothing left beyond the last tap
    EXPECT_NEAR(k.e[1], k.g[2] + k.g[3], 1e-6);
    // sigma 2: 7 taps; sqrt(g) / (m - i) falls from i = 6 to i = 5 and rises
    // at i = 4, so g[6] becomes (1 x sqrt(g[5]) / 2)^2 = g[5] / 4 instead of
    // g[5] x e^(-11/8).
    const GaussianKernel k2 = makeGaussianKernel(2.0);
    ASSERT_EQ(k2.taps(), 7);
    EXPECT_NEAR(k2.g[6] / k2.g[5], 0.25, 1e-5);
}

TEST(GaussianKernel, RefusesSigmaWithoutAKernel) {
    for (double sigma : {0.0, -1.0, std::nan(""), double(INFINITY), 1e12})
        EXPECT_TRUE(makeGaussianKernel(sigma).g.empty()) << sigma;
    CZVimage img = randomImage(40, 40, 1);
    const auto before = pixelsOf(img);
    EXPECT_FALSE(gaussianBlur(img, {}, 0.0));
    EXPECT_EQ(pixelsOf(img), before);
}

// From sigma 2 on, the 12-row picture's columns are no longer than 2 m + 1:
// those stay as they are and only the rows are blurred. The 900-pixel rows
// are wide enough for the columns to go strip by strip.
TEST(GaussianBlur, EqualsTheReferenceOnRandomPictures) {
    for (double sigma : {0.5, 1.0, 1.3, 1.6, 2.0, 3.3, 5.0}) {
        for (auto [w, h] : {std::pair{64, 48}, std::pair{33, 70}, std::pair{90, 12}, std::pair{131, 77}, std::pair{300, 41},
                            std::pair{900, 29}}) {
            CZVimage img = randomImage(w, h, uint32_t(w * 7 + h), 0, 255);
            CZVimage ref = copyOf(img);
            ASSERT_TRUE(gaussianBlur(img, {}, sigma));
            referenceBlur(ref, sigma);
            ASSERT_EQ(pixelsOf(img), pixelsOf(ref)) << "sigma " << sigma << " " << w << "x" << h;
        }
        // A region inside a larger picture: its rows lie a stride apart, the
        // pixels around it stay as they are.
        CZVimage img = randomImage(160, 90, 77, 0, 255);
        CZVimage ref = copyOf(img);
        const ZRect region{7, 5, 150, 86};
        ASSERT_TRUE(gaussianBlur(img, region, sigma));
        referenceBlur(ref, sigma, region);
        ASSERT_EQ(pixelsOf(img), pixelsOf(ref)) << "sigma " << sigma << " in a region";
    }
}
