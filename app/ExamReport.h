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
#include "db/SubjectQueries.h"

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

struct ExamReport {
    SubjectRecord subject;
    ExamRecord exam;
    std::string dataFolder;
    std::vector<ReportItem> items;
};

// Longest side of a thumbnail, in pixels.
constexpr int kThumbnailSide = 320;

// Reads the examination, its subject and results, and each result's
// document (quietly: a missing or damaged file is listed as such). An
// examination whose folder lies outside the data folder is refused.
Result<ExamReport> collectExamReport(CSubjectDatabase& db, int32_t examId, AppServices& services);
// The results with the subject and examination in every row, one header row.
std::string examReportCsv(const ExamReport& report);
// Writes the PDF (implemented by the report library).
Status writeExamReportPdf(const ExamReport& report, const std::string& path);

}  // namespace ordavia
