// The analyses that work one file on several threads, each with 1 and with
// 2 threads (the argument), in wall time: movement correction (sub-pixel,
// robust) and the flow statistics of 300 frames of 640 x 480, a line scan
// of 1000 lines both ways, and decoding 300 frames of H.264 and FFV1 with
// the decoder's threads. The results are the same for every count (the
// tests check that); only the time may change.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/ParallelFor.h"
#include "image/CZVimage.h"
#include "linescan/LineScanRun.h"
#include "synth/SyntheticKymograph.h"
#include "synth/SyntheticVideo.h"
#include "video/AviReader.h"
#include "video/AviWriter.h"
#include "video/CZVMovie.h"
#include "video/FcfStatistics.h"
#include "video/MovementCorrection.h"

#include "bench/support/JitteredMovie.h"

namespace {

constexpr int kW = benchsupport::kMovieWidth, kH = benchsupport::kMovieHeight, kN = benchsupport::kMovieFrames;

CZVMovie& movie() { return benchsupport::jitteredMovie(); }

// Sets the thread count of the run from the argument.
struct Threads {
    explicit Threads(benchmark::State& s) { ordavia::setThreadCount(int(s.range(0))); }
    ~Threads() { ordavia::setThreadCount(0); }
};

void movement(benchmark::State& s, bool robust) {
    const Threads t(s);
    CZVMovie& m = movie();
    ordavia::MovementParams p;
    p.subpixel = true;
    p.robust = robust;
    for (auto _ : s) {
        m.SetOffsets(0, 0, 0, kN);
        ordavia::MovementRun r;
        if (!r.start(m, 0, kN, p)) s.SkipWithError("start failed");
        while (r.step()) {
        }
    }
    s.SetItemsProcessed(int64_t(s.iterations()) * kN);
}
void BM_MovementSubpixel300(benchmark::State& s) { movement(s, false); }
void BM_MovementRobust300(benchmark::State& s) { movement(s, true); }

void BM_Fcf300(benchmark::State& s) {
    const Threads t(s);
    CZVMovie& m = movie();
    for (int k = 0; k < kN; ++k) m.SetOffsets((k * 7) % 9 - 4, (k * 5) % 9 - 4, k, k + 1);
    ordavia::FcfBlock b;
    for (auto _ : s) benchmark::DoNotOptimize(ordavia::fcfBlockStatistics(m, 0, kN, b).ok());
    s.SetItemsProcessed(int64_t(s.iterations()) * kN);
}

void BM_LineScan1000Lines(benchmark::State& s) {
    const Threads t(s);
    ordavia::SyntheticKymograph::Params kp;
    kp.lines = 1000;
    kp.points = 200;
    const std::vector<double> k = ordavia::SyntheticKymograph::generate(kp);
    for (auto _ : s) {
        const auto r = ordavia::runLineScan(
            uint32_t(kp.lines), uint32_t(kp.points),
            [&](uint32_t i, std::vector<double>& o) {
                o.assign(k.begin() + long(i) * kp.points, k.begin() + long(i + 1) * kp.points);
            },
            ordavia::CbvParams{}, ordavia::VelocityMethod::Correlation);
        benchmark::DoNotOptimize(r.pxPerFrame);
    }
    s.SetItemsProcessed(int64_t(s.iterations()) * kp.lines);
}

// The synthetic video written once with `codec`.
std::string video(const char* name, const char* codec) {
    static const std::string dir = [] {
        auto p = std::filesystem::temp_directory_path() / ("ordavia-bench-threads-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        return p.string();
    }();
    const std::string p = dir + "/" + name;
    if (std::filesystem::exists(p)) return p;
    ordavia::AviWriter::Params q{kW, kH, false, 25, 1, codec};
    auto w = ordavia::AviWriter::open(p, q);
    if (!w) return {};
    for (int i = 0; i < kN; ++i) (void)w.value()->write(movie().GoTo(i));
    (void)w.value()->close();
    return p;
}

void decode(benchmark::State& s, const char* name, const char* codec) {
    const Threads t(s);
    const std::string path = video(name, codec);
    if (path.empty()) {
        s.SkipWithError("no encoder");
        return;
    }
    CZVimage f;
    for (auto _ : s) {
        auto r = ordavia::AviReader::open(path);
        if (!r) s.SkipWithError("cannot open");
        for (int i = 0; r && i < kN; ++i) benchmark::DoNotOptimize(r.value()->readFrame(i, f));
    }
    s.SetItemsProcessed(int64_t(s.iterations()) * kN);
}
void BM_DecodeH264(benchmark::State& s) { decode(s, "h264.mp4", "libx264"); }
void BM_DecodeFfv1(benchmark::State& s) { decode(s, "ffv1.mkv", "ffv1"); }

}  // namespace

BENCHMARK(BM_MovementSubpixel300)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MovementRobust300)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fcf300)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LineScan1000Lines)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeH264)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeFfv1)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
