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

ZlineScanBaseDoc::ZlineScanBaseDoc() {
    watch_.doc = this;
    AddListener(&watch_);
}
ZlineScanBaseDoc::~ZlineScanBaseDoc() { RemoveListener(&watch_); }

void ZlineScanBaseDoc::TraceWatch::OnUpdate(Document*, long hint) {
    if (hint == kHintTraces) doc->findTraces();
}

bool ZlineScanBaseDoc::shapesFit() {
    const bool twoLines = params_.method == 2 && line1_;
    const CTrace* base = twoLines ? line1_ : scan_ ? static_cast<const CTrace*>(scan_) : line1_;
    const uint32_t M = base ? base->sampleCount() : 0;
    const CTrace* sized[] = {static_cast<const CTrace*>(correlogram_), correlation_, cbv_, cbvUncut_,
                             static_cast<const CTrace*>(difference_), twoLines ? line2_ : nullptr};
    for (const CTrace* t : sized)
        if (t && (!t->hasData() || t->sampleCount() != M)) {
            findTraces();
            return false;
        }
    return true;
}

// ---- parameters ----

void ZlineScanBaseDoc::setParams(const ordavia::CbvParams& p, bool writeProfile) {
    params_ = p;
    params_.clamp();
    if (writeProfile && services().profileStore) params_.save(*services().profileStore);
    SetModifiedFlag();
    notify(kHintData);
}

void ZlineScanBaseDoc::applyParams(const ordavia::CbvParams& p) {
    setParams(p);
    // A running scan takes the values from its next column on.
    if (!running() && scan_) (void)recalculate();
    notify(kHintTraces);
}

void ZlineScanBaseDoc::setXPeriodFactor(double f) {
    if (std::isfinite(f) && f != 0.0) xPeriodFactor_ = f;
}

void ZlineScanBaseDoc::loadProfileSettings() {
    if (services().profileStore) params_.load(*services().profileStore);
}

// ---- traces ----

void ZlineScanBaseDoc::findTraces() {
    // A two-dimensional trace is worked on only with an extent for every
    // column (a file may bring a shorter one, or none).
    auto usable = [](CTrace* t) {
        if (!t || !t->isTwoD() || !t->hasData()) return false;
        const auto* d = static_cast<C2DTrace*>(t);
        return d->width() > 0 && d->extent && d->extent->hasData() && d->extent->count >= d->sampleCount();
    };
    auto find2D = [&](const char* name) -> C2DTrace* {
        CTrace* t = traceArray().find(name);
        return usable(t) ? static_cast<C2DTrace*>(t) : nullptr;
    };
    auto find1D = [&](const char* name) -> CTrace* {
        CTrace* t = traceArray().find(name);
        return t && !t->isTwoD() && t->hasData() ? t : nullptr;
    };
    scan_ = find2D(kScanName);
    correlogram_ = find2D(kCorrelogramName);
    correlation_ = find1D(kCorrelationName);
    cbv_ = find1D(kCbvName);
    cbvUncut_ = find1D(kCbvUncutName);
    line1_ = find1D(kLine1Name);
    line2_ = find1D(kLine2Name);
    difference_ = find2D(kDifferenceName);
    hough_ = find2D(kHoughName);
    source_ = nullptr;
    for (const auto& t : traces().items)
        if (usable(t.get()) && t->yGroup == kKindSource) {
            source_ = static_cast<C2DTrace*>(t.get());
            break;
        }
    if (!scan_) {
        scan_ = source_;
        if (source_) pointsPerLineSample_ = 1;
    } else if (source_ && source_->width() > 0) {
        pointsPerLineSample_ = std::max<int32_t>(1, static_cast<int32_t>(scan_->width() / source_->width()));
    }
    // Results whose shape does not fit the scan (or, for two lines, the
    // time traces) would be read out of range.
    if (line1_ && line2_ && line1_->sampleCount() != line2_->sampleCount()) line2_ = nullptr;
    const bool twoLines = params_.method == 2 && line1_;
    const uint32_t M = twoLines ? line1_->sampleCount() : scan_ ? scan_->sampleCount() : line1_ ? line1_->sampleCount() : 0;
    auto fits = [&](CTrace*& t) {
        if (t && t->sampleCount() != M) t = nullptr;
    };
    CTrace* c = correlogram_;
    fits(c);
    if (!c) correlogram_ = nullptr;
    fits(correlation_);
    fits(cbv_);
    fits(cbvUncut_);
    CTrace* d = difference_;
    fits(d);
    const C2DTrace* filtered = source_ ? source_ : scan_;
    if (!d || (filtered && difference_ && difference_->width() != filtered->width())) difference_ = nullptr;
    if (scan_ && source_ && source_->sampleCount() != scan_->sampleCount()) source_ = nullptr;
    if (correlogram_ && !(correlation_ && cbv_)) correlogram_ = nullptr;
    // The velocity writes the correlogram as 16-bit values and the high pass
    // as doubles; a file with other element types keeps them for display only.
    if (correlogram_ && correlogram_->data->typeCode() != 12) correlogram_ = nullptr;
    if (difference_ && difference_->data->typeCode() != 16) difference_ = nullptr;
    if (columnsToSample_ < static_cast<int32_t>(M)) {
        debugLog("NoPtsToSample %i < scantrace %i\n", columnsToSample_, static_cast<int>(M));
        columnsToSample_ = static_cast<int32_t>(M);
    }
}

C2DTrace* ZlineScanBaseDoc::make2D(const char* name, int typeCode, uint32_t rows, uint32_t columns, int32_t kind) {
    const int at = traces().indexOf(name);
    CTrace* old = at >= 0 ? editableTrace(at) : nullptr;
    if (old && old->isTwoD() && old->hasData() && old->data->typeCode() == typeCode &&
        static_cast<C2DTrace*>(old)->width() == rows && old->sampleCount() == columns) {
        auto* t = static_cast<C2DTrace*>(old);
        t->data->zero();
        if (t->extent) t->extent->zero();
        t->head = 0;
        return t;
    }
    if (at >= 0) removeTrace(at, false);
    C2DTrace* t = new2DTrace(typeCode, columns, rows, true);
    if (!t) return nullptr;
    t->name = name;
    t->yGroup = kind;
    t->ring = 1;
    return t;
}

CTrace* ZlineScanBaseDoc::make1D(const char* name, uint32_t columns) {
    const int at = traces().indexOf(name);
    CTrace* old = at >= 0 ? editableTrace(at) : nullptr;
    if (old && !old->isTwoD() && old->hasData() && old->data->typeCode() == 8 && old->sampleCount() == columns) {
        old->data->fill(-1.0);
        old->head = 0;
        return old;
    }
    if (at >= 0) removeTrace(at, false);
    CTrace* t = newTrace(8, columns, true);
    if (!t) return nullptr;
    t->name = name;
    t->ring = 1;
    t->data->fill(-1.0);
    return t;
}

bool ZlineScanBaseDoc::makeResultTraces(uint32_t rows, uint32_t columns) {
    accepted_.reset();
    const double dx = scan_ ? scan_->xInterval : 1.0;
    const double ys = scan_ ? scan_->yScale : 1.0;
    const std::string yu = scan_ ? scan_->yUnits : std::string();
    C2DTrace* cg = make2D(kCorrelogramName, 12, std::max<uint32_t>(1, rows / 2), columns, 0);
    CTrace* co = make1D(kCorrelationName, columns);
    CTrace* cu = make1D(kCbvUncutName, columns);
    CTrace* cb = make1D(kCbvName, columns);
    C2DTrace* di = nullptr;
    if (params_.hipass) {
        di = make2D(kDifferenceName, 16, rows, columns, kKindDifference);
        if (di) {
            setDisplay(*di, 256.0, 1.25, 10.0, 1024.0);
            di->yScale = ys;
            di->yUnits = yu;
        }
    } else if (const int at = traces().indexOf(kDifferenceName); at >= 0) {
        removeTrace(at, false);
    }
    for (CTrace* t : {static_cast<CTrace*>(cg), co, cu, cb, static_cast<CTrace*>(di)})
        if (t) {
            t->xInterval = dx;
            t->xUnits = "s";
        }
    if (cg) {
        setDisplay(*cg, 1000.0, 1.25, 10.0, 65535.0);
    }
    for (CTrace* t : {cu, cb})
        if (t) {
            t->yScale = ys;
            t->yUnits = yu + "/s";
        }
    if (cb) cb->colour = 0x0000FF;
    findTraces();
    restartVelocity();
    notify(kHintTraces);
    return cg && co && cu && cb && (!params_.hipass || di);
}

void ZlineScanBaseDoc::removeResultTraces() {
    for (const char* n : {kCorrelogramName, kCorrelationName, kCbvUncutName, kCbvName, kDifferenceName})
        if (const int at = traces().indexOf(n); at >= 0) removeTrace(at, false);
    findTraces();
    notify(kHintTraces);
}

bool ZlineScanBaseDoc::importScan(const std::vector<double>& values, uint32_t times, uint32_t points, double seconds,
                                  double lengthPerPoint, const std::string& units) {
    if (times < 2 || points < 4 || points > 0xFFFF || values.size() < size_t(times) * points || !(seconds > 0) ||
        !(lengthPerPoint > 0))
        return false;
    C2DTrace* src = make2D("linescan", 12, points, times, kKindSource);
    C2DTrace* scan = src ? make2D(kScanName, 12, points, times, kKindScan) : nullptr;
    if (!src || !scan) {
        findTraces();
        return false;
    }
    for (C2DTrace* t : {src, scan}) {
        uint16_t* d = reinterpret_cast<uint16_t*>(t->data->rawData());
        for (size_t i = 0; i < size_t(times) * points; ++i) {
            const double v = values[i];
            d[i] = static_cast<uint16_t>(!(v > 0.0) ? 0.0 : v >= 65535.0 ? 65535.0 : v);
        }
        for (uint32_t k = 0; k < times; ++k) t->extent->setD(k, points);
        setDisplay(*t, 255.0, 1.25, 10.0, 512.0);
        t->xInterval = seconds;
        t->xUnits = "s";
        t->yScale = lengthPerPoint;
        t->yUnits = units;
    }
    pointsPerLineSample_ = 1;
    findTraces();
    if (!makeResultTraces(points, times)) return false;
    slopes_.clear();
    selected_ = -1;
    (void)recalculate();
    // A new scan: no recorded step applies to it.
    undoStack().markUnrecorded();
    return true;
}

// ---- commands ----

void ZlineScanBaseDoc::toggleUseInterlace() {
    params_.useInterlace = !params_.useInterlace;
    if (services().profileStore)
        (void)services().profileStore->WriteInt("linescan", "useinterlace", params_.useInterlace ? 1 : 0);
    SetModifiedFlag();
    notify(kHintData);
}

bool ZlineScanBaseDoc::setTraceAsLinescan(int index) {
    CTrace* t = editableTrace(index);
    if (!t || !t->isTwoD() || !t->hasData()) return false;
    for (const auto& o : traces().items)
        if (o && o.get() != t && o->yGroup == kKindSource) o->yGroup = 0;
    t->yGroup = kKindSource;
    findTraces();
    SetModifiedFlag();
    notify(kHintTraces);
    return true;
}

const CTrace* ZlineScanBaseDoc::correlateTraces(int a, int b) {
    const CTrace* ta = trace(a);
    const CTrace* tb = trace(b);
    if (!ta || !tb || ta->isTwoD() || tb->isTwoD()) return nullptr;
    const std::vector<double> v = ordavia::traceCorrelation(*ta, *tb);
    if (v.empty()) return nullptr;
    auto t = std::make_unique<CTrace>(8, static_cast<uint32_t>(v.size()));
    if (!t->hasData()) return addTrace(std::move(t));
    for (size_t i = 0; i < v.size(); ++i) t->data->setD(i, v[i]);
    t->xInterval = ta->xInterval;
    t->xUnits = ta->xUnits;
    t->name = "correlation of " + ta->name + " and " + tb->name;
    return addTrace(std::move(t));
}

int ZlineScanBaseDoc::calculateHoughVelocities(uint32_t visibleFrom, uint32_t visibleTo) {
    C2DTrace* in = (params_.twoD && params_.hipass) ? (source_ ? source_ : difference_) : difference_;
    if (!in || !in->hasData()) {
        notify(kHintTraces);
        return -1;
    }
    ordavia::HoughInput hi;
    hi.data = in->data.get();
    hi.extent = in->extent.get();
    hi.columns = in->sampleCount();
    hi.rows = in->width();
    hi.current = scan_ ? scan_->head : in->head;
    hi.dx = in->xInterval;
    hi.yScale = in->yScale;
    hi.visibleFrom = visibleFrom;
    hi.visibleTo = visibleTo;
    ordavia::HoughResult r = ordavia::houghTransform(hi, params_);
    thetaMin_ = r.thetaMin;
    if (r.distances == 0) {
        notify(kHintTraces);
        return -1;
    }
    C2DTrace* h = make2D(kHoughName, 16, 256, r.distances, kKindHough);
    if (h) {
        for (uint32_t c = 0; c < r.distances; ++c)
            for (uint32_t a = 0; a < 256; ++a) h->data->setD(size_t(c) * 256 + a, r.votes[size_t(c) * 256 + a]);
        for (uint32_t c = 0; c < r.distances; ++c) h->extent->setD(c, 256.0);
        h->ring = 0;
        h->yUnits = "degrees";
        setDisplay(*h, 1000.0, 1.25, 10.0, 51200.0);
        h->yScale = 0.3515625;
        h->yOffset = 90.0 - r.thetaMin * 180.0 / M_PI;
        h->xInterval = in->xInterval * hi.columns / r.distances;
    }
    // The old "Hough" trace may have gone even when the new one could not be made.
    findTraces();
    setSlopes(std::move(r.slopes));
    // The "Hough" trace may be new or gone: the views take the trace list again.
    notify(kHintTraces);
    return static_cast<int>(slopes_.size());
}

CbvLimitCurves ZlineScanBaseDoc::averageCbvVsLimit() const {
    CbvLimitCurves c;
    const int B = CbvLimitCurves::kBins;
    std::vector<double> sum(B, 0.0);
    c.n.assign(B, 0.0);
    c.min.assign(B, 1.7976931348623157e+308);
    c.max.assign(B, 2.2250738585072014e-308);
    c.average.assign(B, 0.0);
    if (!correlation_ || !cbvUncut_) return c;
    const uint32_t M = std::min(correlation_->sampleCount(), cbvUncut_->sampleCount());
    const uint32_t start = scan_ ? scan_->head : correlation_->head;
    for (uint32_t i = 0; i < M; ++i) {
        const uint32_t col = (start + i) % M;
        const double v = cbvUncut_->data->getD(col);
        if (v == -1.0 || !std::isfinite(v)) continue;
        const double cf = correlation_->data->getD(col) * 0.25;
        if (!(cf < 2147483647.0)) continue;
        const int k = cf > 0 ? static_cast<int>(cf) : 0;
        if (k >= B) {
            debugLog("cbvvcoef cf[%i]=%d\n", static_cast<int>(col), k);
            c.log.push_back(strprintf("cbvvcoef cf[%i]=%d\n", static_cast<int>(col), k));
            continue;
        }
        for (int b = 0; b < k; ++b) {
            sum[b] += v;
            c.n[b] += 1;
            if (c.max[b] < v) c.max[b] = v;
            if (v < c.min[b]) c.min[b] = v;
        }
    }
    for (int b = 0; b < B; ++b)
        if (c.n[b] > 0) c.average[b] = sum[b] / c.n[b];
    return c;
}

void ZlineScanBaseDoc::fillAverageCbvChart(ZchartDoc& chart) const {
    const CbvLimitCurves c = averageCbvVsLimit();
    chart.DeleteContents();
    chart.SetTitle("average cbv vs correlation limit " + GetTitle());
    const double ys = cbv_ ? cbv_->yScale : 1.0;
    const std::string yu = cbv_ ? cbv_->yUnits : std::string();
    struct Row {
        const char* name;
        const std::vector<double>* v;
        uint32_t colour;
    };
    for (const Row& r : {Row{"average cbv", &c.average, 0u}, Row{"n", &c.n, 0x00FF00u}, Row{"min", &c.min, 0x0000FFu},
                         Row{"max", &c.max, 0xFF0000u}}) {
        auto t = std::make_unique<CTrace>(8, CbvLimitCurves::kBins);
        if (!t->hasData()) return;
        for (int i = 0; i < CbvLimitCurves::kBins; ++i) t->data->setD(i, (*r.v)[size_t(i)]);
        t->name = r.name;
        t->colour = r.colour;
        t->xInterval = 0.004;
        t->xUnits = "correlation";
        if (r.v == &c.n) {
            t->yScale = 0.1;
            t->yGroup = kKindCount;
        } else {
            t->yScale = ys;
            t->yUnits = yu;
        }
        chart.addTrace(std::move(t), true);
    }
    chart.UpdateAllViews(nullptr, kHintTraces);
}

bool ZlineScanBaseDoc::fillCbvCorrelationChart(ZchartDoc& chart) const {
    if (chart.traceCount() < 2 || !correlation_ || !cbvUncut_) return false;
    static const std::string kAlongCorrelation = "correlation";
    if (!chart.refillTrace(0, *correlation_, &kAlongCorrelation) || !chart.refillTrace(1, *cbvUncut_)) return false;
    chart.SetTitle("cbv v correlation - " + GetTitle());
    chart.UpdateAllViews(nullptr, kHintTraces);
    return true;
}

bool ZlineScanBaseDoc::isMissingSample(const CTrace& trace, double raw) const {
    const bool marksGaps = &trace == cbv_ || &trace == cbvUncut_ || &trace == correlation_;
    return marksGaps && raw == -1.0;
}

// ---- framework ----

void ZlineScanBaseDoc::DeleteContents() {
    ZchartDoc::DeleteContents();
    scan_ = source_ = correlogram_ = difference_ = hough_ = nullptr;
    correlation_ = cbv_ = cbvUncut_ = line1_ = line2_ = nullptr;
    slopes_.clear();
    selected_ = -1;
    newSlope_ = false;
    background_.clear();
    firstColumn_ = true;
}

bool ZlineScanBaseDoc::OnNewDocument() {
    if (!ZchartDoc::OnNewDocument()) return false;
    loadProfileSettings();
    return true;
}

ordavia::Status ZlineScanBaseDoc::OnOpenDocument(const std::string& path) {
    loadProfileSettings();
    std::vector<uint8_t> bytes;
    if (ordavia::Status r = readFileBytes(path, bytes); !r)
        return ordavia::Status::failure(r.code(), std::string(kOpenFailed) + "\n" + r.context(path).reason());
    // Bytes that were read but do not load are a damaged file.
    if (ordavia::Status r = loadZvlBytes(bytes); !r)
        return ordavia::Status::failure(ordavia::StatusCode::BadFormat,
                                        std::string(kBadFormat) + "\n" + r.context(path).reason());
    SetModifiedFlag(false);
    return ordavia::Status::success();
}

ordavia::Status ZlineScanBaseDoc::loadZvlBytes(const std::vector<uint8_t>& bytes) {
    try {
        Archive ar(bytes);
        Serialize(ar);
    } catch (const ArchiveError& e) {
        DeleteContents();
        return ordavia::Status::failure(e.what());
    }
    return ordavia::Status::success();
}

void ZlineScanBaseDoc::Serialize(Archive& ar) {
    ZchartDoc::Serialize(ar);
    serializeLineScan(ar);
}

void ZlineScanBaseDoc::serializeLineScan(Archive& ar) {
    if (ar.IsStoring()) {
        const ordavia::CbvParams& p = params_;
        ar.writeInt(kZvlVersion);
        // A count of 1000 reads back as no slopes at all: a full list keeps
        // its first 999 (the weakest Hough line goes) rather than lose them all.
        const size_t n = std::min<size_t>(slopes_.size(), kMaxSlopes - 1);
        ar.writeInt(static_cast<int32_t>(n));
        for (const VelocitySlope& s : std::vector<VelocitySlope>(slopes_.begin(), slopes_.begin() + long(n))) {
            ar.writeDouble(s.x1);
            ar.writeDouble(s.y1);
            ar.writeDouble(s.x2);
            ar.writeDouble(s.y2);
        }
        ar.writeInt(pointsPerLineSample_);
        ar.writeDouble(p.coefLimit);
        ar.writeInt(p.gap);
        ar.writeInt(p.points);
        ar.writeInt(p.method);
        ar.writeInt(p.filter);
        ar.writeInt(p.hipass ? 1 : 0);
        ar.writeInt(p.twoD ? 1 : 0);
        ar.writeDouble(p.smoothing);
        ar.writeDouble(xPeriodFactor_);
        ar.writeInt(fieldsPerSample_);
        ar.writeInt(p.useInterlace ? 1 : 0);
        ar.writeInt(p.zeroPeak ? 1 : 0);
        ar.writeDouble(p.houghDifThreshold);
        ar.writeInt(p.houghPeakWindow);
        ar.writeInt(p.correlPeakWindow);
        ar.writeDouble(p.houghMin);
        ar.writeInt(p.houghThreshold);
        ar.writeInt(p.houghLowPass);
        ar.writeInt(p.correlThreshold);
        ar.writeInt(p.houghTol);
        ar.writeInt(p.correlTol);
        return;
    }
    // Read into copies: a file cut short leaves the present values alone.
    ordavia::CbvParams p = params_;
    int32_t pps = pointsPerLineSample_, fps = fieldsPerSample_;
    double xpf = xPeriodFactor_;
    std::vector<VelocitySlope> slopes;
    const int32_t version = ar.readInt();
    int32_t n = ar.readInt();
    // A count of 1000 or more (or a damaged negative one) means no slopes,
    // and no slope bytes follow to be skipped.
    if (n < 0 || n >= kMaxSlopes) n = 0;
    if (size_t(n) * 32 > ar.remaining()) throw ArchiveError("archive: slope list runs past the end of the file");
    slopes.resize(size_t(n));
    for (VelocitySlope& s : slopes) {
        s.x1 = ar.readDouble();
        s.y1 = ar.readDouble();
        s.x2 = ar.readDouble();
        s.y2 = ar.readDouble();
    }
    if (version >= 5) pps = ar.readInt();
    if (version >= 6) {
        p.coefLimit = ar.readDouble();
        p.gap = ar.readInt();
        p.points = ar.readInt();
        p.method = ar.readInt();
        p.filter = ar.readInt();
        p.hipass = ar.readInt() != 0;
        p.twoD = ar.readInt() != 0;
        p.smoothing = ar.readDouble();
        xpf = ar.readDouble();
    }
    if (version >= 7) {
        fps = ar.readInt();
        p.useInterlace = ar.readInt() != 0;
    }
    if (version >= 8) p.zeroPeak = ar.readInt() != 0;
    if (version >= 9) p.houghDifThreshold = ar.readDouble();
    if (version >= 10) {
        p.houghPeakWindow = ar.readInt();
        p.correlPeakWindow = ar.readInt();
        p.houghMin = ar.readDouble();
        p.houghThreshold = ar.readInt();
        p.houghLowPass = ar.readInt();
    }
    if (version >= 11) {
        p.correlThreshold = ar.readInt();
        p.houghTol = ar.readInt();
        p.correlTol = ar.readInt();
    }
    p.clamp();
    params_ = p;
    pointsPerLineSample_ = std::clamp(pps, 1, 65535);
    fieldsPerSample_ = std::clamp(fps, 1, 100000);
    setXPeriodFactor(xpf);
    slopes_ = std::move(slopes);
    selected_ = -1;
    findTraces();
    restartVelocity();
}
