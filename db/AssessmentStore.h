#pragma once
// The capillaroscopy assessment of each picture of an examination, filed
// in the table "assessments" of the subject database: one row per
// (examination, picture), rewritten when the picture is assessed again.
// The table is made with the first assessment filed, so that a database
// from an older program opens as it is and keeps every row it had; reading
// a database without the table gives no assessments.
//
// The figures are kept by their keys ("density_per_mm", "giants"), the
// findings (apexes, haemorrhage outlines, what was corrected by hand) as
// the text the measure layer writes; this layer only files them.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/Result.h"

struct sqlite3;

namespace ordavia {

struct StoredAssessment {
    std::string filename;  // the picture, by name, in the examination's folder
    std::string finger;    // "L2".."R5", or the site as typed
    std::map<std::string, double> figures;
    std::vector<std::string> byHand;  // keys of the figures a hand correction changed
    std::string findings;
    std::string created;  // set by the database
};

// "key=value;key=value" with values written exactly; and back. A pair
// that does not read as key and finite number is left out.
std::string figuresText(const std::map<std::string, double>& figures);
std::map<std::string, double> parseFiguresText(const std::string& text);

Result<bool> hasAssessmentTable(sqlite3* db);
// Files (or refiles) the assessment of one picture under the examination.
// The table, the look-up and the row come together in one transaction.
Status fileAssessment(sqlite3* db, int64_t examId, const StoredAssessment& a);
// The examination's assessments in the order they were first filed.
Result<std::vector<StoredAssessment>> listAssessments(sqlite3* db, int64_t examId);

}  // namespace ordavia
