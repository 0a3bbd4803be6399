#include "results/ResultExport.h"
#include "results/MeasureColumns.h"

#include "base/Text.h"
#include "results/CResultDoc.h"

namespace ordavia {

std::string csvField(std::string_view s) {
    if (s.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(s);
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

Status writeResultsCsv(const CResultDoc& doc, const std::function<bool(const std::string&)>& sink) {
    const size_t cols = doc.displayColumnCount();
    const uint64_t cells = uint64_t(cols) * (uint64_t(doc.rowTotal()) + 1);
    if (cells > kMaxCsvCells)
        return Status::failure(strprintf("a table of %zu rows by %zu columns is too large to export (more than %llu cells)",
                                         doc.rowTotal(), cols, static_cast<unsigned long long>(kMaxCsvCells)));
    std::string out;
    for (size_t c = 0; c < cols; ++c) {
        if (c) out += ',';
        out += csvField(shownHeading(doc, c));
    }
    out += "\r\n";
    if (!sink(out)) return Status::failure("cannot write the table");
    for (size_t r = 0; r < doc.rowTotal(); ++r) {
        out.clear();
        for (size_t c = 0; c < cols; ++c) {
            if (c) out += ',';
            const std::string& cell = doc.cell(r, c);
            out += csvField(doc.isNumeric(c) ? trim(cell) : cell);
        }
        out += "\r\n";
        if (!sink(out)) return Status::failure("cannot write the table");
    }
    return Status::success();
}

Result<std::string> resultsAsCsv(const CResultDoc& doc) {
    std::string all;
    const Status s = writeResultsCsv(doc, [&](const std::string& part) {
        all += part;
        return true;
    });
    if (!s) return s;
    return all;
}

std::string longDateTimeText(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char day[64], month[64];
    std::strftime(day, sizeof day, "%A", &tm);
    std::strftime(month, sizeof month, "%B", &tm);
    return strprintf("%s, %s %d, %d, %02d:%02d:%02d", day, month, tm.tm_mday, tm.tm_year + 1900, tm.tm_hour,
                     tm.tm_min, tm.tm_sec);
}

std::string resultPrintHeader(const std::string& programName, const std::string& path, std::time_t t) {
    return programName + "  " + path + "  " + longDateTimeText(t);
}

}  // namespace ordavia
