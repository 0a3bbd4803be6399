#pragma once
// An assessment's findings as text, so that an assessment filed under an
// examination (or kept beside its picture) opens again with its hand
// corrections: what the picture said (scale, warnings, qualities), the row
// line and every capillary and haemorrhage with its byHand mark. The
// figures are not stored: reading recomputes them by the same rules.
//
// The layout, one item per line, numbers in C locale:
//   ordavia assessment 1
//   finger R2
//   scale UM CALIBRATED COLOUR
//   line X1 Y1 X2 Y2 AUTOMATIC
//   removed 0|1
//   quality DENSITY DIAMETER SHAPE HAEMORRHAGES GAPS
//   warning TEXT                      (one line each)
//   cap X Y APEX_UM GIANT DILATED SHAPE BYHAND FX FY TX TY   (APEX_UM "nan" when unmeasured)
//   haem X Y AREA_UM2 BYHAND N X1 Y1 ... XN YN
#include <string>

#include "base/Result.h"
#include "measure/CapillaryAssessment.h"

namespace ordavia {

std::string assessmentRecord(const CapillaryAssessment& a);
// BadFormat with the line's number for anything that is not the layout
// above (the text may come from a damaged database).
Result<CapillaryAssessment> readAssessmentRecord(const std::string& text);

}  // namespace ordavia
