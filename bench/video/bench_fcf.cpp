// Functional capillary flow of 300 frames of 640 x 480 (goal: under half a
// second), in memory and from a movie file, with and without movement
// offsets, next to one memcpy of the same frame bytes; and the per-pixel
// spectra of the flux pass.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "image/CZVimage.h"
#include "video/CZVMovie.h"
#include "video/FcfStatistics.h"
#include "video/PixelSpectra.h"

namespace {

constexpr int kW = 640, kH = 480, kN = 300;
constexpr size_t kFrame = size_t(kW) * kH;

const std::string& dir() {
    static const std::string d = [] {
        auto p = std::filesystem::temp_directory_path() / ("ordavia-bench-fcf-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        return p.string();
    }();
    return d;
}

// Grey texture with flicker that differs from pixel to pixel.
void fill(CZVMovie& m, const std::string& path) {
    if (!m.Record(path, kN, kW, kH, CZVimage::kGrey)) std::abort();
    CZVimage f(kW, kH, 0, 0, 0);
    uint32_t r = 1;
    for (int k = 0; k < kN; ++k) {
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                r = r * 1664525u + 1013904223u;
                f.row(y)[x] = uint8_t(((x * 3 + y * 7) & 127) + (r >> 27));
            }
        f.setTag(2 * k);
        m.AddFrame(f, true);
    }
    m.stopRecording();
}

CZVMovie& memoryMovie() {
    static CZVMovie m;
    if (m.count() == 0) fill(m, "");
    return m;
}

void BM_MemcpyBlock(benchmark::State& s) {
    std::vector<uint8_t> a(kFrame * kN, 1), b(kFrame);
    for (auto _ : s)
        for (int i = 0; i < kN; ++i) {
            std::memcpy(b.data(), a.data() + kFrame * size_t(i), kFrame);
            benchmark::DoNotOptimize(b.data());
        }
    s.SetBytesProcessed(int64_t(s.iterations()) * int64_t(kFrame) * kN);
}

void run(benchmark::State& s, CZVMovie& m) {
    ordavia::FcfBlock b;
    for (auto _ : s) benchmark::DoNotOptimize(ordavia::fcfBlockStatistics(m, 0, kN, b).ok());
    s.SetBytesProcessed(int64_t(s.iterations()) * int64_t(kFrame) * kN);
}

void BM_Fcf300Memory(benchmark::State& s) {
    CZVMovie& m = memoryMovie();
    m.SetOffsets(0, 0, 0, kN);
    run(s, m);
}

// Movement-corrected: every frame at its own offset within +-4 pixels.
void BM_Fcf300MemoryOffsets(benchmark::State& s) {
    CZVMovie& m = memoryMovie();
    for (int k = 0; k < kN; ++k) m.SetOffsets((k * 7) % 9 - 4, (k * 5) % 9 - 4, k, k + 1);
    run(s, m);
    m.SetOffsets(0, 0, 0, kN);
}

void BM_Fcf300File(benchmark::State& s) {
    static const std::string path = [] {
        const std::string p = dir() + "/m.mve";
        CZVMovie m;
        fill(m, p);
        return p;
    }();
    CZVMovie m;
    if (!m.Open(path)) std::abort();
    run(s, m);
}

void BM_FluxConcSpeed16(benchmark::State& s) {
    CZVMovie& m = memoryMovie();
    CZVimage speed, conc, flux;
    ordavia::FluxParams p;
    for (auto _ : s) benchmark::DoNotOptimize(ordavia::fluxConcSpeed(m, p, &speed, &conc, &flux).ok());
    s.SetItemsProcessed(int64_t(s.iterations()) * int64_t(kFrame));  // pixel spectra
}

}  // namespace

BENCHMARK(BM_MemcpyBlock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fcf300Memory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fcf300MemoryOffsets)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fcf300File)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FluxConcSpeed16)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::filesystem::remove_all(dir());
    return 0;
}
