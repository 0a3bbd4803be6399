// Sending an examination: the objects are exported into a private folder
// first, so that what the archive receives is exactly what an export
// writes, and the folder goes again whatever happened.
#include <filesystem>
#include <map>

#include "app/DicomExamExport.h"
#include "base/FileIO.h"
#include "base/Paths.h"

namespace ordavia {

Result<DicomSendSummary> sendExamToPacs(CSubjectDatabase& db, int64_t examId, const PacsNode& node,
                                        AppServices& services, const DicomExportOptions& options) {
    if (Status s = checkPacsNode(node); !s) return s;
    std::error_code ec;
    std::string tmpl = joinPath(std::filesystem::temp_directory_path(ec).string(), "ordavia-dicom-XXXXXX");
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) return Status::failure(tmpl + ": the temporary folder cannot be made");
    const std::string folder = name.data();
    struct Cleanup {
        std::string folder;
        ~Cleanup() {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    } cleanup{folder};

    // Exporting is the first half of the progress, sending the second.
    DicomExportOptions exportOptions = options;
    if (options.progress)
        exportOptions.progress = [&](int done, int total, const std::string& what) {
            return options.progress(done, 2 * total, what);
        };
    auto exported = exportExamToDicom(db, examId, folder, services, exportOptions);
    if (!exported) return exported.status();
    DicomSendSummary summary;
    summary.studyUid = exported->studyUid;
    summary.refused = exported->failed;
    if (exported->cancelled) {
        summary.cancelled = true;
        return summary;
    }
    std::vector<std::string> files;
    std::map<std::string, std::string> sourceOf;
    for (const DicomExportedFile& f : exported->files) {
        files.push_back(f.path);
        sourceOf[f.path] = f.source;
    }
    const int total = int(files.size());
    const DicomSendReport report = sendDicomFiles(node, files, [&](int done, int) {
        if (!options.progress) return true;
        return options.progress(total + done, 2 * total, done < total ? sourceOf[files[size_t(done)]] : std::string());
    });
    for (const std::string& f : report.sent) summary.sent.push_back(sourceOf[f]);
    for (const DicomRefusal& r : report.refused) summary.refused.push_back({sourceOf[r.file], r.reason});
    summary.cancelled = report.cancelled;
    return summary;
}

}  // namespace ordavia
