// The image filters and the capillary detector at 640 x 480 and 1280 x 960,
// in pixels (items) and bytes per second next to a memcpy of the same
// bytes in the same run. The box filter also runs at windows 5, 51 and 199
// to show that its cost does not grow with the window.
#include <cstdlib>
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "image/ApexFilter.h"
#include "image/BoxFilter.h"
#include "image/CZVimage.h"
#include "image/CapillaryDetection.h"
#include "image/GaussianBlur.h"
#include "image/ImageFilters.h"
#include "image/MinimaFinder.h"
#include "image/ProcessingArgs.h"
#include "image/RegionFill.h"
#include "synth/SyntheticNailfold.h"

using namespace ordavia;

namespace {

CZVimage noiseFrame(int w, int h) {
    CZVimage img(w, h, -1, 0, CZVimage::kGrey);
    uint32_t s = 1;
    for (int y = 0; y < img.rows(); ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            img.row(y)[x] = uint8_t(s >> 24);
        }
    return img;
}

// A nailfold picture: what the detector is for.
CZVimage nailfold(int w, int h) {
    SyntheticNailfold::Params p;
    p.width = w;
    p.height = h;
    SyntheticNailfold::Truth truth;
    CZVimage img;
    if (!SyntheticNailfold::generate(p, img, truth)) std::abort();
    return img;
}

void rate(benchmark::State& st, int64_t pixels) {
    st.SetItemsProcessed(int64_t(st.iterations()) * pixels);
    st.SetBytesProcessed(int64_t(st.iterations()) * pixels);
}

int64_t pixelsOf(benchmark::State& st) { return int64_t(st.range(0)) * st.range(1); }

void BM_Memcpy(benchmark::State& st) {
    const size_t n = size_t(pixelsOf(st));
    std::vector<uint8_t> a(n, 1), b(n);
    for (auto _ : st) {
        std::memcpy(b.data(), a.data(), n);
        benchmark::ClobberMemory();
    }
    rate(st, int64_t(n));
}

// Equalise changes nothing once the range is full, so each round starts
// from the original (the copy is part of the figure).
void BM_Equalise(benchmark::State& st) {
    const CZVimage src = noiseFrame(int(st.range(0)), int(st.range(1)));
    CZVimage img;
    img.Copy(src);
    for (auto _ : st) {
        std::memcpy(img.data(), src.data(), src.byteCount());
        img.row(0)[0] = 20;
        img.row(0)[1] = 230;
        for (int x = 2; x < img.width(); ++x) img.row(0)[x] = uint8_t(20 + x % 200);
        equalise(img, {});
        benchmark::ClobberMemory();
    }
    rate(st, pixelsOf(st));
}

void BM_Negative(benchmark::State& st) {
    CZVimage img = noiseFrame(int(st.range(0)), int(st.range(1)));
    for (auto _ : st) {
        negativeFilter(img, {});
        benchmark::ClobberMemory();
    }
    rate(st, pixelsOf(st));
}

void BM_LowPass(benchmark::State& st) {
    CZVimage img = noiseFrame(int(st.range(0)), int(st.range(1)));
    for (auto _ : st) {
        lowPassFilter(img, {}, int(st.range(2)));
        benchmark::ClobberMemory();
    }
    rate(st, pixelsOf(st));
}

void BM_HighPass(benchmark::State& st) {
    CZVimage img = noiseFrame(int(st.range(0)), int(st.range(1)));
    for (auto _ : st) {
        highPassFilter(img, {}, int(st.range(2)));
        benchmark::ClobberMemory();
    }
    rate(st, pixelsOf(st));
}

void BM_Laplacian(benchmark::State& st) {
    CZVimage img = noiseFrame(int(st.range(0)), int(st.range(1)));
    for (auto _ : st) {
        laplacianFilter(img, {});
        benchmark::ClobberMemory();
    }
    rate(st, pixelsOf(st));
}

void BM_Blur(benchmark::State& st) {
    CZVimage img = noiseFrame(int(st.range(0)), int(st.range(1)));
    const double sigma = double(st.range(2)) / 10.0;
    for (auto _ : st) {
        gaussianBlur(img, {}, sigma);
        benchmark::ClobberMemory();
    }
    rate(st, pixelsOf(st));
}

void BM_Bin(benchmark::State& st) {
    const CZVimage img = noiseFrame(int(st.range(0)), int(st.range(1)));
    for (auto _ : st) {
        CZVimage b = binImage(img);
        benchmark::DoNotOptimize(b.data());
    }
    rate(st, pixelsOf(st));
}

void BM_DustMark(benchmark::State& st) {
    CZVimage img = noiseFrame(int(st.range(0)), int(st.range(1)));
    for (auto _ : st) {
        removeDustMark(img, {});
        benchmark::ClobberMemory();
    }
    rate(st, pixelsOf(st));
}

void BM_Apex(benchmark::State& st) {
    CZVimage img = noiseFrame(int(st.range(0)), int(st.range(1)));
    const ProcessingArgs a;
    for (auto _ : st) {
        apexFilter(img, {}, a);
        benchmark::ClobberMemory();
    }
    rate(st, pixelsOf(st));
}

void BM_Preprocess(benchmark::State& st) {
    const CZVimage src = nailfold(int(st.range(0)), int(st.range(1)));
    CZVimage img;
    img.Copy(src);
    const ProcessingArgs a;
    for (auto _ : st) {
        std::memcpy(img.data(), src.data(), src.byteCount());
        preprocessChain(img, {}, a);
        benchmark::ClobberMemory();
    }
    rate(st, pixelsOf(st));
}

void BM_Detect(benchmark::State& st) {
    const CZVimage img = nailfold(int(st.range(0)), int(st.range(1)));
    const ProcessingArgs a;
    size_t found = 0;
    for (auto _ : st) {
        const DetectionResult r = detectCapillaries(img, {}, a);
        found = r.regions.size();
    }
    st.counters["capillaries"] = double(found);
    rate(st, pixelsOf(st));
}

// The fill over a whole dark frame and back again (two fills per round).
void BM_RegionFill(benchmark::State& st) {
    CZVimage img(int(st.range(0)), int(st.range(1)), -1, 0, CZVimage::kGrey);
    const BytePlane p{img.data(), img.stride(), img.width(), img.rows()};
    for (auto _ : st) {
        fillRegion(p, 0, 0, 0, 1, Connectivity::Four);
        fillRegion(p, 0, 0, 1, 0, Connectivity::Four);
        benchmark::ClobberMemory();
    }
    rate(st, 2 * pixelsOf(st));
}

void BM_MinimaWindow(benchmark::State& st) {
    const CZVimage img = nailfold(int(st.range(0)), int(st.range(1)));
    const MinimaSettings s;
    for (auto _ : st) benchmark::DoNotOptimize(findMinimaInWindow(img, {}, s).marks.size());
    rate(st, pixelsOf(st));
}

void BM_MinimaTolerance(benchmark::State& st) {
    const CZVimage img = nailfold(int(st.range(0)), int(st.range(1)));
    MinimaSettings s;
    s.threshold = 256;  // every pixel a candidate: the worst case
    s.tolerance = 10;
    for (auto _ : st) benchmark::DoNotOptimize(findMinimaWithinTolerance(img, {}, s).marks.size());
    rate(st, pixelsOf(st));
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({640, 480})->Args({1280, 960})->Unit(benchmark::kMillisecond);
}
void boxSizes(benchmark::internal::Benchmark* b) {
    for (int w : {5, 51, 199}) b->Args({640, 480, w})->Args({1280, 960, w});
    b->Unit(benchmark::kMillisecond);
}
void blurSizes(benchmark::internal::Benchmark* b) {
    for (int s : {10, 30}) b->Args({640, 480, s})->Args({1280, 960, s});
    b->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_Memcpy)->Apply(sizes);
BENCHMARK(BM_Equalise)->Apply(sizes);
BENCHMARK(BM_Negative)->Apply(sizes);
BENCHMARK(BM_LowPass)->Apply(boxSizes);
BENCHMARK(BM_HighPass)->Apply(boxSizes);
BENCHMARK(BM_Laplacian)->Apply(sizes);
BENCHMARK(BM_Blur)->Apply(blurSizes);
BENCHMARK(BM_Bin)->Apply(sizes);
BENCHMARK(BM_DustMark)->Apply(sizes);
BENCHMARK(BM_Apex)->Apply(sizes);
BENCHMARK(BM_Preprocess)->Apply(sizes);
BENCHMARK(BM_Detect)->Apply(sizes);
BENCHMARK(BM_RegionFill)->Apply(sizes);
BENCHMARK(BM_MinimaWindow)->Apply(sizes);
BENCHMARK(BM_MinimaTolerance)->Apply(sizes);
BENCHMARK_MAIN();
