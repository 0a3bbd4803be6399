// Charts: FftEngine real power spectra next to FFTW 3 on the same samples
// (with the largest relative disagreement after the documented scaling as
// a counter), vector statistics and correlograms next to a memcpy of the
// same bytes, text import of files from 10 to 200,000 columns, and the
// repaint of a million-sample trace into a 1600-pixel-wide plot.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "chart/CTrace.h"
#include "chart/CdataVect.h"
#include "chart/DataFileFormat.h"
#include "chart/FftEngine.h"
#include "chart/ZchartDoc.h"

#ifdef ORDAVIA_HAVE_FFTW
#include <fftw3.h>
#endif
#ifdef ORDAVIA_BENCH_UI
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "chart/ui/ChartPainter.h"

using namespace ordavia;
#endif

namespace {

std::vector<double> noise(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> d(0, 1);
    std::vector<double> v(n);
    for (auto& x : v) x = d(rng);
    return v;
}

// Complex size n: 2n real samples.
void BM_FftEngineRealPower(benchmark::State& st) {
    const int n = static_cast<int>(st.range(0));
    FftEngine f;
    f.Prepare(n);
    const auto x = noise(2 * size_t(n), 1);
    std::vector<double> p(n);
    for (auto _ : st) {
        f.realPowerSpectrum(x.data(), p.data());
        benchmark::DoNotOptimize(p.data());
    }
    st.SetItemsProcessed(st.iterations());
    st.SetLabel(std::to_string(2 * n) + "-sample real spectra");
#ifdef ORDAVIA_HAVE_FFTW
    // Agreement with FFTW after the documented scaling: |X|^2 / n^2 x (2 c)^2.
    std::vector<double> in(x);
    fftw_complex* out = fftw_alloc_complex(n + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(2 * n, in.data(), out, FFTW_ESTIMATE);
    fftw_execute(plan);
    const double c = 2 * 0.3535533811865478;
    double worst = 0, diff2 = 0, norm2 = 0;
    for (int k = 1; k < n; ++k) {
        const double want = (out[k][0] * out[k][0] + out[k][1] * out[k][1]) * c * c / (double(n) * n);
        worst = std::max(worst, std::fabs(p[k] - want) / std::max(want, 1e-300));
        diff2 += (p[k] - want) * (p[k] - want);
        norm2 += want * want;
    }
    // Largest error of one bin against that bin, and over the whole spectrum.
    st.counters["max_bin_rel_err"] = worst;
    st.counters["rel_err_norm"] = std::sqrt(diff2 / norm2);
    fftw_destroy_plan(plan);
    fftw_free(out);
#endif
}
BENCHMARK(BM_FftEngineRealPower)->Arg(256)->Arg(4096);

#ifdef ORDAVIA_HAVE_FFTW
// FFTW's real-to-complex transform of the same 2n samples, with the powers.
void BM_FftwRealPower(benchmark::State& st) {
    const int n = static_cast<int>(st.range(0));
    double* in = fftw_alloc_real(2 * size_t(n));
    fftw_complex* out = fftw_alloc_complex(size_t(n) + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(2 * n, in, out, FFTW_MEASURE);
    const auto x = noise(2 * size_t(n), 1);
    std::vector<double> p(n);
    for (auto _ : st) {
        std::memcpy(in, x.data(), x.size() * sizeof(double));
        fftw_execute(plan);
        for (int k = 0; k < n; ++k) p[k] = out[k][0] * out[k][0] + out[k][1] * out[k][1];
        benchmark::DoNotOptimize(p.data());
    }
    st.SetItemsProcessed(st.iterations());
    st.SetLabel(std::to_string(2 * n) + "-sample real spectra");
    fftw_destroy_plan(plan);
    fftw_free(in);
    fftw_free(out);
}
BENCHMARK(BM_FftwRealPower)->Arg(256)->Arg(4096);

// Both transforms in every round of one run, one after the other, each over
// 64 spectra in processor time of the thread: the counters are the fastest
// round of each in microseconds per spectrum and ratio = ours / FFTW's
// (the goal is at most 1.2), so that other work on the machine weighs on
// both alike.
double threadUs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) * 1e-3;
}

void BM_FftRatio(benchmark::State& st) {
    const int n = static_cast<int>(st.range(0));
    constexpr int kSpectra = 64;
    FftEngine f;
    f.Prepare(n);
    const auto x = noise(2 * size_t(n), 1);
    std::vector<double> p(n);
    double* in = fftw_alloc_real(2 * size_t(n));
    fftw_complex* out = fftw_alloc_complex(size_t(n) + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(2 * n, in, out, FFTW_MEASURE);
    double best[2] = {1e30, 1e30};
    for (auto _ : st) {
        double t0 = threadUs();
        for (int i = 0; i < kSpectra; ++i) {
            f.realPowerSpectrum(x.data(), p.data());
            benchmark::DoNotOptimize(p.data());
        }
        best[0] = std::min(best[0], (threadUs() - t0) / kSpectra);
        t0 = threadUs();
        for (int i = 0; i < kSpectra; ++i) {
            std::memcpy(in, x.data(), x.size() * sizeof(double));
            fftw_execute(plan);
            for (int k = 0; k < n; ++k) p[k] = out[k][0] * out[k][0] + out[k][1] * out[k][1];
            benchmark::DoNotOptimize(p.data());
        }
        best[1] = std::min(best[1], (threadUs() - t0) / kSpectra);
    }
    st.counters["ours_us"] = best[0];
    st.counters["fftw_us"] = best[1];
    st.counters["ratio"] = best[0] / best[1];
    st.SetLabel(std::to_string(2 * n) + "-sample real spectra");
    fftw_destroy_plan(plan);
    fftw_free(in);
    fftw_free(out);
}
BENCHMARK(BM_FftRatio)->Arg(256)->Arg(4096);
#endif

void BM_VectorStatistics(benchmark::State& st) {
    CfloatVect v;
    v.resize(1 << 20);
    const auto x = noise(1 << 20, 2);
    for (uint32_t i = 0; i < v.count; ++i) v.setAt(i, x[i]);
    double m, lo, hi;
    for (auto _ : st) {
        benchmark::DoNotOptimize(v.statistics(m, lo, hi, 0, 0));
        benchmark::DoNotOptimize(m);
    }
    st.SetBytesProcessed(int64_t(st.iterations()) * v.byteCount());
    st.SetItemsProcessed(int64_t(st.iterations()) * v.count);
}
BENCHMARK(BM_VectorStatistics);

void BM_Memcpy4MB(benchmark::State& st) {
    std::vector<uint8_t> a(4 << 20, 1), b(4 << 20);
    for (auto _ : st) {
        std::memcpy(b.data(), a.data(), a.size());
        benchmark::DoNotOptimize(b.data());
    }
    st.SetBytesProcessed(int64_t(st.iterations()) * a.size());
}
BENCHMARK(BM_Memcpy4MB);

// A correlogram of a 128-sample window over 128 lags, as the line-scan
// velocities use them.
void BM_Correlogram(benchmark::State& st) {
    CdoubleVect a, b, out;
    a.resize(1024);
    b.resize(1024);
    out.resize(128);
    const auto x = noise(1024, 3);
    for (uint32_t i = 0; i < 1024; ++i) {
        a.setAt(i, x[i]);
        b.setAt(i, x[(i + 7) % 1024]);
    }
    for (auto _ : st) {
        out.cursor = 0;
        a.correlateWindow(100, b, 100, out, 128, false);
        benchmark::DoNotOptimize(out.rawData());
    }
    st.SetItemsProcessed(st.iterations());
    st.SetLabel("correlograms (128 x 128)");
}
BENCHMARK(BM_Correlogram);

// A scan trace of 256 lines of 512 points: the correlogram of every line
// against the line two before it (256 shifts each) into a 16-bit trace.
void BM_CorrelogramOfRows(benchmark::State& st) {
    C2DTrace scan(16, 256, 512), target(12, 1, 1);
    const auto x = noise(256 * 512, 5);
    for (uint32_t r = 0; r < 256; ++r) {
        for (uint32_t c = 0; c < 512; ++c) scan.data->setAt(r, c, x[(r * 3 + c) % x.size()]);
        scan.extent->setAt(r, 512.0);
    }
    for (auto _ : st) {
        benchmark::DoNotOptimize(scan.correlogramInto(target, 0, 0, 2));
    }
    st.SetItemsProcessed(st.iterations() * 256);
    st.SetLabel("rows of 512 (256 shifts) per second");
}
BENCHMARK(BM_CorrelogramOfRows)->Unit(benchmark::kMillisecond);

// 256 spectra of 512 samples each (256 bins, Hann window) into a trace.
void BM_SpectraOfRows(benchmark::State& st) {
    CTrace source(8, 256 * 512);
    const auto x = noise(256 * 512, 6);
    for (uint32_t i = 0; i < x.size(); ++i) source.data->setAt(i, x[i]);
    C2DTrace spectra(16, 1, 256);
    for (auto _ : st) {
        benchmark::DoNotOptimize(spectra.spectrumOf(0, 0, source, nullptr, 2));
    }
    st.SetItemsProcessed(st.iterations() * 256);
    st.SetLabel("512-sample spectra per second");
}
BENCHMARK(BM_SpectraOfRows)->Unit(benchmark::kMillisecond);

// Text import: st.range(0) values on each of two lines, one trace per
// column. The reader passes over the file once, so bytes per second stay
// the same from 10 columns to 200,000 (memcpy of the text: BM_Memcpy4MB).
void BM_TextImportColumns(benchmark::State& st) {
    const int columns = static_cast<int>(st.range(0));
    const int rows = std::max(2, 400000 / columns);
    std::string text;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) text += std::to_string((r * 31 + c) % 1000) + (c + 1 < columns ? "," : "\n");
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    for (auto _ : st) {
        DataFileFormat f;
        f.columns = columns;
        f.count = rows;
        f.outputType = 6;
        ZchartDoc doc;
        benchmark::DoNotOptimize(doc.importTraces(bytes, f));
    }
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(bytes.size()));
    st.SetLabel(std::to_string(columns) + " columns x " + std::to_string(rows) + " rows");
}
BENCHMARK(BM_TextImportColumns)->Arg(10)->Arg(1000)->Arg(200000)->Unit(benchmark::kMillisecond);

#ifdef ORDAVIA_BENCH_UI
void BM_RepaintMillionSamples(benchmark::State& st) {
    ZchartDoc doc;
    CTrace* t = doc.newTrace(7, 1000000, true);
    t->xInterval = 0.001;
    const auto x = noise(1000000, 4);
    for (uint32_t i = 0; i < 1000000; ++i) t->data->setAt(i, float(std::sin(i * 0.0005) + 0.1 * x[i]));
    QImage img(1700, 560, QImage::Format_RGB32);
    const QRect plot(90, 10, 1600, 500);
    ChartViewState s;
    ChartPainter::autoscale(s, doc, plot.width(), plot.height());
    for (auto _ : st) {
        QPainter p(&img);
        ChartPainter::paintPlot(p, plot, s, doc);
    }
    st.SetItemsProcessed(int64_t(st.iterations()) * 1000000);
    st.SetLabel("1e6 samples into 1600 px");
}
BENCHMARK(BM_RepaintMillionSamples)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef ORDAVIA_BENCH_UI
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
