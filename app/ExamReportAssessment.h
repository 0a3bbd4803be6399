#pragma once
// The assessment page of the examination report: each assessed picture
// with its findings drawn, its figures and pattern, and the finger grid.
#include "app/ExamReport.h"

namespace ordavia {

// Reads the examination's assessments and their pictures into the report
// (quietly: a picture that has gone is named as such).
Status collectAssessmentPage(ExamReport& report, CSubjectDatabase& db, AppServices& services);

}  // namespace ordavia
