// Capillary counting on a 1280 x 1024 synthetic videocapillaroscope frame
// (colour and grey), in pixels per second next to a memcpy of the picture's
// bytes in the same run. The goal is one frame in under 0.3 s on one core.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "image/CZVimage.h"
#include "image/CapillaryCount.h"
#include "synth/SyntheticCapillaroscope.h"

using namespace ordavia;

namespace {

const CZVimage& frame(bool colour) {
    static CZVimage images[2];
    CZVimage& img = images[colour];
    if (img.isEmpty()) {
        // A typical 200x frame: 1280 x 1024 at 2.6 um per pixel.
        SyntheticNailfold::Params p;
        ordavia::CapillaroscopeLook look;
        (void)ordavia::applyCapillaroscopeCondition("typical", p, look);
        look.colour = colour;
        SyntheticNailfold::Truth truth;
        (void)ordavia::generateCapillaroscope(p, look, img, truth);
    }
    return img;
}

void setPixels(benchmark::State& st, const CZVimage& img) {
    st.SetItemsProcessed(int64_t(st.iterations()) * int64_t(img.width()) * int64_t(img.rows()));
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(img.byteCount()));
}

void BM_MemcpyPicture(benchmark::State& st) {
    const CZVimage& img = frame(st.range(0) != 0);
    std::vector<uint8_t> out(img.byteCount());
    for (auto _ : st) {
        std::memcpy(out.data(), img.data(), img.byteCount());
        benchmark::ClobberMemory();
    }
    setPixels(st, img);
}

// The whole count as by default: channel choice, the ridge images of whole
// loops and of single limbs, and the line.
void BM_CountPicture(benchmark::State& st) {
    const CZVimage& img = frame(st.range(0) != 0);
    const ordavia::CountSettings s;
    for (auto _ : st) {
        const ordavia::RidgeImage r = ordavia::ridgeImage(img, 2.6, 2.6, s);
        const ordavia::CountResult c = ordavia::countAlongLine(r, {448, 300}, {832, 300}, s);
        benchmark::DoNotOptimize(c.count);
    }
    setPixels(st, img);
}

// The same counting by whole loops only (no second, finer ridge image).
void BM_CountPictureWholeLoops(benchmark::State& st) {
    const CZVimage& img = frame(st.range(0) != 0);
    ordavia::CountSettings s;
    s.limbUm = 0;
    for (auto _ : st) {
        const ordavia::RidgeImage r = ordavia::ridgeImage(img, 2.6, 2.6, s);
        const ordavia::CountResult c = ordavia::countAlongLine(r, {448, 300}, {832, 300}, s);
        benchmark::DoNotOptimize(c.count);
    }
    setPixels(st, img);
}

// The line alone, on a ridge image made once (what a click or a change of
// line costs in the workstation).
void BM_CountLineOnly(benchmark::State& st) {
    const ordavia::CountSettings s;
    const ordavia::RidgeImage r = ordavia::ridgeImage(frame(true), 2.6, 2.6, s);
    for (auto _ : st) {
        const ordavia::CountResult c = ordavia::countAlongLine(r, {448, 300}, {832, 300}, s);
        benchmark::DoNotOptimize(c.count);
    }
}

}  // namespace

BENCHMARK(BM_MemcpyPicture)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountPicture)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountPictureWholeLoops)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountLineOnly)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
