#pragma once
// The capillaroscopy assessment of an image document, and filing it under
// an examination: the assessment row (figures and findings, kept for the
// examination's finger grid and report), the analysis row of the picture
// in the examination's results, and a row of the assessment results table.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Result.h"
#include "measure/CapillaryAssessment.h"

class ZBasicDoc;

namespace ordavia {

class CSubjectDatabase;
class ResultTables;

// The analysis name of the picture's row in the examination's results.
inline constexpr const char* kAssessAnalysis = "assess";

// The document's scale in micrometres per pixel (0 when it has none) and
// its current object as the distal row line when it is a line, so that a
// picture gives the numbers the command line gives with --scale and --line.
AssessOptions assessOptionsOf(const ZBasicDoc& doc);

// The name of the picture's file inside the examination's folder, where
// the report looks for it: the picture's own name when it lies there;
// otherwise a copy is made there (the original stays as it is) and named
// like the picture, or "NAME (2).EXT" when another file has its name.
// A picture that is no file on disc is returned by name as it is.
Result<std::string> placeInExamFolder(CSubjectDatabase& db, int64_t examId, const std::string& picture);

// Files the assessment of the picture `fileName` (a name in the
// examination's folder) under the examination, with the figures that
// hand corrections changed. `tables` may be null (no results table row).
Status fileAssessmentUnderExam(CSubjectDatabase& db, int64_t examId, const std::string& fileName,
                               const CapillaryAssessment& a, const std::vector<std::string>& byHand,
                               ResultTables* tables);

}  // namespace ordavia
