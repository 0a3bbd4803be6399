// The Doppler monitor's whole chain per block of 100 samples: the board's
// read, the 512-sample windowed spectrum, the Doppler shift by each method
// and the appends to the velocity, spectrum and raw traces. Reported as
// blocks per second and as multiples of real time at 40 kHz (400 blocks
// per second), next to a memcpy of the block's bytes. And a whole raw
// recording streamed from its file through the monitor and the pulse
// analysis, as "ordavia-cli doppler" runs it, in bytes of the file per
// second next to a memcpy of the same bytes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "doppler/Ctrv2Doc.h"
#include "doppler/DopplerRecording.h"
#include "doppler/Trv2Board.h"
#include "synth/SyntheticDoppler.h"

namespace {

const std::vector<int16_t>& recording() {
    static const std::vector<int16_t> samples = [] {
        ordavia::DopplerSynthParams p;
        p.seconds = 2;
        return ordavia::synthesiseDoppler(p).samples;
    }();
    return samples;
}

// Method in range(0), window in range(1).
void BM_MonitorChain(benchmark::State& st) {
    ordavia::Trv2Board board;
    board.setPlayback(recording());
    Ctrv2Doc doc;
    doc.setBoard(&board);
    doc.OnNewDocument();
    doc.detection().cbvMethod = int(st.range(0));
    doc.detection().FFTwindow = int(st.range(1));
    for (auto _ : st) benchmark::DoNotOptimize(doc.processBlock(Ctrv2Doc::kBlockLimit));
    st.SetItemsProcessed(st.iterations());
    st.counters["blocks/s"] = benchmark::Counter(double(st.iterations()), benchmark::Counter::kIsRate);
    st.counters["x_realtime"] = benchmark::Counter(double(st.iterations()) * Ctrv2Doc::kBlockLimit / 40000.0,
                                                   benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MonitorChain)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 2}});

void BM_MemcpyOfABlock(benchmark::State& st) {
    std::vector<int16_t> a(Ctrv2Doc::kBlockLimit, 7), b(Ctrv2Doc::kBlockLimit);
    for (auto _ : st) {
        std::memcpy(b.data(), a.data(), a.size() * sizeof(int16_t));
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(a.size() * sizeof(int16_t)));
}
BENCHMARK(BM_MemcpyOfABlock);

// A ten-second recording as a file of its own (removed at exit).
const std::string& recordingFile() {
    static const struct File {
        std::string path = "/tmp/ordavia-bench-doppler-" + std::to_string(::getpid()) + ".bin";
        File() {
            ordavia::DopplerSynthParams p;
            p.seconds = 10;
            p.floor = 2;
            const auto samples = ordavia::synthesiseDoppler(p).samples;
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(samples.data()), std::streamsize(samples.size() * 2));
        }
        ~File() { std::remove(path.c_str()); }
    } file;
    return file.path;
}

// Method in range(0).
void BM_StreamedRecording(benchmark::State& st) {
    const std::string& path = recordingFile();
    ordavia::StartupSettings s;
    s.cbvMethod = int(st.range(0));
    s.FFTwindow = 2;
    int64_t bytes = 0;
    for (auto _ : st) {
        ordavia::Trv2Board board;
        board.setPlaybackFile(path);
        board.initialise(1);
        auto run = ordavia::runDopplerRecording(board, s, {});
        if (!run) st.SkipWithError(run.reason().c_str());
        benchmark::DoNotOptimize(run);
        bytes += int64_t(board.sampleCount() * 2);
    }
    st.SetBytesProcessed(bytes);
}
BENCHMARK(BM_StreamedRecording)->Arg(0)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_MemcpyOfTheRecording(benchmark::State& st) {
    std::vector<char> a(800000, 7), b(a.size());
    for (auto _ : st) {
        std::memcpy(b.data(), a.data(), a.size());
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(a.size()));
}
BENCHMARK(BM_MemcpyOfTheRecording);

}  // namespace

BENCHMARK_MAIN();
