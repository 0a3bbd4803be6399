#pragma once
// Drawing of a chart: the plot with its traces, selection, cursor and
// markers, and the two axis strips. The view, printing and the benchmark
// share it. Long traces are drawn as one vertical min/max stroke per pixel
// column, so a million samples cost one pass over the samples.
#include <QColor>
#include <QImage>
#include <QRect>
#include <memory>
#include <vector>

#include "chart/CAxis.h"
#include "chart/ChartViewState.h"

class QPainter;
class CTrace;
class ZchartDoc;

namespace ordavia {

class ChartPainter {
public:
    // Brings the display records in line with the document's traces
    // (keeping the scales of traces that stay).
    static void syncDisplays(ChartViewState& s, const ZchartDoc& doc);
    static void invalidateData(ChartViewState& s);
    // Fits every trace's y range into plotHeight pixels (traces of one
    // non-zero y group share a range) and the x range into plotWidth.
    static void autoscale(ChartViewState& s, const ZchartDoc& doc, int plotWidth, int plotHeight, bool xToo = true);
    static QColor traceColour(const CTrace& t, int index);

    static void paintPlot(QPainter& p, const QRect& plot, ChartViewState& s, const ZchartDoc& doc);
    static void paintXAxis(QPainter& p, const QRect& strip, const ChartViewState& s, CAxis& axis, const std::string& units);
    static void paintYAxis(QPainter& p, const QRect& strip, const QRect& plot, const ChartViewState& s,
                           const ZchartDoc& doc, CAxis& axis);
    // Marker boxes in plot coordinates, in list order (empty when out of view).
    static std::vector<QRect> markerBoxes(const QRect& plot, const ChartViewState& s, const ZchartDoc& doc,
                                          const QFontMetrics& fm);

    // Sample index (in the trace's own indexing) nearest to x; -1 without data.
    static int64_t sampleAt(const CTrace& t, double x);
    static double xOfSample(const CTrace& t, uint32_t i);

private:
    // The layers of the plot, bottom to top.
    static void paintGrid(QPainter& p, const QRect& plot, const ChartViewState& s);
    static void paintSelection(QPainter& p, const QRect& plot, const ChartViewState& s, const ZchartDoc& doc);
    // The two-dimensional traces (as image strips) or the curves.
    static void paintTraces(QPainter& p, const QRect& plot, ChartViewState& s, bool twoD);
    static void paintStrip(QPainter& p, const QRect& plot, const ChartViewState& s, TraceDisplay& d);
    static void paintCurve(QPainter& p, const QRect& plot, const ChartViewState& s, TraceDisplay& d, int index);
    static void paintLegend(QPainter& p, const QRect& plot, const ChartViewState& s);
    static void paintMarkers(QPainter& p, const QRect& plot, const ChartViewState& s, const ZchartDoc& doc);
    static void paintCursor(QPainter& p, const QRect& plot, const ChartViewState& s);
};

}  // namespace ordavia
