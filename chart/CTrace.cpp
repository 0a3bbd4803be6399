#include "chart/CTrace.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/Archive.h"
#include "base/ClassRegistry.h"
#include "chart/ChartMessages.h"
#include "settings/DebugLog.h"

using namespace ordavia;

CTrace::CTrace(int typeCode, uint32_t count) {
    data = makeDataVect(typeCode);
    if (!data || !data->resize(count)) {
        data = nullptr;
        ordavia::chart::reportLowMemory();
    }
}

int CTrace::elementTypeCode() const {
    if (!data) return 0;
    const int c = data->typeCode();
    return c > 8 ? c - 8 : c;
}

double CTrace::sampleX(uint32_t i) const {
    const uint32_t c = sampleCount();
    const int64_t k = c ? ((int64_t(i) - int64_t(head)) % int64_t(c) + c) % c : 0;
    return double(k) * xInterval + xStart * 0.001;
}

void CTrace::setXStart(double seconds) { xStart = static_cast<int32_t>(truncToInt64(seconds * 1000.0)); }

void CTrace::copyFieldsFrom(const CTrace& o) {
    displayYScale = o.displayYScale;
    displayXScale = o.displayXScale;
    displayYOffset = o.displayYOffset;
    auxValue = o.auxValue;
    auxFlag = o.auxFlag;
    showPoints = o.showPoints;
    pointSize = o.pointSize;
    ring = o.ring;
    head = o.head;
    xStart = o.xStart;
    yScale = o.yScale;
    yOffset = o.yOffset;
    xInterval = o.xInterval;
    colour = o.colour;
    name = o.name;
    yUnits = o.yUnits;
    xUnits = o.xUnits;
    yGroup = o.yGroup;
}

void CTrace::copyAttributes(const CTrace& other) { copyFieldsFrom(other); }

std::unique_ptr<CTrace> CTrace::clone() const {
    std::unique_ptr<CTrace> t = makeEmpty();
    t->copyAttributes(*this);
    if (data) {
        t->data = data->clone();
        if (!t->data) return nullptr;
    }
    if (isTwoD()) {
        auto* me = static_cast<const C2DTrace*>(this);
        auto* it = static_cast<C2DTrace*>(t.get());
        if (me->extent) {
            it->extent = std::make_unique<CdoubleVect>();
            if (!it->extent->assign(*me->extent)) return nullptr;
        }
        it->intensityOffset = me->intensityOffset;
    }
    return t;
}

std::unique_ptr<CTrace> CTrace::createLike() const {
    std::unique_ptr<CTrace> t = makeEmpty();
    t->copyAttributes(*this);
    return t;
}

bool CTrace::resizedata(uint32_t n) {
    head = 0;
    bool ok = data && data->resize(n);
    if (ok && isTwoD()) ok = static_cast<C2DTrace*>(this)->resizeRows(n);
    if (!ok) {
        debugLog("CTrace::resizedata failed size=%ul\n", n);
        ordavia::chart::reportLowMemory();
    }
    return ok;
}

void CTrace::orderRange(uint32_t& from, uint32_t& to) const {
    const bool headInside = to < head && head <= from;
    if ((from < to && from < head && head <= to) || (to <= from && !headInside)) std::swap(from, to);
}

std::unique_ptr<CdataVect> CTrace::copyRangeVector(const CdataVect& v, uint32_t from, uint32_t to) {
    std::unique_ptr<CdataVect> r;
    if (from == to) {
        r = v.clone();
    } else if (to > from) {
        r = v.cloneRange(from, to - from, 1);
    } else {
        const uint32_t first = v.count > from ? v.count - from : 0;
        r = v.cloneRange(from, first, 1);
        if (r && !r->resize(first + to)) r.reset();
        if (r) r->copyFrom(first, v, to, 0);
    }
    if (!r) ordavia::chart::reportLowMemory();
    return r;
}

bool CTrace::copyRange(const CTrace& source, uint32_t from, uint32_t to) {
    data = nullptr;
    copyAttributes(source);
    if (!source.data) return false;
    source.orderRange(from, to);
    const uint32_t c = source.sampleCount();
    if (c) {
        from %= c;
        to %= c;
    }
    data = copyRangeVector(*source.data, from, to);
    head = 0;
    xStart = 0;
    if (isTwoD()) {
        auto* me = static_cast<C2DTrace*>(this);
        const auto* src = dynamic_cast<const C2DTrace*>(&source);
        me->extent = nullptr;
        if (src && src->extent) {
            auto e = copyRangeVector(*src->extent, from, to);
            if (e) {
                me->extent = std::make_unique<CdoubleVect>();
                me->extent->assign(*e);
            }
        } else if (data) {
            me->extent = std::make_unique<CdoubleVect>();
            me->extent->assign(*data);
            me->extent->components = 1;
        }
    }
    return data != nullptr;
}

void CTrace::clearAt(uint32_t i) {
    if (data && i < data->count) data->setAt(i, 0.0);
}

bool CTrace::assign(const CTrace& other) {
    if (!other.data) return false;
    auto d = other.data->clone();
    if (!d) return false;
    data = std::move(d);
    ring = other.ring;
    head = other.head;
    return true;
}

bool CTrace::resample(uint32_t n) {
    if (!data) return false;
    std::unique_ptr<CdataVect> v = data->makeEmpty();
    v->components = data->components;
    if (!v->resize(data->count) || !v->setWidth(n)) return false;
    v->resampleFrom(*data);
    data = std::move(v);
    return true;
}

void CTrace::reset() {
    CTrace d;
    copyFieldsFrom(d);
    auxValue = 0.0;
}

uint32_t CTrace::advanceHead(uint32_t i, int64_t n) const {
    const int64_t c = sampleCount();
    if (c == 0) return 0;
    if (n >= 0) {
        int64_t r = int64_t(i) + n;
        if (r >= c) r = ring ? r % c : c - 1;
        return static_cast<uint32_t>(r);
    }
    int64_t m = -n;
    if (ring) m %= c;
    if (m > int64_t(i)) return ring ? static_cast<uint32_t>(int64_t(i) + c - m) : 0;
    return static_cast<uint32_t>(int64_t(i) - m);
}

namespace {
template <class T>
void put(std::vector<uint8_t>& out, T v) {
    const auto* b = reinterpret_cast<const uint8_t*>(&v);
    out.insert(out.end(), b, b + sizeof v);
}
}  // namespace

Status CTrace::writeBinary(std::vector<uint8_t>& out, bool header, int64_t from, int64_t to) const {
    if (!data || !data->hasData()) return Status::failure("the trace has no data");
    const int64_t c = sampleCount();
    if (from < 0 || to < 0) {
        from = to = head;
        if (head == 0) to = c;
    }
    if (from == to) return Status::failure("the range is empty");
    if (from > c || to > c) return Status::failure("the range lies outside the trace");
    const uint32_t n = static_cast<uint32_t>(to > from ? to - from : c - from + to);
    if (header) {
        const size_t at = out.size();
        put<uint32_t>(out, n);
        put<uint32_t>(out, data->components);
        put<uint16_t>(out, data->elemSize);
        put<uint16_t>(out, 63);
        put<double>(out, xInterval);
        put<double>(out, xStart * 0.001);
        put<double>(out, yScale);
        put<double>(out, yOffset);
        put<double>(out, 0.0);
        put<double>(out, 0.0);
        const std::string nm = name.substr(0, 67);
        out.insert(out.end(), nm.begin(), nm.end());
        out.resize(at + 128, 0);
    }
    const size_t row = size_t(data->components) * data->elemSize;
    const uint8_t* d = data->rawData();
    if (to > from) {
        out.insert(out.end(), d + from * row, d + to * row);
    } else {
        out.insert(out.end(), d + from * row, d + c * row);
        out.insert(out.end(), d, d + to * row);
    }
    return Status::success();
}

void CTrace::Serialize(Archive& ar) {
    if (ar.IsStoring()) {
        ar.writeDword(kVersion);
        ar.writeDword(colour);
        ar.writeDword(head);
        ar.writeDouble(yScale);
        ar.writeDouble(xInterval);
        ar.writeObject(data.get());
        ar.writeDouble(displayYScale);
        ar.writeDouble(displayXScale);
        ar.writeInt(xStart);
        ar.writeInt(displayYOffset);
        ar.writeString(name);
        ar.writeString(xUnits);
        ar.writeString(yUnits);
        ar.writeDword(ring);
        ar.writeDouble(yOffset);
        ar.writeInt(yGroup);
        ar.writeDword(auxFlag ? 1 : 0);
        ar.writeDword(showPoints ? 1 : 0);
        ar.writeInt(pointSize);
        return;
    }
    const uint32_t v = ar.readDword();
    const bool versioned = v >= 0x5A000001;
    colour = versioned ? ar.readDword() : v;
    const uint32_t ver = versioned ? v : 0;
    head = ar.readDword();
    auto real = [&] { return ver >= 0x5A000003 ? ar.readDouble() : double(ar.readFloat()); };
    yScale = real();
    xInterval = real();
    data = ar.readObject<CdataVect>();
    if (data && !data->hasData() && data->count == 0) {
        data = nullptr;
        ordavia::chart::reportLowMemory();
    }
    displayYScale = real();
    displayXScale = real();
    if (ver < 0x5A000002) {
        const double s = ar.readDouble();
        xStart = displayXScale != 0 ? static_cast<int32_t>(truncToInt64(s * 1000.0 / displayXScale)) : 0;
    } else {
        xStart = ar.readInt();
    }
    displayYOffset = ar.readInt();
    name = ar.readString();
    xUnits = ar.readString();
    yUnits = ar.readString();
    ring = ver >= 0x5A000004 ? ar.readDword() : 1;
    yOffset = ver >= 0x5A000005 ? ar.readDouble() : 0.0;
    yGroup = ver >= 0x5A000006 ? ar.readInt() : 0;
    auxFlag = ver >= 0x5A000007 ? ar.readDword() != 0 : false;
    if (ver > 0x5A000007) {
        showPoints = ar.readDword() != 0;
        pointSize = ar.readInt();
    }
    if (data && head >= data->count) head = 0;
}

// ---- two-dimensional traces ----

C2DTrace::C2DTrace(int typeCode, uint32_t rows, uint32_t width) {
    data = makeDataVect(typeCode);
    extent = std::make_unique<CdoubleVect>();
    if (!data || !data->twoD() || width == 0 || width > 0xFFFF || !data->resize(rows) || !data->setWidth(width) ||
        !extent->resize(rows)) {
        data = nullptr;
        ordavia::chart::reportLowMemory();
    }
}

bool C2DTrace::resizeRows(uint32_t n) {
    if (!extent) extent = std::make_unique<CdoubleVect>();
    return extent->resize(n);
}

void C2DTrace::copyAttributes(const CTrace& other) {
    copyFieldsFrom(other);
    if (const auto* o = dynamic_cast<const C2DTrace*>(&other)) {
        paletteScheme = o->paletteScheme;
        paletteReversed = o->paletteReversed;
        windowColour = o->windowColour;
        intensityRange = o->intensityRange;
        rangeStep = o->rangeStep;
        rangeMin = o->rangeMin;
        rangeMax = o->rangeMax;
    } else {
        C2DTrace d;
        paletteScheme = d.paletteScheme;
        paletteReversed = d.paletteReversed;
        windowColour = d.windowColour;
        intensityRange = d.intensityRange;
        rangeStep = d.rangeStep;
        rangeMin = d.rangeMin;
        rangeMax = d.rangeMax;
    }
}

void C2DTrace::clearAt(uint32_t i) {
    if (extent && i < extent->count) extent->setAt(i, 0.0);
}

void C2DTrace::reset() {
    CTrace::reset();
    C2DTrace d;
    intensityRange = d.intensityRange;
    rangeStep = d.rangeStep;
    rangeMin = d.rangeMin;
    rangeMax = d.rangeMax;
    intensityOffset = 0;
    paletteScheme = 0;
    paletteReversed = false;
    windowColour = false;
}

void C2DTrace::validRange(uint32_t& first, uint32_t& last) const {
    first = last = 0;
    if (!extent || !extent->count) return;
    const uint32_t c = extent->count;
    uint32_t k = 0, i = head % c;
    while (k < c && extent->getD(i) == 0) {
        i = (i + 1) % c;
        ++k;
    }
    if (k == c) return;
    first = last = i;
    while (++k < c) {
        i = (i + 1) % c;
        if (extent->getD(i) == 0) break;
        last = i;
    }
}

void C2DTrace::zeroEmptyRows() {
    if (!extent || !data) return;
    const uint32_t n = std::min(extent->count, data->count);
    for (uint32_t r = 0; r < n; ++r)
        if (extent->getD(r) == 0)
            for (uint32_t c = 0; c < data->components; ++c) data->setD(size_t(r) * data->components + c, 0.0);
}

void C2DTrace::Serialize(Archive& ar) {
    CTrace::Serialize(ar);
    if (ar.IsStoring()) {
        ar.writeDword(4);
        ar.writeWord(windowColour ? 1 : 0);
        ar.writeWord(paletteReversed ? 0 : 220);
        ar.writeWord(static_cast<uint16_t>(paletteScheme));
        ar.writeDouble(intensityRange);
        ar.writeDouble(rangeStep);
        ar.writeDouble(rangeMax);
        ar.writeDouble(rangeMin);
        ar.writeObject(extent.get());
        ar.writeDouble(intensityOffset);
        return;
    }
    const uint32_t v = ar.readDword();
    windowColour = ar.readWord() != 0;
    paletteReversed = ar.readWord() == 0;
    paletteScheme = ar.readWord();
    if (v <= 1) {
        intensityRange = ar.readInt();
    } else {
        intensityRange = ar.readDouble();
        rangeStep = ar.readDouble();
        rangeMax = ar.readDouble();
        rangeMin = ar.readDouble();
    }
    extent = nullptr;
    if (v >= 3) extent = ar.readObject<CdoubleVect>();
    if (v >= 4) intensityOffset = ar.readDouble();
    if (!extent && data) {
        // Older files kept no extent: column 0 of each row stands in.
        extent = std::make_unique<CdoubleVect>();
        if (extent->resize(data->count)) data->decimateInto(0, *extent);
    }
}

// ---- trace array ----

int CTraceArray::indexOf(const CTrace* t) const {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == t) return static_cast<int>(i);
    return -1;
}

int CTraceArray::indexOf(const std::string& name) const {
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] && items[i]->name == name) return static_cast<int>(i);
    return -1;
}

CTrace* CTraceArray::find(const std::string& name) {
    const int i = indexOf(name);
    return i < 0 ? nullptr : items[static_cast<size_t>(i)].get();
}

const CTrace* CTraceArray::find(const std::string& name) const { return const_cast<CTraceArray*>(this)->find(name); }

void CTraceArray::Serialize(Archive& ar) {
    if (ar.IsStoring()) {
        ar.writeObjectArray(items);
    } else {
        items = ar.readObjectArray<CTrace>();
    }
}

void ordavia::registerTraceClasses() {
    registerDataVectClasses();
    ClassRegistry& r = ClassRegistry::instance();
    r.add<CTrace>();
    r.add<C2DTrace>();
    r.add<CDopTrace>();
}
