#pragma once
// The report of one examination that a clinic files: the subject, the
// examination's site and date, a thumbnail of each picture (or first video
// frame) with its measurements, and the results table. Collecting it is
// core work (it reads the database and the documents); writing the PDF
// needs Qt's painter and lives in the small report library
// (app/ui/ExamReportPdf.cpp), which both the workstation and ordavia-cli link.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Result.h"
#include "db/AssessmentStore.h"
#include "db/SubjectQueries.h"
#include "measure/ExamAssessment.h"

class CZVimage;

namespace ordavia {

class AppServices;
class CSubjectDatabase;

// A measurement drawn over a thumbnail, in thumbnail pixels: a path
// through the points (closed for a polygon or rectangle), a circle through
// two ends of a diameter, or a single point as a cross.
struct ReportMark {
    std::vector<std::pair<double, double>> points;
    bool closed = false;
    bool circle = false;
    uint32_t colour = 0;  // 0xRRGGBB; 0 draws the measurements' red
    bool dashed = false;  // a finding corrected by hand
    bool bold = false;
};

struct ReportThumbnail {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // width x height x 3, red first
    std::vector<ReportMark> marks;
};

struct ReportItem {
    StoredResult row;
    std::string path;
    bool missing = false;  // the file has gone from the examination folder
    std::string damaged;   // why a file that is there cannot be read; empty when it can
    ReportThumbnail thumbnail;
    std::string measurements;  // what the document holds beyond the result text
};

// One assessed picture on the report's assessment page.
struct ReportAssessment {
    StoredAssessment stored;
    ReportThumbnail thumbnail;   // the picture with the assessment's marks
    std::string problem;         // why there is no thumbnail; empty when there is one
    std::string pattern;         // in words, with the rule that decided
    std::string warnings;        // the assessment's warnings, comma separated
    std::string untrusted;       // "Not trusted: " and the figures, or empty
    std::vector<std::string> figures;  // "heading: value unit" lines
};

struct ExamReport {
    SubjectRecord subject;
    ExamRecord exam;
    std::string dataFolder;
    std::vector<ReportItem> items;
    // The capillaroscopy assessment: the pictures assessed, and the finger
    // grid and pattern of the examination; no page without pictures.
    std::vector<ReportAssessment> assessed;
    ExamAssessmentSummary assessment;
};

// Longest side of a thumbnail, in pixels.
constexpr int kThumbnailSide = 320;

// A picture reduced to at most kThumbnailSide.
ReportThumbnail reportThumbnail(const CZVimage& img);

// Reads the examination, its subject and results, and each result's
// document (quietly: a missing or damaged file is listed as such). An
// examination whose folder lies outside the data folder is refused.
Result<ExamReport> collectExamReport(CSubjectDatabase& db, int64_t examId, AppServices& services);
// The results with the subject and examination in every row, one header row.
std::string examReportCsv(const ExamReport& report);
// The finger grid as CSV: one row per finger with its figures, pattern,
// rule, phase and what was corrected by hand, then the examination's row.
std::string examAssessmentCsv(const ExamReport& report);
// Where the assessment's CSV goes beside the report: "OUT-assessment.csv".
std::string assessmentCsvPath(const std::string& pdfPath);
// Writes the PDF (implemented by the report library).
Status writeExamReportPdf(const ExamReport& report, const std::string& path);

}  // namespace ordavia
