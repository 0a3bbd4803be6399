#pragma once
// "assess ... --exam ID --db FOLDER": besides the picture's analysis row,
// the assessment itself (figures, findings, finger) is filed for the
// examination's finger grid and report, as the workstation's review files it.
#include <string>

namespace ordavia {

struct CliArgs;
struct CapillaryAssessment;

// Does nothing and returns 0 without --exam and --db. Otherwise the picture
// is placed in the examination's folder (copied there when it lies
// elsewhere, as the workstation does), and its analysis row (`text`) and
// its assessment are filed under that name: 0, or 1 with a one-line
// message when a row cannot be written.
int fileAssessmentRows(const CliArgs& a, const std::string& picture, const CapillaryAssessment& as,
                       const std::string& text);

}  // namespace ordavia
