#include "cli/AssessFiling.h"

#include "base/Paths.h"
#include "cli/CliCommand.h"
#include "cli/DbCli.h"
#include "db/AssessmentStore.h"
#include "db/CSubjectDatabase.h"
#include "measure/StoredAssessmentOf.h"

namespace ordavia {

int fileAssessmentRow(const CliArgs& a, const std::string& picture, const CapillaryAssessment& as) {
    const auto exam = a.get("--exam");
    const auto folder = a.get("--db");
    if (!exam || !folder) return 0;
    int64_t id = -1;
    if (int rc = parseExamId(*exam, id)) return rc;
    CSubjectDatabase db;
    if (int rc = openForWriting(*folder, db)) return rc;
    if (const Status s = fileAssessment(db.handle(), id, storedAssessmentOf(as, fileNameOf(picture), {})); !s)
        return cliError(db.databasePath() + ": " + s.reason());
    return 0;
}

}  // namespace ordavia
