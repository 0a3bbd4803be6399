// "db report FOLDER --exam ID OUT.pdf": the examination report a clinic
// files, the same as the Examinations window exports, and its results as
// CSV beside it (OUT.csv).
#include <string>

#include "app/ExamReport.h"
#include "base/FileIO.h"
#include "base/JsonWriter.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "cli/DbCli.h"
#include "db/CSubjectDatabase.h"

using namespace ordavia;

namespace {

int runReport(const CliArgs& a) {
    const auto exam = a.get("--exam");
    if (a.positional.size() != 2 || !exam) return cliError("usage: ordavia-cli db report FOLDER --exam ID OUT.pdf [--json]");
    const std::string& out = a.positional[1];
    if (toLower(extensionOf(out)) != ".pdf") return cliError(out + ": the report is written as .pdf");
    int64_t id = -1;
    if (int rc = parseExamId(*exam, id)) return rc;
    CSubjectDatabase db;
    if (int rc = openForReading(a.positional[0], db)) return rc;
    const auto report = collectExamReport(db, id, a.services());
    if (!report) return cliError(db.databasePath() + ": " + report.reason());
#ifdef ORDAVIA_NO_PDF_REPORT
    return cliError(out + ": this build of ordavia-cli has no PDF writer (built without Qt)");
#else
    if (const Status s = writeExamReportPdf(*report, out); !s) return cliError(s.reason());
    const std::string csv = withoutExtension(out) + ".csv";
    if (const Status s = writeFileAtomically(csv, examReportCsv(*report), kPrivateFileMode); !s) return cliError(s.reason());
    // The assessment's finger grid, when pictures of the examination are assessed.
    std::string assessmentCsv;
    if (report->assessment.hasPattern()) {
        assessmentCsv = assessmentCsvPath(out);
        if (const Status s = writeFileAtomically(assessmentCsv, examAssessmentCsv(*report), kPrivateFileMode); !s)
            return cliError(s.reason());
    }
    int missing = 0, damaged = 0;
    for (const ReportItem& i : report->items) {
        missing += i.missing ? 1 : 0;
        damaged += i.damaged.empty() ? 0 : 1;
    }
    if (a.json()) {
        JsonWriter w;
        w.beginObject().field("pdf", out).field("csv", csv).field("results", static_cast<int>(report->items.size()));
        w.field("missing", missing).field("damaged", damaged);
        w.key("assessment_csv");
        if (assessmentCsv.empty()) w.null();
        else w.value(assessmentCsv);
        w.endObject();
        cliOut(w.str());
    } else {
        cliOut(out + "\n" + csv + "\n" + (assessmentCsv.empty() ? "" : assessmentCsv + "\n") +
               strprintf("%zu results, %i files missing, %i damaged\n", report->items.size(), missing, damaged));
    }
    return 0;
#endif
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{"db report", "db report FOLDER --exam ID OUT.pdf [--json]",
                                "Writes the examination's report as OUT.pdf (subject, site and date, a thumbnail\n"
                                "of each picture or first video frame with its measurements, the results table)\n"
                                "and the results as OUT.csv beside it. When pictures of the examination are assessed, the\n"
                                "report gains the assessment page and the finger grid is written as OUT-assessment.csv.\n"
                                "All are readable by the user only. Files of the\n"
                                "examination that are missing or cannot be read are marked so; an examination whose\n"
                                "folder lies outside FOLDER is refused.",
                                {"--exam"}, runReport});
