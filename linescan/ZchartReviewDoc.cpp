#include "linescan/ZchartReviewDoc.h"

#include "linescan/CbvCorrelation.h"

void ZchartReviewDoc::setParams(const ordavia::CbvParams& p) {
    params_ = p;
    params_.clamp();
}

bool ZchartReviewDoc::beginReview(const CTrace& stack, const ordavia::CbvParams& p, const std::string& title) {
    setParams(p);
    SetTitle(title);
    const bool copied = duplicateTrace(stack, true) != nullptr;
    SetModifiedFlag(false);
    notify(kHintTraces);
    return copied;
}

bool ZchartReviewDoc::calculateVelocity(int index, uint32_t from, uint32_t to) {
    const auto* source = dynamic_cast<const C2DTrace*>(trace(index));
    if (!source || !source->hasData() || source->sampleCount() == 0) return false;
    ordavia::ReviewVelocity r = ordavia::calculateReviewVelocity(*source, from, to, params_);
    if (!r.correlation || !r.cbv) return false;
    // Shifts are counted in points of the stack; its own calibration along
    // the line makes them the length per second its units promise.
    for (CTrace* t : {static_cast<CTrace*>(r.correlation.get()), r.cbv.get()}) {
        t->yScale *= source->yScale;
        t->displayYScale *= source->yScale;
    }
    addTrace(std::move(r.correlation), true);
    addTrace(std::move(r.cbv), true);
    notify(kHintTraces);
    return true;
}
