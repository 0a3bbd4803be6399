#include "linescan/ZlineScanDoc.h"

#include <algorithm>

#include "framework/AppServices.h"
#include "settings/ProfileStore.h"

ZlineScanDoc::ZlineScanDoc() { columnsToSample_ = kDefaultColumns; }
ZlineScanDoc::~ZlineScanDoc() = default;

void ZlineScanDoc::loadProfileSettings() {
    ZlineScanBaseDoc::loadProfileSettings();
    if (!services().profileStore) return;
    const ProfileStore& s = *services().profileStore;
    fieldsPerSample_ = std::clamp(s.GetInt("linescan", "sampleperiod", 1), 1, 100000);
    subtracting_ = s.GetInt("linescan", "subtracting", 0) != 0;
    // A scan of more than a million columns is a damaged profile, not a wish.
    columnsToSample_ = std::clamp(s.GetInt("linescan", "NoPtsToSample", columnsToSample_), 2, 1 << 20);
    calculateCbv_ = s.GetInt("linescan", "cbvON", 1) != 0;
}

bool ZlineScanDoc::OnNewDocument() {
    if (!ZlineScanBaseDoc::OnNewDocument()) return false;
    SetTitle(kTitle);
    return true;
}

double ZlineScanDoc::samplePeriod(double fieldPeriod) const {
    return fieldsPerSample_ * fieldPeriod * (params_.useInterlace ? 1.0 : 2.0);
}

void ZlineScanDoc::setColumnsToSample(int32_t n) {
    if (n < 2 || n > (1 << 20)) return;
    columnsToSample_ = n;
}

void ZlineScanDoc::resetSamples(uint32_t values) {
    for (int l = 0; l < 2; ++l) {
        for (std::vector<double>* v : {&present_[l], &previous_[l], &older_[l], &sampleDiff_[l]}) v->assign(values, 0.0);
        havePrevious_[l] = false;
    }
}

bool ZlineScanDoc::startScan(const void* sourceView, uint32_t points, int32_t pps, double fieldPeriod, double yScale,
                             const std::string& yUnits, const std::string& traceName) {
    if (sourceView_ || points < 1 || params_.method == 2 || pps < 1 || !sourceView) return false;
    if (size_t(points) * size_t(pps) > 0xFFFF) return false;
    fieldPeriod_ = fieldPeriod;
    const double dt = samplePeriod(fieldPeriod);
    // Nothing of an earlier scan survives into this one: the Hough picture
    // and the two-line traces go, and every column below starts empty.
    for (const char* n : {kLine1Name, kLine2Name, kHoughName})
        if (const int at = traces().indexOf(n); at >= 0) removeTrace(at, false);
    points_ = points;
    pointsPerLineSample_ = pps;
    const uint32_t rows = points * static_cast<uint32_t>(pps);
    resetSamples(rows);
    const uint32_t M = static_cast<uint32_t>(columnsToSample_);
    // The source first: "scan2D" must not be taken for the source.
    C2DTrace* src = make2D(traceName.c_str(), 12, points, M, kKindSource);
    C2DTrace* scan = make2D(kScanName, 12, rows, M, kKindScan);
    if (!src || !scan) return false;
    for (C2DTrace* t : {src, scan}) {
        setDisplay(*t, 255.0, 1.25, 10.0, 512.0);
        t->yScale = yScale;
        t->yUnits = yUnits;
        t->xUnits = "s";
    }
    findTraces();
    if (calculateCbv_) (void)makeResultTraces(points, M);
    if (difference_) {
        difference_->yScale = yScale;
        difference_->yUnits = yUnits;
    }
    for (auto& t : traces().items)
        if (t) t->xInterval = dt;
    slopes_.clear();
    selected_ = -1;
    restartVelocity();
    sourceView_ = sourceView;
    SetModifiedFlag();
    notify(kHintTraces);
    return true;
}

bool ZlineScanDoc::startTwoLines(const void* sourceView, uint32_t points, double captureFrameRate) {
    if (sourceView_ || points < 1 || params_.method != 2 || !sourceView || !(captureFrameRate > 0)) return false;
    if (points > 0xFFFF) return false;
    points_ = points;
    resetSamples(points);
    const uint32_t M = static_cast<uint32_t>(columnsToSample_);
    const double dt = 1.0 / captureFrameRate;
    for (const char* n : {kLine1Name, kLine2Name}) {
        CTrace* t = make1D(n, M);
        if (!t) return false;
        t->data->zero();
        t->yGroup = kKindTimeLine;
        t->xInterval = dt;
        t->xUnits = "s";
    }
    findTraces();
    if (calculateCbv_) {
        // The correlogram holds one row per shift of the two-line window.
        C2DTrace* cg = make2D(kCorrelogramName, 12, static_cast<uint32_t>(params_.points), M, 0);
        CTrace* co = make1D(kCorrelationName, M);
        CTrace* cb = make1D(kCbvName, M);
        for (CTrace* t : {static_cast<CTrace*>(cg), co, cb})
            if (t) {
                t->xInterval = dt;
                t->xUnits = "s";
            }
        if (cb) cb->yUnits = "1/s";
        findTraces();
    }
    sourceView_ = sourceView;
    SetModifiedFlag();
    notify(kHintTraces);
    return true;
}

void ZlineScanDoc::advanceRing(uint32_t next) {
    for (CTrace* t : {static_cast<CTrace*>(scan_), static_cast<CTrace*>(source_), static_cast<CTrace*>(correlogram_),
                      correlation_, cbv_, cbvUncut_, static_cast<CTrace*>(difference_), line1_, line2_})
        if (t && t->sampleCount()) t->head = next % t->sampleCount();
}

bool ZlineScanDoc::addSample(uint32_t s) {
    if (!sourceView_) return false;
    if (!shapesFit() && !scan_ && !line1_) return false;
    if (params_.method == 2) {
        if (!line1_ || !line2_) return false;
        const uint32_t L = line1_->sampleCount();
        const uint32_t i = line1_->head % L;
        for (int l = 0; l < 2; ++l) {
            const std::vector<double>& x = present_[l];
            double m = 0;
            for (size_t j = 0; j < x.size(); ++j) m += subtracting_ && havePrevious_[l] ? x[j] - previous_[l][j] : x[j];
            m = x.empty() ? 0.0 : m / double(x.size());
            older_[l] = previous_[l];
            previous_[l] = x;
            havePrevious_[l] = true;
            (l == 0 ? line1_ : line2_)->data->setD(i, m);
        }
        advanceRing(i + 1);
        if (calculateCbv_ && correlogram_) twoLineVelocity(i);
    } else {
        if (!scan_ || scan_->data->typeCode() != 12) return false;
        const uint32_t M = scan_->sampleCount();
        const uint32_t R = scan_->width();
        const uint32_t c = scan_->head % M;
        std::vector<double>& x = present_[0];
        if (x.size() != R) x.resize(R, 0.0);
        uint16_t* out = reinterpret_cast<uint16_t*>(scan_->data->rawData()) + size_t(c) * R;
        for (uint32_t j = 0; j < R; ++j) {
            double v = x[j];
            if (subtracting_) {
                v = havePrevious_[0] ? x[j] - previous_[0][j] : 0.0;
                sampleDiff_[0][j] = v;
            }
            // The scan holds 16-bit values: clamp rather than wrap.
            out[j] = static_cast<uint16_t>(!(v > 0.0) ? 0.0 : v >= 65535.0 ? 65535.0 : v);
        }
        if (subtracting_) {
            older_[0].swap(previous_[0]);
            previous_[0] = x;
            havePrevious_[0] = true;
        }
        scan_->extent->setD(c, double(R / std::max<int32_t>(1, pointsPerLineSample_)));
        if (calculateCbv_) columnVelocity(c);
        else if (source_ && source_ != scan_) {
            // Without the velocity the source still shows the line.
            const uint32_t SR = source_->width();
            const uint32_t pps = SR ? R / SR : 0;
            for (uint32_t r = 0; pps && r < SR; ++r) {
                double sum = 0;
                for (uint32_t j = 0; j < pps; ++j) sum += out[size_t(r) * pps + j];
                source_->data->setD(size_t(c) * SR + r, sum / pps);
            }
            source_->extent->setD(c, scan_->extent->getD(c));
        }
        advanceRing(c + 1);
    }
    SetModifiedFlag();
    const bool due = fieldsPerSample_ <= 1 || s % static_cast<uint32_t>(fieldsPerSample_) == 0;
    if (due) notify(kHintLiveColumn);
    return due;
}

void ZlineScanDoc::setScanTitle(const std::string& title) {
    SetTitle(title);
    notify(kHintTraces);
}

double ZlineScanDoc::scrollTime(uint32_t s) const {
    const CTrace* t = scan_ ? static_cast<const CTrace*>(scan_) : line1_;
    const double dt = t ? t->xInterval : 0.0;
    return s * dt / std::max<int32_t>(1, fieldsPerSample_);
}

void ZlineScanDoc::stop() {
    if (!sourceView_) return;
    sourceView_ = nullptr;
    if (params_.method != 2) {
        if (params_.doHough) (void)calculateHoughVelocities();
        if (params_.correl2velo) (void)drawVelocityLinesFromCorrelation();
    }
    notify(kHintData);
}

void ZlineScanDoc::toggleSubtracting() {
    subtracting_ = !subtracting_;
    if (services().profileStore)
        (void)services().profileStore->WriteInt("linescan", "subtracting", subtracting_ ? 1 : 0);
}

void ZlineScanDoc::toggleCalculateCbv() {
    calculateCbv_ = !calculateCbv_;
    if (services().profileStore)
        (void)services().profileStore->WriteInt("linescan", "cbvON", calculateCbv_ ? 1 : 0);
    if (calculateCbv_) {
        const C2DTrace* src = source_ ? source_ : scan_;
        if (src) (void)makeResultTraces(src->width(), src->sampleCount());
    } else {
        removeResultTraces();
    }
    notify(kHintTraces);
}

bool ZlineScanDoc::setSampleRate(int32_t f) {
    if (f <= 0) return false;
    fieldsPerSample_ = f;
    if (services().profileStore) (void)services().profileStore->WriteInt("linescan", "sampleperiod", f);
    const double dt = samplePeriod(fieldPeriod_);
    for (auto& t : traces().items)
        if (t && t.get() != hough_ && t->yGroup != kKindTimeLine) t->xInterval = dt;
    // The traces' time scale is part of the file.
    SetModifiedFlag();
    notify(kHintTraces);
    return !running();
}
