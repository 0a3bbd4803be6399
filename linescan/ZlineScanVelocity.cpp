// The per-column velocity of ZlineScanBaseDoc: binning, high pass,
// correlogram, smoothing, peak and velocity; and the two-line method.
#include <algorithm>
#include <cmath>

#include "linescan/CbvCorrelation.h"
#include "linescan/ZlineScanBaseDoc.h"

using namespace ordavia;

namespace {

void readColumn(const C2DTrace& t, uint32_t k, std::vector<double>& out) {
    const uint32_t R = t.width();
    out.resize(R);
    const CdataVect& d = *t.data;
    const size_t base = size_t(k) * R;
    if (d.elemKind() == ElemKind::F64) {
        const double* p = reinterpret_cast<const double*>(d.rawData()) + base;
        std::copy(p, p + R, out.begin());
    } else if (d.elemKind() == ElemKind::U16) {
        const uint16_t* p = reinterpret_cast<const uint16_t*>(d.rawData()) + base;
        for (uint32_t i = 0; i < R; ++i) out[i] = p[i];
    } else {
        for (uint32_t i = 0; i < R; ++i) out[i] = d.getD(base + i);
    }
}

double extentOf(const C2DTrace& t, uint32_t k) {
    return t.extent && k < t.extent->count ? t.extent->getD(k) : 0.0;
}

}  // namespace

void ZlineScanBaseDoc::restartVelocity() {
    background_.clear();
    firstColumn_ = true;
}

void ZlineScanBaseDoc::columnVelocity(uint32_t k) {
    if (!scan_ || !correlogram_ || !correlation_ || !cbv_ || !cbvUncut_ || !shapesFit()) return;
    C2DTrace* src = source_ ? source_ : scan_;
    const uint32_t M = scan_->sampleCount();
    if (M == 0 || k >= M || src->sampleCount() != M) return;
    std::vector<double> col;
    // 1. Binning of the scan's points per line sample into the source. The
    // two-dimensional correlation of the unbinned scan is not built: with
    // it on, skipping the binning would leave the source without data and
    // no column would ever get a velocity, so the binning always runs.
    if (src != scan_) {
        readColumn(*scan_, k, col);
        const uint32_t R = src->width();
        const uint32_t pps = R ? static_cast<uint32_t>(col.size()) / R : 0;
        if (pps > 0) {
            for (uint32_t r = 0; r < R; ++r) {
                double s = 0;
                for (uint32_t j = 0; j < pps; ++j) s += col[size_t(r) * pps + j];
                src->data->setD(size_t(k) * R + r, s / pps);
            }
        }
        src->extent->setD(k, extentOf(*scan_, k));
    }
    const double P = extentOf(*src, k);
    // 2. High pass against a slowly following background.
    if (difference_ && P != 0.0 && difference_->width() == src->width()) {
        readColumn(*src, k, col);
        if (background_.size() != col.size()) background_ = col;
        const double a = params_.smoothing;
        double* d = reinterpret_cast<double*>(difference_->data->rawData()) + size_t(k) * col.size();
        for (size_t i = 0; i < col.size(); ++i) {
            d[i] = col[i] - background_[i];
            background_[i] += a * (col[i] - background_[i]);
        }
        difference_->extent->setD(k, P);
    }
    // 3. What is correlated.
    const C2DTrace* in = (params_.hipass && difference_) ? difference_ : src;
    const uint32_t N = in->width();
    const uint32_t n = N / 2;
    const double dt = scan_->xInterval;
    // 4. Velocity scale.
    const double S = (P != 0.0 && dt != 0.0) ? P / params_.gap * 0.5 / dt : 0.0;
    correlogram_->extent->setD(k, S);
    if (S == 0.0 || n == 0 || correlogram_->width() < n) {
        correlation_->data->setD(k, -1.0);
        cbvUncut_->data->setD(k, -1.0);
        cbv_->data->setD(k, -1.0);
        return;
    }
    // 5. Correlogram of column k - gap against column k.
    const uint32_t g = static_cast<uint32_t>(params_.gap) % M;
    const uint32_t ka = (k + M - g) % M;
    std::vector<double> a, b, v(n);
    readColumn(*in, ka, a);
    readColumn(*in, k, b);
    ordavia::correlogramColumn(a.data(), b.data(), N, v.data());
    // 6. Smoothing against the previous correlogram column.
    const uint32_t CW = correlogram_->width();
    uint16_t* cg = reinterpret_cast<uint16_t*>(correlogram_->data->rawData());
    const uint16_t* prev = cg + size_t((k + M - 1) % M) * CW;
    uint16_t* out = cg + size_t(k) * CW;
    std::vector<double> stored(n);
    for (uint32_t s = 0; s < n; ++s) {
        double x = v[s] == v[s] ? v[s] : 0.0;
        if (!firstColumn_ && params_.filter != 1) x = prev[s] + (x - prev[s]) / params_.filter;
        v[s] = x;
        stored[s] = x >= 65535.0 ? 65535.0 : x < 0.0 ? 0.0 : std::trunc(x);
    }
    for (uint32_t s = 0; s < n; ++s) out[s] = static_cast<uint16_t>(stored[s]);
    for (uint32_t s = n; s < CW; ++s) out[s] = 0;
    firstColumn_ = false;
    if (params_.method == 1) return;
    // 7. Peak and 8. velocity.
    const ordavia::CorrelPeak pk =
        ordavia::findCorrelPeak(stored.data(), n, params_.zeroPeak, params_.subpixel ? v.data() : nullptr);
    correlation_->data->setD(k, pk.value);
    const double vel = pk.value > 0.0 ? pk.position * S / CW : -1.0;
    cbvUncut_->data->setD(k, vel);
    cbv_->data->setD(k, pk.value <= params_.coefLimit * 1000.0 ? -1.0 : vel);
}

void ZlineScanBaseDoc::twoLineVelocity(uint32_t k) {
    if (!line1_ || !line2_ || !correlogram_ || !correlation_ || !cbv_ || !shapesFit()) return;
    const uint32_t n = static_cast<uint32_t>(params_.points);
    const uint32_t L1 = line1_->sampleCount(), L2 = line2_->sampleCount();
    const uint32_t M = correlogram_->sampleCount();
    if (n == 0 || L1 < 2 * n || L2 < n || k >= M || correlogram_->width() < n) return;
    const double T = correlogram_->xInterval * n / xPeriodFactor_;
    correlogram_->extent->setD(k, T);
    // Windows: "line2" from i2 - n to i2 - 1; "line1" from i1 - 2n + s.
    const uint32_t i1 = line1_->head, i2 = line2_->head;
    std::vector<double> fixed(n), moving(size_t(2) * n);
    for (uint32_t j = 0; j < n; ++j) fixed[j] = line2_->data->getD((i2 + L2 - n + j) % L2);
    for (uint32_t j = 0; j < 2 * n; ++j) moving[j] = line1_->data->getD((i1 + L1 - 2 * n + j) % L1);
    std::vector<double> v(n);
    ordavia::correlogramSliding(fixed.data(), moving.data(), n, n, v.data());
    // Row j belongs to the "line1" window ending j + 1 samples before i1.
    const uint32_t CW = correlogram_->width();
    std::vector<double> rows(n);
    for (uint32_t j = 0; j < n; ++j) {
        const double x = v[n - 1 - j];
        rows[j] = x == x ? std::trunc(std::clamp(x, 0.0, 65535.0)) : 0.0;
        correlogram_->data->setD(size_t(k) * CW + j, rows[j]);
    }
    const ordavia::CorrelPeak pk = ordavia::findCorrelPeak(rows.data(), n, true, params_.subpixel ? rows.data() : nullptr);
    correlation_->data->setD(k, pk.value);
    // A rejected column stays -1 rather than turning into a negative rate.
    if (!(pk.value > params_.coefLimit * 1000.0)) {
        cbv_->data->setD(k, -1.0);
        return;
    }
    const double idx = pk.position;
    cbv_->data->setD(k, idx != 0.0 && T != 0.0 ? CW / (idx * T) : 0.0);
}

uint32_t ZlineScanBaseDoc::recalculate() {
    if (!scan_) return 0;
    restartVelocity();
    const uint32_t M = scan_->sampleCount();
    uint32_t good = 0;
    for (uint32_t i = 0; i < M; ++i) {
        const uint32_t k = (scan_->head + i) % M;
        if (extentOf(*scan_, k) == 0.0) continue;
        columnVelocity(k);
        if (cbvUncut_ && cbvUncut_->data->getD(k) != -1.0) ++good;
    }
    notify(kHintData);
    return good;
}

int ZlineScanBaseDoc::drawVelocityLinesFromCorrelation() {
    if (!scan_ || !cbv_) return 0;
    std::vector<ordavia::VelocitySlope> lines;
    const uint32_t M = std::min(scan_->sampleCount(), cbv_->sampleCount());
    const double dt = scan_->xInterval;
    const double H = double(scan_->width()) / std::max<int32_t>(1, pointsPerLineSample_) * scan_->yScale;
    for (uint32_t i = 0; i < M && lines.size() < static_cast<size_t>(kMaxSlopes); ++i) {
        const uint32_t k = (scan_->head + i) % M;
        const double v = cbv_->data->getD(k) * cbv_->yScale;
        if (cbv_->data->getD(k) == -1.0 || !(v > 0.0) || !std::isfinite(v)) continue;
        // Through the column's time at the first point, with the column's slope.
        const double x = double(i) * dt;
        lines.push_back(ordavia::VelocitySlope{x, 0.0, x + H / v, H});
    }
    const int n = static_cast<int>(lines.size());
    setSlopes(std::move(lines));
    return n;
}

int ZlineScanBaseDoc::drawVelocityLinesFromPeaks() {
    const C2DTrace* pic = source_ ? source_ : scan_;
    if (!cbv_ || !cbv_->hasData() || !pic || !pic->hasData()) return 0;
    const uint32_t n = cbv_->sampleCount();
    std::vector<uint32_t> good;
    for (uint32_t walk = 0; walk < n; ++walk) {
        const uint32_t k = (cbv_->head + walk) % n;
        if (cbv_->data->valueAt(k) > 0) good.push_back(k);
    }
    const size_t step = std::max<size_t>(1, (good.size() + kMaxSlopes - 1) / kMaxSlopes);
    const double period = cbv_->xInterval * std::max(1, params_.gap);
    const double middle = pic->width() * pic->yScale * 0.5;
    std::vector<ordavia::VelocitySlope> lines;
    for (size_t i = 0; i < good.size(); i += step) {
        const uint32_t k = good[i];
        const double v = cbv_->physical(k);
        const double x2 = cbv_->sampleX(k);
        lines.push_back({x2 - period, middle - v * period * 0.5, x2, middle + v * period * 0.5});
    }
    const int drawn = static_cast<int>(lines.size());
    setSlopes(std::move(lines));
    return drawn;
}

void ZlineScanBaseDoc::runFollowUpAnalyses() {
    if (params_.doHough) (void)calculateHoughVelocities();
    if (params_.correl2velo) (void)drawVelocityLinesFromPeaks();
    notify(kHintTraces);
}
