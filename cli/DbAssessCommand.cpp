// "db assess FOLDER --exam ID": the examination's capillaroscopy answer
// from the assessments filed under it: the finger grid and the pattern.
#include <string>

#include "base/JsonWriter.h"
#include "base/Text.h"
#include "cli/CliCommand.h"
#include "cli/DbCli.h"
#include "db/AssessmentStore.h"
#include "db/CSubjectDatabase.h"
#include "db/SubjectQueries.h"
#include "measure/ExamAssessment.h"

using namespace ordavia;

namespace {

int runDbAssess(const CliArgs& a) {
    const auto exam = a.get("--exam");
    if (a.positional.size() != 1 || !exam) return cliError("usage: ordavia-cli db assess FOLDER --exam ID [--json]");
    int64_t id = -1;
    if (int rc = parseExamId(*exam, id)) return rc;
    CSubjectDatabase db;
    if (int rc = openForReading(a.positional[0], db)) return rc;
    const auto found = readExam(db.handle(), id);
    if (!found) return cliError(db.databasePath() + ": " + found.reason());
    if (!*found) return cliError(db.databasePath() + ": no examination " + *exam);
    const auto rows = listAssessments(db.handle(), id);
    if (!rows) return cliError(db.databasePath() + ": " + rows.reason());
    const ExamAssessmentSummary s = summariseExamination(*rows);
    if (a.json()) {
        JsonWriter w;
        writeSummaryJson(w, s);
        cliOut(w.str());
        return 0;
    }
    std::string out;
    for (const FingerSummary& f : s.fingers) {
        out += f.finger + ": " + f.figures.text() + "; " + fingerPatternWords(f);
        for (size_t k = 0; k < f.byHand.size(); ++k) out += (k ? ", " : "; corrected by hand: ") + f.byHand[k];
        out += "\n";
    }
    cliOut(out + examPatternWords(s) + "\n");
    return 0;
}

}  // namespace

ORDAVIA_CLI_REGISTER(CliCommand{"db assess", "db assess FOLDER --exam ID [--json]",
                                "The examination's capillaroscopy assessment from the pictures assessed under it:\n"
                                "for each finger (L2..L5, R2..R5) the density, giant and dilated capillaries,\n"
                                "haemorrhages, abnormal shapes, the longest gap and avascular areas, the Fast Track\n"
                                "pattern with its rule, whether it can be trusted and what was corrected by hand;\n"
                                "then the examination's pattern (scleroderma when any picture shows one), naming\n"
                                "the fingers whose answer cannot be trusted. Reads the database only.\n"
                                "  --json  {\"fingers\": {\"R2\": {figures..., \"pattern\", \"rule\", \"phase\", \"by_hand\",\n"
                                "          \"trusted\"}, ...}, \"pattern\", \"pictures\"}",
                                {"--exam"}, runDbAssess});
