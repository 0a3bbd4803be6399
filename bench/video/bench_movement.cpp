// Movement correction of a 300-frame 640 x 480 grey movie in memory with
// the default parameters (goal: under 3 s on one core), by kernel build,
// next to memcpy of the same frame bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "image/CZVimage.h"
#include "video/CZVMovie.h"
#include "video/MovementCorrection.h"
#include "synth/SyntheticVideo.h"

#include "bench/support/JitteredMovie.h"

namespace {

constexpr int kW = benchsupport::kMovieWidth, kH = benchsupport::kMovieHeight, kN = benchsupport::kMovieFrames;

CZVMovie& movie() { return benchsupport::jitteredMovie(); }

void run(benchmark::State& state, bool subpixel, bool robust = false) {
    CZVMovie& m = movie();
    ordavia::MovementParams p;
    p.subpixel = subpixel;
    p.robust = robust;
    for (auto _ : state) {
        m.SetOffsets(0, 0, 0, kN);
        ordavia::MovementRun r;
        if (!r.start(m, 0, kN, p)) state.SkipWithError("start failed");
        while (r.step()) {
        }
        benchmark::DoNotOptimize(m.frameTable().data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kN);
    state.SetBytesProcessed(int64_t(state.iterations()) * kN * kW * kH);
}

void BM_MovementCorrection300Frames(benchmark::State& state) { run(state, false); }
void BM_MovementCorrection300FramesSubpixel(benchmark::State& state) { run(state, true); }
void BM_MovementCorrection300FramesRobustSubpixel(benchmark::State& state) { run(state, true, true); }

void BM_MemcpyFrames(benchmark::State& state) {
    std::vector<uint8_t> a(size_t(kW) * kH * 8, 1), b(a.size());
    for (auto _ : state) {
        for (int k = 0; k < kN; ++k) std::memcpy(b.data(), a.data() + size_t(k % 8) * kW * kH, size_t(kW) * kH);
        benchmark::DoNotOptimize(b.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kN * kW * kH);
}

}  // namespace

BENCHMARK(BM_MovementCorrection300Frames)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_MovementCorrection300FramesSubpixel)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_MovementCorrection300FramesRobustSubpixel)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_MemcpyFrames)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
