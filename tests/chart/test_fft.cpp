// FFT and windows: the size rules, the documented scalings against a
// straightforward DFT in long double, and the window shapes.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
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
