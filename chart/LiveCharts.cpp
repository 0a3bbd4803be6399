#include "chart/ZliveChartDoc.h"
#include "chart/xychartdoc.h"

const CTrace* xychartdoc::setXYTrace(const CTrace& trace) {
    DeleteContents();
    CTrace* t = adoptTrace(trace.clone());
    if (t) t->auxFlag = true;
    return t;
}

ZliveChartDoc::ZliveChartDoc() { setDocFlags(kNoDelete | kAskOpenNew); }

ZliveChartDoc::~ZliveChartDoc() {
    if (ownerSlot && *ownerSlot == this) *ownerSlot = nullptr;
}

bool ZliveChartDoc::OnNewDocument() {
    if (!ZchartDoc::OnNewDocument()) return false;
    setDocFlags(kNoDelete | kAskOpenNew);
    return true;
}

void ZliveChartDoc::DeleteContents() {
    liveTrace_ = nullptr;
    ZchartDoc::DeleteContents();
}

void ZliveChartDoc::OnCloseDocument() {
    if (ownerSlot && *ownerSlot == this) *ownerSlot = nullptr;
    ownerSlot = nullptr;
    ZchartDoc::OnCloseDocument();
}

CdataVect* ZliveChartDoc::feedLiveData(uint32_t source, uint32_t& count, double interval, const std::string& xUnits,
                                       const std::string& name, int typeCode, const std::string& yUnits) {
    const uint32_t flags = docFlags();
    setDocFlags(0);
    sourceId = source;
    if (!liveTrace_) {
        liveTrace_ = newTrace(typeCode, count, true);
    } else if (liveTrace_->sampleCount() != count) {
        if (!liveTrace_->resizedata(count)) liveTrace_ = nullptr;
    }
    setDocFlags(flags);
    if (!liveTrace_) return nullptr;
    if (liveTrace_->xUnits != xUnits) {
        liveTrace_->xUnits = xUnits;
        liveTrace_->displayXScale = interval != 0 ? 1.0 / interval : 1.0;
    }
    liveTrace_->xInterval = interval;
    liveTrace_->yUnits = yUnits;
    liveTrace_->name = name;
    count = liveTrace_->sampleCount();
    notify(kHintData);
    return liveTrace_->data.get();
}

bool ZliveChartDoc::showSamples(uint32_t source, const std::vector<int>& values, double interval,
                                const std::string& xUnits, const std::string& name, int typeCode) {
    const bool wasModified = IsModified();
    uint32_t count = static_cast<uint32_t>(values.size());
    CdataVect* data = feedLiveData(source, count, interval, xUnits, name, typeCode, "");
    if (!data) return false;
    for (uint32_t i = 0; i < count && i < values.size(); ++i) data->setI(i, values[i]);
    SetModifiedFlag(wasModified);
    UpdateAllViews(nullptr, kHintData);
    return true;
}

void ZliveChartDoc::showMarks(const std::string& description, const std::vector<std::pair<double, std::string>>& marks) {
    const bool wasModified = IsModified();
    for (int i = static_cast<int>(markers().size()) - 1; i >= 0; --i)
        if (markers()[size_t(i)].description == description) removeMarker(i);
    for (const auto& [x, label] : marks) AddMarker(std::make_unique<CMarker>(), x, label, description);
    SetModifiedFlag(wasModified);
    UpdateAllViews(nullptr, kHintMarker);
}

CdataVect* ZliveChartDoc::feedRowOf(uint32_t source, const std::string& name, const C2DTrace& trace) {
    if (!trace.data) return nullptr;
    const uint32_t width = trace.data->components;
    const int code = trace.elementTypeCode();
    const uint32_t flags = docFlags();
    setDocFlags(0);
    sourceId = source;
    if (!liveTrace_ || liveTrace_->sampleCount() != width || liveTrace_->elementTypeCode() != code) {
        if (liveTrace_) removeTrace(traceIndex(liveTrace_), false);
        liveTrace_ = newTrace(code, width, true);
    }
    setDocFlags(flags);
    if (!liveTrace_) return nullptr;
    if (liveTrace_->xUnits != trace.yUnits) {
        liveTrace_->xUnits = trace.yUnits;
        liveTrace_->displayXScale = trace.displayYScale;
        liveTrace_->xInterval = trace.yScale;
        liveTrace_->displayYScale = trace.intensityRange / 256;
    }
    liveTrace_->name = name;
    notify(kHintData);
    return liveTrace_->data.get();
}
