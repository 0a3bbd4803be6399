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

struct ReportThumbnail {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // width x height x 3, red first
};

struct ReportItem {
    StoredResult row;
    std::string path;
    bool missing = false;  // the file has gone from the examination folder
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
// document (quietly: a missing or damaged file is listed as such).
Result<ExamReport> collectExamReport(CSubjectDatabase& db, int32_t examId, AppServices& services);
// The results with the subject and examination in every row, one header row.
std::string examReportCsv(const ExamReport& report);
// Writes the PDF (implemented by the report library).
Status writeExamReportPdf(const ExamReport& report, const std::string& path);

}  // namespace ordavia
