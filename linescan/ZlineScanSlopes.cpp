// The line-scan document's velocity slopes: drawn, picked, moved, deleted and
// interpolated, each edit one undo step.
#include "linescan/ZlineScanBaseDoc.h"

#include <algorithm>
#include <cmath>

#include "base/Archive.h"
#include "base/FileIO.h"
#include "base/Text.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "linescan/CbvCorrelation.h"
#include "linescan/HoughVelocity.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

using namespace ordavia;

// ---- slopes ----

void ZlineScanBaseDoc::recordSlopes(std::vector<VelocitySlope> before, const std::string& text) {
    slopeEditOpen_ = false;
    if (before == slopes_) return;
    auto put = [this](const std::vector<VelocitySlope>& v) {
        slopes_ = v;
        selected_ = -1;
        newSlope_ = false;
        slopeEditOpen_ = false;
        notify(kHintData);
    };
    undoStack().pushApplied(std::make_unique<FunctionCommand>(
        text, [put, after = slopes_] { put(after); }, [put, before = std::move(before)] { put(before); }));
}

void ZlineScanBaseDoc::beginSlopeEdit() {
    if (slopeEditOpen_) return;
    slopesBefore_ = slopes_;
    slopeEditOpen_ = true;
}

void ZlineScanBaseDoc::endSlopeEdit(const std::string& text) {
    if (!slopeEditOpen_) return;
    recordSlopes(std::move(slopesBefore_), text);
    slopesBefore_.clear();
}

void ZlineScanBaseDoc::deleteAllSlopes() {
    std::vector<VelocitySlope> before = std::move(slopes_);
    slopes_.clear();
    selected_ = -1;
    recordSlopes(std::move(before), "Delete all slopes");
    notify(kHintData);
}

void ZlineScanBaseDoc::setSlopes(std::vector<VelocitySlope> s) {
    if (s.size() > static_cast<size_t>(kMaxSlopes)) s.resize(kMaxSlopes);
    std::vector<VelocitySlope> before = std::move(slopes_);
    slopes_ = std::move(s);
    selected_ = -1;
    newSlope_ = false;
    recordSlopes(std::move(before), "Slopes");
    notify(kHintData);
}

bool ZlineScanBaseDoc::deleteSlope(int index) {
    if (index < 0 || index >= static_cast<int>(slopes_.size())) return false;
    std::vector<VelocitySlope> before = slopes_;
    slopes_.erase(slopes_.begin() + index);
    selected_ = -1;
    newSlope_ = false;
    recordSlopes(std::move(before), "Delete slope");
    notify(kHintMarker);
    return true;
}

int ZlineScanBaseDoc::pickSlope(double x, double y, double hw, double hh) {
    auto inside = [&](double px, double py) { return px > x - hw && px < x + hw && py > y - hh && py < y + hh; };
    auto taken = [this](size_t i) {
        selected_ = static_cast<int>(i);
        notify(kHintMarker);
        return selected_;
    };
    newSlope_ = false;
    // The press starts one step that the release ends (finishSlope).
    slopeEditOpen_ = false;
    beginSlopeEdit();
    for (size_t i = 0; i < slopes_.size(); ++i) {
        VelocitySlope& s = slopes_[i];
        if (inside(s.x1, s.y1)) {
            std::swap(s.x1, s.x2);
            std::swap(s.y1, s.y2);
            return taken(i);
        }
    }
    for (size_t i = 0; i < slopes_.size(); ++i)
        if (inside(slopes_[i].x2, slopes_[i].y2)) return taken(i);
    if (slopes_.size() >= static_cast<size_t>(kMaxSlopes)) {
        slopeEditOpen_ = false;
        return -1;
    }
    slopes_.push_back(VelocitySlope{x, y, x, y});
    newSlope_ = true;
    return taken(slopes_.size() - 1);
}

void ZlineScanBaseDoc::finishSlope(double minWidth, double minHeight) {
    if (newSlope_ && !slopes_.empty()) {
        const VelocitySlope& v = slopes_.back();
        if (std::fabs(v.x2 - v.x1) < minWidth && std::fabs(v.y2 - v.y1) < minHeight) {
            slopes_.pop_back();
            selected_ = -1;
        }
    }
    newSlope_ = false;
    const int keep = selected_;
    endSlopeEdit("Draw slope");
    selected_ = keep;
    notify(kHintMarker);
}

bool ZlineScanBaseDoc::canInterpolateSlopes() const {
    const C2DTrace* pic = source_ ? source_ : scan_;
    if (!pic || !pic->hasData()) return false;
    for (const VelocitySlope& v : slopes_)
        if (v.x1 != v.x2) return true;
    return false;
}

const CTrace* ZlineScanBaseDoc::interpolateSlopes(const std::string& name) {
    if (!canInterpolateSlopes()) return nullptr;
    const C2DTrace* pic = source_ ? source_ : scan_;
    std::vector<std::pair<double, double>> knots;
    for (const VelocitySlope& v : slopes_)
        if (v.x1 != v.x2) knots.emplace_back((v.x1 + v.x2) / 2, v.velocity());
    std::sort(knots.begin(), knots.end());
    const uint32_t n = pic->sampleCount();
    CTrace* t = newTrace(8, n, true);
    if (!t) return nullptr;
    t->name = name;
    t->xInterval = pic->xInterval;
    t->xStart = pic->xStart;
    t->xUnits = pic->xUnits;
    t->yUnits = pic->yUnits + "/" + (pic->xUnits.empty() ? std::string("s") : pic->xUnits);
    for (uint32_t i = 0; i < n; ++i) {
        const double x = pic->xStart * 0.001 + i * pic->xInterval;
        auto hi = std::lower_bound(knots.begin(), knots.end(), std::make_pair(x, -1e300));
        double v;
        if (hi == knots.begin()) v = knots.front().second;
        else if (hi == knots.end()) v = knots.back().second;
        else {
            const auto lo = hi - 1;
            const double f = hi->first > lo->first ? (x - lo->first) / (hi->first - lo->first) : 0.0;
            v = lo->second + f * (hi->second - lo->second);
        }
        t->data->setAt(i, v);
    }
    notify(kHintTraces);
    return t;
}

void ZlineScanBaseDoc::moveSlopeEnd(double x, double y) {
    if (selected_ < 0 || selected_ >= static_cast<int>(slopes_.size())) return;
    // Outside a drag, a move is a step of its own.
    const bool alone = !slopeEditOpen_;
    beginSlopeEdit();
    slopes_[static_cast<size_t>(selected_)].x2 = x;
    slopes_[static_cast<size_t>(selected_)].y2 = y;
    if (alone) {
        const int keep = selected_;
        endSlopeEdit("Move slope");
        selected_ = keep;
    }
    notify(kHintData);
}

std::string ZlineScanBaseDoc::slopeVelocitiesText() const {
    std::string out;
    for (size_t i = 0; i < slopes_.size(); ++i) {
        if (i) out += "\n";
        out += strprintf("%i\n%7.2f", static_cast<int>(i), slopes_[i].velocity());
    }
    return out;
}
