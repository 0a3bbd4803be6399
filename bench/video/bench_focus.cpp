// The focus check over a video of 300 frames of 640 x 480 in memory: the
// default second difference of one gap and threshold per frame (what
// ordavia-cli focus computes), the Laplacian, and the dialog's fourteen
// traces of gaps 5 to 29 at thresholds 2 and 3; next to one memcpy of the
// same frame bytes. Reported as frames and bytes per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "chart/ZchartDoc.h"
#include "image/CZVimage.h"
#include "video/CMotivaDoc.h"
#include "video/FocusCheck.h"

namespace {

constexpr int kW = 640, kH = 480, kN = 300;
constexpr size_t kFrame = size_t(kW) * kH;

CMotivaDoc& video() {
    static CMotivaDoc doc;
    if (!doc.hasFrames()) {
        CZVMovie& m = doc.movie();
        if (!m.Record("", kN, kW, kH, CZVimage::kGrey)) std::abort();
        CZVimage f(kW, kH, 0, 0, 0);
        uint32_t r = 1;
        for (int k = 0; k < kN; ++k) {
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    r = r * 1664525u + 1013904223u;
                    f.row(y)[x] = uint8_t(((x * 3 + y * 7 + k) & 127) + (r >> 27));
                }
            f.setTag(2 * k);
            m.AddFrame(f, true);
        }
        m.stopRecording();
    }
    return doc;
}

void report(benchmark::State& s) {
    s.SetItemsProcessed(int64_t(s.iterations()) * kN);
    s.SetBytesProcessed(int64_t(s.iterations()) * int64_t(kFrame) * kN);
}

void BM_MemcpyFrames(benchmark::State& s) {
    std::vector<uint8_t> a(kFrame * kN, 1), b(kFrame);
    for (auto _ : s)
        for (int i = 0; i < kN; ++i) {
            std::memcpy(b.data(), a.data() + kFrame * size_t(i), kFrame);
            benchmark::DoNotOptimize(b.data());
        }
    report(s);
}

void BM_FocusSeries(benchmark::State& s) {
    CMotivaDoc& doc = video();
    const int bits = int(s.range(0));
    for (auto _ : s) {
        auto r = ordavia::focusSeries(doc, bits, 5, 2);
        benchmark::DoNotOptimize(r->best);
    }
    report(s);
}

void BM_FocusCheckChart(benchmark::State& s) {
    CMotivaDoc& doc = video();
    ordavia::FocusCheckSettings settings;
    settings.thresholdTo = 4;
    for (auto _ : s) {
        auto r = ordavia::focusCheckChart(doc, settings, 2);
        benchmark::DoNotOptimize(r.ok());
    }
    report(s);
}

}  // namespace

BENCHMARK(BM_MemcpyFrames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FocusSeries)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FocusCheckChart)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
