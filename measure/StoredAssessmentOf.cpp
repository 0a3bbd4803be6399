#include "measure/StoredAssessmentOf.h"

#include <cmath>

#include "figures/MeasureValues.h"
#include "measure/AssessmentFigures.h"
#include "measure/AssessmentRecord.h"

namespace ordavia {

StoredAssessment storedAssessmentOf(const CapillaryAssessment& a, const std::string& filename,
                                    std::vector<std::string> byHand) {
    StoredAssessment s;
    s.filename = filename;
    s.finger = a.finger;
    const MeasureValues v = assessmentFigures(a);
    for (const Measure& m : v.set().measures)
        if (const auto value = v.value(m.key)) s.figures[m.key] = *value;
    s.byHand = std::move(byHand);
    s.findings = assessmentRecord(a);
    return s;
}

std::vector<std::string> handCorrectedFigures(const CapillaryAssessment& automatic, const CapillaryAssessment& corrected) {
    const MeasureValues before = assessmentFigures(automatic), after = assessmentFigures(corrected);
    std::vector<std::string> changed;
    for (const Measure& m : before.set().measures) {
        const std::string key = m.key;
        // Follow-on figures: the flag itself and the quality say nothing a
        // user corrected.
        if (key == "by_hand" || key == "quality") continue;
        // Changed as shown: an assessment read back from its record carries
        // its numbers to 8 digits, which is no correction.
        if (before.number(key) != after.number(key)) changed.push_back(key);
    }
    return changed;
}

}  // namespace ordavia
