// "ordavia-cli batch" and the Snakemake workflow run as a researcher runs
// them, on a small synthetic study made once for the suite.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <regex>
#include <set>
#include <thread>

#include "base/ParallelFor.h"
#include "cli/BatchTable.h"
#include "cli/BatchWorkers.h"
#include "figures/MeasureCatalogue.h"
#include "support/BatchStudy.h"
#include "support/ScratchDir.h"

using namespace testsupport;

namespace {

class Batch : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        study_ = new ScratchDir("batch");
        rows_ = makeBatchStudy(study_->dir.string());
        writeManifest(*study_ / "m.csv", rows_);
        ASSERT_EQ(studyCli(dir(), "batch m.csv --out ref.csv --jobs 2"), 0);
        reference_ = readWhole(*study_ / "ref.csv");
    }
    static void TearDownTestSuite() {
        delete study_;
        study_ = nullptr;
    }
    static std::string dir() { return study_->dir.string(); }
    static std::string path(const std::string& name) { return *study_ / name; }
    static std::map<std::string, ordavia::BatchRow> rowsOf(const std::string& file) {
        const auto read = ordavia::readResults(path(file));
        EXPECT_TRUE(read.ok()) << read.reason();
        std::map<std::string, ordavia::BatchRow> out;
        if (!read) return out;
        for (const auto& [key, row] : *read) EXPECT_TRUE(out.emplace(key, row).second) << "a row twice: " << key;
        return out;
    }

    static ScratchDir* study_;
    static std::vector<std::string> rows_;
    static std::string reference_;
};
ScratchDir* Batch::study_ = nullptr;
std::vector<std::string> Batch::rows_;
std::string Batch::reference_;

// The text --json gives for KEY (inside the object PART when there is one),
// as a results cell shows it.
std::string jsonCell(const std::string& json, const std::string& part, const std::string& key) {
    size_t from = 0;
    if (!part.empty() && (from = json.find("\"" + part + "\":")) == std::string::npos) return "<no " + part + ">";
    // The key of the object itself before one of its lists' items (a
    // picture's "dilated" count, not the first capillary's "dilated" flag).
    size_t at = std::string::npos;
    for (size_t i = json.find('{', from), depth = 0; i < json.size() && at == std::string::npos; ++i) {
        const char c = json[i];
        if (c == '"') {
            if (depth == 1 && json.compare(i, key.size() + 3, "\"" + key + "\":") == 0) at = i;
            i = json.find('"', i + 1);  // the figures' texts hold no quotes
            if (i == std::string::npos) break;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (--depth == 0) break;
        }
    }
    // Figures kept one level down (fcf's blocks) are found where they first are.
    if (at == std::string::npos) at = json.find("\"" + key + "\":", from);
    if (at == std::string::npos) return "<no " + key + ">";
    const size_t b = json.find_first_not_of(' ', at + key.size() + 3);
    const std::string t = json.substr(b, json.find_first_of(",\n}", b) - b);
    return t == "null" ? "NA" : t == "true" ? "yes" : t == "false" ? "no" : t;
}

// The JSON key a results heading ("threshold: width (px)") stands for.
std::pair<std::string, std::string> keyOf(const std::string& analysis, std::string heading) {
    std::string part;
    if (const size_t colon = heading.find(": "); colon != std::string::npos)
        part = heading.substr(0, colon), heading = heading.substr(colon + 2);
    const ordavia::MeasureSet* set = ordavia::findMeasureSet(analysis);
    // A unit of the picture's length ("{L}") matches any: those come last.
    for (bool anyLength : {false, true})
    for (const ordavia::Measure& m : set ? set->measures : std::vector<ordavia::Measure>{}) {
        if (!(m.outputs & ordavia::kInJson) || anyLength != (std::string(m.unit).find("{L}") != std::string::npos))
            continue;
        std::string unit = std::regex_replace(m.unit ? m.unit : "", std::regex(R"([\^()%/+.])"), R"(\$&)");
        unit = std::regex_replace(unit, std::regex(R"(\{L\})"), ".+");
        const std::string pattern = std::regex_replace(m.heading, std::regex(R"([\^()%/+.])"), R"(\$&)") +
                                    (unit.empty() ? "" : " \\(" + unit + "\\)");
        if (std::regex_match(heading, std::regex(pattern))) return {part, m.key};
    }
    return {part, "<no key for " + heading + ">"};
}

TEST_F(Batch, EveryRowHoldsTheNumbersOfItsCommandRunAlone) {
    const auto rows = rowsOf("ref.csv");
    ASSERT_EQ(rows.size(), rows_.size());
    std::set<std::string> analyses;
    for (const auto& [key, row] : rows) {
        ASSERT_EQ(row.status, "ok") << key << ": " << row.message;
        const std::string file = key.substr(0, key.find('\n'));
        const std::string analysis = key.substr(file.size() + 1, key.rfind('\n') - file.size() - 1);
        const std::string options = key.substr(key.rfind('\n') + 1);
        analyses.insert(analysis);
        const std::string json = path(analysis + "-" + std::to_string(analyses.size()) + ".json");
        ASSERT_EQ(studyCli(dir(), analysis + " " + file + " " + options + " --json", " >" + json + " 2>/dev/null"), 0) << key;
        const std::string out = readWhole(json);
        ASSERT_FALSE(row.cells.empty()) << key;
        for (const auto& [heading, cell] : row.cells) {
            const auto [part, jsonKey] = keyOf(analysis, heading);
            EXPECT_EQ(cell, jsonCell(out, part, jsonKey)) << key << ": " << heading;
        }
    }
    EXPECT_EQ(analyses.size(), 7u);  // every analysis of the study
}

// A batch killed at any moment loses at most the jobs it was running; what
// it saved is whole, and resuming (even several times) gives the table of a
// run never stopped.
TEST_F(Batch, KilledAtSeveralPointsAndResumedGivesTheSameTable) {
    const std::string out = path("killed.csv");
    std::filesystem::remove(out);
    size_t interrupted = 0;
    for (size_t atRows : {0u, 1u, 3u, 6u}) {
        const pid_t child = fork();
        if (child == 0) {
            if (chdir(dir().c_str()) != 0) _exit(127);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            const std::string cli = std::string(ORDAVIA_PROGRAM_DIR) + "/ordavia-cli";
            execl(cli.c_str(), cli.c_str(), "--profile", "p.ini", "batch", "m.csv", "--out", "killed.csv", "--jobs", "2",
                  "--resume", static_cast<char*>(nullptr));
            _exit(127);
        }
        // Kill as soon as the table holds `atRows` rows more than the last
        // run left (right away for 0).
        const size_t before = std::filesystem::exists(out) ? rowsOf("killed.csv").size() : 0;
        int status = 0;
        bool exited = false;
        for (int i = 0; i < 20000 && !exited; ++i) {
            if (waitpid(child, &status, WNOHANG) == child) exited = true;
            else if (atRows == 0 || (std::filesystem::exists(out) && rowsOf("killed.csv").size() >= before + atRows)) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!exited) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            ++interrupted;
        }
        if (!std::filesystem::exists(out)) continue;
        // Every row saved is the row of the uninterrupted run.
        const auto reference = rowsOf("ref.csv");
        for (const auto& [key, row] : rowsOf("killed.csv")) {
            ASSERT_TRUE(reference.count(key)) << key;
            EXPECT_EQ(row.cells, reference.at(key).cells) << key;
            EXPECT_EQ(row.status, "ok") << key;
        }
    }
    EXPECT_GE(interrupted, 3u);
    ASSERT_EQ(studyCli(dir(), "batch m.csv --out killed.csv --jobs 2 --resume"), 0);
    EXPECT_EQ(readWhole(out), reference_);
}

TEST_F(Batch, AFailedJobIsReportedAndStopsTheBatchUnlessKeepGoing) {
    std::vector<std::string> rows = {rows_[0], "later.bmp,count,\"--line 10,120,758,120\"", "p0.bmp,nothing,", rows_[1]};
    writeManifest(path("f.csv"), rows);
    std::filesystem::remove(path("later.bmp"));

    EXPECT_EQ(studyCli(dir(), "batch f.csv --out f1.csv --jobs 1 --json", " >f1.json 2>/dev/null"), 1);
    auto got = rowsOf("f1.csv");
    ASSERT_EQ(got.size(), 2u);  // the first job, and the failure that stopped the batch
    const std::string later = "later.bmp\ncount\n--line 10,120,758,120";
    EXPECT_EQ(got[later].status, "failed");
    EXPECT_EQ(got[later].message, "later.bmp: No such file or directory");
    EXPECT_TRUE(got[later].cells.empty());
    const std::string lines = readWhole(path("f1.json"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2);
    EXPECT_NE(lines.find("\"row\":2,\"file\":\"later.bmp\",\"analysis\":\"count\""), std::string::npos) << lines;

    EXPECT_EQ(studyCli(dir(), "batch f.csv --out f2.csv --jobs 2 --keep-going"), 1);
    got = rowsOf("f2.csv");
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got["p0.bmp\nnothing\n"].message,
              "unknown analysis 'nothing' (count, assess, linescan, fcf, stabilise, width, doppler)");
    EXPECT_EQ(got[later].status, "failed");

    // Resuming runs the failed jobs again: with the file there, only the
    // unknown analysis is left failing.
    std::filesystem::copy_file(path("p0.bmp"), path("later.bmp"));
    EXPECT_EQ(studyCli(dir(), "batch f.csv --out f2.csv --keep-going --resume"), 1);
    got = rowsOf("f2.csv");
    EXPECT_EQ(got[later].status, "ok");
    EXPECT_EQ(got["p0.bmp\nnothing\n"].status, "failed");

    // A manifest that cannot be read leaves the table as it was.
    const std::string kept = readWhole(path("f2.csv"));
    std::ofstream(path("bad.csv")) << "file,analysis,colour\nx,count,red\n";
    EXPECT_EQ(studyCli(dir(), "batch bad.csv --out f2.csv"), 1);
    EXPECT_EQ(readWhole(path("f2.csv")), kept);
}

// A row with an exam is filed under that examination as --exam/--db file
// the single command's result; jobs on two threads file into one database.
TEST_F(Batch, RowsWithAnExamAreFiledUnderIt) {
    ASSERT_EQ(studyCli(dir(), "db init db"), 0);
    ASSERT_EQ(studyCli(dir(), "db subject add db --id S1 --name Ann"), 0);
    ASSERT_EQ(studyCli(dir(), "db exam new db --subject S1 --site R4 --json", " >exam.json 2>/dev/null"), 0);
    const std::string exam = readWhole(path("exam.json"));
    const std::string id = exam.substr(exam.find("\"id\": ") + 6, exam.find(',') - exam.find("\"id\": ") - 6);
    std::ofstream(path("e.csv")) << "subject,file,analysis,options,exam,finger\n"
                                 << "S1,p0.bmp,count,\"--line 10,120,758,120 --scale 1.6 --db db\"," << id << ",R4\n"
                                 << "S1,p0.bmp,width,\"--line 70,110,50,114 --db db\"," << id << ",R4\n"
                                 << "S1,p1.bmp,count,\"--line=10,120,758,120\",,R4\n";
    ASSERT_EQ(studyCli(dir(), "batch e.csv --out e-results.csv --jobs 2"), 0);
    const std::string table = readWhole(path("e-results.csv"));
    EXPECT_EQ(table.substr(0, table.find('\n')).rfind("file,analysis,options,subject,exam,finger,", 0), 0u) << table;
    ASSERT_EQ(studyCli(dir(), "db results db --exam " + id + " --json", " >filed.json 2>/dev/null"), 0);
    const std::string filed = readWhole(path("filed.json"));
    EXPECT_NE(filed.find("Capillaries:"), std::string::npos) << filed;
    EXPECT_NE(filed.find("\"filename\": \"p0.bmp\""), std::string::npos) << filed;
    EXPECT_EQ(filed.find("p1.bmp"), std::string::npos) << filed;  // no exam, nothing filed
}

TEST_F(Batch, TheSnakemakeWorkflowGathersTheTableOfTheBatch) {
    if (std::system("snakemake --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "snakemake is not installed";
    const std::string cmd = "snakemake -s " + std::string(ORDAVIA_SOURCE_DIR) + "/workflow/Snakefile --cores 2 --directory " +
                            dir() + " --config manifest=m.csv out=w.csv 'cli=" + ORDAVIA_PROGRAM_DIR +
                            "/ordavia-cli --profile p.ini' >" + path("snakemake.log") + " 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << readWhole(path("snakemake.log"));
    EXPECT_EQ(readWhole(path("w.csv")), reference_);
}

}  // namespace

// N jobs at once share the process's threads: each job's analyses (and its
// video decoder, which asks the same count) get T / N of them, at least one,
// however many the process may use.
TEST(BatchWorkers, EachJobGetsItsShareOfTheThreads) {
    struct Case {
        int total, workers, each;
    };
    for (const Case c : {Case{2, 1, 2}, Case{2, 2, 1}, Case{8, 3, 2}, Case{2, 5, 1}}) {
        ordavia::setThreadCount(c.total);
        std::mutex m;
        std::vector<int> seen;
        ordavia::runBatchWorkers(c.workers, [&] {
            const int n = ordavia::threadCount();
            const std::lock_guard<std::mutex> hold(m);
            seen.push_back(n);
        });
        EXPECT_EQ(seen, std::vector<int>(size_t(c.workers), c.each)) << c.total << " threads, " << c.workers << " jobs";
        EXPECT_EQ(ordavia::threadCount(), c.total);  // the calling thread keeps the process's count
    }
    ordavia::setThreadCount(0);
}
