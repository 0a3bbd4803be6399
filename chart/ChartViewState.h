#pragma once
// What one chart view shows of its document: the x range, a display record
// per trace (its y range, whether it is hidden, the caches it is drawn
// from), the active trace, the selection, the cursor and the selected
// marker. It belongs to the view; the chart tool controller changes it
// and the painter draws it.
#include <cstdint>
#include <vector>

class CTrace;

namespace ordavia {

// One trace as one view shows it (the display record).
struct TraceDisplay {
    const CTrace* trace = nullptr;
    double yPerPixel = 1.0;   // physical units per pixel
    double yBottom = 0.0;     // physical value at the plot's bottom edge
    bool hidden = false;
    double intensityRange = 500.0;
    uint32_t colourSeen = 0xFFFFFFFF;
    // Samples as doubles in walk order from the head (rebuilt on data changes).
    std::vector<double> cache;
    bool cacheValid = false;
    // Two-dimensional traces: one column per row, 0xAARRGGBB pixels, row
    // by row.
    std::vector<uint32_t> strip;
    int stripWidth = 0, stripHeight = 0;
    bool stripValid = false;
};

struct ChartViewState {
    double xLeft = 0.0;       // x at the plot's left edge
    double xPerPixel = 0.01;  // x units per pixel
    int active = 0;           // active trace index
    // Selection in samples of the active trace; empty when equal.
    uint32_t selFrom = 0, selTo = 0;
    double cursorX = -1e300;  // no cursor below -1e299
    int selectedMarker = -1;
    std::vector<TraceDisplay> displays;
    bool printing = false;

    bool hasSelection() const { return selFrom != selTo; }
    bool hasCursor() const { return cursorX > -1e299; }
};

}  // namespace ordavia
