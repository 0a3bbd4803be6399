#pragma once
// What the mouse, the wheel and the keys do to a chart view. The view hands
// positions in plot coordinates: pixels from the plot's top left corner,
// y growing downwards, so that the x axis reads x = xLeft + px * xPerPixel
// and a trace reads y = yBottom + (plotHeight - 1 - py) * yPerPixel. The
// controller changes the view's state (selection, cursor, zoom, pan, the
// selected marker) and the document where a gesture asks for it (a marker
// is activated), and says what the view must do next; so all of it is
// tested without a window.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/Geometry.h"
#include "chart/ChartViewState.h"

class CTrace;
class CMarkerList;
class ZchartDoc;

namespace ordavia {

class ChartToolController {
public:
    enum Button { kLeft, kMiddle, kRight };
    // Keyboard modifiers of a mouse event (bit flags).
    enum Modifier : unsigned { kNoModifier = 0, kShift = 1u << 0, kCtrl = 1u << 1 };
    // What an event asks of the view (bit flags).
    enum Effect : unsigned {
        kNothing = 0,
        kRedraw = 1u << 0,      // the plot changed
        kReadouts = 1u << 1,    // the cursor or the selection moved: refresh the status panes
        kStartPan = 1u << 2,    // show the closed hand until the button is up
        kEndGesture = 1u << 3,  // the button is up: back to the normal mouse pointer
        kEditMarker = 1u << 4,  // open "Edit Marker" for the selected marker
        kFitAll = 1u << 5,      // show every trace whole
    };
    struct Point {
        double x = 0, y = 0;
    };
    // A view whose document draws on its traces (line scans) may take a
    // left press on the plot before it selects: when press returns true the
    // moves and the release of that press go to drag and release.
    struct Overlay {
        std::function<bool(Point, unsigned modifiers)> press;
        std::function<void(Point)> drag;
        std::function<void(Point)> release;
    };

    explicit ChartToolController(ZchartDoc& doc);
    ChartToolController(const ChartToolController&) = delete;
    ChartToolController& operator=(const ChartToolController&) = delete;

    ChartViewState& state() { return state_; }
    const ChartViewState& state() const { return state_; }
    // The document whose samples are selected and read out: the view's own,
    // or a still copy it holds (null gives the own one back).
    void setShown(const ZchartDoc* shown) { shown_ = shown; }
    const ZchartDoc& shown() const;
    void setOverlay(Overlay o) { overlay_ = std::move(o); }
    // The plot's size in pixels and the text size its marker boxes are
    // measured in (average character width, line height).
    void setPlotSize(int width, int height);
    void setTextMetrics(int charWidth, int lineHeight);
    int plotWidth() const { return plotW_; }
    int plotHeight() const { return plotH_; }

    // ---- Mouse ----
    // Middle, or left with Ctrl, pans anywhere; on the plot a left press
    // goes to the overlay, else with Shift starts a zoom rubber band, else
    // selects the marker whose box is under it, else starts a selection
    // of samples of the active trace and puts the cursor there.
    unsigned buttonDown(Button b, Point p, unsigned modifiers);
    unsigned mouseMove(Point p, bool leftHeld);
    unsigned buttonUp(Point p);
    // On a marker box: that marker, to be edited; elsewhere: fit all.
    unsigned doubleClick(Point p);
    // Wheel steps (one notch is 1; away from the user positive): with Shift
    // scrolls x by 40 pixels a step, with Ctrl zooms y around the mouse,
    // else zooms x around the mouse, 1.25 times a step.
    unsigned wheel(double steps, Point p, unsigned modifiers);
    // The rubber band while dragging one out, normalised; empty otherwise.
    ZRect rubberBand() const;

    // ---- Zoom, scroll, selection ----
    void zoomX(double factor, double aroundX);
    // Zooms the active trace's y range (every trace's with the chart's
    // linked y axes) around the plot row aroundPy.
    void zoomY(double factor, double aroundPy);
    void scrollPixels(double px) { state_.xLeft += px * state_.xPerPixel; }
    // The x range of the selection with 2 % either side; false when there
    // is no selection to zoom to.
    bool zoomToSelection();
    void clearSelection() { state_.selTo = state_.selFrom; }
    void setCursorX(double x) { state_.cursorX = x; }

    // ---- Coordinates ----
    double xAt(double px) const { return state_.xLeft + px * state_.xPerPixel; }
    double pxAtX(double x) const;
    // y of display record `index` at plot row py, and back; 0 without one.
    double yAt(int index, double py) const;
    double pyAtY(int index, double y) const;
    bool onPlot(Point p) const { return p.x >= 0 && p.y >= 0 && p.x < plotW_ && p.y < plotH_; }

    // ---- Markers ----
    // The marker boxes in plot coordinates, in list order; an empty box
    // for a marker whose pole is out of view (not drawn, not hit).
    static std::vector<ZRect> markerBoxes(const ChartViewState& s, const CMarkerList& markers, int plotWidth,
                                          int charWidth, int lineHeight);
    // The marker whose box holds p; -1 when none.
    int markerAt(Point p) const;

    // ---- Read-outs ----
    // The four status panes: "x = ", "y = ", "dx = " and, for a
    // two-dimensional trace, its value with the intensity range and offset.
    std::array<std::string, 4> readouts() const;
    // Sample index (in the trace's own indexing) nearest to x; -1 without data.
    static int64_t sampleAt(const CTrace& t, double x);

private:
    enum Mode { kNone, kSelect, kZoom, kPan, kOverlay };
    void selectTo(Point p);

    ZchartDoc& doc_;
    const ZchartDoc* shown_ = nullptr;
    ChartViewState state_;
    Overlay overlay_;
    int plotW_ = 10, plotH_ = 10;
    int charW_ = 7, lineH_ = 14;
    Mode mode_ = kNone;
    Point press_;
    Point bandEnd_;
    double panLeft_ = 0;
    std::vector<double> panBottoms_;
};

}  // namespace ordavia
