// Line-scan velocity: columns per second of the whole per-column pipeline
// (high pass, correlogram, smoothing, peak) and of the Hough transform of
// a finished scan, on lines of 200 and 1000 points. Real time at 100
// frames per second is 100 columns per second; a memcpy of one column's
// bytes runs beside them for scale.
#include <benchmark/benchmark.h>

#include <cstring>

#include "linescan/HoughVelocity.h"
#include "linescan/ZlineScanDoc.h"
#include "support/LineScanFeed.h"

namespace {

void fill(ZlineScanDoc& doc, uint32_t points, uint32_t columns, bool subpixel, const void* view) {
    ordavia::CbvParams p;
    p.subpixel = subpixel;
    doc.setParams(p, false);
    doc.setColumnsToSample(static_cast<int32_t>(columns));
    (void)doc.startScan(view, points, 1, 0.005, 1.0, "um");
}

void BM_CorrelationColumn(benchmark::State& state) {
    const uint32_t points = static_cast<uint32_t>(state.range(0));
    ZlineScanDoc doc;
    int view = 0;
    fill(doc, points, 500, state.range(1) != 0, &view);
    linescantest::MovingTexture tex;
    std::vector<std::vector<double>> samples;
    for (uint32_t s = 0; s < 64; ++s) samples.push_back(tex.sample(points, 3.3, s));
    uint32_t s = 0;
    for (auto _ : state) {
        doc.sampleVector(0) = samples[s % 64];
        benchmark::DoNotOptimize(doc.addSample(s++));
    }
    state.counters["columns/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["x real time at 100 fps"] =
        benchmark::Counter(double(state.iterations()) / 100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CorrelationColumn)->Args({200, 0})->Args({200, 1})->Args({1000, 0})->Args({1000, 1});

void BM_HoughScan(benchmark::State& state) {
    const uint32_t points = static_cast<uint32_t>(state.range(0));
    const uint32_t columns = 500;
    ZlineScanDoc doc;
    int view = 0;
    fill(doc, points, columns, false, &view);
    linescantest::MovingTexture tex;
    for (uint32_t s = 0; s < columns; ++s) {
        doc.sampleVector(0) = tex.sample(points, 2.2, s);
        (void)doc.addSample(s);
    }
    ordavia::CbvParams p;
    p.houghMin = 0;
    const C2DTrace& d = *doc.differenceTrace();
    ordavia::HoughInput in;
    in.data = d.data.get();
    in.extent = d.extent.get();
    in.columns = columns;
    in.rows = points;
    in.dx = d.xInterval;
    for (auto _ : state) benchmark::DoNotOptimize(ordavia::houghTransform(in, p).slopes.size());
    state.counters["columns/s"] = benchmark::Counter(double(state.iterations()) * columns, benchmark::Counter::kIsRate);
    state.counters["x real time at 100 fps"] =
        benchmark::Counter(double(state.iterations()) * columns / 100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HoughScan)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_MemcpyColumn(benchmark::State& state) {
    const size_t bytes = size_t(state.range(0)) * 2;
    std::vector<uint8_t> a(bytes, 1), b(bytes);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_MemcpyColumn)->Arg(200)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
