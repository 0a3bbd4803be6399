#include "cli/BatchTable.h"

#include <algorithm>
#include <cstdint>

#include "base/FileIO.h"
#include "base/Text.h"

namespace ordavia {

namespace {

// A manifest of a few hundred thousand rows is still far below this.
constexpr uint64_t kMaxTableBytes = uint64_t(256) << 20;

Result<std::string> readText(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (Status s = readFileBytes(path, bytes, kMaxTableBytes); !s) return s.context(path);
    std::string text(bytes.begin(), bytes.end());
    if (startsWith(text, "\xEF\xBB\xBF")) text.erase(0, 3);  // a spreadsheet's byte-order mark
    return text;
}

const char* const kLeadColumns[] = {"file", "analysis", "options"};

}  // namespace

Result<std::vector<std::vector<std::string>>> parseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, inQuotes = false, any = false;
    size_t line = 1;
    auto endField = [&] {
        row.push_back(quoted ? field : trim(field));
        field.clear();
        quoted = false;
    };
    auto endRow = [&] {
        endField();
        if (row.size() > 1 || !row[0].empty() || any) rows.push_back(std::move(row));
        row.clear();
        any = false;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inQuotes) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += '"', ++i;
            else if (c == '"') inQuotes = false;
            else field += c, line += c == '\n';
        } else if (c == '"' && trim(field).empty() && !quoted) {
            field.clear();
            inQuotes = quoted = any = true;
        } else if (c == ',') {
            endField();
            any = true;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            endRow();
            ++line;
        } else if (quoted) {
            if (c != ' ' && c != '\t') return Status::failure(strprintf("line %zu: text after a closing quote", line));
        } else {
            field += c;
        }
    }
    if (inQuotes) return Status::failure(strprintf("line %zu: a quote is never closed", line));
    if (!field.empty() || !row.empty() || quoted) endRow();
    return rows;
}

std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos && s == trim(s)) return s;
    std::string out = "\"";
    for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

Result<std::vector<std::string>> splitOptionWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (char c : text) {
        if (quote) {
            if (c == quote) quote = 0;
            else word += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quote) return Status::failure(std::string("a ") + quote + " in the options is never closed");
    if (inWord) words.push_back(word);
    return words;
}

std::string BatchJob::key() const { return file + '\n' + analysis + '\n' + options; }

Result<BatchManifest> readManifest(const std::string& path) {
    const Result<std::string> text = readText(path);
    if (!text) return text.status();
    const auto rows = parseCsv(*text);
    if (!rows) return rows.status().context(path);
    if (rows->empty()) return Status::failure(path + ": the manifest is empty (a heading line file,analysis,options, then one row a job)");
    const std::vector<std::string>& head = rows->front();
    enum Col { kFile, kAnalysis, kOptions, kSubject, kExam, kFinger, kCols };
    const char* const names[kCols] = {"file", "analysis", "options", "subject", "exam", "finger"};
    int at[kCols] = {-1, -1, -1, -1, -1, -1};
    for (size_t c = 0; c < head.size(); ++c) {
        const auto found = std::find_if(std::begin(names), std::end(names), [&](const char* n) { return iequals(head[c], n); });
        if (found == std::end(names))
            return Status::failure(path + ": unknown column '" + head[c] + "' (the columns are file, analysis, options, subject, exam and finger)");
        const size_t k = static_cast<size_t>(found - std::begin(names));
        if (at[k] >= 0) return Status::failure(path + ": the column '" + head[c] + "' is there twice");
        at[k] = static_cast<int>(c);
    }
    if (at[kFile] < 0 || at[kAnalysis] < 0)
        return Status::failure(path + ": the manifest needs the columns file and analysis (and options)");
    BatchManifest m;
    m.hasSubject = at[kSubject] >= 0;
    m.hasExam = at[kExam] >= 0;
    m.hasFinger = at[kFinger] >= 0;
    for (size_t r = 1; r < rows->size(); ++r) {
        const std::vector<std::string>& row = (*rows)[r];
        if (row.size() > head.size())
            return Status::failure(strprintf("%s: row %zu has %zu fields for %zu columns", path.c_str(), r, row.size(), head.size()));
        auto cell = [&](Col c) { return at[c] >= 0 && size_t(at[c]) < row.size() ? row[size_t(at[c])] : std::string(); };
        BatchJob j{r, cell(kFile), cell(kAnalysis), cell(kOptions), cell(kSubject), cell(kExam), cell(kFinger)};
        if (j.file.empty() || j.analysis.empty())
            return Status::failure(strprintf("%s: row %zu needs a file and an analysis", path.c_str(), r));
        m.jobs.push_back(std::move(j));
    }
    return m;
}

std::string resultsCsv(const BatchManifest& manifest, const std::map<size_t, BatchRow>& rows) {
    std::vector<std::string> figures;
    for (const auto& [row, r] : rows)
        for (const auto& cell : r.cells)
            if (std::find(figures.begin(), figures.end(), cell.first) == figures.end()) figures.push_back(cell.first);
    std::vector<std::string> head(std::begin(kLeadColumns), std::end(kLeadColumns));
    if (manifest.hasSubject) head.push_back("subject");
    if (manifest.hasExam) head.push_back("exam");
    if (manifest.hasFinger) head.push_back("finger");
    head.insert(head.end(), figures.begin(), figures.end());
    head.push_back("status");
    head.push_back("message");
    std::string out;
    auto line = [&](const std::vector<std::string>& cells) {
        for (size_t i = 0; i < cells.size(); ++i) out += (i ? "," : "") + csvField(cells[i]);
        out += "\n";
    };
    line(head);
    for (const BatchJob& j : manifest.jobs) {
        const auto found = rows.find(j.row);
        if (found == rows.end()) continue;
        const BatchRow& r = found->second;
        std::vector<std::string> cells = {j.file, j.analysis, j.options};
        if (manifest.hasSubject) cells.push_back(j.subject);
        if (manifest.hasExam) cells.push_back(j.exam);
        if (manifest.hasFinger) cells.push_back(j.finger);
        for (const std::string& f : figures) {
            const auto c = std::find_if(r.cells.begin(), r.cells.end(), [&](const auto& p) { return p.first == f; });
            cells.push_back(c == r.cells.end() ? std::string() : c->second);
        }
        cells.push_back(r.status);
        cells.push_back(r.message);
        line(cells);
    }
    return out;
}

Result<std::vector<std::pair<std::string, BatchRow>>> readResults(const std::string& path) {
    const Result<std::string> text = readText(path);
    if (!text) return text.status();
    const auto rows = parseCsv(*text);
    if (!rows) return rows.status().context(path);
    const char* const notOurs = ": not the results of a batch (the columns file, analysis, options ... status, message)";
    if (rows->empty()) return Status::failure(path + notOurs);
    const std::vector<std::string>& head = rows->front();
    const size_t n = head.size();
    if (n < 5 || head[0] != "file" || head[1] != "analysis" || head[2] != "options" || head[n - 2] != "status" ||
        head[n - 1] != "message")
        return Status::failure(path + notOurs);
    size_t first = 3;
    while (first < n - 2 && (head[first] == "subject" || head[first] == "exam" || head[first] == "finger")) ++first;
    std::vector<std::pair<std::string, BatchRow>> out;
    for (size_t r = 1; r < rows->size(); ++r) {
        const std::vector<std::string>& row = (*rows)[r];
        if (row.size() != n)
            return Status::failure(strprintf("%s: row %zu has %zu fields for %zu columns", path.c_str(), r, row.size(), n));
        BatchRow b;
        for (size_t c = first; c < n - 2; ++c)
            if (!row[c].empty()) b.cells.emplace_back(head[c], row[c]);
        b.status = row[n - 2];
        b.message = row[n - 1];
        out.emplace_back(row[0] + '\n' + row[1] + '\n' + row[2], std::move(b));
    }
    return out;
}

}  // namespace ordavia
