#include "chart/ChartToolController.h"

#include <algorithm>
#include <cmath>

#include "base/Text.h"
#include "chart/CMarker.h"
#include "chart/ZchartDoc.h"

namespace ordavia {

ChartToolController::ChartToolController(ZchartDoc& doc) : doc_(doc) {}

const ZchartDoc& ChartToolController::shown() const { return shown_ ? *shown_ : doc_; }

void ChartToolController::setPlotSize(int width, int height) {
    plotW_ = std::max(1, width);
    plotH_ = std::max(1, height);
}

void ChartToolController::setTextMetrics(int charWidth, int lineHeight) {
    charW_ = std::max(1, charWidth);
    lineH_ = std::max(1, lineHeight);
}

// ---- Mouse ----

unsigned ChartToolController::buttonDown(Button b, Point p, unsigned modifiers) {
    press_ = bandEnd_ = p;
    mode_ = kNone;
    if (b == kMiddle || (b == kLeft && (modifiers & kCtrl))) {
        mode_ = kPan;
        panLeft_ = state_.xLeft;
        panBottoms_.clear();
        for (const auto& d : state_.displays) panBottoms_.push_back(d.yBottom);
        return kStartPan;
    }
    if (b != kLeft || !onPlot(p)) return kNothing;
    if (overlay_.press && overlay_.press(p, modifiers)) {
        mode_ = kOverlay;
        return kNothing;
    }
    if (modifiers & kShift) {
        mode_ = kZoom;
        return kRedraw;
    }
    if (const int m = markerAt(p); m >= 0) {
        state_.selectedMarker = m;
        doc_.activateMarker(m);
        return kRedraw;
    }
    mode_ = kSelect;
    const CTrace* t = shown().trace(state_.active);
    if (t && t->hasData()) {
        const int64_t k = sampleAt(*t, xAt(p.x));
        state_.selFrom = state_.selTo = static_cast<uint32_t>(std::max<int64_t>(k, 0));
    }
    state_.cursorX = xAt(p.x);
    return kRedraw | kReadouts;
}

void ChartToolController::selectTo(Point p) {
    const CTrace* t = shown().trace(state_.active);
    if (!t || !t->hasData()) return;
    const int64_t k = sampleAt(*t, xAt(p.x));
    // The end is exclusive: a drag to the right covers the sample under the mouse.
    uint32_t end = static_cast<uint32_t>(std::max<int64_t>(k, 0));
    if (p.x > press_.x && end + 1 < t->sampleCount()) ++end;
    state_.selTo = end;
}

unsigned ChartToolController::mouseMove(Point p, bool leftHeld) {
    switch (mode_) {
        case kPan: {
            const double dx = p.x - press_.x, dy = p.y - press_.y;
            state_.xLeft = panLeft_ - dx * state_.xPerPixel;
            for (size_t i = 0; i < state_.displays.size() && i < panBottoms_.size(); ++i)
                if (doc_.linkYAxes() || static_cast<int>(i) == state_.active)
                    state_.displays[i].yBottom = panBottoms_[i] + dy * state_.displays[i].yPerPixel;
            return kRedraw;
        }
        case kOverlay:
            if (overlay_.drag) overlay_.drag(p);
            if (!onPlot(p)) return kRedraw;
            state_.cursorX = xAt(p.x);
            return kRedraw | kReadouts;
        case kZoom:
            bandEnd_ = p;
            return kRedraw;
        case kSelect:
            if (leftHeld) selectTo(p);
            break;
        case kNone:
            break;
    }
    if (!onPlot(p)) return kRedraw;
    state_.cursorX = xAt(p.x);
    return kRedraw | kReadouts;
}

ZRect ChartToolController::rubberBand() const {
    if (mode_ != kZoom) return {};
    const int ax = static_cast<int>(press_.x), ay = static_cast<int>(press_.y);
    const int bx = static_cast<int>(bandEnd_.x), by = static_cast<int>(bandEnd_.y);
    return ZRect{std::min(ax, bx), std::min(ay, by), std::max(ax, bx) + 1, std::max(ay, by) + 1};
}

unsigned ChartToolController::buttonUp(Point p) {
    if (mode_ == kOverlay) {
        mode_ = kNone;
        if (overlay_.release) overlay_.release(p);
        return kRedraw;
    }
    if (mode_ == kZoom) {
        bandEnd_ = p;
        const ZRect r = rubberBand();
        // A band of a few pixels is a slip of the hand, not a zoom.
        if (r.width() > 4) {
            const double x0 = xAt(r.left), x1 = xAt(r.right - 1);
            state_.xLeft = x0;
            state_.xPerPixel = (x1 - x0) / std::max(1, plotW_);
            if (r.height() > 8)
                for (size_t i = 0; i < state_.displays.size(); ++i) {
                    if (!doc_.linkYAxes() && static_cast<int>(i) != state_.active) continue;
                    TraceDisplay& d = state_.displays[i];
                    const double top = d.yBottom + (plotH_ - 1 - r.top) * d.yPerPixel;
                    const double bot = d.yBottom + (plotH_ - 1 - (r.bottom - 1)) * d.yPerPixel;
                    d.yBottom = bot;
                    d.yPerPixel = (top - bot) / std::max(1, plotH_);
                }
        }
    } else if (mode_ == kSelect && std::fabs(p.x - press_.x) + std::fabs(p.y - press_.y) < 3) {
        state_.selTo = state_.selFrom;  // a click only places the cursor
    }
    mode_ = kNone;
    return kRedraw | kReadouts | kEndGesture;
}

unsigned ChartToolController::doubleClick(Point p) {
    if (const int m = markerAt(p); m >= 0) {
        state_.selectedMarker = m;
        return kEditMarker;
    }
    return kFitAll;
}

unsigned ChartToolController::wheel(double steps, Point p, unsigned modifiers) {
    if (steps == 0) return kNothing;
    if (modifiers & kShift) {
        scrollPixels(-steps * 40);
    } else if (modifiers & kCtrl) {
        zoomY(std::pow(1.25, -steps), p.y);
    } else {
        zoomX(std::pow(1.25, -steps), xAt(p.x));
    }
    return kRedraw;
}

// ---- Zoom ----

void ChartToolController::zoomX(double factor, double aroundX) {
    if (!(factor > 0)) return;
    const double np = std::clamp(state_.xPerPixel * factor, 1e-12, 1e12);
    state_.xLeft = aroundX - (aroundX - state_.xLeft) * (np / state_.xPerPixel);
    state_.xPerPixel = np;
}

void ChartToolController::zoomY(double factor, double aroundPy) {
    for (size_t i = 0; i < state_.displays.size(); ++i) {
        if (!doc_.linkYAxes() && static_cast<int>(i) != state_.active) continue;
        TraceDisplay& d = state_.displays[i];
        const double v = d.yBottom + (plotH_ - 1 - aroundPy) * d.yPerPixel;
        const double np = d.yPerPixel * factor;
        d.yBottom = v - (v - d.yBottom) * (np / d.yPerPixel);
        d.yPerPixel = np;
    }
}

bool ChartToolController::zoomToSelection() {
    const CTrace* t = shown().trace(state_.active);
    if (!t || !t->hasData() || !state_.hasSelection()) return false;
    const uint32_t n = t->sampleCount();
    const double a = t->sampleX(state_.selFrom % n), b = t->sampleX(state_.selTo % n);
    const double lo = std::min(a, b), hi = std::max(a, b);
    if (hi <= lo) return false;
    const double pad = (hi - lo) * 0.02;
    state_.xLeft = lo - pad;
    state_.xPerPixel = (hi - lo + 2 * pad) / std::max(1, plotW_);
    return true;
}

// ---- Coordinates ----

double ChartToolController::pxAtX(double x) const {
    return (x - state_.xLeft) / (state_.xPerPixel > 0 ? state_.xPerPixel : 1.0);
}

double ChartToolController::yAt(int index, double py) const {
    if (index < 0 || index >= static_cast<int>(state_.displays.size())) return 0.0;
    const TraceDisplay& d = state_.displays[static_cast<size_t>(index)];
    return d.yBottom + (plotH_ - 1 - py) * d.yPerPixel;
}

double ChartToolController::pyAtY(int index, double y) const {
    if (index < 0 || index >= static_cast<int>(state_.displays.size())) return 0.0;
    const TraceDisplay& d = state_.displays[static_cast<size_t>(index)];
    return (plotH_ - 1) - (y - d.yBottom) / (d.yPerPixel != 0 ? d.yPerPixel : 1.0);
}

int64_t ChartToolController::sampleAt(const CTrace& t, double x) {
    const uint32_t n = t.sampleCount();
    if (!n || t.xInterval <= 0) return -1;
    const double k = std::round((x - t.xStart * 0.001) / t.xInterval);
    const int64_t walk = static_cast<int64_t>(std::clamp(k, 0.0, double(n - 1)));
    return (walk + t.head) % n;
}

// ---- Markers ----

std::vector<ZRect> ChartToolController::markerBoxes(const ChartViewState& s, const CMarkerList& markers,
                                                    int plotWidth, int charWidth, int lineHeight) {
    std::vector<ZRect> out;
    const double xpp = s.xPerPixel > 0 ? s.xPerPixel : 1.0;
    for (const CMarker& m : markers) {
        const int bw = (std::max(1, m.width) + 1) * charWidth;
        const int bh = std::max(1, m.height) * lineHeight;
        const double pxv = (m.x - s.xLeft) / xpp;
        if (pxv < 0 || pxv >= plotWidth) {
            out.emplace_back();
            continue;
        }
        // The box stands left of the pole, a little below the plot's top.
        const int right = static_cast<int>(pxv);
        out.push_back(ZRect{right - bw, 4, right, 4 + bh});
    }
    return out;
}

int ChartToolController::markerAt(Point p) const {
    const auto boxes = markerBoxes(state_, shown().markers(), plotW_, charW_, lineH_);
    const ZPoint q{static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y))};
    for (size_t i = 0; i < boxes.size() && i < doc_.markers().size(); ++i)
        if (!boxes[i].isEmpty() && boxes[i].contains(q)) return static_cast<int>(i);
    return -1;
}

// ---- Read-outs ----

std::array<std::string, 4> ChartToolController::readouts() const {
    std::array<std::string, 4> out;
    const CTrace* t = shown().trace(state_.active);
    if (t && state_.hasCursor()) {
        out[0] = strprintf("x = %.3f ", state_.cursorX) + t->xUnits;
        const int64_t k = t->hasData() ? sampleAt(*t, state_.cursorX) : -1;
        if (k >= 0 && t->data->twoD()) {
            const auto* c2 = dynamic_cast<const C2DTrace*>(t);
            const double v = t->data->valueAt(static_cast<uint32_t>(k), 0);
            const double range = state_.active < static_cast<int>(state_.displays.size())
                                     ? state_.displays[static_cast<size_t>(state_.active)].intensityRange
                                     : 0.0;
            out[3] = strprintf("%.2f FS=%5.f OS=%5.f", v, range, c2 ? c2->intensityOffset : 0.0);
        } else if (k >= 0) {
            out[1] = strprintf("y = %.3f ", t->physical(static_cast<uint32_t>(k))) + t->yUnits;
        }
    }
    if (t && t->hasData() && state_.hasSelection()) {
        const uint32_t n = t->sampleCount();
        out[2] = strprintf("dx = %.3f ", std::fabs(t->sampleX(state_.selTo % n) - t->sampleX(state_.selFrom % n))) +
                 t->xUnits;
    }
    return out;
}

}  // namespace ordavia
