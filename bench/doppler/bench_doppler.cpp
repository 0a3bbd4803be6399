// The Doppler monitor's whole chain per block of 100 samples: the board's
// read, the 512-sample windowed spectrum, the Doppler shift by each method
// and the appends to the velocity, spectrum and raw traces. Reported as
// blocks per second and as multiples of real time at 40 kHz (400 blocks
// per second), next to a memcpy of the block's bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "doppler/Ctrv2Doc.h"
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

}  // namespace

BENCHMARK_MAIN();
