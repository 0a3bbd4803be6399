// A study of 40 videos (300 frames of 640 x 480: movement correction, line
// scan and functional capillary flow of each) and 80 pictures (count and
// width of each) through "ordavia-cli batch", with one job at a time and
// with two: the wall time (goal on two cores: two jobs at most 0.6 x one,
// vs_one_job), the files per second, the batch's processor time and its
// peak memory, and whether both tables are the same. The study is made once
// (about 3.7 GB of videos, a few minutes) and kept in the temporary folder
// (ORDAVIA_BENCH_STUDY names another); run both arguments in one go:
//   build/bench/batch/bench_batch
// (--benchmark_filter=BM_StudyBatch/2 alone has no one-job time to compare).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/BatchStudy.h"

namespace {

constexpr int kVideos = 40, kPictures = 80;

struct Study {
    std::string dir;
    size_t jobs = 0;
};

const Study& study() {
    static const Study s = [] {
        Study st;
        const char* env = std::getenv("ORDAVIA_BENCH_STUDY");
        st.dir = env && *env ? env : (std::filesystem::temp_directory_path() / "ordavia-bench-batch-study").string();
        std::filesystem::create_directories(st.dir);
        testsupport::BatchStudySize size;
        size.pictures = kPictures;
        size.videos = kVideos;
        size.frames = 300;
        size.width = 640;
        size.height = 480;
        size.doppler = false;
        // The videos take most of the making: two at a time.
        std::vector<std::thread> makers;
        for (int t = 0; t < 2; ++t)
            makers.emplace_back([&, t] {
                for (int i = t; i < kVideos; i += 2) {
                    const std::string name = "v" + std::to_string(i);
                    if (::access((st.dir + "/" + name + ".dcs").c_str(), F_OK) == 0) continue;
                    testsupport::studyCli(st.dir, "synth video " + name + ".mve --truth " + name + ".json --seed " +
                                                      std::to_string(i + 1) + " --frames 300 --size 640x480");
                }
            });
        for (std::thread& t : makers) t.join();
        const std::vector<std::string> rows = testsupport::makeBatchStudy(st.dir, size);
        testsupport::writeManifest(st.dir + "/m.csv", rows);
        st.jobs = rows.size();
        return st;
    }();
    return s;
}

double g_oneJobSeconds = 0;
std::string g_oneJobTable;

// The batch as a child process: its wall time and peak resident memory.
void BM_StudyBatch(benchmark::State& state) {
    const Study& s = study();
    const int jobs = static_cast<int>(state.range(0));
    double seconds = 0;
    long peakKb = 0;
    double cpu = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0) {
            if (chdir(s.dir.c_str()) != 0) _exit(127);
            const std::string cli = std::string(ORDAVIA_PROGRAM_DIR) + "/ordavia-cli";
            const std::string n = std::to_string(jobs);
            execl(cli.c_str(), cli.c_str(), "--profile", "p.ini", "batch", "m.csv", "--out", "r.csv", "--jobs", n.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        rusage use{};
        wait4(child, &status, 0, &use);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        peakKb = use.ru_maxrss;
        cpu = double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) + 1e-6 * double(use.ru_utime.tv_usec + use.ru_stime.tv_usec);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the batch failed");
    }
    // The table of every run must be the one of a job at a time, byte for byte.
    const std::string table = testsupport::readWhole(s.dir + "/r.csv");
    if (jobs == 1) {
        g_oneJobSeconds = seconds;
        g_oneJobTable = table;
    } else if (!g_oneJobTable.empty()) {
        state.counters["same_table"] = table == g_oneJobTable ? 1 : 0;
        if (table != g_oneJobTable) state.SkipWithError("the table differs from the one of --jobs 1");
    }
    state.counters["files_per_s"] = double(kVideos + kPictures) / seconds;
    state.counters["jobs_per_s"] = double(s.jobs) / seconds;
    state.counters["peak_MB"] = double(peakKb) / 1024.0;
    // Processor time of the batch: on a machine that others load too, the
    // wall times hold their work as well.
    state.counters["cpu_s"] = cpu;
    if (jobs > 1 && g_oneJobSeconds > 0) state.counters["vs_one_job"] = seconds / g_oneJobSeconds;
}
BENCHMARK(BM_StudyBatch)->Arg(1)->Arg(2)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
