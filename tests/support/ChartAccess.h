#pragma once
// A chart's traces as its own analyses and readers reach them. Tests that
// need a state no user operation makes (a ring wrapped at a chosen row,
// results of a run that never happened) set it up here; every user edit
// goes through the document's operations.
#include "chart/ZchartDoc.h"

namespace ordavia::test {

struct ChartAccess : ZchartDoc {
    static CTrace* editable(ZchartDoc& doc, int index) {
        CTrace* (ZchartDoc::*f)(int) = &ChartAccess::editableTrace;
        return (doc.*f)(index);
    }
    static CTrace* editable(ZchartDoc& doc, const CTrace* t) { return editable(doc, doc.traceIndex(t)); }
};

}  // namespace ordavia::test
