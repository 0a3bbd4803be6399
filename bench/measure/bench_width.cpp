// "Find capillary width" on every line of a list: 1000 short lines across
// the limbs of a 768 x 576 synthetic nailfold at 1.6 um per pixel, by each
// width measure, in lines per second; a memcpy of the pixels the lines read
// runs beside them for scale.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "image/CZVimage.h"
#include "measure/CDimLine.h"
#include "measure/CapillaryWidth.h"
#include "synth/SyntheticNailfold.h"

using namespace ordavia;

namespace {

struct Scene {
    CZVimage image;
    std::vector<CDimLine> lines;
    size_t pixelsRead = 0;
};

const Scene& scene() {
    static Scene s;
    if (!s.lines.empty()) return s;
    SyntheticNailfold::Params p;
    SyntheticNailfold::Truth truth;
    (void)SyntheticNailfold::generate(p, s.image, truth);
    // Lines across each limb at steps down the limb, as many as it takes.
    for (int step = 0; s.lines.size() < 1000; step = (step + 1) % 20) {
        for (const auto& L : truth.loops) {
            const auto& cl = L.centreLine;
            const size_t i = cl.size() / 10 + (cl.size() * 3 / 10) * size_t(step) / 20;
            const int x = static_cast<int>(std::lround(cl[i].x)), y = static_cast<int>(std::lround(cl[i].y));
            CDimLine line;
            line.addVertex({std::max(0, x - 15), y});
            line.addVertex({std::min(s.image.width() - 1, x + 15), y});
            s.pixelsRead += 31;
            s.lines.push_back(line);
            if (s.lines.size() == 1000) break;
        }
    }
    return s;
}

void BM_WidthsOfAList(benchmark::State& st) {
    const Scene& s = scene();
    const WidthSettings ws{static_cast<int>(st.range(0)), 0.9};
    for (auto _ : st)
        for (const CDimLine& l : s.lines) benchmark::DoNotOptimize(measureLineWidth(s.image, l, 1.6, 1.6, ws).samples);
    st.SetItemsProcessed(int64_t(st.iterations()) * int64_t(s.lines.size()));
    st.SetLabel("items = lines");
}
BENCHMARK(BM_WidthsOfAList)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_MemcpyOfThePixelsRead(benchmark::State& st) {
    const Scene& s = scene();
    std::vector<uint8_t> src(s.pixelsRead, 100), dst(s.pixelsRead);
    for (auto _ : st) {
        std::memcpy(dst.data(), src.data(), src.size());
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(src.size()));
}
BENCHMARK(BM_MemcpyOfThePixelsRead);

}  // namespace

BENCHMARK_MAIN();
