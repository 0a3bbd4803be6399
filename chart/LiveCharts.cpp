#include "chart/ZliveChartDoc.h"
#include "chart/xychartdoc.h"

CTrace* xychartdoc::setXYTrace(const CTrace& trace) {
    DeleteContents();
    CTrace* t = duplicateTrace(trace);
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
    liveTrace = nullptr;
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
    if (!liveTrace) {
        liveTrace = newTrace(typeCode, count, true);
    } else if (liveTrace->sampleCount() != count) {
        if (!liveTrace->resizedata(count)) liveTrace = nullptr;
    }
    setDocFlags(flags);
    if (!liveTrace) return nullptr;
    if (liveTrace->xUnits != xUnits) {
        liveTrace->xUnits = xUnits;
        liveTrace->displayXScale = interval != 0 ? 1.0 / interval : 1.0;
    }
    liveTrace->xInterval = interval;
    liveTrace->yUnits = yUnits;
    liveTrace->name = name;
    count = liveTrace->sampleCount();
    notify(kHintData);
    return liveTrace->data.get();
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
        if (markers().items[size_t(i)]->description == description) removeMarker(i);
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
    if (!liveTrace || liveTrace->sampleCount() != width || liveTrace->elementTypeCode() != code) {
        if (liveTrace) removeTrace(traces().indexOf(liveTrace), false);
        liveTrace = newTrace(code, width, true);
    }
    setDocFlags(flags);
    if (!liveTrace) return nullptr;
    if (liveTrace->xUnits != trace.yUnits) {
        liveTrace->xUnits = trace.yUnits;
        liveTrace->displayXScale = trace.displayYScale;
        liveTrace->xInterval = trace.yScale;
        liveTrace->displayYScale = trace.intensityRange / 256;
    }
    liveTrace->name = name;
    notify(kHintData);
    return liveTrace->data.get();
}
