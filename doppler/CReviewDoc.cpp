#include "doppler/CReviewDoc.h"

#include <algorithm>

#include "base/Text.h"
#include "chart/TraceAlgorithms.h"
#include "doppler/ReviewAlgorithms.h"
#include "settings/ProfileStore.h"

using namespace ordavia;

namespace {

constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

// The chart's indexed colours that contour k takes (as the chart view's own).
constexpr uint32_t kContourColours[] = {rgb(255, 0, 0),   rgb(0, 128, 0),   rgb(0, 0, 255),   rgb(128, 0, 128),
                                        rgb(0, 128, 128), rgb(128, 128, 0), rgb(255, 128, 0), rgb(64, 64, 64)};

bool plainTrace(const CTrace* t) { return t && t->hasData() && !t->data->twoD(); }

}  // namespace

struct CReviewDoc::Pulse {
    CTrace* velocity = nullptr;
    CTrace* systolic = nullptr;
    CTrace* diastolic = nullptr;
    CTrace* mean = nullptr;
    std::vector<uint32_t> range;  // the samples of the selection in walk order
};

int CReviewDoc::spectrumTrace(int active) const {
    const CTrace* a = trace(active);
    if (a && a->hasData() && a->data->twoD()) return active;
    const int named = traces().indexOf(kSpectrumName);
    if (named >= 0 && trace(named)->hasData() && trace(named)->data->twoD()) return named;
    for (int i = 0; i < traceCount(); ++i)
        if (trace(i) && trace(i)->hasData() && trace(i)->data->twoD()) return i;
    return -1;
}

std::vector<int> CReviewDoc::velocityTraces() const {
    std::vector<int> out;
    for (int i = 0; i < traceCount(); ++i)
        if (plainTrace(trace(i)) && trace(i)->yUnits == "mm/s") out.push_back(i);
    return out;
}

double CReviewDoc::findShift(double* p, uint32_t n) {
    // Edge search and share of total power, as the monitor finds them.
    if (method_ == 2) {
        double total = 0;
        for (uint32_t i = 1; i < n; ++i) total += p[i];
        if (n < 2 || total / (n - 1) <= 50) return 0;
        double sum = 0;
        for (uint32_t i = 1; i < n; ++i)
            if ((sum += p[i]) > threshold_ * total * 0.01) return i + 0.5;
        return 0;
    }
    return levelEdge(p, n, threshold_);
}

CTrace* CReviewDoc::velocityTarget(const C2DTrace& spectrum, int target) {
    if (target >= 0) {
        CTrace* t = trace(target);
        return plainTrace(t) && t->sampleCount() >= spectrum.sampleCount() ? t : nullptr;
    }
    auto t = std::make_unique<CTrace>(8, spectrum.sampleCount());
    if (!t->hasData()) return addTrace(std::move(t));  // reports the low memory
    t->name = kCbvName;
    t->yUnits = "mm/s";
    t->xUnits = spectrum.xUnits;
    t->xInterval = spectrum.xInterval;
    t->xStart = spectrum.xStart;
    t->head = spectrum.head;
    t->ring = spectrum.ring;
    // The view scales it to the spectrum's range: the top bin at full height.
    t->displayYScale = std::max(1e-9, rowFrequencyScale(spectrum, spectrum.head) / 256.0);
    return addTrace(std::move(t), true);
}

CTrace* CReviewDoc::calculateCbv(int spectrum, uint32_t from, uint32_t to, int target) {
    auto* s = dynamic_cast<C2DTrace*>(trace(spectrum));
    if (!s || !s->hasData()) return nullptr;
    CTrace* t = velocityTarget(*s, target);
    if (!t) return nullptr;
    ArtifactFilter filter = artifactFilter();
    velocityFromSpectrum(*s, from, to, [this](double* p, uint32_t n) { return findShift(p, n); }, *t, &filter);
    SetModifiedFlag();
    notify(kHintTraces);
    return t;
}

bool CReviewDoc::recalculateDopplerShift() {
    const int cbv = traces().indexOf(kCbvName);
    const int spectrum = spectrumTrace(traces().indexOf(kSpectrumName));
    if (cbv < 0 || spectrum < 0) return false;
    return calculateCbv(spectrum, 0, 0, cbv) != nullptr;
}

int CReviewDoc::powerContours(int spectrum, uint32_t from, uint32_t to) {
    auto* s = dynamic_cast<C2DTrace*>(trace(spectrum));
    if (!s || !s->hasData()) return 0;
    const int method = method_;
    const int32_t threshold = threshold_;
    method_ = 2;
    int made = 0;
    for (int k = 0, pct = 95; pct >= 50; ++k, pct -= 5) {
        CTrace* t = velocityTarget(*s, -1);
        if (!t) break;
        t->name = strprintf("%0i%% contour", pct);
        t->yUnits = "kHz";
        t->yScale = 0.001;
        t->colour = kContourColours[k % 8];
        threshold_ = pct;
        velocityFromSpectrum(*s, from, to, [this](double* p, uint32_t n) { return findShift(p, n); }, *t);
        ++made;
    }
    method_ = method;
    threshold_ = threshold;
    notify(kHintTraces);
    return made;
}

int CReviewDoc::levelContours(int spectrum, uint32_t from, uint32_t to, double interval, int count) {
    auto* s = dynamic_cast<C2DTrace*>(trace(spectrum));
    if (!s || !s->hasData() || !(interval > 0) || count < 1) return 0;
    int made = 0;
    for (int k = 1; k <= count; ++k) {
        CTrace* t = velocityTarget(*s, -1);
        if (!t) break;
        const double level = interval * k;
        t->name = strprintf("%3u contour", static_cast<unsigned>(level));
        t->yUnits = "kHz";
        t->yScale = 0.001;
        t->colour = kContourColours[(k - 1) % 8];
        velocityFromSpectrum(*s, from, to, [level](double* p, uint32_t n) { return double(levelEdge(p, n, level)); },
                             *t);
        ++made;
    }
    notify(kHintTraces);
    return made;
}

CTrace* CReviewDoc::signalStrength(int spectrum, uint32_t from, uint32_t to) {
    auto* s = dynamic_cast<C2DTrace*>(trace(spectrum));
    if (!s || !s->hasData()) return nullptr;
    CTrace* t = velocityTarget(*s, -1);
    if (!t) return nullptr;
    t->name = "Signal strength";
    t->yUnits = "";
    if (hasServices() && services().profileStore) {
        t->name = services().profileStore->GetString("PowerTrace", "name", "Signal strength");
        t->yUnits = services().profileStore->GetString("PowerTrace", "units", "");
    }
    signalStrengthInto(*s, from, to, *t);
    double mean, mn, mx;
    if (t->data->statistics(mean, mn, mx, 0, t->sampleCount()) && mx > 0) t->displayYScale = mx / 200.0;
    notify(kHintTraces);
    return t;
}

CTrace* CReviewDoc::resultTrace(const std::string& name, const CTrace& like, uint32_t colour) {
    CTrace* t = trace(traces().indexOf(name));
    if (!plainTrace(t) || t->sampleCount() != like.sampleCount()) {
        auto made = std::make_unique<CTrace>(8, like.sampleCount());
        if (made->hasData()) {
            made->copyAttributes(like);
            made->name = name;
        }
        t = addTrace(std::move(made), true);
        if (!t) return nullptr;
    }
    t->data->fill(0.0);
    t->colour = colour;
    t->yScale = like.yScale;
    t->yOffset = like.yOffset;
    t->yUnits = like.yUnits;
    return t;
}

bool CReviewDoc::pulseAnalysis(int velocity, uint32_t from, uint32_t to, uint32_t w, Pulse& out) {
    CTrace* v = trace(velocity);
    if (!plainTrace(v) || w == 0) return false;
    out.velocity = v;
    out.range = ringIndices(v->sampleCount(), from, to);
    if (out.range.size() < 2 * size_t(w) + 1) return false;
    out.systolic = resultTrace(kSystolicName, *v, rgb(255, 0, 255));
    out.diastolic = out.systolic ? resultTrace(kDiastolicName, *v, rgb(0, 0, 255)) : nullptr;
    out.mean = out.diastolic ? resultTrace(kMeanName, *v, rgb(0, 128, 0)) : nullptr;
    if (!out.mean || v->yScale == 0.0) return false;

    const size_t m = out.range.size();
    std::vector<double> x(m), sys(m, 0.0), dia(m, 0.0);
    for (size_t k = 0; k < m; ++k) x[k] = out.velocity->physical(out.range[k]);
    std::vector<uint32_t> peaks;
    for (size_t c = w; c + w < m; ++c) {
        bool exceeded = false, undercut = false;
        for (size_t k = c - w; k <= c + w; ++k) {
            if (k == c) continue;
            exceeded |= x[k] > x[c];
            undercut |= x[k] < x[c];
        }
        if (!exceeded) {
            sys[c] = x[c];
            peaks.push_back(static_cast<uint32_t>(c));
        } else if (!undercut) {
            dia[c] = x[c];
        }
    }
    for (size_t k = 1; k < m; ++k)
        if (sys[k] == 0.0) sys[k] = sys[k - 1];
    for (size_t k = m - 1; k-- > 0;)
        if (dia[k] == 0.0) dia[k] = dia[k + 1];
    // A flat stretch makes a run of peaks; its first stands for the beat.
    std::vector<uint32_t> beats;
    for (size_t k = 0; k < peaks.size(); ++k)
        if (k == 0 || peaks[k] > peaks[k - 1] + 1) beats.push_back(peaks[k]);
    const std::vector<double> mean = beatMeans(x, beats);
    const double ys = out.velocity->yScale, yo = out.velocity->yOffset;
    for (size_t k = 0; k < m; ++k) {
        out.systolic->data->setD(out.range[k], (sys[k] - yo) / ys);
        out.diastolic->data->setD(out.range[k], (dia[k] - yo) / ys);
        out.mean->data->setD(out.range[k], (mean[k] - yo) / ys);
    }
    return true;
}

CTrace* CReviewDoc::indexTrace(const char* name, const Pulse& p, bool pulsatility) {
    CTrace* t = resultTrace(name, *p.velocity, rgb(255, 0, 0));
    if (!t) return nullptr;
    t->yUnits = "";
    t->yScale = 0.001;
    t->yOffset = 0.0;
    t->displayYScale = 0.0078125;
    for (uint32_t i : p.range) {
        const double s = p.systolic->physical(i), d = p.diastolic->physical(i);
        const double below = pulsatility ? p.mean->physical(i) : s;
        t->data->setD(i, below != 0.0 ? (s - d) / below * 1000.0 : 0.0);
    }
    SetModifiedFlag();
    notify(kHintTraces);
    return t;
}

CTrace* CReviewDoc::pulsatilityIndex(int velocity, uint32_t from, uint32_t to, uint32_t w) {
    Pulse p;
    return pulseAnalysis(velocity, from, to, w, p) ? indexTrace(kPulsatilityName, p, true) : nullptr;
}

CTrace* CReviewDoc::resistanceIndex(int velocity, uint32_t from, uint32_t to, uint32_t w) {
    Pulse p;
    return pulseAnalysis(velocity, from, to, w, p) ? indexTrace(kResistanceName, p, false) : nullptr;
}

bool CReviewDoc::removePulse(int velocity, uint32_t from, uint32_t to, uint32_t w) {
    Pulse p;
    if (!pulseAnalysis(velocity, from, to, w, p)) return false;
    for (uint32_t i : p.range) p.velocity->data->setD(i, p.mean->data->getD(i));
    SetModifiedFlag();
    notify(kHintData);
    return true;
}
