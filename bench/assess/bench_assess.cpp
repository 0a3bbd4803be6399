// The assessment of one 1280x1024 colour picture at 2.6 um per pixel (a
// 200x videocapillaroscope frame): the goal is 0.3 s on one core. Bytes
// per second are the picture's, beside a memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "image/CZVimage.h"
#include "measure/CapillaryAssessment.h"
#include "synth/SyntheticExamination.h"

namespace {

const CZVimage& picture() {
    static CZVimage img = [] {
        ordavia::SynthFindings f;
        f.giants = 2;
        f.haemorrhages = 3;
        ordavia::SyntheticNailfold::Params p;
        ordavia::CapillaroscopeLook look;
        ordavia::SyntheticNailfold::Truth t;
        CZVimage out;
        if (ordavia::assessmentScene("typical", 5, f, p, look)) (void)ordavia::generateCapillaroscope(p, look, out, t);
        return out;
    }();
    return img;
}

void BM_AssessPicture(benchmark::State& state) {
    const CZVimage& img = picture();
    ordavia::AssessOptions o;
    o.umPerPixel = 2.6;
    for (auto _ : state) {
        auto r = ordavia::assessPicture(img, o);
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * img.width() * img.rows() * 3);
}
BENCHMARK(BM_AssessPicture)->Unit(benchmark::kMillisecond);

void BM_MemcpyPicture(benchmark::State& state) {
    const size_t n = 1280 * 1024 * 3;
    std::vector<char> a(n, 1), b(n);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), n);
        benchmark::DoNotOptimize(b.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(n));
}
BENCHMARK(BM_MemcpyPicture);

}  // namespace

BENCHMARK_MAIN();
