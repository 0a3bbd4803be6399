#pragma once
// An examination as DICOM objects for the hospital's archive: its pictures
// (VL Photographic Image, Pixel Spacing from the calibration), its videos
// and recordings (multi-frame, frame time from the frame rate) and its PDF
// report (Encapsulated PDF), all in one study whose Study Instance UID is
// kept with the examination. Each object's SOP Instance UID is derived
// from the study and the file it comes from, so exporting or sending again
// replaces the archive's copies instead of adding new ones.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/Result.h"
#include "dicom/DicomSender.h"

namespace ordavia {

class AppServices;
class CSubjectDatabase;

struct DicomExportOptions {
    // Patient name and id become one pseudonym, the birth date and the
    // examination's comment are left out and every date moves by the same
    // whole number of days, all chosen anew for each export. The report is
    // left out: it names the subject.
    bool anonymise = false;
    // Writes the examination's PDF report at the path given; unset: no report.
    std::function<Status(const std::string& pdfPath)> writeReport;
    // Before each object (done, total, the examination file concerned);
    // false cancels.
    std::function<bool(int done, int total, const std::string& what)> progress;
};

struct DicomExportedFile {
    std::string path;    // the DICOM file written
    std::string source;  // the examination's file it holds, or "report"
};

struct DicomExport {
    std::string studyUid;
    std::vector<DicomExportedFile> files;
    std::vector<DicomRefusal> failed;   // examination files that could not be exported, and why
    std::vector<std::string> skipped;   // files without a DICOM form (charts)
    bool cancelled = false;
};

// The report is named this in the lists above.
constexpr const char* kDicomReportSource = "report";

// Writes the objects into outDir (made when missing). Fails only when the
// examination cannot be read at all; a file that cannot be exported is
// listed in `failed` with its reason and the others are still written.
Result<DicomExport> exportExamToDicom(CSubjectDatabase& db, int64_t examId, const std::string& outDir,
                                      AppServices& services, const DicomExportOptions& options);

struct DicomSendSummary {
    std::string studyUid;
    std::vector<std::string> sent;       // examination files the archive acknowledged
    std::vector<DicomRefusal> refused;   // every other one, with its reason
    bool cancelled = false;
};

// Exports into a private temporary folder, sends every object over one
// association and removes the folder again.
Result<DicomSendSummary> sendExamToPacs(CSubjectDatabase& db, int64_t examId, const PacsNode& node,
                                        AppServices& services, const DicomExportOptions& options);

}  // namespace ordavia
