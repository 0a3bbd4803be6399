#pragma once
// The two tables of a batch: the manifest it reads (one job a row) and the
// results it writes (one row a job), both comma-separated text with a
// heading line.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/Result.h"

namespace ordavia {

// Comma-separated text: fields in double quotes may hold commas, quotes
// (doubled) and line ends. A last line without its end counts; blank lines
// are left out.
Result<std::vector<std::vector<std::string>>> parseCsv(const std::string& text);
std::string csvField(const std::string& s);

// The options of a manifest row as words, the way a shell splits them:
// blanks part them, quotes ('...' and "...") keep blanks in.
Result<std::vector<std::string>> splitOptionWords(const std::string& text);

// One row of the manifest.
struct BatchJob {
    size_t row = 0;  // 1 for the first row below the headings
    std::string file, analysis, options;
    std::string subject, exam, finger;
    // What the row is known by in the results: file, analysis and options.
    std::string key() const;
};

struct BatchManifest {
    std::vector<BatchJob> jobs;
    // Which of the optional columns the manifest has; the results repeat them.
    bool hasSubject = false, hasExam = false, hasFinger = false;
};

// "file,analysis,options" and optional "subject,exam,finger" in any order;
// every row needs a file and an analysis. The reason names the line.
Result<BatchManifest> readManifest(const std::string& path);

// A finished job's row: its figures as "heading (unit)" -> the number as the
// command's --json gives it ("NA" for a figure it has not), then the outcome.
struct BatchRow {
    std::vector<std::pair<std::string, std::string>> cells;
    std::string status;  // "ok" or "failed"
    std::string message;
};

// The results of a batch: the manifest's jobs and the rows made so far
// (by row number). Columns: file, analysis, options, the optional columns
// the manifest has, every figure heading in the order the rows first give
// them, status and message; a row leaves the figures of other analyses
// empty. Rows follow the manifest.
std::string resultsCsv(const BatchManifest& manifest, const std::map<size_t, BatchRow>& rows);

// The rows of a results file written by resultsCsv, by the key of their job
// (file, analysis, options), in file order.
Result<std::vector<std::pair<std::string, BatchRow>>> readResults(const std::string& path);

}  // namespace ordavia
