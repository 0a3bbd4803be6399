#include "measure/ImageToolController.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "base/Archive.h"
#include "base/Text.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "image/CapillaryTrace.h"
#include "image/GreyConversion.h"
#include "measure/CDimCircle.h"
#include "measure/CDimList.h"
#include "measure/CDimPolygon.h"
#include "measure/CDimRect.h"
#include "measure/MeasureClasses.h"
#include "measure/UnitText.h"
#include "measure/ZBasicDoc.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {

// Zoom steps: numerator up to 16 at denominator 1, denominator up to 8 at
// numerator 1.
constexpr int kMaxZoomNumerator = 16;
constexpr int kMaxZoomDenominator = 8;

// The list kind each building tool creates (CDimList::addNew kinds).
int kindOfMode(int mode) {
    switch (mode) {
        case ImageToolController::kCircle: return CDimList::kCircle;
        case ImageToolController::kPolygon:
        case ImageToolController::kFreehandArea: return CDimList::kPolygon;
        case ImageToolController::kDustMask: return CDimList::kRectangle;
        default: return 0;  // a line
    }
}

// Tools whose second click finishes a two-vertex object.
bool twoClickMode(int mode) {
    return mode == ImageToolController::kLines || mode == ImageToolController::kCircle ||
           mode == ImageToolController::kDustMask;
}

bool freehandMode(int mode) {
    return mode == ImageToolController::kFreehandLine || mode == ImageToolController::kFreehandArea;
}

// Distance from p to the segment a-b.
double segmentDistance(ZPoint p, ZPoint a, ZPoint b) {
    const double ax = a.x, ay = a.y, dx = double(b.x) - ax, dy = double(b.y) - ay;
    const double px = double(p.x) - ax, py = double(p.y) - ay;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? (px * dx + py * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - t * dx, py - t * dy);
}

// How far from an outline a click still picks it, in screen pixels.
constexpr double kPickScreenPixels = 4.0;

int floorDiv(long long a, long long b) {
    long long q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return static_cast<int>(q);
}

}  // namespace

const std::array<ImageToolController::ToolCommand, 13> ImageToolController::kToolCommands = {{
    {kPan, "&Pan image"},
    {kRoi, "&ROI"},
    {kOrigin, "&Origin"},
    {kCounting, "&Counting"},
    {kLines, "Dimension &Lines"},
    {kPolyline, "Dimension &polyline"},
    {kFreehandLine, "&Freehand dimension lines"},
    {kCrosshair, "Cross&hair"},
    {kCircle, "&Circle"},
    {kPolygon, "&Irregular polygon"},
    {kFreehandArea, "Freehand area"},
    {kTrace, "trace capillaries\ntrace capillaries"},
    {kDustMask, "Edit dust mask"},
}};

ImageToolController::ImageToolController(ZBasicDoc& doc) : doc_(doc) { registerMeasureClasses(); }
ImageToolController::~ImageToolController() = default;

// ---------------------------------------------------------------------------
// Tool mode

int ImageToolController::toolMode() const { return doc_.services().imageToolMode; }

bool ImageToolController::isToolMode(int mode) {
    if (mode == kSelect) return true;
    for (const ToolCommand& t : kToolCommands)
        if (t.mode == mode) return true;
    return false;
}

bool ImageToolController::setToolMode(int mode) {
    if (!isToolMode(mode)) return false;
    doc_.services().imageToolMode = mode;
    return true;
}

void ImageToolController::chooseTool(int mode) {
    if (!isToolMode(mode)) return;
    finishBuilding();
    const int next = (mode == toolMode()) ? kSelect : mode;
    setToolMode(next);
    if (next == kDustMask) {
        if (doc_.currentList() != ZBasicDoc::kDustList) listBeforeDust_ = doc_.currentList();
        doc_.setCurrentList(ZBasicDoc::kDustList);
    } else if (listBeforeDust_ >= 0 && doc_.currentList() == ZBasicDoc::kDustList) {
        doc_.setCurrentList(listBeforeDust_);
        listBeforeDust_ = -1;
    }
}

CDimList& ImageToolController::activeList() {
    if (toolMode() == kDustMask) return doc_.lists()[ZBasicDoc::kDustList];
    return doc_.currentDimList();
}

ZRect ImageToolController::rubberBand() const {
    if (drag_ != kDragRubberBand) return {};
    return ZRect{bandStart_.x, bandStart_.y, bandEnd_.x, bandEnd_.y}.normalized();
}

// ---------------------------------------------------------------------------
// Mouse

unsigned ImageToolController::buttonDown(ZPoint p, bool shift, bool ctrl) {
    buttonHeld_ = true;
    last_ = p;
    moved_ = false;
    // A building object keeps the mode it was started in.
    if (drag_ == kDragBuilding) return buildDown(p);
    switch (toolMode()) {
        case kSelect: return selectDown(p, shift, ctrl);
        case kPan: return kStartPan | kCapture;
        case kRoi:
            bandStart_ = bandEnd_ = p;
            drag_ = kDragRubberBand;
            return kCapture | kRedraw;
        case kOrigin:
            doc_.setOrigin(p.x, p.y);
            return kRedraw | kDocumentChanged;
        case kCounting:
            if (doc_.addNewDimension(0, p) < 0) return kNothing;
            return kRedraw | kDocumentChanged;
        case kCrosshair:
            doc_.setShowTarget(true);
            doc_.markEdited();
            doc_.setTarget(p.x, p.y);
            return kRedraw | kDocumentChanged;
        case kTrace: return traceAt(p);
        case kLines:
        case kPolyline:
        case kFreehandLine:
        case kCircle:
        case kPolygon:
        case kFreehandArea:
        case kDustMask: return buildDown(p);
        default: return kNothing;
    }
}

unsigned ImageToolController::selectDown(ZPoint p, bool shift, bool ctrl) {
    CDimList& list = activeList();
    const int hit = objectAt(list, p);
    if (shift) {
        // Toggle the selection of the object under the cursor; the current
        // object stays as it is.
        if (hit < 0) return kNothing;
        CDim* o = list.at(hit);
        o->setSelected(!o->isSelected());
        return kRedraw | kDocumentChanged;
    }
    list.setCurrent(hit);
    if (hit >= 0) {
        // A drag may move the object: an undo puts it back.
        doc_.rememberForUndo();
        drag_ = kDragObject;
        takeRotationSnapshot();
        return kCapture | kRedraw | kDocumentChanged;
    }
    const ZRect roi = doc_.marks().roi.normalized();
    if (!roi.isEmpty() && roi.contains(p)) {
        drag_ = kDragRoi;
        return kCapture | kRedraw;
    }
    return kRedraw | kDocumentChanged;
}

unsigned ImageToolController::buildDown(ZPoint p) {
    if (drag_ != kDragBuilding) {
        const int mode = toolMode();
        buildMode_ = mode;
        buildList_ = mode == kDustMask ? ZBasicDoc::kDustList : doc_.currentList();
        CDimList& list = doc_.lists()[static_cast<size_t>(buildList_)];
        // Building a dimension is one step: an undo takes it away whole.
        doc_.rememberForUndo();
        const int i = list.addNew(kindOfMode(mode), p);
        if (i < 0) return kNothing;
        buildIndex_ = i;
        // The second vertex follows the cursor until the next click fixes it.
        if (!freehandMode(mode)) list.at(i)->addVertex(p);
        drag_ = kDragBuilding;
        doc_.markEdited();
        return kRedraw | kDocumentChanged | (freehandMode(mode) ? kCapture : kNothing);
    }
    CDim* d = doc_.lists()[static_cast<size_t>(buildList_)].at(buildIndex_);
    if (!d) {
        drag_ = kDragNone;
        return kRedraw;
    }
    d->setVertex(d->vertexCount() - 1, p);
    if (twoClickMode(buildMode_)) {
        drag_ = kDragNone;
        buildIndex_ = -1;
    } else {
        d->addVertex(p);
    }
    doc_.markEdited();
    return kRedraw | kDocumentChanged;
}

unsigned ImageToolController::mouseMove(ZPoint p, bool shift, bool ctrl) {
    const ZPoint from = last_;
    last_ = p;
    switch (drag_) {
        case kDragObject: {
            if (!buttonHeld_ || p == from) return kNothing;
            CDimList& list = activeList();
            if (ctrl) {
                restoreRotationSnapshot();
                list.rotateCurrentTowards(p);
            } else {
                list.moveCurrent(p.x - from.x, p.y - from.y);
                takeRotationSnapshot();
            }
            moved_ = true;
            doc_.markEdited();
            return kRedraw | kDocumentChanged;
        }
        case kDragRoi:
            if (!buttonHeld_ || p == from) return kNothing;
            doc_.setRegion(doc_.marks().roi.offset(p.x - from.x, p.y - from.y));
            moved_ = true;
            doc_.markEdited();
            return kRedraw | kDocumentChanged;
        case kDragRubberBand:
            if (!buttonHeld_) return kNothing;
            bandEnd_ = p;
            return kRedraw;
        case kDragBuilding: {
            CDim* d = doc_.lists()[static_cast<size_t>(buildList_)].at(buildIndex_);
            if (!d || d->vertexCount() == 0) return kNothing;
            if (freehandMode(buildMode_)) {
                if (!buttonHeld_ || d->getVertex(d->vertexCount() - 1) == p) return kNothing;
                d->addVertex(p);
            } else {
                if (d->getVertex(d->vertexCount() - 1) == p) return kNothing;
                d->setVertex(d->vertexCount() - 1, p);
            }
            return kRedraw | kDocumentChanged;
        }
        default: return kNothing;
    }
}

unsigned ImageToolController::buttonUp(ZPoint p, bool shift, bool ctrl) {
    const bool held = buttonHeld_;
    buttonHeld_ = false;
    if (!held) return kNothing;
    switch (drag_) {
        case kDragObject:
        case kDragRoi:
            drag_ = kDragNone;
            snapshot_.clear();
            return kRelease | kRedraw | (moved_ ? kDocumentChanged : kNothing);
        case kDragRubberBand: {
            bandEnd_ = p;
            // A click without a drag clears the region.
            const ZRect band = ZRect{bandStart_.x, bandStart_.y, bandEnd_.x, bandEnd_.y}.normalized();
            doc_.setRegion(band.isEmpty() ? ZRect{} : band);
            drag_ = kDragNone;
            doc_.markEdited();
            return kRelease | kRedraw | kDocumentChanged;
        }
        case kDragBuilding:
            if (freehandMode(buildMode_)) return kRelease | finishBuilding();
            return kNothing;
        default: return toolMode() == kPan ? kRelease : kNothing;
    }
}

unsigned ImageToolController::doubleClick(ZPoint p, bool shift, bool ctrl) {
    if (drag_ != kDragBuilding) return buttonDown(p, shift, ctrl);
    buttonHeld_ = true;
    CDim* d = doc_.lists()[static_cast<size_t>(buildList_)].at(buildIndex_);
    if (d && twoClickMode(buildMode_)) {
        // A double click where a second click was due sets the end there.
        d->setVertex(d->vertexCount() - 1, p);
        drag_ = kDragNone;
        buildIndex_ = -1;
        return kRedraw | kDocumentChanged;
    }
    return finishBuilding();
}

int ImageToolController::minimumVertices() const {
    switch (buildMode_) {
        case kPolygon:
        case kFreehandArea: return 3;
        default: return 2;
    }
}

unsigned ImageToolController::finishBuilding() {
    if (drag_ != kDragBuilding) return kNothing;
    drag_ = kDragNone;
    CDimList& list = doc_.lists()[static_cast<size_t>(buildList_)];
    CDim* d = list.at(buildIndex_);
    const int index = buildIndex_;
    buildIndex_ = -1;
    if (!d) return kRedraw;
    // Click-built paths carry a vertex that follows the cursor; it was
    // never clicked, so it goes.
    if (!freehandMode(buildMode_) && !twoClickMode(buildMode_) && d->vertexCount() > 1)
        d->removeVertex(d->vertexCount() - 1);
    // A path ended before it had enough vertices to measure anything is
    // dropped rather than left as an invisible object.
    if (d->vertexCount() < minimumVertices()) list.remove(index);
    doc_.markEdited();
    return kRedraw | kDocumentChanged;
}

unsigned ImageToolController::cancelBuilding() {
    if (drag_ == kDragRubberBand) {
        drag_ = kDragNone;
        return kRelease | kRedraw;
    }
    if (drag_ != kDragBuilding) return kNothing;
    drag_ = kDragNone;
    CDimList& list = doc_.lists()[static_cast<size_t>(buildList_)];
    list.remove(buildIndex_);
    buildIndex_ = -1;
    return kRelease | kRedraw | kDocumentChanged;
}

double ImageToolController::outlineDistance(const CDim& d, ZPoint p) {
    const std::vector<ZPoint>& v = d.vertices();
    if (v.empty()) return std::numeric_limits<double>::infinity();
    if (v.size() == 1) return std::hypot(double(p.x) - v[0].x, double(p.y) - v[0].y);
    if (dynamic_cast<const CDimCircle*>(&d)) {
        const double cx = (double(v[0].x) + v[1].x) / 2.0, cy = (double(v[0].y) + v[1].y) / 2.0;
        const double r = static_cast<const CDimCircle&>(d).radius();
        return std::abs(std::hypot(p.x - cx, p.y - cy) - r);
    }
    if (dynamic_cast<const CDimRect*>(&d)) {
        const ZPoint a = v[0], c = v[1], b{c.x, a.y}, e{a.x, c.y};
        return std::min({segmentDistance(p, a, b), segmentDistance(p, b, c), segmentDistance(p, c, e),
                         segmentDistance(p, e, a)});
    }
    double best = std::numeric_limits<double>::infinity();
    for (size_t i = 1; i < v.size(); ++i) best = std::min(best, segmentDistance(p, v[i - 1], v[i]));
    if (dynamic_cast<const CDimPolygon*>(&d) && v.size() > 2)
        best = std::min(best, segmentDistance(p, v.back(), v.front()));
    return best;
}

int ImageToolController::objectAt(const CDimList& list, ZPoint p) const {
    // The first vertex keeps its old priority, so that the handle of an
    // object lying across another still picks it.
    for (int i = 0; i < list.count(); ++i)
        if (list.at(i)->hit(p)) return i;
    const double pick = std::max(double(CDim::kHitTolerance), kPickScreenPixels / zoomFactor());
    int best = -1;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int i = 0; i < list.count(); ++i) {
        const CDim* d = list.at(i);
        const double dist = outlineDistance(*d, p);
        if (dist <= pick + d->width() / 2.0 && dist < bestDistance) {
            best = i;
            bestDistance = dist;
        }
    }
    return best;
}

std::string ImageToolController::toolName() const {
    for (const ToolCommand& t : kToolCommands) {
        if (t.mode != toolMode()) continue;
        std::string name(t.menuText);
        name = name.substr(0, name.find('\n'));
        std::erase(name, '&');
        return name;
    }
    return "Select";
}

unsigned ImageToolController::traceAt(ZPoint p) {
    if (doc_.image().isEmpty() || doc_.image().getParentPixel(p.x, p.y) < 0) return kNothing;
    if (!hasTraceFunction()) {
        doc_.services().prompter().messageBox(kTraceUnavailable, MsgButtons::Ok, MsgIcon::Information);
        return kNothing;
    }
    const int window = doc_.services().profile().GetInt("ProcessingArgs", "tracewin", 100);
    // The undo copy, modified flags and redraw come with the protocol; the
    // tracer itself writes no history line.
    const bool changed = doc_.imageOperation(
        "", [&](CZVimage& img, const ZRect& region) { return trace_(img, region, p, window); });
    return changed ? (kRedraw | kImageChanged | kDocumentChanged) : kNothing;
}

ImageToolController::TraceFunction ImageToolController::defaultTraceFunction() {
    return [](CZVimage& img, const ZRect& region, ZPoint seed, int window) {
        return traceCapillary(img, region, seed, window) > 0;
    };
}

void ImageToolController::takeRotationSnapshot() {
    snapshot_.clear();
    for (const auto& o : activeList().objects()) {
        if (o.get() == activeList().currentObject() || o->isSelected()) snapshot_.push_back({o.get(), o->vertices()});
    }
}

void ImageToolController::restoreRotationSnapshot() {
    for (Snapshot& s : snapshot_) {
        for (int i = 0; i < static_cast<int>(s.vertices.size()) && i < s.object->vertexCount(); ++i)
            s.object->setVertex(i, s.vertices[static_cast<size_t>(i)]);
    }
}

// ---------------------------------------------------------------------------
// Zoom

void ImageToolController::zoomIn() {
    if (zoomDen_ > 1)
        --zoomDen_;
    else if (zoomNum_ < kMaxZoomNumerator)
        ++zoomNum_;
}

void ImageToolController::zoomOut() {
    if (zoomNum_ > 1)
        --zoomNum_;
    else if (zoomDen_ < kMaxZoomDenominator)
        ++zoomDen_;
}

bool ImageToolController::stepZoom(bool in) {
    const int num = zoomNum_, den = zoomDen_;
    if (in)
        zoomIn();
    else
        zoomOut();
    return num != zoomNum_ || den != zoomDen_;
}

void ImageToolController::fitZoom(int w, int h, int vw, int vh) {
    if (w <= 0 || h <= 0 || vw <= 0 || vh <= 0) return;
    // Largest magnification first, then ever smaller reductions.
    for (int n = kMaxZoomNumerator; n >= 1; --n) {
        if (static_cast<long long>(w) * n <= vw && static_cast<long long>(h) * n <= vh) {
            setZoom(n, 1);
            return;
        }
    }
    for (int d = 2; d <= kMaxZoomDenominator; ++d) {
        if ((w + d - 1) / d <= vw && (h + d - 1) / d <= vh) {
            setZoom(1, d);
            return;
        }
    }
    setZoom(1, kMaxZoomDenominator);
}

bool ImageToolController::setZoom(int numerator, int denominator) {
    const bool up = denominator == 1 && numerator >= 1 && numerator <= kMaxZoomNumerator;
    const bool down = numerator == 1 && denominator >= 1 && denominator <= kMaxZoomDenominator;
    if (!up && !down) return false;
    zoomNum_ = numerator;
    zoomDen_ = denominator;
    return true;
}

ZPoint ImageToolController::toImage(int wx, int wy) const {
    return {floorDiv(static_cast<long long>(wx) * zoomDen_, zoomNum_),
            floorDiv(static_cast<long long>(wy) * zoomDen_, zoomNum_)};
}

// ---------------------------------------------------------------------------
// Status panes

std::array<std::string, ImageToolController::kStatusPaneCount> ImageToolController::statusTexts(
    ZPoint cursor) const {
    std::array<std::string, kStatusPaneCount> t;
    const double xs = doc_.xScaleInEffect();
    const double ys = doc_.yScaleInEffect();
    const std::string unit = " " + displayUnit(doc_.unitsInEffect());
    const std::string area = " " + displayAreaUnit(doc_.unitsInEffect());
    const int rx = cursor.x - doc_.marks().originX;
    const int ry = cursor.y - doc_.marks().originY;
    if (doc_.calibration().calibrated)
        t[0] = strprintf("pos=%5.1f,%5.1f", rx * xs, ry * ys) + unit;
    else
        t[0] = strprintf("pos=%5i,%5i", rx, ry) + unit;
    t[1] = strprintf("pixel=%3li", static_cast<long>(greyAt(doc_.image(), cursor.x, cursor.y, doc_.importWeights())));
    const bool dust = toolMode() == kDustMask;
    const CDimList& list = dust ? doc_.lists()[ZBasicDoc::kDustList] : doc_.currentDimList();
    if (const CDim* d = list.currentObject()) {
        // A circle is measured by its diameter and area, a closed outline
        // by its perimeter and area.
        if (dynamic_cast<const CDimCircle*>(d))
            t[2] = strprintf("circle%i: d=%5.1f", list.current() + 1, d->length(xs, ys)) + unit +
                   strprintf(", A=%.1f", d->area(xs, ys)) + area;
        else if (dynamic_cast<const CDimPolygon*>(d) || dynamic_cast<const CDimRect*>(d))
            t[2] = strprintf("line%i=%5.1f", list.current() + 1, d->length(xs, ys)) + unit +
                   strprintf(", A=%.1f", std::abs(d->area(xs, ys))) + area;
        else
            t[2] = strprintf("line%i=%5.1f", list.current() + 1, d->length(xs, ys)) + unit;
    }
    t[3] = strprintf("dimlist=%i", dust ? ZBasicDoc::kDustList : doc_.currentList());
    const ZRect r = doc_.marks().roi.normalized();
    t[4] = strprintf("size=%5.1fx%5.1f", r.width() * xs, r.height() * ys) + unit;
    t[5] = strprintf("%1i", list.count());
    t[6] = strprintf("mag=%5.3f, %5.3f", xs, ys) + (doc_.calibration().calibrated ? unit + "/px" : std::string(" uncalibrated"));
    t[7] = strprintf("zoom=%4.0f%%", zoomNum_ * 100.0 / zoomDen_);
    t[8] = "Tool: " + toolName();
    return t;
}

}  // namespace ordavia
