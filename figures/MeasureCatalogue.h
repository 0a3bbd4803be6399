#pragma once
// The measure catalogue: the figures of every analysis, one set each. Each
// set is declared in its own file beside the others here (CountMeasures.cpp
// and so on); code that lists figures generically (the results tables'
// headings, the report) walks measureCatalogue().
#include <string_view>
#include <vector>

#include "figures/MeasureSet.h"

namespace ordavia {

const MeasureSet& countMeasures();
const MeasureSet& fcfMeasures();
const MeasureSet& stabiliseMeasures();
const MeasureSet& widthMeasures();
const MeasureSet& loopMeasures();
const MeasureSet& focusMeasures();
const MeasureSet& linescanMeasures();
const MeasureSet& dopplerMeasures();
const MeasureSet& assessmentMeasures();
// One finger of an examination's assessment (not filed in a results table).
const MeasureSet& fingerMeasures();

const std::vector<const MeasureSet*>& measureCatalogue();
// Null for a name no set has.
const MeasureSet* findMeasureSet(std::string_view name);
// The declaration of a stored column of the results table titled so;
// null when no set files that column there.
const Measure* findStoredMeasure(std::string_view table, std::string_view stored);

}  // namespace ordavia
