#pragma once
// What the "Trace Properties" dialog shows and changes of one trace: its
// names, units and calibration, how its samples are drawn, and the scales
// the view draws it at.
#include <cstdint>
#include <string>

namespace ordavia {

struct TraceProperties {
    std::string name, yUnits, xUnits;
    double yScale = 1, yOffset = 0, xInterval = 1;
    // Seconds; the trace keeps whole milliseconds.
    double start = 0;
    int yGroup = 0;
    bool points = false;
    int size = 5;
    double displayXScale = 1, displayYScale = 1;
    int displayYOffset = 0;
};

}  // namespace ordavia
