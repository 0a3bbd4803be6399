#pragma once
// The XY chart (".zvxy"): a chart holding a copy of one trace that another
// analysis hands over, marked as the chart's XY trace. Its file is the
// ".zv1" layout.
#include "chart/ZchartDoc.h"

class xychartdoc : public ZchartDoc {
public:
    const char* settingsClassName() const override { return "xychartdoc"; }
    // Clears the chart and adds a copy of the trace with auxFlag set.
    const CTrace* setXYTrace(const CTrace& trace);
};
