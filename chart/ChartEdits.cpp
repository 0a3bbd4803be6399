// The chart document's state and the edits its views ask for: each checks
// the value, marks the chart modified and tells every view of it, so that
// a second view of the same chart never shows what the first one undid.
#include <algorithm>
#include <cmath>
#include <memory>

#include "chart/ZchartDoc.h"
#include "framework/AppServices.h"

using namespace ordavia;

namespace {
bool isFiniteValue(double v) { return std::isfinite(v); }
bool positive(double v) { return std::isfinite(v) && v > 0; }
bool validMode(int m) { return m >= ArtifactFilter::Off && m <= ArtifactFilter::Replace; }
}  // namespace

bool ZchartDoc::setListValue(double value) {
    if (!isFiniteValue(value)) return false;
    if (value != listValue_) {
        listValue_ = value;
        SetModifiedFlag();
    }
    return true;
}

bool ZchartDoc::setSmoothing(uint32_t choice, float time) {
    if (choice > 4 || !std::isfinite(time) || time < 0) return false;
    smoothChoice_ = choice;
    smoothTime_ = time;
    return true;
}

bool ZchartDoc::setArtifactFilter(const ArtifactFilter& f) {
    if (!validMode(f.lowerMode) || !validMode(f.upperMode) || !isFiniteValue(f.lower) || !isFiniteValue(f.upper) ||
        !isFiniteValue(f.exactValue))
        return false;
    artifactFilter_ = f;
    artifactFilter_.restart();
    return true;
}

C2DTrace* ZchartDoc::twoD(int index) const { return dynamic_cast<C2DTrace*>(trace(index)); }

void ZchartDoc::traceChanged(long hint) {
    SetModifiedFlag();
    notify(hint);
}

TraceProperties ZchartDoc::traceProperties(int index) const {
    TraceProperties p;
    const CTrace* t = trace(index);
    if (!t) return p;
    p.name = t->name;
    p.yUnits = t->yUnits;
    p.xUnits = t->xUnits;
    p.yScale = t->yScale;
    p.yOffset = t->yOffset;
    p.xInterval = t->xInterval;
    p.start = t->xStart * 0.001;
    p.yGroup = t->yGroup;
    p.points = t->showPoints;
    p.size = t->pointSize;
    p.displayXScale = t->displayXScale;
    p.displayYScale = t->displayYScale;
    p.displayYOffset = t->displayYOffset;
    return p;
}

bool ZchartDoc::setTraceProperties(int index, const TraceProperties& p) {
    CTrace* t = trace(index);
    if (!t || !positive(p.xInterval) || !positive(p.displayXScale) || !positive(p.displayYScale) ||
        !isFiniteValue(p.yScale) || !isFiniteValue(p.yOffset) || !isFiniteValue(p.start) || std::fabs(p.start) > 2e6 || p.size < 1 ||
        p.size > 50)
        return false;
    // Undo puts back the start in milliseconds exactly as it was.
    const TraceProperties before = traceProperties(index);
    const double startBefore = t->xStart;
    pushEdit("Trace Properties",
             [this, index, p] {
                 if (CTrace* tr = trace(index)) applyTraceProperties(*tr, p, nullptr);
                 notify(kHintData);
             },
             [this, index, before, startBefore] {
                 if (CTrace* tr = trace(index)) applyTraceProperties(*tr, before, &startBefore);
                 notify(kHintData);
             });
    return true;
}

void ZchartDoc::applyTraceProperties(CTrace& t, const TraceProperties& p, const double* exactStart) {
    t.name = p.name;
    t.yUnits = p.yUnits;
    t.xUnits = p.xUnits;
    t.yScale = p.yScale;
    t.yOffset = p.yOffset;
    t.xInterval = p.xInterval;
    // Milliseconds in, seconds out and back may lose one: an unchanged
    // start keeps the value it had.
    if (exactStart) t.xStart = *exactStart;
    else if (p.start != t.xStart * 0.001) t.setXStart(p.start);
    t.yGroup = p.yGroup;
    t.showPoints = p.points;
    t.pointSize = p.size;
    t.displayXScale = p.displayXScale;
    t.displayYScale = p.displayYScale;
    t.displayYOffset = p.displayYOffset;
}

bool ZchartDoc::setTraceColour(int index, uint32_t colour) {
    CTrace* t = trace(index);
    if (!t) return false;
    colour &= 0xFFFFFF;
    t->colour = colour ? colour : 0x010101;
    traceChanged();
    return true;
}

double ZchartDoc::setIntensityRange(int index, double range) {
    C2DTrace* t = twoD(index);
    if (!t) return -1.0;
    if (!isFiniteValue(range)) return t->intensityRange;
    t->intensityRange = std::clamp(range, t->rangeMin, std::max(t->rangeMin, t->rangeMax));
    traceChanged();
    return t->intensityRange;
}

bool ZchartDoc::invertPalette(int index) {
    C2DTrace* t = twoD(index);
    if (!t) return false;
    t->paletteReversed = !t->paletteReversed;
    traceChanged();
    return true;
}

bool ZchartDoc::minimumToBackground(int index) {
    C2DTrace* t = twoD(index);
    if (!t || !t->hasData()) return false;
    double m, lo = 0, hi = 0;
    t->data->statistics(m, lo, hi, 0, 0);
    t->intensityOffset = -lo;
    traceChanged();
    return true;
}

bool ZchartDoc::toggleLinearIntensity(int index) {
    C2DTrace* t = twoD(index);
    if (!t || !t->hasData()) return false;
    t->intensityOffset = 0;
    t->paletteScheme = t->paletteScheme ? 0 : 1;
    traceChanged();
    return true;
}

int ZchartDoc::markerIndex(const CMarker* m) const {
    for (size_t i = 0; i < markers_.items.size(); ++i)
        if (m && markers_.items[i].get() == m) return static_cast<int>(i);
    return -1;
}

bool ZchartDoc::editMarker(int index, const MarkerProperties& p) {
    if (index < 0 || index >= static_cast<int>(markers_.size())) return false;
    auto inByte = [](int32_t v) { return v >= 0 && v <= 255; };
    if (!inByte(p.width) || !inByte(p.height) || !inByte(p.pole)) return false;
    const CMarker& m = *markers_.items[static_cast<size_t>(index)];
    // The marker stays the same object (views hold it); its fields change.
    auto fieldsOf = [](const CMarker& k) { return MarkerProperties{k.label, k.description, k.width, k.height, k.pole}; };
    const MarkerProperties before = fieldsOf(m);
    // A new label sizes the box to itself unless the width was typed too.
    MarkerProperties after = before;
    if (p.label != m.label) {
        CMarker probe;
        probe.width = m.width;
        probe.SetLabel(p.label);
        after.label = probe.label;
        after.width = probe.width;
    }
    after.description = p.description;
    if (p.width != before.width) after.width = p.width;
    after.height = p.height;
    after.pole = p.pole;
    auto put = [this, index](const MarkerProperties& v) {
        if (index >= static_cast<int>(markers_.size())) return;
        CMarker& k = *markers_.items[static_cast<size_t>(index)];
        k.label = v.label;
        k.description = v.description;
        k.width = v.width;
        k.height = v.height;
        k.pole = v.pole;
        notify(kHintMarker);
    };
    pushEdit("Marker Properties", [put, after] { put(after); }, [put, before] { put(before); });
    return true;
}

bool ZchartDoc::removeMarker(int index) {
    if (index < 0 || index >= static_cast<int>(markers_.size())) return false;
    auto held = std::make_shared<std::unique_ptr<CMarker>>();
    pushEdit("Delete Marker",
             [this, index, held] {
                 if (index >= static_cast<int>(markers_.size())) return;
                 *held = std::move(markers_.items[static_cast<size_t>(index)]);
                 markers_.items.erase(markers_.items.begin() + index);
                 notify(kHintMarker);
             },
             [this, index, held] {
                 if (!*held || index > static_cast<int>(markers_.size())) return;
                 markers_.items.insert(markers_.items.begin() + index, std::move(*held));
                 notify(kHintMarker);
             });
    return true;
}

void ZchartDoc::activateMarker(int index) {
    if (index < 0 || index >= static_cast<int>(markers_.size())) return;
    markers_.items[static_cast<size_t>(index)]->Activate(services().markerLink);
}

std::unique_ptr<ZchartDoc> ZchartDoc::stillCopy() const {
    auto copy = std::make_unique<ZchartDoc>();
    for (const auto& t : traces_.items) copy->traces_.items.push_back(t ? t->clone() : nullptr);
    return copy;
}
