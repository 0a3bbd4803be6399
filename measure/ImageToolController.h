#pragma once
// What the mouse does to an image document. The image view translates its
// events into image pixel coordinates (parent frame coordinates of the
// picture) plus the Shift and Ctrl flags and hands them here; this class
// changes the document and tells the view what to redraw, capture or
// scroll. It also owns the view's zoom ratio and the texts of the eight
// status panes, so that all of it is tested without a window.
//
// The tool mode is program-wide: one mode shared by every image view, as
// researchers expect a tool to stay chosen when they switch pictures.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/Geometry.h"

class CDim;
class CDimList;
class CZVimage;
class ZBasicDoc;

namespace ordavia {

class Prompter;

class ImageToolController {
public:
    // Tool modes (the numbers are those of the stored menu commands).
    enum Mode {
        kSelect = 0,
        kPan = 4,
        kRoi = 5,
        kOrigin = 7,
        kCounting = 8,
        kLines = 9,
        kPolyline = 10,
        kFreehandLine = 11,
        kCrosshair = 12,
        kCircle = 13,
        kPolygon = 14,
        kFreehandArea = 15,
        kTrace = 16,
        kDustMask = 18,
    };
    // Drag states of a view.
    enum DragState { kDragNone = 0, kDragObject = 1, kDragRubberBand = 2, kDragRoi = 6, kDragBuilding = 9 };

    struct ToolCommand {
        int mode;
        // The menu text as stored; text after a '\n' is the command's prompt.
        const char* menuText;
    };
    static const std::array<ToolCommand, 13> kToolCommands;

    // Menu texts of the view's other commands.
    static constexpr const char* kZoomIn = "&Zoom In";
    static constexpr const char* kZoomOut = "&Zoom out";
    static constexpr const char* kDelete = "&Delete";
    static constexpr const char* kSetLineWidth = "Set line width";
    static constexpr const char* kRotateSelected = "&Rotate selected dimensions";
    static constexpr const char* kCopy = "&Copy";
    static constexpr const char* kPaste = "&Paste";
    static constexpr const char* kGreyLevel = "&Grey level";
    static constexpr const char* kSetRegion = "set region";
    static constexpr const char* kPrint = "&Print...";
    static constexpr const char* kPrintPreview = "Print Pre&view";
    // Prompts and messages.
    static constexpr const char* kLineWidthPrompt = "New line width";
    static constexpr const char* kRotationPrompt = "Clockwise rotation (degrees)";
    static constexpr const char* kClipboardFailed = "Cannot Open Clipboard";
    static constexpr int kMinLineWidth = 1;
    static constexpr int kMaxLineWidth = 399;

    // What a mouse event asks of the view (bit flags).
    enum Effect : unsigned {
        kNothing = 0,
        kRedraw = 1u << 0,         // the overlays changed
        kCapture = 1u << 1,        // grab the mouse until the button is up
        kRelease = 1u << 2,        // let the mouse go
        kStartPan = 1u << 3,       // scroll with the mouse until the button is up
        kDocumentChanged = 1u << 4,  // other views of the document must redraw too
        kImageChanged = 1u << 5,   // the pixels changed: rebuild the picture
    };

    explicit ImageToolController(ZBasicDoc& doc);
    ~ImageToolController();
    ImageToolController(const ImageToolController&) = delete;
    ImageToolController& operator=(const ImageToolController&) = delete;

    // ---- Tool mode (one for the workstation: kept by the services) ----
    int toolMode() const;
    // Sets the mode outright; unknown modes are refused (false).
    bool setToolMode(int mode);
    static bool isToolMode(int mode);
    // The menu command of a tool: selects it, or returns to mode 0 when it
    // is the mode already. Ends any object being built in this view and,
    // for "Edit dust mask", makes the dust list the list being edited.
    void chooseTool(int mode);

    // ---- Mouse, in image coordinates ----
    unsigned buttonDown(ZPoint p, bool shift, bool ctrl);
    unsigned mouseMove(ZPoint p, bool shift, bool ctrl);
    unsigned buttonUp(ZPoint p, bool shift, bool ctrl);
    // Ends a polyline or polygon (and any other object being built).
    unsigned doubleClick(ZPoint p, bool shift, bool ctrl);
    // Ends the object being built as it stands (tool change, double click).
    unsigned finishBuilding();
    // Escape: drops the object being built and any rubber band, as if the
    // drawing had never started.
    unsigned cancelBuilding();

    int dragState() const { return drag_; }
    bool buttonHeld() const { return buttonHeld_; }
    // The rubber band while dragging one out (normalised), else empty.
    ZRect rubberBand() const;
    // Whether the dust list is shown and edited in this view.
    bool editingDustList() const { return toolMode() == kDustMask; }
    // The list the tools add to: the dust list while editing it.
    CDimList& activeList();
    // The object of the list whose outline passes within the pick
    // tolerance of p (a few screen pixels at the current zoom, plus half
    // the object's band): the first object whose first vertex is there,
    // else the one with the nearest outline. -1 when none.
    int objectAt(const CDimList& list, ZPoint p) const;
    // Distance in pixels from p to the object's outline: its path (closed
    // for polygons), the circle through its two diameter ends, the edges of
    // a rectangle, the mark itself for a single vertex.
    static double outlineDistance(const CDim& d, ZPoint p);
    // The menu text of the active tool without its mnemonic ("Select" in
    // mode 0), for the status bar.
    std::string toolName() const;

    // ---- Commands ----
    // "&Delete": removes the current object.
    bool deleteCurrent();
    // "Set line width": asks for the current object's band width, 1..399.
    bool setLineWidth(Prompter& prompter);
    // "&Rotate selected dimensions": turns the current object and every
    // selected one clockwise on the screen by the angle asked for, about the
    // current object's centre; the angle is remembered in "settings"/"angle".
    bool rotateSelected(Prompter& prompter);
    // "set region": every pixel along the current line becomes 255.
    bool setRegion();
    // "&Grey level": the grey values along the current object's path, one
    // per pixel, in path order (pixels outside the image skipped).
    std::vector<int> greyProfile() const;
    // The calibrated distance between neighbouring samples of greyProfile()
    // (the path's length over its pixel steps, in the units in effect);
    // 0 when there is no object or it is a single pixel.
    double greyProfileInterval() const;
    // "&Histogram": the number of pixels of each grey level inside the
    // region of interest (the whole picture when there is none); colour
    // pixels count by the mean of their three bytes.
    std::array<int64_t, 256> histogram() const;
    // "Remove marks using dust mask": removes from the current list every
    // counting mark and every circle whose centre lies on a dust mark (the
    // rectangles of the dust list). Returns how many went; -1 when the
    // dust list is empty.
    int removeMarksInDustMask();
    // "&Copy": the current object as an archived object reference; empty
    // when there is none.
    std::vector<uint8_t> copyCurrent() const;
    // "&Paste": adds an archived object to the active list and makes it
    // current. False (document untouched) for bytes that are not exactly
    // one dimension.
    bool paste(const std::vector<uint8_t>& bytes);

    // ---- Zoom (display state of the view) ----
    int zoomNumerator() const { return zoomNum_; }
    int zoomDenominator() const { return zoomDen_; }
    void zoomIn();
    void zoomOut();
    // Sets the ratio when it lies within the zoom steps; false otherwise.
    bool setZoom(int numerator, int denominator);
    // "Fit to &window": the largest zoom step at which a picture of w x h
    // pixels fits into a viewport of vw x vh.
    void fitZoom(int w, int h, int vw, int vh);
    // One zoom step in or out; false at the end of the steps.
    bool stepZoom(bool in);
    double zoomFactor() const { return double(zoomNum_) / double(zoomDen_); }
    // Widget pixel to image pixel (rounding down, also left of zero).
    ZPoint toImage(int wx, int wy) const;

    // ---- Status panes ----
    // The eight read-outs, then the active tool.
    static constexpr int kStatusPaneCount = 9;
    std::array<std::string, kStatusPaneCount> statusTexts(ZPoint cursor) const;

    // ---- Geometry helpers ----
    // The pixels of a digital line from a to b, both ends included.
    static void appendLinePixels(ZPoint a, ZPoint b, std::vector<ZPoint>& out);
    // The pixels along an object's path (closed for polygons), each joint
    // once.
    static std::vector<ZPoint> pathPixels(const CDim& d);

    // The capillary tracer of the "trace capillaries" tool: blackens the
    // capillary under the seed inside the region (parent coordinates, empty
    // = whole image) using a threshold window of the given side. Returns
    // false when it changed nothing. The image library's traceCapillary by
    // default; replaceable so that the tool can be tested on its own. With
    // none installed the tool says that it is not available.
    using TraceFunction = std::function<bool(CZVimage& image, const ZRect& region, ZPoint seed, int window)>;
    void setTraceFunction(TraceFunction f) { trace_ = std::move(f); }
    static TraceFunction defaultTraceFunction();
    bool hasTraceFunction() const { return static_cast<bool>(trace_); }
    static constexpr const char* kTraceUnavailable = "Tracing capillaries is not available in this version of Ordavia.";

private:
    // The object a grey-level profile runs along (the dust mark being
    // edited while the dust tool is on).
    const CDim* profileObject() const;
    unsigned selectDown(ZPoint p, bool shift, bool ctrl);
    unsigned buildDown(ZPoint p);
    unsigned traceAt(ZPoint p);
    // Vertex snapshot of the current and selected objects, for rotating
    // from where the drag started rather than from already rounded vertices.
    void takeRotationSnapshot();
    void restoreRotationSnapshot();
    // The minimum vertex count of a finished object of the building mode.
    int minimumVertices() const;

    ZBasicDoc& doc_;
    int drag_ = kDragNone;
    bool buttonHeld_ = false;
    ZPoint last_;
    ZPoint bandStart_, bandEnd_;
    // The object being built and the mode and list that build it.
    int buildIndex_ = -1;
    int buildMode_ = kSelect;
    int buildList_ = 0;
    bool moved_ = false;
    // The list that was current before the dust list was chosen.
    int listBeforeDust_ = -1;
    TraceFunction trace_ = defaultTraceFunction();
    struct Snapshot {
        CDim* object;
        std::vector<ZPoint> vertices;
    };
    std::vector<Snapshot> snapshot_;
    int zoomNum_ = 1;
    int zoomDen_ = 1;
};

}  // namespace ordavia
