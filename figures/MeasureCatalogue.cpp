#include "figures/MeasureCatalogue.h"

namespace ordavia {

const std::vector<const MeasureSet*>& measureCatalogue() {
    static const std::vector<const MeasureSet*> sets = {
        &countMeasures(),
        &fcfMeasures(),
        &stabiliseMeasures(),
        &widthMeasures(),
        &loopMeasures(),
        &focusMeasures(),
        &linescanMeasures(),
        &dopplerMeasures(),
        &assessmentMeasures(),
    };
    return sets;
}

const MeasureSet* findMeasureSet(std::string_view name) {
    for (const MeasureSet* s : measureCatalogue())
        if (name == s->name) return s;
    return nullptr;
}

const Measure* findStoredMeasure(std::string_view table, std::string_view stored) {
    for (const MeasureSet* s : measureCatalogue()) {
        if (table != s->table) continue;
        for (const Measure& m : s->measures)
            if ((m.outputs & kInTable) && stored == (m.stored ? m.stored : m.heading)) return &m;
    }
    return nullptr;
}

}  // namespace ordavia
