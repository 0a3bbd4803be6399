// The chart document's state and the edits its views ask for: each checks
// the value, marks the chart modified and tells every view of it, so that
// a second view of the same chart never shows what the first one undid.
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

#include "chart/ZchartDoc.h"
#include "framework/AppServices.h"

using namespace ordavia;

namespace {
bool isFiniteValue(double v) { return std::isfinite(v); }
bool positive(double v) { return std::isfinite(v) && v > 0; }
bool validMode(int m) { return m >= ArtifactFilter::Off && m <= ArtifactFilter::Replace; }

// What the display edits change of a trace: its colour and the intensity
// mapping of a two-dimensional trace.
struct TraceLook {
    uint32_t colour = 0;
    double intensityRange = 0, intensityOffset = 0;
    int paletteScheme = 0;
    bool paletteReversed = false;
};

TraceLook lookOf(const CTrace& t) {
    TraceLook l;
    l.colour = t.colour;
    if (auto* c = dynamic_cast<const C2DTrace*>(&t)) {
        l.intensityRange = c->intensityRange;
        l.intensityOffset = c->intensityOffset;
        l.paletteScheme = c->paletteScheme;
        l.paletteReversed = c->paletteReversed;
    }
    return l;
}

void putLook(CTrace& t, const TraceLook& l) {
    t.colour = l.colour;
    if (auto* c = dynamic_cast<C2DTrace*>(&t)) {
        c->intensityRange = l.intensityRange;
        c->intensityOffset = l.intensityOffset;
        c->paletteScheme = l.paletteScheme;
        c->paletteReversed = l.paletteReversed;
    }
}
}  // namespace

void ZchartDoc::pushLookEdit(int index, const std::string& text, const std::function<void(CTrace&)>& change) {
    CTrace* t = editableTrace(index);
    if (!t) return;
    // The change is worked out on the trace, then made again as the step.
    const TraceLook before = lookOf(*t);
    change(*t);
    const TraceLook after = lookOf(*t);
    putLook(*t, before);
    auto put = [this, index](const TraceLook& l) {
        if (CTrace* tr = editableTrace(index)) putLook(*tr, l);
        notify(kHintData);
    };
    pushEdit(text, [put, after] { put(after); }, [put, before] { put(before); });
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

C2DTrace* ZchartDoc::twoD(int index) { return dynamic_cast<C2DTrace*>(editableTrace(index)); }

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
    CTrace* t = editableTrace(index);
    if (!t || !positive(p.xInterval) || !positive(p.displayXScale) || !positive(p.displayYScale) ||
        !isFiniteValue(p.yScale) || !isFiniteValue(p.yOffset) || !isFiniteValue(p.start) || std::fabs(p.start) > 2e6 || p.size < 1 ||
        p.size > 50)
        return false;
    // Undo puts back the start in milliseconds exactly as it was.
    const TraceProperties before = traceProperties(index);
    const double startBefore = t->xStart;
    pushEdit("Trace Properties",
             [this, index, p] {
                 if (CTrace* tr = editableTrace(index)) applyTraceProperties(*tr, p, nullptr);
                 notify(kHintData);
             },
             [this, index, before, startBefore] {
                 if (CTrace* tr = editableTrace(index)) applyTraceProperties(*tr, before, &startBefore);
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
    if (!trace(index)) return false;
    colour &= 0xFFFFFF;
    pushLookEdit(index, "Colour", [colour](CTrace& t) { t.colour = colour ? colour : 0x010101; });
    return true;
}

double ZchartDoc::setIntensityRange(int index, double range) {
    C2DTrace* t = twoD(index);
    if (!t) return -1.0;
    if (!isFiniteValue(range)) return t->intensityRange;
    const double kept = std::clamp(range, t->rangeMin, std::max(t->rangeMin, t->rangeMax));
    pushLookEdit(index, "Intensity", [kept](CTrace& tr) { static_cast<C2DTrace&>(tr).intensityRange = kept; });
    return t->intensityRange;
}

bool ZchartDoc::invertPalette(int index) {
    C2DTrace* t = twoD(index);
    if (!t) return false;
    pushLookEdit(index, "Inverse Colours", [](CTrace& tr) {
        auto& c = static_cast<C2DTrace&>(tr);
        c.paletteReversed = !c.paletteReversed;
    });
    return true;
}

bool ZchartDoc::minimumToBackground(int index) {
    C2DTrace* t = twoD(index);
    if (!t || !t->hasData()) return false;
    double m, lo = 0, hi = 0;
    t->data->statistics(m, lo, hi, 0, 0);
    pushLookEdit(index, "Minimum to background",
                 [lo](CTrace& tr) { static_cast<C2DTrace&>(tr).intensityOffset = -lo; });
    return true;
}

bool ZchartDoc::toggleLinearIntensity(int index) {
    C2DTrace* t = twoD(index);
    if (!t || !t->hasData()) return false;
    pushLookEdit(index, "Linear intensity scale", [](CTrace& tr) {
        auto& c = static_cast<C2DTrace&>(tr);
        c.intensityOffset = 0;
        c.paletteScheme = c.paletteScheme ? 0 : 1;
    });
    return true;
}

int ZchartDoc::markerIndex(const CMarker* m) const {
    for (size_t i = 0; i < markers_.size(); ++i)
        if (m && &markers_[i] == m) return static_cast<int>(i);
    return -1;
}

bool ZchartDoc::editMarker(int index, const MarkerProperties& p) {
    if (index < 0 || index >= static_cast<int>(markers_.size())) return false;
    auto inByte = [](int32_t v) { return v >= 0 && v <= 255; };
    if (!inByte(p.width) || !inByte(p.height) || !inByte(p.pole)) return false;
    const CMarker& m = markers_[static_cast<size_t>(index)];
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
        CMarker& k = markers_[static_cast<size_t>(index)];
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
                 *held = markers_.take(static_cast<size_t>(index));
                 notify(kHintMarker);
             },
             [this, index, held] {
                 if (!*held || index > static_cast<int>(markers_.size())) return;
                 markers_.insert(static_cast<size_t>(index), std::move(*held));
                 notify(kHintMarker);
             });
    return true;
}

void ZchartDoc::activateMarker(int index) {
    if (index < 0 || index >= static_cast<int>(markers_.size())) return;
    markers_[static_cast<size_t>(index)].Activate(services().markerLink);
}

std::unique_ptr<ZchartDoc> ZchartDoc::stillCopy() const {
    auto copy = std::make_unique<ZchartDoc>();
    for (const auto& t : traces_.items) copy->traces_.items.push_back(t ? t->clone() : nullptr);
    return copy;
}
