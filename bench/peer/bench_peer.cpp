// Each image kernel beside its nearest OpenCV equivalent on the same
// picture in the same run, both single-threaded, plus a memcpy of the same
// bytes. Every round times the three one after the other; the counters give
// the fastest round of each in milliseconds (the least disturbed by other
// work on the machine), in processor time of the thread, and ratio = ours /
// OpenCV. Ratios at or below 1.43
// mean at least 0.7 times OpenCV's speed.
#include <cstdlib>
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <ctime>
#include <cstring>
#include <functional>
#include <vector>

#include "base/ParallelFor.h"
#include "image/ApexFilter.h"
#include "image/BoxFilter.h"
#include "image/CZVimage.h"
#include "image/CapillaryDetection.h"
#include "image/CustomKernel.h"
#include "image/GaussianBlur.h"
#include "image/GreyRegion.h"
#include "image/ImageFilters.h"
#include "image/ProcessingArgs.h"
#include "image/RegionFill.h"
#include "synth/SyntheticNailfold.h"

using namespace ordavia;

namespace {

// Processor time of this thread: on a machine shared with other work the
// wall clock counts the time the thread waited for a core.
double threadMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) * 1e-6;
}

CZVimage noiseFrame(int w, int h, uint32_t seed = 1) {
    CZVimage img(w, h, -1, 0, CZVimage::kGrey);
    uint32_t s = seed;
    for (int y = 0; y < img.rows(); ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            img.row(y)[x] = uint8_t(s >> 24);
        }
    return img;
}

CZVimage nailfold(int w, int h) {
    SyntheticNailfold::Params p;
    p.width = w;
    p.height = h;
    SyntheticNailfold::Truth truth;
    CZVimage img;
    if (!SyntheticNailfold::generate(p, img, truth)) std::abort();
    return img;
}

// A Mat over the pixels of an image (no copy).
cv::Mat matOf(CZVimage& img) {
    return cv::Mat(img.rows(), img.width(), img.bytesPerPixel() == 3 ? CV_8UC3 : CV_8UC1, img.data(),
                   size_t(img.stride()));
}

// Times ours, OpenCV's and a memcpy of `bytes` in every round. `prepare`
// runs before each timed call (outside the timing), for kernels that work
// in place and must start from the same picture every time.
void race(benchmark::State& st, size_t bytes, const std::function<void()>& prepare,
          const std::function<void()>& ours, const std::function<void()>& peer) {
    std::vector<uint8_t> a(bytes, 7), b(bytes);
    double best[3] = {1e30, 1e30, 1e30};
    double total[3] = {0, 0, 0};
    for (auto _ : st) {
        auto time = [&](int i, const std::function<void()>& f) {
            st.PauseTiming();
            if (i < 2 && prepare) prepare();
            st.ResumeTiming();
            const double t0 = threadMs();
            f();
            benchmark::ClobberMemory();
            const double ms = threadMs() - t0;
            best[i] = std::min(best[i], ms);
            total[i] += ms;
        };
        time(0, ours);
        time(1, peer);
        time(2, [&] { std::memcpy(b.data(), a.data(), bytes); });
    }
    st.counters["ours_ms"] = best[0];
    st.counters["opencv_ms"] = best[1];
    st.counters["memcpy_ms"] = best[2];
    st.counters["ratio"] = best[1] > 0 ? best[0] / best[1] : 0.0;
    st.counters["ratio_mean"] = total[1] > 0 ? total[0] / total[1] : 0.0;
}

int W(benchmark::State& st) { return int(st.range(0)); }
int H(benchmark::State& st) { return int(st.range(1)); }
size_t pixels(benchmark::State& st) { return size_t(W(st)) * size_t(H(st)); }

// ---- box filters: cv::blur; the high pass is the picture minus the blur
// plus mid grey.
void BM_BoxLow(benchmark::State& st) {
    CZVimage img = noiseFrame(W(st), H(st));
    cv::Mat src = matOf(img).clone(), dst;
    const int n = int(st.range(2));
    race(st, pixels(st), nullptr, [&] { lowPassFilter(img, {}, n); }, [&] { cv::blur(src, dst, cv::Size(n, n)); });
}

void BM_BoxHigh(benchmark::State& st) {
    CZVimage img = noiseFrame(W(st), H(st));
    cv::Mat src = matOf(img).clone(), mean, dst;
    const int n = int(st.range(2));
    race(st, pixels(st), nullptr, [&] { highPassFilter(img, {}, n); },
         [&] {
             cv::blur(src, mean, cv::Size(n, n));
             cv::addWeighted(src, 1.0, mean, -1.0, 128.0, dst);
         });
}

// ---- the 3 x 3 filters: cv::filter2D with replicated borders.
void BM_Laplacian(benchmark::State& st) {
    CZVimage img = noiseFrame(W(st), H(st));
    cv::Mat src = matOf(img).clone(), dst;
    const CustomKernel k = CustomKernel::laplacian();
    cv::Mat kern(3, 3, CV_32F);
    for (int i = 0; i < 9; ++i) kern.at<float>(i / 3, i % 3) = float(k.k[i] * k.gain);
    race(st, pixels(st), nullptr, [&] { laplacianFilter(img, {}); },
         [&] { cv::filter2D(src, dst, -1, kern, cv::Point(-1, -1), k.offset, cv::BORDER_REPLICATE); });
}

// ---- Gaussian blur at sigma = range(2) / 10.
void BM_Gaussian(benchmark::State& st) {
    CZVimage img = noiseFrame(W(st), H(st));
    cv::Mat src = matOf(img).clone(), dst;
    const double sigma = double(st.range(2)) / 10.0;
    race(st, pixels(st), nullptr, [&] { gaussianBlur(img, {}, sigma); },
         [&] { cv::GaussianBlur(src, dst, cv::Size(0, 0), sigma, sigma, cv::BORDER_REPLICATE); });
}

// ---- the apex filter: filter2D with the same template scaled by
// apexfactor / N and the offset added, zero outside the picture.
void BM_Apex(benchmark::State& st) {
    CZVimage img = noiseFrame(W(st), H(st));
    cv::Mat src = matOf(img).clone(), dst;
    const ProcessingArgs a;
    const ApexTemplate t = makeApexTemplate(a);
    double n = 0;
    for (int v : t.taps) n += v;
    cv::Mat kern(t.size(), t.size(), CV_32F);
    for (int i = 0; i < t.size() * t.size(); ++i) kern.at<float>(i / t.size(), i % t.size()) = float(t.taps[size_t(i)] * a.apexfactor / n);
    race(st, pixels(st), nullptr, [&] { apexFilter(img, {}, a); },
         [&] { cv::filter2D(src, dst, -1, kern, cv::Point(-1, -1), a.apexoffset, cv::BORDER_CONSTANT); });
}

// ---- linear stretch ("Equalise"): cv::normalize to 0..255. The picture
// spans 20..219 so that there is something to stretch.
CZVimage narrowFrame(int w, int h) {
    CZVimage img = noiseFrame(w, h);
    for (int y = 0; y < img.rows(); ++y)
        for (int x = 0; x < w; ++x) img.row(y)[x] = uint8_t(20 + img.row(y)[x] % 200);
    return img;
}

void BM_Stretch(benchmark::State& st) {
    const CZVimage orig = narrowFrame(W(st), H(st));
    CZVimage img;
    img.Copy(orig);
    cv::Mat src = matOf(img).clone(), dst;
    race(st, pixels(st), [&] { std::memcpy(img.data(), orig.data(), orig.byteCount()); },
         [&] { equalise(img, {}); }, [&] { cv::normalize(src, dst, 0, 255, cv::NORM_MINMAX); });
}

// ---- binning: cv::resize to half size by area.
void BM_Bin(benchmark::State& st) {
    CZVimage img = noiseFrame(W(st), H(st));
    cv::Mat src = matOf(img).clone(), dst;
    race(st, pixels(st), nullptr, [&] { benchmark::DoNotOptimize(binImage(img).data()); },
         [&] { cv::resize(src, dst, cv::Size(W(st) / 2, H(st) / 2), 0, 0, cv::INTER_AREA); });
}

// ---- point operations.
void BM_LinearMap(benchmark::State& st) {
    CZVimage img = noiseFrame(W(st), H(st));
    cv::Mat src = matOf(img).clone(), dst;
    race(st, pixels(st), nullptr, [&] { img.linearMap({}, 0.8, 20.0); }, [&] { src.convertTo(dst, -1, 0.8, 20.0); });
}

void BM_Threshold(benchmark::State& st) {
    CZVimage img = noiseFrame(W(st), H(st));
    cv::Mat src = matOf(img).clone(), dst;
    race(st, pixels(st), nullptr, [&] { img.threshold({}, 128); },
         [&] { cv::threshold(src, dst, 128, 255, cv::THRESH_BINARY); });
}

void BM_Negative(benchmark::State& st) {
    CZVimage img = noiseFrame(W(st), H(st));
    cv::Mat src = matOf(img).clone(), dst;
    race(st, pixels(st), nullptr, [&] { negativeFilter(img, {}); }, [&] { cv::bitwise_not(src, dst); });
}

void BM_Subtract(benchmark::State& st) {
    CZVimage img = noiseFrame(W(st), H(st));
    const CZVimage other = noiseFrame(W(st), H(st), 9);
    CZVimage o2;
    o2.Copy(other);
    cv::Mat src = matOf(img).clone(), sub = matOf(o2).clone(), dst;
    race(st, pixels(st), nullptr, [&] { subtractImage(img, other); }, [&] { cv::subtract(src, sub, dst); });
}

// ---- demosaicing: bilinear Bayer to blue-green-red.
void BM_Demosaic(benchmark::State& st) {
    CZVimage bayer(W(st), H(st), -1, 0, CZVimage::kBayer);
    const CZVimage noise = noiseFrame(W(st), H(st));
    for (int y = 0; y < bayer.rows(); ++y) std::memcpy(bayer.row(y), noise.row(y), size_t(W(st)));
    cv::Mat src = matOf(bayer).clone(), dst;
    // Both into a picture that already exists, as a video's frames are.
    std::vector<uint8_t> out(pixels(st) * 3);
    race(st, pixels(st), nullptr, [&] { bayer.demosaic(out.data()); }, [&] { cv::cvtColor(src, dst, cv::COLOR_BayerBG2BGR); });
}

// ---- region fill: one 4-connected fill over a whole dark frame.
void BM_RegionFill(benchmark::State& st) {
    CZVimage img(W(st), H(st), -1, 0, CZVimage::kGrey);
    cv::Mat m(H(st), W(st), CV_8UC1, cv::Scalar(0));
    const BytePlane p{img.data(), img.stride(), img.width(), img.rows()};
    race(st, pixels(st),
         [&] {
             std::memset(img.data(), 0, img.byteCount());
             m.setTo(0);
         },
         [&] { fillRegion(p, 0, 0, 0, 1, Connectivity::Four); },
         [&] { cv::floodFill(m, cv::Point(0, 0), cv::Scalar(1), nullptr, cv::Scalar(0), cv::Scalar(0), 4); });
}

// ---- region fill on a random picture 65 % dark: one 4-connected cluster
// spanning the picture, full of holes and short runs.
void BM_RegionFillMaze(benchmark::State& st) {
    const CZVimage noise = noiseFrame(W(st), H(st), 5);
    CZVimage img;
    img.Copy(noise);
    cv::Mat m(H(st), W(st), CV_8UC1);
    auto reset = [&] {
        for (int y = 0; y < img.rows(); ++y)
            for (int x = 0; x < W(st); ++x) img.row(y)[x] = m.at<uint8_t>(y, x) = noise.row(y)[x] < 166 ? 0 : 255;
    };
    reset();
    // A seed in the middle lies in the spanning cluster.
    int sx = W(st) / 2;
    const int sy = H(st) / 2;
    while (img.row(sy)[sx] != 0) ++sx;
    const BytePlane p{img.data(), img.stride(), img.width(), img.rows()};
    race(st, pixels(st), reset, [&] { fillRegion(p, sx, sy, 0, 1, Connectivity::Four); },
         [&] { cv::floodFill(m, cv::Point(sx, sy), cv::Scalar(1), nullptr, cv::Scalar(0), cv::Scalar(0), 4); });
}

// ---- "Threshold Capillaries" on a synthetic nailfold: ours against the
// same chain in OpenCV (stretch, low pass 7, high pass 101, stretch, apex,
// stretch, low pass 7, high pass 101, threshold, 4-connected components
// with their areas).
void BM_Detection(benchmark::State& st) {
    CZVimage img = nailfold(W(st), H(st));
    cv::Mat src = matOf(img).clone();
    const ProcessingArgs a;
    const ApexTemplate t = makeApexTemplate(a);
    double n = 0;
    for (int v : t.taps) n += v;
    cv::Mat kern(t.size(), t.size(), CV_32F);
    for (int i = 0; i < t.size() * t.size(); ++i) kern.at<float>(i / t.size(), i % t.size()) = float(t.taps[size_t(i)] * a.apexfactor / n);
    cv::Mat x, mean, labels, stats, centroids;
    auto chain = [&](cv::Mat& m) {
        cv::blur(m, m, cv::Size(7, 7));
        cv::blur(m, mean, cv::Size(101, 101));
        cv::addWeighted(m, 1.0, mean, -1.0, 128.0, m);
    };
    size_t found = 0;
    race(st, pixels(st), nullptr, [&] { found = detectCapillaries(img, {}, a).regions.size(); },
         [&] {
             cv::normalize(src, x, 0, 255, cv::NORM_MINMAX);
             chain(x);
             cv::normalize(x, x, 0, 255, cv::NORM_MINMAX);
             cv::filter2D(x, x, -1, kern, cv::Point(-1, -1), a.apexoffset, cv::BORDER_CONSTANT);
             cv::normalize(x, x, 0, 255, cv::NORM_MINMAX);
             chain(x);
             cv::threshold(x, x, 0, 255, cv::THRESH_BINARY_INV | cv::THRESH_OTSU);
             cv::connectedComponentsWithStats(x, labels, stats, centroids, 4);
         });
    st.counters["capillaries"] = double(found);
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({640, 480})->Args({1280, 1024})->Unit(benchmark::kMillisecond);
}
void boxSizes(benchmark::internal::Benchmark* b) {
    for (int n : {3, 7, 25, 101, 199}) b->Args({640, 480, n})->Args({1280, 1024, n});
    b->Unit(benchmark::kMillisecond);
}
void blurSizes(benchmark::internal::Benchmark* b) {
    for (int s : {10, 20}) b->Args({640, 480, s})->Args({1280, 1024, s});
    b->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_BoxLow)->Apply(boxSizes);
BENCHMARK(BM_BoxHigh)->Apply(boxSizes);
BENCHMARK(BM_Laplacian)->Apply(sizes);
BENCHMARK(BM_Gaussian)->Apply(blurSizes);
BENCHMARK(BM_Apex)->Apply(sizes);
BENCHMARK(BM_Stretch)->Apply(sizes);
BENCHMARK(BM_Bin)->Apply(sizes);
BENCHMARK(BM_LinearMap)->Apply(sizes);
BENCHMARK(BM_Threshold)->Apply(sizes);
BENCHMARK(BM_Negative)->Apply(sizes);
BENCHMARK(BM_Subtract)->Apply(sizes);
BENCHMARK(BM_Demosaic)->Apply(sizes);
BENCHMARK(BM_RegionFill)->Apply(sizes);
BENCHMARK(BM_RegionFillMaze)->Apply(sizes);
BENCHMARK(BM_Detection)->Apply(sizes);

int main(int argc, char** argv) {
    // Single-threaded on both sides: the goal is the speed of one core.
    cv::setNumThreads(1);
    ordavia::setThreadCount(1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
