#pragma once
// An assessment's figures as the measure catalogue declares them ("assess"),
// for the result text, results row, JSON, CSV and the report.
#include "figures/MeasureValues.h"

namespace ordavia {

struct CapillaryAssessment;

MeasureValues assessmentFigures(const CapillaryAssessment& a);

}  // namespace ordavia
