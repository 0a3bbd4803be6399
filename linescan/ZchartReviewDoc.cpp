#include "linescan/ZchartReviewDoc.h"

#include "linescan/CbvCorrelation.h"

bool ZchartReviewDoc::calculateVelocity(int index, uint32_t from, uint32_t to) {
    const auto* source = dynamic_cast<const C2DTrace*>(trace(index));
    if (!source || !source->hasData() || source->sampleCount() == 0) return false;
    ordavia::ReviewVelocity r = ordavia::calculateReviewVelocity(*source, from, to, params);
    if (!r.correlation || !r.cbv) return false;
    addTrace(std::move(r.correlation), true);
    addTrace(std::move(r.cbv), true);
    notify(kHintTraces);
    return true;
}
