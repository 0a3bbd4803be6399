#pragma once
// A chart's traces as its own analyses and readers reach them. Tests that
// need a state no user operation makes (a ring wrapped at a chosen row,
// results of a run that never happened) set it up here; every user edit
// goes through the document's operations.
#include "chart/ZchartDoc.h"
#include "chart/ZliveChartDoc.h"

namespace ordavia::test {

struct ChartAccess : ZchartDoc {
    static CTrace* editable(ZchartDoc& doc, int index) {
        CTrace* (ZchartDoc::*f)(int) = &ChartAccess::editableTrace;
        return (doc.*f)(index);
    }
    static CTrace* editable(ZchartDoc& doc, const CTrace* t) { return editable(doc, doc.traceIndex(t)); }
};

// A producer writing straight into a live chart's storage, as the chart's
// own refills do.
struct LiveFeed : ZliveChartDoc {
    static CdataVect* samples(ZliveChartDoc& live, uint32_t source, uint32_t& count, double interval,
                              const std::string& xUnits, const std::string& name, int typeCode,
                              const std::string& yUnits) {
        auto f = &LiveFeed::feedLiveData;
        return (live.*f)(source, count, interval, xUnits, name, typeCode, yUnits);
    }
    static CdataVect* row(ZliveChartDoc& live, uint32_t source, const std::string& name, const C2DTrace& trace) {
        auto f = &LiveFeed::feedRowOf;
        return (live.*f)(source, name, trace);
    }
};

}  // namespace ordavia::test
