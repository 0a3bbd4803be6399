#pragma once
// A picture's assessment as the subject database files it: its figures by
// their catalogue keys, and its findings as the assessment record
// (AssessmentRecord.h), so that the review can be opened again and the
// report can draw the marks.
#include <string>
#include <vector>

#include "base/Result.h"
#include "db/AssessmentStore.h"
#include "measure/CapillaryAssessment.h"

namespace ordavia {

// The row to file for a picture: its figures, its findings and the keys of
// the figures that hand corrections changed.
StoredAssessment storedAssessmentOf(const CapillaryAssessment& a, const std::string& filename,
                                    std::vector<std::string> byHand);

// The figures (catalogue keys) in which `corrected` differs from
// `automatic`: what the report names as corrected by hand.
std::vector<std::string> handCorrectedFigures(const CapillaryAssessment& automatic, const CapillaryAssessment& corrected);

}  // namespace ordavia
