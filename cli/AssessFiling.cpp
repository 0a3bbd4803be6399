#include "cli/AssessFiling.h"

#include "base/Paths.h"
#include "cli/CliCommand.h"
#include "cli/DbCli.h"
#include "cli/ExamFiling.h"
#include "db/AssessmentStore.h"
#include "db/CSubjectDatabase.h"
#include "measure/AssessmentFiling.h"
#include "measure/StoredAssessmentOf.h"

namespace ordavia {

int fileAssessmentRows(const CliArgs& a, const std::string& picture, const CapillaryAssessment& as,
                       const std::string& text) {
    const auto exam = a.get("--exam");
    const auto folder = a.get("--db");
    // One of the two alone: the filing below says what is missing.
    if (!exam || !folder) return fileUnderExam(a, picture, text, kAssessAnalysis);
    int64_t id = -1;
    if (int rc = parseExamId(*exam, id)) return rc;
    std::string name;
    {
        const std::lock_guard<std::mutex> hold(examFilingLock());
        CSubjectDatabase db;
        if (int rc = openForWriting(*folder, db)) return rc;
        const Result<std::string> placed = placeInExamFolder(db, id, picture);
        if (!placed) return cliError(db.databasePath() + ": " + placed.reason());
        name = *placed;
    }
    if (int rc = fileUnderExam(a, name, text, kAssessAnalysis)) return rc;
    const std::lock_guard<std::mutex> hold(examFilingLock());
    CSubjectDatabase db;
    if (int rc = openForWriting(*folder, db)) return rc;
    if (const Status s = fileAssessment(db.handle(), id, storedAssessmentOf(as, name, {})); !s)
        return cliError(db.databasePath() + ": " + s.reason());
    return 0;
}

}  // namespace ordavia
