// FFT and windows: the size rules, the documented scalings against a
// straightforward DFT in long double, and the window shapes.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <random>
#include <vector>

#include "chart/FftEngine.h"
#include "chart/SpectralWindow.h"

namespace {
using cld = std::complex<long double>;

std::vector<cld> dft(const std::vector<cld>& x) {
    const size_t n = x.size();
    std::vector<cld> out(n);
    const long double pi = 3.141592653589793238462643383279L;
    for (size_t k = 0; k < n; ++k) {
        cld s = 0;
        for (size_t j = 0; j < n; ++j) s += x[j] * std::polar(1.0L, -2 * pi * (long double)((j * k) % n) / n);
        out[k] = s;
    }
    return out;
}
}  // namespace

TEST(FftEngine, ComplexTransformMatchesDftForEverySize) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int n : {4, 16, 64, 256, 1024}) {
        FftEngine f;
        ASSERT_TRUE(f.Prepare(n));
        std::vector<double> re(n), im(n);
        std::vector<cld> x(n);
        for (int i = 0; i < n; ++i) {
            re[i] = u(rng);
            im[i] = u(rng);
            x[i] = cld(re[i], im[i]);
        }
        const auto ref = dft(x);
        std::vector<double> fr = re, fi = im;
        f.complexTransform(fr.data(), fi.data(), false);
        double worst = 0, scale = 0;
        for (int k = 0; k < n; ++k) {
            const cld want = ref[k] / (long double)n;
            worst = std::max(worst, (double)std::abs(cld(fr[k], fi[k]) - want));
            scale = std::max(scale, (double)std::abs(want));
        }
        EXPECT_LT(worst / scale, 1e-9) << "n=" << n;
        // Inverse of the forward result gives the input back (unscaled inverse).
        f.complexTransform(fr.data(), fi.data(), true);
        for (int i = 0; i < n; ++i) ASSERT_NEAR(fr[i], re[i], 1e-12) << n;
    }
}

TEST(FftEngine, SizeCheckPrepareAndRealPowerSpectrumScaling) {
    FftEngine f;
    ASSERT_TRUE(f.Prepare(4));
    std::vector<double> ones(8, 1.0), p(4);
    f.realPowerSpectrum(ones.data(), p.data());
    // The unpacking factors are 1/sqrt(2) and 1/(2 sqrt(2)) rounded to single
    // precision, as stored spectra were made: 2.0 within 1e-7.
    EXPECT_NEAR(p[0], 2.0, 2e-7);
    for (int k = 1; k < 4; ++k) EXPECT_NEAR(p[k], 0.0, 1e-15);

    // Every bin (odd ones too) is |X[k]|^2 / n^2 x (2 x 0.3535533811865478)^2
    // of the 2n-point DFT, i.e. |X[k]|^2 / (2 n^2) up to the factor's rounding.
    const long double f2 = 4.0L * 0.3535533811865478L * 0.3535533811865478L;
    FftEngine g;
    ASSERT_TRUE(g.Prepare(256));
    std::mt19937 rng(3);
    std::normal_distribution<double> nd(0, 1);
    std::vector<double> s(512), q(256);
    std::vector<cld> x(512);
    for (int i = 0; i < 512; ++i) x[i] = s[i] = nd(rng);
    g.realPowerSpectrum(s.data(), q.data());
    const auto X = dft(x);
    for (int k = 1; k < 256; ++k) {
        const double want = (double)(std::norm(X[k]) * f2 / (256.0L * 256));
        ASSERT_NEAR(q[k], want, 1e-9 * want + 1e-15) << k;
    }
    // Sizes are checked and prepared once.
    EXPECT_EQ(FftEngine::sizeCheck(4096), 6);
    EXPECT_EQ(FftEngine::sizeCheck(8192), -3);
    EXPECT_EQ(FftEngine::sizeCheck(2), -1);
    FftEngine sized;
    EXPECT_FALSE(sized.Prepare(32));
    EXPECT_TRUE(sized.Prepare(16));
    EXPECT_FALSE(sized.Prepare(16)) << "prepared once per size";
}

TEST(SpectralWindow, Shapes) {
    SpectralWindow w;
    EXPECT_FALSE(w.Prepare(2, 0));
    ASSERT_TRUE(w.Prepare(SpectralWindow::Hann, 5));
    const double hann[] = {0, 0.5, 1, 0.5, 0};
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(w.values()[i], hann[i], 1e-6);
    ASSERT_TRUE(w.Prepare(SpectralWindow::Triangular, 4));
    const double tri[] = {0, 2.0 / 3, 2 - 4.0 / 3, 0};
    for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(w.values()[i], tri[i]);
    ASSERT_TRUE(w.Prepare(99, 4));
    EXPECT_EQ(w.shape(), 0);
    double x[4] = {1, 2, 3, 4};
    w.Apply(x);
    EXPECT_EQ(x[3], 4) << "rectangular leaves samples alone";
    ASSERT_TRUE(w.Prepare(SpectralWindow::Blackman, 9));
    EXPECT_NEAR(w.values()[4], 1.0, 1e-6);
    EXPECT_NEAR(w.values()[0], 0.0, 1e-6);
}

#include "chart/CAxis.h"

TEST(CAxis, AZeroScaleChangesNothingAndTicksStayOnTheAxis) {
    CAxis x(true);
    x.measure(8, 16, false);
    x.setScale(50.0);
    x.setScale(0.0);
    EXPECT_EQ(x.requestedScale, 50.0);

    CAxis y(false);
    y.measure(8, 16, false);
    y.length = 200;
    y.setScale(0.37);
    const auto t = y.ticks();
    ASSERT_FALSE(t.empty());
    for (const auto& k : t) EXPECT_TRUE(k.pixel >= -0.5 && k.pixel <= 200.5);
}

namespace {

// The transform as written first: digit reversal by swaps, then every
// radix-4 stage over the whole array in turn, then the real unpacking with
// the scaling folded in. The engine may order its work differently, but
// each value must come out of the same operations.
struct PlainFft {
    int n;
    std::vector<double> c, s, hc, hs;
    static void table(double step, int n, std::vector<double>& c, std::vector<double>& s) {
        c.assign(size_t(n), 0.0);
        s.assign(size_t(n), 0.0);
        const double c1 = std::cos(step), s1 = -std::sqrt(1.0 - c1 * c1);
        c[0] = 1.0;
        if (n > 1) c[1] = c1, s[1] = s1;
        for (int k = 1; k + 1 < n; ++k) {
            c[size_t(k + 1)] = c1 * c[size_t(k)] - s1 * s[size_t(k)];
            s[size_t(k + 1)] = c1 * s[size_t(k)] + s1 * c[size_t(k)];
        }
    }
    explicit PlainFft(int n) : n(n) {
        table(M_PI / (n / 2), n, c, s);
        table(M_PI / n, n, hc, hs);
        for (int k = 0; k < n; k += 2) hc[size_t(k)] = c[size_t(k / 2)], hs[size_t(k)] = s[size_t(k / 2)];
    }
    void forward(std::vector<double>& re, std::vector<double>& im) const {
        for (int k = 0; k < n; ++k) {
            int j = 0;
            for (int v = k, m = 1; m < n; m *= 4, v >>= 2) j = (j << 2) | (v & 3);
            if (j > k) std::swap(re[size_t(k)], re[size_t(j)]), std::swap(im[size_t(k)], im[size_t(j)]);
        }
        for (int m = 1; m < n; m *= 4)
            for (int g = 0; g < n; g += 4 * m)
                for (int j = 0; j < m; ++j) {
                    const int t = n / (4 * m);
                    double xr[4], xi[4];
                    for (int q = 0; q < 4; ++q) {
                        const size_t at = size_t(g + q * m + j);
                        if (m == 1 || q == 0) {
                            xr[q] = re[at], xi[q] = im[at];
                        } else {
                            const double wr = c[size_t(q * j * t)], wi = s[size_t(q * j * t)];
                            xr[q] = re[at] * wr - im[at] * wi, xi[q] = re[at] * wi + im[at] * wr;
                        }
                    }
                    const double ar = xr[0] + xr[2], ai = xi[0] + xi[2], br = xr[0] - xr[2], bi = xi[0] - xi[2];
                    const double cr = xr[1] + xr[3], ci = xi[1] + xi[3], dr = xr[1] - xr[3], di = xi[1] - xi[3];
                    const size_t at = size_t(g + j), mm = size_t(m);
                    re[at] = ar + cr, im[at] = ai + ci, re[at + 2 * mm] = ar - cr, im[at + 2 * mm] = ai - ci;
                    re[at + mm] = br + di, im[at + mm] = bi - dr, re[at + 3 * mm] = br - di, im[at + 3 * mm] = bi + dr;
                }
    }
    std::vector<double> power(const std::vector<double>& x) const {
        std::vector<double> re(static_cast<size_t>(n)), im(static_cast<size_t>(n)), p(static_cast<size_t>(n));
        for (int k = 0; k < n; ++k) re[size_t(k)] = x[size_t(2 * k)], im[size_t(k)] = x[size_t(2 * k + 1)];
        forward(re, im);
        const double edge = 0.7071067623730956 / n, inner = 0.3535533811865478 / n;
        const double e0 = (re[0] + im[0]) * edge;
        p[0] = e0 * e0;
        for (int k = 1; k < n; ++k) {
            const double a = re[size_t(k)], b = re[size_t(n - k)], pp = im[size_t(k)], q = im[size_t(n - k)];
            const double r = (a + b + (a - b) * hs[size_t(k)] + (pp + q) * hc[size_t(k)]) * inner;
            const double i = ((pp + q) * hs[size_t(k)] + (pp - q) - (a - b) * hc[size_t(k)]) * inner;
            p[size_t(k)] = r * r + i * i;
        }
        return p;
    }
};

}  // namespace

TEST(FftEngine, SpectraAndTransformsAreTheSameBitsAsThePlainStageOrder) {
    std::mt19937 rng(11);
    std::normal_distribution<double> d(0, 1);
    for (int n : {4, 16, 64, 256, 1024, 4096}) {
        FftEngine f;
        ASSERT_TRUE(f.Prepare(n));
        const PlainFft plain(n);
        std::vector<double> x(static_cast<size_t>(2 * n));
        for (double& v : x) v = d(rng);
        std::vector<double> p(static_cast<size_t>(n));
        f.realPowerSpectrum(x.data(), p.data());
        EXPECT_EQ(std::memcmp(p.data(), plain.power(x).data(), p.size() * sizeof(double)), 0) << n;
        std::vector<double> re(x.begin(), x.begin() + n), im(x.begin() + n, x.end()), pre = re, pim = im;
        f.complexTransform(re.data(), im.data(), false);
        plain.forward(pre, pim);
        for (int k = 0; k < n; ++k) pre[size_t(k)] *= 1.0 / n, pim[size_t(k)] *= 1.0 / n;
        EXPECT_EQ(std::memcmp(re.data(), pre.data(), re.size() * sizeof(double)), 0) << n;
        EXPECT_EQ(std::memcmp(im.data(), pim.data(), im.size() * sizeof(double)), 0) << n;
    }
}
