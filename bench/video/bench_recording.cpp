// Frames a second stored by a recording straight to disc at 768 x 576
// (goal: well above the camera's 25): into a ".mve" frame by frame, a
// whole 250-frame recording with its trailer and flush to the disc, and a
// compressed (MJPEG) recording; next to a memcpy of the same frame bytes.
// Disc work is timed by the wall clock: waiting for the disc counts.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "image/CZVimage.h"
#include "video/CZVMovie.h"

namespace {

constexpr int kW = 768, kH = 576, kN = 250;
constexpr size_t kFrame = size_t(kW) * kH;

const std::string& dir() {
    static const std::string d = [] {
        auto p = std::filesystem::temp_directory_path() / ("ordavia-bench-rec-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        return p.string();
    }();
    return d;
}

// A textured frame that changes from frame to frame, as a capillary video does.
CZVimage frame(int k) {
    CZVimage f(kW, kH, 2 * k, 0, 0);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) f.row(y)[x] = uint8_t(((x * 3 + y * 7 + k * 5) & 127) + ((x ^ y) & 31));
    return f;
}

void setRate(benchmark::State& st, int64_t frames) {
    st.SetItemsProcessed(frames);
    st.SetBytesProcessed(frames * int64_t(kFrame));
    st.counters["fps"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
}

// Frame after frame into a looping ring on disc, as the capture hands them.
void BM_RecordToMve(benchmark::State& st) {
    const CZVimage f = frame(1);
    CZVMovie m;
    m.loop = true;
    if (!m.Record(dir() + "/ring.mve", kN, kW, kH, CZVimage::kGrey)) st.SkipWithError("cannot record");
    int64_t n = 0;
    for (auto _ : st) {
        benchmark::DoNotOptimize(m.AddFrame(f, true));
        ++n;
    }
    m.stopRecording();
    setRate(st, n);
}
BENCHMARK(BM_RecordToMve)->Unit(benchmark::kMillisecond)->UseRealTime();

// A whole recording: start, 250 frames, trailer and flush to the disc.
void BM_RecordWholeMve(benchmark::State& st) {
    std::vector<CZVimage> frames;
    for (int k = 0; k < 4; ++k) frames.push_back(frame(k));
    int64_t n = 0;
    for (auto _ : st) {
        CZVMovie m;
        if (!m.Record(dir() + "/whole.mve", kN, kW, kH, CZVimage::kGrey)) st.SkipWithError("cannot record");
        for (int k = 0; k < kN; ++k) m.AddFrame(frames[size_t(k & 3)], true);
        if (!m.finishRecording()) st.SkipWithError("the recording did not finish");
        n += kN;
    }
    setRate(st, n);
}
BENCHMARK(BM_RecordWholeMve)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// With "compressoutput": every frame through the MJPEG encoder into an AVI.
void BM_RecordToAvi(benchmark::State& st) {
    std::vector<CZVimage> frames;
    for (int k = 0; k < 4; ++k) frames.push_back(frame(k));
    CZVMovie m;
    m.options.compressOutput = true;
    m.options.codec = "mjpeg";
    if (!m.Record(dir() + "/rec.avi", 1 << 20, kW, kH, CZVimage::kGrey)) st.SkipWithError("cannot record");
    int64_t n = 0;
    for (auto _ : st) {
        benchmark::DoNotOptimize(m.AddFrame(frames[size_t(n & 3)], true));
        ++n;
    }
    m.stopRecording();
    setRate(st, n);
}
BENCHMARK(BM_RecordToAvi)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MemcpyFrame(benchmark::State& st) {
    std::vector<uint8_t> a(kFrame, 1), b(kFrame);
    int64_t n = 0;
    for (auto _ : st) {
        std::memcpy(b.data(), a.data(), kFrame);
        benchmark::DoNotOptimize(b.data());
        ++n;
    }
    setRate(st, n);
}
BENCHMARK(BM_MemcpyFrame);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(dir());
    return 0;
}
