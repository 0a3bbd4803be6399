// "batch": every job of a study's manifest on the machine's cores, into one
// results table that is saved after each job, so that a batch stopped at
// any moment resumes where it was.
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "base/FileIO.h"
#include "base/JsonWriter.h"
#include "base/Text.h"
#include "cli/BatchJobs.h"
#include "cli/BatchTable.h"
#include "cli/BatchWorkers.h"
#include "cli/CliCommand.h"

using namespace ordavia;

namespace {

const char* kUsage = "usage: ordavia-cli batch MANIFEST.csv --out RESULTS.csv [--jobs N] [--resume] [--keep-going] [--json]";

// One JSON line a finished job: its row, its outcome and its figures under
// their headings.
std::string jsonLine(const BatchJob& job, const BatchRow& r) {
    JsonWriter j(false);
    j.beginObject().field("row", job.row).field("file", job.file).field("analysis", job.analysis);
    j.field("options", job.options).field("status", r.status).field("message", r.message);
    j.key("figures").beginObject();
    for (const auto& [heading, cell] : r.cells) {
        j.key(heading);
        if (cell == "NA") j.null();
        else if (cell == "yes" || cell == "no") j.value(cell == "yes");
        else j.value(std::strtod(cell.c_str(), nullptr));
    }
    j.endObject().endObject();
    return j.str() + "\n";
}

std::string clock(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    return s >= 3600 ? strprintf("%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60) : strprintf("%ld:%02ld", s / 60, s % 60);
}

// The run of a batch: the jobs still to do on a bounded pool of threads,
// started in manifest order while the memory they need is there.
class BatchRun {
public:
    BatchRun(const BatchManifest& m, std::map<size_t, BatchRow> rows, const CliArgs& a, std::string out)
        : manifest_(m), rows_(std::move(rows)), args_(a), out_(std::move(out)) {}

    int run(int threads, bool keepGoing) {
        for (const BatchJob& j : manifest_.jobs)
            if (!rows_.count(j.row)) pending_.push_back(&j);
        keepGoing_ = keepGoing;
        tty_ = isatty(STDERR_FILENO);
        const uint64_t available = availableMemoryBytes();
        // A tenth is left for the rest of the machine.
        budget_ = available ? available / 10 * 9 : UINT64_MAX;
        started_ = std::chrono::steady_clock::now();
        if (Status s = save(); !s) return cliError(s);
        progress();
        const size_t n = std::min<size_t>(static_cast<size_t>(std::max(threads, 1)), pending_.size());
        runBatchWorkers(static_cast<int>(n), [this] { work(); });
        if (tty_) std::fputs("\n", stderr);
        if (!saveError_.empty()) return cliError(saveError_);
        if (next_ < pending_.size())
            std::fprintf(stderr, "ordavia-cli: batch stopped at the first failure; %zu jobs not run (--keep-going runs them all)\n",
                         pending_.size() - next_);
        return failed_ || next_ < pending_.size() ? 1 : 0;
    }

private:
    void work() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            // The next job starts once the memory it needs is free; one
            // that needs more than the machine has runs alone.
            changed_.wait(lock, [&] {
                return stop_ || next_ >= pending_.size() || running_ == 0 ||
                       reserved_ + estimatePeakBytes(*pending_[next_]) <= budget_;
            });
            if (stop_ || next_ >= pending_.size()) return;
            const BatchJob& job = *pending_[next_++];
            const uint64_t need = estimatePeakBytes(job);
            reserved_ += need;
            ++running_;
            lock.unlock();
            BatchRow row = runBatchJob(job, args_.services());
            lock.lock();
            reserved_ -= need;
            --running_;
            finish(job, std::move(row));
            changed_.notify_all();
            // The table is written while the other jobs go on; a table
            // made later is never overwritten by one made before it.
            const std::string table = resultsCsv(manifest_, rows_);
            const uint64_t made = ++tablesMade_;
            lock.unlock();
            const Status s = saveInOrder(table, made);
            lock.lock();
            if (!s && saveError_.empty()) {
                saveError_ = s.reason();
                stop_ = true;
                changed_.notify_all();
            }
        }
    }

    Status saveInOrder(const std::string& table, uint64_t made) {
        const std::lock_guard<std::mutex> hold(saveMutex_);
        if (made <= tablesSaved_) return Status::success();
        tablesSaved_ = made;
        const Status s = writeFileAtomically(out_, table);
        return s ? s : s.context(out_);
    }

    // Called with the lock held: the row joins the table.
    void finish(const BatchJob& job, BatchRow row) {
        ++done_;
        const bool ok = row.status == "ok";
        if (!ok) {
            ++failed_;
            if (tty_) std::fputs("\r\033[K", stderr);
            std::fprintf(stderr, "ordavia-cli: row %zu (%s, %s): %s\n", job.row, job.file.c_str(), job.analysis.c_str(),
                         row.message.c_str());
            if (!keepGoing_) stop_ = true;
        }
        if (args_.json()) {
            cliOut(jsonLine(job, row));
            std::fflush(stdout);
        }
        rows_[job.row] = std::move(row);
        progress();
    }

    Status save() const {
        const Status s = writeFileAtomically(out_, resultsCsv(manifest_, rows_));
        return s ? s : s.context(out_);
    }

    void progress() const {
        if (!tty_) return;
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        std::string line = strprintf("\r\033[K%zu/%zu done, %zu failed, %s elapsed", done_, pending_.size(), failed_,
                                     clock(elapsed).c_str());
        if (done_ > 0 && done_ < pending_.size())
            line += ", about " + clock(elapsed / double(done_) * double(pending_.size() - done_)) + " left";
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
    }

    const BatchManifest& manifest_;
    std::map<size_t, BatchRow> rows_;
    const CliArgs& args_;
    std::string out_;
    std::vector<const BatchJob*> pending_;
    std::mutex mutex_, saveMutex_;
    uint64_t tablesMade_ = 0, tablesSaved_ = 0;
    std::condition_variable changed_;
    size_t next_ = 0, running_ = 0, done_ = 0, failed_ = 0;
    uint64_t reserved_ = 0, budget_ = 0;
    bool stop_ = false, keepGoing_ = false, tty_ = false;
    std::string saveError_;
    std::chrono::steady_clock::time_point started_;
};

// "--row K": one job alone, its row written as a table of its own (a
// workflow engine's job); the exit code is 0 once the row is written.
int runOneRow(const BatchManifest& m, const CliArgs& a, const std::string& out) {
    const Result<size_t> k = a.number<uint64_t>("--row", 1, m.jobs.size(), 1);
    if (!k) return cliError("batch: " + k.reason());
    const BatchJob& job = m.jobs[*k - 1];
    BatchRow row = runBatchJob(job, a.services());
    if (row.status != "ok") std::fprintf(stderr, "ordavia-cli: row %zu (%s, %s): %s\n", job.row, job.file.c_str(), job.analysis.c_str(), row.message.c_str());
    if (a.json()) cliOut(jsonLine(job, row));
    if (Status s = writeFileAtomically(out, resultsCsv(m, {{job.row, std::move(row)}})); !s) return cliError(s.context(out));
    return 0;
}

// "--gather FOLDER": the table of every job from FOLDER/row-K.csv, the
// rows "--row K" wrote; the exit code is 0 once the table is written.
int gatherRows(const BatchManifest& m, const std::string& folder, const std::string& out) {
    std::map<size_t, BatchRow> rows;
    size_t failed = 0;
    for (const BatchJob& job : m.jobs) {
        const std::string part = folder + "/row-" + std::to_string(job.row) + ".csv";
        const auto read = readResults(part);
        if (!read) return cliError(read.status());
        if (read->size() != 1 || read->front().first != job.key())
            return cliError(part + ": not the row of job " + std::to_string(job.row) + " of this manifest");
        failed += read->front().second.status != "ok";
        rows[job.row] = read->front().second;
    }
    if (Status s = writeFileAtomically(out, resultsCsv(m, rows)); !s) return cliError(s.context(out));
    if (failed) std::fprintf(stderr, "ordavia-cli: %zu of %zu jobs failed (status \"failed\" in %s)\n", failed, m.jobs.size(), out.c_str());
    return 0;
}

int runBatch(const CliArgs& a) {
    const auto out = a.get("--out");
    if (a.positional.size() != 1 || !out || out->empty()) return cliError(kUsage);
    const Result<BatchManifest> manifest = readManifest(a.positional[0]);
    if (!manifest) return cliError(manifest.status());
    if (int rc = cliRefuseOutputOverInput(a.positional[0], *out)) return rc;
    if (a.has("--row")) return runOneRow(*manifest, a, *out);
    if (auto folder = a.get("--gather")) return gatherRows(*manifest, *folder, *out);
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const Result<int> jobs = a.number("--jobs", 1, 1024, cores);
    if (!jobs) return cliError("batch: " + jobs.reason());

    std::map<size_t, BatchRow> rows;
    if (a.has("--resume") && fileExists(*out)) {
        // The jobs done before (the same file, analysis and options, with
        // status ok) keep their rows; the others run again.
        const auto before = readResults(*out);
        if (!before) return cliError(before.status().context("--resume"));
        std::map<std::string, const BatchRow*> done;
        for (const auto& [key, row] : *before)
            if (row.status == "ok") done.emplace(key, &row);
        for (const BatchJob& j : manifest->jobs)
            if (auto found = done.find(j.key()); found != done.end()) rows[j.row] = *found->second;
    }
    BatchRun run(*manifest, std::move(rows), a, *out);
    return run.run(*jobs, a.has("--keep-going"));
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{
    "batch", "batch MANIFEST.csv --out RESULTS.csv [--jobs N] [--resume] [--keep-going] [--json]",
    "Runs every job of a study: MANIFEST.csv has a heading line and one row a job with the columns\n"
    "file, analysis (count, assess, linescan, fcf, stabilise, width or doppler) and options (as on\n"
    "the command line of that analysis, e.g. \"--line 10,20,400,20 --scale 2.6\"), and may have\n"
    "subject, exam and finger: a row with an exam is filed under that examination as --exam does\n"
    "(give --db FOLDER in its options). Relative names are taken from the current folder.\n"
    "RESULTS.csv has one row a job, in the manifest's order: file, analysis, options, the optional\n"
    "columns, the figures of the analysis with their units in the headings (the numbers its --json\n"
    "gives; NA where it has none; empty for another analysis' figures), status (ok or failed) and\n"
    "message (why it failed). It is saved after each job, so a batch stopped at any moment loses\n"
    "only the jobs it was running.\n"
    "  --jobs N       jobs at once (default: the machine's cores); a job starts only when the memory\n"
    "                 it needs (from its file's size and kind) is free, and one larger than that\n"
    "                 runs alone. Each job's analyses and video decoding use T / N threads (at least\n"
    "                 one), T being --threads, ORDAVIA_THREADS or the cores, and N the jobs at once\n"
    "                 (fewer than --jobs when the batch has fewer jobs to run)\n"
    "  --resume       keep the rows of RESULTS.csv whose job (file, analysis, options) is ok, and run\n"
    "                 the others: the table is the one an uninterrupted batch writes\n"
    "  --keep-going   run every job even when one fails (without it no job starts after a failure)\n"
    "  --json         one JSON line a finished job on stdout: {\"row\", \"file\", \"analysis\",\n"
    "                 \"options\", \"status\", \"message\", \"figures\": {heading: value}}\n"
    "A terminal shows the progress (done, failed, elapsed and remaining time) on stderr. The exit\n"
    "code is 1 when any job failed or was not run.\n"
    "For workflow engines (see the README's cluster section):\n"
    "  --row K --out PART.csv      job K (the K-th row) alone, its row as a table of its own\n"
    "  --gather FOLDER             the table of every job from FOLDER/row-K.csv, byte for byte\n"
    "                              the table of a batch run with --keep-going\n"
    "These two exit with 0 once they have written their table; failed jobs are in its rows.",
    {"--out", "--jobs", "--row", "--gather"},
    runBatch});
