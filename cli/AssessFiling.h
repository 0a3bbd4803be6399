#pragma once
// "assess ... --exam ID --db FOLDER": besides the picture's analysis row,
// the assessment itself (figures, findings, finger) is filed for the
// examination's finger grid and report, as the workstation's review files it.
#include <string>

namespace ordavia {

struct CliArgs;
struct CapillaryAssessment;

// Does nothing and returns 0 without --exam and --db; otherwise 0, or 1
// with a one-line message when the row cannot be written.
int fileAssessmentRow(const CliArgs& a, const std::string& picture, const CapillaryAssessment& as);

}  // namespace ordavia
