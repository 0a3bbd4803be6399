#include "cli/BatchJobs.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/JsonWriter.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "figures/MeasureCatalogue.h"
#include "framework/AppServices.h"
#include "framework/ConsolePrompter.h"

namespace ordavia {

namespace {

const MeasureSet* countSet() { return &countMeasures(); }
const MeasureSet* linescanSet() { return &linescanMeasures(); }
const MeasureSet* fcfSet() { return &fcfMeasures(); }
const MeasureSet* stabiliseSet() { return &stabiliseMeasures(); }
const MeasureSet* widthSet() { return &widthMeasures(); }
const MeasureSet* dopplerSet() { return &dopplerMeasures(); }
// The assessment of a whole picture comes with its own command and set.
const MeasureSet* assessSet() { return findMeasureSet("assess"); }

// The fixed part of every job's memory: the program's own buffers, a
// decoder's, the documents a command makes.
constexpr uint64_t kJobBaseBytes = uint64_t(64) << 20;

const CliCommand* commandOf(const BatchAnalysis& a, const std::string& file) {
    const std::string ext = toLower(extensionOf(file));
    const CliCommand* fallback = nullptr;
    for (const CliCommand& c : cliCommands()) {
        if (c.name != a.command) continue;
        if (c.inputExtensions.empty()) fallback = fallback ? fallback : &c;
        else if (std::find(c.inputExtensions.begin(), c.inputExtensions.end(), ext) != c.inputExtensions.end()) return &c;
    }
    return fallback;
}

// A figure as --json writes it, in a results cell: the same digits, "NA"
// for a figure the analysis could not make, yes or no for a yes-or-no one.
std::string cellOf(const MeasureValues& f, const std::string& key) {
    JsonWriter j(false);
    j.beginObject();
    f.json(j, {key});
    j.endObject();
    const std::string& s = j.str();
    const size_t colon = s.find("\":");
    std::string v = colon == std::string::npos ? std::string() : s.substr(colon + 2, s.size() - colon - 3);
    if (v == "null") return "NA";
    if (v == "true") return "yes";
    if (v == "false") return "no";
    return v;
}

BatchRow failed(std::string why) { return BatchRow{{}, "failed", std::move(why)}; }

}  // namespace

const std::vector<BatchAnalysis>& batchAnalyses() {
    // Pictures are decoded in full (several working copies for the ridge
    // filters); videos are read a frame or a few at a time, with the
    // documents' own per-pixel sums; a Doppler recording is turned into
    // real numbers and spectra.
    static const std::vector<BatchAnalysis> table = {
        {"count", "count", countSet, 24.0},
        {"assess", "assess", assessSet, 24.0},
        {"linescan", "linescan", linescanSet, 1.5},
        {"fcf", "fcf", fcfSet, 1.5},
        {"stabilise", "stabilise", stabiliseSet, 2.5},
        {"width", "width", widthSet, 8.0},
        {"doppler", "doppler", dopplerSet, 24.0},
    };
    return table;
}

const BatchAnalysis* findBatchAnalysis(const std::string& name) {
    for (const BatchAnalysis& a : batchAnalyses())
        if (name == a.name) return &a;
    return nullptr;
}

uint64_t estimatePeakBytes(const BatchJob& job) {
    struct stat st {};
    const uint64_t size = ::stat(job.file.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    const BatchAnalysis* a = findBatchAnalysis(job.analysis);
    double perByte = a ? a->peakPerFileByte : 1.0;
    // A compressed file decodes to many times its size.
    static const char* const packed[] = {".jpg", ".jpeg", ".png", ".tif", ".tiff", ".avi", ".mp4", ".mov", ".mkv", ".wmv"};
    const std::string ext = toLower(extensionOf(job.file));
    if (std::find(std::begin(packed), std::end(packed), ext) != std::end(packed)) perByte *= 12.0;
    return kJobBaseBytes + static_cast<uint64_t>(static_cast<double>(size) * perByte);
}

uint64_t availableMemoryBytes() {
    FILE* f = std::fopen("/proc/meminfo", "r");
    if (!f) return 0;
    char line[256];
    uint64_t kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "MemAvailable: %lu kB", &kb) == 1) break;
    std::fclose(f);
    return kb * 1024;
}

BatchRow runBatchJob(const BatchJob& job, const AppServices& services) {
    const BatchAnalysis* analysis = findBatchAnalysis(job.analysis);
    if (!analysis) {
        std::string names;
        for (const BatchAnalysis& a : batchAnalyses()) names += (names.empty() ? "" : ", ") + std::string(a.name);
        return failed("unknown analysis '" + job.analysis + "' (" + names + ")");
    }
    const CliCommand* command = commandOf(*analysis, job.file);
    if (!command || !analysis->measures())
        return failed("analysis not available: this ordavia-cli has no '" + job.analysis + "' command");
    const Result<std::vector<std::string>> words = splitOptionWords(job.options);
    if (!words) return failed(words.reason());

    // The job's own services over the run's profile and settings: a
    // prompter and documents of its own, its messages kept for its row.
    ConsolePrompter prompter(nullptr, "ordavia-cli");
    AppServices own;
    own.profileStore = services.profileStore;
    own.startupSettings = services.startupSettings;
    own.programFolder = services.programFolder;
    own.prompterPtr = &prompter;

    CliArgs a;
    a.servicesOfRun = &own;
    std::vector<std::string> all = {job.file};
    all.insert(all.end(), words->begin(), words->end());
    if (Status s = parseCommandWords(*command, all, a); !s) return failed(s.reason());
    if (!job.exam.empty()) {
        if (a.has("--exam")) return failed("the examination is given twice: in the exam column and in the options");
        a.options.emplace_back("--exam", job.exam);
    }
    // The figures are those of the command's --json.
    if (!a.json()) a.options.emplace_back("--json", "");

    CliCapture capture;
    cliCaptureOnThisThread(&capture);
    int rc = 1;
    try {
        rc = command->run(a);
    } catch (const std::bad_alloc&) {
        capture.error = "not enough memory for this job";
    } catch (const std::exception& e) {
        capture.error = e.what();
    }
    cliCaptureOnThisThread(nullptr);
    if (rc == 0 && a.has("--exam") && !a.filed)
        return failed(job.analysis + " files no result under an examination; nothing was filed");
    if (rc != 0) {
        std::string why = capture.error;
        if (why.empty() && !prompter.messages().empty()) why = prompter.messages().back();
        return failed(why.empty() ? "the analysis failed" : why);
    }
    if (capture.figures.empty()) return failed("the analysis reported no figures");
    // What the command remarks beside its result stays with the row.
    std::string notes;
    for (const std::string& n : capture.notes) notes += (notes.empty() ? "" : "; ") + n;
    BatchRow row{{}, "ok", notes};
    for (const CliFigures& f : capture.figures)
        for (const std::string& key : f.keys) {
            const Measure* m = f.values.set().find(key);
            if (!m) continue;
            const std::string heading = f.values.heading(*m);
            row.cells.emplace_back(f.part.empty() ? heading : f.part + ": " + heading, cellOf(f.values, key));
        }
    return row;
}

}  // namespace ordavia
