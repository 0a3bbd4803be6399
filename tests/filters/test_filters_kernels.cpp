// The fast kernels against plain per-pixel references on random pictures
// whose widths leave every vector tail and whose regions start off any
// alignment, so that each path (vector body, scalar rest, borders) is
// compared byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "FilterTestSupport.h"
#include "image/CapillaryDetection.h"
#include "image/CustomKernel.h"
#include "image/ImageFilters.h"
#include "image/KernelSet.h"
#include "image/ProcessingArgs.h"
#include "synth/SyntheticNailfold.h"

using namespace ordavia;

namespace {

struct Case {
    int w, h;
    ZRect region;
};

const Case kCases[] = {{17, 9, {}}, {64, 48, {}}, {77, 45, {3, 2, 70, 44}}, {131, 67, {}}, {200, 37, {5, 1, 199, 36}}};

uint8_t clampByte(double v) { return !(v > 0.0) ? 0 : (v >= 255.0 ? 255 : uint8_t(v)); }

// Applies f(x, y, p) to every pixel of the clipped region of a copy.
template <class F>
CZVimage mapped(const CZVimage& src, const ZRect& region, F f) {
    CZVimage out = copyOf(src);
    const ZRect c = src.clip(region);
    for (int y = c.top; y < c.bottom; ++y)
        for (int x = c.left; x < c.right; ++x) out.row(y)[x] = f(x, y, px(src, x, y));
    return out;
}

uint64_t fnv(const CZVimage& img) {
    uint64_t h = 1469598103934665603ull;
    for (int v : pixelsOf(img)) h = (h ^ uint64_t(v)) * 1099511628211ull;
    return h;
}

}  // namespace

TEST(Kernels, PointOperationsMatchTheirFormulas) {
    uint32_t seed = 1;
    for (const Case& k : kCases) {
        const CZVimage src = randomImage(k.w, k.h, ++seed, 0, 255);
        for (auto [gain, offset] : {std::pair{0.8, 20.0}, {2.55, -51.0}, {-1.0, 255.0}, {1.0 / 3.0, 0.5}, {7.0, -900.0}}) {
            CZVimage img = copyOf(src);
            img.linearMap(k.region, gain, offset);
            const auto want = mapped(src, k.region, [g = gain, o = offset](int, int, int p) { return clampByte(std::trunc(g * p + o)); });
            ASSERT_EQ(pixelsOf(img), pixelsOf(want)) << gain << " " << offset << " " << k.w;
        }
        for (int level : {-1, 0, 127, 254, 255}) {
            CZVimage img = copyOf(src);
            img.threshold(k.region, level);
            ASSERT_EQ(pixelsOf(img), pixelsOf(mapped(src, k.region, [&](int, int, int p) { return p > level ? 255 : 0; })));
        }
        CZVimage neg = copyOf(src);
        ASSERT_TRUE(negativeFilter(neg, k.region));
        ASSERT_EQ(pixelsOf(neg), pixelsOf(mapped(src, k.region, [](int, int, int p) { return 255 - p; })));

        // The stretch over random sub-ranges, including one-grey-step ones.
        for (auto [lo, hi] : {std::pair{20, 219}, {0, 50}, {100, 101}, {3, 255}, {0, 254}}) {
            const CZVimage narrow = randomImage(k.w, k.h, ++seed, lo, hi);
            CZVimage img = copyOf(narrow);
            const ZRect c = narrow.clip(k.region);
            int mn = 255, mx = 0;
            for (int y = c.top; y < c.bottom; ++y)
                for (int x = c.left; x < c.right; ++x) mn = std::min(mn, px(narrow, x, y)), mx = std::max(mx, px(narrow, x, y));
            ASSERT_EQ(equalise(img, k.region), mx > mn);
            if (mx > mn) {
                ASSERT_EQ(pixelsOf(img), pixelsOf(mapped(narrow, k.region, [&](int, int, int p) {
                              return uint8_t((p - mn) * 255 / (mx - mn));
                          })));
            }
        }

        const CZVimage other = randomImage(k.w, k.h, ++seed);
        CZVimage diff = copyOf(src);
        ASSERT_TRUE(subtractImage(diff, other));
        ASSERT_EQ(pixelsOf(diff), pixelsOf(mapped(src, {}, [&](int x, int y, int p) {
                      return uint8_t(std::max(0, p - px(other, x, y)));
                  })));
    }
}

// Every byte through the whole-number and float forms of many linear maps,
// each compared with the table it stands for; the usual gains take the
// whole-number form.
TEST(Kernels, LinearMapFormsGiveTheirTableForEveryByte) {
    auto mapOf = [](double gain, double offset, uint8_t (&lut)[256]) {
        for (int p = 0; p < 256; ++p) lut[p] = clampByte(std::trunc(gain * p + offset));
        return byteMap(lut, gain, offset);
    };
    uint8_t lut[256];
    EXPECT_TRUE(mapOf(0.8, 20.0, lut).fixed);
    EXPECT_TRUE(mapOf(1.0 / 3.0, 0.5, lut).fixed);
    std::vector<uint8_t> all(256 * 3 + 7);
    uint32_t s = 3;
    int fixed = 0;
    for (int i = 0; i < 400; ++i) {
        s = s * 1664525u + 1013904223u;
        const double gain = i < 200 ? (s >> 8) % 4000 / 1000.0 : (s >> 8) % 256 / 64.0;
        const double offset = double(int((s >> 4) % 601) - 300) / (i % 3 + 1);
        const ByteMap map = mapOf(gain, offset, lut);
        fixed += map.fixed;
        for (size_t k = 0; k < all.size(); ++k) all[k] = uint8_t(k * 7);
        applyByteMap(map, all.data(), all.size());
        for (size_t k = 0; k < all.size(); ++k) ASSERT_EQ(all[k], lut[uint8_t(k * 7)]) << gain << " " << offset << " at " << k;
    }
    EXPECT_GT(fixed, 200);
}

TEST(Kernels, ThreeByThreeConvolutionMatchesDirectSums) {
    const CustomKernel kernels[] = {CustomKernel::laplacian(),
                                    {{1, 2, 1, 2, 4, 2, 1, 2, 1}, 1.0 / 16.0, 0},
                                    {{-3, 0, 3, -10, 0, 10, -3, 0, 3}, 0.37, 128},
                                    {{100000, -7, 0, 0, 1, 0, 0, 0, -100000}, 1e-3, 9}};
    uint32_t seed = 50;
    for (const Case& c : kCases)
        for (const CustomKernel& kern : kernels) {
            const CZVimage src = randomImage(c.w, c.h, ++seed);
            CZVimage img = copyOf(src);
            ASSERT_TRUE(convolve3x3(img, c.region, kern));
            const ZRect r = src.clip(c.region);
            const auto want = mapped(src, c.region, [&](int x, int y, int) {
                int64_t v = 0;
                for (int i = 0; i < 9; ++i) {
                    const int xx = std::clamp(x + i % 3 - 1, r.left, r.right - 1);
                    const int yy = std::clamp(y + i / 3 - 1, r.top, r.bottom - 1);
                    v += int64_t(kern.k[i]) * px(src, xx, yy);
                }
                return clampByte(std::trunc(double(v) * kern.gain + kern.offset));
            });
            ASSERT_EQ(pixelsOf(img), pixelsOf(want)) << c.w << "x" << c.h << " gain " << kern.gain;
        }
}

// The whole detection on a synthetic nailfold, pinned by the results of
// the straightforward kernels the fast ones replaced.
TEST(Kernels, DetectionChainIsUnchanged) {
    SyntheticNailfold::Params p;
    p.width = 320;
    p.height = 240;
    SyntheticNailfold::Truth truth;
    CZVimage img;
    ASSERT_TRUE(SyntheticNailfold::generate(p, img, truth));
    EXPECT_EQ(fnv(img), 3246318370701477448ull);  // the same picture with every compiler
    const ProcessingArgs a;
    CZVimage pre = copyOf(img);
    ASSERT_TRUE(preprocessChain(pre, {}, a));
    const DetectionResult r = detectCapillaries(img, {}, a);
    EXPECT_EQ(fnv(pre), 11827001264058279004ull);
    EXPECT_EQ(fnv(r.mask), 3290212091582835990ull);
    EXPECT_EQ(r.threshold, 89);
    EXPECT_EQ(r.regions.size(), 4u);
}
