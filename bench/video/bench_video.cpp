// Movie access and statistics on a 300-frame 640 x 480 grey movie, next to
// memcpy of the same frame bytes; and decoding of foreign videos per frame.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "image/CZVimage.h"
#include "tests/support/DamagedVideo.h"
#include "video/AviWriter.h"
#include "video/CZVMovie.h"
#include "video/MovieAccumulate.h"

namespace {

constexpr int kW = 640, kH = 480, kN = 300;
constexpr size_t kFrame = size_t(kW) * kH;

const std::string& dir() {
    static const std::string d = [] {
        auto p = std::filesystem::temp_directory_path() / ("ordavia-bench-video-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        return p.string();
    }();
    return d;
}

const std::string& moviePath() {
    static const std::string path = [] {
        const std::string p = dir() + "/m.mve";
        CZVMovie m;
        if (!m.Record(p, kN, kW, kH, CZVimage::kGrey)) std::abort();
        CZVimage f(kW, kH, 0, 0, 0);
        for (int k = 0; k < kN; ++k) {
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) f.row(y)[x] = uint8_t(x * 3 + y * 7 + k * 11 + ((x * y) >> 5));
            f.setTag(2 * k);
            m.AddFrame(f, true);
        }
        m.stopRecording();
        return p;
    }();
    return path;
}

std::string video(const char* name, const char* codec) {
    const std::string p = dir() + "/" + name;
    if (std::filesystem::exists(p)) return p;
    CZVMovie m;
    if (!m.Open(moviePath())) std::abort();
    ordavia::AviWriter::Params q{kW, kH, false, 25, 1, codec};
    auto w = ordavia::AviWriter::open(p, q);
    if (!w) std::abort();
    for (int i = 0; i < 100; ++i) (void)w.value()->write(m.GoTo(i));
    (void)w.value()->close();
    return p;
}

// The baseline: frame after frame of a 300-frame block (92 MB, more than
// any cache), as the page cache holds a movie.
void BM_MemcpyFrames(benchmark::State& s) {
    std::vector<uint8_t> a(kFrame * kN, 1), b(kFrame);
    size_t i = 0;
    for (auto _ : s) {
        std::memcpy(b.data(), a.data() + kFrame * i, kFrame);
        benchmark::DoNotOptimize(b.data());
        i = (i + 1) % kN;
    }
    s.SetBytesProcessed(int64_t(s.iterations()) * int64_t(kFrame));
}

void BM_OpenMovie(benchmark::State& s) {
    const std::string p = moviePath();
    for (auto _ : s) {
        CZVMovie m;
        benchmark::DoNotOptimize(m.Open(p).ok());
    }
}

void BM_SequentialGoTo(benchmark::State& s) {
    CZVMovie m;
    if (!m.Open(moviePath())) std::abort();
    int i = 0;
    for (auto _ : s) {
        benchmark::DoNotOptimize(m.GoTo(i).data());
        i = m.Next();
    }
    s.SetBytesProcessed(int64_t(s.iterations()) * int64_t(kFrame));
}

void BM_RandomGoTo(benchmark::State& s) {
    CZVMovie m;
    if (!m.Open(moviePath())) std::abort();
    uint32_t r = 12345;
    for (auto _ : s) {
        r = r * 1664525u + 1013904223u;
        benchmark::DoNotOptimize(m.GoTo(int(r % kN)).data());
    }
    s.SetBytesProcessed(int64_t(s.iterations()) * int64_t(kFrame));
}

void BM_Average300(benchmark::State& s) {
    CZVMovie m;
    if (!m.Open(moviePath())) std::abort();
    CZVimage out;
    for (auto _ : s) benchmark::DoNotOptimize(ordavia::averageRange(m, 0, kN, out).ok());
    s.SetBytesProcessed(int64_t(s.iterations()) * int64_t(kFrame) * kN);
}

void BM_Rms300(benchmark::State& s) {
    CZVMovie m;
    if (!m.Open(moviePath())) std::abort();
    CZVimage out;
    for (auto _ : s) benchmark::DoNotOptimize(ordavia::rmsRange(m, 0, kN, out).ok());
    s.SetBytesProcessed(int64_t(s.iterations()) * int64_t(kFrame) * kN);
}

void decode(benchmark::State& s, const char* name, const char* codec) {
    CZVMovie m;
    if (!m.Open(video(name, codec))) std::abort();
    int i = 0;
    for (auto _ : s) {
        benchmark::DoNotOptimize(m.GoTo(i).data());
        i = m.Next();
    }
    s.SetItemsProcessed(s.iterations());  // frames
    s.SetBytesProcessed(int64_t(s.iterations()) * int64_t(kFrame));
}
void BM_DecodeUncompressedAvi(benchmark::State& s) { decode(s, "raw.avi", ""); }
void BM_DecodeMjpegAvi(benchmark::State& s) { decode(s, "mjpeg.avi", "mjpeg"); }
void BM_DecodeH264Mp4(benchmark::State& s) { decode(s, "h264.mp4", "libx264"); }
void BM_DecodeFfv1Mkv(benchmark::State& s) { decode(s, "ffv1.mkv", "ffv1"); }

// A whole pass over an MJPEG video of which nine frames in ten do not
// decode: the time per frame must not grow with the length of the video
// (each damaged frame once cost a decode from the start).
void BM_DamagedMjpegPass(benchmark::State& s) {
    const int n = int(s.range(0));
    const std::string path = dir() + "/damaged-" + std::to_string(n) + ".avi";
    if (!std::filesystem::exists(path)) {
        if (!testsupport::writeMjpegAvi(path, n, 64, 48)) {
            s.SkipWithError("no MJPEG encoder");
            return;
        }
        std::set<int> bad;
        for (int k = 0; k < n; ++k)
            if (k % 10) bad.insert(k);
        testsupport::damageAviFrames(path, bad);
    }
    for (auto _ : s) {
        CZVMovie m;
        if (!m.Open(path)) std::abort();
        for (int i = 0; i < n; ++i) benchmark::DoNotOptimize(m.GoTo(i).data());
        if (int(m.damagedFrames().size()) != n - (n + 9) / 10) std::abort();
    }
    s.SetItemsProcessed(int64_t(s.iterations()) * n);  // frames
}

}  // namespace

BENCHMARK(BM_MemcpyFrames);
BENCHMARK(BM_OpenMovie);
BENCHMARK(BM_SequentialGoTo);
BENCHMARK(BM_RandomGoTo);
BENCHMARK(BM_Average300)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rms300)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeUncompressedAvi);
BENCHMARK(BM_DecodeMjpegAvi);
BENCHMARK(BM_DecodeH264Mp4);
BENCHMARK(BM_DecodeFfv1Mkv);
BENCHMARK(BM_DamagedMjpegPass)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::filesystem::remove_all(dir());
    return 0;
}
