// Results tables from the command line: "info FILE.rst" shows the document
// block, the column formats and every row; "results FILE.rst --csv" writes
// the table as CSV.
#include <cstdio>
#include <string>

#include "base/Archive.h"
#include "base/FileIO.h"
#include "base/JsonWriter.h"
#include "results/CResultDoc.h"
#include "results/ResultExport.h"
#include "cli/CliCommand.h"

using namespace ordavia;

namespace {

// Results files are text tables; anything this large is not one.
constexpr uint64_t kMaxRstBytes = uint64_t(256) << 20;

bool loadTable(const std::string& path, CResultDoc& doc, std::string& error) {
    std::vector<uint8_t> bytes;
    const ordavia::Status r = readFileBytes(path, bytes, kMaxRstBytes);
    if (!r.ok()) {
        error = r.reason();
        return false;
    }
    try {
        Archive ar(std::move(bytes));
        doc.Serialize(ar);
    } catch (const std::exception& e) {
        error = path + ": not a results table (" + e.what() + ")";
        return false;
    }
    return true;
}

int infoRst(const std::string& path, const CliArgs& a) {
    CResultDoc doc;
    doc.setServices(&a.services());
    std::string error;
    if (!loadTable(path, doc, error)) return cliError(error);

    if (a.json()) {
        JsonWriter w;
        w.beginObject();
        w.field("file", path).field("type", "results");
        w.field("saveCount", doc.saveCount).field("subjectId", doc.subjectId).field("examId", doc.examId);
        w.field("ownerText", doc.ownerText).field("result", doc.result).field("stationText", doc.stationText);
        w.field("capturedBy", doc.capturedBy);
        w.field("columnCount", unsigned(doc.columnCountField())).field("rowCount", unsigned(doc.rowCountField()));
        w.key("columns").beginArray();
        for (const auto& f : doc.formats()) {
            w.beginObject();
            w.field("column", unsigned(f->column)).field("kind", unsigned(f->kind)).field("heading", f->heading);
            w.field("displayWidth", unsigned(f->displayWidth)).field("fieldWidth", unsigned(f->fieldWidth));
            w.field("decimals", unsigned(f->decimals));
            w.endObject();
        }
        w.endArray();
        w.key("rows").beginArray();
        for (const auto& row : doc.rows()) {
            w.beginArray();
            for (const std::string& s : row->strings) w.value(s);
            w.endArray();
        }
        w.endArray();
        w.endObject();
        cliOut(w.str());
        return 0;
    }

    std::string t = path + ": results table, " + std::to_string(doc.formats().size()) + " columns, " +
                    std::to_string(doc.rowTotal()) + " rows\n";
    t += "  subject " + (doc.subjectId.empty() ? std::string("(none)") : doc.subjectId) + ", examination " +
         std::to_string(doc.examId) + ", saved " + std::to_string(doc.saveCount) + " times\n";
    t += "  owner: " + doc.ownerText + "\n  station: " + doc.stationText + "\n  captured by: " + doc.capturedBy +
         "\n  result: " + doc.result + "\n  columns:";
    for (size_t c = 0; c < doc.displayColumnCount(); ++c) t += (c ? ", " : " ") + doc.displayFormat(c).heading;
    cliOut(t + "\n");
    return 0;
}

int runResults(const CliArgs& a) {
    if (a.positional.size() != 1) return cliError("usage: ordavia-cli results FILE.rst [--csv]");
    CResultDoc doc;
    doc.setServices(&a.services());
    std::string error;
    if (!loadTable(a.positional[0], doc, error)) return cliError(error);
    // Row by row straight to the output: a large table costs one row.
    const ordavia::Status s = writeResultsCsv(doc, [](const std::string& part) {
        return std::fwrite(part.data(), 1, part.size(), stdout) == part.size();
    });
    if (!s) return cliError(a.positional[0] + ": " + s.reason());
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliInfoHandler{{".rst"}, infoRst});
ORDAVIA_CLI_REGISTER(CliCommand{
    "results", "results FILE.rst [--csv]",
    "Writes a results table as CSV (RFC 4180): the column headings, then one\n"
    "line per row; numeric cells without their padding blanks.",
    {}, runResults});
