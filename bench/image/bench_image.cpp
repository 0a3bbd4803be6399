// Hot paths of CZVimage on a 640 x 480 and a 1280 x 960 grey frame, each in
// bytes per second next to a memcpy of the same bytes in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "image/CZVimage.h"
#include "image/ImageFormats.h"

using namespace ordavia;

namespace {

CZVimage makeFrame(int w, int h, int colour = CZVimage::kGrey) {
    CZVimage img(w, h, -1, 0, colour);
    uint32_t s = 1;
    for (int y = 0; y < img.rows(); ++y)
        for (int x = 0; x < img.rowBytes(); ++x) {
            s = s * 1664525u + 1013904223u;
            img.row(y)[x] = uint8_t(s >> 24);
        }
    return img;
}

void setBytes(benchmark::State& st, size_t bytes) {
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(bytes));
}

void BM_Memcpy(benchmark::State& st) {
    const size_t n = size_t(st.range(0)) * size_t(st.range(1));
    std::vector<uint8_t> a(n, 1), b(n);
    for (auto _ : st) {
        std::memcpy(b.data(), a.data(), n);
        benchmark::ClobberMemory();
    }
    setBytes(st, n);
}

void BM_Copy(benchmark::State& st) {
    const CZVimage src = makeFrame(int(st.range(0)), int(st.range(1)));
    CZVimage dst;
    for (auto _ : st) {
        dst.Copy(src);
        benchmark::ClobberMemory();
    }
    setBytes(st, src.byteCount());
}

// The central quarter of the frame, row by row (strides differ).
void BM_RegionCopy(benchmark::State& st) {
    const CZVimage src = makeFrame(int(st.range(0)), int(st.range(1)));
    const ZRect r{src.width() / 4 + 1, src.rows() / 4, src.width() * 3 / 4 + 1, src.rows() * 3 / 4};
    CZVimage dst;
    for (auto _ : st) {
        dst.copyRect(src, r);
        benchmark::ClobberMemory();
    }
    setBytes(st, size_t(r.width()) * size_t(r.height()));
}

void BM_LinearMap(benchmark::State& st) {
    CZVimage img = makeFrame(int(st.range(0)), int(st.range(1)));
    for (auto _ : st) {
        img.linearMap(ZRect{}, 1.01, -0.5);
        benchmark::ClobberMemory();
    }
    setBytes(st, size_t(img.width()) * size_t(img.rows()));
}

void BM_Statistics(benchmark::State& st) {
    const CZVimage img = makeFrame(int(st.range(0)), int(st.range(1)));
    for (auto _ : st) {
        double mean;
        int lo, hi;
        img.statistics(ZRect{}, &mean, &lo, &hi);
        benchmark::DoNotOptimize(mean);
    }
    setBytes(st, size_t(img.width()) * size_t(img.rows()));
}

// Bytes of mosaic in; three times as many come out.
void BM_Demosaic(benchmark::State& st) {
    const CZVimage img = makeFrame(int(st.range(0)), int(st.range(1)), CZVimage::kBayer);
    std::vector<uint8_t> out(size_t(img.width()) * img.rows() * 3);
    for (auto _ : st) {
        img.demosaic(out.data());
        benchmark::ClobberMemory();
    }
    setBytes(st, size_t(img.width()) * size_t(img.rows()));
}

void BM_ZvgWrite(benchmark::State& st) {
    const CZVimage img = makeFrame(int(st.range(0)), int(st.range(1)));
    std::vector<uint8_t> out;
    for (auto _ : st) {
        encodeZvg(img, ZRect{}, out);
        benchmark::ClobberMemory();
    }
    setBytes(st, size_t(img.width()) * size_t(img.rows()));
}

void BM_ZvgRead(benchmark::State& st) {
    const CZVimage img = makeFrame(int(st.range(0)), int(st.range(1)));
    std::vector<uint8_t> bytes;
    encodeZvg(img, ZRect{}, bytes);
    CZVimage dst;
    for (auto _ : st) {
        readZvg(bytes.data(), bytes.size(), dst);
        benchmark::ClobberMemory();
    }
    setBytes(st, size_t(img.width()) * size_t(img.rows()));
}

#define SIZES ->Args({640, 480})->Args({1280, 960})
BENCHMARK(BM_Memcpy) SIZES;
BENCHMARK(BM_Copy) SIZES;
BENCHMARK(BM_RegionCopy) SIZES;
BENCHMARK(BM_LinearMap) SIZES;
BENCHMARK(BM_Statistics) SIZES;
BENCHMARK(BM_Demosaic) SIZES;
BENCHMARK(BM_ZvgWrite) SIZES;
BENCHMARK(BM_ZvgRead) SIZES;

}  // namespace

BENCHMARK_MAIN();
