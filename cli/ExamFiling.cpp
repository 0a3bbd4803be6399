#include "cli/ExamFiling.h"

#include <cstdio>
#include <mutex>

#include "base/FileIO.h"
#include "base/Paths.h"
#include "cli/CliCommand.h"
#include "cli/DbCli.h"
#include "db/CSubjectDatabase.h"
#include "db/Examinations.h"
#include "db/SubjectQueries.h"

namespace ordavia {

std::mutex& examFilingLock() {
    static std::mutex filing;
    return filing;
}

int fileUnderExam(const CliArgs& a, const std::string& file, const std::string& result, const std::string& analysis) {
    const auto exam = a.get("--exam");
    const auto folder = a.get("--db");
    if (!exam && !folder) return 0;
    a.filed = true;
    if (!exam || !folder) return cliError("--exam ID and --db FOLDER go together");
    int64_t id = -1;
    if (int rc = parseExamId(*exam, id)) return rc;
    // An empty row would stand for a result that was never made.
    if (result.empty()) return cliError(file + ": the analysis gave no result to file under the examination");
    const std::lock_guard<std::mutex> hold(examFilingLock());
    CSubjectDatabase db;
    if (int rc = openForWriting(*folder, db)) return rc;
    const auto found = readExam(db.handle(), id);
    if (!found) return cliError(db.databasePath() + ": " + found.reason());
    if (!*found) return cliError(db.databasePath() + ": no examination " + *exam);
    if (const Status s = checkExamFolder(db, (*found)->folder); !s) return cliError(db.databasePath() + ": " + s.reason());
    const std::string examFolder = db.dataFolder() + (*found)->folder + "/";
    // The workstation finds a result's file in the examination's folder.
    if (folderOf(file) != examFolder && !fileExists(examFolder + fileNameOf(file)))
        std::fprintf(stderr, "ordavia-cli: note: %s is not in the examination folder %s\n", file.c_str(),
                     examFolder.c_str());
    const Status s = analysis.empty() ? storeResult(db, id, file, result)
                                      : fileAnalysisResult(db.handle(), id, fileNameOf(file), analysis, result);
    if (!s) return cliError(db.databasePath() + ": " + s.reason());
    return 0;
}

}  // namespace ordavia
