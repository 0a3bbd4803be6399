// What a finished line scan reports: the run summary of the "cbv" trace
// and the velocity of the Hough streaks, each with whether it can be
// believed.
#include <algorithm>
#include <cmath>

#include "base/Text.h"
#include "chart/TraceAlgorithms.h"
#include "linescan/ZlineScanBaseDoc.h"

using namespace ordavia;

namespace {

double medianOf(std::vector<double> v) {
    const size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
    const double upper = v[mid];
    if (v.size() % 2) return upper;
    return (*std::max_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid)) + upper) * 0.5;
}

// A summary leaves out velocities the streaks cannot have had: one wrong
// peak of a correlogram (a 27,660 um/s spike among columns of 128 um/s)
// would otherwise set the range alone and pull the mean. A value is an
// outlier when it lies more than 3.5 robust standard deviations from the
// median, the deviation being 1.4826 x the median absolute deviation (the
// factor makes it the standard deviation of normal data; 3.5 is the usual
// cut of the modified z-score). When half the values or more are equal the
// median absolute deviation is 0 and the mean absolute deviation (x 1.2533)
// stands in; with every value equal the range is that value.
std::vector<bool> robustKeep(const std::vector<double>& v) {
    std::vector<bool> keep(v.size(), true);
    if (v.empty()) return keep;
    const double med = medianOf(v);
    std::vector<double> dev(v.size());
    double meanDev = 0;
    for (size_t i = 0; i < v.size(); ++i) meanDev += dev[i] = std::fabs(v[i] - med);
    meanDev /= double(v.size());
    double sigma = 1.4826 * medianOf(dev);
    if (!(sigma > 0)) sigma = 1.2533 * meanDev;
    for (size_t i = 0; i < v.size(); ++i) keep[i] = !(dev[i] > 3.5 * sigma);
    return keep;
}

double extentOf(const C2DTrace& t, uint32_t k) {
    return t.extent && k < t.extent->count ? t.extent->getD(k) : 0.0;
}

// The peak shift (correlogram rows) of column k, when its correlogram has a peak.
void peakShift(const C2DTrace* correlogram, const CTrace* uncut, uint32_t k, std::vector<double>& out) {
    const double S = correlogram ? extentOf(*correlogram, k) : 0.0;
    if (S == 0.0 || !uncut || k >= uncut->sampleCount()) return;
    const double u = uncut->data->getD(k);
    if (u != -1.0 && std::isfinite(u)) out.push_back(u * correlogram->width() / S);
}

}  // namespace

std::string HoughSummary::text() const {
    if (!valid) return "The Hough transform found no streak.";
    std::string t = strprintf("Hough velocity = %.1f ", velocity) + units +
                    strprintf(" (%u streak%s, %.3f to %.3f), quality %.2f", streaks, streaks == 1 ? "" : "s", low, high,
                              trust.quality);
    if (const std::string advice = rangeAdvice(trust, true); !advice.empty()) return advice + "\n" + t;
    if (trust.quality < kTrustedQuality)
        t += "\nThe scan's columns hardly move at this velocity: it is doubtful.";
    return t;
}

CbvSummary ZlineScanBaseDoc::summary(uint32_t from, uint32_t to) const {
    CbvSummary s;
    if (!cbv_) return s;
    s.units = cbv_->yUnits;
    const uint32_t M = cbv_->sampleCount();
    std::vector<double> good, corr;
    std::vector<uint32_t> column;
    ShiftEvidence e;
    e.subpixel = params_.subpixel;
    e.window = correlogram_ ? correlogram_->width() : 0;
    for (const uint32_t i : ordavia::ringIndices(M, from, to)) {
        ++s.visited;
        // Every column's peak, kept or not, is a vote for or against the run's shift.
        if (params_.method != 2) peakShift(correlogram_, cbvUncut_, i, e.peaks);
        const double v = cbv_->data->getD(i);
        if (v == -1.0 || !std::isfinite(v)) continue;
        good.push_back(v * cbv_->yScale + cbv_->yOffset);
        corr.push_back(correlation_ && i < correlation_->sampleCount() ? correlation_->data->getD(i) * 0.001 : 0.0);
        column.push_back(i);
    }
    s.good = static_cast<uint32_t>(good.size());
    if (s.visited) s.percentGood = 100.0 * s.good / s.visited;
    const std::vector<bool> keep = robustKeep(good);
    double sum = 0, corrSum = 0;
    uint32_t kept = 0;
    for (size_t j = 0; j < good.size(); ++j) {
        if (!keep[j]) {
            ++s.outliers;
            continue;
        }
        if (!kept || good[j] < s.low) s.low = good[j];
        if (!kept || good[j] > s.high) s.high = good[j];
        sum += good[j];
        corrSum += corr[j];
        ++kept;
        // The peak's shift in correlogram rows, from the velocity and the
        // column's scale; and whether no shift at all matched as well.
        const uint32_t k = column[j];
        const double S = correlogram_ ? extentOf(*correlogram_, k) : 0.0;
        if (S != 0.0 && cbvUncut_ && k < cbvUncut_->sampleCount() && params_.method != 2) {
            e.shifts.push_back(cbvUncut_->data->getD(k) * e.window / S);
            if (correlogram_->data->getD(size_t(k) * e.window) >= corr[j] * 1000.0) ++e.zeroBest;
        }
    }
    if (kept) {
        s.mean = sum / kept;
        s.meanCorrelation = corrSum / kept;
    }
    const double keptPercent = s.visited ? 100.0 * kept / s.visited : 0.0;
    if (params_.method == 2) {
        // The two-line rate has no shift window to judge.
        s.trust.inRange = kept > 0;
        s.trust.quality = std::clamp(keptPercent * 0.01 * s.meanCorrelation, 0.0, 1.0);
    } else {
        s.trust = correlationTrust(e, keptPercent, s.meanCorrelation);
    }
    return s;
}

HoughSummary ZlineScanBaseDoc::houghSummary() const {
    HoughSummary h;
    const C2DTrace* in = (params_.twoD && params_.hipass) ? (source_ ? source_ : difference_) : difference_;
    if (!in) in = source_ ? source_ : scan_;
    if (!in || in->width() == 0) return h;
    h.units = in->yUnits + "/s";
    std::vector<double> v;
    for (const VelocitySlope& sl : slopes_)
        if (sl.x2 != sl.x1 && std::isfinite(sl.velocity())) v.push_back(sl.velocity());
    if (v.empty()) return h;
    h.valid = true;
    h.streaks = static_cast<uint32_t>(v.size());
    h.velocity = medianOf(v);
    h.low = *std::min_element(v.begin(), v.end());
    h.high = *std::max_element(v.begin(), v.end());
    const double rowsPerColumn = in->yScale != 0.0 ? h.velocity * in->xInterval / in->yScale : 0.0;
    // How many columns' own correlogram peaks lie at the streaks' shift,
    // beyond chance. Streaks slower than a row a gap leave no peak to
    // count: for them, how well consecutive columns match at that shift
    // (the correlogram's value there, between its rows).
    VelocityTrust k;
    const uint32_t CW = correlogram_ ? correlogram_->width() : 0;
    const double shift = rowsPerColumn * params_.gap;
    if (CW > 3 && shift >= 1.0) {
        ShiftEvidence e;
        e.window = CW;
        for (uint32_t c = 0; c < correlogram_->sampleCount(); ++c) peakShift(correlogram_, cbvUncut_, c, e.peaks);
        agreementWith(e, shift, k);
    } else if (CW > 1 && shift >= 0) {
        double sum = 0;
        uint32_t n = 0;
        for (uint32_t c = 0; c < correlogram_->sampleCount(); ++c) {
            if (extentOf(*correlogram_, c) == 0.0) continue;
            ++n;
            const double a = correlogram_->data->getD(size_t(c) * CW), b = correlogram_->data->getD(size_t(c) * CW + 1);
            sum += (a + (b - a) * shift) * 0.001;
        }
        k.quality = n ? sum / n : 0.0;
    }
    const double thetaMin = std::atan(in->xInterval * params_.houghMin);
    h.trust = houghTrust(rowsPerColumn, (1.57079632675 - thetaMin) * 0.00390625, in->width(), k.quality);
    h.trust.agreement = k.agreement, h.trust.chance = k.chance;
    return h;
}

void ZlineScanBaseDoc::setAcceptedSummary(const CbvSummary& s) {
    accepted_ = s;
    notify(kHintData);
}

std::string ZlineScanBaseDoc::velocityHeader() const {
    if (!cbv_ || !cbv_->hasData()) return {};
    if (accepted_) return strprintf("accepted velocity %.1f ", accepted_->mean) + accepted_->units;
    const CbvSummary s = summary(0, 0);
    if (s.good == 0) return "no velocity yet";
    const uint32_t kept = s.good - s.outliers;
    return strprintf("summary velocity %.1f ", s.mean) + s.units +
           strprintf(" (mean of %u column%s, not accepted)", kept, kept == 1 ? "" : "s");
}
