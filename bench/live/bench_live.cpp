// Live frames at 768 x 576 through the simulated camera and the live video
// document (block, copy into the picture, hand-over to a recorder), the
// same with the optics at work (flash and defocus), and a whole autofocus
// search. The live picture must keep up with 25 frames per second with
// plenty of room on one core; items are frames.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "framework/AppServices.h"
#include "framework/ScriptedPrompter.h"
#include "framework/Timer.h"
#include "live/CameraSources.h"
#include "live/SimulatedCamera.h"
#include "live/ZBasicfgDoc.h"
#include "settings/ProfileStore.h"
#include "settings/StartupSettings.h"
#if ORDAVIA_BENCH_VIEW
#include <QApplication>
#include "live/ui/ZBasicfgView.h"
#endif

using namespace ordavia;

namespace {

struct Recorder : LiveFrameReceiver {
    int64_t frames = 0;
    void liveFrame(const CZVimage& f, int32_t) override {
        ++frames;
        benchmark::DoNotOptimize(f.row(0)[0]);
    }
};

struct Bench {
    ProfileStore profile;
    ScriptedPrompter prompter;
    StartupSettings settings;
    ManualTimerFactory timers;
    AppServices services;
    std::unique_ptr<CameraSources> sources;
    std::unique_ptr<ZBasicfgDoc> doc;
    Recorder rec;

    Bench() {
        services.profileStore = &profile;
        services.prompterPtr = &prompter;
        services.startupSettings = &settings;
        services.timerFactory = &timers;
        services.programFolder = std::string(ORDAVIA_SOURCE_DIR) + "/data/";
        sources = std::make_unique<CameraSources>(services);
        doc = std::make_unique<ZBasicfgDoc>();
        doc->setServices(&services);
        doc->OnNewDocument();
        // The whole PAL frame (the default grab window is 512 rows high).
        doc->stopLive();
        sources->source().settings().grabHeight = 576;
        if (!doc->startLive()) std::abort();
        doc->startCapture(&rec, 0, {});
    }
    ~Bench() { doc->OnCloseDocument(); }
};

void BM_LiveFrames(benchmark::State& state) {
    Bench b;
    if (state.range(0)) {
        // Flash off nominal and the focus a few steps out: the optics run.
        b.sources->source().setFlash(3000);
        b.sources->source().moveFocus(SimulatedCamera::kSharpFocus + 300);
    }
    for (auto _ : state) b.timers.advance(40);
    state.SetItemsProcessed(b.rec.frames);
    state.SetBytesProcessed(b.rec.frames * 768 * 576);
    state.counters["width"] = b.doc->image().width();
    state.counters["height"] = b.doc->image().rows();
}
BENCHMARK(BM_LiveFrames)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FrameMemcpy(benchmark::State& state) {
    std::vector<uint8_t> a(768 * 576, 1), b(768 * 576);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size());
        benchmark::DoNotOptimize(b.data());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(a.size()));
}
BENCHMARK(BM_FrameMemcpy);

void BM_AutofocusSearch(benchmark::State& state) {
    Bench b;
    int frames = 0;
    for (auto _ : state) {
        b.sources->source().moveFocus(0);
        b.timers.advance(40);
        b.doc->startAutoFocus();
        while (b.doc->autoFocus().state() == AutoFocus::State::Searching) {
            b.timers.advance(40);
            ++frames;
        }
    }
    state.counters["frames_per_search"] = double(frames) / double(state.iterations());
}
BENCHMARK(BM_AutofocusSearch)->Unit(benchmark::kMillisecond);

#if ORDAVIA_BENCH_VIEW
// The same frames shown: each one converted for display and painted by an
// offscreen live view.
void BM_LiveFramesThroughView(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "bench_live";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qApp) new QApplication(argc, argv);
    Bench b;
    {
        ZBasicfgView view(b.doc.get());
        b.doc->AddView(&view);
        view.resize(800, 620);
        view.show();
        for (auto _ : state) {
            b.timers.advance(40);
            QApplication::processEvents();
        }
        b.doc->RemoveView(&view);
    }
    state.SetItemsProcessed(b.rec.frames);
}
BENCHMARK(BM_LiveFramesThroughView)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
