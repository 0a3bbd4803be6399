#pragma once
// A picture's assessment as the subject database files it: its figures by
// their catalogue keys, and its findings (the row line, each capillary and
// haemorrhage, what the picture itself said) as lines of text, so that the
// review can be opened again and the report can draw the marks. The
// figures are always recomputed from the findings when they are read back.
#include <string>
#include <vector>

#include "base/Result.h"
#include "db/AssessmentStore.h"
#include "measure/CapillaryAssessment.h"

namespace ordavia {

// The findings as text, one finding a line:
//   scale UM_PER_PIXEL CALIBRATED COLOUR
//   line X1 Y1 X2 Y2 AUTOMATIC
//   cap X Y APEX_UM WX1 WY1 WX2 WY2 DILATED GIANT SHAPE BY_HAND
//   haem X Y AREA_UM2 BY_HAND [OX OY]...
//   removed 0|1
//   quality DENSITY DIAMETER SHAPE HAEMORRHAGES GAPS PATTERN
//   warn TEXT
std::string findingsText(const CapillaryAssessment& a);
// Reads findings back and recomputes the figures. Text that is not
// findings (a damaged row) is an error naming the line.
Result<CapillaryAssessment> assessmentFromFindings(const std::string& text);

// The row to file for a picture: its figures, its findings and the keys of
// the figures that hand corrections changed.
StoredAssessment storedAssessmentOf(const CapillaryAssessment& a, const std::string& filename,
                                    std::vector<std::string> byHand);

// The figures (catalogue keys) in which `corrected` differs from
// `automatic`: what the report names as corrected by hand.
std::vector<std::string> handCorrectedFigures(const CapillaryAssessment& automatic, const CapillaryAssessment& corrected);

}  // namespace ordavia
